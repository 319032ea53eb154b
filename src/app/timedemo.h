// SPDX-License-Identifier: GPL-3.0-or-later
// The timedemo: a fixed walk of the player and the horse along the exit path, drawn as fast as the
// machine can, with one line of figures at the end.
#pragma once

enum { timedemoDefaultFrames = 600, timedemoMaxFrames = 10000000 };

// Seconds since the kernel started this process (to its 10 ms tick), or -1 when unknown.
double timedemoProcessAgeSeconds();

// The settings the timedemo changes in memory only (nothing is saved): no story, a door that
// never opens (so the run never ends and the hall of fame stays as it is).
void timedemoPrepare();
// Enters the game and takes over its callbacks: every frame advances the game clock by a fixed
// 1/30 s, the player and the horse walk the exit path with full supplies and the view looks
// around. The first frame ends the start-up (startup_ms); seconds, fps and slowest_ms cover the
// frames after it. After frames frames it prints "startup_ms=... frames=... seconds=... fps=...
// slowest_ms=... mine=CODE" (the code of the mine walked) and exits with status 0.
void timedemoEnter(int frames);
