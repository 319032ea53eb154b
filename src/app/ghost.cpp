// SPDX-License-Identifier: GPL-3.0-or-later
// The ghost's track: its replay played through the step with the game's state kept aside.
#include "app/ghost.h"
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include "app/game_state.h"
#include "app/game_step.h"
#include "app/game_update.h"
#include "app/lang.h"
#include "app/random.h"
#include "app/record.h"
#include "app/replay.h"
#include "app/replay_hall.h"
#include "app/replay_sim.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "file/file.h"
#include "game/actor.h"
#include "game/items.h"
#include "maze/maze.h"
#include "setup/mine_code.h"
#include "setup/mine_records.h"

// Everything of the game's state the step and the mine's building write, as it was.
struct Kept {
    SettingsRecord record;
    uint32_t generator;
    Maze maze;
    float inventory[4];
    Actor player, horse, exitDoor, shot;
    int shotState, routePhase;
    float explosionTime;
    GameState gameState;
    int64_t gameTicks;
    uint64_t held;
    int horseHit;
    int32_t counts[MODEL_ROWS];
    Actor entities[MODEL_ROWS][MAX_INSTANCES];
};

static void keep(Kept* k) {
    k->record = record;
    k->generator = randomState();
    k->maze = maze;
    memcpy(k->inventory, inventory, sizeof k->inventory);
    k->player = player, k->horse = horse, k->exitDoor = exitDoor, k->shot = shot;
    k->shotState = shotState, k->routePhase = routePhase;
    k->explosionTime = explosionTime;
    k->gameState = gameState;
    k->gameTicks = timingGameTicks();
    k->held = gameStepHeldNow();
    k->horseHit = gameHorseHit();
    for (int row = 0; row < MODEL_ROWS; row++) {
        k->counts[row] = modelTable[row].count;
        if (modelTable[row].entities)
            memcpy(k->entities[row], modelTable[row].entities, sizeof k->entities[row]);
    }
}

static void putBack(const Kept* k) {
    randomSeed(k->generator);
    maze = k->maze;
    memcpy(inventory, k->inventory, sizeof inventory);
    player = k->player, horse = k->horse, exitDoor = k->exitDoor, shot = k->shot;
    shotState = k->shotState, routePhase = k->routePhase;
    explosionTime = k->explosionTime;
    gameState = k->gameState;
    timingSetGameTicks(k->gameTicks);
    gameStepHoldAll(k->held);
    gameSetHorseHit(k->horseHit);
    for (int row = 0; row < MODEL_ROWS; row++) {
        modelTable[row].count = k->counts[row];
        if (modelTable[row].entities)
            memcpy(modelTable[row].entities, k->entities[row], sizeof k->entities[row]);
    }
    // What the steps carry over from one to the next starts again; a view that F9 or F10 of the
    // ghost's run changed is never stored.
    gameStepFresh();
    const int keepsView = gameKeepsView;
    gameKeepsView = 0;
    gameFieldOfViewKeep();
    gameKeepsView = keepsView;
    record = k->record; // last: the rules, the clocks' seconds, the rider and the message as they were
}

static GhostSample sampleNow(int64_t frequency) {
    GhostSample s;
    s.seconds = frequency > 0 ? double(timingGameTicks()) / double(frequency) : 0.0;
    s.horseX = horse.x, s.horseZ = horse.z, s.horseHeading = horse.heading, s.horseDistance = horse.distance;
    s.playerX = player.x, s.playerY = player.y, s.playerZ = player.z;
    return s;
}

// The replay played through; 1 when it reached its recorded end.
static int playInto(ReplayReader* r, std::vector<GhostSample>* track, std::string* why) {
    const int64_t frequency = r->header.perfFrequency;
    if (!replaySimPrepare(&r->header, why)) return 0;
    ReplayItem item;
    int over = 0;
    uint32_t frames = 0;
    while (replayNext(r, &item)) {
        switch (item.kind) {
        case REPLAY_ITEM_SEGMENT:
            if (!replaySimEnter(&item, why)) return 0;
            if (track->empty()) track->push_back(sampleNow(frequency));
            break;
        case REPLAY_ITEM_PLAY:
            replayPlayToRecord(&item.play);
            break;
        case REPLAY_ITEM_FRAME:
            if (over) return *why = "holds frames after the run's end", 0;
            over = gameStep(&item.in, item.ticks);
            frames++;
            track->push_back(sampleNow(frequency));
            break;
        case REPLAY_ITEM_DIGEST:
            if (gameStepDigest() != item.digest) {
                char line[96];
                snprintf(line, sizeof line, "does not play back as recorded (frame %u)", frames);
                return *why = line, 0;
            }
            break;
        case REPLAY_ITEM_END:
            return 1;
        default:
            break;
        }
    }
    return *why = "holds no end", 0;
}

int ghostTrackBuild(const std::string& bytes, const char* code, std::vector<GhostSample>* track, std::string* why) {
    track->clear();
    static ReplayReader reader; // the whole payload: not on the stack
    reader = ReplayReader();
    if (!replayOpen(bytes, &reader, why)) return 0;
    if (strcmp(reader.header.code, code) != 0) {
        *why = std::string("is a replay of the mine ") + reader.header.code + ", not of " + code;
        return 0;
    }
    static Kept kept;
    keep(&kept);
    const GameOut heard = gameOut; // the ghost's run is not heard
    gameOut = GameOut{};
    const int played = playInto(&reader, track, why);
    gameOut = heard;
    putBack(&kept);
    if (!played) track->clear();
    return played;
}

static float angleBetween(float a, float b, float f) {
    float d = fmodf(b - a, 360.0f);
    if (d > 180) d -= 360;
    if (d < -180) d += 360;
    return a + d * f;
}

int ghostTrackAt(const std::vector<GhostSample>& track, double seconds, GhostSample* out) {
    if (track.empty() || seconds < track.front().seconds || seconds > track.back().seconds) return 0;
    // The first sample later than the time asked for, and the one before it.
    auto later = std::upper_bound(track.begin(), track.end(), seconds,
                                  [](double t, const GhostSample& s) { return t < s.seconds; });
    if (later == track.end()) return *out = track.back(), 1;
    const GhostSample& a = *(later - 1);
    const GhostSample& b = *later;
    const double span = b.seconds - a.seconds;
    const float f = span > 0 ? float((seconds - a.seconds) / span) : 0.0f;
    out->seconds = seconds;
    out->horseX = a.horseX + (b.horseX - a.horseX) * f;
    out->horseZ = a.horseZ + (b.horseZ - a.horseZ) * f;
    out->horseHeading = angleBetween(a.horseHeading, b.horseHeading, f);
    out->horseDistance = a.horseDistance + (b.horseDistance - a.horseDistance) * f;
    out->playerX = a.playerX + (b.playerX - a.playerX) * f;
    out->playerY = a.playerY + (b.playerY - a.playerY) * f;
    out->playerZ = a.playerZ + (b.playerZ - a.playerZ) * f;
    return 1;
}

static std::string ghostFile;
static int ghostAllowed;
static std::vector<GhostSample> ghostTrack;

void ghostChoose(const char* file, int allowed) {
    ghostFile = file ? file : "";
    ghostAllowed = allowed;
}

std::string ghostBestReplay(const char* code) {
    const std::string folder = replayFolder();
    if (folder.empty()) return "";
    MineCode mine;
    const char* refused = "";
    if (!mineCodeParse(code, &mine, &refused)) return "";
    float times[RECORDS_PLACES];
    int count = 0;
    if (mineCodeIsClassic(&mine)) {
        for (int i = 0; i < RECORDS_PLACES && i < int(sizeof record.hallTimes / sizeof record.hallTimes[0]); i++)
            times[count++] = record.hallTimes[i];
    } else {
        static MineRecords stored; // 200 tables: not on the stack
        std::string why;
        const std::string path = recordsPath();
        if (path.empty() || recordsLoad(path.c_str(), &stored, &why) < 0) return "";
        const MineTable* t = recordsFind(&stored, code);
        if (!t) return "";
        for (int i = 0; i < RECORDS_PLACES; i++) times[count++] = t->times[i];
    }
    std::sort(times, times + count);
    for (int i = 0; i < count && times[i] < 30000.0f; i++) {
        const std::string path = folder + "/" + replayHallName(code, times[i], 1);
        if (access(path.c_str(), R_OK) == 0) return path;
    }
    return "";
}

static int readWhole(const std::string& path, std::string* bytes, std::string* why) {
    const char* refused = "";
    const int fd = fileOpenRead(path.c_str(), &refused);
    if (fd < 0) return *why = refused, 0;
    char buffer[65536];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) bytes->append(buffer, size_t(n));
    close(fd);
    return 1;
}

void ghostPrepare(const char* code) {
    ghostTrack.clear();
    if (!ghostAllowed || !record.ghost) return;
    const std::string path = ghostFile.empty() ? ghostBestReplay(code) : ghostFile;
    if (path.empty()) return;
    std::string bytes, why;
    if (!readWhole(path, &bytes, &why) || !ghostTrackBuild(bytes, code, &ghostTrack, &why))
        // TRANSLATORS: the replay file, then why it gives no ghost (such as "is cut short").
        fprintf(stderr, langConsole("kavernix: %s %s; the game goes on without a ghost\n"), path.c_str(),
                why.c_str());
}

int ghostNow(GhostSample* out) {
    if (ghostTrack.empty() || !record.ghost || record.perfFrequency <= 0) return 0;
    return ghostTrackAt(ghostTrack, double(timingGameTicks()) / double(record.perfFrequency), out);
}
