// The maze generator: the known maze of size 8, the shape every maze keeps, repeatability, item
// placement, the accessors' answers outside the grid, and what happens to impossible settings.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "app/random.h"
#include "app/record.h"
#include "brep/catalogue.h"
#include "game/items.h"
#include "maze/maze.h"
#include "maze_example.h"
#include "stdout_capture.h"

namespace {

// Builds a maze from the generator's start state, as the game does once at start-up; returns
// what it printed.
std::string buildMaze(int n, int items) {
    randomSeed(1);
    record.mazeSize = n;
    record.itemsPerKind = items;
    clearItemInstances();
    StdoutCapture out;
    mazeBuild(&maze, n);
    return out.finish();
}

int countCode(char code) {
    int k = 0;
    for (int y = 0; y <= maze.size; y++)
        for (int x = 0; x <= maze.size; x++) k += mazeGetCell(&maze, x, y) == code;
    return k;
}

} // namespace

TEST(MazeWorkedExample, PrintsThreeSnapshotsByteForByte) {
    std::string out = buildMaze(8, 1);
    std::string expected = mazeExample::output();
    EXPECT_EQ(out, expected);
}

// spawnItem(2, 3, 0.05, 3, 0.01), (0, 7, 0.1, 3, 0.06), (1, 5, 0.05, 7, 0.01), (3, 6, 0.1, 5, 0.005).
TEST(MazeWorkedExample, SpawnsOneItemPerKindInTheKnownCells) {
    buildMaze(8, 1);
    struct Expect {
        int row, col, cellZ;
        float y, radius;
    } expect[] = {
        {2, 3, 3, 0.05f, 0.01f}, {0, 7, 3, 0.1f, 0.06f}, {1, 5, 7, 0.05f, 0.01f}, {3, 6, 5, 0.1f, 0.005f}};
    for (const Expect& e : expect) {
        SCOPED_TRACE(e.row);
        ASSERT_EQ(modelTable[e.row].count, 1);
        const Actor& a = modelTable[e.row].entities[0];
        EXPECT_EQ((int)a.x, e.col);
        EXPECT_EQ((int)a.z, e.cellZ);
        EXPECT_FLOAT_EQ(a.y, e.y);
        EXPECT_FLOAT_EQ(a.radius, e.radius);
    }
    for (int row = 4; row < MODEL_ROWS; row++) EXPECT_EQ(modelTable[row].count, 0);
}

TEST(MazeShape, BorderAndPillarsStayRockForEveryEvenSize) {
    for (int n : {4, 6, 8, 16, 30, 66}) {
        SCOPED_TRACE(n);
        buildMaze(n, 0);
        ASSERT_EQ(maze.size, n);
        for (int i = 0; i <= n; i++) {
            EXPECT_EQ(mazeGetCell(&maze, i, 0), 'w');
            EXPECT_EQ(mazeGetCell(&maze, i, n), 'w');
            EXPECT_EQ(mazeGetCell(&maze, 0, i), 'w');
            EXPECT_EQ(mazeGetCell(&maze, n, i), 'w');
        }
        for (int y = 0; y <= n; y += 2)
            for (int x = 0; x <= n; x += 2) EXPECT_EQ(mazeGetCell(&maze, x, y), 'w') << x << "," << y;
    }
}

TEST(MazeShape, ExitCellIsADeadEndOpenOnlyTowardsMinusX) {
    for (int n : {4, 8, 16, 30, 66}) {
        SCOPED_TRACE(n);
        buildMaze(n, 0);
        EXPECT_EQ(mazeGetDir(&maze, 0, n - 1, n - 1), 2);
        EXPECT_TRUE(mazeIsOpen(&maze, n - 2, n - 1));
        EXPECT_TRUE(mazeIsOpen(&maze, n - 3, n - 1));
        EXPECT_EQ(mazeGetDir(&maze, 0, n - 3, n - 1), 2);
        EXPECT_FALSE(mazeIsOpen(&maze, n - 1, n - 2));
        EXPECT_FALSE(mazeIsOpen(&maze, n, n - 1));
    }
}

// Walking against carveDir from any open cell leads to the exit cell: the corridors are a tree
// rooted there, and every open cell was carved.
TEST(MazeShape, EveryOpenCellLeadsBackToTheExitAlongItsCarveDirection) {
    static const int dx[4] = {1, 0, -1, 0}, dy[4] = {0, 1, 0, -1};
    for (int n : {8, 16, 30, 66}) {
        SCOPED_TRACE(n);
        buildMaze(n, 3);
        int open = 0;
        for (int y = 0; y <= n; y++)
            for (int x = 0; x <= n; x++) {
                if (!mazeIsOpen(&maze, x, y)) {
                    EXPECT_EQ(mazeGetDir(&maze, 0, x, y), -49);
                    continue;
                }
                open++;
                int cx = x, cy = y, steps = 0;
                while (!(cx == n - 1 && cy == n - 1) && steps <= (n + 1) * (n + 1)) {
                    int d = mazeGetDir(&maze, 0, cx, cy);
                    ASSERT_TRUE(d >= 0 && d <= 3) << cx << "," << cy;
                    cx -= dx[d];
                    cy -= dy[d];
                    ASSERT_TRUE(mazeIsOpen(&maze, cx, cy));
                    steps++;
                }
                EXPECT_TRUE(cx == n - 1 && cy == n - 1) << "from " << x << "," << y;
            }
        EXPECT_GT(open, n);
    }
}

TEST(MazeRepeatability, SameSettingsGiveTheSameMazeAndItems) {
    for (int n : {8, 30}) {
        std::string first = buildMaze(n, 4);
        ModelEntry rows1[4];
        memcpy(rows1, modelTable, sizeof rows1);
        std::string second = buildMaze(n, 4);
        EXPECT_EQ(first, second);
        EXPECT_EQ(memcmp(rows1, modelTable, sizeof rows1), 0);
    }
}

TEST(MazeItems, EachLetterMarksExactlyItemsPerKindCellsHoldingItsInstance) {
    const char codes[4] = {'S', 'O', 'D', 'I'}; // by catalogue row
    for (int n : {8, 16, 66})
        for (int items : {0, 1, 5, 9}) {
            if (n == 8 && items > 5) continue; // 4 x 9 items do not fit the 31 open cells
            SCOPED_TRACE(testing::Message() << n << " " << items);
            buildMaze(n, items);
            for (int row = 0; row < 4; row++) {
                EXPECT_EQ(countCode(codes[row]), items);
                ASSERT_EQ(modelTable[row].count, items);
                for (int i = 0; i < items; i++) {
                    const Actor& a = modelTable[row].entities[i];
                    EXPECT_EQ(mazeGetCell(&maze, (int)a.x, (int)a.z), codes[row]);
                }
            }
        }
}

TEST(MazeAccessors, OutsideTheGridReadsAreHarmlessAndWritesStoreNothing) {
    buildMaze(8, 1);
    Maze before;
    memcpy(&before, &maze, sizeof maze);
    const int outside[][2] = {{-1, 3}, {3, -1}, {9, 3}, {3, 9}, {-1, -1}, {9, 9}, {1000, 0}};
    for (const auto& p : outside) {
        int x = p[0], y = p[1];
        EXPECT_EQ(mazeCellIndex(&maze, x, y), -1);
        EXPECT_EQ(mazeGetCell(&maze, x, y), 0);
        EXPECT_EQ(mazeIsOpen(&maze, x, y), 0);
        EXPECT_EQ(mazeGetDir(&maze, 0, x, y), -1);
        EXPECT_EQ(mazeGetDir(&maze, 1, x, y), -1);
        EXPECT_EQ(mazeSetCell(&maze, x, y, ' '), 0);
        EXPECT_EQ(mazeSetDir(&maze, 0, x, y, 1), 0);
        EXPECT_EQ(mazeSetDir(&maze, 1, x, y, 1), 0);
        MazeCell c = mazeCellAt(&maze, x, y);
        EXPECT_EQ(c.code, 0);
        EXPECT_EQ(c.carveDir, -1);
    }
    EXPECT_EQ(memcmp(&before, &maze, sizeof maze), 0);
    // The corners of the grid are inside.
    EXPECT_EQ(mazeCellIndex(&maze, 8, 8), 80);
    EXPECT_EQ(mazeCellIndex(&maze, 0, 8), 72);
    EXPECT_EQ(mazeGetCell(&maze, 8, 8), 'w');
}

TEST(MazeAccessors, LayerZeroIsTheCarveLayerAnyOtherTheRouteLayer) {
    buildMaze(8, 0);
    EXPECT_EQ(mazeSetDir(&maze, 2, 1, 1, -2), -2);
    EXPECT_EQ(maze.routeDir[1 + 9], -2);
    EXPECT_EQ(mazeGetDir(&maze, 7, 1, 1), -2);
    EXPECT_EQ(mazeGetDir(&maze, 0, 1, 1), 3);
    MazeCell c = mazeCellAt(&maze, 1, 1);
    EXPECT_EQ(c.code, ' ');
    EXPECT_EQ(c.carveDir, 3);
    EXPECT_EQ(c.routeDir, -2);
}

TEST(MazeSettings, UnusableSizesAreClampedToAnEvenSizeWithOneLine) {
    const int cases[][2] = {{7, 6}, {3, 4}, {2, 4}, {0, 4}, {-5, 4}, {67, 66}, {68, 66}, {1000, 66}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        std::string out = buildMaze(c[0], 1);
        EXPECT_EQ(maze.size, c[1]);
        EXPECT_EQ(record.mazeSize, c[1]);
        std::string line = out.substr(0, out.find('\n') + 1);
        EXPECT_EQ(line, "Maze size " + std::to_string(c[0]) +
                            " is not an even number from 4 to 66; building size " + std::to_string(c[1]) +
                            "\n");
        // Only that one line comes before the first snapshot.
        EXPECT_EQ(out.compare(line.size(), c[1] + 1, std::string(c[1] + 1, 'w')), 0);
    }
}

// A size-4 maze has at most 7 open cells: 36 items cannot fit, and the placement must still end.
TEST(MazeSettings, MoreItemsThanEmptyCellsFillWhatFitsAndStop) {
    std::string out = buildMaze(4, 9);
    EXPECT_NE(out.find("empty cells left for 9 items"), std::string::npos) << out;
    EXPECT_EQ(countCode(' '), 0);
    int placed = 0;
    for (int row = 0; row < 4; row++) placed += modelTable[row].count;
    EXPECT_EQ(placed, countCode('D') + countCode('S') + countCode('O') + countCode('I'));
    EXPECT_GT(placed, 0);
}

TEST(MazeSettings, ItemsPerKindAboveNineIsLoweredToWhatARowHolds) {
    std::string out = buildMaze(30, 12);
    EXPECT_NE(out.find("12 items per kind do not fit a catalogue row; placing 9\n"), std::string::npos);
    for (int row = 0; row < 4; row++) EXPECT_EQ(modelTable[row].count, 9);
    EXPECT_EQ(countCode('D'), 9);
}
