// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue's lookups (GNU gettext), apart from the choice of the language (lang.h), so that the
// data paths can speak without choosing. Without langApply every lookup gives the English id.
#pragma once

#define LANG_DOMAIN "kavernix"
#define LANG_FONT_DOMAIN "kavernix-font"
// Marks a text for the catalogue where a table defines it; it is looked up where it is used.
#define LANG_ID(text) text

// The catalogue's text of an English id: langText as Latin-1 bytes for the game's font, langConsole
// as UTF-8. The result lives until the next langApply.
const char* langText(const char* id) __attribute__((format_arg(1)));
const char* langConsole(const char* id) __attribute__((format_arg(1)));
