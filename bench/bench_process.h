// SPDX-License-Identifier: GPL-3.0-or-later
// Running the game and its floors as whole processes: a settings file of a player, a child run
// with its output read from a pipe, the key=value figures of its last line.
#pragma once
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

struct BenchRun {
    double seconds = -1; // wall time from spawn to exit; -1 when it failed
    double rssMb = 0;
    std::map<std::string, double> figures; // the numeric key=value pairs of the last output line
};

inline double benchNow() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The settings of a player of the given maze and model source, without the dialog, in the current
// folder; returns the file's full path.
inline std::string benchWriteSettings(int mazeSize, int modelSource) {
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

// The last line's fields "key=number"; fields of another form (a mine's code) are passed over.
inline void benchParseFigures(const std::string& text, BenchRun* run) {
    size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos) return;
    size_t begin = text.rfind('\n', end);
    const size_t from = begin == std::string::npos ? 0 : begin + 1;
    const std::string line = text.substr(from, end + 1 - from);
    size_t at = 0;
    while (at < line.size()) {
        const size_t first = line.find_first_not_of(' ', at);
        if (first == std::string::npos) break;
        size_t to = line.find(' ', first);
        if (to == std::string::npos) to = line.size();
        const std::string field = line.substr(first, to - first);
        const size_t eq = field.find('=');
        if (eq != std::string::npos && eq > 0) {
            const char* value = field.c_str() + eq + 1;
            char* stop = nullptr;
            const double number = strtod(value, &stop);
            if (stop != value && *stop == 0) run->figures[field.substr(0, eq)] = number;
        }
        at = to;
    }
}

// Runs the program with its arguments and KAVERNIX_SETTINGS=settings (none when empty); standard
// output is kept, standard error dropped.
inline BenchRun benchRunProcess(std::vector<std::string> args, const std::string& settings) {
    BenchRun run;
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
    if (!settings.empty()) env.push_back("KAVERNIX_SETTINGS=" + settings);
    env.push_back("KAVERNIX_SETUP_DIALOG=0");
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(&e[0]);
    envp.push_back(nullptr);
    pid_t pid;
    const double t0 = benchNow();
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
    const double t1 = benchNow();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
    run.seconds = t1 - t0;
    run.rssMb = double(usage.ru_maxrss) / 1024.0;
    benchParseFigures(text, &run);
    return run;
}
