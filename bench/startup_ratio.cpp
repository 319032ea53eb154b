// SPDX-License-Identifier: GPL-3.0-or-later
// Whole processes side by side: the bare window (bare_window: the game's window, one cleared
// frame) against `kavernix --timedemo 1` (the game from exec to its first game frame), alternated
// run by run, at maze sizes 16 and 66 for each model source (0 definitions with refinement, 1 text
// files, 2 binary files). Reported: the median wall time of each, their ratio, the game's own
// startup_ms and its peak memory (max RSS). (The frames of the timedemo are bench_frames'.)
//
// Each process runs in a temporary copy of the run folder with its own settings file
// (KAVERNIX_SETTINGS); the children's output is read from a pipe, so the table stays clean.
#include <benchmark/benchmark.h>
#include "bench_util.h"
#include "bench_process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string buildDir = KX_RUN_DIR "/..";

using Run = BenchRun;

std::string writeSettings(int mazeSize, int modelSource) {
    return benchWriteSettings(mazeSize, modelSource);
}

Run runProcess(std::vector<std::string> args, const std::string& settings) {
    return benchRunProcess(std::move(args), settings);
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Args: maze size, model source. Manual time: the game's start-up; the counters hold the medians.
void BM_StartUpAgainstBareWindow(benchmark::State& state) {
    enterRunCopy("startup");
    const std::string settings = writeSettings(int(state.range(0)), int(state.range(1)));
    std::vector<double> bare, game, self;
    double rss = 0;
    int round = 0;
    for (auto _ : state) {
        // The order flips every round, so a drift in the machine's load hits both alike.
        Run b, g;
        for (int k = 0; k < 2; k++) {
            if ((k + round) % 2 == 0)
                b = runProcess({buildDir + "/bare_window"}, settings);
            else
                g = runProcess({buildDir + "/kavernix", "--timedemo", "1"}, settings);
        }
        round++;
        if (b.seconds < 0 || g.seconds < 0) {
            state.SkipWithError("a child process failed");
            break;
        }
        state.SetIterationTime(g.seconds);
        bare.push_back(b.seconds * 1000);
        game.push_back(g.seconds * 1000);
        self.push_back(g.figures["startup_ms"]);
        rss = std::max(rss, g.rssMb);
    }
    const double bareMs = median(bare), gameMs = median(game);
    state.counters["bare_ms"] = bareMs;
    state.counters["game_ms"] = gameMs;
    state.counters["ratio"] = bareMs > 0 ? gameMs / bareMs : 0;
    state.counters["startup_ms"] = median(self);
    state.counters["rss_mb"] = rss;
}
BENCHMARK(BM_StartUpAgainstBareWindow)
    ->ArgNames({"maze", "source"})
    ->ArgsProduct({{16, 66}, {0, 1, 2}})
    ->Iterations(7)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
