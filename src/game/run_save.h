// SPDX-License-Identifier: GPL-3.0-or-later
// A run kept for later: Escape or closing the window during a game saves it, the next start may
// go on with it. The file (recordsRunPath(), setup/mine_records.h) names the mine by its code (the maze
// and items are built again from it) and holds the rules played with, both bodies, the door, the
// items still in the mine, the counters and the clock. Values are written as the bits of their
// floats, and a check over the whole text refuses a file that was edited or cut short.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include "brep/catalogue.h"
#include "game/actor.h"

enum { RUN_ITEM_ROWS = 4 }; // catalogue rows 0..3: straw, oil, diamonds, spiders

struct RunSave {
    char code[32];     // the mine's code
    int32_t fullLevel; // the rules played with
    int32_t strawDistance;
    int32_t oilSeconds;
    int32_t gameSpeed;  // percent, 50..100 (a file without it: 100)
    float gameTime;     // seconds played
    int32_t riderState; // 0 on foot or 2 riding
    float inventory[RUN_ITEM_ROWS];
    Actor player, horse, door;
    int32_t itemCount[RUN_ITEM_ROWS];
    Actor items[RUN_ITEM_ROWS][MAX_INSTANCES];
    // Kept since the second version of the file (a first version's save reads them as 0, the clock
    // as -1: the time then counts from gameTime, rounded up).
    int32_t clockLow, clockHigh; // the game clock in counter ticks, the two halves of an int64_t
    int32_t shotState;           // the arrow: ready, flying or bursting
    float explosionTime;
    Actor shot;
    float dismountedAt; // the game time of the last dismount
};

// The clock kept in a save, in ticks; -1 when the save holds none.
int64_t runSaveClock(const RunSave* s);
void runSaveSetClock(RunSave* s, int64_t ticks);

std::string runSaveFormat(const RunSave* s);
// Reads a saved text. Returns 1, or 0 with *why naming the first thing wrong (not a saved run,
// cut short, edited, a value out of range, ...).
int runSaveParse(const char* text, size_t length, RunSave* s, const char** why);
// 1 read; 0 no file; -1 refused or unreadable with *why.
int runSaveRead(const char* path, RunSave* s, const char** why);
// Writes the file (synced, folders made): 1, or 0 with one line on report.
int runSaveWrite(const char* path, const RunSave* s, FILE* report);
// The game's state now, for the mine of code.
void runSaveCapture(RunSave* s, const char* code);
// Puts the saved bodies, door, items, counters, rules and clock back into the game (after the game
// screen was entered: entering places the bodies and starts the clock at 0).
void runSaveApply(const RunSave* s);
