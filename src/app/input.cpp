// Keyboard and mouse callbacks.
#include "app/input.h"
#include <GL/freeglut.h>
#include <cmath>
#include <cstdlib>
#include "app/game_frame.h"
#include "app/record.h"
#include "app/timing.h"
#include "game/actor.h"
#include "image/texture.h"
#include "setup/key_table.h"
#include "sound/sound.h"
#include "text/hud.h"
#include "text/texts.h"

int keyLeft, keyUp, keyRight, keyDown;
int keyPageUp, keyPageDown, keyHome;
int keyFovDown, keyFovUp;
int setupRequested;
int lastMouseX, lastMouseY;

// The turn per pixel of pointer motion and mouse speed: the same at every frame rate.
static const float mouseDegreesPerPixel = 1.0f / 60.0f;

static const SwitchText shadeMessages[3] = {SWITCH_WIREFRAME, SWITCH_FLAT, SWITCH_SMOOTH};
static const SwitchText textureMessages[3] = {SWITCH_TEXTURES_OFF, SWITCH_TEXTURES_ON, SWITCH_MIPMAPS_ON};

static void toggleFullScreen() {
    if (record.gameModeString[0] != 0) return; // the game mode has no window to resize
    stencilValid = 0;
    if (record.fullScreen) {
        glutReshapeWindow(record.windowedWidth, record.windowedHeight);
        record.fullScreen = 0;
        showMessage(switchText(SWITCH_FULL_SCREEN_OFF));
    } else {
        glutFullScreen();
        record.fullScreen = 1;
        showMessage(switchText(SWITCH_FULL_SCREEN_ON));
    }
}

void debugKeys(unsigned char key) {
    if (key < 27 || key > 117) return;
    switch (key) {
    case 27:
        exit(0);
    case ' ':
        if (shotState == 0) shotState = 1;
        showMessage(switchText(SWITCH_SHOOT));
        break;
    case 'D':
    case 'd':
        record.distanceLod = !record.distanceLod;
        showMessage(switchText(record.distanceLod ? SWITCH_DISTANCE_DETAIL_ON : SWITCH_DISTANCE_DETAIL_OFF));
        break;
    case 'F':
    case 'f':
        toggleFullScreen();
        break;
    case 'I':
    case 'i':
        record.showFps = !record.showFps;
        showMessage(switchText(record.showFps ? SWITCH_FPS_ON : SWITCH_FPS_OFF));
        break;
    case 'L':
        record.lodLevel = record.lodLevel + 1 > 3 ? 0 : record.lodLevel + 1;
        showMessage(switchText(SWITCH_DETAIL, record.lodLevel));
        break;
    case 'l':
        record.lodLevel = record.lodLevel - 1 < 0 ? 3 : record.lodLevel - 1;
        showMessage(switchText(SWITCH_DETAIL, record.lodLevel));
        break;
    case 'O':
    case 'o':
        portalCulling = !portalCulling;
        showMessage(switchText(portalCulling ? SWITCH_PORTALS_ON : SWITCH_PORTALS_OFF));
        break;
    case 'R':
    case 'r':
        stencilValid = 0;
        showMessage(switchText(SWITCH_FRAME_REDRAWN));
        break;
    case 'S':
    case 's':
        record.shadeMode = record.shadeMode + 1 > 2 ? 0 : record.shadeMode + 1;
        applyShadeMode();
        showMessage(switchText(shadeMessages[record.shadeMode]));
        break;
    case 'T':
    case 't':
        record.textureMode = record.textureMode + 1 > 2 ? 0 : record.textureMode + 1;
        applyTextureMode();
        showMessage(switchText(textureMessages[record.textureMode]));
        break;
    case 'U':
    case 'u':
        record.useDisplayLists = !record.useDisplayLists;
        showMessage(switchText(record.useDisplayLists ? SWITCH_LISTS_ON : SWITCH_LISTS_OFF));
        break;
    case 'b':
        backfaceCull = !backfaceCull;
        if (backfaceCull) {
            glEnable(GL_CULL_FACE);
            showMessage(switchText(SWITCH_CULLING_ON));
        } else {
            glDisable(GL_CULL_FACE);
            showMessage(switchText(SWITCH_CULLING_OFF));
        }
        break;
    default:
        break;
    }
}

void gameKeyboard(unsigned char key, int, int) {
    debugKeys(key);
    if (key == 'H' || key == 'h') {
        if (record.running && bossScreen == 0) riderToggle();
    } else if (key == 'B') {
        if (bossScreen == 0) {
            // Shown by the next drawing, also while paused.
            bossScreen = 1;
            soundPause(1);
            glutPostRedisplay();
        } else {
            bossScreen = 0;
            stencilValid = 0;
            // A pause (P) outlasts the boss picture: only a running game starts moving again.
            if (record.running)
                gameResume();
            else
                glutPostRedisplay();
        }
    } else if (key == 'P' || key == 'p') {
        record.running = !record.running;
        if (record.running)
            gameResume();
        else
            glutIdleFunc(nullptr);
        glutPostRedisplay(); // the paused game shows its hint
        soundPause(!record.running);
    } else if (key == 'M' || key == 'm') {
        muteKey();
    }
}

void muteKey() {
    int muted = soundToggleMute();
    showMessage(switchText(muted == 1 ? SWITCH_SOUND_OFF : muted == 0 ? SWITCH_SOUND_ON : SWITCH_NO_SOUND));
}

// The flag a special key holds, or null for keys the game does not use.
static int* heldFlag(int key) {
    switch (key) {
    case GLUT_KEY_F1:
        return &setupRequested;
    case GLUT_KEY_F9:
        return &keyFovDown;
    case GLUT_KEY_F10:
        return &keyFovUp;
    case GLUT_KEY_LEFT:
        return &keyLeft;
    case GLUT_KEY_UP:
        return &keyUp;
    case GLUT_KEY_RIGHT:
        return &keyRight;
    case GLUT_KEY_DOWN:
        return &keyDown;
    case GLUT_KEY_PAGE_UP:
        return &keyPageUp;
    case GLUT_KEY_PAGE_DOWN:
        return &keyPageDown;
    case GLUT_KEY_HOME:
        return &keyHome;
    default:
        return nullptr;
    }
}

void specialDown(int key, int, int) {
    if (key < 1 || key > 106) return;
    int* flag = heldFlag(key);
    if (!flag) return;
    *flag = 1;
    if (key == GLUT_KEY_PAGE_UP || key == GLUT_KEY_PAGE_DOWN || key == GLUT_KEY_HOME)
        routePhase = horseRoutePhase = 0;
    // A halted game runs no update that would open the dialog: it opens now and the game stays halted.
    if (key == GLUT_KEY_F1 && (!record.running || bossScreen != 0)) gameSettingsDialog();
}

void specialUp(int key, int, int) {
    if (key < 1 || key > 106 || key == GLUT_KEY_F1) return; // the F1 request stays until it is served
    int* flag = heldFlag(key);
    if (flag) *flag = 0;
}

void clearKeys() {
    keyLeft = keyUp = keyRight = keyDown = 0;
    keyPageUp = keyPageDown = keyHome = 0;
    keyFovDown = keyFovUp = 0;
}

void mouseLook(int x, int y) {
    // A halted game does not turn, and resuming it does not turn by what the pointer did meanwhile.
    if (ignoreNextMotion || !record.running || bossScreen != 0) {
        lastMouseX = x;
        lastMouseY = y;
        ignoreNextMotion = 0;
        return;
    }
    player.heading += float(x - lastMouseX) * mouseDegreesPerPixel * float(record.mouseSpeed);
    float rise = float(record.invertMouse ? lastMouseY - y : y - lastMouseY);
    player.pitch += rise * mouseDegreesPerPixel * float(record.mouseSpeed);
    // One wrap is the usual case; fmod also covers a turn of more than a full circle after a
    // long frame.
    if (player.heading > 360 || player.heading < 0) {
        player.heading = fmodf(player.heading, 360.0f);
        if (player.heading < 0) player.heading += 360;
    }
    if (player.pitch > 40) player.pitch = 40;
    if (player.pitch < -40) player.pitch = -40;
    lastMouseX = x;
    lastMouseY = y;
    ignoreNextMotion = 1;
    glutWarpPointer(record.windowWidth / 2, record.windowHeight / 2);
}

void mouseButton(int button, int state, int, int) {
    if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN && shotState == 0) shotState = 1;
}

// ---- The game's keys as the player set them (record.keys). A press of an action's key acts as the
// action's default key does in the callbacks above; a default key whose action was given another key
// does nothing; every other key (the rendering switches, Escape) goes on as it is.

int keyActionOf(int pressed) {
    for (int a = 0; a < ACTION_COUNT; a++)
        if (keyMatches(record.keys[a], pressed)) return a;
    return -1;
}

static void pressAs(int code, int down) {
    if (code >= KEY_SPECIAL)
        (down ? specialDown : specialUp)(code - KEY_SPECIAL, 0, 0);
    else if (down)
        gameKeyboard((unsigned char)code, 0, 0);
}

static void boundKey(int pressed, int down) {
    int action = keyActionOf(pressed);
    if (action >= 0) {
        pressAs(keyActions[action].defaultKey, down);
        return;
    }
    for (const KeyActionRow& a : keyActions)
        if (keyMatches(a.defaultKey, pressed)) return;
    pressAs(pressed, down);
}

void gameKeyDown(unsigned char key, int, int) {
    boundKey(key, 1);
}

void gameKeyUp(unsigned char key, int, int) {
    boundKey(key, 0);
}

void gameSpecialDown(int key, int, int) {
    boundKey(KEY_SPECIAL + key, 1);
}

void gameSpecialUp(int key, int, int) {
    boundKey(KEY_SPECIAL + key, 0);
}
