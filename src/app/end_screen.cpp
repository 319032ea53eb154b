// SPDX-License-Identifier: GPL-3.0-or-later
// The end screen's callbacks.
#include "app/end_screen.h"
#include <GL/freeglut.h>
#include <cstdlib>
#include "app/game_sound.h"
#include "app/game_state.h"
#include "app/game_update.h"
#include "app/input.h"
#include "app/mines.h"
#include "app/record.h"
#include "app/replay_play.h"
#include "app/reshape.h"
#include "app/timing.h"
#include "image/tga.h"
#include "image/texture.h"
#include "text/font.h"
#include "text/hud.h"

static const float white[4] = {1, 1, 1, 0};

void enterEndScreen() {
    // Decision for the lost run (the arrow hit the horse): it earns no place.
    gameState.hallRank = minesRunEnded(gameWon() && record.finalTime > 0, record.finalTime);
    gameSoundsEnd(replayPlayLeft() ? -1 : gameWon());
    glDisable(GL_LIGHTING);
    glDisable(GL_STENCIL_TEST);
    nameEntryBegin();
    // A watched replay's end takes no name: any key leaves it, as Enter does.
    inputHandle(INPUT_END, endPress, replayPlaying() ? endLeaveKey : nameEntryType);
    inputUse(INPUT_END);
    glutReshapeFunc(endReshape);
    glutDisplayFunc(endDisplay);
    glutVisibilityFunc(endVisibility);
    glutIdleFunc(endIdle);
    fadeIn();
    timerReset();
}

// The picture behind the texts keeps 30 percent of its brightness.
static void darkPanel() {
    float w = float(recordStage().width);
    float h = float(recordStage().height);
    glDisable(GL_LIGHTING);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 0, 0, 0.3f);
    glBegin(GL_QUADS);
    // Wide enough for place, time, a name of 31 letters and the arrow; low enough for the hint.
    glVertex2f(0.02f * w, 0.04f * h);
    glVertex2f(0.98f * w, 0.04f * h);
    glVertex2f(0.98f * w, 0.85f * h);
    glVertex2f(0.02f * w, 0.85f * h);
    glEnd();
    restoreTexturing();
    glBlendFunc(GL_ONE, GL_ZERO);
    glEnable(GL_LIGHTING);
}

// The frame rate in the strip under the panel (below 4 % of the stage's height), in glyphs small
// enough to keep a pixel clear of the panel's edge at every size.
static void endFps() {
    if (!record.showFps) return;
    char text[32];
    hudFormatFps(record.fps, text);
    const float h = 0.028f * float(recordStage().height);
    fontDrawTextSized(0.01f, 0.004f, text, white, h / 2, h);
}

void endDisplay() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawPicture(gameWon() ? &imgLastPicFit : &imgBadDragonFit);
    darkPanel();
    EndLine lines[endLineMax];
    int count = endScreenLines(lines);
    for (int i = 0; i < count; ++i) drawText(lines[i].x, lines[i].y, lines[i].text, white);
    endFps();
    drawFade(&gameState.fadeState, &gameState.fadeLevel);
    glutSwapBuffers();
}

void endIdle() {
    frameTimeUpdate();
    frameDone();
    if (gameState.fadeState == 4) exit(0);
}

void endVisibility(int state) {
    if (!record.running) return;
    if (state == GLUT_VISIBLE) {
        timingRestartFrameClock();
        glutIdleFunc(endIdle);
    } else {
        glutIdleFunc(nullptr);
    }
}

void endLeaveKey(unsigned char) {
    nameEntryConfirm();
}

void endPress(int action) {
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
