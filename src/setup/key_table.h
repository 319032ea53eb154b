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

// The rendering switches, numbered after the actions: each has a key of its own the player can move
// (settings key, default key, what it does), on the story and in the game.
#define KEY_SWITCH_LIST(X)                                                                                   \
    X(SHADE, "keyShade", 's', "shading: wireframe, flat, smooth")                                            \
    X(TEXTURE, "keyTextures", 't', "textures: off, on, with mipmaps")                                        \
    X(BACKFACE, "keyBackfaceCulling", 'b', "back-face culling on and off")                                   \
    X(PORTAL, "keyPortalCulling", 'o', "portal culling on and off (only the corridors in sight drawn)")      \
    X(DISPLAY_LISTS, "keyDisplayLists", 'u', "display lists on and off")                                     \
    X(LOD_FINER, "keyFinerModels", 'L', "finer model detail")                                                \
    X(LOD_COARSER, "keyCoarserModels", 'l', "coarser model detail")                                          \
    X(DISTANCE_LOD, "keyDistanceDetail", 'd', "less detail for far models on and off")                       \
    X(FPS, "keyFrameRate", 'i', "frames per second shown and hidden")                                        \
    X(FULL_SCREEN, "keyFullScreen", 'f', "full screen and back (not in a game mode)")                        \
    X(REPAIR_STENCIL, "keyRedrawFrame", 'r', "the lamp frame drawn again")

// The actions with fixed keys, numbered after the ones the player sets: Escape, the arrows beside
// the walking keys, and the keys of the story and the end screen.
#define KEY_SWITCH_ENUM(id, setting, key, what) ACTION_##id,
enum FixedAction {
    ACTION_SWITCH_BEFORE = ACTION_COUNT - 1,
    KEY_SWITCH_LIST(KEY_SWITCH_ENUM) //
    ACTION_QUIT,                     // Escape: the program ends at once
    ACTION_CONFIRM,                  // Enter on the story and the end screen
    ACTION_STORY_PAUSE,              // space on the story: pauses and resumes it
    ACTION_NAME_DELETE,              // the end screen's name entry: the last letter goes
    ACTION_NAME_NEXT,                // the end screen's name entry by pad: the next letter
    ACTION_LETTER_UP,                // the end screen's name entry by pad: the letter before / after
    ACTION_LETTER_DOWN,
    ACTION_ALL
};
#undef KEY_SWITCH_ENUM
static_assert(int(ACTION_SHADE) == int(ACTION_COUNT), "the switches follow the actions");
// Every key the player sets: the actions' (record.keys) and then the switches' (record.switchKeys),
// indexed by action.
enum { KEY_BOUND_COUNT = ACTION_QUIT };
static_assert(int(KEY_BOUND_COUNT) == int(KEY_ACTION_COUNT + KEY_SWITCH_COUNT),
              "a key per switch in the record");

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
// The actions' rows, then the switches' (KEY_BOUND_COUNT rows).
extern const KeyActionRow keyActions[KEY_BOUND_COUNT];
// The player's keys of a record, indexed by action (KEY_BOUND_COUNT), and back.
void keyGather(const SettingsRecord* r, int32_t* bound);
void keyScatter(SettingsRecord* r, const int32_t* bound);
// Every action's and switch's default key into the record.
void keySetDefaults(SettingsRecord* r);
// 1 for the four walking actions, whose arrow keys walk too whatever their own keys are.
int keyWalks(int action);
// The arrow that walks as the action does beside its own key; 0 for the other actions.
int keyArrowOf(int action);

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
// The action a press of code takes on a screen (SCREEN_STORY, ...) with the player's keys (KEY_BOUND_COUNT,
// indexed by action: keyGather): in the game a key bound as it is pressed first, then a small letter
// bound for its capital, then the arrows that walk and Escape; on the story its own keys (Enter,
// space, Escape) first; on the end screen only its own keys; -1 for a key that does nothing there.
int keyAction(const int32_t* bound, int screen, int code);
// The walking action whose arrow bound is, when that is not action itself (the arrows walk whatever
// else is set); -1 when none.
int keyArrowHolder(int action, int bound);
// 1 when two bound keys are the same key (a capital bound elsewhere is that key's own, so a small
// letter gives its capital away).
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
