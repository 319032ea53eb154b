// SPDX-License-Identifier: GPL-3.0-or-later
// Setting a key by pressing it: the toolkit's key -> the game's key code, the key's name as players
// read it, and why a pressed key cannot be some action's key. No toolkit here: the dialog feeds it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The game's key code (key_table.h) of a GDK key value; 0 for a key the game cannot be given
// (a letter with an accent, a media key) and for a modifier pressed alone.
int keyFromKeyval(unsigned keyval);
// 1 for the GDK key values of Shift, Control, Alt, Super and their locks: a capture waits on past them.
int keyIsModifier(unsigned keyval);
// The key as players read it in the dialog's language, UTF-8: "Page Up", "Space", "W" for w, "Shift+W"
// for W, "F1", "#"; "?" for a code that is no key. The text lasts for the next seven calls.
const char* keyShownName(int code);
// The same name with its words ("Space", "Shift+%c", ...) looked up by `lookup`: the game's font
// catalogue reads them in Latin-1 where the dialog reads UTF-8.
const char* keyShownNameIn(int code, const char* (*lookup)(const char*));
// A pad button as players name it ("Right trigger", "D-pad left", "no button" for none), looked up by
// `lookup`; SDL's name stays the settings file's. "?" for a number that is no button.
const char* keyPadShownNameIn(int button, const char* (*lookup)(const char*));
const char* keyPadShownName(int button); // in the dialog's language, UTF-8
// An action's or a switch's title in the dialog's language, with a capital: "Walk forward", "Shading".
std::string keyBoundTitle(int action);
// Why code cannot be the key of action (an action or a switch) with the given keys (KEY_BOUND_COUNT,
// key_table.h), in the dialog's language: Escape, or what holds the key already (a rendering switch
// named with what it switches, an action by its title, an arrow by the walk it always does), or no
// key the game can be given. Null when the key may be set (its own key again included).
const char* keyRefusal(const int32_t* bound, int action, int code);
// The W A S D layout in one go: w, a, s, d walk forward, left, back, right, and whatever held one of
// them (a rendering switch, another action) moves to a free key. *said gets what happened in the
// dialog's language ("... Shading moved to K."); returns how many keys moved.
int keyWasdLayout(int32_t* bound, char* said, size_t size);
// Writes the rows of the README's controls table for the game's keys and pad buttons, one
// "| `h` | `keyRide` | B, `padRide` | get on ... |" line each, in table order (the pad's button as
// players name it), then a row per rendering switch.
void keyControlsRows(FILE* out);
