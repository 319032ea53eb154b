// SPDX-License-Identifier: GPL-3.0-or-later
// The ghost in the window: the mine's best stored run (or --ghost FILE) as a hollow violet ring on
// the map, nothing with the setting off, a replay of another mine or a damaged file refused in one
// line while the game plays on, and no ghost in the timedemo.
#include <filesystem>
#include "play_fixture.h"

namespace {

// The mine of the replays won-pad.kxr and won-keys-pointer-pause-boss.kxr: 8-3-3-G000001.
const char* const ghostMine = "mazeSize = 8\nitemsPerKind = 3\ndiamondsNeeded = 3\nskipStory = 1\nmodelSource = 1\n";
const std::string wonPad = KX_SOURCE_DIR "/tests/replays/won-pad.kxr";

// The ghost's ring on the map: violet (0.75, 0.45, 1).
bool ghostViolet(const uint8_t* p) {
    return p[0] > 170 && p[0] < 212 && p[1] > 95 && p[1] < 135 && p[2] > 235;
}

class PlayGhost : public Play {
  protected:
    // The run of won-pad.kxr as the classic hall's best entry, its replay in the replays folder.
    void storeBestRun() {
        const std::string replays = folder + "/data/kavernix/replays";
        std::filesystem::create_directories(replays);
        std::filesystem::copy_file(wonPad, replays + "/8-3-3-G000001_00007473.kxr");
    }
    // Ring pixels seen in the map within the time (the most in any one shot).
    long ringPixels(double seconds) {
        long most = 0;
        pollFor(seconds, [&](const Shot& s) {
            long n = 0;
            for (const auto& p : *mapBox) n += ghostViolet(s.at(p.first, p.second));
            most = std::max(most, n);
            return false;
        });
        return most;
    }
};

TEST_F(PlayGhost, TheBestRunIsAHollowRingOnTheMapUnlessSwitchedOff) {
    // clang-format off
    struct { const char* name; const char* settings; int hall; bool withOption; bool seen; } cases[] = {
        {"the hall's best run", "ghost = 1\nhallName1 = Pad\nhallTime1 = 74.73\n", 1, false, true},
        {"a file of the same mine", "ghost = 1\n", 0, true, true},
        {"the setting off", "ghost = 0\nhallName1 = Pad\nhallTime1 = 74.73\n", 1, true, false},
        {"no replay with the entry", "ghost = 1\nhallName1 = Pad\nhallTime1 = 74.73\n", 0, false, false},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.hall) storeBestRun();
        const std::string option = "--ghost=" + wonPad;
        ASSERT_TRUE(start(std::string(ghostMine) + c.settings, c.withOption ? option.c_str() : nullptr));
        ASSERT_TRUE(gameShown());
        const long ring = ringPixels(c.seen ? 6 : 4);
        if (c.seen)
            EXPECT_GT(ring, 30) << "no ghost on the map";
        else
            EXPECT_EQ(ring, 0) << "a ghost on the map";
        EXPECT_EQ(readFileText(folder + "/err.txt").find("ghost"), std::string::npos) << readFileText(folder + "/err.txt");
    }
}

TEST_F(PlayGhost, AReplayOfAnotherMineOrADamagedOneIsRefusedInOneLine) {
    std::ofstream(folder + "/damaged.kxr") << "KXREPLAY but nothing more";
    // clang-format off
    struct { const char* name; std::string file; const char* settings; std::string line; } cases[] = {
        {"another mine", wonPad, "mazeSize = 8\nitemsPerKind = 1\ndiamondsNeeded = 1\nskipStory = 1\nmodelSource = 1\n",
         "kavernix: " + wonPad + " is a replay of the mine 8-3-3-G000001, not of 8-1-1-G000001; the game goes on "
         "without a ghost\n"},
        {"a damaged file", folder + "/damaged.kxr", ghostMine, "kavernix: " + folder + "/damaged.kxr "},
        {"a missing file", folder + "/none.kxr", ghostMine, "kavernix: " + folder + "/none.kxr "},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
        const std::string option = "--ghost=" + c.file;
        ASSERT_TRUE(start(ghostMine == c.settings ? std::string(ghostMine) + "ghost = 1\n" : c.settings, option.c_str()));
        ASSERT_TRUE(gameShown()) << "the game plays on";
        EXPECT_EQ(ringPixels(3), 0);
        const std::string err = readFileText(folder + "/err.txt");
        EXPECT_EQ(err.find(c.line), 0u) << err;
        EXPECT_NE(err.find("; the game goes on without a ghost\n"), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

// The timedemo walks its own path with no ghost, whether the hall keeps a run or --ghost names one.
TEST_F(PlayGhost, TheTimedemoShowsNoGhost) {
    storeBestRun();
    const std::string option = "--ghost=" + wonPad;
    ASSERT_TRUE(start(std::string(ghostMine) + "ghost = 1\nhallName1 = Pad\nhallTime1 = 74.73\n", "--timedemo=100000",
                      option.c_str()));
    ASSERT_TRUE(gameShown());
    EXPECT_EQ(ringPixels(4), 0) << "a ghost in the timedemo";
    EXPECT_TRUE(running()) << readFileText(folder + "/err.txt");
    EXPECT_EQ(readFileText(folder + "/err.txt").find("ghost"), std::string::npos) << readFileText(folder + "/err.txt");
}

} // namespace
