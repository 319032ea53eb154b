// SPDX-License-Identifier: GPL-3.0-or-later
// A replay played through the game's step without a window: the mine built from the file's code,
// each segment entered as the game enters its screen (a continued one from its kept run), the frames
// stepped, and every digest compared.
#pragma once
#include <cstdint>
#include <string>
#include "app/replay.h"

struct ReplayCheck {
    int reached;       // 1: the re-simulation reached the recorded end, every digest the same
    uint32_t badFrame; // frames done when the first thing differed (valid when !reached)
    std::string why;   // what differed
    int over;          // 1 when the re-simulated run ended (won or lost)
    int won;
    uint32_t frames;   // frames stepped
    int64_t gameTicks; // the game clock at the end
    float finalTime;   // the seconds the end screen shows
    int diamonds;
};

// The record's rules and settings from the header, the generator at the mine's seed, the maze
// carved and the items placed. 0 with *why when the file's mine code is not one.
int replaySimPrepare(const ReplayHeader* h, std::string* why);
// The state of a segment's start: the game screen entered (the bodies placed, the clock at 0, the
// arrow as the segment says), and for a continued segment its kept run put back as continuing puts it.
// 0 with *why when the kept run cannot be read.
int replaySimEnter(const ReplayItem* segment, std::string* why);
// The kept run's text of the state now, as leaving the game writes it.
std::string replaySimKeptText(const char* code);
// Plays every item from the first; 1 when the recorded end was reached.
int replaySimCheck(ReplayReader* r, ReplayCheck* c);
// The end a replay's run reached: won, lost or left ("won", "lost", "left").
const char* replayEndName(int kind);
