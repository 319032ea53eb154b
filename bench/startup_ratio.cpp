// SPDX-License-Identifier: GPL-3.0-or-later
// Whole processes side by side: the bare window (bare_window: the game's window, one cleared
// frame) against `kavernix --timedemo 1` (the game from exec to its first game frame), alternated
// run by run, at maze sizes 16 and 66 for each model source (0 definitions with refinement, 1 text
// files, 2 binary files). Reported: the median wall time of each, their ratio, the game's own
// startup_ms and its peak memory (max RSS). Then the timedemo at maze 66 (600 frames, 1024 x 768,
// portal culling and display lists on) beside 600 frames of clear and swap in the bare window:
// frames per second and the slowest frame of each.
//
// Each process runs in a temporary copy of the run folder with its own settings file
// (KAVERNIX_SETTINGS); the children's output is read from a pipe, so the table stays clean.
#include <benchmark/benchmark.h>
#include "bench_util.h"

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

extern char** environ;

namespace {

const std::string buildDir = KX_RUN_DIR "/..";

struct Run {
    double seconds = -1; // wall time from spawn to exit; -1 when it failed
    double rssMb = 0;
    std::map<std::string, double> figures; // key=value pairs of the last output line
};

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The settings of a player of the given maze and model source, without the dialog.
std::string writeSettings(int mazeSize, int modelSource) {
    char name[64];
    snprintf(name, sizeof name, "settings-%d-%d.ini", mazeSize, modelSource);
    FILE* f = fopen(name, "w");
    if (!f) return "";
    fprintf(f,
            "showDialog = 0\nmazeSize = %d\nitemsPerKind = 9\nmodelSource = %d\nwindowWidth = 1024\n"
            "windowHeight = 768\nshadeMode = 2\ntextureMode = 2\nuseDisplayLists = 1\nlodLevel = 2\n"
            "distanceLod = 1\n",
            mazeSize, modelSource);
    fclose(f);
    char path[4096];
    return std::string(getcwd(path, sizeof path) ? path : ".") + "/" + name;
}

void parseFigures(const std::string& text, Run* run) {
    size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos) return;
    size_t begin = text.rfind('\n', end);
    std::string line = text.substr(begin == std::string::npos ? 0 : begin + 1, end + 1);
    char key[64];
    double value;
    const char* p = line.c_str();
    int used = 0;
    while (sscanf(p, " %63[a-z_]=%lf%n", key, &value, &used) == 2) {
        run->figures[key] = value;
        p += used;
    }
}

// Runs the program with its arguments and KAVERNIX_SETTINGS=settings; standard output is kept.
Run runProcess(std::vector<std::string> args, const std::string& settings) {
    Run run;
    int out[2];
    if (pipe(out) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e; e++)
        if (strncmp(*e, "KAVERNIX_", 9) != 0) env.push_back(*e);
    env.push_back("KAVERNIX_SETTINGS=" + settings);
    env.push_back("KAVERNIX_SETUP_DIALOG=0");
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(&e[0]);
    envp.push_back(nullptr);
    pid_t pid;
    const double t0 = now();
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    char buffer[65536];
    ssize_t n;
    while (spawned == 0 && (n = read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, size_t(n));
    close(out[0]);
    if (spawned != 0) return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double t1 = now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
    run.seconds = t1 - t0;
    run.rssMb = double(usage.ru_maxrss) / 1024.0;
    parseFigures(text, &run);
    return run;
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

// The timedemo at maze 66 beside clear and swap: medians over the runs of fps and slowest frame.
void BM_TimedemoAgainstClearAndSwap(benchmark::State& state) {
    enterRunCopy("startup");
    const std::string settings = writeSettings(66, int(state.range(0)));
    std::vector<double> fps, slowest, swapFps, swapSlowest;
    double rss = 0;
    for (auto _ : state) {
        Run b = runProcess({buildDir + "/bare_window", "600"}, settings);
        Run g = runProcess({buildDir + "/kavernix", "--timedemo", "600"}, settings);
        if (b.seconds < 0 || g.seconds < 0) {
            state.SkipWithError("a child process failed");
            break;
        }
        state.SetIterationTime(g.figures["seconds"]);
        fps.push_back(g.figures["fps"]);
        slowest.push_back(g.figures["slowest_ms"]);
        swapFps.push_back(b.figures["fps"]);
        swapSlowest.push_back(b.figures["slowest_ms"]);
        rss = std::max(rss, g.rssMb);
    }
    state.counters["fps"] = median(fps);
    state.counters["slowest_ms"] = median(slowest);
    state.counters["worst_slowest_ms"] =
        slowest.empty() ? 0 : *std::max_element(slowest.begin(), slowest.end());
    state.counters["swap_fps"] = median(swapFps);
    state.counters["swap_slowest_ms"] = median(swapSlowest);
    state.counters["rss_mb"] = rss;
}
BENCHMARK(BM_TimedemoAgainstClearAndSwap)
    ->ArgName("source")
    ->Arg(2)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
