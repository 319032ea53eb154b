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
#include "sound/sound.h"
#include "text/hud.h"

int keyLeft, keyUp, keyRight, keyDown;
int keyPageUp, keyPageDown, keyHome;
int keyFovDown, keyFovUp;
int setupRequested;
int lastMouseX, lastMouseY;

static const char* const shadeMessages[3] = {"Wireframe", "Flat shading", "Smooth shading"};
static const char* const textureMessages[3] = {"no Texture", "Texture", "MipMaps"};

static void toggleFullScreen() {
    if (record.gameModeString[0] != 0) return; // the game mode has no window to resize
    stencilValid = 0;
    if (record.fullScreen) {
        glutReshapeWindow(record.windowedWidth, record.windowedHeight);
        record.fullScreen = 0;
        showMessage("FullScreen off");
    } else {
        glutFullScreen();
        record.fullScreen = 1;
        showMessage("FullScreen on");
    }
}

void debugKeys(unsigned char key) {
    if (key < 27 || key > 117) return;
    switch (key) {
    case 27:
        exit(0);
    case ' ':
        if (shotState == 0) shotState = 1;
        showMessage("Shoot");
        break;
    case 'D':
    case 'd':
        record.distanceLod = !record.distanceLod;
        showMessage(record.distanceLod ? "static LOD" : "no static LOD");
        break;
    case 'F':
    case 'f':
        toggleFullScreen();
        break;
    case 'I':
    case 'i':
        record.showFps = !record.showFps;
        showMessage(record.showFps ? "FPS on" : "FPS off");
        break;
    case 'L':
        record.lodLevel = record.lodLevel + 1 > 3 ? 0 : record.lodLevel + 1;
        showMessage("LOD");
        break;
    case 'l':
        record.lodLevel = record.lodLevel - 1 < 0 ? 3 : record.lodLevel - 1;
        showMessage("LOD");
        break;
    case 'O':
    case 'o':
        portalCulling = !portalCulling;
        showMessage(portalCulling ? "Portal on" : "no Portal");
        break;
    case 'R':
    case 'r':
        stencilValid = 0;
        showMessage("Repair Stencil");
        break;
    case 'S':
    case 's':
        record.shadeMode = record.shadeMode + 1 > 2 ? 0 : record.shadeMode + 1;
        applyShadeMode();
        showMessage(shadeMessages[record.shadeMode]);
        break;
    case 'T':
    case 't':
        record.textureMode = record.textureMode + 1 > 2 ? 0 : record.textureMode + 1;
        applyTextureMode();
        showMessage(textureMessages[record.textureMode]);
        break;
    case 'U':
    case 'u':
        record.useDisplayLists = !record.useDisplayLists;
        showMessage(record.useDisplayLists ? "DisplList" : "no DisplList");
        break;
    case 'M':
    case 'm':
        switch (soundToggleMute()) {
        case 1:
            showMessage("Sound off");
            break;
        case 0:
            showMessage("Sound on");
            break;
        default:
            showMessage("no Sound");
        }
        break;
    case 'b':
        backfaceCull = !backfaceCull;
        if (backfaceCull) {
            glEnable(GL_CULL_FACE);
            showMessage("BF Cull on");
        } else {
            glDisable(GL_CULL_FACE);
            showMessage("no BF Cull");
        }
        break;
    default:
        break;
    }
}

void gameKeyboard(unsigned char key, int, int) {
    debugKeys(key);
    if (key == 'B') {
        if (bossScreen == 0) {
            bossScreen = 1;
            soundPause(1);
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
        soundPause(!record.running);
    }
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
    if (key == GLUT_KEY_PAGE_UP || key == GLUT_KEY_PAGE_DOWN || key == GLUT_KEY_HOME) routePhase = 0;
}

void specialUp(int key, int, int) {
    if (key < 1 || key > 106) return;
    int* flag = heldFlag(key);
    if (flag) *flag = 0;
}

void clearKeys() {
    keyLeft = keyUp = keyRight = keyDown = 0;
    keyPageUp = keyPageDown = keyHome = 0;
    keyFovDown = keyFovUp = 0;
}

void mouseLook(int x, int y) {
    if (ignoreNextMotion) {
        lastMouseX = x;
        lastMouseY = y;
        ignoreNextMotion = 0;
        return;
    }
    player.heading += float(x - lastMouseX) * record.frameTime * float(record.mouseSpeed);
    float rise = float(record.invertMouse ? lastMouseY - y : y - lastMouseY);
    player.pitch += rise * record.frameTime * float(record.mouseSpeed);
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
