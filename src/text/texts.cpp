// SPDX-License-Identifier: GPL-3.0-or-later
// The texts table: each text by its English catalogue id; the catalogue (po/LL.po) holds its
// wording in the other languages, German as the game always had it.
#include "text/texts.h"
#include <cstdio>
#include <cstring>
#include "app/lang.h"

namespace {

const char* const texts[TEXT_COUNT] = {
    LANG_ID("OIL"),
    LANG_ID("STRAW"),
    LANG_ID("DIAMONDS"),
    LANG_ID("MINER'S LAMP"),
    LANG_ID("No. 7"),
    LANG_ID("MAP"),
    LANG_ID("Paused"),
    // TRANSLATORS: %s is the key that goes on.
    LANG_ID("Press %s to go on"),
    LANG_ID("The horse needs straw"),
    LANG_ID("Press Enter to finish"),
};
static_assert(sizeof texts / sizeof texts[0] == TEXT_COUNT, "one id per text");

// The switches' messages name the state switched to.
const char* const switches[SWITCH_COUNT] = {
    LANG_ID("Shoot"),
    LANG_ID("Distance LOD on"),
    LANG_ID("Distance LOD off"),
    LANG_ID("Frame rate on"),
    LANG_ID("Frame rate off"),
    // TRANSLATORS: %d is the model detail level, 0 to 3; a text without it is shown as it is.
    // xgettext:no-c-format
    LANG_ID("Detail %d of 3"),
    LANG_ID("Portals on"),
    LANG_ID("Portals off"),
    LANG_ID("Frame redrawn"),
    LANG_ID("Wireframe"),
    LANG_ID("Flat shading"),
    LANG_ID("Smooth shading"),
    LANG_ID("Textures off"),
    LANG_ID("Textures on"),
    LANG_ID("Mipmaps on"),
    LANG_ID("Lists on"),
    LANG_ID("Lists off"),
    LANG_ID("Culling on"),
    LANG_ID("Culling off"),
    LANG_ID("Full screen on"),
    LANG_ID("Full screen off"),
    LANG_ID("Sound on"),
    LANG_ID("Sound off"),
    LANG_ID("No sound"),
};
static_assert(sizeof switches / sizeof switches[0] == SWITCH_COUNT, "one id per switch");

} // namespace

int textGerman() {
    return langSpoken() == LANG_DE;
}

const char* textOf(TextId id) {
    return langText(texts[id]);
}

const char* textSwitch(SwitchText id, int value) {
    static char formatted[32];
    const char* text = langText(switches[id]);
    if (!strchr(text, '%')) return text;
    snprintf(formatted, sizeof formatted, text, value);
    return formatted;
}
