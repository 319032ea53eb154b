// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file of the settings library: a "key = value" text file, its defaults, its checks and
// its atomic rewrite. No toolkit here, so tests and the fuzz target use it without a display.
#pragma once
#include "setup/settings_record.h"
#include "setup/settings_rules.h"
#include <cstdio>
#include <string>

// Everything the file holds: the library-supplied fields of the record and the start switch.
struct SettingsFile {
    SettingsRecord record; // only the library-supplied fields are read and written
    int32_t showDialog;    // nonzero: the dialog opens at start
};

// Groups of keys for settingsStore.
enum { SETTINGS_VIEW = 1, SETTINGS_HALL = 2, SETTINGS_ALL = 0xFF };

// An empty hall-of-fame place has this time (30000 or more means empty).
constexpr float SETTINGS_EMPTY_TIME = 30000.0f;

// The file: $KAVERNIX_SETTINGS, else settings.ini in the configuration folder (fileUserFolder: an
// absolute $XDG_CONFIG_HOME/kavernix or ~/.config/kavernix); "" when there is none, and then nothing
// is read or saved (said once in one line).
std::string settingsPath();

// First-run values of every field the file holds; the rest of the record is zeroed.
void settingsDefaults(SettingsFile* f);

// Parses a whole file text into *f: defaults for absent keys (said only when the text ends inside a
// line, as a file cut short does), nearest valid value for bad ones. Every problem is one line on
// report (none when report is null), prefixed with fileName.
// Returns the number of problems.
int settingsParse(const char* text, size_t length, const char* fileName, SettingsFile* f, FILE* report);

// Reads the file at path into *f. Returns 1 when read, 0 when it does not exist (defaults, silent),
// -1 when it cannot be read or is not a regular file (defaults, one line on report; a FIFO or device
// is refused without waiting on it).
int settingsRead(const char* path, SettingsFile* f, FILE* report);

// Applies the same rules as settingsParse to values already in *f (for values from the dialog).
// Returns the number of problems.
int settingsCheck(SettingsFile* f, const char* where, FILE* report);

// The complete file text for *f, with a comment above each key.
std::string settingsFormat(const SettingsFile* f);

// Sets the keys of the given groups to the values in *f and keeps every other line of the file as it
// was; a missing file starts from the full text of *f. The write is atomic. Returns 1 on success,
// 0 with one line on report when the old file cannot be read or the new one cannot be written.
int settingsStore(const char* path, const SettingsFile* f, unsigned groups, FILE* report);

// Replaces the file at path by text through fileWriteAll (file/file.h): synced, folders created, a
// symbolic link followed to the file it names; anything but a regular file is refused. A failure at
// any step leaves the old file whole and no temporary behind. Returns 1 on success, 0 with one line
// on report.
int settingsWriteAtomic(const char* path, const std::string& text, FILE* report);

// Merges two copies of a table of five places, best first (empty places 30000 or more): *into gets
// the best five of both, a place held in both (the same name and time) once; at equal times the
// places of `kept` (the file's) stay above those of *into. For a table read again before it is
// written, so that no place another game stored in the meantime is dropped.
void settingsMergeHall(char (*intoNames)[32], float* intoTimes, const char (*keptNames)[32],
                       const float* keptTimes);

// Int keys by name, for the dialog: 1 with the key's range when key names an int field, else 0.
int settingsIntRange(const char* key, int* min, int* max);
int settingsGetInt(const SettingsFile* f, const char* key); // 0 for an unknown key
void settingsSetInt(SettingsFile* f, const char* key, int value);

// Copies every field the library supplies from *from to *to; the program's own fields stay.
void settingsCopyLibraryFields(SettingsRecord* to, const SettingsRecord* from);
