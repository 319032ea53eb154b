// SPDX-License-Identifier: GPL-3.0-or-later
// The player's language: which one the game speaks and the catalogue lookups (GNU gettext). The
// catalogue's ids are the English texts; po/LL.po holds a language's texts and the build compiles it
// into LL/LC_MESSAGES/kavernix.mo and kavernix-font.mo in the locale folder. Two text domains read
// the same catalogue: "kavernix" gives UTF-8 (console, --help, the settings dialog), "kavernix-font"
// gives Latin-1 bytes for the game's bitmap font. Without langApply every lookup gives the English id.
#pragma once
#include "app/lang_text.h"

enum { LANG_AUTO = 0, LANG_EN = 1, LANG_DE = 2, LANG_COUNT = 3 };
enum { LANG_BAD = -1 }; // langByName: a name that is no language

// The value of --language: "" (not given) leaves the language to the setting; auto, en or de becomes
// the language of this run, which outranks the setting in every later langApply, and is spoken from
// now on. Returns 1, or 0 for any other value with a one-line reason in *why (valid until the next
// call).
int langFromOption(const char* value, const char** why);
// "auto", "en" or "de" of a language; null outside 0..2.
const char* langName(int language);
// The language a name gives, or LANG_BAD.
int langByName(const char* name);

// The language the game speaks for a setting: en or de as set; for auto the environment decides as
// gettext does (LANGUAGE's first language the game has, unless the locale is C or POSIX, else the
// first of LC_ALL, LC_MESSAGES, LANG that is set), English when none names a language the game has.
// Each variable may be null.
int langResolve(int setting, const char* language, const char* lcAll, const char* lcMessages,
                const char* lang);

// Speaks the language of the setting from now on: LC_MESSAGES becomes C.UTF-8 (so that no locale of
// the language needs to be installed; numbers keep the C locale), LANGUAGE names the language, and
// both domains are bound to the locale folder next to the game's data (the run folder's locale/,
// or share/locale beside share/kavernix of an installed or moved tree). Auto follows the desktop's
// own LANGUAGE, never the one an earlier call wrote. Returns the language spoken.
int langApply(int setting);
int langSpoken(); // LANG_EN or LANG_DE; LANG_EN before the first langApply

// A key as a player reads it in the current language, Latin-1 ("Page Up", "H", "Pos 1" in German
// for Home); a code that is no key gives "?".
const char* langKeyName(int code);
// A pad button as players name it ("Start", "Right trigger") in the game's font (Latin-1).
const char* langPadButtonName(int button);
