// SPDX-License-Identifier: GPL-3.0-or-later
// The end screen: won or lost, the run's place in the five-place hall of fame, the name entry,
// and the program's end after the hall of fame is stored.
#pragma once
#include "app/hall.h"

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
// What a press does on the end screen (inputHandle): the name entry's actions.
void endPress(int action);
// Name entry. Enter (whatever the place) stores the hall of fame once and fades out to the end;
// after it the entry takes nothing more.
void nameEntryBegin(); // no letter is being chosen
void nameEntryConfirm();
void endLeaveKey(unsigned char key); // a watched replay's end: any typed key ends it, as Enter does
void nameEntryType(unsigned char key); // a typed character (hallNameKey)
void nameEntryDelete();                // the last letter goes
// The pad's way: the letter being chosen turns to the next (way 1) or the previous (-1) of A-Z,
// a-z, the umlauts and sharp s, the digits and the space, round; with none being chosen a new one
// starts at A (or at the space, turning back). nameEntryNextLetter keeps the letter and moves on.
void nameEntryTurnLetter(int way);
void nameEntryNextLetter();
