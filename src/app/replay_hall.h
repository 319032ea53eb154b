// SPDX-License-Identifier: GPL-3.0-or-later
// The replays of the hall of fame's entries, in the replays folder: one per entry of the classic hall
// and of each mine's table, named from the mine's code and the time in hundredths
// ("16-5-3-K7QX2MD_00007378.kxr", "..._00007378-2.kxr" when that name is taken), never from the name
// typed. A run's replay is written before its entry is stored, and the entries that the store pushed
// out lose their replays, all in one hold of the hall's lock.
#pragma once
#include <cstdio>
#include <string>

// Where the replays are: the replays folder of the data folder, last.kxr in it, and the kept run's
// replay beside the kept run ("" when there is no such folder).
std::string replayFolder();
std::string replayLastPath();
std::string replayKeptPath();
// The replay of the run that ended last, as its payload ("" before), which its hall entry keeps.
std::string& replayHallRun();
// The file name of an entry's replay (suffix 1: none).
std::string replayHallName(const char* code, float time, int suffix);
// Writes the run's replay (its payload, ended) for its entry under a free name in the folder, with the
// name typed for the entry: 1, or 0 (one line on report).
int replayHallWrite(const std::string& folder, const char* code, float time, const std::string& payload,
                    const char* name, FILE* report);
// The entries before the store (the table read then, and the run's own) and the table after it: the
// replays of the times that are no longer in it are removed.
void replayHallDropped(const std::string& folder, const char* code, const float* before, int beforeCount,
                       const float* after, int afterCount);
