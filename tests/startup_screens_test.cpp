// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>
#include "app/game_frame.h"
#include "app/paths.h"
#include "app/record.h"
#include "app/reshape.h"
#include "app/screens.h"
#include "app/startup.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "image/picture.h"
#include "image/tga.h"
#include "output_capture.h"

// The quick start against the plain one, each in a child process of its own (the game's state is
// global; this process never touches GL, so the children start clean). The quick one starts as main
// does: the heap on large pages, models and pictures read on threads while the toolkit starts, the
// first screen's picture fitted by our scaler and the others at their first use, our mipmaps. The
// plain one reads everything in order, fits all six pictures at the first reshape with
// gluScaleImage and builds every texture with gluBuild2DMipmaps. The story's first page, the game's
// first frame and the boss picture over it must be the same pixels.
namespace {

enum { shotWidth = 640, shotHeight = 480, shotBytes = shotWidth * shotHeight * 3 };
enum Screens { shotStory, shotGame, shotBoss, shotCount };

int shotsDrawn;
void (*screenDisplay)();
std::vector<uint8_t> lastShot;

// Each drawing without its fade, counted and read back (the swap leaves the back buffer as it was
// drawn here).
void countedDisplay() {
    gameState.fadeState = 0;
    screenDisplay();
    glFinish();
    lastShot.assign(shotBytes, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, shotWidth, shotHeight, GL_RGB, GL_UNSIGNED_BYTE, lastShot.data());
    shotsDrawn++;
}

// The screen once it has drawn n times (a few seconds at most).
std::vector<uint8_t> shotAfter(int n) {
    for (int i = 0; i < 2000 && shotsDrawn < n; i++) {
        glutMainLoopEvent();
        usleep(1000);
    }
    return shotsDrawn < n ? std::vector<uint8_t>{} : lastShot;
}

// The reshape, then the six full-window pictures scaled by GLU from their sources, all at once.
template <void (*reshape)(int, int)> void plainReshape(int width, int height) {
    reshape(width, height);
    picturesResize(width, height);
    const std::pair<TgaImage*, TgaImage*> pictures[] = {
        {&imgPoster, &imgPosterFit},   {&imgStencil, &imgStencilFit}, {&imgDoorOpen, &imgDoorOpenFit},
        {&imgLastPic, &imgLastPicFit}, {&imgBoss, &imgBossFit},       {&imgBadDragon, &imgBadDragonFit}};
    for (auto [src, fit] : pictures) {
        if (!src->pixels || !fit->pixels) continue;
        const GLenum format = src->bytesPerPixel == 3 ? GL_RGB : GL_RGBA;
        gluScaleImage(format, src->width, src->height, GL_UNSIGNED_BYTE, src->pixels, fit->width, fit->height,
                      GL_UNSIGNED_BYTE, fit->pixels);
    }
    pictureToMask(&imgStencilFit, &imgStencilMask, whiteMask);
    pictureClearFringe(&imgStencilFit, &imgStencilMask);
}

void mipmapsWithGlu() {
    for (TgaImage& img : imageTable) {
        if (!img.textureId || !img.pixels) continue;
        glBindTexture(GL_TEXTURE_2D, img.textureId);
        gluBuild2DMipmaps(GL_TEXTURE_2D, img.bytesPerPixel, img.width, img.height,
                          img.bytesPerPixel == 3 ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, img.pixels);
    }
}

int64_t steadyCounter() {
    static int64_t now;
    return now += monotonicFrequency / 60;
}

// The three screens of one start, one after another in one buffer; empty when one was not drawn.
std::vector<uint8_t> screensOf(bool quick) {
    memset(&record, 0, sizeof record);
    record.windowWidth = record.windowedWidth = shotWidth;
    record.windowHeight = record.windowedHeight = shotHeight;
    record.shadeMode = record.textureMode = record.modelSource = record.lodLevel = 2;
    record.fieldOfView = 60, record.mazeSize = 16, record.itemsPerKind = record.fullLevel = 4;
    record.running = record.useDisplayLists = record.distanceLod = 1, record.diamondsNeeded = 3;
    timingSetCounter(steadyCounter);
    int argc = 1;
    char arg0[] = "kavernix";
    char* argv[] = {arg0, nullptr};
    if (quick) {
        startupHeap();
        startupLoadDataBegin();
        glutInit(&argc, argv);
        startupLoadDataEnd();
    } else {
        glutInit(&argc, argv);
        startupLoadData();
    }
    startupOpenWindow();
    if (!quick) mipmapsWithGlu();
    modelTableCompile();
    std::vector<uint8_t> all;
    auto take = [&](void (*display)(), void (*plainReshape)(int, int)) {
        screenDisplay = display;
        glutDisplayFunc(countedDisplay);
        glutIdleFunc(nullptr);
        if (!quick) glutReshapeFunc(plainReshape);
        glutPostRedisplay();
        std::vector<uint8_t> shot = shotAfter(shotsDrawn + 1);
        all.insert(all.end(), shot.begin(), shot.end());
    };
    enterStory();
    take(storyDisplay, plainReshape<storyReshape>);
    enterGame();
    take(gameDisplay, plainReshape<gameReshape>);
    bossScreen = 1;
    take(gameDisplay, plainReshape<gameReshape>);
    return all.size() == size_t(shotBytes) * shotCount ? all : std::vector<uint8_t>{};
}

// screensOf in a fresh child process, as bytes; its prints kept off the test's output.
template <bool quick> std::string screensInChild() {
    return inChild([] {
        OutputCapture quiet(stdout);
        const std::vector<uint8_t> shots = screensOf(quick);
        return std::string(shots.begin(), shots.end());
    });
}

} // namespace

TEST(StartupScreens, TheQuickStartShowsThePixelsOfThePlainOne) {
    setenv("KAVERNIX_DATA", KX_RUN_DIR, 1);
    char cache[] = "/tmp/kx_startup_screens_XXXXXX";
    ASSERT_TRUE(mkdtemp(cache));
    setenv("XDG_CACHE_HOME", cache, 1);
    pathInit();
    const std::string quick = screensInChild<true>(), plain = screensInChild<false>();
    (void)!system((std::string("rm -rf ") + cache).c_str());
    ASSERT_EQ(quick.size(), size_t(shotBytes) * shotCount)
        << "the quick start did not draw its three screens";
    ASSERT_EQ(plain.size(), size_t(shotBytes) * shotCount)
        << "the plain start did not draw its three screens";
    const char* const names[shotCount] = {"story", "game", "boss picture"};
    for (int s = 0; s < shotCount; s++) {
        const char* a = quick.data() + size_t(s) * shotBytes;
        const char* b = plain.data() + size_t(s) * shotBytes;
        int differ = 0, colours = 0;
        for (int i = 0; i < shotBytes; i += 3) {
            differ += memcmp(a + i, b + i, 3) != 0;
            colours += i > 0 && memcmp(a + i, a + i - 3, 3) != 0;
        }
        EXPECT_EQ(differ, 0) << names[s] << ": pixels that differ";
        EXPECT_GT(colours, shotWidth * shotHeight / 10) << names[s] << ": hardly a picture";
    }
    EXPECT_NE(memcmp(quick.data(), quick.data() + shotBytes, shotBytes), 0) << "the story is not the game";
}
