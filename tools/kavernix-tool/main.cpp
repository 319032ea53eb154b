// SPDX-License-Identifier: GPL-3.0-or-later
// kavernix-tool: the game's command-line helper for players, modders and tests.
#include <cstdio>
#include <climits>
#include <cstring>
#include <string>
#include <unistd.h>
#include "app/launch.h"
#include "brep/catalogue.h"
#include "scene/creatures.h"
#include "setup/key_capture.h"
#include "setup/key_table.h"
#include "tool.h"

int toolDataHere(const char* command) {
    const std::string probe = std::string(modelNames[0]) + ".brepdef.txt";
    if (access(probe.c_str(), R_OK) == 0) return 1;
    char here[PATH_MAX];
    fprintf(stderr,
            "kavernix-tool %s: no game data in the current folder %s (no %s); run it in a folder that "
            "holds the game's data: build/run after `make build` or `make play`, or a copy of the installed "
            "share/kavernix (share/games/kavernix from the package)\n",
            command, getcwd(here, sizeof here) ? here : "", probe.c_str());
    return 0;
}

struct ToolCommand {
    const char* name;
    const char* usage;
    int (*run)(int argc, char** argv); // argv[0] is the subcommand's name
};

static int toolKeys(int argc, char**) {
    if (argc != 1) {
        fprintf(stderr, "usage: kavernix-tool keys\n");
        return 2;
    }
    keyControlsRows(stdout);
    return fflush(stdout) == 0 ? 0 : 1;
}

static const ToolCommand toolCommands[] = {
    {"maze", "maze N ITEMS              print the three maze snapshots of a maze of size N", toolMaze},
    {"tga-info", "tga-info FILE             size and depth of a TGA file, or why it is refused", toolTgaInfo},
    {"font", "font STRIP.tga OUT.tga    build the 512 x 512 font image from a glyph strip", toolFont},
    {"render",
     "render MODEL LEVEL OUT.tga [--texture FILE] [--yaw D --pitch D]  draw one model into an image",
     toolRender},
    {"model", "model build|info|pack|pack-all|texhint|cache ...  build, inspect and pack model files",
     toolModel},
    {"replay", "replay FILE               play a replay again without a window and check it", toolReplay},
    {"keys", "keys                      the game's keys as rows of the README's controls table", toolKeys},
};

static void toolUsage(FILE* out) {
    fprintf(out, "usage: kavernix-tool COMMAND [ARGS]\n       kavernix-tool --help | --version\ncommands:\n");
    for (const ToolCommand& c : toolCommands) fprintf(out, "  %s\n", c.usage);
}

// Refuses with one line and the usage on standard error, exit status 2.
static int toolRefuse(const char* format, const char* word) {
    fprintf(stderr, "kavernix-tool: ");
    fprintf(stderr, format, word);
    fprintf(stderr, "\n");
    toolUsage(stderr);
    return 2;
}

int main(int argc, char** argv) {
    if (argc < 2) return toolRefuse("no command given%s", "");
    if (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")) {
        toolUsage(stdout);
        return 0;
    }
    if (!strcmp(argv[1], "--version")) {
        launchVersion(stdout, "kavernix-tool");
        return 0;
    }
    sceneRegisterModels(); // the catalogue's rows as the game fills them at start-up
    for (const ToolCommand& c : toolCommands)
        if (!strcmp(argv[1], c.name)) return c.run(argc - 1, argv + 1);
    return toolRefuse(argv[1][0] == '-' ? "unknown option '%s'" : "unknown command '%s'", argv[1]);
}
