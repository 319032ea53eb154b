// SPDX-License-Identifier: GPL-3.0-or-later
// The looks on every window: the lamp's glass stays round whatever the window's shape, the walk
// into daylight when the exit opens keeps the horse out of the eye's way, and the horse without
// straw says so once for each try.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <GL/glu.h>
#include <algorithm>
#include "app/end_screen.h"
#include "app/game_frame.h"
#include "app/input.h"
#include "app/lang.h"
#include "app/paths.h"
#include "app/record.h"
#include "app/screens.h"
#include "app/game_update.h"
#include "app/game_state.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "image/picture.h"
#include "image/tga.h"
#include "scene/lamp.h"
#include "text/font.h"
#include "text/hud.h"
#include "gl_context.h"

namespace {

// Pixels of the stencil's lit opening from (x, y) to the first unlit one in direction (dx, dy).
int litRun(const std::vector<uint8_t>& s, int w, int h, int x, int y, int dx, int dy) {
    int n = 0;
    while (x >= 0 && y >= 0 && x < w && y < h && s[size_t(y) * w + x] == 1) x += dx, y += dy, ++n;
    return n;
}

// Makes the context's window w x h with the stage's viewport, the game's data at hand.
Stage windowOf(int w, int h) {
    setenv("KAVERNIX_DATA", KX_RUN_DIR, 1);
    pathInit();
    glTestContext(w, h);
    glutDisplayFunc([] {});
    for (int i = 0; i < 20; i++) glutMainLoopEvent();
    record.windowWidth = w, record.windowHeight = h;
    const Stage s = recordStage();
    glViewport(s.x, s.y, s.width, s.height);
    return s;
}

// The game's font built and a pixel a unit on the stage, blending on as the game has it for the
// whole run.
void textOnStage(const Stage& s) {
    ASSERT_EQ(fontBuild(&imgFont, pathData("fontmaze.tga").c_str()), 1);
    fontBuildLists(&imgFont);
    glEnable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, s.width, 0, s.height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

} // namespace

// Each page's text at rest, as a box of its longest line by its lines, lies on the poster's dark
// part: the title, the moon with the dragon, the lit mountain and the mine's door stay clear of
// it (no more bright pixels in it than a few stars) on four windows of different sizes and shapes.
TEST(StoryText, RestsClearOfThePostersFiguresOnEveryWindow) {
    const struct { int w, h; } windows[] = {{640, 480}, {800, 600}, {1000, 625}, {1008, 432}};
    for (auto win : windows) {
        SCOPED_TRACE(std::to_string(win.w) + "x" + std::to_string(win.h));
        const Stage s = windowOf(win.w, win.h);
        picturesResizeFirst(s.width, s.height, &imgPosterFit);
        glClear(GL_COLOR_BUFFER_BIT);
        drawPicture(&imgPosterFit);
        const std::vector<uint8_t> px = readBack(GL_RGB, win.w, win.h);
        const int h = s.height / 20, w = h / 2;
        for (int language : {LANG_EN, LANG_DE})
            for (int page = 0; page < storyPageCount; ++page) {
                langApply(language);
                gameState.storyPage = page;
                int lines = 1, longest = 0, length = 0;
                for (const char* c = storyPageText(); *c; ++c) {
                    if (*c == '\n')
                        ++lines, length = 0;
                    else
                        longest = std::max(longest, ++length);
                }
                // The rising text stops at most a frame above its resting height.
                const int x0 = s.x + int(storyTextX * float(s.width)), x1 = x0 + longest * w;
                const int top = s.y + int((storyRestHeight + 0.005f) * float(s.height)) + h;
                const int bottom = s.y + int(storyRestHeight * float(s.height)) - (lines - 1) * h;
                long bright = 0, all = 0;
                for (int y = bottom; y < top; ++y)
                    for (int x = x0; x < x1; ++x, ++all) {
                        const uint8_t* p = &px[(size_t(y) * win.w + x) * 3];
                        bright += std::max({p[0], p[1], p[2]}) > 80;
                    }
                EXPECT_LT(double(bright) / double(all), 0.002)
                    << langName(language) << " page " << page + 1 << ": " << bright << " bright";
                EXPECT_LE(x1, s.x + int(0.7f * float(s.width))) << langName(language) << " page " << page + 1;
            }
        langApply(LANG_EN);
    }
}

// With textures off over a white wall, the counters' digits and the status text keep a dark
// ground of their own: inside each large character's cell the ink stands out from the ground.
TEST(HudText, DigitsKeepTheirContrastOverAWhiteWallWithTexturesOff) {
    ASSERT_NO_FATAL_FAILURE(textOnStage(windowOf(640, 480)));
    record.textureMode = 0;
    glDisable(GL_TEXTURE_2D);
    const float red[4] = {1, 0, 0, 1}, white[4] = {1, 1, 1, 0};
    for (const float* colour : {red, white}) {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        drawCounter(0.12f, 0.035f, 8, colour);
        const std::vector<uint8_t> px = readBack(GL_RGB, 640, 480);
        // The cell of the "8": luminance of its darkest and brightest pixels.
        int darkest = 255 * 3, brightest = 0;
        for (int y = int(0.035f * 480) + 4; y < int(0.035f * 480) + 480 / 12 - 4; ++y)
            for (int x = int(0.12f * 640) + 2; x < int(0.12f * 640) + 640 / 25 - 2; ++x) {
                const uint8_t* p = &px[(size_t(y) * 640 + x) * 3];
                darkest = std::min(darkest, p[0] + p[1] + p[2]);
                brightest = std::max(brightest, p[0] + p[1] + p[2]);
            }
        EXPECT_GT(brightest - darkest, 150) << (colour == red ? "red" : "white");
        EXPECT_LT(darkest, 3 * 128) << "a dark ground under the digit";
    }
    glClearColor(0, 0, 0, 0);
}

// The end screen's frame rate, drawn where the screens with and without it differ, lies inside the
// stage and a pixel clear of the dark panel on windows of every shape.
TEST(EndScreenFps, StaysInsideTheStageAndClearOfThePanel) {
    const struct { int w, h; } windows[] = {{640, 480}, {1008, 432}, {1260, 540}, {800, 500}, {360, 640}};
    for (auto win : windows) {
        SCOPED_TRACE(std::to_string(win.w) + "x" + std::to_string(win.h));
        const Stage s = windowOf(win.w, win.h);
        ASSERT_NO_FATAL_FAILURE(textOnStage(s));
        picturesResizeFirst(s.width, s.height, &imgLastPicFit);
        exitDoor.pitch = 100, gameSetHorseHit(0), gameState.hallRank = -1, record.running = 1;
        record.fps = 43.91f;
        std::vector<uint8_t> drawn[2];
        endDisplay(); // the first frame on a new size is not yet the one compared
        for (int fps : {0, 1}) {
            record.showFps = fps, gameState.fadeState = 0;
            endDisplay();
            drawn[fps] = readBack(GL_RGB, win.w, win.h);
        }
        record.showFps = 0;
        const int x0 = s.x + int(0.02f * float(s.width)), x1 = s.x + int(0.98f * float(s.width));
        const int y0 = s.y + int(0.04f * float(s.height)), y1 = s.y + int(0.85f * float(s.height));
        int ink = 0, outsideStage = 0, onPanel = 0;
        for (int y = 0; y < win.h; ++y)
            for (int x = 0; x < win.w; ++x) {
                const size_t at = (size_t(y) * win.w + x) * 3;
                if (!memcmp(&drawn[0][at], &drawn[1][at], 3)) continue;
                ++ink;
                outsideStage += x < s.x || x >= s.x + s.width || y < s.y || y >= s.y + s.height;
                onPanel += x >= x0 - 1 && x <= x1 + 1 && y >= y0 - 1 && y <= y1 + 1;
            }
        EXPECT_GT(ink, 50) << "the frame rate is drawn";
        EXPECT_EQ(outsideStage, 0);
        EXPECT_EQ(onPanel, 0);
    }
}

// The lamp frame drawn on windows of 4:3, 16:10 and 21:9: the glass's width through its middle
// equals its height within 2 %, and it is as large on each (the stage is as high as the window).
TEST(LampGlass, StaysRoundOnWindowsOfEveryShape) {
    const struct { int w, h; } windows[] = {{640, 480}, {800, 500}, {840, 360}};
    for (auto win : windows) {
        SCOPED_TRACE(std::to_string(win.w) + "x" + std::to_string(win.h));
        const Stage s = windowOf(win.w, win.h);
        EXPECT_NEAR(double(s.width) / s.height, 4.0 / 3.0, 0.01);
        picturesResizeFirst(s.width, s.height, &imgStencilFit);
        glEnable(GL_STENCIL_TEST);
        stencilValid = 0;
        lampLight();
        const std::vector<uint8_t> st = readBack(GL_STENCIL_INDEX, win.w, win.h);
        glDisable(GL_STENCIL_TEST);
        const int cx = s.x + int(0.44 * s.width), cy = s.y + int(0.56 * s.height);
        ASSERT_EQ(st[size_t(cy) * win.w + cx], 1) << "the glass's middle is lit";
        const int across = litRun(st, win.w, win.h, cx, cy, 1, 0) + litRun(st, win.w, win.h, cx, cy, -1, 0);
        const int up = litRun(st, win.w, win.h, cx, cy, 0, 1) + litRun(st, win.w, win.h, cx, cy, 0, -1);
        EXPECT_NEAR(double(across) / double(up), 1.0, 0.02) << across << " across, " << up << " high";
        EXPECT_NEAR(double(up) / s.height, 0.78, 0.02) << "the glass keeps its share of the height";
    }
}

// While the door opens the player ends in the exit cell looking at the door (+x), the horse
// behind and beside him: never within the eye's 90 degree cone ahead and never touching him.
TEST(ExitScene, ThePlayerEndsFacingTheDoorWithTheHorseOutOfSight) {
    record.mazeSize = 8;
    const float e = 7;
    // clang-format off
    const struct { float px, pz, ph, hx, hz, riding; } starts[] = {
        {e + 0.5f, e + 0.5f, 0, e + 0.7f, e + 0.5f, 0}, // behind the horse at the door
        {e + 0.8f, e + 0.5f, 270, e + 0.4f, e + 0.5f, 0},
        {e + 0.2f, e + 0.3f, 180, e + 0.2f, e + 0.3f, 1}}; // clang-format on
    for (auto st : starts) {
        record.riderState = st.riding ? 2 : 0;
        exitDoor.pitch = 0;
        gameExitSceneUpdate(0.02f);
        actorInit(&player, st.px, 0.3f, st.pz, st.ph, 20, 0.02f);
        actorInit(&horse, st.hx, 0.5f, st.hz, 90, 0, 0.07f);
        exitDoor.pitch = 0.5f;
        for (int i = 0; i < 100; i++) gameExitSceneUpdate(0.02f);
        EXPECT_NEAR(player.heading, 90, 0.01);
        EXPECT_NEAR(player.pitch, 0, 0.01);
        EXPECT_EQ(int(player.x), 7);
        EXPECT_EQ(int(player.z), 7);
        EXPECT_GT(player.x, e + 0.4f) << "near the door";
        if (st.riding) {
            EXPECT_NEAR(actorFloorDistance(&player, &horse), 0, 0.001) << "the rider sits on the horse";
            continue;
        }
        EXPECT_EQ(actorsTouch(&player, &horse), 0);
        // The horse's body reaches 0.2 along its heading from its middle: no part of it ahead.
        EXPECT_LT(horse.x + 0.2f * std::sin(horse.heading * float(M_PI) / 180), player.x)
            << "the horse stays behind the eye";
        EXPECT_GT(horse.z - e, 0.7f) << "beside, clear of the 0.2 the rock keeps";
        EXPECT_LT(horse.z - e, 0.8f + 0.001f);
    }
    exitDoor.pitch = 0;
    record.riderState = 0;
}

// The horse without straw: Page Up held says so once, held longer it stays quiet, a second press
// says it again; with straw nothing is said.
TEST(StrawWarning, OncePerTryWhileTheHorseHasNoStraw) {
    memset(&record, 0, sizeof record);
    record.gameTime = 3;
    record.strawDistance = 20;
    horse.distance = 0;
    resetInventory();
    // clang-format off
    const struct { int pageUp; bool said; } frames[] = {
        {0, false}, {1, true}, {1, false}, {1, false}, {0, false}, {1, true}}; // clang-format on
    for (auto f : frames) {
        inputHold(ACTION_CALL_HORSE, f.pageUp);
        record.messageText[0] = 0;
        gameStrawWarningUpdate();
        EXPECT_EQ(std::string(record.messageText), f.said ? "The horse needs straw" : "") << f.pageUp;
    }
    inputHold(ACTION_CALL_HORSE, 0);
    gameStrawWarningUpdate();
    inventory[ROW_STRAW] = 2;
    inputHold(ACTION_CALL_HORSE, 1);
    record.messageText[0] = 0;
    gameStrawWarningUpdate();
    EXPECT_STREQ(record.messageText, "") << "with straw the horse walks";
    inputHold(ACTION_CALL_HORSE, 0);
}
