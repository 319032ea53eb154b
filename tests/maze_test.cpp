// SPDX-License-Identifier: GPL-3.0-or-later
// The maze and what moves in it: the known maze of size 8 (also as printed by kavernix-tool), the
// shape every maze keeps, item placement, impossible settings, collision, routes, visibility, the
// bodies' steps, contact, turning and walks, the shot, items, spiders and supplies.
#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include "app/random.h"
#include "app/record.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "maze/maze.h"
#include "scene/creatures.h"
#include "maze_example.h"
#include "output_capture.h"

namespace {

// The catalogue's rows get their routines and room for placed instances, as at start-up.
[[maybe_unused]] const bool modelsRegistered = (sceneRegisterModels(), true);

// Builds a maze from the generator's start state, as the game does once at start-up; returns
// what it said on standard error, then what it printed.
std::string buildMaze(int n, int items) {
    randomSeed(1);
    record.mazeSize = n, record.itemsPerKind = items;
    itemsClearInstances();
    OutputCapture err(stderr), out;
    mazeBuild(&maze, n);
    itemsPlace(&maze);
    return err.finish() + out.finish();
}

int countCode(char code) {
    return (int)std::count(maze.cells, maze.cells + (maze.size + 1) * (maze.size + 1), code);
}

// The maze as rows of one character per cell, chosen by cellChar(x, y), joined by '|'.
template <class F> std::string picture(F cellChar) {
    std::string rows;
    for (int y = 0; y <= maze.size; y++)
        for (int x = 0; x <= maze.size; x++)
            rows += (x == 0 && y ? "|" : "") + std::string(1, cellChar(x, y));
    return rows;
}

Actor bodyAt(float x, float z, float heading, float y = 0.3f, float radius = 0.02f) {
    Actor a{};
    actorInit(&a, x, y, z, heading, 0, radius);
    return a;
}

// Calls frame() until arrived() or the frame limit; false when the body stood in rock on the way.
template <class Frame, class Arrived> bool walk(const Actor& a, Frame frame, Arrived arrived) {
    routePhase = 0;
    for (int i = 0; i < maze.size * maze.size * 30 && !arrived(); i++) {
        frame();
        if (!mazeIsOpen(&maze, (int)a.x, (int)a.z)) return false;
    }
    return arrived();
}

// Supplies, clocks and instance lists at a known state.
class Items : public testing::Test {
  protected:
    void SetUp() override {
        itemsClearInstances();
        resetInventory();
        randomSeed(1);
        record.frameTime = record.gameTime = 0, record.riderState = 0;
        record.fullLevel = 4, record.oilSeconds = 60, record.strawDistance = 20;
        horse = bodyAt(3.5f, 3.5f, 90, 0.5f, 0.07f);
    }
    static void put(int row, float x, float y, float z, float radius) {
        modelTable[row].entities[modelTable[row].count++] = bodyAt(x, z, 0, y, radius);
    }
    // The player's and the horse's step in a frame, as printed.
    static std::string steps(float frameTime, int riderState) {
        float playerStep, horseStep;
        record.frameTime = frameTime, record.riderState = riderState;
        itemsStepSizes(&playerStep, &horseStep);
        return std::to_string(playerStep) + " " + std::to_string(horseStep);
    }
};

// Every maze size from the smallest to the largest.
class MazeShape : public testing::TestWithParam<int> {
  protected:
    const int n = GetParam();
    void SetUp() override { buildMaze(n, 0); }
};
INSTANTIATE_TEST_SUITE_P(Sizes, MazeShape, testing::Values(4, 6, 16, 66));

// Collides a body at each place (x, z) in a room of 3 x 3 open cells; it ends at (wantX, wantZ),
// saying nothing.
void expectPushes(std::initializer_list<std::array<float, 4>> cases) {
    const char room[] = "wwwwww   ww   ww   wwwwww"; // five rows of five cells
    maze.size = 4;
    for (int i = 0; i < 25; i++) mazeSetCell(&maze, i % 5, i / 5, room[i]);
    for (auto [x, z, wantX, wantZ] : cases) {
        SCOPED_TRACE(testing::Message() << x << "," << z);
        Actor a = bodyAt(x, z, 0);
        OutputCapture out;
        mazeCollide(&maze, &a);
        EXPECT_EQ(out.finish(), "");
        EXPECT_NEAR(a.x, wantX, 1e-5f);
        EXPECT_NEAR(a.z, wantZ, 1e-5f);
        EXPECT_EQ(a.y, 0.3f);
    }
}

// Calls f(n, x, y) from every open cell of generated mazes of several sizes n.
template <class F> void fromEveryOpenCell(F f) {
    for (int n : {8, 16, 30}) {
        buildMaze(n, 2);
        for (int y = 1; y < n; y++)
            for (int x = 1; x < n; x++)
                if (mazeIsOpen(&maze, x, y)) {
                    SCOPED_TRACE(testing::Message() << "n " << n << " from " << x << "," << y);
                    f(n, x, y);
                }
    }
}

} // namespace

// The three snapshots printed, and the items spawned in the known cells: spawnItem(row, col, y, rowZ,
// radius) as the generator called it.
TEST(MazeWorkedExample, BuildsTheKnownMaze) {
    EXPECT_EQ(buildMaze(8, 1), mazeExample::output());
    const float spawned[4][5] = {
        {2, 3, 0.05f, 3, 0.01f}, {0, 7, 0.1f, 3, 0.06f}, {1, 5, 0.05f, 7, 0.01f}, {3, 6, 0.1f, 5, 0.005f}};
    for (const auto& s : spawned) {
        const ModelEntry& row = modelTable[(int)s[0]];
        const Actor& a = row.entities[0];
        EXPECT_EQ(row.count, 1) << s[0];
        EXPECT_EQ((std::vector<float>{(float)(int)a.x, a.y, (float)(int)a.z, a.radius}),
                  (std::vector<float>(s + 1, s + 5)));
    }
}

// The border and the pillar grid are rock; every open cell is connected to the exit (the route flood
// from the exit, with a goal it never meets, recurses once per reached cell and must reach every open
// cell even at the largest size); the first carve step always goes -x, and the exit cell is a dead end.
TEST_P(MazeShape, RockGridOpenCellsConnectedToTheDeadEndExit) {
    mazeFindRoute(&maze, -1, -1, n - 1, n - 1);
    for (int y = 0; y <= n; y++)
        for (int x = 0; x <= n; x++) {
            if (x == 0 || y == 0 || x == n || y == n || (x % 2 == 0 && y % 2 == 0)) {
                EXPECT_EQ(mazeGetCell(&maze, x, y), 'w') << x << "," << y;
            }
            if (mazeIsOpen(&maze, x, y)) {
                EXPECT_NE(mazeGetDir(&maze, 1, x, y), -1) << x << "," << y;
            }
        }
    EXPECT_EQ(mazeGetDir(&maze, 0, n - 3, n - 1), 2);
    EXPECT_EQ(mazeIsOpen(&maze, n - 1, n - 2), 0);
}

TEST(MazeItems, EachLetterMarksExactlyItemsPerKindCellsHoldingItsInstances) {
    const char codes[4] = {'S', 'O', 'D', 'I'}; // by catalogue row
    for (int n : {8, 66})
        for (int items : {0, 5, 9}) {
            if (n == 8 && items == 9) continue; // 36 items do not fit the 31 open cells
            SCOPED_TRACE(testing::Message() << n << " " << items);
            buildMaze(n, items);
            for (int row = 0; row < 4; row++) {
                EXPECT_EQ(countCode(codes[row]), items);
                ASSERT_EQ(modelTable[row].count, items);
                for (const Actor* a = modelTable[row].entities; a < modelTable[row].entities + items; a++)
                    EXPECT_EQ(mazeGetCell(&maze, (int)a->x, (int)a->z), codes[row]);
            }
        }
}

// Index, cell code, openness and carve direction of each point outside the grid read as nothing;
// writes there store nothing.
TEST(MazeAccessors, OutsideTheGridHoldsNothing) {
    buildMaze(8, 1);
    Maze before = maze;
    const int outside[][2] = {{-1, 3}, {3, -1}, {9, 3}, {3, 9}, {1000, 0}};
    for (auto [x, y] : outside) {
        EXPECT_EQ((std::vector<int>{mazeCellIndex(&maze, x, y), mazeGetCell(&maze, x, y),
                                    mazeIsOpen(&maze, x, y), mazeGetDir(&maze, 0, x, y)}),
                  (std::vector<int>{-1, 0, 0, -1}))
            << x << "," << y;
        EXPECT_EQ(mazeSetCell(&maze, x, y, ' '), 0) << x << "," << y;
        EXPECT_EQ(mazeSetDir(&maze, 1, x, y, 1), 0) << x << "," << y;
    }
    EXPECT_EQ(memcmp(&before, &maze, sizeof maze), 0);
}

TEST(MazeSettings, UnusableSizesAreClampedToAnEvenSizeWithOneLine) {
    const int cases[][2] = {{7, 6}, {3, 4}, {0, 4}, {-5, 4}, {67, 66}, {1000, 66}};
    for (const auto& c : cases) {
        std::string out = buildMaze(c[0], 1);
        EXPECT_EQ(maze.size, c[1]) << c[0];
        EXPECT_EQ(record.mazeSize, c[1]) << c[0];
        char line[128];
        snprintf(line, sizeof line, "Maze size %d is not an even number from 4 to 66; building size %d\n",
                 c[0], c[1]);
        EXPECT_EQ(out.substr(0, strlen(line) + c[1] + 1), line + std::string(c[1] + 1, 'w'));
    }
}

TEST(MazeSettings, ImpossibleItemCountsPlaceWhatFits) {
    // A size-4 maze has at most 7 open cells for 4 x 9 items.
    std::string out = buildMaze(4, 9);
    EXPECT_NE(out.find("empty cells left for 9 items"), std::string::npos) << out;
    EXPECT_EQ(countCode(' '), 0);

    out = buildMaze(30, 12);
    EXPECT_NE(out.find("12 items per kind do not fit a catalogue row; placing 9\n"), std::string::npos);
    for (int row = 0; row < 4; row++) EXPECT_EQ(modelTable[row].count, 9);
    EXPECT_EQ(countCode('D'), 9);
}

// Rock faces push bodies away, open sides do not; cell corners push, whatever the neighbours are,
// along the shallower axis, on a tie along z.
// clang-format off
TEST(MazeCollide, RockFacesAndCornersPushBodiesAway) {
    expectPushes({{1.1f, 2.5f, 1.2f, 2.5f}, {2.1f, 2.5f, 2.1f, 2.5f}, {3.9f, 2.5f, 3.8f, 2.5f},
                  {2.5f, 1.05f, 2.5f, 1.2f}, {2.5f, 3.95f, 2.5f, 3.8f}, {2.5f, 2.5f, 2.5f, 2.5f},
                  {3.85f, 3.9f, 3.8f, 3.8f}, {2.85f, 2.9f, 2.8f, 2.9f}, {2.9f, 2.9f, 2.9f, 2.8f}, {2.85f, 2.1f, 2.8f, 2.1f},
                  {2.95f, 2.15f, 2.95f, 2.2f}, {2.875f, 2.125f, 2.875f, 2.2f}, {2.1f, 2.85f, 2.1f, 2.8f},
                  {2.15f, 2.95f, 2.2f, 2.95f}, {2.125f, 2.875f, 2.125f, 2.8f}, {2.15f, 2.1f, 2.2f, 2.1f},
                  {2.1f, 2.15f, 2.1f, 2.2f}, {2.125f, 2.125f, 2.125f, 2.2f}});
}
// clang-format on

TEST(MazeVisibility, WorkedExampleFromTheStartCellThenEachFrameForgetsTheLast) {
    buildMaze(8, 1);
    mazeUpdateVisibility(&maze, 1, 1);
    auto seen = [](int x, int y) {
        return maze.visStamp[mazeCellIndex(&maze, x, y)] == maze.visFrame ? '*' : mazeGetCell(&maze, x, y);
    };
    EXPECT_EQ(picture(seen),
              "wwwwwwwww|w***w*  w|w*www*www|w*******w|w*wwwww*w|w***w I*w|www*w www|w  *wO  w|wwwwwwwww");
    // each frame forgets the last; with culling off everything is visible
    portalCulling = 1;
    mazeUpdateVisibility(&maze, 1, 1);
    mazeUpdateVisibility(&maze, 7, 7);
    EXPECT_EQ(mazeIsVisible(&maze, 7, 7), 1);
    EXPECT_EQ(mazeIsVisible(&maze, 1, 1), 0);
    mazeUpdateVisibility(&maze, -1, 3); // a viewer outside the grid sees nothing
    EXPECT_EQ(mazeIsVisible(&maze, 7, 7), 0);
    portalCulling = 0;
    EXPECT_EQ(mazeIsVisible(&maze, 7, 7), 1);
    EXPECT_EQ(mazeIsVisible(&maze, -5, 100), 1);
}

TEST(MazeRoute, WorkedExampleToTheExitCell) {
    buildMaze(8, 1);
    mazeFindRoute(&maze, 1, 1, 7, 7);
    auto route = [](int x, int y) {
        int d = mazeGetDir(&maze, 1, x, y);
        return d == -1 ? '.' : d == -2 ? 'R' : (char)('0' + d);
    };
    EXPECT_EQ(picture(route),
              ".........|.3...300.|.3...3...|.2222223.|.1.....3.|.100.300.|...1.3...|.221.22R.|.........");
}

// The known maze exactly as the game prints it; bad arguments print nothing (the error lines go to the
// terminal) and exit with 2.
TEST(MazeTool, PrintsTheKnownMazeOnlyForGoodArguments) {
    for (const char* args :
         {"maze 8 1", "maze", "maze 8", "maze 8 1 2", "maze 7 1", "maze 2 1", "maze 68 1", "maze x 1",
          "maze 8 -1", "maze 8 10", "maze 8 1x", "maze '' 1", "maze 99999999999 1"}) {
        const bool good = args == std::string("maze 8 1");
        int status;
        EXPECT_EQ(
            commandOutput("'" KX_BINARY_DIR "/kavernix-tool' " + std::string(args) + " 2>/dev/null", &status),
            good ? mazeExample::output() : "")
            << args;
        EXPECT_EQ(status, good ? 0 : 2) << args;
    }
}

// The player steps left from heading 90 and rises, the horse back from heading 270; revert takes
// both back, neither having walked in that frame, and steps from there are measured the straight way.
TEST(ActorSteps, FollowTheHeadingMeasuredFromTheRevertedPlace) {
    Actor p = bodyAt(1.5f, 1.5f, 90), h = bodyAt(1.8f, 1.5f, 270, 0.5f);
    strafeLeft(&p, 0.5f);
    stepBack(&h, 0.25f);
    p.y = 0.35f;
    EXPECT_NEAR(p.z, 1, 1e-6f);     // the left of heading 90 (+x) is -z
    EXPECT_NEAR(h.x, 2.05f, 1e-6f); // back from heading 270 is +x
    actorRevert(&p, &h);
    EXPECT_EQ((std::vector<float>{p.y, p.z, h.x, h.y}), (std::vector<float>{0.3f, 1.5f, 1.8f, 0.5f}));
    EXPECT_EQ(actorOdometer(&p) + actorOdometer(&h), 0);
    stepForward(&p, 3);
    strafeRight(&p, 4);
    EXPECT_NEAR(p.x, 4.5f, 1e-5f);
    EXPECT_NEAR(p.z, 5.5f, 1e-5f);
    EXPECT_NEAR(actorOdometer(&p), 5, 1e-5f);
    EXPECT_NEAR(p.distance, 5, 1e-5f);
}

TEST(ActorsTouch, SumOfRadiiAgainstSquaredDistanceStrictly) {
    Actor a = bodyAt(1, 1, 0, 0.3f, 0.5f), b = bodyAt(2, 1, 0, 0.3f, 0.5f);
    EXPECT_EQ(actorsTouch(&a, &b), 0); // squared distance 1 equals the sum 1: no contact
    b.x = 1.99f;
    EXPECT_EQ(actorsTouch(&a, &b), 1);
    b.y = 1.3f; // height counts too
    EXPECT_EQ(actorsTouch(&a, &b), 0);
}

TEST(TurnTowards, TakesTheShortWayAcrossZeroBothWays) {
    const float step = (float)(5 * M_PI / 360); // turns 5 degrees per call
    const std::tuple<float, float, std::array<float, 4>> turns[] = {{350, 10, {355, 360, 5, 10}},
                                                                    {10, 350, {5, 0, 355, 350}}};
    for (const auto& [from, to, path] : turns) {
        Actor a = bodyAt(1, 1, from);
        for (float want : path) {
            turnTowards(step, to, &a);
            EXPECT_NEAR(a.heading, want, 1e-3) << from << " to " << to;
        }
        EXPECT_EQ(a.heading, to); // landed exactly
    }
}

// The body never stands in rock on the way.
TEST(FollowExitPath, LeavesThroughTheExitCellsPlusXSideFromEveryOpenCell) {
    fromEveryOpenCell([](int n, int x, int y) {
        Actor a = bodyAt(x + 0.3f, y + 0.7f, (float)((x * 37 + y * 53) % 360));
        auto toExit = [&] { followExitPath(0.05f, &a, &routePhase); };
        EXPECT_TRUE(walk(a, toExit, [&] { return (int)a.z == n - 1 && a.x > n - 0.3f; }))
            << a.x << "," << a.z;
    });
}

// Into the target's cell, where it stops (phase 4); never standing in rock on the way.
TEST(FollowRoute, ReachesTheTargetsCellFromEveryOpenCell) {
    fromEveryOpenCell([](int n, int x, int y) {
        Actor target = n == 16 ? bodyAt(n - 0.5f, n - 0.5f, 90) : bodyAt(1.5f, 1.5f, 90);
        Actor a = bodyAt(x + 0.6f, y + 0.4f, (float)((x * 71 + y * 13) % 360));
        auto toTarget = [&] { followRoute(0.05f, &a, &target, &routePhase); };
        EXPECT_TRUE(walk(a, toTarget, [] { return routePhase == 4; }));
        EXPECT_EQ((int)a.x, (int)target.x);
        EXPECT_EQ((int)a.z, (int)target.z);
    });
}

TEST(FollowRoute, StopsAtOnceOnTheTargetsOwnCell) {
    buildMaze(8, 2);
    Actor target = bodyAt(3.2f, 3.8f, 0), mover = bodyAt(3.7f, 3.3f, 45), before = mover;
    routePhase = 0;
    for (int call = 0; call < 2; call++) {
        followRoute(0.05f, &mover, &target, &routePhase);
        EXPECT_EQ(routePhase, 4);
    }
    EXPECT_EQ(memcmp(&before, &mover, sizeof mover), 0);
}

// The player looks 30 degrees down in the known maze; the shot, made ready, rides 0.1 below the eye;
// fired, it flies 2 units per second along heading 90 and sinks sin(30) = 0.5 units per second from
// 0.2 above the floor: 20 frames of 0.02 s to the floor, not a wall.
TEST(ShotUpdate, ShotFiredLookingDownFallsFromBelowTheEyeToTheFloor) {
    buildMaze(8, 2);
    actorsPlaceForGame();
    player.pitch = 30, record.frameTime = 0.02f, shotState = 0;
    shotUpdate();
    EXPECT_FLOAT_EQ(shot.y, player.y - 0.1f);
    shotState = 1;
    int frames = 0;
    for (float lastX = shot.x; shot.y > 0 && frames < 100; frames++, lastX = shot.x) {
        shotUpdate();
        EXPECT_NEAR(shot.x - lastX, 0.04f, 1e-5);
    }
    EXPECT_NEAR(frames, 20, 1);
    EXPECT_EQ(mazeIsOpen(&maze, (int)shot.x, (int)shot.z), 1);
    shotState = 0, record.frameTime = 0;
}

// Spawning puts the item near a corner, and refuses a full or bad row with one line each.
TEST_F(Items, SpawnPutsTheItemNearACornerOrRefusesWithOneLine) {
    // The generator's first two values (41, 18467) choose the low x side and the high z side.
    spawnItem(ROW_DIAMOND, 3, 0.05f, 3, 0.01f);
    const Actor& d = modelTable[ROW_DIAMOND].entities[0];
    EXPECT_EQ((std::vector<float>{d.x, d.z, d.yawRate}), (std::vector<float>{3.21f, 3.79f, 0.1f}));
    for (int i = 0; i < MAX_INSTANCES; i++) spawnItem(ROW_OILCAN, 1, 0.05f, 1, 0.01f);
    OutputCapture out(stderr);
    for (int row : {(int)ROW_OILCAN, -1, (int)MODEL_ROWS}) spawnItem(row, 2, 0.05f, 2, 0.01f);
    std::string text = out.finish();
    EXPECT_EQ(modelTable[ROW_OILCAN].count, MAX_INSTANCES);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
    EXPECT_NE(text.find("row 1 already holds 9"), std::string::npos) << text;
}

TEST_F(Items, CollectingSwapsTheLastInstanceInToLookAtItNextFrame) {
    // Two diamonds within reach (the last one moves into the first slot), one out of reach, one of each other
    // kind within reach; rows past the spiders are never collected.
    const float items[][4] = {{ROW_DIAMOND, 2.2f, 2.2f, 0.01f}, {ROW_DIAMOND, 5.5f, 5.5f, 0.01f},
                              {ROW_DIAMOND, 2.3f, 2.2f, 0.01f}, {ROW_STRAW, 2.3f, 2.3f, 0.06f},
                              {ROW_OILCAN, 2.2f, 2.3f, 0.01f},  {ROW_SPIDER, 2.2f, 2.3f, 0.005f},
                              {ROW_HORSE, 2.2f, 2.2f, 0.5f}};
    for (const auto& i : items) put((int)i[0], i[1], 0.05f, i[2], i[3]);
    Actor collector = bodyAt(2.25f, 2.2f, 0, 0.05f);
    itemsCollect(&collector);
    for (int row = 0; row < 4; row++) EXPECT_EQ(inventory[row], 1) << row;
    const Actor* d = modelTable[ROW_DIAMOND].entities;
    ASSERT_EQ(modelTable[ROW_DIAMOND].count, 2);
    EXPECT_EQ((std::vector<float>{d[0].x, d[1].x}), (std::vector<float>{2.3f, 5.5f}));
    itemsCollect(&collector);
    EXPECT_EQ(inventory[ROW_DIAMOND], 2);
    EXPECT_EQ(modelTable[ROW_DIAMOND].count, 1);
    EXPECT_EQ(modelTable[ROW_STRAW].count + modelTable[ROW_OILCAN].count + modelTable[ROW_SPIDER].count, 0);
    EXPECT_EQ(modelTable[ROW_HORSE].count, 1);
}

// Who picks up what, judged in the floor plane: the player, the horse and the flying arrow at
// their heights, each kind at its spawn height, from 0.29 (an item's offset from the middle line
// of its cell, passed when walking through the cell) and from beyond the reach.
TEST_F(Items, EveryCollectorPicksUpEveryKindWithinReachAtAnyHeight) {
    const struct {
        float y, radius;
    } kinds[4] = {{0.1f, 0.06f}, {0.05f, 0.01f}, {0.05f, 0.01f}, {0.1f, 0.005f}},
      collectors[3] = {{0.3f, 0.02f}, {0.5f, 0.07f}, {0.2f, 0.02f}};
    for (const auto& c : collectors)
        for (int row = 0; row < 4; row++)
            for (float d : {0.0f, 0.29f, 0.34f, 0.36f, 0.6f}) {
                itemsClearInstances();
                resetInventory();
                put(row, 2.5f + d * 0.6f, kinds[row].y, 2.5f + d * 0.8f, kinds[row].radius);
                Actor a = bodyAt(2.5f, 2.5f, 0, c.y, c.radius);
                itemsCollect(&a);
                EXPECT_EQ(inventory[row], d < pickupReach ? 1 : 0) << c.y << " row " << row << " at " << d;
            }
}

// Spiders bob within two to eight tenths; items turn at their rate on the floor.
TEST_F(Items, SpidersBobWithinTwoToEightTenthsItemsTurn) {
    for (float y : {0.85f, 0.15f, 0.5f}) put(ROW_SPIDER, 1.5f, y, 1.5f, 0.005f);
    put(ROW_DIAMOND, 4.5f, 0.05f, 1.5f, 0.01f);
    modelTable[ROW_DIAMOND].entities[0].yawRate = 0.1f;
    Actor* s = modelTable[ROW_SPIDER].entities;
    s[2].vy = -0.1f;
    record.frameTime = 0.5f;
    itemsMoveCreatures();
    const float bobbed[3] = {0.8f, 0.2f, 0.45f}; // between the limits the spider keeps its way
    for (int i = 0; i < 3; i++) EXPECT_FLOAT_EQ(s[i].y, bobbed[i]) << i;
    const Actor& d = modelTable[ROW_DIAMOND].entities[0];
    EXPECT_NEAR(d.heading, 18, 1e-4f); // 36 degrees per second
    EXPECT_EQ(d.y, 0.05f);
}

TEST_F(Items, SuppliesSetTheSteps) {
    inventory[ROW_OILCAN] = 6; // six cans at time 0: the player walks at 0.5 per second
    EXPECT_FLOAT_EQ(itemsOilLeft(), 6);
    EXPECT_EQ(steps(0.1f, 0), "0.050000 0.005000"); // no straw: the horse crawls at 0.05 per second
    inventory[ROW_STRAW] = 4;
    EXPECT_EQ(steps(0.1f, 2), "0.100000 0.100000"); // riding: the player moves with the horse
    EXPECT_EQ(steps(1, 0), "0.190000 0.190000");    // a one-second frame caps both steps
    inventory[ROW_OILCAN] = inventory[ROW_STRAW] = 0;
    record.fullLevel = 0; // counts every stock as full
    EXPECT_EQ(steps(0.1f, 0), "0.050000 0.100000");
}

// Six cans of 60 seconds of game time and four bales of 20 units of the horse's way: 5.5 cans and 3.5
// bales used leave half of one; never below zero; zero rates, 0 / 0 at the start of a game, leave none.
TEST_F(Items, SuppliesLeftFollowTheirUse) {
    const struct {
        float gameTime, distance, oilSeconds, strawDistance, oil, straw;
    } rows[] = {{330, 70, 60, 20, 0.5f, 0.5f}, {1000, 100, 60, 20, 0, 0}, {0, 0, 0, 0, 0, 0}};
    inventory[ROW_OILCAN] = 6, inventory[ROW_STRAW] = 4;
    for (const auto& row : rows) {
        record.gameTime = row.gameTime, horse.distance = row.distance;
        record.oilSeconds = row.oilSeconds, record.strawDistance = row.strawDistance;
        EXPECT_NEAR(itemsOilLeft(), row.oil, 1e-5f) << row.gameTime;
        EXPECT_NEAR(itemsStrawLeft(), row.straw, 1e-5f) << row.gameTime;
    }
}
