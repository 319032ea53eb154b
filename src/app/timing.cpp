// SPDX-License-Identifier: GPL-3.0-or-later
// The clocks. Every speed and fade is multiplied by the frame time measured here; there is no
// frame limiter and no fixed time step.
#include "app/timing.h"
#include <cmath>
#include <ctime>
#include "app/record.h"

int64_t timingMonotonicCounter() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * monotonicFrequency + now.tv_nsec;
}

static int64_t (*timingCounter)() = timingMonotonicCounter;

int64_t timingNow() {
    return timingCounter();
}

void timingSetCounter(int64_t (*counter)()) {
    timingCounter = counter;
}
int64_t pauseStartCount;
int64_t pauseEndCount;
int ignoreNextMotion;
int frameDrawn;
// The game time in whole counter ticks: a float sum of frame times stops growing once a frame is
// below half its last digit (after 2.3 hours at 3000 frames a second) and drifts long before.
static int64_t gameTicks;

void timerReset() {
    record.frameStartCount = timingCounter();
    record.nowCount = timingCounter();
    record.gameTime = 0;
    gameTicks = 0;
    record.riderState = 0;
    // A message belongs to the screen it was given on.
    record.messageText[0] = 0;
    record.messageTime = 0;
}

void timingSetGameTime(float seconds) {
    // Rounded up: a run that goes on never counts less than it had played.
    gameTicks = int64_t(std::ceil(double(seconds) * double(record.perfFrequency)));
    record.gameTime = seconds;
}

int64_t timingFrameTicks() {
    record.nowCount = timingCounter();
    return record.nowCount - record.frameStartCount;
}

int64_t timingGameTicks() {
    return gameTicks;
}

void timingSetGameTicks(int64_t ticks) {
    gameTicks = ticks;
    record.gameTime = float(double(gameTicks) / double(record.perfFrequency));
}

void frameTimeUpdate() {
    timingAdvance(timingFrameTicks());
}

void timingAdvance(int64_t ticks) {
    record.frameTime = float(double(ticks) / double(record.perfFrequency));
    record.fps = 1.0f / (record.frameTime + 0.00001f);
    if (record.running) {
        gameTicks += ticks;
        record.gameTime = float(double(gameTicks) / double(record.perfFrequency));
    }
}

void pauseStart() {
    pauseStartCount = timingCounter();
}

void pauseEnd() {
    pauseEndCount = timingCounter();
    record.frameStartCount += pauseEndCount - pauseStartCount;
}

void resyncAfterPause() {
    pauseEnd();
    ignoreNextMotion = 1;
}

void timingRestartFrameClock() {
    record.nowCount = timingCounter();
    record.frameStartCount = record.nowCount;
}
