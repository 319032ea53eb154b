// kavernix-tool maze: prints the game's three snapshots without a window, refuses bad arguments.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include "maze_example.h"

namespace {

struct ToolRun {
    std::string out;
    int status = -1;
};

// Runs kavernix-tool with the arguments; stderr is dropped.
ToolRun runTool(const std::string& args) {
    std::string cmd = std::string("'") + KX_BINARY_DIR + "/kavernix-tool' " + args + " 2>/dev/null";
    ToolRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, got);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

} // namespace

TEST(MazeTool, PrintsTheKnownMazeExactlyAsTheGame) {
    ToolRun r = runTool("maze 8 1");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, mazeExample::output());
}

TEST(MazeTool, LargestMazePrintsThreeSnapshotsOf67Rows) {
    ToolRun r = runTool("maze 66 9");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3 * (2 * 67 + 1));
}

TEST(MazeTool, RefusesBadArgumentsWithUsage) {
    for (const char* args : {"maze", "maze 8", "maze 8 1 2", "maze 7 1", "maze 2 1", "maze 68 1", "maze x 1",
                             "maze 8 -1", "maze 8 10", "maze 8 1x", "maze '' 1", "maze 99999999999 1"}) {
        ToolRun r = runTool(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
    }
}
