// SPDX-License-Identifier: GPL-3.0-or-later
// The end screen: won or lost, the run's place in the five-place hall of fame, the name entry,
// and the program's end after the hall of fame is stored.
#pragma once
#include "setup/settings_record.h"

enum { hallPlaces = 5, hallNameMax = 31 };
constexpr float hallEmptyTime = 30000.0f; // a place with this time or more is empty

// The place (0..4) a time earns, best first, or -1; a time equal to a kept one ranks below it.
// With a place, the later entries move down one (the fifth drops out) and the place gets the
// time and an empty name.
int hallInsert(SettingsRecord* settings, float time);
// One key of the name entry on the name at place rank: bytes 32..255 except 127 are typed (at most
// hallNameMax, further ones dropped), Backspace (8) removes the last one; other keys nothing.
// A rank of -1 (no place) ignores every key.
void hallNameKey(SettingsRecord* settings, int rank, unsigned char key);

// One text of the end screen at a position in fractions of the window size.
struct EndLine {
    float x, y;
    char text[40];
};
enum { endLineMax = 24 };
// The end screen's texts for the current result, place and hall of fame, in drawing order: the
// verdict, the two lines under it, and for a won run the list of places with the arrow at the
// run's place. Returns the number of lines (at most endLineMax).
int endScreenLines(EndLine* lines);

// Ranks a won run (a lost run gets no place), then registers the end screen and fades it in.
void enterEndScreen();
void endDisplay();
void endIdle();
void endVisibility(int state);
// Name entry. Enter (whatever the place) stores the hall of fame once and fades out to the end;
// after it the entry takes nothing more.
void nameEntryBegin(); // no letter is being chosen
void nameEntryConfirm();
void nameEntryType(unsigned char key); // a typed character (hallNameKey)
void nameEntryDelete();                // the last letter goes
// The pad's way: the letter being chosen turns to the next (way 1) or the previous (-1) of A-Z,
// a-z, the umlauts and sharp s, the digits and the space, round; with none being chosen a new one
// starts at A (or at the space, turning back). nameEntryNextLetter keeps the letter and moves on.
void nameEntryTurnLetter(int way);
void nameEntryNextLetter();
