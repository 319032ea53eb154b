// The clocks. Every speed and fade is multiplied by the frame time measured here; there is no
// frame limiter and no fixed time step.
#include "app/timing.h"
#include <GL/freeglut.h>
#include <ctime>
#include "app/record.h"

int64_t monotonicCounter() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * monotonicFrequency + now.tv_nsec;
}

int64_t (*timingCounter)() = monotonicCounter;
int64_t pauseStartCount;
int64_t pauseEndCount;
int ignoreNextMotion;
int frameDrawn;

void timerReset() {
    record.frameStartCount = timingCounter();
    record.nowCount = timingCounter();
    record.gameTime = 0;
    record.riderState = 0;
    // A message belongs to the screen it was given on.
    record.messageText[0] = 0;
    record.messageTime = 0;
}

void frameTimeUpdate() {
    record.nowCount = timingCounter();
    double ticks = double(record.nowCount - record.frameStartCount);
    record.frameTime = float(ticks / double(record.perfFrequency));
    record.fps = 1.0f / (record.frameTime + 0.00001f);
    if (record.running) record.gameTime += record.frameTime;
}

void frameDone() {
    frameDrawn = 0;
    record.frameStartCount = record.nowCount;
    glutPostRedisplay();
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

void restartFrameClock() {
    record.nowCount = timingCounter();
    record.frameStartCount = record.nowCount;
}
