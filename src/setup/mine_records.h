// SPDX-License-Identifier: GPL-3.0-or-later
// The records of every mine but the classic one (whose hall of fame stays in the settings file):
// the best five of each mine, keyed by its code, in records.ini of the data folder
// ($XDG_DATA_HOME/kavernix), at most the 200 mines played most recently. Written whole through the
// atomic writer, so a reader finds the old file or the new one.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

enum { RECORDS_MINES = 200, RECORDS_PLACES = 5 };

struct MineTable {
    char code[32];                  // the mine's code, terminated
    uint32_t played;                // order of the last game: larger is later
    char names[RECORDS_PLACES][32]; // best first, terminated (at most 31 bytes)
    float times[RECORDS_PLACES];    // seconds; 30000 or more: an empty place
};

struct MineRecords {
    int count; // tables in use, most recently played first
    MineTable tables[RECORDS_MINES];
};

// $XDG_DATA_HOME/kavernix/records.ini (or ~/.local/share/...); "" without a home folder.
std::string recordsPath();
// Where a run is saved for later (game/run_save.h): $XDG_STATE_HOME/kavernix/run.ini (or
// ~/.local/state/...); "" without a home folder.
std::string recordsRunPath();
// Parses a whole file text: lines that are not a table header "[CODE]", "played = N" or a place
// "P = SECONDS NAME" of a valid table are skipped, one line each on report (when not null).
// Returns the number of problems; *r holds what was valid, places sorted, at most RECORDS_MINES.
int recordsParse(const char* text, size_t length, const char* fileName, MineRecords* r, FILE* report);
std::string recordsFormat(const MineRecords* r);
// Reads the file: 1 read whole, 0 missing (empty records), -1 refused, unreadable, ended early or with
// a line skipped (each problem a line on report); *r holds what was valid.
int recordsRead(const char* path, MineRecords* r, FILE* report);
// The same, silent: on -1 *why says in a few words why ("larger than 1 MB", "line 4: ...").
int recordsLoad(const char* path, MineRecords* r, std::string* why);
// Stores the places of *table (a copy read earlier, with a run put in) into the table of its mine in
// the file: under the lock records.ini.lock the file is read again, the mine becomes the latest
// played, its table gets the best five of both, and the file is written whole. *table gets the table
// as written. When the file cannot be read whole nothing is written and one line on report names it
// and why. Returns 1 when stored, 0 when not. step, when given, is called in the same hold of the
// lock: step(arg, 0) once the file was read whole, before the merge, and step(arg, 1) after the write.
int recordsStore(const char* path, MineTable* table, FILE* report, void (*step)(void* arg, int stored) = nullptr,
                 void* arg = nullptr);
// The one line saying that the records at path cannot be read whole, so nothing is stored in them.
void recordsSayNotStored(const char* path, const std::string& why, FILE* report);
// Writes the whole file (synced, folders made). 1 written, 0 with one line on report.
int recordsWrite(const char* path, const MineRecords* r, FILE* report);
// The table of code, or null.
MineTable* recordsFind(MineRecords* r, const char* code);
// The table of code, made when missing, now the most recently played; the table played longest ago
// is dropped when a new one does not fit.
MineTable* recordsPlay(MineRecords* r, const char* code);
