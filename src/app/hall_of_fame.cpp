// SPDX-License-Identifier: GPL-3.0-or-later
// The hall of fame's rules and the name entry; no GL.
#include <cstdio>
#include <cstring>
#include "app/end_screen.h"
#include "app/game_state.h"
#include "app/game_update.h"
#include "app/mines.h"
#include "app/lang.h"
#include "app/record.h"
#include "app/replay_play.h"
#include "setup/setup.h"
#include "text/hud.h"
#include "text/texts.h"

// The name entry by pad: 1 while the name's last letter is still being chosen.
static int letterOpen;

// Once Enter has stored the hall of fame the screen is leaving: later keys would change a name that
// is no longer stored, and a second Enter would store again.
static int nameEntryOver() {
    return gameState.fadeState == 3 || gameState.fadeState == 4;
}

void nameEntryBegin() {
    letterOpen = 0;
}

void nameEntryConfirm() {
    if (nameEntryOver()) return;
    minesStoreHall();
    fadeOut();
}

void nameEntryType(unsigned char key) {
    if (nameEntryOver()) return;
    letterOpen = 0;
    hallNameKey(minesHall(), gameState.hallRank, key);
}

void nameEntryDelete() {
    if (nameEntryOver()) return;
    letterOpen = 0;
    hallNameKey(minesHall(), gameState.hallRank, 8);
}

// The letters the pad turns through, in order: A-Z, a-z, the umlauts and sharp s (Latin-1),
// the digits and the space.
static const char padLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                 "\xC4\xD6\xDC\xE4\xF6\xFC\xDF"
                                 "0123456789 ";
enum { padLetterCount = sizeof padLetters - 1 };

void nameEntryTurnLetter(int way) {
    if (nameEntryOver() || gameState.hallRank < 0 || gameState.hallRank >= hallPlaces) return;
    char* name = minesHall()->hallNames[gameState.hallRank];
    name[hallNameMax] = 0;
    size_t length = strlen(name);
    if (!letterOpen) { // a new letter: the first of the row (or its last, turning down)
        if (length >= hallNameMax) return;
        name[length] = padLetters[way > 0 ? 0 : padLetterCount - 1];
        name[length + 1] = 0;
        letterOpen = 1;
        return;
    }
    const char* at = length ? strchr(padLetters, name[length - 1]) : nullptr;
    int index = at ? int(at - padLetters) : 0;
    index = (index + (way > 0 ? 1 : padLetterCount - 1)) % padLetterCount;
    name[length - 1] = padLetters[index];
}

void nameEntryNextLetter() {
    letterOpen = 0;
}

// length: the most bytes of text to take (a name read from the settings file may lack its
// terminator).
static void addLine(EndLine* lines, int* count, float x, float y, const char* text, int length = 39) {
    if (*count >= endLineMax) return;
    EndLine& line = lines[(*count)++];
    line.x = x;
    line.y = y;
    snprintf(line.text, sizeof line.text, "%.*s", length, text);
}

// A watched replay's end: won, lost or left, the name typed for its hall entry and the time, and no
// place in a hall.
static int replayEndLines(EndLine* lines) {
    int count = 0;
    const int left = replayPlayLeft();
    const char* verdict = left        ? langText("The run was left.")
                          : gameWon() ? langText("You made it.")
                                      : langText("You did not make it.");
    addLine(lines, &count, 0.2f, 0.8f, verdict);
    if (!left && !gameWon()) addLine(lines, &count, 0.2f, 0.7f, langText("You hit the horse!"));
    const char* name = replayPlayName();
    if (*name) {
        // TRANSLATORS: the name typed for a watched run follows at 33 % of the width: at most 7 characters.
        addLine(lines, &count, 0.2f, 0.6f, langText("Name: "));
        addLine(lines, &count, 0.33f, 0.6f, name, hallNameMax);
    }
    // TRANSLATORS: the watched run's clock follows at 33 % of the width: at most 7 characters.
    addLine(lines, &count, 0.2f, 0.52f, langText("Time: "));
    char text[32];
    formatClock(record.finalTime, text);
    addLine(lines, &count, 0.33f, 0.52f, text);
    addLine(lines, &count, 0.2f, 0.42f, minesCodeLine());
    addLine(lines, &count, 0.03f, 0.07f, textOf(TEXT_END_ENTER));
    return count;
}

int endScreenLines(EndLine* lines) {
    if (replayPlaying()) return replayEndLines(lines);
    int count = 0;
    const SettingsRecord& hall = *minesHall();
    if (!gameWon()) {
        addLine(lines, &count, 0.2f, 0.8f, langText("You did not make it."));
        addLine(lines, &count, 0.2f, 0.7f, langText("You hit the horse!"));
        addLine(lines, &count, 0.2f, 0.62f, langText("Take better care next time."));
        // Below the three lines, where a won run's list stands: a long verdict leaves no room beside it.
        addLine(lines, &count, 0.2f, 0.5f, minesCodeLine());
        addLine(lines, &count, 0.03f, 0.07f, textOf(TEXT_END_ENTER));
        return count;
    }
    char text[32];
    addLine(lines, &count, 0.2f, 0.8f, langText("You made it."));
    if (gameState.hallRank >= 0) {
        // One sentence on two lines; the name is typed at the place marked in the list below.
        const char* both = langText("You made the hall of fame!\nType your name, then Enter:");
        const char* cut = strchr(both, '\n');
        addLine(lines, &count, 0.2f, 0.7f, both, cut ? int(cut - both) : 39);
        addLine(lines, &count, 0.2f, 0.62f, cut ? cut + 1 : "");
    } else {
        const char* why = minesNotEnteredWhy(1);
        addLine(lines, &count, 0.2f, 0.7f, why ? langText(why) : langText("Too slow for the hall of fame."));
        // TRANSLATORS: the clock follows at 60 % of the width: at most 20 characters.
        addLine(lines, &count, 0.2f, 0.62f, langText("Your time: "));
        formatClock(record.finalTime, text);
        addLine(lines, &count, 0.6f, 0.62f, text);
    }
    // Glyphs are 3/160 of the stage wide: place, time, the longest name (31) and the arrow after it
    // fit side by side inside the panel.
    const float glyph = 3.0f / 160.0f, nameX = 0.28f;
    for (int i = 0; i < hallPlaces; ++i) {
        float y = 0.5f - float(i) * 0.08f;
        if (i == gameState.hallRank) {
            float end = nameX + glyph * float(strnlen(hall.hallNames[i], hallNameMax)) + 0.01f;
            addLine(lines, &count, end, y, "<---");
        }
        snprintf(text, sizeof text, "%d:", i + 1);
        addLine(lines, &count, 0.03f, y, text);
        if (hall.hallTimes[i] < hallEmptyTime) {
            formatClock(hall.hallTimes[i], text);
            addLine(lines, &count, 0.075f, y, text);
            addLine(lines, &count, nameX, y, hall.hallNames[i], hallNameMax);
        }
    }
    addLine(lines, &count, 0.56f, 0.8f, minesCodeLine());
    addLine(lines, &count, 0.03f, 0.07f, textOf(TEXT_END_ENTER));
    return count;
}
