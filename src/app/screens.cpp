// SPDX-License-Identifier: GPL-3.0-or-later
// The story screen's callbacks and the entries of the story and game screens.
#include "app/screens.h"
#include <GL/freeglut.h>
#include "app/game_frame.h"
#include "app/game_state.h"
#include "app/input.h"
#include "app/mines.h"
#include "app/reshape.h"
#include "app/record.h"
#include "app/replay_play.h"
#include "app/replay_record.h"
#include "app/startup.h"
#include "app/timing.h"
#include "game/actor.h"
#include "image/tga.h"
#include "sound/sound.h"
#include "text/font.h"
#include "text/hud.h"

// The timing's frame end, with the window's redisplay.
void frameDone() {
    frameDrawn = 0;
    record.frameStartCount = record.nowCount;
    glutPostRedisplay();
}

static const float white[4] = {1, 1, 1, 0};

void enterStory() {
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    gameState.storyScroll = 0;
    gameState.storyPage = 0;
    inputHandle(INPUT_STORY, storyPress, nullptr);
    inputUse(INPUT_STORY);
    glutReshapeFunc(storyReshape);
    glutDisplayFunc(storyDisplay);
    glutVisibilityFunc(storyVisibility);
    // No idle callback yet: it starts when the window shows (storyVisibility) or on the space bar.
    fadeIn();
    timerReset();
}

void enterGame() {
    actorsPlaceForGame();
    gameSetHorseHit(0);
    glEnable(GL_LIGHTING);
    glLightf(GL_LIGHT0, GL_CONSTANT_ATTENUATION, 1.0f);
    glEnable(GL_STENCIL_TEST);
    inputHandle(INPUT_GAME, gamePress, replayPlaying() ? replayPlayType : nullptr);
    inputUse(INPUT_GAME);
    glutReshapeFunc(gameReshape);
    glutDisplayFunc(gameDisplay);
    glutVisibilityFunc(gameVisibility);
    glutIdleFunc(record.running ? gameIdle : nullptr); // a paused start waits for P
    gameSoundsStart();
    soundPause(!record.running);
    fadeIn();
    timerReset();
    gameStepFresh();
    float yaw, pitch;
    inputTakeLook(&yaw, &pitch); // a turn of the screen before is none
    minesGameEntered();
    replayRecordEnter(minesCodeText(), minesKeptRun());
}

void storyDisplay() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawPicture(&imgPosterFit);
    // The text rests left of the poster's figures (the mountain, the moon and the dragon) and
    // under its title.
    if (const char* page = storyPageText()) drawText(storyTextX, gameState.storyScroll, page, white);
    // A rendering switch's message, as the mine's status field shows it, low in the middle.
    char clock[32];
    if (hudStatusText("", clock) == record.messageText) drawText(0.3f, 0.02f, record.messageText, white);
    drawFps(0.01f, 0.01f, record.fps, white);
    drawFade(&gameState.fadeState, &gameState.fadeLevel);
    glutSwapBuffers();
    startupFrameDrawn();
}

void storyConfirm() {
    int page = gameState.storyPage;
    storyEnterPressed();
    if (gameState.storyPage != page) soundPlayHere(SOUND_PAGE);
}

void storyPauseToggle() {
    record.running = !record.running;
    if (record.running) {
        glutIdleFunc(storyIdle);
        pauseEnd();
    } else {
        glutIdleFunc(nullptr);
        pauseStart();
    }
}

void storyPress(int action) {
    if (action == ACTION_CONFIRM)
        storyConfirm();
    else if (action == ACTION_STORY_PAUSE) {
        gameReadyShot();
        storyPauseToggle();
    } else if (action == ACTION_MUTE)
        inputMuteKey();
    else
        inputSwitchPress(action);
}

void storyIdle() {
    frameTimeUpdate();
    storyRise(record.frameTime);
    frameDone();
    if (gameState.fadeState == 4) enterGame();
}

void storyVisibility(int state) {
    if (!record.running) return;
    if (state == GLUT_VISIBLE) {
        timingRestartFrameClock();
        glutIdleFunc(storyIdle);
    } else {
        glutIdleFunc(nullptr);
    }
}
