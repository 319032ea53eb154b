// The game update's rules on a real maze: walking by held keys, the route and exit keys, the
// contacts, the exit door and the end of the game; and the game frame's halts and resumes.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include "app/end_screen.h"
#include "app/game_frame.h"
#include "app/input.h"
#include "app/record.h"
#include "app/screens.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "gl_context.h"
#include "maze/maze.h"
#include "stdout_capture.h"

namespace {

class GameUpdate : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        memset(&record, 0, sizeof record);
        record.mazeSize = 16;
        record.itemsPerKind = 0;
        StdoutCapture quiet;
        mazeBuild(&maze, 16);
    }
    void SetUp() override {
        int size = maze.size;
        memset(&record, 0, sizeof record);
        record.mazeSize = size;
        record.diamondsNeeded = 3;
        record.fullLevel = 4;
        record.running = 1;
        record.perfFrequency = 1000;
        memset(&gameState, 0, sizeof gameState);
        clearKeys();
        setupRequested = 0;
        for (ModelEntry& row : modelTable) row.count = 0;
        resetInventory();
        actorsPlaceForGame();
        shotState = 0;
        routePhase = 0;
    }
    // Where the player ends up after one update with the given arrows held.
    static void hold(int left, int right, int up, int down) {
        keyLeft = left;
        keyRight = right;
        keyUp = up;
        keyDown = down;
    }
};

Actor startHorse() {
    Actor a = {};
    actorInit(&a, 3.5f, 0.5f, 3.5f, 90, 0, 0.07f);
    return a;
}

::testing::AssertionResult samePlace(const Actor& a, const Actor& b) {
    if (std::fabs(a.x - b.x) < 1e-5f && std::fabs(a.z - b.z) < 1e-5f &&
        std::fabs(a.heading - b.heading) < 1e-4f)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.z << ", " << a.heading << ") vs (" << b.x
                                         << ", " << b.z << ", " << b.heading << ")";
}

} // namespace

TEST_F(GameUpdate, TheStartCellLeavesRoomForTheTestSteps) {
    ASSERT_TRUE(mazeIsOpen(&maze, 1, 1));
    EXPECT_FLOAT_EQ(player.heading, 90) << "forward is +x, left is -z";
}

TEST_F(GameUpdate, OneArrowMovesAWholeStep) {
    hold(0, 0, 1, 0);
    gameMoveByKeys(0.1f, 0.1f);
    EXPECT_NEAR(player.x, 1.6f, 1e-5);
    EXPECT_NEAR(player.z, 1.5f, 1e-5);
}

TEST_F(GameUpdate, OppositeArrowsMoveHalfAStepEachAndCancel) {
    hold(1, 1, 0, 0);
    gameMoveByKeys(0.1f, 0.1f);
    EXPECT_NEAR(player.x, 1.5f, 1e-5);
    EXPECT_NEAR(player.z, 1.5f, 1e-5);
    hold(0, 0, 1, 1);
    gameMoveByKeys(0.1f, 0.1f);
    EXPECT_NEAR(player.x, 1.5f, 1e-5);
}

TEST_F(GameUpdate, PerpendicularArrowsMoveHalfAStepInEachDirection) {
    hold(1, 0, 1, 0);
    gameMoveByKeys(0.1f, 0.1f);
    EXPECT_NEAR(player.x, 1.55f, 1e-5);
    EXPECT_NEAR(player.z, 1.45f, 1e-5);
}

TEST_F(GameUpdate, AllFourArrowsMoveAQuarterStepEach) {
    hold(0, 1, 1, 0);
    gameMoveByKeys(0.2f, 0.2f);
    Actor two = player;
    actorsPlaceForGame();
    hold(1, 1, 1, 1);
    gameMoveByKeys(0.2f, 0.2f);
    EXPECT_NEAR(player.x, 1.5f, 1e-5);
    EXPECT_NEAR(player.z, 1.5f, 1e-5);
    EXPECT_NEAR(two.x, 1.6f, 1e-5);
    EXPECT_NEAR(two.z, 1.6f, 1e-5);
}

TEST_F(GameUpdate, TheArrowsCollideWithTheRockAfterEveryMove) {
    hold(0, 0, 0, 1); // backwards, towards the rock at x = 1
    for (int i = 0; i < 20; ++i) gameMoveByKeys(0.1f, 0.1f);
    EXPECT_NEAR(player.x, 1.2f, 1e-4) << "kept 0.2 from the rock face";
}

TEST_F(GameUpdate, HomeWalksTheExitPathAndIgnoresTheArrows) {
    keyHome = 1;
    gameMoveByKeys(0.05f, 0.08f);
    gameMoveByKeys(0.05f, 0.08f);
    Actor homeOnlyPlayer = player, homeOnlyHorse = horse;

    actorsPlaceForGame();
    routePhase = 0;
    keyHome = 1;
    hold(1, 0, 1, 0);
    gameMoveByKeys(0.05f, 0.08f);
    gameMoveByKeys(0.05f, 0.08f);
    EXPECT_TRUE(samePlace(player, homeOnlyPlayer));
    EXPECT_TRUE(samePlace(horse, homeOnlyHorse));
    EXPECT_FALSE(samePlace(horse, startHorse())) << "the horse walks too";
}

TEST_F(GameUpdate, RouteKeysWithArrowsDoBoth) {
    // What each does alone.
    keyPageUp = 1;
    for (int i = 0; i < 5; ++i) gameMoveByKeys(0.02f, 0.05f);
    Actor routeHorse = horse;
    actorsPlaceForGame();
    keyPageUp = 0;
    hold(0, 0, 1, 0);
    for (int i = 0; i < 5; ++i) gameMoveByKeys(0.02f, 0.05f);
    Actor arrowPlayer = player;

    // Both at once.
    actorsPlaceForGame();
    routePhase = 0;
    keyPageUp = 1;
    for (int i = 0; i < 5; ++i) gameMoveByKeys(0.02f, 0.05f);
    EXPECT_TRUE(samePlace(horse, routeHorse));
    EXPECT_TRUE(samePlace(player, arrowPlayer));
    EXPECT_FALSE(samePlace(horse, startHorse()));
}

TEST_F(GameUpdate, FieldOfViewKeysChangeItByOneDegreePerFrame) {
    // The settings library may write a held view angle when the process ends, so its file lives
    // in the build folder rather than in a temporary one that would come back after removal.
    setenv("KAVERNIX_SETTINGS", KX_BINARY_DIR "/game_frame_test-settings.ini", 1);
    record.fieldOfView = 60;
    keyFovDown = 1;
    gameFieldOfView();
    gameFieldOfView();
    EXPECT_EQ(record.fieldOfView, 58);
    keyFovUp = 1;
    gameFieldOfView();
    EXPECT_EQ(record.fieldOfView, 58) << "both held: down then up";
    keyFovDown = 0;
    gameFieldOfView();
    EXPECT_EQ(record.fieldOfView, 59);
}

TEST_F(GameUpdate, PlayerAndHorseTouchingBothStepBackAndWalkNoDistance) {
    actorInit(&horse, 1.7f, 0.3f, 1.5f, 90, 0, 0.07f);
    actorInit(&player, 1.5f, 0.3f, 1.5f, 90, 0, 0.02f);
    stepForward(&player, 0.1f); // 0.1 from the horse: inside 0.3
    gameContacts();
    EXPECT_FLOAT_EQ(player.x, 1.5f);
    EXPECT_FLOAT_EQ(player.distance, 0);
    EXPECT_FLOAT_EQ(horse.distance, 0);

    actorInit(&horse, 3.5f, 0.5f, 3.5f, 90, 0, 0.07f);
    stepForward(&player, 0.1f);
    gameContacts();
    EXPECT_NEAR(player.distance, 0.1f, 1e-5);
}

TEST_F(GameUpdate, ASpiderThatComesDownOnThePlayerPushesItToTheMiddleOfItsCell) {
    record.frameTime = 1; // the spider sinks 0.1 in this frame
    actorInit(&player, 1.3f, 0.3f, 1.7f, 90, 0, 0.02f);
    spawnItem(ROW_SPIDER, 1, 0.5f, 1, 0.005f);
    Actor& spider = modelTable[ROW_SPIDER].entities[0];
    actorInit(&spider, 1.3f, 0.5f, 1.7f, 0, 0, 0.005f); // 0.2 above: out of reach before it moves
    actorSetMotion(&spider, 0, -0.1f, 0, 0, 0);
    gameContacts();
    EXPECT_EQ(modelTable[ROW_SPIDER].count, 1) << "it was not in reach when the player collected";
    EXPECT_FLOAT_EQ(player.x, 1.5f);
    EXPECT_FLOAT_EQ(player.z, 1.5f);
}

TEST_F(GameUpdate, ASpiderThatComesDownOnTheHorsePushesItToTheMiddleOfItsCell) {
    record.frameTime = 1;
    actorInit(&horse, 3.3f, 0.5f, 3.3f, 90, 0, 0.07f);
    spawnItem(ROW_SPIDER, 3, 0.85f, 3, 0.005f);
    Actor& spider = modelTable[ROW_SPIDER].entities[0];
    actorInit(&spider, 3.3f, 0.85f, 3.3f, 0, 0, 0.005f); // above 0.8: it turns down
    gameContacts();
    EXPECT_FLOAT_EQ(horse.x, 3.5f);
    EXPECT_FLOAT_EQ(horse.z, 3.5f);
    EXPECT_FLOAT_EQ(player.x, 1.5f) << "the player was not touched";
}

TEST_F(GameUpdate, ASpiderTouchedAtTheStartOfTheFrameIsCollectedAndPushesNobody) {
    actorInit(&player, 1.3f, 0.3f, 1.7f, 90, 0, 0.02f);
    spawnItem(ROW_SPIDER, 1, 0.3f, 1, 0.005f);
    actorInit(&modelTable[ROW_SPIDER].entities[0], 1.3f, 0.3f, 1.75f, 0, 0, 0.005f);
    gameContacts();
    EXPECT_EQ(modelTable[ROW_SPIDER].count, 0);
    EXPECT_FLOAT_EQ(inventory[ROW_SPIDER], 1);
    EXPECT_FLOAT_EQ(player.x, 1.3f);
}

TEST_F(GameUpdate, TheExitOpensOnlyWithEnoughDiamondsAndBothInTheExitCell) {
    const float e = float(record.mazeSize - 1) + 0.5f;
    actorInit(&horse, e, 0.5f, e, 90, 0, 0.07f);
    actorInit(&player, e - 0.3f, 0.3f, e - 0.3f, 90, 0, 0.02f);
    inventory[ROW_DIAMOND] = 2;
    exitDoorUpdate(0.1f);
    EXPECT_EQ(exitDoor.pitch, 0) << "one diamond short";
    inventory[ROW_DIAMOND] = 3;
    actorInit(&player, 2.5f, 0.3f, 2.5f, 90, 0, 0.02f);
    exitDoorUpdate(0.1f);
    EXPECT_EQ(exitDoor.pitch, 0) << "only the horse in the exit cell";
    actorInit(&player, e - 0.3f, 0.3f, e - 0.3f, 90, 0, 0.02f);
    actorInit(&horse, 2.5f, 0.5f, 2.5f, 90, 0, 0.07f);
    exitDoorUpdate(0.1f);
    EXPECT_EQ(exitDoor.pitch, 0) << "only the player in the exit cell";
    actorInit(&horse, e, 0.5f, e, 90, 0, 0.07f);
    exitDoorUpdate(0.1f);
    EXPECT_FLOAT_EQ(exitDoor.pitch, 1.0f);
}

TEST_F(GameUpdate, AnOpeningExitKeepsOpeningWhenThePlayerWalksAwayAndThenEndsTheGame) {
    exitDoor.pitch = 0.5f; // opened in an earlier frame; nobody is in the exit cell now
    int frames = 0;
    while (exitDoor.pitch < 100 && frames < 2000) {
        exitDoorUpdate(0.05f);
        ++frames;
    }
    EXPECT_EQ(frames, 199) << "99.5 degrees at ten per second";
    EXPECT_EQ(gameState.fadeState, 0) << "the fade-out starts in the frame after the door is open";
    exitDoorUpdate(0.05f);
    EXPECT_EQ(gameState.fadeState, 3);
    gameState.fadeState = 4;
    exitDoorUpdate(0.05f);
    EXPECT_EQ(gameState.fadeState, 4) << "a finished fade-out is not restarted";
    EXPECT_TRUE(gameWon());
}

TEST_F(GameUpdate, ShootingTheHorseWhileTheExitOpensEndsTheGameBeforeItIsOpen) {
    exitDoor.pitch = 30;
    shotState = 1;
    actorCopy(&shot, &horse);
    shot.radius = 0.02f;
    gameContacts();
    EXPECT_EQ(gameState.fadeState, 3);
    // The fade-out takes 118 frames at 60 per second; the door goes on opening meanwhile.
    for (int i = 0; i < 118; ++i) exitDoorUpdate(1.0f / 60);
    EXPECT_LT(exitDoor.pitch, 100);
    EXPECT_GT(exitDoor.pitch, 1);
    EXPECT_TRUE(gameWon()) << "the end screen judges by the angle";
}

TEST_F(GameUpdate, AHorseShotWithTheExitClosedLosesTheGame) {
    shotState = 1;
    actorCopy(&shot, &horse);
    gameContacts();
    EXPECT_EQ(gameState.fadeState, 3);
    EXPECT_FALSE(gameWon());
}

TEST_F(GameUpdate, AReadyShotRidingWithThePlayerCannotHitTheHorse) {
    actorInit(&horse, 1.6f, 0.5f, 1.5f, 90, 0, 0.07f);
    shotState = 0;
    shotUpdate();
    gameContacts();
    EXPECT_NE(gameState.fadeState, 3);
}

// ---- The whole update with a window: the settings round trip, the end of the game.

class GameIdle : public GameUpdate {
  protected:
    void SetUp() override {
        glTestContext();
        GameUpdate::SetUp();
        char dir[] = "/tmp/kx_idle_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder = dir;
        file = folder + "/settings.ini";
        setenv("KAVERNIX_SETTINGS", file.c_str(), 1);
        setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
        timingCounter = fakeCounter;
        fakeNow = 0;
        timerReset();
    }
    void TearDown() override {
        timingCounter = monotonicCounter;
        glutIdleFunc(nullptr);
        unlink(file.c_str());
        rmdir(folder.c_str());
    }
    static int64_t fakeNow;
    static int64_t fakeCounter() { return fakeNow; }
    std::string folder, file;
};
int64_t GameIdle::fakeNow;

TEST_F(GameIdle, OneUpdateMeasuresTheFrameAndWalks) {
    fakeNow = 100;
    keyUp = 1;
    record.fullLevel = 4; // no oil: the player walks 0.2 units per second
    gameIdle();
    EXPECT_FLOAT_EQ(record.frameTime, 0.1f);
    EXPECT_NEAR(player.x, 1.5f + 0.02f, 1e-5);
    EXPECT_EQ(record.frameStartCount, 100);
    EXPECT_EQ(frameDrawn, 0);
}

TEST_F(GameIdle, TheSettingsDialogRoundTripRestartsTheFrameClock) {
    record.fieldOfView = 77;
    setupRequested = 1;
    stencilValid = 3;
    fakeNow = 5000; // the dialog was asked for 5 seconds after the frame began
    gameIdle();
    EXPECT_EQ(setupRequested, 0);
    EXPECT_EQ(stencilValid, 0);
    EXPECT_EQ(ignoreNextMotion, 1);
    EXPECT_FLOAT_EQ(record.frameTime, 0.0f) << "the time before and in the dialog is not frame time";
    EXPECT_GT(record.mazeSize, 0) << "the record was filled again";
}

TEST_F(GameIdle, AFinishedFadeOutEndsTheGameWithItsTimeAndRanksIt) {
    exitDoor.pitch = 100;
    record.hallTimes[0] = record.hallTimes[1] = record.hallTimes[2] = record.hallTimes[3] =
        record.hallTimes[4] = 30000;
    record.gameTime = 42;
    gameState.fadeState = 4;
    fakeNow = 10;
    gameIdle();
    EXPECT_FLOAT_EQ(record.finalTime, 42.01f);
    EXPECT_EQ(gameState.hallRank, 0);
    EXPECT_FLOAT_EQ(record.hallTimes[0], 42.01f);
    EXPECT_EQ(gameState.fadeState, 1) << "the end screen fades in";
    EXPECT_EQ(record.gameTime, 0.0f);
}

TEST_F(GameIdle, TheBossKeyShowsThePictureOnceAndHaltsUntilPressedAgain) {
    record.windowWidth = record.windowHeight = 256;
    gameKeyboard('B', 0, 0);
    EXPECT_EQ(bossScreen, 1);
    gameDisplay();
    EXPECT_EQ(bossScreen, 2);
    gameKeyboard('B', 0, 0);
    EXPECT_EQ(bossScreen, 0);
    EXPECT_EQ(stencilValid, 0);
}

TEST_F(GameIdle, ShowingTheWindowAgainDoesNotCountTheHiddenTime) {
    fakeNow = 20;
    gameIdle();
    gameVisibility(GLUT_NOT_VISIBLE);
    fakeNow = 60000; // a minute hidden
    gameVisibility(GLUT_VISIBLE);
    EXPECT_EQ(record.frameStartCount, 60000);
    fakeNow = 60030;
    gameIdle();
    EXPECT_FLOAT_EQ(record.frameTime, 0.03f);
    EXPECT_FLOAT_EQ(record.gameTime, 0.05f);
}

TEST_F(GameIdle, ShowingTheWindowAgainKeepsABossPictureOrAPauseHalted) {
    bossScreen = 2;
    fakeNow = 9000;
    gameVisibility(GLUT_VISIBLE);
    EXPECT_EQ(record.frameStartCount, 0) << "the boss picture stays until B";
    bossScreen = 0;
    record.running = 0;
    gameVisibility(GLUT_VISIBLE);
    EXPECT_EQ(record.frameStartCount, 0) << "a paused game stays paused";
}
