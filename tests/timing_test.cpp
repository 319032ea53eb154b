// The clocks with an injected counter (1000 ticks per second): frame time, frame rate, game time,
// pauses kept out of the frame time, resuming the game; and the reshape's pointer warp.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <cstring>
#include <ctime>
#include "app/game_frame.h"
#include "app/record.h"
#include "app/timing.h"
#include "gl_context.h"

namespace {

int64_t fakeNow;
int64_t fakeStep; // added after every reading: a clock that moves while code runs
int64_t fakeCounter() {
    int64_t now = fakeNow;
    fakeNow += fakeStep;
    return now;
}

class Clocks : public ::testing::Test {
  protected:
    void SetUp() override {
        glTestContext(); // frameDone requests a redisplay of the current window
        memset(&record, 0, sizeof record);
        record.perfFrequency = 1000;
        record.running = 1;
        record.windowWidth = 256;
        record.windowHeight = 256;
        fakeNow = 0;
        fakeStep = 0;
        timingCounter = fakeCounter;
        timerReset();
    }
    void TearDown() override { timingCounter = monotonicCounter; }
    // One idle callback's worth of clock work, dt ticks after the last frame began.
    void frame(int64_t dt) {
        fakeNow = record.frameStartCount + dt;
        frameTimeUpdate();
        frameDone();
    }
};

} // namespace

TEST_F(Clocks, FrameTimeFpsAndGameTimeFollowTheCounter) {
    frame(20);
    EXPECT_FLOAT_EQ(record.frameTime, 0.02f);
    EXPECT_NEAR(record.fps, 1.0 / 0.02001, 1e-3);
    EXPECT_FLOAT_EQ(record.gameTime, 0.02f);
    frame(30);
    EXPECT_FLOAT_EQ(record.frameTime, 0.03f);
    EXPECT_FLOAT_EQ(record.gameTime, 0.05f);
    EXPECT_EQ(record.frameStartCount, 50) << "the next frame runs from this update's reading";
    EXPECT_EQ(frameDrawn, 0);
}

TEST_F(Clocks, FpsOfAZeroFrameTimeIsOneHundredThousand) {
    frame(0);
    EXPECT_EQ(record.frameTime, 0.0f);
    EXPECT_NEAR(record.fps, 100000.0f, 1.0f);
}

TEST_F(Clocks, StoppedClocksStillMeasureFramesButGameTimeStandsStill) {
    frame(20);
    record.running = 0;
    frame(40);
    frame(40);
    EXPECT_FLOAT_EQ(record.frameTime, 0.04f);
    EXPECT_NEAR(record.fps, 1.0 / 0.04001, 1e-3);
    EXPECT_FLOAT_EQ(record.gameTime, 0.02f);
}

TEST_F(Clocks, TimerResetRestartsTheScreensClocksAndRiderLabel) {
    frame(500);
    record.riderState = 3;
    fakeNow = 9000;
    timerReset();
    EXPECT_EQ(record.frameStartCount, 9000);
    EXPECT_EQ(record.nowCount, 9000);
    EXPECT_EQ(record.gameTime, 0.0f);
    EXPECT_EQ(record.riderState, 0);
}

TEST_F(Clocks, APauseIsNotCountedInTheNextFrame) {
    fakeNow = 100; // the frame began at 0; 100 ticks pass, then a 5-second pause
    pauseStart();
    fakeNow = 5100;
    pauseEnd();
    fakeNow = 5120;
    frameTimeUpdate();
    EXPECT_FLOAT_EQ(record.frameTime, 0.12f);
    EXPECT_FLOAT_EQ(record.gameTime, 0.12f);
}

TEST_F(Clocks, ResyncAfterPauseAlsoIgnoresTheNextPointerMotion) {
    ignoreNextMotion = 0;
    pauseStart();
    fakeNow = 300;
    resyncAfterPause();
    EXPECT_EQ(ignoreNextMotion, 1);
    EXPECT_EQ(record.frameStartCount, 300);
}

TEST_F(Clocks, ResumingTheGameTimesTheFirstFrameFromTheResume) {
    frame(20);
    // Paused (P) for 8 seconds: no idle callback ran meanwhile.
    fakeNow = record.frameStartCount + 8000;
    gameResume();
    glutIdleFunc(nullptr); // this test drives the clock itself
    fakeNow += 25;
    frameTimeUpdate();
    EXPECT_FLOAT_EQ(record.frameTime, 0.025f);
    EXPECT_FLOAT_EQ(record.gameTime, 0.045f);
    EXPECT_EQ(ignoreNextMotion, 1);
}

TEST_F(Clocks, RestartingAfterAHiddenWindowCountsNothingOfTheHiddenTime) {
    frame(20);
    fakeNow += 60000;
    restartFrameClock();
    fakeNow += 10;
    frameTimeUpdate();
    EXPECT_FLOAT_EQ(record.frameTime, 0.01f);
}

TEST_F(Clocks, AReshapeIsNotCountedInTheNextFrame) {
    // Every reading advances the counter by 1000 ticks: each piece of work takes a second.
    fakeNow = 0;
    fakeStep = 1000;
    timerReset(); // frame starts at 0, nowCount 1000
    storyReshape(256, 256);
    int64_t pauseLength = pauseEndCount - pauseStartCount;
    EXPECT_GT(pauseLength, 0);
    EXPECT_EQ(record.frameStartCount, pauseLength) << "the frame start moves on by the reshape's length";
}

TEST(MonotonicCounter, CountsNanosecondsForward) {
    int64_t a = monotonicCounter();
    timespec wait = {0, 20 * 1000 * 1000};
    nanosleep(&wait, nullptr);
    int64_t b = monotonicCounter();
    EXPECT_GE(b - a, 20 * 1000 * 1000);
    EXPECT_LT(b - a, 2 * monotonicFrequency);
    EXPECT_EQ(monotonicFrequency, 1000000000);
}

namespace {
int seenX = -1, seenY = -1;
void recordMotion(int x, int y) {
    seenX = x;
    seenY = y;
}
} // namespace

TEST(WindowReshape, KeepsTheSizeSetsTheViewportAndCentresThePointer) {
    glTestContext();
    memset(&record, 0, sizeof record);
    glutPassiveMotionFunc(recordMotion);
    glutDisplayFunc([] {});
    for (int i = 0; i < 20; ++i) glutMainLoopEvent(); // let the window map
    windowReshape(201, 151);                          // odd sizes: the centre rounds down
    EXPECT_EQ(record.windowWidth, 201);
    EXPECT_EQ(record.windowHeight, 151);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 201);
    EXPECT_EQ(viewport[3], 151);
    for (int i = 0; i < 200 && seenX != 100; ++i) {
        glutMainLoopEvent();
        timespec wait = {0, 5 * 1000 * 1000};
        nanosleep(&wait, nullptr);
    }
    EXPECT_EQ(seenX, 100);
    EXPECT_EQ(seenY, 75);
    glutPassiveMotionFunc(nullptr);
    glViewport(0, 0, 256, 256);
}
