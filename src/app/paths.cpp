#include "app/paths.h"
#include "file/file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#ifndef KX_DATA_FROM_BIN
#define KX_DATA_FROM_BIN "../share/kavernix"
#endif

static std::string dataFolder;
static std::string cacheFolder;
static bool noCache; // the cache folder could not be made: nothing is written

// A folder holds the game's files when the first picture the game loads is there.
static bool holdsGameFiles(const std::string& folder) {
    std::string probe = (folder.empty() ? std::string(".") : folder) + "/poster.tga";
    return access(probe.c_str(), R_OK) == 0;
}

// The data folder installed beside the executable, or "" when the executable's place is unknown.
static std::string installedDataFolder() {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "";
    self[n] = 0;
    char* slash = strrchr(self, '/');
    if (!slash) return "";
    *slash = 0;
    return std::string(self) + "/" + KX_DATA_FROM_BIN;
}

// mkdir -p with mode 0700 for the folders it makes; 1 when the folder exists afterwards.
static int makeFolders(const std::string& path) {
    for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return 0;
        if (at == std::string::npos) break;
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void pathInit() {
    const char* chosen = getenv("KAVERNIX_DATA");
    std::string installed = installedDataFolder();
    if (chosen && *chosen)
        dataFolder = chosen;
    else if (!installed.empty() && holdsGameFiles(installed))
        dataFolder = installed;
    else
        dataFolder = "";
    if (!holdsGameFiles(dataFolder)) {
        if (chosen && *chosen)
            fprintf(stderr, "Kavernix: no game data in KAVERNIX_DATA=%s\n", chosen);
        else
            fprintf(stderr, "Kavernix: no game data in %s nor in the current folder\n", installed.c_str());
    }

    cacheFolder = fileUserFolder(FILE_FOLDER_CACHE, stderr);
    noCache = cacheFolder.empty() || !makeFolders(cacheFolder);
    if (!cacheFolder.empty() && noCache)
        fprintf(stderr, "Kavernix: cannot make the cache folder %s, nothing is kept\n", cacheFolder.c_str());
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
