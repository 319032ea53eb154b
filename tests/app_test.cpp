// SPDX-License-Identifier: GPL-3.0-or-later
// The application frame on a real maze and window: the game update's rules, the story and the
// fades, the clocks with an injected counter, and the end screen with the hall of fame.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <cmath>
#include <filesystem>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>
#include "app/end_screen.h"
#include "app/game_frame.h"
#include "app/input.h"
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

namespace {

// The catalogue's rows get their routines and room for placed instances, as at start-up.
[[maybe_unused]] const bool modelsRegistered = (sceneRegisterModels(), true);

int64_t fakeNow;
int seenX = -1, seenY = -1;

// A fresh record and screen state on the 16-cell maze, the player and the horse at their start
// places (player at (1.5, 1.5) heading +x, horse at (3.5, 3.5)), the clock at 0 ticks of 1000/s.
class App : public ::testing::Test {
  protected:
    static std::string stateFolder() {
        return testing::TempDir() + "kx_app_state_" + std::to_string(getpid());
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        std::filesystem::remove_all(stateFolder(), ignored);
    }
    static void SetUpTestSuite() {
        memset(&record, 0, sizeof record);
        record.mazeSize = 16;
        // The end screen deletes a saved run and writes records and settings: never the tester's own.
        const std::string folder = stateFolder();
        std::filesystem::create_directories(folder);
        setenv("XDG_STATE_HOME", folder.c_str(), 1);
        setenv("XDG_DATA_HOME", folder.c_str(), 1);
        setenv("KAVERNIX_SETTINGS", (folder + "/settings.ini").c_str(), 1);
        setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
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
        keySetDefaults(&record);
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
using Clocks = App;
using EndScreen = App;

// A key pressed and released on the screen in use.
void press(int code) {
    inputKeyDown(code);
    inputKeyUp(code);
}

bool samePlace(const Actor& a, const Actor& b) {
    return std::fabs(a.x - b.x) < 1e-5f && std::fabs(a.z - b.z) < 1e-5f &&
           std::fabs(a.heading - b.heading) < 1e-4f;
}

void expectSamePlace(const Actor& a, const Actor& b, const char* what) {
    EXPECT_NEAR(a.x, b.x, 1e-5f) << what;
    EXPECT_NEAR(a.z, b.z, 1e-5f) << what;
    EXPECT_NEAR(a.heading, b.heading, 1e-4f) << what;
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
    for (; gameState.fadeState == from && frames < 1000; ++frames)
        drawFade(&gameState.fadeState, &gameState.fadeLevel);
    return frames;
}

} // namespace

TEST_F(GameUpdate, HeldArrowsAddUpToOneStep) {
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
        EXPECT_NEAR(player.x, c.x, 1e-5f) << c.left << c.right << c.up << c.down;
        EXPECT_NEAR(player.z, c.z, 1e-5f) << c.left << c.right << c.up << c.down;
    }
}

// Five steps from the start places with the route keys and arrows held: the player and the horse.
std::pair<Actor, Actor> routeRun(int home, int pageUp, int up, int left) {
    actorsPlaceForGame();
    routePhase = 0, inputHold(ACTION_WALK_OUT, home), inputHold(ACTION_CALL_HORSE, pageUp),
    inputHold(ACTION_FORWARD, up), inputHold(ACTION_STEP_LEFT, left);
    for (int i = 0; i < 5; ++i) gameMoveByKeys(0.02f, 0.05f);
    return std::make_pair(player, horse);
}

// Home walks both to the exit and ignores the arrows; Page Up brings the horse and leaves the arrows
// to the player.
TEST_F(GameUpdate, RouteKeysWalkTheHorseAndLeaveOnlyPageUpsPlayerToTheArrows) {
    const Actor startHorse = horse;
    const auto home = routeRun(1, 0, 0, 0), homeArrows = routeRun(1, 0, 1, 1);
    const auto pageUp = routeRun(0, 1, 0, 0), up = routeRun(0, 0, 1, 0), pageUpArrow = routeRun(0, 1, 1, 0);
    EXPECT_FALSE(samePlace(home.second, startHorse)) << "Home: the horse walks";
    EXPECT_FALSE(samePlace(pageUp.second, startHorse)) << "Page Up: the horse walks";
    expectSamePlace(homeArrows.first, home.first, "Home: the player");
    expectSamePlace(homeArrows.second, home.second, "Home: the horse");
    expectSamePlace(pageUpArrow.first, up.first, "Page Up: the player");
    expectSamePlace(pageUpArrow.second, pageUp.second, "Page Up: the horse");
}

// The diamonds found, the player at (p, p) and the horse at (h, h), then one door update of dt.
void exitPlace(float diamonds, float p, float h, float dt) {
    inventory[ROW_DIAMOND] = diamonds;
    actorInit(&player, p, 0.3f, p, 90, 0, 0.02f);
    actorInit(&horse, h, 0.5f, h, 90, 0, 0.07f);
    gameExitDoorUpdate(dt);
}
const float exitMiddle = 15.5f, awayFromExit = 2.5f;

// The exit stays closed without enough diamonds or with one of the two away; once opening it keeps
// opening, then the game is won.
TEST_F(GameUpdate, TheExitOpensForTheDiamondsWithBothThereThenTheGameIsWon) {
    const float e = exitMiddle, away = awayFromExit;
    const float closed[][3] = {{2, e - 0.3f, e}, {3, away, e}, {3, e - 0.3f, away}};
    for (const auto& c : closed) {
        exitPlace(c[0], c[1], c[2], 0.1f);
        EXPECT_EQ(exitDoor.pitch, 0) << c[0] << " " << c[1] << " " << c[2];
    }
    exitPlace(3, exitMiddle - 0.3f, exitMiddle, 0.05f);
    EXPECT_FLOAT_EQ(exitDoor.pitch, 0.5f);
    actorInit(&player, awayFromExit, 0.3f, awayFromExit, 90, 0, 0.02f); // walking away does not stop the door
    int frames = 0;
    for (; exitDoor.pitch < 100 && frames < 2000; ++frames) gameExitDoorUpdate(0.05f);
    // 99.5 degrees at ten per second; the fade-out starts in the frame after the door is open
    EXPECT_EQ(frames, 199);
    EXPECT_EQ(gameState.fadeState, 0);
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
    EXPECT_NE(gameHorseHit(), 0);
    EXPECT_FALSE(gameWon()) << "a hit after the exit began to open stays lost";
    gameSetHorseHit(0), gameState.fadeState = 0, record.riderState = 2;
    gameContacts();
    EXPECT_EQ(gameState.fadeState, 0) << "the rider's arrow";
    EXPECT_TRUE(gameWon()) << "the rider's arrow";
}

// A spider the player walks into pushes the player to the cell's middle, then is taken.
TEST_F(GameUpdate, ASpiderPushesBeforeItIsTaken) {
    Actor& spider = modelTable[ROW_SPIDER].entities[0];
    actorInit(&spider, 1.2f, 0.5f, 1.75f, 0, 0, 0.005f);
    modelTable[ROW_SPIDER].count = 1;
    actorInit(&player, 1.3f, 0.3f, 1.55f, 90, 0, 0.02f);
    gameContacts();
    EXPECT_NEAR(player.x, 1.5f, 1e-5f);
    EXPECT_NEAR(player.z, 1.5f, 1e-5f);
    EXPECT_EQ(inventory[ROW_SPIDER], 1.0f);
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
    expectSamePlace(standing, horse, "the horse stops");
    EXPECT_LT(actorFloorDistance(&horse, &player), 0.6f) << "the horse stops at the player";
    EXPECT_STREQ(riderLabel(), "Get on");
    inputHold(ACTION_CALL_HORSE, 0);
    riderToggle();
    playFrame();
    EXPECT_STREQ(riderLabel(), "Ride");
    EXPECT_NEAR(player.x, horse.x, 1e-5f);
    EXPECT_NEAR(player.z, horse.z, 1e-5f);
    EXPECT_GT(player.y, 0.47f);
    float playerStep, horseStep;
    itemsStepSizes(&playerStep, &horseStep);
    EXPECT_EQ(playerStep, horseStep);
    inputHold(ACTION_FORWARD, 1); // the arrows steer the horse
    playFrame();
    EXPECT_NEAR(player.x, horse.x, 1e-5f);
    EXPECT_NEAR(player.z, horse.z, 1e-5f);
    EXPECT_GT(horse.distance, 0);
    inputHold(ACTION_FORWARD, 0);
    riderToggle();
    playFrame();
    EXPECT_STREQ(riderLabel(), "Get Off");
    EXPECT_NEAR(player.y, 0.3f, 1e-5f);
    EXPECT_GT(actorFloorDistance(&player, &horse), 0.3f);
    for (int i = 0; i < 20; ++i) playFrame();
    EXPECT_STREQ(riderLabel(), "Get on");
    riderToggle();
    inputHold(ACTION_WALK_OUT, 1), routePhase = 0;
    for (int i = 0; i < 20000 && !gameWon(); ++i) playFrame();
    EXPECT_TRUE(gameWon());
    EXPECT_EQ(record.riderState, 2);
}

// The story begun with its first page's text rising, then Enter pressed `times`.
void storyEnter(int times) {
    enterStory();
    gameState.storyScroll = 0.3f;
    while (times--) press('\r');
}

// Enter brings a rising text to rest before turning the page; after the last page it fades out, and
// Enter during the fade-out leaves the fade going.
TEST_F(Story, EnterRestsTheTextTurnsThePagesThenFadesOutOnce) {
    for (auto [presses, page, scroll] : std::vector<std::tuple<int, int, float>>{{1, 0, 0.7f}, {2, 1, 0}}) {
        storyEnter(presses);
        EXPECT_EQ(gameState.storyPage, page) << presses << " presses";
        EXPECT_NEAR(gameState.storyScroll, scroll, 1e-5f) << presses << " presses";
    }
    storyEnter(8);
    EXPECT_EQ(gameState.storyPage, 4);
    EXPECT_EQ(gameState.fadeState, 3);
    EXPECT_NEAR(gameState.fadeLevel, 1, 1e-5f);
    EXPECT_EQ(storyPageText(), nullptr);
    gameState.fadeLevel = 40; // Enter turns an empty page
    press('\r'), press('\r');
    EXPECT_EQ(gameState.storyPage, 5);
    EXPECT_EQ(gameState.fadeState, 3);
    EXPECT_NEAR(gameState.fadeLevel, 40, 1e-5f);
}

TEST_F(Story, AFadeTakes118FramesAtSixtyPerSecond) {
    fadeOut();
    EXPECT_EQ(fadeFrames(), 118) << "out";
    EXPECT_EQ(gameState.fadeState, 4);
    fadeIn();
    for (int frames : {118, 1}) EXPECT_EQ(fadeFrames(), frames) << "in";
    EXPECT_EQ(gameState.fadeState, 0) << "state 2 lasts one frame";
    fadeIn();
    gameState.fadeLevel = 42;
    fadeOut();
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 42) << "a fade turned round goes on from the level reached";
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
    for (auto [pageUp, pageDown] : std::vector<std::pair<int, int>>{{1, 0}, {0, 1}, {1, 1}}) {
        SCOPED_TRACE(testing::Message() << "Page Up " << pageUp << ", Page Down " << pageDown);
        actorsPlaceForGame();
        gameState.fadeState = 0, exitDoor.pitch = 0, record.diamondsNeeded = 0;
        inputHold(ACTION_CALL_HORSE, pageUp), inputHold(ACTION_GO_TO_HORSE, pageDown),
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

// A press that goes down and up between two frames counts as held for the next frame, once however
// often it came: the player steps one frame's step forward, the horse without straw says so; the
// frame after it the key is up again. A press while the game was halted moves nothing.
TEST_F(GameUpdate, APressBetweenTwoFramesCountsAsHeldForOneFrame) {
    const int up = KEY_SPECIAL + GLUT_KEY_UP, pageUp = KEY_SPECIAL + GLUT_KEY_PAGE_UP;
    actorsPlaceForGame();
    inputHold(ACTION_FORWARD, 1);
    idleFrame(1.0f / 60);
    const float step = player.x - 1.5f; // a frame with Up held
    inputHold(ACTION_FORWARD, 0);
    ASSERT_GT(step, 0);
    // clang-format off
    const struct { const char* what; std::vector<int> taps; int paused, walks; const char* said; } cases[] = {
        {"Up tapped", {up}, 0, 1, ""}, {"Up tapped twice", {up, up}, 0, 1, ""},
        {"Page Up tapped without straw", {pageUp}, 0, 0, "The horse needs straw"}, {"no key", {}, 0, 0, ""},
        {"Up tapped while the game was paused", {up}, 1, 0, ""}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        actorsPlaceForGame();
        idleFrame(1.0f / 60);
        record.messageText[0] = 0, record.messageTime = 0;
        record.running = !c.paused;
        for (int key : c.taps) press(key);
        record.running = 1;
        idleFrame(1.0f / 60);
        EXPECT_NEAR(player.x - 1.5f, float(c.walks) * step, 1e-5f);
        EXPECT_STREQ(record.messageTime != 0 ? record.messageText : "", c.said);
        idleFrame(1.0f / 60);
        EXPECT_NEAR(player.x - 1.5f, float(c.walks) * step, 1e-5f) << "held for one frame only";
    }
}

// A flying arrow from (x, z) heading +x, the horse at its start place (3.5, 3.5).
void shootFrom(float x, float z) {
    actorsPlaceForGame();
    gameSetHorseHit(0), gameState.fadeState = 0, shotState = 1;
    actorInit(&shot, x, 0.2f, z, 90, 0, 0.02f);
}

// A slow frame carries a flying arrow neither past the horse's body nor through a wall into the next
// corridor.
TEST_F(GameUpdate, ASlowFrameCarriesNoArrowPastWhatItMeets) {
    for (float t : {1.0f / 60, 0.25f, 0.5f, 1.0f}) {
        shootFrom(3.2f, 3.5f);
        for (int i = 0; i < 10 && !gameHorseHit(); ++i) idleFrame(t);
        EXPECT_EQ(gameHorseHit(), 1) << "the horse, frame of " << t << " s";
        shootFrom(3.5f, 1.5f); // rock at x 4..5, open again at 5
        for (float flown = 0; flown < 1.5f && shotState == 1; flown += t) idleFrame(t);
        EXPECT_EQ(shotState, 2) << "it bursts where it met the rock, frame of " << t << " s";
        EXPECT_EQ(int(shot.x), 4) << "the rock, frame of " << t << " s";
    }
}

// The game clock adds whole counter ticks: it neither stops nor drifts at high frame rates.
TEST_F(Clocks, GameTimeKeepsCountingAtHighFrameRates) {
    for (auto [fps, hours] : std::vector<std::pair<int64_t, double>>{{3000, 2.5}, {1000, 8}}) {
        record.perfFrequency = fps; // one tick a frame
        fakeNow = 0, timerReset();
        const int64_t frames = int64_t(hours * 3600 * double(fps));
        for (int64_t i = 0; i < frames; ++i) {
            ++fakeNow, frameTimeUpdate();
            record.frameStartCount = record.nowCount;
        }
        EXPECT_NEAR(record.gameTime, hours * 3600, 0.01) << fps << " frames a second";
    }
}

TEST_F(Story, SpaceHoldsTheStoryWithoutCountingThePause) {
    enterStory();
    fakeNow = 100, press(' ');
    EXPECT_EQ(record.running, 0) << "the space bar stops";
    EXPECT_EQ(shotState, 1) << "the space bar also fires";
    storyRise(1.0f);
    EXPECT_EQ(gameState.storyScroll, 0.0f);
    record.frameTime = 0; // no idle runs while stopped: a redraw sees no time pass
    for (int i = 0; i < 300; ++i) drawFade(&gameState.fadeState, &gameState.fadeLevel);
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 1);
    fakeNow = 6100, press(' ');
    fakeNow = 6150, storyIdle();
    EXPECT_NEAR(record.frameTime, 0.15f, 1e-5f) << "100 ticks before and 50 after the pause";
    EXPECT_NEAR(gameState.storyScroll, 0.003f, 1e-5f);
}

// The frame time follows the counter; pauses are left out of the game time.
TEST_F(Clocks, TheFrameTimeFollowsTheCounterWithoutThePauses) {
    fakeNow = 20, frameTimeUpdate(), frameDone();
    EXPECT_FLOAT_EQ(record.frameTime, 0.02f);
    EXPECT_NEAR(record.fps, 1.0 / 0.02001, 1e-3);
    frameTimeUpdate(); // no tick since the frame began
    EXPECT_NEAR(record.fps, 100000.0f, 1.0f);
    frameDone();
    fakeNow = 120; // 100 ticks into the frame, then a 5-second pause
    pauseStart();
    fakeNow = 5120, pauseEnd();
    fakeNow = 5140, frameTimeUpdate();
    EXPECT_NEAR(record.frameTime, 0.12f, 1e-5f);
    EXPECT_NEAR(record.gameTime, 0.14f, 1e-5f);
    frameDone();
    record.running = 0, fakeNow += 40;
    frameTimeUpdate();
    EXPECT_NEAR(record.frameTime, 0.04f, 1e-5f) << "stopped";
    EXPECT_NEAR(record.gameTime, 0.14f, 1e-5f) << "stopped: game time stands still";
}

TEST_F(Clocks, AReshapeCentresThePointerRoundingOddSizesDown) {
    glutPassiveMotionFunc([](int x, int y) { seenX = x, seenY = y; });
    glutDisplayFunc([] {});
    for (int i = 0; i < 20; ++i) glutMainLoopEvent(); // let the window map
    windowReshape(201, 151);
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_EQ(view[2], 201);
    EXPECT_EQ(view[3], 151);
    for (int i = 0; i < 200 && seenX != 100; ++i) glutMainLoopEvent(), usleep(5000);
    EXPECT_EQ(seenX, 100);
    EXPECT_EQ(seenY, 75);
    glutPassiveMotionFunc(nullptr), glViewport(0, 0, 256, 256);
}

// A run enters only when strictly faster, and pushes the slower runs down.
TEST(HallOfFame, RanksOnlyStrictlyFasterRunsPushingTheSlowerDown) {
    SettingsRecord r = {};
    fillHall(&r, {});
    EXPECT_EQ(hallInsert(&r, 29999.0f), 0) << "an empty hall takes any run";
    fillHall(&r, {{"a", 10}, {"b", 20}, {"c", 30}, {"d", 40}, {"e", 50}});
    EXPECT_EQ(hallInsert(&r, 50.0f), -1) << "equal to the fifth does not enter";
    EXPECT_STREQ(r.hallNames[4], "e");
    EXPECT_EQ(hallInsert(&r, 20.0f), 2) << "an equal time ranks below the kept one";
    const char* names[5] = {"a", "b", "", "c", "d"};
    const float times[5] = {10, 20, 20, 30, 40};
    for (int i = 0; i < 5; ++i) {
        EXPECT_STREQ(r.hallNames[i], names[i]) << i;
        EXPECT_EQ(r.hallTimes[i], times[i]) << i;
    }
}

// Control bytes type nothing; a name keeps 31 bytes.
TEST(HallOfFame, NameEntryTakesThirtyOnePrintableBytes) {
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

TEST_F(EndScreen, AWonRunIsStoredAtItsRankOnceByEnter) {
    auto stored = [](SettingsRecord r = {}) { return setupShow(0), setupLoad(&r), r; };
    fillHall(&record, {{"Ada", 61.5f}, {"Bob", 90}});
    record.finalTime = 75.25f;
    exitDoor.pitch = 100;
    enterEndScreen();
    EXPECT_EQ(gameState.hallRank, 1);
    for (const char* c = "Zo\xEB\r"; *c; ++c) press((unsigned char)*c);
    EXPECT_EQ(gameState.fadeState, 3);
    SettingsRecord first = stored();
    EXPECT_STREQ(first.hallNames[1], "Zo\xEB");
    EXPECT_EQ(first.hallTimes[1], 75.25f);
    EXPECT_STREQ(first.hallNames[2], "Bob");
    press('X'); // leaving: typing changes nothing, a second Enter stores nothing
    EXPECT_STREQ(record.hallNames[1], "Zo\xEB");
    strcpy(record.hallNames[1], "changed");
    press('\r');
    EXPECT_STREQ(stored().hallNames[1], "Zo\xEB");
}

// The English texts (the catalogue's ids); the German ones are pinned in lang_test.
TEST_F(EndScreen, EveryKindOfEndShowsItsTexts) {
    fillHall(&record, {{"Ada", 61.5f}, {"", 70}});
    record.finalTime = 3725.5f;
    // clang-format off
    struct { float door; int rank; std::vector<const char*> lines; /* "x,y text" */ } runs[] = {
        {100, 1, {"0.20,0.80 You made it.", "0.20,0.70 You made the hall of fame!",
                  "0.20,0.62 Type your name, then Enter:", "0.03,0.50 1:", "0.08,0.50 0:01:01:50",
                  "0.28,0.50 Ada", "0.08,0.42 0:01:10:00", "0.29,0.42 <---", "0.03,0.18 5:",
                  "0.03,0.07 Press Enter to finish"}},
        {100, -1, {"0.20,0.70 Too slow for the hall of fame.", "0.20,0.62 Your time: ",
                   "0.60,0.62 1:02:05:50"}},
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
TEST_F(EndScreen, TheLongestNameWithItsArrowFitsThePanelAt640x480) {
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

// With routeKeys = tap one press of Page Up goes on calling the horse frame after frame: the rider's
// label says the horse comes and the horse without straw says so once; with hold the press counts
// for one frame only.
TEST_F(GameUpdate, ATappedWalkCountsAsHeldForTheRiderAndTheStraw) {
    const int pageUp = KEY_SPECIAL + GLUT_KEY_PAGE_UP;
    // clang-format off
    const struct { int routeKeys; int riderState; } cases[] = {{1, 1}, {0, 0}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.routeKeys);
        actorsPlaceForGame();
        record.routeKeys = c.routeKeys, gameState.tappedRoute = 0;
        idleFrame(1.0f / 60);
        record.messageText[0] = 0, record.messageTime = 0;
        press(pageUp);
        for (int i = 0; i < 5; ++i) idleFrame(1.0f / 60);
        EXPECT_EQ(record.riderState, c.riderState);
        EXPECT_EQ(gameRouteHeld(ACTION_CALL_HORSE), c.routeKeys);
        EXPECT_STREQ(record.messageText, "The horse needs straw") << "said once, also for a single frame";
    }
    record.routeKeys = 0;
}

// F9 and F10 say the angle they reach; the player's steps and the oil go by the game's pace while
// the clock keeps real time.
TEST_F(GameUpdate, TheViewKeysSayTheirAngleAndThePaceSlowsTheWalk) {
    record.fieldOfView = 60;
    inputHold(ACTION_WIDER, 1);
    idleFrame(0.1f);
    inputHold(ACTION_WIDER, 0);
    EXPECT_EQ(record.fieldOfView, 63);
    EXPECT_STREQ(record.messageText, "Field of view 63\xB0");
    gameFieldOfViewKeep();
    // clang-format off
    const struct { int speed; float walked; } cases[] = {{100, 1}, {50, 0.5f}, {75, 0.75f}};
    // clang-format on
    float full = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        actorsPlaceForGame();
        record.gameSpeed = c.speed;
        inputHold(ACTION_FORWARD, 1);
        const float clock = record.gameTime;
        idleFrame(0.1f);
        inputHold(ACTION_FORWARD, 0);
        if (c.speed == 100) full = player.x - 1.5f;
        EXPECT_NEAR(player.x - 1.5f, c.walked * full, 1e-5f);
        EXPECT_NEAR(record.gameTime - clock, 0.1f, 1e-4f) << "the clock keeps real time";
    }
    record.gameSpeed = 100;
}
