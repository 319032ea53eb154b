// SPDX-License-Identifier: GPL-3.0-or-later
// The application frame on a real maze and window: the game update's rules, the story and the
// fades, the keyboard and mouse, the clocks with an injected counter, and the hall of fame.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <cmath>
#include <filesystem>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>
#include "app/end_screen.h"
#include "app/game_frame.h"
#include "app/input.h"
#include "app/lang.h"
#include "app/record.h"
#include "app/reshape.h"
#include "app/screens.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/rider.h"
#include "game/items.h"
#include "gl_context.h"
#include "maze/maze.h"
#include "scene/creatures.h"
#include "setup/key_table.h"
#include "setup/setup.h"
#include "output_capture.h"
#include "text/font.h"
#include "text/hud.h"

namespace {

// The catalogue's rows get their routines and room for placed instances, as at start-up.
[[maybe_unused]] const bool modelsRegistered = (sceneRegisterModels(), true);

int64_t fakeNow;
int seenX = -1, seenY = -1;

// A fresh record and screen state on the 16-cell maze, the player and the horse at their start
// places (player at (1.5, 1.5) heading +x, horse at (3.5, 3.5)), the clock at 0 ticks of 1000/s.
class App : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        memset(&record, 0, sizeof record);
        record.mazeSize = 16;
        // The end screen deletes a saved run and writes records: never the tester's own.
        static const std::string folder = testing::TempDir() + "kx_app_state_" + std::to_string(getpid());
        std::filesystem::create_directories(folder);
        setenv("XDG_STATE_HOME", folder.c_str(), 1);
        setenv("XDG_DATA_HOME", folder.c_str(), 1);
        OutputCapture quiet;
        mazeBuild(&maze, 16);
        itemsPlace(&maze);
    }
    void SetUp() override {
        glTestContext();
        memset(&record, 0, sizeof record);
        memset(&gameState, 0, sizeof gameState);
        record.mazeSize = maze.size;
        record.diamondsNeeded = 3, record.fullLevel = 4, record.running = 1, record.perfFrequency = 1000;
        record.windowWidth = record.windowedWidth = record.windowHeight = record.windowedHeight = 256;
        fakeNow = 0, timingSetCounter([] { return fakeNow; });
        timerReset();
        inputHandle(INPUT_GAME, gamePress, nullptr);
        inputSetScreen(INPUT_GAME);
        for (int a = 0; a < ACTION_COUNT; a++) record.keys[a] = keyActions[a].defaultKey;
        setupRequested = portalCulling = backfaceCull = shotState = routePhase = 0;
        gameSetHorseHit(0);
        ignoreNextMotion = lastMouseX = lastMouseY = 0;
        for (ModelEntry& row : modelTable) row.count = 0;
        resetInventory();
        actorsPlaceForGame();
    }
    void TearDown() override {
        timingSetCounter(timingMonotonicCounter);
        glutIdleFunc(nullptr);
    }
};

using GameUpdate = App;
using Story = App;
using Input = App;
using Clocks = App;
using EndScreen = App;

// A key pressed and released on the screen in use.
void press(int code) {
    inputKeyDown(code);
    inputKeyUp(code);
}

bool near(float a, float b, float within = 1e-5f) {
    return std::fabs(a - b) < within;
}

bool samePlace(const Actor& a, const Actor& b) {
    return near(a.x, b.x) && near(a.z, b.z) && near(a.heading, b.heading, 1e-4f);
}

void fillHall(SettingsRecord* r, std::initializer_list<std::pair<const char*, float>> places) {
    memset(r->hallNames, 0, sizeof r->hallNames);
    for (float& t : r->hallTimes) t = hallEmptyTime;
    int i = 0;
    for (const auto& p : places) strcpy(r->hallNames[i], p.first), r->hallTimes[i++] = p.second;
}

// Frames drawn at 60 per second until the fade leaves the state it is in.
int fadeFrames() {
    record.frameTime = 1.0f / 60;
    int from = gameState.fadeState, frames = 0;
    for (; gameState.fadeState == from && frames < 1000; ++frames) drawFade(&gameState.fadeState, &gameState.fadeLevel);
    return frames;
}

} // namespace

TEST_F(GameUpdate, HeldArrowsShareOneStepAndOppositeOnesCancel) {
    // clang-format off
    struct { int left, right, up, down; float x, z; } cases[] = {
        {0, 0, 1, 0, 1.6f, 1.5f}, {1, 1, 0, 0, 1.5f, 1.5f}, {0, 0, 1, 1, 1.5f, 1.5f},
        {1, 0, 1, 0, 1.55f, 1.45f}, {0, 1, 1, 0, 1.55f, 1.55f}};
    // clang-format on
    for (const auto& c : cases) {
        actorsPlaceForGame();
        inputHold(ACTION_STEP_LEFT, c.left), inputHold(ACTION_STEP_RIGHT, c.right),
        inputHold(ACTION_FORWARD, c.up), inputHold(ACTION_BACK, c.down);
        gameMoveByKeys(0.1f, 0.1f);
        EXPECT_TRUE(near(player.x, c.x) && near(player.z, c.z)) << c.left << c.right << c.up << c.down;
    }
}

// Home walks both to the exit and ignores the arrows; Page Up brings the horse and leaves the
// arrows to the player.
TEST_F(GameUpdate, RouteKeysAndArrows) {
    const Actor startHorse = horse;
    auto run = [](int home, int pageUp, int up, int left) {
        actorsPlaceForGame();
        routePhase = 0, inputHold(ACTION_WALK_OUT, home),
        inputHold(ACTION_CALL_HORSE, pageUp), inputHold(ACTION_FORWARD, up),
        inputHold(ACTION_STEP_LEFT, left);
        for (int i = 0; i < 5; ++i) gameMoveByKeys(0.02f, 0.05f);
        return std::make_pair(player, horse);
    };
    const auto home = run(1, 0, 0, 0), pageUp = run(0, 1, 0, 0), up = run(0, 0, 1, 0);
    EXPECT_FALSE(samePlace(home.second, startHorse) || samePlace(pageUp.second, startHorse))
        << "the horse walks";
    auto both = run(1, 0, 1, 1);
    EXPECT_TRUE(samePlace(both.first, home.first) && samePlace(both.second, home.second));
    both = run(0, 1, 1, 0);
    EXPECT_TRUE(samePlace(both.first, up.first) && samePlace(both.second, pageUp.second));
}

TEST_F(GameUpdate, TheExitOpensOnlyWithEnoughDiamondsAndBothInTheExitCellThenKeepsOpening) {
    const float e = 15.5f, away = 2.5f;
    auto place = [](float diamonds, float p, float h, float dt) {
        inventory[ROW_DIAMOND] = diamonds;
        actorInit(&player, p, 0.3f, p, 90, 0, 0.02f);
        actorInit(&horse, h, 0.5f, h, 90, 0, 0.07f);
        gameExitDoorUpdate(dt);
    };
    const float closed[][3] = {{2, e - 0.3f, e}, {3, away, e}, {3, e - 0.3f, away}};
    for (const auto& c : closed) {
        place(c[0], c[1], c[2], 0.1f);
        EXPECT_EQ(exitDoor.pitch, 0) << c[0] << " " << c[1] << " " << c[2];
    }
    place(3, e - 0.3f, e, 0.05f);
    EXPECT_FLOAT_EQ(exitDoor.pitch, 0.5f);
    actorInit(&player, away, 0.3f, away, 90, 0, 0.02f); // walking away does not stop the door
    int frames = 0;
    for (; exitDoor.pitch < 100 && frames < 2000; ++frames) gameExitDoorUpdate(0.05f);
    // 99.5 degrees at ten per second; the fade-out starts in the frame after the door is open
    EXPECT_TRUE(frames == 199 && gameState.fadeState == 0) << frames;
    gameExitDoorUpdate(0.05f);
    EXPECT_EQ(gameState.fadeState, 3);
    gameState.fadeState = 4, gameExitDoorUpdate(0.05f);
    EXPECT_EQ(gameState.fadeState, 4) << "a finished fade-out is not restarted";
    EXPECT_TRUE(gameWon());
}

// A level arrow meets the horse as drawn and loses the run, even with the exit opening; the ready
// arrow and the arrow of a rider do not.
TEST_F(GameUpdate, AnArrowMeetingTheDrawnHorseLosesEvenWithTheExitOpening) {
    actorCopy(&shot, &horse);
    shot.y = 0.2f;
    for (int state : {0, 1}) {
        shotState = state, gameState.fadeState = 0, exitDoor.pitch = 30;
        gameContacts();
        EXPECT_EQ(gameState.fadeState, state == 1 ? 3 : 0) << state;
    }
    EXPECT_TRUE(gameHorseHit() && !gameWon()) << "a hit after the exit began to open stays lost";
    gameSetHorseHit(0), gameState.fadeState = 0, record.riderState = 2;
    gameContacts();
    EXPECT_TRUE(gameState.fadeState == 0 && gameWon());
}

// A spider the player walks into pushes the player to the cell's middle, then is taken.
TEST_F(GameUpdate, ASpiderPushesBeforeItIsTaken) {
    Actor& spider = modelTable[ROW_SPIDER].entities[0];
    actorInit(&spider, 1.2f, 0.5f, 1.75f, 0, 0, 0.005f);
    modelTable[ROW_SPIDER].count = 1;
    actorInit(&player, 1.3f, 0.3f, 1.55f, 90, 0, 0.02f);
    gameContacts();
    EXPECT_TRUE(near(player.x, 1.5f) && near(player.z, 1.5f) && inventory[ROW_SPIDER] == 1)
        << player.x << "," << player.z;
}

// One game update as gameIdle runs it, frames of 0.1 s.
void playFrame() {
    record.frameTime = 0.1f, record.gameTime += 0.1f;
    float playerStep, horseStep;
    itemsStepSizes(&playerStep, &horseStep);
    gameMoveByKeys(playerStep, horseStep);
    gameContacts();
    gameExitDoorUpdate(record.frameTime);
}

// Holding Home from the start with the unfed horse: when they touch, only the one that closed the
// gap goes back, so they walk on together and open the exit.
TEST_F(GameUpdate, HoldingHomeWalksBothOutTogether) {
    record.diamondsNeeded = 0;
    inputHold(ACTION_WALK_OUT, 1);
    int frames = 0, held = 0;
    for (; !gameWon() && frames < 20000; ++frames) {
        Actor p = player, h = horse;
        playFrame();
        held += samePlace(p, player) && samePlace(h, horse);
        EXPECT_FALSE(actorsTouch(&player, &horse)) << frames;
    }
    EXPECT_TRUE(gameWon()) << player.x << "," << player.z << " " << horse.x << "," << horse.z;
    EXPECT_LT(held, 5) << "frames in which neither moved";
    // A slow frame's step at the closed door does not carry the walker through it.
    actorInit(&player, 15.8f, 0.3f, 15.5f, 90, 0, 0.02f);
    inputHold(ACTION_WALK_OUT, 0), inputHold(ACTION_FORWARD, 1), record.frameTime = 1;
    float playerStep, horseStep;
    itemsStepSizes(&playerStep, &horseStep);
    gameMoveByKeys(playerStep, horseStep);
    EXPECT_LT(player.x, 16) << "out through the door";
}

// Page Up brings the horse head-on and stops it at the player ("Horse", then "Get on"); H mounts
// ("Ride"): the horse carries the player at its pace and Home rides out and wins; H again dismounts
// ("Get Off" for two seconds, then "Get on").
TEST_F(GameUpdate, TheHorseComesThenCarriesItsRiderOut) {
    record.diamondsNeeded = 0, record.strawDistance = 20;
    inventory[ROW_STRAW] = 4; // a fed horse walks one unit per second
    inputHold(ACTION_CALL_HORSE, 1);
    playFrame();
    EXPECT_STREQ(riderLabel(), "Horse");
    for (int i = 0; i < 200; ++i) playFrame();
    Actor standing = horse;
    playFrame();
    EXPECT_TRUE(samePlace(standing, horse) && actorFloorDistance(&horse, &player) < 0.6f)
        << "the horse stops at the player: " << horse.x << "," << horse.z;
    EXPECT_STREQ(riderLabel(), "Get on");
    inputHold(ACTION_CALL_HORSE, 0);
    riderToggle();
    playFrame();
    EXPECT_STREQ(riderLabel(), "Ride");
    EXPECT_TRUE(near(player.x, horse.x) && near(player.z, horse.z) && player.y > 0.47f);
    float playerStep, horseStep;
    itemsStepSizes(&playerStep, &horseStep);
    EXPECT_EQ(playerStep, horseStep);
    inputHold(ACTION_FORWARD, 1); // the arrows steer the horse
    playFrame();
    EXPECT_TRUE(near(player.x, horse.x) && near(player.z, horse.z) && horse.distance > 0);
    inputHold(ACTION_FORWARD, 0);
    riderToggle();
    playFrame();
    EXPECT_TRUE(!strcmp(riderLabel(), "Get Off") && near(player.y, 0.3f) &&
                actorFloorDistance(&player, &horse) > 0.3f);
    for (int i = 0; i < 20; ++i) playFrame();
    EXPECT_STREQ(riderLabel(), "Get on");
    riderToggle();
    inputHold(ACTION_WALK_OUT, 1), routePhase = 0;
    for (int i = 0; i < 20000 && !gameWon(); ++i) playFrame();
    EXPECT_TRUE(gameWon() && record.riderState == 2);
}

TEST_F(Story, EnterSnapsTheRisingTextThenTurnsAndAfterTheLastPageFadesOut) {
    auto enter = [](int times) {
        while (times--) press('\r');
    };
    enterStory();
    gameState.storyScroll = 0.3f;
    enter(1);
    EXPECT_TRUE(gameState.storyPage == 0 && near(gameState.storyScroll, 0.7f)) << gameState.storyScroll;
    enter(1);
    EXPECT_TRUE(gameState.storyPage == 1 && gameState.storyScroll == 0) << gameState.storyScroll;
    enter(6);
    EXPECT_TRUE(gameState.storyPage == 4 && gameState.fadeState == 3 && near(gameState.fadeLevel, 1));
    EXPECT_EQ(storyPageText(), nullptr);

    gameState.fadeLevel = 40; // Enter during the fade-out turns an empty page, the fade goes on
    enter(2);
    EXPECT_TRUE(gameState.storyPage == 5 && gameState.fadeState == 3 && near(gameState.fadeLevel, 40));
}

TEST_F(Story, FadesTake118FramesAtSixtyPerSecondAndEndOnce) {
    fadeIn();
    for (int frames : {118, 1}) EXPECT_EQ(fadeFrames(), frames);
    EXPECT_EQ(gameState.fadeState, 0) << "state 2 lasts one frame";
    fadeOut();
    EXPECT_TRUE(fadeFrames() == 118 && gameState.fadeState == 4);
    fadeIn(); // a fade-in turned round goes on from the level reached
    gameState.fadeLevel = 42;
    fadeOut();
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 42);
}

// Getting off goes behind the horse, else beside it, always onto open floor 0.2 from rock; in a
// dead end with rock behind and on both sides the rider stays on.
TEST_F(GameUpdate, GettingOffLandsOnlyOnOpenFloor) {
    // clang-format off
    struct { float x, z, heading, offX, offZ; int riding; } cases[] = {
        {3.5f, 3.5f, 90, 3.15f, 3.5f, 0},   // open behind
        {1.2f, 1.5f, 90, 1.2f, 1.85f, 0},   // rock 0.2 behind: beside
        {1.5f, 3.5f, 90, 1.5f, 3.85f, 0},   // rock 0.5 behind, too near to stand
        {15.5f, 1.2f, 180, 15.5f, 1.2f, 1}, // dead end: stays on
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.z << " heading " << c.heading);
        actorInit(&horse, c.x, 0.5f, c.z, c.heading, 0, 0.07f);
        actorInit(&player, c.x, 0.6f, c.z, c.heading, 0, 0.02f);
        record.riderState = 2, record.messageText[0] = 0;
        riderToggle();
        EXPECT_EQ(record.riderState == 2, c.riding != 0);
        EXPECT_NEAR(player.x, c.offX, 1e-5f);
        EXPECT_NEAR(player.z, c.offZ, 1e-5f);
        EXPECT_EQ(std::string(record.messageText), c.riding ? "No room to get off here" : "");
    }
}

// A body found in rock or outside the mine, whatever put it there, is back in the nearest open cell
// after the next update's contacts, 0.2 from its rock.
TEST_F(GameUpdate, ABodyInRockGoesToTheNearestOpenPlace) {
    // clang-format off
    struct { int horse; float x, z, toX, toZ; } cases[] = {
        {0, 0.85f, 1.5f, 1.2f, 1.5f}, {0, 2.3f, 2.5f, 1.8f, 2.5f}, {0, -0.5f, 1.5f, 1.2f, 1.5f},
        {1, 4.1f, 1.5f, 3.8f, 1.5f},  {1, 2.3f, 2.5f, 1.8f, 2.5f}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.horse ? "horse " : "player ") << c.x << "," << c.z);
        actorsPlaceForGame();
        actorInit(&horse, 7.5f, 0.5f, 3.5f, 90, 0, 0.07f);
        Actor& body = c.horse ? horse : player;
        body.x = body.prevX = c.x, body.z = body.prevZ = c.z;
        gameContacts();
        EXPECT_NEAR(body.x, c.toX, 1e-5f);
        EXPECT_NEAR(body.z, c.toZ, 1e-5f);
    }
}

// Home pressed while a route key is still held: each walk keeps its own state and route, so the
// route walk that arrives does not stop the walk out, and both reach the exit.
TEST_F(GameUpdate, HomeWithARouteKeyStillHeldWalksBothOut) {
    struct {
        int pageUp, pageDown;
    } cases[] = {{1, 0}, {0, 1}, {1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "Page Up " << c.pageUp << ", Page Down " << c.pageDown);
        actorsPlaceForGame();
        gameState.fadeState = 0, exitDoor.pitch = 0, record.diamondsNeeded = 0;
        inputHold(ACTION_CALL_HORSE, c.pageUp), inputHold(ACTION_GO_TO_HORSE, c.pageDown),
        inputHold(ACTION_WALK_OUT, 0);
        for (int i = 0; i < 30; ++i) playFrame();
        inputHold(ACTION_WALK_OUT, 1);
        int frames = 0;
        for (; !gameWon() && frames < 20000; ++frames) playFrame();
        EXPECT_LT(frames, 20000) << player.x << "," << player.z << " " << horse.x << "," << horse.z;
        inputHold(ACTION_CALL_HORSE, 0), inputHold(ACTION_GO_TO_HORSE, 0), inputHold(ACTION_WALK_OUT, 0);
    }
}

// One frame of the real update after `seconds` on the clock.
void idleFrame(float seconds) {
    record.frameTime = seconds; // an update may use the frame time before it is read
    fakeNow += int64_t(seconds * 1000 + 0.5f);
    gameIdle();
}

// A flying arrow finds the horse and the rock at every frame rate: a slow frame does not carry it
// past the horse's body nor through a wall into the next corridor.
TEST_F(GameUpdate, TheArrowHitsTheHorseAndStopsAtRockAtLowFrameRates) {
    const float frameTimes[] = {1.0f / 60, 0.25f, 0.5f, 1.0f};
    for (float t : frameTimes) {
        SCOPED_TRACE(testing::Message() << "frame of " << t << " s");
        actorsPlaceForGame(); // the horse at (3.5, 3.5)
        gameSetHorseHit(0), gameState.fadeState = 0, shotState = 1;
        actorInit(&shot, 3.2f, 0.2f, 3.5f, 90, 0, 0.02f);
        for (int i = 0; i < 10 && !gameHorseHit(); ++i) idleFrame(t);
        EXPECT_EQ(gameHorseHit(), 1);

        gameSetHorseHit(0), gameState.fadeState = 0, shotState = 1;
        actorInit(&shot, 3.5f, 0.2f, 1.5f, 90, 0, 0.02f); // rock at x 4..5, open again at 5
        for (float flown = 0; flown < 1.5f; flown += t) idleFrame(t);
        EXPECT_EQ(int(shot.x), 4);
    }
}

// The game clock adds whole counter ticks: it neither stops nor drifts at high frame rates.
TEST_F(Clocks, GameTimeKeepsCountingAtHighFrameRates) {
    struct {
        int64_t fps;
        double hours;
    } cases[] = {{3000, 2.5}, {1000, 8}};
    for (const auto& c : cases) {
        record.perfFrequency = c.fps; // one tick a frame
        fakeNow = 0, timerReset();
        const int64_t frames = int64_t(c.hours * 3600 * double(c.fps));
        for (int64_t i = 0; i < frames; ++i) {
            ++fakeNow, frameTimeUpdate();
            record.frameStartCount = record.nowCount;
        }
        EXPECT_NEAR(record.gameTime, c.hours * 3600, 0.01) << c.fps << " frames a second";
    }
}

TEST_F(Story, SpaceStopsTheTextAndTheFadeWithoutCountingThePause) {
    enterStory();
    fakeNow = 100, press(' ');
    EXPECT_TRUE(record.running == 0 && shotState == 1) << "the space bar stops and also fires";
    storyRise(1.0f);
    EXPECT_EQ(gameState.storyScroll, 0.0f);
    record.frameTime = 0; // no idle runs while stopped: a redraw sees no time pass
    for (int i = 0; i < 300; ++i) drawFade(&gameState.fadeState, &gameState.fadeLevel);
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 1);
    fakeNow = 6100, press(' ');
    fakeNow = 6150, storyIdle();
    EXPECT_TRUE(near(record.frameTime, 0.15f) && near(gameState.storyScroll, 0.003f))
        << record.frameTime << " is not 100 ticks before and 50 after the pause";
}

TEST_F(Clocks, FrameTimeFpsAndGameTimeFollowTheCounterAndPausesAreLeftOut) {
    fakeNow = 20, frameTimeUpdate(), frameDone();
    EXPECT_FLOAT_EQ(record.frameTime, 0.02f);
    EXPECT_NEAR(record.fps, 1.0 / 0.02001, 1e-3);
    frameTimeUpdate(); // no tick since the frame began
    EXPECT_NEAR(record.fps, 100000.0f, 1.0f);

    fakeNow = 120; // 100 ticks into the frame, then a 5-second pause
    pauseStart();
    fakeNow = 5120, pauseEnd();
    fakeNow = 5140, frameTimeUpdate();
    EXPECT_TRUE(near(record.frameTime, 0.12f) && near(record.gameTime, 0.14f)) << record.gameTime;
    frameDone();
    record.running = 0, fakeNow += 40;
    frameTimeUpdate();
    EXPECT_TRUE(near(record.frameTime, 0.04f) && near(record.gameTime, 0.14f))
        << "stopped: game time stands still";
}

TEST_F(Clocks, AReshapeCentresThePointerRoundingOddSizesDown) {
    glutPassiveMotionFunc([](int x, int y) { seenX = x, seenY = y; });
    glutDisplayFunc([] {});
    for (int i = 0; i < 20; ++i) glutMainLoopEvent(); // let the window map
    windowReshape(201, 151);
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_TRUE(view[2] == 201 && view[3] == 151) << view[2] << "x" << view[3];
    for (int i = 0; i < 200 && seenX != 100; ++i) glutMainLoopEvent(), usleep(5000);
    EXPECT_TRUE(seenX == 100 && seenY == 75) << seenX << "," << seenY;
    glutPassiveMotionFunc(nullptr), glViewport(0, 0, 256, 256);
}

TEST_F(Input, EveryToggleShowsItsMessageInEnglishAndGerman) {
    stencilValid = 3;
    record.gameTime = 5;
    // clang-format off
    struct { unsigned char key; const char* english; const char* german; int* field; int value; } presses[] = {
        {'d', "Distance LOD on", "no static LOD", &record.distanceLod, 1},
        {'D', "Distance LOD off", "static LOD", &record.distanceLod, 0},
        {'i', "Frame rate on", "FPS on", &record.showFps, 1}, {'I', "Frame rate off", "FPS off", &record.showFps, 0},
        {'o', "Portals on", "Portal on", &portalCulling, 1}, {'O', "Portals off", "no Portal", &portalCulling, 0},
        {'u', "Lists on", "DisplList", &record.useDisplayLists, 1},
        {'U', "Lists off", "no DisplList", &record.useDisplayLists, 0},
        {'r', "Frame redrawn", "Repair Stencil", &stencilValid, 0},
        {'s', "Flat shading", "Flat shading", &record.shadeMode, 1},
        {'S', "Smooth shading", "Smooth shading", &record.shadeMode, 2},
        {'s', "Wireframe", "Wireframe", &record.shadeMode, 0},
        {'t', "Textures on", "Texture", &record.textureMode, 1}, {'T', "Mipmaps on", "MipMaps", &record.textureMode, 2},
        {'t', "Textures off", "no Texture", &record.textureMode, 0},
        {'l', "Detail 3 of 3", "LOD", &record.lodLevel, 3}, {'L', "Detail 0 of 3", "LOD", &record.lodLevel, 0},
        {'b', "Culling on", "BF Cull on", &backfaceCull, 1}, {'B', "", "", &backfaceCull, 1},
        {'b', "Culling off", "no BF Cull", &backfaceCull, 0},
        {'f', "Full screen on", "FullScreen on", &record.fullScreen, 1},
        {'F', "Full screen off", "FullScreen off", &record.fullScreen, 0},
        {' ', "Shoot", "Shoot", &shotState, 1}};
    // clang-format on
    setenv("KAVERNIX_DATA", KX_RUN_DIR, 1); // the catalogues beside the run folder's data
    for (int language : {LANG_EN, LANG_DE}) {
        ASSERT_EQ(langApply(language), language);
        for (const auto& p : presses) {
            const char* message = language == 1 ? p.english : p.german;
            record.messageText[0] = 0;
            if (p.field == &shotState) shotState = 0;
            press(p.key);
            EXPECT_STREQ(record.messageText, message) << p.key;
            EXPECT_EQ(*p.field, p.value) << p.key;
            EXPECT_GT(hudLargeGlyphWidth(0.53f, message), 0.025f) << message << " fits the status field";
        }
    }
    langApply(LANG_EN);
    unsetenv("KAVERNIX_DATA");
    EXPECT_FLOAT_EQ(record.messageTime, 5.0f);
}

TEST_F(Input, KeysOutsideTheTableAndFullScreenInGameModeDoNothing) {
    stencilValid = 3;
    strcpy(record.gameModeString, "1024x768:32");
    SettingsRecord before = record;
    for (int key : {0, 8, 13, 26, 118, 127, 255, int('f'), int('F')}) {
        press(key);
        EXPECT_EQ(memcmp(&before, &record, sizeof record), 0) << key;
    }
    EXPECT_EQ(stencilValid, 3);
}

// The X server's side of mouse look: the pointer moves by dx pixels per motion event, `burst`
// events are queued before the game handles them, and a warp the game asks for happens after the
// events already queued, followed by its own event at the window centre. Returns the turn in degrees.
float turnByMoves(int moves, int dx, int burst, float frameTime) {
    record.mouseSpeed = 6, record.frameTime = frameTime, player.heading = 90;
    int pointer = 128, made = 0;
    lastMouseX = lastMouseY = 128, ignoreNextMotion = 0;
    std::vector<int> queue;
    while (made < moves || !queue.empty()) {
        for (int i = 0; i < burst && made < moves; i++, made++) queue.push_back(pointer += dx);
        std::vector<int> handling;
        handling.swap(queue);
        const int warps = inputMouseWarpCount();
        for (int x : handling) mouseLook(x, 128);
        if (inputMouseWarpCount() > warps) queue.push_back(pointer = 128);
    }
    float turn = player.heading - 90;
    return turn < -180 ? turn + 360 : turn;
}

// Every pixel turns the view by mouseSpeed / 60 degrees however the motion events come, one at a
// time or in bursts between frames (with the warp back to the centre behind them), and at any
// frame rate.
TEST_F(Input, MouseBurstsAndSingleMovesTurnTheSame) {
    // clang-format off
    struct { int moves, dx, burst; float frameTime; } cases[] = {
        {20, 5, 1, 1 / 60.0f}, {20, 5, 20, 1 / 60.0f}, {20, 5, 7, 1 / 30.0f}, {20, 5, 20, 1 / 240.0f},
        {40, -9, 1, 1 / 60.0f}, {40, -9, 40, 1 / 60.0f}, {40, -9, 3, 1 / 15.0f}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_NEAR(turnByMoves(c.moves, c.dx, c.burst, c.frameTime), c.moves * c.dx * 0.1f, 1e-3f)
            << c.moves << " moves of " << c.dx << " px in bursts of " << c.burst;
}

TEST_F(Input, MouseTurnsWithinBoundsAndNotWhileHalted) {
    record.mouseSpeed = 60;
    player.heading = 355;
    const int moves[][6] = {{0, 0, 0, 200, 355, 40},
                            {0, 200, 0, 0, 355, -40},
                            {0, 0, 10, 0, 5, -40},
                            {10, 0, 0, 0, 355, -40},
                            {0, 0, 2000, 0, 195, -40}}; // from, to, heading, pitch
    for (const auto& m : moves) {
        ignoreNextMotion = 0, lastMouseX = m[0], lastMouseY = m[1];
        mouseLook(m[2], m[3]);
        EXPECT_NEAR(player.heading, m[4], 1e-3f) << m[2] << "," << m[3];
        EXPECT_NEAR(player.pitch, m[5], 1e-5f) << m[2] << "," << m[3];
    }
    record.invertMouse = 1; // the pointer moved down looks up
    ignoreNextMotion = 0, lastMouseX = 0, lastMouseY = 0, player.pitch = 0;
    mouseLook(0, 10);
    EXPECT_NEAR(player.pitch, -10, 1e-5f);
    record.invertMouse = 0;
    for (int halt : {0, 1}) { // paused, boss picture
        record.running = halt, bossScreen = halt;
        ignoreNextMotion = 0, lastMouseX = 0;
        mouseLook(100, 0);
        EXPECT_NEAR(player.heading, 195, 1e-3f) << halt;
        EXPECT_EQ(lastMouseX, 100) << halt;
    }
    bossScreen = 0, record.running = 1;
}

// F9 and F10 move the view by the same degrees per second at any frame rate, within 10 to 120; the
// file holds the value the view uses.
TEST_F(Input, FieldOfViewChangesWithTimeWithinBoundsAndIsStored) {
    TempDir dir;
    setenv("KAVERNIX_SETTINGS", dir.file("settings.ini").c_str(), 1);
    setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
    for (float frameTime : {1.0f / 64, 1.0f / 16}) {
        record.fieldOfView = 60, record.frameTime = frameTime, inputHold(ACTION_WIDER, 1);
        for (int i = 0; i < int(1 / frameTime + 0.5f); ++i) gameFieldOfView();
        EXPECT_EQ(record.fieldOfView, 90) << frameTime;
    }
    record.frameTime = 1;
    for (int i = 0; i < 10; ++i) gameFieldOfView();
    EXPECT_EQ(record.fieldOfView, 120);
    inputHold(ACTION_WIDER, 0), inputHold(ACTION_NARROWER, 1);
    for (int i = 0; i < 10; ++i) gameFieldOfView();
    EXPECT_EQ(record.fieldOfView, 10);
    inputHold(ACTION_NARROWER, 0);
    SettingsRecord stored{};
    setupShow(0), setupLoad(&stored);
    EXPECT_EQ(stored.fieldOfView, 10);
}

TEST(HallOfFame, RanksStrictlyFasterRunsAndPushesTheRestDown) {
    SettingsRecord r = {};
    fillHall(&r, {});
    EXPECT_EQ(hallInsert(&r, 29999.0f), 0) << "an empty hall takes any run";
    fillHall(&r, {{"a", 10}, {"b", 20}, {"c", 30}, {"d", 40}, {"e", 50}});
    EXPECT_TRUE(hallInsert(&r, 50.0f) == -1 && !strcmp(r.hallNames[4], "e"))
        << "equal to the fifth does not enter";
    EXPECT_EQ(hallInsert(&r, 20.0f), 2) << "an equal time ranks below the kept one";
    const char* names[5] = {"a", "b", "", "c", "d"};
    const float times[5] = {10, 20, 20, 30, 40};
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(!strcmp(r.hallNames[i], names[i]) && r.hallTimes[i] == times[i]) << i;
}

TEST(HallOfFame, NameEntryKeepsThirtyOneBytesAndBackspaceStopsAtEmpty) {
    SettingsRecord r = {};
    fillHall(&r, {{"", 5}, {"kept", 9}});
    for (int key : {8, 1, 9, 27, 127}) hallNameKey(&r, 0, (unsigned char)key);
    EXPECT_STREQ(r.hallNames[0], "") << "control bytes are not typed, backspace stops at empty";
    const std::string typed = "\xF6"
                              "BCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMN";
    for (char c : typed) hallNameKey(&r, 0, (unsigned char)c);
    EXPECT_EQ(std::string(r.hallNames[0]), typed.substr(0, 31));
    hallNameKey(&r, 0, 8);
    EXPECT_EQ(std::string(r.hallNames[0]), typed.substr(0, 30));
    EXPECT_STREQ(r.hallNames[1], "kept");
    memset(r.hallNames[0], 'z', 32); // a name from the file without its terminator is cut
    hallNameKey(&r, 0, 8);
    EXPECT_EQ(std::string(r.hallNames[0]), std::string(30, 'z'));
}

TEST_F(EndScreen, AWonRunIsRankedAndStoredExactlyOnceByEnter) {
    TempDir dir;
    setenv("KAVERNIX_SETTINGS", dir.file("settings.ini").c_str(), 1);
    setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
    auto stored = [](SettingsRecord r = {}) { return setupShow(0), setupLoad(&r), r; };
    fillHall(&record, {{"Ada", 61.5f}, {"Bob", 90}});
    record.finalTime = 75.25f;
    exitDoor.pitch = 100;
    enterEndScreen();
    EXPECT_EQ(gameState.hallRank, 1);
    for (const char* c = "Zo\xEB\r"; *c; ++c) press((unsigned char)*c);
    EXPECT_EQ(gameState.fadeState, 3);
    SettingsRecord first = stored();
    EXPECT_TRUE(!strcmp(first.hallNames[1], "Zo\xEB") && first.hallTimes[1] == 75.25f);
    EXPECT_STREQ(first.hallNames[2], "Bob");
    press('X'); // leaving: typing changes nothing, a second Enter stores nothing
    EXPECT_STREQ(record.hallNames[1], "Zo\xEB");
    strcpy(record.hallNames[1], "changed");
    press('\r');
    EXPECT_STREQ(stored().hallNames[1], "Zo\xEB");
}

// The English texts (the catalogue's ids); the German ones are pinned in lang_test.
TEST_F(EndScreen, WonSlowAndLostRunsShowTheirTexts) {
    fillHall(&record, {{"Ada", 61.5f}, {"", 70}});
    record.finalTime = 3725.5f;
    // clang-format off
    struct { float door; int rank; std::vector<const char*> lines; /* "x,y text" */ } runs[] = {
        {100, 1, {"0.20,0.80 You made it.", "0.20,0.70 You made the hall of fame!",
                  "0.20,0.62 Type your name, then Enter:", "0.03,0.50 1:", "0.08,0.50 0:01:01:50", "0.28,0.50 Ada",
                  "0.08,0.42 0:01:10:00", "0.29,0.42 <---", "0.03,0.18 5:", "0.03,0.07 Press Enter to finish"}},
        {100, -1, {"0.20,0.70 Too slow for the hall of fame.", "0.20,0.62 Your time: ", "0.60,0.62 1:02:05:50"}},
        {1, -1, {"0.20,0.80 You did not make it.", "0.20,0.70 You hit the horse!",
                 "0.20,0.62 Take better care next time.", "0.03,0.07 Press Enter to finish"}}};
    // clang-format on
    for (const auto& run : runs) {
        exitDoor.pitch = run.door, gameState.hallRank = run.rank;
        EndLine lines[endLineMax];
        int count = endScreenLines(lines);
        std::string all = "\n";
        char line[160];
        for (int i = 0; i < count; ++i)
            snprintf(line, sizeof line, "%.2f,%.2f %s\n", lines[i].x, lines[i].y, lines[i].text), all += line;
        for (const char* line : run.lines)
            EXPECT_NE(all.find("\n" + std::string(line) + "\n"), std::string::npos) << line << all;
        if (run.door <= 1) {
            EXPECT_EQ(count, 5) << "a lost run shows no list, only the mine's code";
        }
        EXPECT_NE(all.find(" Mine "), std::string::npos) << "the mine's code is shown" << all;
    }
}

// At 640 x 480 glyphs are 12 pixels wide: every line, a name of 31 letters and the arrow after it
// included, stays inside the dark panel (20 to 620 pixels) and no two lines of a row overlap.
TEST_F(EndScreen, ALongestNameAndItsArrowFitThePanelAt640x480) {
    record.windowWidth = 640, record.windowHeight = 480;
    fillHall(&record, {{"", 1}, {"", 2}, {"", 3}, {"", 4}, {"", 5}});
    for (auto& name : record.hallNames) memset(name, 'W', hallNameMax);
    exitDoor.pitch = 100, gameState.hallRank = 4;
    EndLine lines[endLineMax];
    const float glyph = float(recordStage().height / 20 / 2);
    const int count = endScreenLines(lines);
    float arrowLeft = 0, nameRight = 0;
    for (int i = 0; i < count; ++i) {
        const float left = lines[i].x * 640, right = left + glyph * float(strlen(lines[i].text));
        EXPECT_GE(left, 0.02f * 640) << lines[i].text;
        EXPECT_LE(right, 0.98f * 640) << lines[i].text;
        if (!strcmp(lines[i].text, "<---") && lines[i].y < 0.2f) arrowLeft = left;
        if (strlen(lines[i].text) == hallNameMax && lines[i].y < 0.2f) nameRight = right;
    }
    EXPECT_GT(arrowLeft, nameRight) << "the arrow follows the name";
    EXPECT_GT(nameRight, 0.0f);
}
