// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/paths.h"
#include "app/lang_text.h"
#include "file/file.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

// The data folder relative to the program's folder: as a source install lays it out (bin/ and
// share/kavernix), and as the Debian package does (games/ and share/games/kavernix).
#ifndef KX_DATA_FROM_BIN
#define KX_DATA_FROM_BIN "../share/kavernix"
#endif
#ifndef KX_DATA_FROM_GAMES
#define KX_DATA_FROM_GAMES "../share/games/kavernix"
#endif

static std::string dataFolder;
static std::string cacheFolder;
static bool noCache; // the cache folder could not be made: nothing is written

// A folder holds the game's files when one of the pictures the game reads first is there: a damaged
// data set still counts (the readers name each fault), a folder without any of them is not the game's.
static bool holdsGameFiles(const std::string& folder) {
    for (const char* name : {"poster.tga", "stencil.tga", "floor.tga", "wall.tga", "fontmaze.tga"}) {
        std::string probe = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (access(probe.c_str(), R_OK) == 0) return true;
    }
    return false;
}

// The folder `relative` names from the executable's folder, with its leading ".." steps taken,
// or "" when the executable's place is unknown.
static std::string besideProgram(const char* relative) {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "";
    self[n] = 0;
    std::string folder(self, size_t(n));
    for (size_t slash = folder.rfind('/'); slash != std::string::npos; slash = folder.rfind('/')) {
        folder.erase(slash);
        if (strncmp(relative, "../", 3)) break;
        relative += 3;
    }
    return folder + "/" + relative;
}

// Picks the data folder; 0 after one line naming the folders searched when none holds the game.
static int chooseDataFolder() {
    const char* chosen = getenv("KAVERNIX_DATA");
    if (chosen && *chosen) {
        dataFolder = chosen;
        if (holdsGameFiles(dataFolder)) return 1;
        fprintf(stderr,
                langConsole("kavernix: no game data in KAVERNIX_DATA=%s; set it to the folder that holds "
                            "poster.tga and the game's other files, or unset it\n"),
                chosen);
        return 0;
    }
    const std::string installed[] = {besideProgram(KX_DATA_FROM_BIN), besideProgram(KX_DATA_FROM_GAMES)};
    for (const std::string& folder : installed) {
        dataFolder = folder;
        if (!folder.empty() && holdsGameFiles(folder)) return 1;
    }
    dataFolder = "";
    if (holdsGameFiles(dataFolder)) return 1;
    char here[PATH_MAX];
    fprintf(stderr,
            langConsole("kavernix: no game data in %s, in %s nor in the current folder %s; set KAVERNIX_DATA "
                        "to the game's data folder, or start it with `make play` in its source tree\n"),
            installed[0].c_str(), installed[1].c_str(), getcwd(here, sizeof here) ? here : "");
    return 0;
}

// The missing folders of path made (0700); 1 when the folder exists afterwards.
static int makeFolders(const std::string& path) {
    struct stat st;
    return fileMakeFolders(path) && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The data folder by the rules of chooseDataFolder, silently; "" also when none holds the game.
static std::string findDataFolder() {
    const char* chosen = getenv("KAVERNIX_DATA");
    if (chosen && *chosen) return chosen;
    for (const char* relative : {KX_DATA_FROM_BIN, KX_DATA_FROM_GAMES}) {
        std::string folder = besideProgram(relative);
        if (!folder.empty() && holdsGameFiles(folder)) return folder;
    }
    return "";
}

std::string pathLocaleFolder() {
    const std::string data = findDataFolder();
    if (data.empty()) return "locale";
    // The run folder holds locale/; an installed data folder share/kavernix or share/games/kavernix
    // has share/locale one or two folders up.
    for (const char* relative : {"/locale", "/../locale", "/../../locale"}) {
        const std::string folder = data + relative;
        struct stat st;
        if (stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return folder;
    }
    return data + "/locale";
}

int pathInit() {
    const int found = chooseDataFolder();

    cacheFolder = fileUserFolder(FILE_FOLDER_CACHE, stderr);
    noCache = cacheFolder.empty() || !makeFolders(cacheFolder);
    if (!cacheFolder.empty() && noCache)
        fprintf(stderr, langConsole("kavernix: cannot make the cache folder %s, nothing is kept\n"),
                cacheFolder.c_str());
    return found;
}

static std::string inFolder(const std::string& folder, const char* name) {
    return folder.empty() ? std::string(name) : folder + "/" + name;
}

std::string pathData(const char* name) {
    return inFolder(dataFolder, name);
}

std::string pathCache(const char* name) {
    return noCache ? std::string() : inFolder(cacheFolder, name);
}

const std::string& pathDataFolder() {
    return dataFolder;
}

const std::string& pathCacheFolder() {
    return cacheFolder;
}
