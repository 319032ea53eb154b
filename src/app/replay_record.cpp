// SPDX-License-Identifier: GPL-3.0-or-later
// Recording the run being played.
#include "app/replay_record.h"
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include "app/game_update.h"
#include "app/lang.h"
#include "app/random.h"
#include "app/record.h"
#include "app/replay_hall.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "file/file.h"
#include "game/actor.h"
#include "game/items.h"
#include "game/run_save.h"

#ifndef KX_VERSION
#define KX_VERSION "(unknown version)"
#endif

static int off;       // the timedemo records nothing
static int recording; // 1 from the game screen's entry to the run's end or leaving
static ReplayWriter writer;
static ReplayPlay playWritten; // the play settings the replay holds now
static std::string lastFile;

void replayRecordOff(int value) {
    off = value;
}

const std::string& replayRecordFile() {
    return lastFile;
}

void replayHeaderPlaySettings(ReplayHeader* h) {
    // The run's pace (a rule of the run, kept with it) and whether the route keys walk while held
    // or from a tap to the next.
    h->gameSpeed = recordSlowerPace() ? record.gameSpeed : 100;
    h->routeKeys = record.routeKeys == 1;
}

static void writeFile(const std::string& path, const std::string& bytes) {
    if (path.empty() || bytes.empty()) return;
    fileWriteAll(path.c_str(), bytes.data(), bytes.size(), FILE_WRITE_FOLDERS | FILE_WRITE_SYNC, stderr);
}

static void endWith(int kind) {
    ReplayEnd end;
    end.kind = kind;
    end.gameTicks = timingGameTicks();
    end.finalTime = kind == REPLAY_LEFT ? record.gameTime : record.finalTime;
    end.diamonds = int(inventory[ROW_DIAMOND] + 0.5f);
    end.frames = writer.frames;
    replayWriteDigest(&writer, gameStepDigest());
    replayWriteEnd(&writer, &end);
    lastFile = replayFileBytes(writer.payload);
    writeFile(replayLastPath(), lastFile);
}

// Leaving the game (Escape, the window closed): the replay so far is last.kxr, and beside the kept
// run unless the run was lost already.
static void leave() {
    if (!recording) return;
    recording = 0;
    if (!gameHorseHit()) writeFile(replayKeptPath(), replayFileBytes(writer.payload));
    endWith(REPLAY_LEFT);
}

// The kept run's replay, read to go on with: 1 with the writer at its end.
static int goOnWithKept() {
    const std::string path = replayKeptPath();
    const char* why = "";
    std::string bytes;
    const int fd = path.empty() ? -1 : fileOpenRead(path.c_str(), &why);
    if (fd < 0) return 0;
    char buffer[65536];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, size_t(n));
    close(fd);
    ReplayReader r;
    std::string refused;
    if (!replayOpen(bytes, &r, &refused)) {
        // TRANSLATORS: the kept run's replay file, then why it is refused (such as "is cut short").
        fprintf(stderr, langConsole("kavernix: %s %s; the run goes on without its replay so far\n"), path.c_str(),
                refused.c_str());
        return 0;
    }
    ReplayItem item;
    while (replayNext(&r, &item))
        if (item.kind == REPLAY_ITEM_PLAY) playWritten = item.play;
    if (r.ended) return 0; // a kept replay has no end yet
    writer = ReplayWriter();
    writer.payload = r.payload;
    writer.frames = r.frames;
    writer.lastTicks = r.lastTicks;
    writer.last = r.last;
    return 1;
}

void replayRecordEnter(const char* code, const RunSave* kept) {
    recording = 0;
    if (off) return;
    static int hooked;
    if (!hooked) hooked = atexit(leave) == 0;
    if (kept) {
        // The run goes on in the replay it began: a new segment from the kept run.
        const int going = goOnWithKept();
        unlink(replayKeptPath().c_str());
        if (!going) return;
        replayWriteSegment(&writer, runSaveFormat(kept), shotState);
        recording = 1;
        return;
    }
    ReplayHeader h;
    memset(&h, 0, sizeof h);
    h.rules = replayRulesVersion;
    snprintf(h.gameVersion, sizeof h.gameVersion, "%s", KX_VERSION);
    snprintf(h.code, sizeof h.code, "%s", code);
    h.date = int64_t(time(nullptr));
    h.perfFrequency = record.perfFrequency;
    h.mazeSize = record.mazeSize, h.itemsPerKind = record.itemsPerKind, h.diamondsNeeded = record.diamondsNeeded;
    h.fullLevel = record.fullLevel, h.strawDistance = record.strawDistance, h.oilSeconds = record.oilSeconds;
    h.pausedStart = !record.running;
    h.shotState = shotState;
    h.fieldOfView = record.fieldOfView;
    replayHeaderPlaySettings(&h);
    h.play = playWritten = replayPlayOfRecord();
    h.generator = randomState();
    writer = ReplayWriter();
    replayWriteHeader(&writer, &h);
    replayWriteSegment(&writer, std::string(), shotState);
    recording = 1;
}

void replayRecordFrame(int64_t ticks, const StepInput* in) {
    if (!recording) return;
    const ReplayPlay now = replayPlayOfRecord();
    if (memcmp(&now, &playWritten, sizeof now) != 0) {
        replayWritePlay(&writer, &now); // F1 changed them: they count from this frame
        playWritten = now;
    }
    replayWriteFrame(&writer, ticks, in);
}

void replayRecordStepped() {
    if (recording && writer.frames % replayDigestEvery == 0) replayWriteDigest(&writer, gameStepDigest());
}

void replayRecordEnded() {
    if (!recording) return;
    recording = 0;
    unlink(replayKeptPath().c_str());
    endWith(gameWon() ? REPLAY_WON : REPLAY_LOST);
    replayHallRun() = writer.payload; // its entry's replay adds the name typed
}
