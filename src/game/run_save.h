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
#include "maze/maze.h"

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
    // Kept since the third version, so that a continued run goes on exactly as one never left: the
    // walks under way, the exit scene, the view's change and a fade-out. exact is 1 when the file
    // held them; a save without them continues as a fresh entry of the game screen would.
    int32_t exact;
    int32_t walkPhase[4]; // the route walks (game/actor.h ActorWalk order): 0, 1, 2 or 4
    int32_t walksLed[3];  // Page Up, Page Down and Home led in the last step
    int32_t tappedRoute;  // the walk a tap started, an action or 0
    signed char routes[2][MAZE_CAPACITY]; // the route copies of the walks to and from the horse
    float sceneSeconds;   // the exit scene's time, below 0 while the door is closed
    float sceneStart[8];  // the poses the exit scene started from
    float viewPart;       // the part of a degree F9 or F10 asked for
    int32_t strawAsked;   // the horse was asked to walk in the last step
    int32_t fadeState;    // the game screen's fade; a fade-out goes on when continued
    float fadeLevel;
};

// The clock kept in a save, in ticks; -1 when the save holds none.
int64_t runSaveClock(const RunSave* s);
void runSaveSetClock(RunSave* s, int64_t ticks);

// The text of a save, in the third version when s->exact, else in the second.
std::string runSaveFormat(const RunSave* s);
// Reads a saved text. Returns 1, or 0 with *why naming the first thing wrong (not a saved run,
// cut short, edited, a value out of range, ...).
int runSaveParse(const char* text, size_t length, RunSave* s, const char** why);
// 1 read; 0 no file; -1 refused or unreadable with *why.
int runSaveRead(const char* path, RunSave* s, const char** why);
// Writes the file (synced, folders made): 1, or 0 with one line on report.
int runSaveWrite(const char* path, const RunSave* s, FILE* report);
// 1 when the route copy (0 the walk to the horse, 1 the horse called) is in use and kept.
int runSaveRouteInUse(const RunSave* s, int copy);
// The game's state now, for the mine of code (these two are built with the game screen's code, in
// app/run_keep.cpp).
void runSaveCapture(RunSave* s, const char* code);
// Puts the saved bodies, door, items, counters, rules and clock back into the game (after the game
// screen was entered: entering places the bodies and starts the clock at 0).
void runSaveApply(const RunSave* s);
