// SPDX-License-Identifier: GPL-3.0-or-later
// Setting a key by pressing it, without the toolkit: key values in, codes, names and reasons out.
#include "setup/key_capture.h"
#include "setup/key_table.h"
#include "setup/settings_file.h"
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

// Marks a text for the catalogue; it is looked up where it is shown (settingsText).
#define N_(text) text

struct KeyvalRow {
    unsigned keyval;
    int code;
};

// GDK's values of the keys that are no printable character (gdk/gdkkeysyms.h).
static const KeyvalRow keyvals[] = {
    {0xff0d, '\r'},                 // Return
    {0xff8d, '\r'},                 // KP_Enter
    {0xff09, '\t'},                 // Tab
    {0xfe20, '\t'},                 // ISO_Left_Tab, Tab with Shift
    {0xff08, '\b'},                 // BackSpace
    {0xffff, 127},                  // Delete
    {0xff1b, 27},                   // Escape
    {0xff51, KEY_SPECIAL_KEY(100)}, // Left
    {0xff52, KEY_SPECIAL_KEY(101)}, // Up
    {0xff53, KEY_SPECIAL_KEY(102)}, // Right
    {0xff54, KEY_SPECIAL_KEY(103)}, // Down
    {0xff55, KEY_SPECIAL_KEY(104)}, // Page_Up
    {0xff56, KEY_SPECIAL_KEY(105)}, // Page_Down
    {0xff50, KEY_SPECIAL_KEY(106)}, // Home
    {0xff57, KEY_SPECIAL_KEY(107)}, // End
    {0xff63, KEY_SPECIAL_KEY(108)}, // Insert
};

int keyFromKeyval(unsigned keyval) {
    if (keyval >= 0x20 && keyval < 0x7f) return int(keyval); // space and the printable characters
    if (keyval >= 0xffbe && keyval <= 0xffc9) return KEY_SPECIAL_KEY(int(keyval - 0xffbe) + 1); // F1..F12
    for (const KeyvalRow& k : keyvals)
        if (k.keyval == keyval) return k.code;
    return 0;
}

int keyIsModifier(unsigned keyval) {
    // Shift_L .. Hyper_R, the locks among them, and ISO_Level3_Shift (AltGr).
    return (keyval >= 0xffe1 && keyval <= 0xffee) || keyval == 0xfe03;
}

struct ShownRow {
    int code;
    const char* name; // catalogue id
};

static const ShownRow shownKeys[] = {
    {' ', N_("Space")},
    {'\t', N_("Tab")},
    {'\r', N_("Enter")},
    {'\b', N_("Backspace")},
    {127, N_("Delete")},
    {27, N_("Escape")},
    {KEY_SPECIAL_KEY(100), N_("Left")},
    {KEY_SPECIAL_KEY(101), N_("Up")},
    {KEY_SPECIAL_KEY(102), N_("Right")},
    {KEY_SPECIAL_KEY(103), N_("Down")},
    {KEY_SPECIAL_KEY(104), N_("Page Up")},
    {KEY_SPECIAL_KEY(105), N_("Page Down")},
    {KEY_SPECIAL_KEY(106), N_("Home")},
    {KEY_SPECIAL_KEY(107), N_("End")},
    {KEY_SPECIAL_KEY(108), N_("Insert")},
};

// The pad's buttons by number (key_table.h), as the buttons are printed on common pads and named in
// their manuals.
static const char* const padShownNames[PAD_INPUTS] = {
    // TRANSLATORS: the names of a gamepad's buttons as players know them.
    N_("A"),
    N_("B"),
    N_("X"),
    N_("Y"),
    N_("Back"),
    N_("Guide"),
    N_("Start"),
    N_("Left stick"),
    N_("Right stick"),
    N_("Left shoulder"),
    N_("Right shoulder"),
    N_("D-pad up"),
    N_("D-pad down"),
    N_("D-pad left"),
    N_("D-pad right"),
    N_("Misc"),
    N_("Paddle 1"),
    N_("Paddle 2"),
    N_("Paddle 3"),
    N_("Paddle 4"),
    N_("Touchpad"),
    N_("Left trigger"),
    N_("Right trigger"),
};

const char* keyPadShownNameIn(int button, const char* (*lookup)(const char*)) {
    if (button == PAD_NONE) return lookup(N_("no button"));
    return button >= 0 && button < PAD_INPUTS ? lookup(padShownNames[button]) : "?";
}

const char* keyPadShownName(int button) {
    return keyPadShownNameIn(button, settingsText);
}

const char* keyShownName(int code) {
    return keyShownNameIn(code, settingsText);
}

const char* keyShownNameIn(int code, const char* (*lookup)(const char*)) {
    for (const ShownRow& k : shownKeys)
        if (k.code == code) return lookup(k.name);
    static char shown[8][48];
    static int next;
    char* out = shown[next++ % 8];
    const char* name = keyName(code);
    if (!name) return "?";
    if (code >= 'a' && code <= 'z') {
        snprintf(out, 48, "%c", toupper(code));
    } else if (code >= 'A' && code <= 'Z') {
        // A bound capital takes only the capital: the key with Shift.
        snprintf(out, 48, lookup(N_("Shift+%c")), code);
    } else {
        snprintf(out, 48, "%s", name); // F1..F12, digits and signs as written
    }
    return out;
}

// What each rendering switch switches, from ACTION_SHADE on: the refusals name it, the dialog's
// rows show it with a capital.
static const char* const switchWhat[] = {
    N_("shading"),
    N_("textures"),
    N_("back-face culling"),
    N_("portal culling"),
    N_("display lists"),
    N_("finer models"),
    N_("coarser models"),
    N_("detail by distance"),
    N_("frames per second"),
    N_("full screen"),
    N_("the lamp frame drawn again"),
};
static_assert(sizeof switchWhat / sizeof switchWhat[0] == KEY_SWITCH_COUNT, "one text per switch");

std::string keyBoundTitle(int action) {
    std::string what =
        settingsText(action < ACTION_COUNT ? keyActions[action].what : switchWhat[action - ACTION_COUNT]);
    if (!what.empty()) what[0] = char(toupper((unsigned char)what[0]));
    return what;
}

const char* keyRefusal(const int32_t* bound, int action, int code) {
    static char reason[256];
    if (code == 27) return settingsText("Escape ends the game; it cannot be set.");
    if (!keyName(code)) return settingsText("The game cannot use this key.");
    int by = -1;
    for (int a = 0; a < ACTION_COUNT && by < 0; a++)
        if (a != action && keyArrowOf(a) == code) by = a; // the arrows walk whatever else is set
    for (int a = 0; a < KEY_BOUND_COUNT && by < 0; a++)
        if (a != action && keysClash(bound[a], code)) by = a;
    if (by < 0) return nullptr;
    if (by < ACTION_COUNT)
        snprintf(reason, sizeof reason, settingsText("%s is taken by “%s”."), keyShownName(code),
                 keyBoundTitle(by).c_str());
    else
        snprintf(reason, sizeof reason, settingsText("%s is taken by a rendering switch (%s)."),
                 keyShownName(code), settingsText(switchWhat[by - ACTION_COUNT]));
    return reason;
}

// Keys a switch that W A S D displaces moves to, the first free one: letters away from the walking
// hand first, then the digits.
static const char freeKeys[] = "kjnyxzcvgqe1234567890";

int keyWasdLayout(int32_t* bound, char* said, size_t size) {
    static const struct {
        int action, key;
    } walk[] = {{ACTION_FORWARD, 'w'}, {ACTION_STEP_LEFT, 'a'}, {ACTION_BACK, 's'}, {ACTION_STEP_RIGHT, 'd'}};
    std::string text = settingsText("W A S D walk; the arrows walk too.");
    int moved = 0;
    for (const auto& w : walk) {
        for (int a = 0; a < KEY_BOUND_COUNT; a++) {
            if (a == w.action || !keysClash(bound[a], w.key)) continue;
            int to = 0;
            for (const char* k = freeKeys; *k && !to; k++) {
                int taken = *k == 'w' || *k == 'a' || *k == 's' || *k == 'd';
                for (int b = 0; b < KEY_BOUND_COUNT && !taken; b++) taken = keysClash(bound[b], *k);
                if (!taken) to = *k;
            }
            bound[a] = to;
            char line[160];
            snprintf(line, sizeof line, settingsText("%s moved to %s."), keyBoundTitle(a).c_str(),
                     keyShownName(to));
            text += std::string(" ") + line;
            moved++;
        }
        bound[w.action] = w.key;
    }
    snprintf(said, size, "%s", text.c_str());
    return moved;
}

static const char* asWritten(const char* text) {
    return text;
}

void keyControlsRows(FILE* out) {
    for (int a = 0; a < KEY_BOUND_COUNT; a++) {
        const KeyActionRow& k = keyActions[a];
        char key[64], pad[64] = "";
        if (keyWalks(a) && keyArrowOf(a) != k.defaultKey)
            snprintf(key, sizeof key, "`%s`, `%s`", keyName(k.defaultKey), keyName(keyArrowOf(a)));
        else
            snprintf(key, sizeof key, "`%s`", keyName(k.defaultKey));
        if (a < ACTION_COUNT && padActions[a].defaultButton == PAD_NONE)
            snprintf(pad, sizeof pad, "`%s`", padActions[a].setting);
        else if (a < ACTION_COUNT)
            snprintf(pad, sizeof pad, "%s, `%s`", keyPadShownNameIn(padActions[a].defaultButton, asWritten),
                     padActions[a].setting);
        fprintf(out, "| %s | `%s` |%s%s%s| %s |\n", key, k.setting, *pad ? " " : "", pad, *pad ? " " : " ",
                k.what);
    }
}
