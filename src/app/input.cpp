// SPDX-License-Identifier: GPL-3.0-or-later
// Input by action: the held states, each action's press, the keyboard and the mouse sources.
#include "app/input.h"
#include <GL/freeglut.h>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include "app/lang.h"
#include "app/record.h"
#include "app/timing.h"
#include "game/actor.h"
#include "image/texture.h"
#include "image/tga.h"
#include "sound/sound.h"
#include "text/font.h"
#include "text/hud.h"
#include "text/texts.h"

int setupRequested;
int lastMouseX, lastMouseY;

static int screenInUse;
// Each screen's handlers: what a press does, and what a typed character that no action takes does.
static void (*pressOf[INPUT_SCREENS])(int action);
static void (*typeOf[INPUT_SCREENS])(unsigned char key);
static void (*pollWith)();          // a source read by the input timer as well
static unsigned heldBy[ACTION_ALL]; // one bit per source holding the action
// The presses of the running game since its last step, in arrival order, each action once; and the
// actions held for this step only, by a press that was let go before the step began.
static int stepPresses[ACTION_ALL], stepPressCount;
static int takenPresses[ACTION_ALL], takenPressCount; // the presses the last step began with
static unsigned char pressQueued[ACTION_ALL], heldForStep[ACTION_ALL];

// The turn per pixel of pointer motion and mouse speed: the same at every frame rate.
static const float mouseDegreesPerPixel = 1.0f / 60.0f;

static const SwitchText shadeMessages[3] = {SWITCH_WIREFRAME, SWITCH_FLAT, SWITCH_SMOOTH};
static const SwitchText textureMessages[3] = {SWITCH_TEXTURES_OFF, SWITCH_TEXTURES_ON, SWITCH_MIPMAPS_ON};

int inputScreen() {
    return screenInUse;
}

void inputReleaseAll() {
    memset(heldBy, 0, sizeof heldBy);
    for (int a = 0; a < ACTION_ALL; a++) inputHold(a, 0);
    memset(pressQueued, 0, sizeof pressQueued);
    memset(heldForStep, 0, sizeof heldForStep);
    stepPressCount = 0;
    inputKeyUp(-1);
}

static int lastSource = SOURCE_KEYBOARD;

int inputLastSource() {
    return lastSource;
}

void inputStepBegin() {
    for (int a = 0; a < ACTION_ALL; a++)
        if (heldForStep[a]) heldForStep[a] = 0, inputHold(a, heldBy[a] != 0);
    takenPressCount = stepPressCount;
    for (int i = 0; i < stepPressCount; i++) {
        const int a = takenPresses[i] = stepPresses[i];
        pressQueued[a] = 0;
        if (!inputHeld(a)) inputHold(a, 1), heldForStep[a] = 1;
    }
    stepPressCount = 0;
    inputMouseStep();
}

int inputStepPresses(const int** actions) {
    *actions = takenPresses;
    return takenPressCount;
}

void inputAction(int source, int action, int down) {
    if (action < 0 || action >= ACTION_ALL) return;
    // The timedemo's walk is the same in every run: nothing but Escape counts.
    if (screenInUse == INPUT_TIMEDEMO && action != ACTION_QUIT) return;
    if (down) {
        lastSource = source;
        heldBy[action] |= 1u << source;
        inputHold(action, 1);
        // A halted game takes no steps: what is pressed meanwhile moves nothing when it goes on; only
        // a shot readied meanwhile waits for the next step.
        const int stepping = record.running && bossScreen == 0;
        if (screenInUse == INPUT_GAME && (stepping || action == ACTION_SHOOT) && !pressQueued[action])
            pressQueued[action] = 1, stepPresses[stepPressCount++] = action;
        inputPress(action);
    } else {
        heldBy[action] &= ~(1u << source);
        inputHold(action, heldBy[action] != 0);
    }
}

// ---- What each press does.

static void toggleFullScreen() {
    if (record.gameModeString[0] != 0) return; // the game mode has no window to resize
    stencilValid = 0;
    if (record.fullScreen) {
        glutReshapeWindow(record.windowedWidth, record.windowedHeight);
        record.fullScreen = 0;
        showMessage(textSwitch(SWITCH_FULL_SCREEN_OFF));
    } else {
        glutFullScreen();
        record.fullScreen = 1;
        showMessage(textSwitch(SWITCH_FULL_SCREEN_ON));
    }
}

static void toggleBackfaceCulling() {
    backfaceCull = !backfaceCull;
    if (backfaceCull) {
        glEnable(GL_CULL_FACE);
        showMessage(textSwitch(SWITCH_CULLING_ON));
    } else {
        glDisable(GL_CULL_FACE);
        showMessage(textSwitch(SWITCH_CULLING_OFF));
    }
}

int inputSwitchPress(int action) {
    switch (action) {
    case ACTION_QUIT:
        exit(0);
    case ACTION_DISTANCE_LOD:
        record.distanceLod = !record.distanceLod;
        showMessage(textSwitch(record.distanceLod ? SWITCH_DISTANCE_DETAIL_ON : SWITCH_DISTANCE_DETAIL_OFF));
        return 1;
    case ACTION_FULL_SCREEN:
        toggleFullScreen();
        return 1;
    case ACTION_FPS:
        record.showFps = !record.showFps;
        showMessage(textSwitch(record.showFps ? SWITCH_FPS_ON : SWITCH_FPS_OFF));
        return 1;
    case ACTION_LOD_FINER:
        record.lodLevel = record.lodLevel + 1 > 3 ? 0 : record.lodLevel + 1;
        showMessage(textSwitch(SWITCH_DETAIL, record.lodLevel));
        return 1;
    case ACTION_LOD_COARSER:
        record.lodLevel = record.lodLevel - 1 < 0 ? 3 : record.lodLevel - 1;
        showMessage(textSwitch(SWITCH_DETAIL, record.lodLevel));
        return 1;
    case ACTION_PORTAL:
        portalCulling = !portalCulling;
        showMessage(textSwitch(portalCulling ? SWITCH_PORTALS_ON : SWITCH_PORTALS_OFF));
        return 1;
    case ACTION_REPAIR_STENCIL:
        stencilValid = 0;
        showMessage(textSwitch(SWITCH_FRAME_REDRAWN));
        return 1;
    case ACTION_SHADE:
        record.shadeMode = record.shadeMode + 1 > 2 ? 0 : record.shadeMode + 1;
        applyShadeMode();
        showMessage(textSwitch(shadeMessages[record.shadeMode]));
        return 1;
    case ACTION_TEXTURE:
        record.textureMode = record.textureMode + 1 > 2 ? 0 : record.textureMode + 1;
        if (applyTextureMode()) fontBuildLists(&imgFont);
        showMessage(textSwitch(textureMessages[record.textureMode]));
        return 1;
    case ACTION_DISPLAY_LISTS:
        record.useDisplayLists = !record.useDisplayLists;
        showMessage(textSwitch(record.useDisplayLists ? SWITCH_LISTS_ON : SWITCH_LISTS_OFF));
        return 1;
    case ACTION_BACKFACE:
        toggleBackfaceCulling();
        return 1;
    default:
        return 0;
    }
}

void inputMuteKey() {
    int muted = soundToggleMute();
    showMessage(textSwitch(muted == 1 ? SWITCH_SOUND_OFF : muted == 0 ? SWITCH_SOUND_ON : SWITCH_NO_SOUND));
}

void inputHandle(int screen, void (*press)(int action), void (*type)(unsigned char key)) {
    if (screen <= INPUT_NONE || screen >= INPUT_SCREENS) return;
    pressOf[screen] = press;
    typeOf[screen] = type;
}

void inputPress(int action) {
    // The timedemo takes Escape only.
    if (screenInUse == INPUT_TIMEDEMO) {
        if (action == ACTION_QUIT) exit(0);
        return;
    }
    if (pressOf[screenInUse]) pressOf[screenInUse](action);
}

// ---- The keyboard source.

int inputScreenMask() {
    switch (screenInUse) {
    case INPUT_STORY:
        return SCREEN_STORY;
    case INPUT_END:
        return SCREEN_END;
    default:
        return SCREEN_GAME;
    }
}

// The keys held down with the action each press took (-1: none).
struct HeldKey {
    int code, action;
};
enum { heldKeyMax = 16 };
static HeldKey heldKeys[heldKeyMax];
static int heldKeyCount;

// Characters that Shift turns into one another on common layouts (US and German), in pairs.
static const char shiftPairs[] = "`~1!2@3#4$5%6^7&8*9(0)-_=+[{]};:'\",<.>/?\\|2\"3\xA7"
                                 "6&7/8(9)0=\xDF?";

static int shiftPartners(int a, int b) {
    if (a >= KEY_SPECIAL || b >= KEY_SPECIAL) return 0;
    if (a < 128 && b < 128 && a != b && tolower(a) == tolower(b)) return 1;
    for (const char* p = shiftPairs; p[0] && p[1]; p += 2) {
        int x = (unsigned char)p[0], y = (unsigned char)p[1];
        if ((a == x && b == y) || (a == y && b == x)) return 1;
    }
    return 0;
}

static void releaseHeldKey(int i) {
    HeldKey k = heldKeys[i];
    heldKeys[i] = heldKeys[--heldKeyCount];
    if (k.action >= 0) inputAction(SOURCE_KEYBOARD, k.action, 0);
}

void inputKeyDown(int code) {
    // A held key's press is the keyboard's repeat (the X server sends it without a release, see
    // inputRepeatWithoutRelease), also when Shift changed its character meanwhile.
    for (int i = 0; i < heldKeyCount; i++)
        if (heldKeys[i].code == code || shiftPartners(heldKeys[i].code, code)) return;
    int32_t bound[KEY_BOUND_COUNT];
    keyGather(&record, bound);
    int action = keyAction(bound, inputScreenMask(), code);
    if (heldKeyCount < heldKeyMax) heldKeys[heldKeyCount++] = {code, action};
    if (action >= 0)
        inputAction(SOURCE_KEYBOARD, action, 1);
    else if (typeOf[screenInUse] && code > 0 && code < KEY_SPECIAL)
        typeOf[screenInUse]((unsigned char)code);
}

// -1 releases every held key (without releasing the actions: inputReleaseAll does that).
void inputKeyUp(int code) {
    if (code < 0) {
        heldKeyCount = 0;
        return;
    }
    for (int i = 0; i < heldKeyCount; i++)
        if (heldKeys[i].code == code) return releaseHeldKey(i);
    for (int i = 0; i < heldKeyCount; i++)
        if (shiftPartners(heldKeys[i].code, code)) return releaseHeldKey(i);
    // A character that no held key became (Shift on another layout): every held character key
    // goes, rather than one staying down for good.
    if (code >= KEY_SPECIAL) return;
    for (int i = heldKeyCount - 1; i >= 0; i--)
        if (heldKeys[i].code < KEY_SPECIAL) releaseHeldKey(i);
}

static void charDown(unsigned char key, int, int) {
    inputKeyDown(key);
}
static void charUp(unsigned char key, int, int) {
    inputKeyUp(key);
}
static void specialDown(int key, int, int) {
    inputKeyDown(KEY_SPECIAL + key);
}
static void specialUp(int key, int, int) {
    inputKeyUp(KEY_SPECIAL + key);
}

// ---- The mouse source.

static int warpCount;
static float lookYaw, lookPitch; // the pointer's turn since the last step took it, in degrees

void inputTakeLook(float* yaw, float* pitch) {
    *yaw = lookYaw, *pitch = lookPitch;
    lookYaw = lookPitch = 0;
}

int inputMouseWarpCount() {
    return warpCount;
}

void inputMouseRecentre() {
    warpCount++;
    lastMouseX = record.windowWidth / 2;
    lastMouseY = record.windowHeight / 2;
    ignoreNextMotion = 1; // where the pointer is after the jump is only recorded
    glutWarpPointer(lastMouseX, lastMouseY);
}

void mouseLook(int x, int y) {
    // A halted game does not turn, and resuming it does not turn by what the pointer did meanwhile;
    // nor does the pointer turn the game while another window has the keyboard.
    if (ignoreNextMotion || !record.running || bossScreen != 0 || !inputHasFocus()) {
        lastMouseX = x;
        lastMouseY = y;
        ignoreNextMotion = 0;
        return;
    }
    // The turn waits for the step, which takes it in its input record.
    float rise = float(record.invertMouse ? lastMouseY - y : y - lastMouseY);
    lookYaw += float(x - lastMouseX) * mouseDegreesPerPixel * float(record.mouseSpeed);
    lookPitch += rise * mouseDegreesPerPixel * float(record.mouseSpeed);
    lastMouseX = x;
    lastMouseY = y;
    // Back towards the centre once the pointer strayed a quarter of the window from it. The jump is
    // by the distance seen, so that motion on its way meanwhile lands beside the centre and is
    // counted at the next step.
    const int w = record.windowWidth, h = record.windowHeight;
    if (abs(x - w / 2) > w / 4 || abs(y - h / 2) > h / 4) {
        warpCount++;
        inputPointerMoveBy(w / 2 - x, h / 2 - y);
        lastMouseX = w / 2;
        lastMouseY = h / 2;
    }
}

void inputMouseStep() {
    static int lastOriginX, lastOriginY;
    int x = 0, y = 0, originX = 0, originY = 0;
    if (screenInUse != INPUT_GAME || !inputPointerPlace(&x, &y, &originX, &originY)) return;
    // A window that moved under the pointer is no turn.
    if (originX != lastOriginX || originY != lastOriginY) ignoreNextMotion = 1;
    lastOriginX = originX, lastOriginY = originY;
    mouseLook(x, y);
}

void mouseButton(int button, int state, int, int) {
    if (button == GLUT_LEFT_BUTTON) inputAction(SOURCE_MOUSE, ACTION_SHOOT, state == GLUT_DOWN);
}

// ---- The screens' callbacks.

static void focusTimer(int) {
    inputPollFocus();
    if (pollWith) pollWith(); // also while the game is halted and runs no idle callback
    glutTimerFunc(50, focusTimer, 0);
}

void inputPollWith(void (*poll)()) {
    pollWith = poll;
}

void inputSetScreen(int screen) {
    screenInUse = screen;
    inputReleaseAll();
    ignoreNextMotion = 1; // where the pointer went on the screen before is no turn
}

void inputUse(int screen) {
    static int timerRunning;
    inputSetScreen(screen);
    glutKeyboardFunc(charDown);
    glutKeyboardUpFunc(charUp);
    glutSpecialFunc(specialDown);
    glutSpecialUpFunc(specialUp);
    // The pointer is read at every game step (inputMouseStep), wherever it went meanwhile.
    glutPassiveMotionFunc(nullptr);
    glutMotionFunc(nullptr);
    glutMouseFunc(screen == INPUT_GAME ? mouseButton : nullptr);
    if (!timerRunning) glutTimerFunc(50, focusTimer, 0);
    timerRunning = 1;
}
