// SPDX-License-Identifier: GPL-3.0-or-later
// The game screen's frame: the update in gameIdle and the drawing in gameDisplay.
#include "app/game_frame.h"
#include <GL/freeglut.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "app/captions.h"
#include "app/end_screen.h"
#include "app/ghost.h"
#include "app/input.h"
#include "app/mines.h"
#include "app/lang.h"
#include "app/pad.h"
#include "app/record.h"
#include "app/replay_play.h"
#include "app/replay_record.h"
#include "app/game_state.h"
#include "app/game_step.h"
#include "app/game_update.h"
#include "app/startup.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/rider.h"
#include "game/items.h"
#include "image/picture.h"
#include "image/tga.h"
#include "image/texture.h"
#include "maze/maze.h"
#include "maze/maze_draw.h"
#include "scene/creatures.h"
#include "scene/lamp.h"
#include "setup/setup.h"
#include "sound/sound.h"
#include "text/font.h"
#include "text/hud.h"
#include "text/texts.h"

static int dialogOpen;   // 1 while the settings dialog runs inside the game
static int windowHidden; // 1 while the window is hidden or iconified

static const float green[4] = {0, 1, 0, 1};
static const float red[4] = {1, 0, 0, 1};
static const float white[4] = {1, 1, 1, 0};

void gameSoundHold() {
    soundPause(!record.running || bossScreen != 0 || dialogOpen || windowHidden);
}

void gameResume() {
    // The boss picture outlasts a pause: it keeps the game halted and silent until B.
    if (bossScreen != 0) {
        gameSoundHold();
        glutPostRedisplay();
        return;
    }
    record.nowCount = timingNow();
    glutIdleFunc(gameIdle);
    gameSoundHold();
    resyncAfterPause();
    frameDone();
}

void gameSettingsDialog() {
    gameFieldOfViewKeep(); // the dialog reads the file
    dialogOpen = 1;
    gameSoundHold();
    setupShow(1);
    setupLoad(&record);
    langApply(record.language);
    dialogOpen = 0;
    // A game that runs in a window stays in it, whatever mode the file asks for at the next start.
    if (!glutGameModeGet(GLUT_GAME_MODE_ACTIVE))
        memset(record.gameModeString, 0, sizeof record.gameModeString);
    setupRequested = 0;
    stencilValid = 0;
    soundSetVolume(record.soundVolume);
    soundLoopHere(0, SOUND_AMBIENCE); // a device opened just now starts the hum; a playing one goes on
    gameSoundHold();
    inputReleaseAll(); // their releases went to the dialog
    applyShadeMode();
    if (applyTextureMode()) fontBuildLists(&imgFont);
    glutPostRedisplay();
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

void gamePress(int action) {
    switch (action) {
    case ACTION_RIDE:
    case ACTION_SHOOT:
        break; // taken by the next step, in the order the presses came
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
        if (replayPlaying()) break; // a replay changes no settings
        setupRequested = 1;
        // A halted game runs no update that would open the dialog: it opens now and the game stays
        // halted.
        if (!record.running || bossScreen != 0) gameSettingsDialog();
        break;
    default:
        inputSwitchPress(action);
        break;
    }
}

// The step's input record from the sources: the presses since the last step in the order they
// came, the held actions after them, the pointer's turn and the sticks.
void gameGather(StepInput* in) {
    memset(in, 0, sizeof *in);
    inputStepBegin();
    const int* presses = nullptr;
    const int count = inputStepPresses(&presses);
    for (int i = 0; i < count; i++) gameStepPress(in, presses[i]);
    in->held = gameStepHeldNow();
    inputTakeLook(&in->lookYaw, &in->lookPitch);
    float sticks[4];
    padSticks(sticks);
    in->walkX = sticks[0], in->walkY = sticks[1], in->lookX = sticks[2], in->lookY = sticks[3];
}

void gameIdle() {
    if (!record.running) { // paused from the start (running 0 in the settings)
        glutIdleFunc(nullptr);
        return;
    }
    if (setupRequested) {
        // The dialog runs inside this update; the time it was open is not frame time.
        gameSettingsDialog();
        gameResume();
    }
    if (replayPlaying()) {
        // The recorded steps instead of the player's input; the frame clock only for the frame rate.
        timingFrameTicks();
        const int over = replayPlayFrame();
        frameDone();
        // The recorded run was left here: its end screen fades in from black, as after a fade-out.
        if (over == 2) gameState.fadeState = 4;
        if (over) {
            record.finalTime = record.gameTime;
            enterEndScreen();
        }
        return;
    }
    // The pad's events before the step: a button acts at the step's start, never between moves.
    if (padConnected()) padPoll();
    if (!record.running || bossScreen != 0) return; // the pad was unplugged: paused
    const int64_t ticks = timingFrameTicks();
    StepInput in;
    gameGather(&in);
    replayRecordFrame(ticks, &in);
    const int over = gameStep(&in, ticks);
    replayRecordStepped();
    frameDone();
    if (over) {
        record.finalTime = record.gameTime;
        replayRecordEnded();
        enterEndScreen();
    }
}

void gameVisibility(int state) {
    windowHidden = state != GLUT_VISIBLE;
    gameSoundHold();
    if (!record.running) return;
    if (state == GLUT_VISIBLE) {
        // The boss picture keeps the game halted until B; the time hidden is not play time.
        if (bossScreen == 2) return;
        timingRestartFrameClock();
        glutIdleFunc(gameIdle);
    } else {
        glutIdleFunc(nullptr);
        inputReleaseAll(); // a hidden window gets no key releases
    }
}

static void windowProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, recordStage().width, 0, recordStage().height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// In wireframe the lamp's opening stays white under the scene's lines: the counter strip gets a
// black ground there (only where the stencil lets through), so the additive glyphs show.
static void hudGround() {
    if (record.shadeMode != 0) return;
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 0, 0, 1);
    glRectf(0, 0, float(recordStage().width), 0.13f * float(recordStage().height));
    glEnable(GL_LIGHTING);
    restoreTexturing();
}

// The paused game's second line, naming the key that goes on ("Press P to go on"), or the pad's
// button when the pad was used last ("Press Start to go on").
static void pauseHintText(char* out, int size) {
    // A pad player reads the pad's button, when it has one for the pause.
    const int button = record.padButtons[ACTION_PAUSE];
    if (inputLastSource() == SOURCE_PAD && button >= 0 && button < PAD_INPUTS) {
        snprintf(out, size_t(size), textOf(TEXT_PAUSE_GO_ON), langPadButtonName(button));
        return;
    }
    int code = record.keys[ACTION_PAUSE];
    if (code == 0) code = keyActions[ACTION_PAUSE].defaultKey;
    snprintf(out, size_t(size), textOf(TEXT_PAUSE_GO_ON), langKeyName(code));
}

// The paused game says so in the middle of the glass, with the key that goes on.
static void drawPauseHint() {
    if (record.running || gameState.fadeState == 3) return;
    static const float colour[4] = {1, 1, 1, 1};
    const char* headline = textOf(TEXT_PAUSED);
    char line[64];
    pauseHintText(line, sizeof line);
    // A mine but the classic one names its code below, to be read out to a friend while playing.
    const char* code = minesIsClassic() ? "" : minesCodeLine();
    const Stage s = recordStage();
    const float h = float(s.height) / 20, w = h / 2;
    const float big = 2;
    const float x1 = 0.44f - float(strlen(headline)) * w * big / 2 / float(s.width);
    const float x2 = 0.44f - float(strlen(line)) * w / 2 / float(s.width);
    const float x3 = 0.44f - float(strlen(code)) * w / 2 / float(s.width);
    const float widest =
        std::max({float(strlen(headline)) * w * big, float(strlen(line)) * w, float(strlen(code)) * w});
    const float left = 0.44f * float(s.width) - widest / 2 - w;
    const float bottom = *code ? 0.41f : 0.48f;
    hudDrawTextGround(left, bottom * float(s.height) - h * 0.4f, left + widest + 2 * w,
                      0.57f * float(s.height) + h * 1.9f);
    fontDrawTextSized(x1, 0.57f, headline, colour, w * big, h * big * 0.9f);
    fontDrawTextSized(x2, 0.48f, line, colour, w, h);
    if (*code) fontDrawTextSized(x3, 0.41f, code, colour, w, h);
}

// A saved run waiting (no dialog offered it) is said high in the glass for the first seconds of play.
static void drawWaitingNotice() {
    const char* notice = minesWaitingNotice();
    if (!notice) return;
    static const float colour[4] = {1, 1, 1, 1};
    const Stage s = recordStage();
    const float h = float(s.height) / 24, w = h / 2;
    const char* newline = strchr(notice, '\n');
    const float first = newline ? float(newline - notice) : float(strlen(notice));
    const float second = newline ? float(strlen(newline + 1)) : 0;
    const float widest = std::max(first, second) * w;
    const float left = 0.44f * float(s.width) - widest / 2;
    const float top = 0.78f * float(s.height);
    // drawText-style lines go down from the first one's bottom by a line's height.
    hudDrawTextGround(left - w, top - h * 1.3f, left + widest + w, top + h * 1.1f);
    char line[64];
    snprintf(line, sizeof line, "%.*s", int(first), notice);
    fontDrawTextSized((0.44f * float(s.width) - first * w / 2) / float(s.width), 0.78f, line, colour, w, h);
    if (newline)
        fontDrawTextSized((0.44f * float(s.width) - second * w / 2) / float(s.width), 0.78f - 1.15f / 24,
                          newline + 1, colour, w, h);
}

// A replay says so, and at what speed, in a line of its own at the top of the glass.
static void drawReplayLine() {
    if (!replayPlaying()) return;
    static const float colour[4] = {1, 1, 1, 1};
    const char* line = replayPlayLine();
    const Stage s = recordStage();
    const float h = float(s.height) / 24, w = h / 2;
    const float width = float(strlen(line)) * w;
    const float left = 0.44f * float(s.width) - width / 2;
    const float y = 0.86f * float(s.height);
    hudDrawTextGround(left - w / 2, y - h * 0.15f, left + width + w / 2, y + h * 1.05f);
    fontDrawTextSized(left / float(s.width), 0.86f, line, colour, w, h);
}

// The captions near the bottom of the glass, above the counters' strip and clear of it where the
// glass is still wide enough for a line of 30 glyphs, each line centred on a dark ground of its own,
// the newest lowest.
static void drawCaptions() {
    const char* lines[captionLinesShown];
    const int n = captionLines(lines);
    if (n == 0) return;
    static const float colour[4] = {1, 1, 1, 1};
    const Stage s = recordStage();
    const float h = float(s.height) / 28, w = h / 2;
    for (int i = 0; i < n; i++) {
        const float width = float(strlen(lines[i])) * w;
        const float left = 0.44f * float(s.width) - width / 2;
        const float y = 0.235f * float(s.height) + float(n - 1 - i) * h * 1.25f;
        hudDrawTextGround(left - w / 2, y - h * 0.15f, left + width + w / 2, y + h * 1.05f);
        fontDrawTextSized(left / float(s.width), y / float(s.height), lines[i], colour, w, h);
    }
}

static void drawHud() {
    hudGround();
    int oil = int(itemsOilLeft() + 0.5f);
    int straw = int(itemsStrawLeft() + 0.5f);
    int diamonds = int(inventory[ROW_DIAMOND] + 0.5f);
    drawCounter(0.12f, 0.035f, oil, itemsOilLeft() >= float(record.fullLevel) ? green : red);
    drawCounter(0.29f, 0.035f, straw, itemsStrawLeft() >= float(record.fullLevel) ? green : red);
    drawCounter(0.46f, 0.035f, diamonds,
                inventory[ROW_DIAMOND] >= float(record.diamondsNeeded) ? green : red);
    hudDrawText(0.53f, 0.035f, riderLabel(), white);
    glCheckError();
    drawFps(0.01f, 0.2f, record.fps, white);
    glCheckError();
}

// The ghost of the stored run at the live run's game time, in the view; its place is handed to the
// map. 1 when there is one.
static int drawGhost() {
    GhostSample g;
    if (!ghostNow(&g)) return 0;
    Actor h{};
    h.x = g.horseX, h.z = g.horseZ, h.heading = g.horseHeading, h.distance = g.horseDistance;
    const float lamp[3] = {g.playerX, g.playerY, g.playerZ};
    // The glow fades out as it comes near the eye (the two runs begin in the same place).
    const float dx = g.playerX - player.x, dy = g.playerY - player.y, dz = g.playerZ - player.z;
    const float glow = std::min(1.0f, std::max(0.0f, (sqrtf(dx * dx + dy * dy + dz * dz) - 0.3f) / 0.6f));
    ghostDraw(&h, lamp, glow, player.heading, player.pitch);
    mapGhost(1, g.playerX, g.playerZ);
    return 1;
}

void gameDisplay() {
    // The boss picture stays until B, also over an expose or a resize.
    if (bossScreen != 0) {
        glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        bossScreen = 2;
        glDisable(GL_STENCIL_TEST);
        pictureBossLanguage(langSpoken() != LANG_DE);
        drawPicture(&imgBossFit);
        glEnable(GL_STENCIL_TEST);
        glutIdleFunc(nullptr);
        glutSwapBuffers();
        return;
    }
    if (frameDrawn == 1) stencilValid = 0; // an expose: the lamp frame may have been damaged
    if (record.shadeMode == 0) {
        stencilValid = 0;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else {
        glClear(GL_DEPTH_BUFFER_BIT);
    }
    restoreTexturing();
    glCheckError();
    lampLight();
    lampBrightness();
    if (exitDoor.pitch != 0) {
        glClear(GL_DEPTH_BUFFER_BIT);
        drawPicture(&imgDoorOpenFit);
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The view fills the stage (a minimised window's stage is still 1 pixel high).
    gluPerspective(record.fieldOfView, double(recordStage().width) / double(recordStage().height), 0.05,
                   16.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(player.pitch, 1, 0, 0);
    glRotatef(player.heading, 0, 1, 0);
    glTranslatef(-player.x, -player.y, -player.z);
    // The lamp swings up and down with the player's stride.
    const float lamp[4] = {player.x, player.y + sinf(player.distance * 8) * 0.06f, player.z, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, lamp);
    // The opaque scene replaces what lies under it: blending, which adds nothing to it but the
    // reading of every pixel, is off while it draws.
    glDisable(GL_BLEND);
    // Only where the lamp frame lets the scene through: nothing is made outside those boxes.
    int boxes[lampMaxBoxes][4];
    const int count = lampOpeningBoxes(boxes);
    mazeDrawInBoxes(&maze, &player, &exitDoor, boxes, count);
    horseDraw(&horse);
    glEnable(GL_BLEND);
    mazeDrawTranslucentInstances();
    shotDraw(&shot);
    const int ghostShown = drawGhost();
    windowProjection();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL); // the map, the counters and the fade, also in wireframe
    glCheckError();
    if (!ghostShown) mapGhost(0, 0, 0);
    mapDraw();
    glCheckError();
    glEnable(GL_TEXTURE_2D);
    drawHud();
    drawCaptions();
    drawReplayLine();
    drawWaitingNotice();
    drawPauseHint();
    drawFadeVeil(gameState.fadeState, gameState.fadeLevel);
    restoreShadeMode();
    glutSwapBuffers();
    frameDrawn = 1;
    startupFrameDrawn();
}
