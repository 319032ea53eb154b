// SPDX-License-Identifier: GPL-3.0-or-later
// The hall of fame's replays.
#include "app/replay_hall.h"
#include <unistd.h>
#include <cmath>
#include <cstdio>
#include "app/replay.h"
#include "file/file.h"

std::string replayFolder() {
    const std::string folder = fileUserFolder(FILE_FOLDER_DATA, stderr);
    return folder.empty() ? folder : folder + "/replays";
}

std::string replayLastPath() {
    const std::string folder = replayFolder();
    return folder.empty() ? folder : folder + "/last.kxr";
}

std::string replayKeptPath() {
    const std::string folder = fileUserFolder(FILE_FOLDER_STATE, stderr);
    return folder.empty() ? folder : folder + "/run.kxr";
}

std::string& replayHallRun() {
    static std::string bytes;
    return bytes;
}

static const float emptyPlace = 30000; // a hall's time from here on is an empty place

static long long hundredths(float time) {
    return std::llround(double(time) * 100.0);
}

std::string replayHallName(const char* code, float time, int suffix) {
    char name[96];
    if (suffix <= 1)
        snprintf(name, sizeof name, "%s_%08lld.kxr", code, hundredths(time));
    else
        snprintf(name, sizeof name, "%s_%08lld-%d.kxr", code, hundredths(time), suffix);
    return name;
}

int replayHallWrite(const std::string& folder, const char* code, float time, const std::string& payload,
                    const char* name, FILE* report) {
    if (folder.empty() || payload.empty()) return 0;
    ReplayWriter named;
    named.payload = payload;
    replayWriteName(&named, name);
    const std::string bytes = replayFileBytes(named.payload);
    for (int suffix = 1; suffix < 100; suffix++) {
        const std::string path = folder + "/" + replayHallName(code, time, suffix);
        if (access(path.c_str(), F_OK) == 0) continue;
        return fileWriteAll(path.c_str(), bytes.data(), bytes.size(), FILE_WRITE_FOLDERS | FILE_WRITE_SYNC, report);
    }
    return 0;
}

void replayHallDropped(const std::string& folder, const char* code, const float* before, int beforeCount,
                       const float* after, int afterCount) {
    if (folder.empty()) return;
    for (int i = 0; i < beforeCount; i++) {
        const long long t = hundredths(before[i]);
        if (before[i] >= emptyPlace) continue;
        int seen = 0;
        for (int j = 0; j < i; j++) seen |= hundredths(before[j]) == t;
        if (seen) continue; // each time once
        int kept = 0, dropped = 0;
        for (int j = 0; j < afterCount; j++) kept += hundredths(after[j]) == t;
        for (int j = 0; j < beforeCount; j++) dropped += hundredths(before[j]) == t;
        if (kept >= dropped) continue;
        // As many replays of this time go as entries of it went: the newest names first.
        int last = 0;
        while (last < 99 && access((folder + "/" + replayHallName(code, before[i], last + 1)).c_str(), F_OK) == 0)
            last++;
        for (int n = last; n > 0 && kept < dropped; n--, dropped--)
            unlink((folder + "/" + replayHallName(code, before[i], n)).c_str());
    }
}
