// SPDX-License-Identifier: GPL-3.0-or-later
// The ghost: a stored run of the same mine playing along with the live one. On a mine whose hall of
// fame holds an entry with its replay in the replays folder, the best such run; with kavernix
// --ghost FILE, that replay. Its replay is played through the game's step once, before the game
// screen is entered, and each step's bodies are kept as a track; the game's state is put back exactly
// afterwards, so the ghost changes nothing in the live run. The track is placed by the live run's game
// time. Never in the timedemo or while a replay is watched, and not with the setting ghost = 0.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One step of the ghost's run: the game clock after it (seconds) and its two bodies.
struct GhostSample {
    double seconds;
    float horseX, horseZ, horseHeading, horseDistance;
    float playerX, playerY, playerZ;
};

// Plays the replay in bytes through the step and keeps one sample per step (the first at the run's
// start) in *track. The replay must be of the mine code and play back to its recorded end. Every
// part of the game's state the step touches is put back as it was. 1, or 0 with *why (one line).
int ghostTrackBuild(const std::string& bytes, const char* code, std::vector<GhostSample>* track, std::string* why);
// The ghost's place at the game clock's seconds, between the two samples around it: 1, or 0 before
// the track begins or once it has ended.
int ghostTrackAt(const std::vector<GhostSample>& track, double seconds, GhostSample* out);

// --ghost FILE ("" or null: none) and whether a ghost may come at all (not in the timedemo, not while
// a replay is watched); main calls this before the data load.
void ghostChoose(const char* file, int allowed);
// After the mine is built (the data load): the ghost's replay found, read and played into its
// track. A file of another mine or a damaged one: one line on standard error, and no ghost.
void ghostPrepare(const char* code);
// The ghost's place now, by the live run's game clock: 1, or 0 when there is none to show.
int ghostNow(GhostSample* out);
// The replay file of the best run stored for the mine of code (the hall of fame that applies to
// it, best first, the first entry whose replay is in the replays folder), or "".
std::string ghostBestReplay(const char* code);
