// SPDX-License-Identifier: GPL-3.0-or-later
// The reshape handlers of the three screens. Rebuilding the window-sized pictures takes a while;
// that time lies between pauseStart and pauseEnd and so is not counted as frame time.
#include "app/reshape.h"
#include <GL/freeglut.h>
#include "app/game_update.h"
#include "app/input.h"
#include "app/record.h"
#include "app/startup.h"
#include "app/timing.h"
#include "image/picture.h"
#include "image/texture.h"
#include "image/tga.h"

void windowReshape(int width, int height) {
    record.windowWidth = width;
    record.windowHeight = height;
    // Everything is drawn on the stage; the bands beside it stay as the clears leave them (black).
    const Stage s = recordStage();
    glViewport(s.x, s.y, s.width, s.height);
    inputMouseRecentre();
    pauseStart();
}

// The pictures at the stage's size, but never larger than the screen and OpenGL allow; first is
// fitted now, the others at their first use.
static void fitPictures(const TgaImage* first) {
    int width = recordStage().width, height = recordStage().height;
    startupWindowSizeLimit(&width, &height);
    picturesResizeFirst(width, height, first);
}

void storyReshape(int width, int height) {
    windowReshape(width, height);
    fitPictures(&imgPosterFit);
    resyncAfterPause();
}

void endReshape(int width, int height) {
    windowReshape(width, height);
    fitPictures(gameWon() ? &imgLastPicFit : &imgBadDragonFit);
    resyncAfterPause();
}

void gameReshape(int width, int height) {
    windowReshape(width, height);
    stencilValid = 0;
    fitPictures(&imgStencilFit);
    resyncAfterPause();
    glCheckError();
}
