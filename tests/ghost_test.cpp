// SPDX-License-Identifier: GPL-3.0-or-later
// The ghost: its track played from a replay without changing a bit of the live run, placed by game
// time between its samples, refused for another mine or a damaged file, and found among the hall's
// replays.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "app/game_state.h"
#include "app/game_step.h"
#include "app/game_update.h"
#include "app/ghost.h"
#include "app/random.h"
#include "app/record.h"
#include "app/replay.h"
#include "app/replay_hall.h"
#include "app/replay_sim.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "maze/maze.h"
#include "output_capture.h"
#include "scene/creatures.h"
#include "setup/mine_records.h"

namespace {

[[maybe_unused]] const bool modelsRegistered = (sceneRegisterModels(), true);

std::string replayBytes(const char* name) {
    std::ifstream in(std::string(KX_SOURCE_DIR "/tests/replays/") + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// What a run's future depends on, and the settings and mine around it, as bytes to compare.
std::string snapshot() {
    std::string s(reinterpret_cast<const char*>(&record), sizeof record);
    s.append(reinterpret_cast<const char*>(&maze), sizeof maze);
    const uint64_t digest = gameStepDigest();
    const uint32_t generator = randomState();
    const int64_t ticks = timingGameTicks();
    const uint64_t held = gameStepHeldNow();
    s.append(reinterpret_cast<const char*>(&digest), sizeof digest);
    s.append(reinterpret_cast<const char*>(&generator), sizeof generator);
    s.append(reinterpret_cast<const char*>(&ticks), sizeof ticks);
    s.append(reinterpret_cast<const char*>(&held), sizeof held);
    s.append(reinterpret_cast<const char*>(&gameState), sizeof gameState);
    s.append(reinterpret_cast<const char*>(&player), sizeof player);
    s.append(reinterpret_cast<const char*>(&horse), sizeof horse);
    return s;
}

class Ghost : public testing::Test {
  protected:
    void SetUp() override {
        memset(&record, 0, sizeof record);
        record.perfFrequency = 1000000000;
        record.ghost = 1;
        gameKeepsView = 0;
    }
};

int framesHeard, picksHeard[4];

// What the step hands to the window: the frame's sounds once in every step, and each item picked up
// in the step that picked it up; the ghost's run, played through the same step, hands in nothing.
TEST_F(Ghost, TheStepHandsItsSoundsToTheWindowAndTheGhostsRunIsNotHeard) {
    framesHeard = 0;
    memset(picksHeard, 0, sizeof picksHeard);
    gameOut.frameSounds = [] { framesHeard++; };
    gameOut.pickedUp = [](int row, float, float, float) { picksHeard[row]++; };
    ReplayReader r;
    std::string why;
    ASSERT_TRUE(replayOpen(replayBytes("won-pad.kxr"), &r, &why)) << why;
    {
        OutputCapture quiet;
        ASSERT_TRUE(replaySimPrepare(&r.header, &why)) << why;
    }
    std::vector<GhostSample> track;
    ASSERT_TRUE(ghostTrackBuild(replayBytes("won-keys-pointer-pause-boss.kxr"), r.header.code, &track, &why)) << why;
    EXPECT_EQ(framesHeard, 0) << "the ghost's run was heard";
    EXPECT_EQ(picksHeard[ROW_DIAMOND], 0) << "the ghost's pick-ups were heard";
    ASSERT_NE(gameOut.pickedUp, nullptr) << "the window's functions are back after the ghost's run";
    ReplayItem item;
    int frames = 0, picked[4] = {0, 0, 0, 0};
    while (replayNext(&r, &item)) {
        if (item.kind == REPLAY_ITEM_SEGMENT) {
            ASSERT_TRUE(replaySimEnter(&item, &why)) << why;
        }
        if (item.kind != REPLAY_ITEM_FRAME) continue;
        float before[4];
        memcpy(before, inventory, sizeof before);
        int heardBefore[4];
        memcpy(heardBefore, picksHeard, sizeof heardBefore);
        gameStep(&item.in, item.ticks);
        frames++;
        ASSERT_EQ(framesHeard, frames) << "the frame's sounds once in every step";
        for (int row = 0; row < 4; row++) {
            const int rose = int(inventory[row] - before[row] + 0.5f); // one for each item picked up
            picked[row] += rose;
            ASSERT_EQ(picksHeard[row] - heardBefore[row], rose) << "row " << row << " at frame " << frames;
        }
    }
    EXPECT_EQ(picked[ROW_DIAMOND], 3);
    gameOut = GameOut{};
}

// The live run set up as the game sets it up (the mine built, the ghost's track made, the game
// screen entered) and played from its replay: every digest and the end as recorded, exactly as
// without a ghost.
TEST_F(Ghost, ARunWithAGhostPlaysToTheSameReplayAsWithout) {
    // clang-format off
    struct { const char* run; const char* ghost; } cases[] = {
        {"won-keys-pointer-pause-boss.kxr", "won-pad.kxr"},
        {"won-pad.kxr", "won-keys-pointer-pause-boss.kxr"},
        {"won-pad.kxr", "won-pad.kxr"},
        {"left.kxr", "continued.kxr"},
        {"continued.kxr", "pointer-burst-256-right.kxr"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.run) + " with the ghost of " + c.ghost);
        ReplayReader r;
        std::string why;
        ASSERT_TRUE(replayOpen(replayBytes(c.run), &r, &why)) << why;
        int prepared = 0;
        {
            OutputCapture quiet;
            prepared = replaySimPrepare(&r.header, &why);
        }
        ASSERT_TRUE(prepared) << why;
        const std::string before = snapshot();
        std::vector<GhostSample> track;
        ASSERT_TRUE(ghostTrackBuild(replayBytes(c.ghost), r.header.code, &track, &why)) << why;
        EXPECT_GT(track.size(), 30u);
        EXPECT_TRUE(before == snapshot()) << "the ghost's run changed the live state";
        EXPECT_EQ(randomState(), r.header.generator);
        ReplayItem item;
        int over = 0, digests = 0, reached = 0;
        uint32_t frames = 0;
        while (replayNext(&r, &item)) {
            if (item.kind == REPLAY_ITEM_SEGMENT) {
                ASSERT_TRUE(replaySimEnter(&item, &why)) << why;
            }
            if (item.kind == REPLAY_ITEM_PLAY) replayPlayToRecord(&item.play);
            if (item.kind == REPLAY_ITEM_FRAME) over = gameStep(&item.in, item.ticks), frames++;
            if (item.kind == REPLAY_ITEM_DIGEST) {
                ASSERT_EQ(gameStepDigest(), item.digest) << "at frame " << frames;
                digests++;
            }
            if (item.kind == REPLAY_ITEM_END) {
                EXPECT_EQ(timingGameTicks(), item.end.gameTicks);
                EXPECT_EQ(over, item.end.kind != REPLAY_LEFT);
                EXPECT_EQ(int(inventory[ROW_DIAMOND] + 0.5f), item.end.diamonds);
                reached = 1;
            }
        }
        EXPECT_TRUE(reached);
        EXPECT_GT(digests, 0);
    }
}

// One sample at the start and one per step, the clock never going back, the last at the recorded
// end's clock; a continued run's segments make one track.
TEST_F(Ghost, TheTrackHasASampleForEveryStepToTheEnd) {
    for (const char* name : {"won-pad.kxr", "lost-ride-shot.kxr", "continued.kxr", "left.kxr"}) {
        SCOPED_TRACE(name);
        const std::string bytes = replayBytes(name);
        ReplayReader r;
        std::string why;
        ASSERT_TRUE(replayOpen(bytes, &r, &why)) << why;
        std::vector<GhostSample> track;
        int built = 0;
        {
            OutputCapture quiet;
            built = ghostTrackBuild(bytes, r.header.code, &track, &why);
        }
        ASSERT_TRUE(built) << why;
        EXPECT_EQ(track.size(), size_t(r.end.frames) + 1);
        EXPECT_EQ(track.front().seconds, 0.0);
        EXPECT_DOUBLE_EQ(track.back().seconds, double(r.end.gameTicks) / double(r.header.perfFrequency));
        for (size_t i = 1; i < track.size(); i++) ASSERT_GE(track[i].seconds, track[i - 1].seconds) << i;
        // The bodies move: the ghost is not standing where it began.
        const GhostSample &a = track.front(), &b = track.back();
        EXPECT_GT(std::fabs(a.playerX - b.playerX) + std::fabs(a.playerZ - b.playerZ), 0.1f);
    }
}

TEST(GhostTrack, PlacedByGameTimeBetweenItsSamples) {
    std::vector<GhostSample> track = {
        {1.0, 1, 2, 350, 0, 1, 0.3f, 2},
        {1.5, 3, 2, 10, 1, 3, 0.6f, 2},
        {2.0, 3, 6, 90, 2, 3, 0.6f, 6},
        {2.0, 5, 6, 90, 2, 5, 0.6f, 6}, // two steps at one clock reading (a paused frame)
    };
    // clang-format off
    struct { double seconds; int shown; float horseX, horseZ, heading, playerY; } cases[] = {
        {0.99, 0, 0, 0, 0, 0},      // before the ghost's run began
        {1.0, 1, 1, 2, 350, 0.3f},
        {1.25, 1, 2, 2, 0, 0.45f},  // halfway, the heading the short way round through north
        {1.375, 1, 2.5f, 2, 5, 0.525f},
        {1.75, 1, 3, 4, 50, 0.6f},
        {2.0, 1, 5, 6, 90, 0.6f},   // the last of the samples at that reading
        {2.01, 0, 0, 0, 0, 0},      // its run is over
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        GhostSample g{};
        ASSERT_EQ(ghostTrackAt(track, c.seconds, &g), c.shown);
        if (!c.shown) continue;
        EXPECT_FLOAT_EQ(g.horseX, c.horseX);
        EXPECT_FLOAT_EQ(g.horseZ, c.horseZ);
        EXPECT_NEAR(std::fmod(g.horseHeading + 360.0f, 360.0f), c.heading, 1e-3f);
        EXPECT_FLOAT_EQ(g.playerY, c.playerY);
    }
    GhostSample g{};
    EXPECT_EQ(ghostTrackAt({}, 1.0, &g), 0);
}

// A replay of another mine or a damaged one gives no track, one line why, and changes nothing.
TEST_F(Ghost, AnotherMineOrADamagedFileIsRefused) {
    const std::string good = replayBytes("won-pad.kxr");
    std::string flipped = good;
    flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x20);
    // clang-format off
    struct { std::string bytes; const char* code; const char* why; } cases[] = {
        {good, "8-1-1-G000001", "is a replay of the mine 8-3-3-G000001, not of 8-1-1-G000001"},
        {good, "16-5-3-0000001", "is a replay of the mine 8-3-3-G000001, not of 16-5-3-0000001"},
        {flipped, "8-3-3-G000001", nullptr},
        {good.substr(0, good.size() - 9), "8-3-3-G000001", nullptr},
        {"", "8-3-3-G000001", nullptr},
        {"KXREPLAY", "8-3-3-G000001", nullptr},
    };
    // clang-format on
    ReplayReader r;
    std::string why;
    ASSERT_TRUE(replayOpen(replayBytes("left.kxr"), &r, &why)) << why;
    int prepared = 0;
    {
        OutputCapture quiet;
        prepared = replaySimPrepare(&r.header, &why);
    }
    ASSERT_TRUE(prepared) << why;
    const std::string before = snapshot();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        std::vector<GhostSample> track(3);
        why.clear();
        EXPECT_FALSE(ghostTrackBuild(c.bytes, c.code, &track, &why));
        EXPECT_TRUE(track.empty());
        if (c.why)
            EXPECT_EQ(why, c.why);
        else
            EXPECT_FALSE(why.empty());
        EXPECT_EQ(why.find('\n'), std::string::npos);
        EXPECT_TRUE(before == snapshot());
    }
}

// The best entry of the hall that applies to the mine whose replay is in the replays folder: the
// classic mine's in the settings, another mine's in records.ini.
TEST_F(Ghost, TheBestStoredRunWithItsReplayIsTheGhost) {
    const std::string home = testing::TempDir() + "kx_ghost_home";
    std::filesystem::remove_all(home);
    const char* oldData = getenv("XDG_DATA_HOME");
    const std::string keptData = oldData ? oldData : "";
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    const std::string folder = replayFolder();
    ASSERT_EQ(folder, home + "/kavernix/replays");
    const char* classic = "8-3-3-G000001";
    const char* other = "16-5-3-K7QX2MD";
    const float times[5] = {74.73f, 87.02f, 91.5f, 30000, 30000};
    memcpy(record.hallTimes, times, sizeof times);
    MineRecords stored{};
    MineTable* t = recordsPlay(&stored, other);
    const float otherTimes[5] = {40.25f, 52.0f, 30000, 30000, 30000};
    memcpy(t->times, otherTimes, sizeof otherTimes);
    ASSERT_TRUE(recordsWrite(recordsPath().c_str(), &stored, stderr));
    // clang-format off
    struct { const char* code; float write; const char* found; } steps[] = {
        {classic, 0, ""},                                  // no replays yet
        {classic, 91.5f, "8-3-3-G000001_00009150.kxr"},    // the only one kept
        {classic, 87.02f, "8-3-3-G000001_00008702.kxr"},   // a better one
        {classic, 12.0f, "8-3-3-G000001_00008702.kxr"},    // a file without an entry is no ghost
        {classic, 74.73f, "8-3-3-G000001_00007473.kxr"},   // the best
        {other, 0, ""},                                    // the classic hall is not this mine's
        {other, 52.0f, "16-5-3-K7QX2MD_00005200.kxr"},
        {other, 40.25f, "16-5-3-K7QX2MD_00004025.kxr"},
        {"8-1-1-G000001", 0, ""},                          // a mine without a table
    };
    // clang-format on
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(s.code) + " " + std::to_string(s.write));
        if (s.write > 0) {
            ASSERT_TRUE(replayHallWrite(folder, s.code, s.write, "replay", "", stderr));
        }
        const std::string found = ghostBestReplay(s.code);
        EXPECT_EQ(found, *s.found ? folder + "/" + s.found : "");
    }
    if (oldData)
        setenv("XDG_DATA_HOME", keptData.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    std::filesystem::remove_all(home);
}

} // namespace
namespace {

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Each entry's replay under a name of the mine's code and the time; the entries a store pushed out
// lose theirs, the others keep them, also among runs of the same time.
TEST(ReplayHall, EntriesKeepTheirReplaysAndDroppedOnesLoseThem) {
    const std::string folder = testing::TempDir() + "kx_hall_replays";
    std::filesystem::remove_all(folder);
    const char* code = "8-3-3-G000001";
    for (float t : {61.5f, 75.25f, 75.25f, 80.0f}) ASSERT_TRUE(replayHallWrite(folder, code, t, "replay", "", stderr));
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"8-3-3-G000001_00006150.kxr", "8-3-3-G000001_00007525-2.kxr",
                                                          "8-3-3-G000001_00007525.kxr", "8-3-3-G000001_00008000.kxr"}));
    // clang-format off
    struct { std::vector<float> before, after; std::vector<std::string> left; } cases[] = {
        {{61.5f, 75.25f, 75.25f, 80.0f, 30000}, {61.5f, 75.25f, 75.25f, 80.0f, 30000},
         {"8-3-3-G000001_00006150.kxr", "8-3-3-G000001_00007525-2.kxr", "8-3-3-G000001_00007525.kxr",
          "8-3-3-G000001_00008000.kxr"}},
        {{61.5f, 75.25f, 75.25f, 80.0f}, {61.5f, 75.25f, 80.0f},
         {"8-3-3-G000001_00006150.kxr", "8-3-3-G000001_00007525.kxr", "8-3-3-G000001_00008000.kxr"}},
        {{61.5f, 75.25f, 80.0f, 70.0f}, {61.5f, 70.0f, 30000, 30000, 30000}, {"8-3-3-G000001_00006150.kxr"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        replayHallDropped(folder, code, c.before.data(), int(c.before.size()), c.after.data(), int(c.after.size()));
        EXPECT_EQ(namesIn(folder), c.left);
    }
    std::filesystem::remove_all(folder);
}

} // namespace
