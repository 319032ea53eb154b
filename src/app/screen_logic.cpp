// SPDX-License-Identifier: GPL-3.0-or-later
// The story's texts and its paging, without a window. The callbacks that draw and register live in
// screens.cpp.
#include <cstdio>
#include <cstring>
#include "app/lang.h"
#include "app/record.h"
#include "app/screens.h"
#include "setup/key_table.h"

// The story's pages by their English catalogue ids; the last one names the keys bound now (1 the
// four walking keys, 2 call the horse, 3 go to the horse, 4 get on and off, 5 walk out).
static const char* const storyPageIds[storyPageCount] = {
    LANG_ID("Long ago the wicked dragon\nGrolk terrorised the land.\n\nTarvin wanted to fetch diamonds\nfrom "
            "the mine and give them\nto the dragon, to make him\nmore peaceful.\n\nBut Grolk saw Tarvin\ngo "
            "into the mine, flew into\na rage and said:\n\n(Enter) to go on"),
    LANG_ID(
        "\"You break into my mine\nand want to give me\nmy own diamonds?\n\nFor such cheek I lock "
        "you\nin the mine, and I let you\nout only when you have\ngathered diamonds for me.\"\n\n(Enter) to "
        "go on"),
    LANG_ID(
        "Grolk kicked Tarvin and his\nhorse into the mine and\nshut the door behind them.\n\nThe mine is a "
        "maze. Collect\noil cans for your lamp, straw\nfor your horse, and diamonds.\nAvoid the spiders. "
        "With\nenough diamonds, bring your\nhorse to the exit door.\n\n(Enter) to go on"),
    // TRANSLATORS: %1$s is "the arrow keys" or the four walking keys, %2$s..%5$s one key each.
    LANG_ID("Turn with the mouse and walk\nwith %1$s.\n%2$s calls your horse,\n%3$s takes you to it,\n%4$s "
            "gets you on and off,\n%5$s leads you both\nto the exit.\n\nGood luck!\n\n(Enter) to begin"),
};

void storyEnterPressed() {
    if (gameState.storyScroll < storyRestHeight) {
        gameState.storyScroll = storyRestHeight;
        return;
    }
    gameState.storyPage += 1;
    gameState.storyScroll = 0;
    if (gameState.storyPage >= storyPageCount) fadeOut();
}

void storyRise(float frameTime) {
    if (record.running && gameState.storyScroll <= storyRestHeight) gameState.storyScroll += frameTime / 50;
}

// Breaks every line longer than storyLineMax glyphs at its last space that keeps it within (a long
// name of a remapped key); a line without such a space stays whole.
static void storyWrap(char* text) {
    for (char* line = text; *line;) {
        char* end = strchr(line, '\n');
        if (!end) end = line + strlen(line);
        if (end - line <= storyLineMax) {
            line = *end ? end + 1 : end;
            continue;
        }
        char* cut = nullptr;
        for (char* c = line; c <= line + storyLineMax; ++c)
            if (*c == ' ') cut = c;
        if (!cut) {
            line = *end ? end + 1 : end;
            continue;
        }
        *cut = '\n';
        line = cut + 1;
    }
}

// A key bound to an action; a record without keys (all zero) names the default.
static int boundKey(int action) {
    int key = record.keys[action];
    return keyName(key) ? key : keyActions[action].defaultKey;
}

// The walking keys as the story names them: "the arrow keys" while they are the four arrows.
static void walkKeys(char* out, size_t size) {
    int forward = boundKey(ACTION_FORWARD), left = boundKey(ACTION_STEP_LEFT), back = boundKey(ACTION_BACK),
        right = boundKey(ACTION_STEP_RIGHT);
    if (forward == keyActions[ACTION_FORWARD].defaultKey && left == keyActions[ACTION_STEP_LEFT].defaultKey &&
        back == keyActions[ACTION_BACK].defaultKey && right == keyActions[ACTION_STEP_RIGHT].defaultKey) {
        snprintf(out, size, "%s", langText("the arrow keys"));
        return;
    }
    snprintf(out, size, "%s, %s, %s, %s", langKeyName(forward), langKeyName(left), langKeyName(back),
             langKeyName(right));
}

// What the map's marks are, for the controls page: by colour, or by shape with the map symbols on.
static const char* const mapLegendIds[2] = {
    // TRANSLATORS: three lines of at most 30 characters on the story's controls page.
    LANG_ID("On the map you are red, the\nhorse blue, the exit green,\nitems and spiders yellow.\n"),
    // TRANSLATORS: the same with the map symbols on; three lines of at most 30 characters.
    LANG_ID("Map: you the red arrow, the\nhorse a blue disc, the exit\na green frame, items yellow.\n"),
};

// The map's legend goes in after the controls' paragraph, before the wish of good luck.
static void insertMapLegend(char* page, size_t size) {
    char* rest = strstr(page, "\n\n");
    if (!rest) return;
    rest += 2;
    const char* legend = langText(mapLegendIds[record.mapSymbols ? 1 : 0]);
    const size_t length = strlen(legend), tail = strlen(rest);
    if (size_t(rest - page) + length + tail >= size) return;
    memmove(rest + length, rest, tail + 1);
    memcpy(rest, legend, length);
}

const char* storyPageText() {
    if (gameState.storyPage < 0 || gameState.storyPage >= storyPageCount) return nullptr;
    static char page[storyPageSize];
    const char* text = langText(storyPageIds[gameState.storyPage]);
    if (gameState.storyPage == storyPageCount - 1) {
        char walk[96];
        walkKeys(walk, sizeof walk);
        snprintf(page, sizeof page, text, walk, langKeyName(boundKey(ACTION_CALL_HORSE)),
                 langKeyName(boundKey(ACTION_GO_TO_HORSE)), langKeyName(boundKey(ACTION_RIDE)),
                 langKeyName(boundKey(ACTION_WALK_OUT)));
        insertMapLegend(page, sizeof page);
    } else {
        snprintf(page, sizeof page, "%s", text);
    }
    storyWrap(page);
    return page;
}
