// SPDX-License-Identifier: GPL-3.0-or-later
// Where the game's files are: the data folder holds what it reads (pictures, font strips, model
// definitions and model files), the cache folder takes every file it writes. Settings and the hall of
// fame are the settings library's matter (its own file under $XDG_CONFIG_HOME/kavernix).
// Until pathInit runs both folders are the current folder, where the tools and the tests work.
#pragma once
#include <string>

// Chooses both folders once, for the game. Data: $KAVERNIX_DATA when set; else the data folder
// installed beside the program, share/kavernix beside a source install's bin/ or share/games/kavernix
// beside the package's games/ (found from the executable's own place, so a moved tree still works);
// else the current folder when it holds the game's files. Cache: fileUserFolder's cache folder
// ($XDG_CACHE_HOME/kavernix or ~/.cache/kavernix, absolute only), made (mode 0700) when missing.
// Says in one line when the cache folder cannot be made. Returns 1 when the data folder holds the
// game's files, else 0 after one line that names the folders searched and how to point the game at
// its data.
int pathInit();
std::string pathData(const char* name); // the data file `name`
// Where the game writes its file `name`; "" (which no file call opens) without a cache folder.
std::string pathCache(const char* name);
// The catalogues' folder (LL/LC_MESSAGES/*.mo): locale/ in the data folder (the run folder), else
// share/locale above an installed or moved share/kavernix or share/games/kavernix; found by the
// rules of pathInit, also before it and silently.
std::string pathLocaleFolder();
const std::string& pathDataFolder();  // "" for the current folder
const std::string& pathCacheFolder(); // "" for the current folder
