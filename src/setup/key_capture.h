// SPDX-License-Identifier: GPL-3.0-or-later
// Setting a key by pressing it: the toolkit's key -> the game's key code, the key's name as players
// read it, and why a pressed key cannot be some action's key. No toolkit here: the dialog feeds it.
#pragma once
#include <cstdint>

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
// Why code cannot be action's key with the given keys (one per action), in the dialog's language:
// Escape, a rendering switch (named with what it switches), another action's key (named), or no key
// the game can be given. Null when the key may be set (its own key again included).
const char* keyRefusal(const int32_t* keys, int action, int code);
