// SPDX-License-Identifier: GPL-3.0-or-later
// The short texts the looks of the screens add: the printed labels on the lamp frame, the hints of
// the game and the end screen, and the rendering switches' messages. Each is a plain literal in one
// table with its German and its English wording.
#pragma once

enum TextId {
    TEXT_LABEL_OIL,      // over the oil counter
    TEXT_LABEL_STRAW,    // over the straw counter
    TEXT_LABEL_DIAMONDS, // over the diamond counter
    TEXT_LABEL_LAMP,     // the lamp's maker's plate, first line
    TEXT_LABEL_LAMP_NUMBER,
    TEXT_LABEL_MAP,      // over the overview map
    TEXT_PAUSED,         // the paused game's headline
    TEXT_PAUSE_GO_ON,    // "%s" is the key that goes on
    TEXT_STRAW_NEEDED,   // the horse has no straw to walk on
    TEXT_END_ENTER,      // how to leave the end screen
    TEXT_COUNT
};

// The rendering switches' messages, each naming the state switched to.
enum SwitchText {
    SWITCH_SHOOT,
    SWITCH_DISTANCE_DETAIL_ON,
    SWITCH_DISTANCE_DETAIL_OFF,
    SWITCH_FPS_ON,
    SWITCH_FPS_OFF,
    SWITCH_DETAIL, // "%d" is the level, 0 to 3
    SWITCH_PORTALS_ON,
    SWITCH_PORTALS_OFF,
    SWITCH_FRAME_REDRAWN,
    SWITCH_WIREFRAME,
    SWITCH_FLAT,
    SWITCH_SMOOTH,
    SWITCH_TEXTURES_OFF,
    SWITCH_TEXTURES_ON,
    SWITCH_MIPMAPS_ON,
    SWITCH_LISTS_ON,
    SWITCH_LISTS_OFF,
    SWITCH_CULLING_ON,
    SWITCH_CULLING_OFF,
    SWITCH_FULL_SCREEN_ON,
    SWITCH_FULL_SCREEN_OFF,
    SWITCH_SOUND_ON,
    SWITCH_SOUND_OFF,
    SWITCH_NO_SOUND,
    SWITCH_COUNT
};

// 1 when the game speaks German (langSpoken).
int textGerman();
// The text in the player's language (Latin-1).
const char* textOf(TextId id);
// A switch's message in the player's language; SWITCH_DETAIL is formatted with value. The result
// lives until the next call.
const char* textSwitch(SwitchText id, int value = 0);
