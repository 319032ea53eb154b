// SPDX-License-Identifier: GPL-3.0-or-later
// The key table and the key names.
#include "setup/key_table.h"
#include <cctype>
#include <cstdio>
#include <cstring>

#define SPECIAL(n) (KEY_SPECIAL + (n))

#define KEY_ACTION_ROW(id, setting, key, what) {setting, key, what},
const KeyActionRow keyActions[KEY_BOUND_COUNT] = {KEY_ACTION_LIST(KEY_ACTION_ROW)
                                                      KEY_SWITCH_LIST(KEY_ACTION_ROW)};

void keyGather(const SettingsRecord* r, int32_t* bound) {
    memcpy(bound, r->keys, sizeof r->keys);
    memcpy(bound + ACTION_COUNT, r->switchKeys, sizeof r->switchKeys);
}

void keyScatter(SettingsRecord* r, const int32_t* bound) {
    memcpy(r->keys, bound, sizeof r->keys);
    memcpy(r->switchKeys, bound + ACTION_COUNT, sizeof r->switchKeys);
}

void keySetDefaults(SettingsRecord* r) {
    int32_t bound[KEY_BOUND_COUNT];
    for (int a = 0; a < KEY_BOUND_COUNT; a++) bound[a] = keyActions[a].defaultKey;
    keyScatter(r, bound);
}

int keyArrowOf(int action) {
    switch (action) {
    case ACTION_FORWARD:
        return SPECIAL(101);
    case ACTION_BACK:
        return SPECIAL(103);
    case ACTION_STEP_LEFT:
        return SPECIAL(100);
    case ACTION_STEP_RIGHT:
        return SPECIAL(102);
    default:
        return 0;
    }
}

int keyWalks(int action) {
    return keyArrowOf(action) != 0;
}

struct KeyNameRow {
    int code;
    const char* name;
};

// Keys with a word for a name; every other printable character is its own name.
static const KeyNameRow namedKeys[] = {
    {' ', "space"},
    {'\t', "Tab"},
    {'\r', "Return"},
    {'\b', "BackSpace"},
    {127, "Delete"},
    {SPECIAL(100), "Left"},
    {SPECIAL(101), "Up"},
    {SPECIAL(102), "Right"},
    {SPECIAL(103), "Down"},
    {SPECIAL(104), "Page_Up"},
    {SPECIAL(105), "Page_Down"},
    {SPECIAL(106), "Home"},
    {SPECIAL(107), "End"},
    {SPECIAL(108), "Insert"},
    {SPECIAL(1), "F1"},
    {SPECIAL(2), "F2"},
    {SPECIAL(3), "F3"},
    {SPECIAL(4), "F4"},
    {SPECIAL(5), "F5"},
    {SPECIAL(6), "F6"},
    {SPECIAL(7), "F7"},
    {SPECIAL(8), "F8"},
    {SPECIAL(9), "F9"},
    {SPECIAL(10), "F10"},
    {SPECIAL(11), "F11"},
    {SPECIAL(12), "F12"},
};
enum { NAMED_KEYS = sizeof namedKeys / sizeof namedKeys[0] };

// Escape on the story and in the game, the arrows beside the walking keys in the game; Enter and
// space on the story, Enter and BackSpace on the end screen (where every other character is typed).
const FixedKeyRow fixedKeys[] = {
    {27, ACTION_QUIT, SCREEN_STORY | SCREEN_GAME},  {SPECIAL(101), ACTION_FORWARD, SCREEN_GAME},
    {SPECIAL(103), ACTION_BACK, SCREEN_GAME},       {SPECIAL(100), ACTION_STEP_LEFT, SCREEN_GAME},
    {SPECIAL(102), ACTION_STEP_RIGHT, SCREEN_GAME}, {'\r', ACTION_CONFIRM, SCREEN_STORY | SCREEN_END},
    {' ', ACTION_STORY_PAUSE, SCREEN_STORY},        {'\b', ACTION_NAME_DELETE, SCREEN_END},
};
const int fixedKeyCount = int(sizeof fixedKeys / sizeof fixedKeys[0]);

static int fixedAction(int screen, int code) {
    for (const FixedKeyRow& f : fixedKeys)
        if (f.code == code && (f.screens & screen)) return f.action;
    return -1;
}

// The player's key pressed as it is bound, else a small letter bound for its capital.
static int boundAction(const int32_t* bound, int code) {
    for (int a = 0; a < KEY_BOUND_COUNT; a++)
        if (bound[a] == code) return a;
    for (int a = 0; a < KEY_BOUND_COUNT; a++)
        if (keyMatches(bound[a], code)) return a;
    return -1;
}

int keyAction(const int32_t* bound, int screen, int code) {
    int first = screen == SCREEN_GAME ? boundAction(bound, code) : fixedAction(screen, code);
    if (first >= 0 || screen == SCREEN_END) return first; // the end screen types every other key
    return screen == SCREEN_GAME ? fixedAction(screen, code) : boundAction(bound, code);
}

static bool printable(int code) {
    return code > ' ' && code < 127;
}

const char* keyName(int code) {
    for (const KeyNameRow& k : namedKeys)
        if (k.code == code) return k.name;
    static char single[128][2];
    if (!printable(code)) return nullptr;
    single[code][0] = char(code);
    return single[code];
}

int keyByName(const char* name) {
    for (const KeyNameRow& k : namedKeys)
        if (strcmp(k.name, name) == 0) return k.code;
    if (name[0] && !name[1] && printable((unsigned char)name[0])) return (unsigned char)name[0];
    return 0;
}

int keyNames(const char** names, int max) {
    int n = 0;
    for (const KeyNameRow& k : namedKeys)
        if (n++ < max) names[n - 1] = k.name;
    for (int c = '!'; c < 127; c++)
        if (n++ < max) names[n - 1] = keyName(c);
    return n;
}

int keyMatches(int bound, int pressed) {
    if (bound == pressed) return 1;
    return bound < 128 && islower(bound) && pressed == toupper(bound);
}

int keysClash(int a, int b) {
    return a == b;
}

int keyArrowHolder(int action, int bound) {
    for (int a = 0; a < ACTION_COUNT; a++)
        if (a != action && keyArrowOf(a) == bound) return a;
    return -1;
}

// In the order of KEY_ACTION_LIST.
const PadActionRow padActions[ACTION_COUNT] = {
    {"padForward", PAD_NONE},          {"padBack", PAD_NONE},        {"padStepLeft", PAD_NONE},
    {"padStepRight", PAD_NONE},        {"padCallHorse", PAD_X},      {"padGoToHorse", PAD_Y},
    {"padWalkOut", PAD_LEFT_SHOULDER}, {"padRide", PAD_B},           {"padShoot", PAD_RIGHT_TRIGGER},
    {"padNarrower", PAD_DPAD_LEFT},    {"padWider", PAD_DPAD_RIGHT}, {"padSettings", PAD_NONE},
    {"padPause", PAD_START},           {"padBoss", PAD_NONE},        {"padMute", PAD_BACK},
};

static const char* const padNames[PAD_INPUTS] = {"a",
                                                 "b",
                                                 "x",
                                                 "y",
                                                 "back",
                                                 "guide",
                                                 "start",
                                                 "leftstick",
                                                 "rightstick",
                                                 "leftshoulder",
                                                 "rightshoulder",
                                                 "dpup",
                                                 "dpdown",
                                                 "dpleft",
                                                 "dpright",
                                                 "misc1",
                                                 "paddle1",
                                                 "paddle2",
                                                 "paddle3",
                                                 "paddle4",
                                                 "touchpad",
                                                 "lefttrigger",
                                                 "righttrigger"};

const char* keyPadButtonName(int button) {
    if (button == PAD_NONE) return "none";
    return button >= 0 && button < PAD_INPUTS ? padNames[button] : nullptr;
}

int keyPadButtonByName(const char* name) {
    if (strcmp(name, "none") == 0) return PAD_NONE;
    for (int b = 0; b < PAD_INPUTS; b++)
        if (strcmp(padNames[b], name) == 0) return b;
    return PAD_INPUTS;
}

struct FixedPadRow {
    int button, action, screens;
};
static const FixedPadRow fixedPad[] = {
    {PAD_A, ACTION_CONFIRM, SCREEN_STORY | SCREEN_END},
    {PAD_START, ACTION_CONFIRM, SCREEN_END},
    {PAD_B, ACTION_NAME_DELETE, SCREEN_END},
    {PAD_DPAD_UP, ACTION_LETTER_UP, SCREEN_END},
    {PAD_DPAD_DOWN, ACTION_LETTER_DOWN, SCREEN_END},
    {PAD_DPAD_RIGHT, ACTION_NAME_NEXT, SCREEN_END},
};

int keyPadAction(const int32_t* buttons, int screen, int button) {
    for (const FixedPadRow& f : fixedPad)
        if (f.button == button && (f.screens & screen)) return f.action;
    if (screen == SCREEN_END) return -1;
    for (int a = 0; a < ACTION_COUNT; a++)
        if (button >= 0 && buttons[a] == button) return a;
    return -1;
}
