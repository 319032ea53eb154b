// SPDX-License-Identifier: GPL-3.0-or-later
// kavernix-tool replay FILE: a replay played through the game's step without a window, and what it was.
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <ctime>
#include <string>
#include "app/game_step.h"
#include "app/game_update.h"
#include "app/replay.h"
#include "app/replay_sim.h"
#include "file/clock.h"
#include "file/file.h"
#include "tool.h"

// The file whole, or 0 with *why.
static int readWhole(const char* path, std::string* bytes, const char** why) {
    const int fd = fileOpenRead(path, why);
    if (fd < 0) return 0;
    char buffer[65536];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) bytes->append(buffer, size_t(n));
    close(fd);
    if (n < 0) return *why = "cannot be read", 0;
    return 1;
}

int toolReplay(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: kavernix-tool replay FILE\n");
        return 2;
    }
    const char* path = argv[1];
    std::string bytes, why;
    const char* readWhy = "";
    if (!readWhole(path, &bytes, &readWhy)) {
        fprintf(stderr, "kavernix-tool replay: %s %s\n", path, readWhy);
        return 2;
    }
    ReplayReader r;
    if (!replayOpen(bytes, &r, &why)) {
        fprintf(stderr, "kavernix-tool replay: %s %s\n", path, why.c_str());
        return 2;
    }
    // Building the mine prints its snapshots, as the game does at start: not here.
    fflush(stdout);
    const int saved = dup(1), quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) dup2(quiet, 1);
    gameKeepsView = 0; // a re-simulated run writes no settings
    ReplayCheck c;
    replaySimCheck(&r, &c);
    fflush(stdout);
    if (saved >= 0) dup2(saved, 1), close(saved);
    if (quiet >= 0) close(quiet);

    char date[32] = "";
    const time_t when = time_t(r.header.date);
    struct tm t;
    if (gmtime_r(&when, &t)) strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S UTC", &t);
    char clock[32];
    formatClock(r.end.finalTime, clock);
    printf("mine: %s\ngame version: %s\ndate: %s\nframes: %u\nend: %s\ntime: %s\ndiamonds: %d\n", r.header.code,
           r.header.gameVersion, date, r.end.frames, r.end.kind ? replayEndName(r.end.kind) : "none", clock,
           r.end.diamonds);
    if (*r.name) {
        // The name as typed in the game's font (Latin-1), for a UTF-8 terminal.
        std::string name;
        for (const char* p = r.name; *p; p++) {
            const unsigned char b = (unsigned char)*p;
            if (b < 0x80) {
                name += char(b);
            } else {
                name += char(0xC0 | (b >> 6));
                name += char(0x80 | (b & 0x3F));
            }
        }
        printf("name: %s\n", name.c_str());
    }
    if (c.reached) {
        printf("re-simulated: reached the recorded end\n");
        return 0;
    }
    printf("re-simulated: differs at frame %u: %s\n", c.badFrame, c.why.c_str());
    return 1;
}
