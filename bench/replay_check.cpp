// SPDX-License-Identifier: GPL-3.0-or-later
// Checking a replay without a window (what kavernix-tool replay does): a ten-minute run at 60 frames a
// second, walking, turning, riding and a shot, re-simulated and every digest compared. The figure
// is "realtime", the run's game seconds per second of checking: at least 50. The file's size is
// reported beside it ("bytes", at most 1 MB for the ten minutes).
#include <benchmark/benchmark.h>
#include "bench_util.h"

#include <cstring>
#include <string>

#include "app/game_step.h"
#include "app/game_update.h"
#include "app/random.h"
#include "app/record.h"
#include "app/replay.h"
#include "app/replay_sim.h"
#include "app/timing.h"
#include "game/items.h"
#include "scene/creatures.h"
#include "setup/key_table.h"

namespace {

[[maybe_unused]] const bool modelsRegistered = (sceneRegisterModels(), true);

const int64_t hz = 1000000000;
const int minutes = 10, fps = 60;

// A player's ten minutes: the arrows and the route keys held for seconds at a time, the pointer
// moved in most frames, a ride and a shot now and then.
StepInput inputOf(int f) {
    static const int walks[] = {ACTION_FORWARD, ACTION_FORWARD, ACTION_STEP_LEFT, ACTION_CALL_HORSE,
                                ACTION_GO_TO_HORSE, ACTION_BACK, ACTION_FORWARD, ACTION_STEP_RIGHT};
    StepInput in{};
    in.held = uint64_t(1) << walks[(f / 150) % 8];
    if (f % 4 != 0) in.lookYaw = float((f * 7) % 23 - 11) * 0.05f, in.lookPitch = float((f * 3) % 7 - 3) * 0.03f;
    if (f % 1800 == 900) gameStepPress(&in, ACTION_RIDE);
    if (f == 300) gameStepPress(&in, ACTION_SHOOT);
    return in;
}

std::string tenMinutes() {
    Quiet quiet;
    ReplayHeader h;
    memset(&h, 0, sizeof h);
    h.rules = replayRulesVersion;
    strcpy(h.gameVersion, "bench");
    strcpy(h.code, "16-5-3-0000001");
    h.perfFrequency = hz, h.mazeSize = 16, h.itemsPerKind = 5, h.diamondsNeeded = 3;
    h.fullLevel = 4, h.strawDistance = 20, h.oilSeconds = 60, h.fieldOfView = 60, h.gameSpeed = 100;
    h.play = ReplayPlay{5, 0, 20, 5};
    std::string why;
    replaySimPrepare(&h, &why);
    h.generator = randomState();
    ReplayWriter w;
    replayWriteHeader(&w, &h);
    ReplayItem start;
    start.shotState = 0;
    replayWriteSegment(&w, start.kept, 0);
    replaySimEnter(&start, &why);
    int over = 0;
    for (int f = 0; f < minutes * 60 * fps; f++) {
        const StepInput in = inputOf(f);
        const int64_t ticks = hz / fps + (f * 7919 % 2000) * 1000 - 1000000;
        replayWriteFrame(&w, ticks, &in);
        over = gameStep(&in, ticks);
        if (over) break;
        if (w.frames % replayDigestEvery == 0) replayWriteDigest(&w, gameStepDigest());
    }
    if (over) record.finalTime = record.gameTime;
    ReplayEnd end{over ? (gameWon() ? REPLAY_WON : REPLAY_LOST) : REPLAY_LEFT, timingGameTicks(), record.gameTime,
                  int(inventory[2] + 0.5f), w.frames};
    replayWriteDigest(&w, gameStepDigest());
    replayWriteEnd(&w, &end);
    return replayFileBytes(w.payload);
}

void BM_ReplayCheckTenMinutes(benchmark::State& state) {
    gameKeepsView = 0;
    const std::string bytes = tenMinutes();
    ReplayReader r;
    std::string why;
    if (!replayOpen(bytes, &r, &why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    double seconds = 0;
    for (auto _ : state) {
        Quiet quiet;
        ReplayCheck c;
        replaySimCheck(&r, &c);
        if (!c.reached) state.SkipWithError(c.why.c_str());
        seconds = double(c.gameTicks) / double(hz);
    }
    state.counters["realtime"] = benchmark::Counter(seconds * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["bytes"] = double(bytes.size());
    state.counters["game_seconds"] = seconds;
}
BENCHMARK(BM_ReplayCheckTenMinutes)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
