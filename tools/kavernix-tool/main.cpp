// kavernix-tool: the game's command-line helper for players, modders and tests.
#include <cstdio>
#include <cstring>
#include "scene/creatures.h"
#include "setup/key_table.h"
#include "tool.h"

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
    {"keys", "keys                      the game's keys as rows of the README's controls table", toolKeys},
};

static void toolUsage(FILE* out) {
    fprintf(out, "usage: kavernix-tool COMMAND [ARGS]\ncommands:\n");
    for (const ToolCommand& c : toolCommands) fprintf(out, "  %s\n", c.usage);
}

int main(int argc, char** argv) {
    if (argc < 2 || !strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")) {
        toolUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    sceneRegisterModels(); // the catalogue's rows as the game fills them at start-up
    for (const ToolCommand& c : toolCommands)
        if (!strcmp(argv[1], c.name)) return c.run(argc - 1, argv + 1);
    fprintf(stderr, "kavernix-tool: unknown command '%s'\n", argv[1]);
    toolUsage(stderr);
    return 2;
}
