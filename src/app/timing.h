// SPDX-License-Identifier: GPL-3.0-or-later
// The clocks: frame time, frame rate and game time from a monotonic counter, with pauses,
// reshapes and the settings dialog kept out of the frame time. The clock fields themselves live in
// the settings record.
#pragma once
#include <cstdint>

// The counter every clock reads, in ticks of record.perfFrequency per second: timingMonotonicCounter, or
// the one given to timingSetCounter (the timedemo's fixed steps, tests' own clocks).
int64_t timingNow();
void timingSetCounter(int64_t (*counter)());
int64_t timingMonotonicCounter();                  // CLOCK_MONOTONIC in nanoseconds
constexpr int64_t monotonicFrequency = 1000000000; // ticks per second of timingMonotonicCounter

extern int64_t pauseStartCount; // counter reading when the current pause began
extern int64_t pauseEndCount;   // counter reading when the last pause ended
extern int ignoreNextMotion;    // 1: the next pointer motion is only recorded (after a warp)
extern int frameDrawn;          // 1 once the game display has drawn the current update

void timerReset(); // the frame starts now; gameTime and riderState back to 0, no message
// The game clock set to seconds already played (a continued run); the frames after add to it.
void timingSetGameTime(float seconds);
void frameTimeUpdate(); // first in every idle callback: frameTime, fps, gameTime while running
// The two halves of frameTimeUpdate: the counter ticks since the frame began, and the clocks moved on
// by ticks (a replay hands in the recorded ticks).
int64_t timingFrameTicks();
void timingAdvance(int64_t ticks);
// The game clock in whole counter ticks, as kept and continued exactly.
int64_t timingGameTicks();
void timingSetGameTicks(int64_t ticks);
void frameDone();       // last in every idle callback: next frame starts here; redisplay (screens.cpp)
void pauseStart();
void pauseEnd();         // the paused interval is not counted in the next frame time
void resyncAfterPause(); // pauseEnd, and the pointer jump that follows is not a turn
// The frame clock starts again now: the time the idle callback was halted (window hidden) is
// neither frame time nor game time.
void timingRestartFrameClock();
