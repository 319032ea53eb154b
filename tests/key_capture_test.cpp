// SPDX-License-Identifier: GPL-3.0-or-later
// Setting a key by pressing it: the dialog's logic without the toolkit (key values, names, refusals).
#include "setup/key_capture.h"
#include "setup/key_table.h"
#include <gtest/gtest.h>
#include <string>

// Key values become the game's key codes; modifiers alone are waited past.
TEST(KeyCapture, KeyValuesBecomeTheGamesKeyCodesModifiersAreWaitedPast) {
    // clang-format off
    const struct { unsigned keyval; int code; } cases[] = {
        {'w', 'w'}, {'W', 'W'}, {' ', ' '}, {'#', '#'}, // with Shift: the capital
        {0xff55, KEY_SPECIAL_KEY(104)}, {0xff56, KEY_SPECIAL_KEY(105)}, // Page_Up, Page_Down
        {0xff52, KEY_SPECIAL_KEY(101)}, {0xff50, KEY_SPECIAL_KEY(106)}, // Up, Home
        {0xffbe, KEY_SPECIAL_KEY(1)}, {0xffc9, KEY_SPECIAL_KEY(12)},    // F1, F12
        {0xff0d, '\r'}, {0xff8d, '\r'}, // Return, the keypad's Enter
        {0xfe20, '\t'}, {0xff1b, 27},   // Tab with Shift, Escape
        {0xe4, 0}, {0xffe1, 0}, {0x1008ff13, 0}, // no game key: a with an accent, Shift alone, a media key
    }; // clang-format on
    for (const auto& c : cases) EXPECT_EQ(keyFromKeyval(c.keyval), c.code) << std::hex << c.keyval;
    for (unsigned keyval : {0xffe1, 0xffe4, 0xffe9, 0xfe03})
        EXPECT_EQ(keyIsModifier(keyval), 1) << std::hex << keyval;
    for (unsigned keyval : {unsigned('a'), 0xff1bu, 0xff55u})
        EXPECT_EQ(keyIsModifier(keyval), 0) << std::hex << keyval;
}

TEST(KeyCapture, KeysAreNamedAsPlayersReadThem) {
    // clang-format off
    const struct { int code; const char* shown; } cases[] = {
        {KEY_SPECIAL_KEY(104), "Page Up"}, {KEY_SPECIAL_KEY(105), "Page Down"},
        {KEY_SPECIAL_KEY(106), "Home"}, {KEY_SPECIAL_KEY(100), "Left"}, {KEY_SPECIAL_KEY(9), "F9"},
        {' ', "Space"}, {'\r', "Enter"}, {'\b', "Backspace"}, {'w', "W"}, {'B', "Shift+B"}, {'#', "#"},
        {'7', "7"}, {27, "Escape"}, {0, "?"}, {KEY_SPECIAL_KEY(99), "?"}}; // clang-format on
    for (const auto& c : cases) EXPECT_EQ(std::string(keyShownName(c.code)), c.shown) << c.code;
}

TEST(KeyCapture, ATakenKeyIsRefusedWithWhatTakesIt) {
    SettingsRecord r = {};
    keySetDefaults(&r);
    r.keys[ACTION_BACK] = 'x';                     // a remapped key
    r.switchKeys[ACTION_FPS - ACTION_COUNT] = 'q'; // a switch moved
    int32_t keys[KEY_BOUND_COUNT];
    keyGather(&r, keys);
    // clang-format off
    const struct { int action, code; const char* refusal; /* "" when the key is set */ } cases[] = {
        {ACTION_FORWARD, 'w', ""}, {ACTION_FORWARD, 'W', ""}, // a capital is its own key
        {ACTION_FORWARD, KEY_SPECIAL_KEY(101), ""}, // its own key again
        {ACTION_FORWARD, 'X', ""}, {ACTION_FORWARD, 'H', ""}, // a capital bound takes it from the small one
        {ACTION_FORWARD, 'x', "X is taken by \u201cWalk back\u201d."},
        {ACTION_FORWARD, KEY_SPECIAL_KEY(104),
         "Page Up is taken by \u201cThe horse comes to you along the corridors\u201d."},
        {ACTION_BOSS, 'B', ""},
        {ACTION_FORWARD, 'B', "Shift+B is taken by \u201cThe boss picture; again: back to the game\u201d."},
        {ACTION_FORWARD, 's', "S is taken by a rendering switch (shading)."},
        {ACTION_FORWARD, 'b', "B is taken by a rendering switch (back-face culling)."},
        {ACTION_FORWARD, 'l', "L is taken by a rendering switch (coarser models)."},
        {ACTION_FORWARD, 'q', "Q is taken by a rendering switch (frames per second)."},
        {ACTION_FORWARD, 'i', ""}, // given up by the switch that moved
        // The arrows walk whatever else is set: another action cannot have one.
        {ACTION_SHOOT, KEY_SPECIAL_KEY(103), "Down is taken by \u201cWalk back\u201d."},
        {ACTION_BACK, KEY_SPECIAL_KEY(103), ""},
        // A switch is refused like an action, and may take a key an action gave up.
        {ACTION_SHADE, 'h', "H is taken by \u201cGet on the horse beside you, or off it\u201d."},
        {ACTION_SHADE, 'l', "L is taken by a rendering switch (coarser models)."},
        {ACTION_SHADE, KEY_SPECIAL_KEY(100), "Left is taken by \u201cStep left\u201d."},
        {ACTION_SHADE, '5', ""}, {ACTION_SHADE, 's', ""},
        {ACTION_FORWARD, 27, "Escape ends the game; it cannot be set."},
        {ACTION_SHOOT, 0, "The game cannot use this key."},
    }; // clang-format on
    for (const auto& c : cases) {
        const char* refusal = keyRefusal(keys, c.action, c.code);
        EXPECT_EQ(std::string(refusal ? refusal : ""), c.refusal)
            << keyActions[c.action].setting << " " << c.code;
    }
}
