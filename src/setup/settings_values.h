// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of single values in the settings file, as its reading, checking and writing and the
// records file share them. Numbers go through the C locale, whatever the program's locale is.
#pragma once
#include <cstddef>
#include <string>

// 1 when s is a whole decimal number filling the text, in *v (values beyond long long come back as
// its limits); 0 otherwise.
int settingsParseWhole(const std::string& s, long long* v);
// 1 when s is a decimal number filling the text, in *v; 0 otherwise.
int settingsParseDouble(const std::string& s, double* v);
// The shortest plain decimal that reads back as exactly t.
std::string settingsFormatFloat(float t);
// The game's clock text of a time (file/clock.h), for the dialog: the same as the end screen's.
std::string settingsClockText(float seconds);
// Whether the length bytes at s are a game mode for the toolkit: empty, or [W x H][:bits][@rate] with
// each number 1 to 5 digits.
bool settingsModeStringValid(const char* s, size_t length);
// Splits a line of the file: 0 blank or comment, 1 "key = value" (trimmed into *key and *value),
// -1 anything else.
int settingsSplitLine(const std::string& line, std::string* key, std::string* value);
// Hall-of-fame name bytes as written in the file: printable ASCII as it is, a backslash doubled,
// every other byte (and a space at either end) as \xNN.
std::string settingsEscapeName(const char* bytes, size_t length);
// The bytes such a text stands for; *badEscape when it holds a bad escape or a zero byte.
std::string settingsUnescapeName(const std::string& value, bool* badEscape);
