// SPDX-License-Identifier: GPL-3.0-or-later
// Input by action: the held states, each action's press, the keyboard and the mouse sources.
#include "app/input.h"
#include <GL/freeglut.h>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include "app/end_screen.h"
#include "app/game_frame.h"
#include "app/lang.h"
#include "app/pad.h"
#include "app/record.h"
#include "app/screens.h"
#include "app/timing.h"
#include "game/actor.h"
#include "game/rider.h"
#include "image/texture.h"
#include "image/tga.h"
#include "sound/sound.h"
#include "text/font.h"
#include "text/hud.h"
#include "text/texts.h"

int actionHeld[ACTION_ALL];
int setupRequested;
int lastMouseX, lastMouseY;

static int screenInUse;
static unsigned heldBy[ACTION_ALL]; // one bit per source holding the action

// The turn per pixel of pointer motion and mouse speed: the same at every frame rate.
static const float mouseDegreesPerPixel = 1.0f / 60.0f;

static const SwitchText shadeMessages[3] = {SWITCH_WIREFRAME, SWITCH_FLAT, SWITCH_SMOOTH};
static const SwitchText textureMessages[3] = {SWITCH_TEXTURES_OFF, SWITCH_TEXTURES_ON, SWITCH_MIPMAPS_ON};

int inputScreen() {
    return screenInUse;
}

void inputReleaseAll() {
    memset(heldBy, 0, sizeof heldBy);
    memset(actionHeld, 0, sizeof actionHeld);
    keyboardUp(-1);
}

void inputAction(int source, int action, int down) {
    if (action < 0 || action >= ACTION_ALL) return;
    // The timedemo's walk is the same in every run: nothing but Escape counts.
    if (screenInUse == INPUT_TIMEDEMO && action != ACTION_QUIT) return;
    if (down) {
        heldBy[action] |= 1u << source;
        actionHeld[action] = 1;
        inputPress(action);
    } else {
        heldBy[action] &= ~(1u << source);
        actionHeld[action] = heldBy[action] != 0;
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

// The rendering switches and Escape; 0 for any other action.
static int switchPress(int action) {
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

static void readyShot() {
    if (shotState == 0) shotState = 1;
    showMessage(textSwitch(SWITCH_SHOOT));
}

static void toggleBoss() {
    if (bossScreen == 0) {
        // Shown by the next drawing, also while paused.
        bossScreen = 1;
        gameSoundHold();
        glutPostRedisplay();
        return;
    }
    bossScreen = 0;
    stencilValid = 0;
    // A pause outlasts the boss picture: only a running game starts moving again.
    if (record.running)
        gameResume();
    else
        glutPostRedisplay();
}

static void togglePause() {
    record.running = !record.running;
    if (record.running)
        gameResume();
    else
        glutIdleFunc(nullptr);
    glutPostRedisplay(); // the paused game shows its hint
    gameSoundHold();
}

static void gamePress(int action) {
    switch (action) {
    case ACTION_RIDE:
        if (record.running && bossScreen == 0) riderToggle();
        break;
    case ACTION_SHOOT:
        readyShot();
        break;
    case ACTION_BOSS:
        toggleBoss();
        break;
    case ACTION_PAUSE:
        togglePause();
        break;
    case ACTION_MUTE:
        inputMuteKey();
        break;
    case ACTION_SETTINGS:
        setupRequested = 1;
        // A halted game runs no update that would open the dialog: it opens now and the game stays
        // halted.
        if (!record.running || bossScreen != 0) gameSettingsDialog();
        break;
    default:
        switchPress(action);
        break;
    }
}

static void storyPress(int action) {
    if (action == ACTION_CONFIRM)
        storyConfirm();
    else if (action == ACTION_STORY_PAUSE) {
        readyShot();
        storyPauseToggle();
    } else if (action == ACTION_MUTE)
        inputMuteKey();
    else
        switchPress(action);
}

static void endPress(int action) {
    switch (action) {
    case ACTION_CONFIRM:
        nameEntryConfirm();
        break;
    case ACTION_NAME_DELETE:
        nameEntryDelete();
        break;
    case ACTION_NAME_NEXT:
        nameEntryNextLetter();
        break;
    case ACTION_LETTER_UP:
        nameEntryTurnLetter(1);
        break;
    case ACTION_LETTER_DOWN:
        nameEntryTurnLetter(-1);
        break;
    default:
        break;
    }
}

void inputPress(int action) {
    switch (screenInUse) {
    case INPUT_STORY:
        storyPress(action);
        break;
    case INPUT_GAME:
        gamePress(action);
        break;
    case INPUT_END:
        endPress(action);
        break;
    case INPUT_TIMEDEMO:
        if (action == ACTION_QUIT) exit(0);
        break;
    default:
        break;
    }
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

void keyboardDown(int code) {
    for (int i = 0; i < heldKeyCount; i++)
        if (heldKeys[i].code == code) return; // a repeat
    int action = keyAction(record.keys, inputScreenMask(), code);
    if (heldKeyCount < heldKeyMax) heldKeys[heldKeyCount++] = {code, action};
    if (action >= 0)
        inputAction(SOURCE_KEYBOARD, action, 1);
    else if (screenInUse == INPUT_END && code > 0 && code < KEY_SPECIAL)
        nameEntryType((unsigned char)code);
}

// -1 releases every held key (without releasing the actions: inputReleaseAll does that).
void keyboardUp(int code) {
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
    keyboardDown(key);
}
static void charUp(unsigned char key, int, int) {
    keyboardUp(key);
}
static void specialDown(int key, int, int) {
    keyboardDown(KEY_SPECIAL + key);
}
static void specialUp(int key, int, int) {
    keyboardUp(KEY_SPECIAL + key);
}

// ---- The mouse source.

static int warpPending, warpX, warpY; // a warp asked for whose motion event has not come yet
static int warpCount;

int mouseWarpCount() {
    return warpCount;
}

void mouseRecentre() {
    warpCount++;
    warpX = record.windowWidth / 2;
    warpY = record.windowHeight / 2;
    warpPending = 1;
    glutWarpPointer(warpX, warpY);
}

void mouseLook(int x, int y) {
    // The warp's own event: the pointer jumped, it did not move. Events queued before it still
    // count, from where the pointer was.
    if (warpPending && x == warpX && y == warpY) {
        warpPending = 0;
        ignoreNextMotion = 0; // the jump a resync waits for was this warp
        lastMouseX = x;
        lastMouseY = y;
        return;
    }
    // A halted game does not turn, and resuming it does not turn by what the pointer did meanwhile.
    if ((ignoreNextMotion && !warpPending) || !record.running || bossScreen != 0) {
        lastMouseX = x;
        lastMouseY = y;
        ignoreNextMotion = 0;
        return;
    }
    player.heading += float(x - lastMouseX) * mouseDegreesPerPixel * float(record.mouseSpeed);
    float rise = float(record.invertMouse ? lastMouseY - y : y - lastMouseY);
    player.pitch += rise * mouseDegreesPerPixel * float(record.mouseSpeed);
    // One wrap is the usual case; fmod also covers a turn of more than a full circle.
    if (player.heading > 360 || player.heading < 0) {
        player.heading = fmodf(player.heading, 360.0f);
        if (player.heading < 0) player.heading += 360;
    }
    if (player.pitch > 40) player.pitch = 40;
    if (player.pitch < -40) player.pitch = -40;
    lastMouseX = x;
    lastMouseY = y;
    // Back to the centre once the pointer strayed a quarter of the window from it, so that it never
    // reaches the window's edge; between warps every event is a plain move.
    const int w = record.windowWidth, h = record.windowHeight;
    if (abs(x - w / 2) > w / 4 || abs(y - h / 2) > h / 4) mouseRecentre();
}

void mouseButton(int button, int state, int, int) {
    if (button == GLUT_LEFT_BUTTON) inputAction(SOURCE_MOUSE, ACTION_SHOOT, state == GLUT_DOWN);
}

// ---- The screens' callbacks.

static void focusTimer(int) {
    inputPollFocus();
    padPoll(); // also while the game is halted and runs no idle callback
    glutTimerFunc(50, focusTimer, 0);
}

void inputSetScreen(int screen) {
    screenInUse = screen;
    inputReleaseAll();
    warpPending = 0;
}

void inputUse(int screen) {
    static int timerRunning;
    inputSetScreen(screen);
    glutKeyboardFunc(charDown);
    glutKeyboardUpFunc(charUp);
    glutSpecialFunc(specialDown);
    glutSpecialUpFunc(specialUp);
    const int look = screen == INPUT_GAME;
    glutPassiveMotionFunc(look ? mouseLook : nullptr);
    glutMotionFunc(look ? mouseLook : nullptr);
    glutMouseFunc(look ? mouseButton : nullptr);
    if (!timerRunning) glutTimerFunc(50, focusTimer, 0);
    timerRunning = 1;
}
