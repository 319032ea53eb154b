// SPDX-License-Identifier: GPL-3.0-or-later
// The game's keys: one row per action with its settings key, its default key and what it does. The
// settings file, the dialog, the game's input and the README's controls table all come from this table.
#pragma once
#include "setup/settings_record.h"
#include <cstdio>

// A key code: 1..255 a character as the keyboard callback gives it, KEY_SPECIAL + n the toolkit's
// special key n (F1 is 1, Up 101, ...).
enum { KEY_SPECIAL = 0x100 };

#define KEY_SPECIAL_KEY(n) (KEY_SPECIAL + (n))
// Each action: its name, its settings-file key, its default key and what it does.
#define KEY_ACTION_LIST(X)                                                                                   \
    X(FORWARD, "keyForward", KEY_SPECIAL_KEY(101), "walk forward")                                           \
    X(BACK, "keyBack", KEY_SPECIAL_KEY(103), "walk back")                                                    \
    X(STEP_LEFT, "keyStepLeft", KEY_SPECIAL_KEY(100), "step left")                                           \
    X(STEP_RIGHT, "keyStepRight", KEY_SPECIAL_KEY(102), "step right")                                        \
    X(CALL_HORSE, "keyCallHorse", KEY_SPECIAL_KEY(104), "the horse comes to you along the corridors")        \
    X(GO_TO_HORSE, "keyGoToHorse", KEY_SPECIAL_KEY(105), "you walk to the horse")                            \
    X(WALK_OUT, "keyWalkOut", KEY_SPECIAL_KEY(106), "you and the horse walk to the exit")                    \
    X(RIDE, "keyRide", 'h', "get on the horse beside you, or off it")                                        \
    X(SHOOT, "keyShoot", ' ', "shoot an arrow (do not hit the horse)")                                       \
    X(NARROWER, "keyNarrower", KEY_SPECIAL_KEY(9), "narrower field of view (kept)")                          \
    X(WIDER, "keyWider", KEY_SPECIAL_KEY(10), "wider field of view (kept)")                                  \
    X(SETTINGS, "keySettings", KEY_SPECIAL_KEY(1), "the settings dialog")                                    \
    X(PAUSE, "keyPause", 'p', "pause and resume")                                                            \
    X(BOSS, "keyBoss", 'B', "the boss picture; again: back to the game")                                     \
    X(MUTE, "keyMute", 'm', "sound off and on again")

#define KEY_ACTION_ENUM(id, setting, key, what) ACTION_##id,
enum KeyAction { KEY_ACTION_LIST(KEY_ACTION_ENUM) ACTION_COUNT };
#undef KEY_ACTION_ENUM
static_assert(int(ACTION_COUNT) == int(KEY_ACTION_COUNT), "one key in the settings record per action");

// The actions with fixed keys, numbered after the ones the player sets: the rendering switches,
// Escape, and the keys of the story and the end screen.
enum FixedAction {
    ACTION_SHADE = ACTION_COUNT, // S: wireframe, flat, smooth shading
    ACTION_TEXTURE,              // T: no textures, textures, mipmaps
    ACTION_BACKFACE,             // b: back-face culling
    ACTION_PORTAL,               // O: portal culling
    ACTION_DISPLAY_LISTS,        // U: display lists
    ACTION_LOD_FINER,            // L
    ACTION_LOD_COARSER,          // l
    ACTION_DISTANCE_LOD,         // D: detail by distance
    ACTION_FPS,                  // I: frames per second shown
    ACTION_FULL_SCREEN,          // F
    ACTION_REPAIR_STENCIL,       // R: the lamp frame drawn again
    ACTION_QUIT,                 // Escape: the program ends at once
    ACTION_CONFIRM,              // Enter on the story and the end screen
    ACTION_STORY_PAUSE,          // space on the story: pauses and resumes it
    ACTION_NAME_DELETE,          // the end screen's name entry: the last letter goes
    ACTION_NAME_NEXT,            // the end screen's name entry by pad: the next letter
    ACTION_LETTER_UP,            // the end screen's name entry by pad: the letter before / after
    ACTION_LETTER_DOWN,
    ACTION_ALL
};

// The screens a fixed key works on (a mask).
enum { SCREEN_STORY = 1, SCREEN_GAME = 2, SCREEN_END = 4 };
struct FixedKeyRow {
    int code;
    int action;
    int screens;
};
extern const FixedKeyRow fixedKeys[];
extern const int fixedKeyCount;

struct KeyActionRow {
    const char* setting; // the settings-file key, "keyForward"
    int defaultKey;
    const char* what; // for the README's controls table, the dialog and the settings file
};
extern const KeyActionRow keyActions[ACTION_COUNT];

// The name of a key as the settings file writes it ("Up", "space", "F9", "p"); null for a code that
// is no key the game can be given.
const char* keyName(int code);
// The code of a key name, or 0 for a name that is none.
int keyByName(const char* name);
// Every key name in a fixed order, for the dialog; the count is returned, names[] gets the first max.
int keyNames(const char** names, int max);
// 1 when a press of `pressed` is the bound key `bound`: the same key, or the capital of a bound
// small letter (a capital letter bound takes the capital only).
int keyMatches(int bound, int pressed);
// The action a press of code takes on a screen (SCREEN_STORY, ...) with the player's keys (one per action,
// indexed by KeyAction): the player's keys first in the game, the story's own keys first on the
// story, none of them on the end screen; -1 for a key that does nothing there.
int keyAction(const int32_t* keys, int screen, int code);
// The fixed key (a rendering switch, Escape) that bound would also take, as its name; null when none.
const char* keyFixedClash(int bound);
// 1 when two bound keys would take a press in common.
int keysClash(int a, int b);
// ---- Pad buttons: SDL's game controller buttons by their numbers (a 0, b 1, x 2, y 3, back 4, guide 5,
// start 6, leftstick 7, rightstick 8, leftshoulder 9, rightshoulder 10, dpup 11, dpdown 12, dpleft 13,
// dpright 14, misc1 15, paddle1..4 16..19, touchpad 20), then the two triggers taken as buttons.
enum {
    PAD_A = 0,
    PAD_B = 1,
    PAD_X = 2,
    PAD_Y = 3,
    PAD_BACK = 4,
    PAD_START = 6,
    PAD_LEFT_SHOULDER = 9,
    PAD_DPAD_UP = 11,
    PAD_DPAD_DOWN = 12,
    PAD_DPAD_LEFT = 13,
    PAD_DPAD_RIGHT = 14,
    PAD_LEFT_TRIGGER = 21,
    PAD_RIGHT_TRIGGER = 22,
    PAD_INPUTS = 23, // buttons and triggers
    PAD_NONE = -1
};
// Each action's pad setting ("padShoot") and default button (PAD_NONE: none).
struct PadActionRow {
    const char* setting;
    int defaultButton;
};
extern const PadActionRow padActions[ACTION_COUNT];
// SDL's name of a pad button ("a", "dpleft", "righttrigger"), "none" for PAD_NONE; null for others.
const char* keyPadButtonName(int button);
// The button of a name, PAD_NONE for "none", PAD_INPUTS for a name that is none.
int keyPadButtonByName(const char* name);
// The action a pad button takes on a screen with the player's buttons (one per action): on the story
// A is Enter; on the end screen A and Start are Enter, B deletes, the d-pad turns the letter (up,
// down) and moves on (right); in the game the player's buttons. -1 for nothing.
int keyPadAction(const int32_t* buttons, int screen, int button);

// Writes the rows of the README's controls table for the game's keys and pad buttons, one
// "| `h` | `keyRide` | `b`, `padRide` | get on ... |" line each, in table order.
void keyControlsRows(FILE* out);
