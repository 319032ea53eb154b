// SPDX-License-Identifier: GPL-3.0-or-later
// A replay played in the window (kavernix --replay FILE): the game screen steps by the file's frames
// instead of the player's input, one recorded step per drawn frame, or 2, 4 or 8 of them (keys 2, 4,
// 8; 1 back to one). Frame times are the recorded ones, never scaled. Nothing is recorded or stored.
#pragma once
#include "app/replay.h"

// Reads and checks the file: 1, or 0 after one line on standard error.
int replayPlayOpen(const char* path);
int replayPlaying(); // 1 once a replay was opened for the window
const ReplayHeader* replayPlayHeader();
// The settings of the header that change play, set in the record (the mine is the caller's).
void replayPlayRules();
// The recorded steps of one drawn frame. Returns 0 while the run goes on, 1 when it ended (won or
// lost: the end screen follows), 2 when the file has no more frames (the run was left there).
int replayPlayFrame();
int replayPlaySpeed(); // recorded steps per drawn frame: 1, 2, 4 or 8
// The run's end as played: 1 once the file had no more frames (the run was left there).
int replayPlayLeft();
// The name typed for the run's hall entry ("" for a replay without one: last.kxr, a kept run's).
const char* replayPlayName();
// A typed character on the game screen: 1, 2, 4 or 8 set the speed.
void replayPlayType(unsigned char key);
// The line at the top of the glass ("Replay x2"), in the game's language.
const char* replayPlayLine();
