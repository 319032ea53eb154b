// SPDX-License-Identifier: GPL-3.0-or-later
// Every run recorded (not the timedemo): from the first game step to the end screen, or to leaving
// the game. The last run goes to replays/last.kxr in the data folder ($XDG_DATA_HOME/kavernix),
// written when the run ends or is left; a left run's replay so far is kept beside the kept run
// (run.kxr beside run.ini) and goes on as a new segment when the run is continued.
#pragma once
#include <cstdint>
#include <string>
#include "app/game_step.h"
#include "app/replay.h"

// 1: nothing is recorded (the timedemo).
void replayRecordOff(int off);
// The game screen was entered on the mine of code: a new replay, or (kept: the run continued) the kept
// run's replay goes on with a new segment.
struct RunSave;
void replayRecordEnter(const char* code, const RunSave* kept);
// The frame's clock ticks and input record, before the step takes them; after it, the state's
// digest every replayDigestEvery frames.
void replayRecordFrame(int64_t ticks, const StepInput* in);
void replayRecordStepped();
// The run ended (won or lost): the replay ends and last.kxr is written; the kept run's replay goes.
void replayRecordEnded();
// The replay file of the run recorded last, once it ended or was left ("" before); an ended run's
// payload is also replayHallRun().
const std::string& replayRecordFile();
// The header's play settings that only later versions of the game change: written here in one place.
void replayHeaderPlaySettings(ReplayHeader* h);
