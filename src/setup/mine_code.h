// SPDX-License-Identifier: GPL-3.0-or-later
// Mine codes: a mine as a short text a player can read aloud and type, "16-5-3-K7QX2MD": the maze
// size, the items of each kind, the diamonds needed, then the random generator's whole 32-bit start
// state in seven letters of an alphabet without I, L, O and U (read as 1, 1, 0 and refused), whose
// three spare bits check the rest. The same code gives the same maze and items everywhere. Also the
// mine setting ("classic", "new", "daily" or a code) and the mine of the day. No files, no toolkit.
#pragma once
#include <cstdint>

struct MineCode {
    int32_t size;     // even, 4..66
    int32_t items;    // items of each kind, at most settingsItemLimit(size)
    int32_t diamonds; // diamonds that open the exit, at most items
    uint32_t seed;    // the random generator's state before the maze is carved
};

enum { MINE_CODE_TEXT = 32 };           // room for every code and its end
constexpr uint32_t mineClassicSeed = 1; // the start state of the classic mine
enum { MINE_DAILY_SIZE = 16, MINE_DAILY_ITEMS = 5, MINE_DAILY_DIAMONDS = 3 };

// Writes the code's text (at most 15 bytes and the end) into text.
void mineCodeFormat(const MineCode* code, char text[MINE_CODE_TEXT]);
// Reads a code; spaces around it and around its dashes, leading zeros and small letters are taken.
// Returns 1, or 0 with *why naming what is wrong ("has no number of items", ...) and *code untouched.
int mineCodeParse(const char* text, MineCode* code, const char** why);
// The classic mine: the start state 1 with the given size, items and diamonds.
int mineCodeIsClassic(const MineCode* code);
// The mine of the day (a date in UTC): size 16, 5 of each kind, 3 diamonds, a seed from the date.
MineCode mineCodeDaily(int year, int month, int day);
// The mine of today's date in UTC.
MineCode mineCodeToday();
