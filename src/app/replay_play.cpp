// SPDX-License-Identifier: GPL-3.0-or-later
// A replay played in the window.
#include "app/replay_play.h"
#include <unistd.h>
#include <cstdio>
#include <string>
#include "app/game_step.h"
#include "app/game_update.h"
#include "app/lang.h"
#include "app/record.h"
#include "app/replay_sim.h"
#include "file/file.h"

// TRANSLATORS: the line at the top of the lamp's glass while a recorded run plays, with its speed.
static const char textReplayLine[] = LANG_ID("Replay x%d");

static ReplayReader reader;
static int playing, speed = 1, ended;

int replayPlayOpen(const char* path) {
    const char* why = "";
    const int fd = fileOpenRead(path, &why);
    if (fd < 0) {
        fprintf(stderr, "kavernix: %s %s\n", path, why);
        return 0;
    }
    std::string bytes;
    char buffer[65536];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, size_t(n));
    close(fd);
    std::string refused;
    if (!replayOpen(bytes, &reader, &refused)) {
        fprintf(stderr, "kavernix: %s %s\n", path, refused.c_str());
        return 0;
    }
    playing = 1;
    return 1;
}

int replayPlaying() {
    return playing;
}

const ReplayHeader* replayPlayHeader() {
    return &reader.header;
}

void replayPlayRules() {
    replayHeaderToRecord(&reader.header);
    record.running = 1;
    gameKeepsView = 0; // F9 and F10 of the recorded run change the view, not the settings
}

// One recorded step, the items before it taken on the way: 1 when the run is over.
static int step() {
    ReplayItem item;
    std::string why;
    while (replayNext(&reader, &item)) {
        switch (item.kind) {
        case REPLAY_ITEM_SEGMENT:
            replaySimEnter(&item, &why);
            break;
        case REPLAY_ITEM_PLAY:
            replayPlayToRecord(&item.play);
            break;
        case REPLAY_ITEM_FRAME:
            return gameStep(&item.in, item.ticks);
        default:
            break;
        }
    }
    return 2; // no more frames: the run was left here
}

int replayPlayFrame() {
    if (ended) return ended;
    for (int i = 0; i < speed; i++)
        if (int over = step()) return ended = over;
    return 0;
}

int replayPlayLeft() {
    return ended == 2;
}

const char* replayPlayName() {
    return reader.name;
}

int replayPlaySpeed() {
    return speed;
}

void replayPlayType(unsigned char key) {
    if (key == '1' || key == '2' || key == '4' || key == '8') speed = key - '0';
}

const char* replayPlayLine() {
    static char line[48];
    snprintf(line, sizeof line, langText(textReplayLine), speed);
    return line;
}
