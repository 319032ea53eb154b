// The questions asked of a finished maze: headings along the direction layers, collision with
// rock and cell corners, routes between cells and the cells visible from the viewer's cell.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/random.h"
#include "app/record.h"
#include "game/actor.h"
#include "game/items.h"
#include "maze/maze.h"
#include "stdout_capture.h"

namespace {

void buildMaze(int n, int items) {
    randomSeed(1);
    record.mazeSize = n;
    record.itemsPerKind = items;
    clearItemInstances();
    StdoutCapture quiet;
    mazeBuild(&maze, n);
}

// A hand-drawn grid: row y of the picture is maze row y; 'w' is rock, anything else open.
void drawMaze(const std::vector<std::string>& rows) {
    maze.size = (int)rows.size() - 1;
    for (int y = 0; y <= maze.size; y++)
        for (int x = 0; x <= maze.size; x++) {
            mazeSetCell(&maze, x, y, rows[y][x]);
            mazeSetDir(&maze, 0, x, y, -49);
            mazeSetDir(&maze, 1, x, y, -1);
        }
}

// The current visibility frame as a picture: '*' for marked cells, the cell code elsewhere.
std::vector<std::string> visiblePicture() {
    std::vector<std::string> rows;
    for (int y = 0; y <= maze.size; y++) {
        std::string row;
        for (int x = 0; x <= maze.size; x++) {
            int i = mazeCellIndex(&maze, x, y);
            row += maze.visStamp[i] == maze.visFrame ? '*' : mazeGetCell(&maze, x, y);
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> routePicture() {
    std::vector<std::string> rows;
    for (int y = 0; y <= maze.size; y++) {
        std::string row;
        for (int x = 0; x <= maze.size; x++) {
            int d = mazeGetDir(&maze, 1, x, y);
            row += d == -1 ? '.' : d == -2 ? 'R' : (char)('0' + d);
        }
        rows.push_back(row);
    }
    return rows;
}

Actor bodyAt(float x, float z) {
    Actor a{};
    actorInit(&a, x, 0.3f, z, 0, 0, 0.02f);
    return a;
}

// Collides a body at (x, z) and returns what was printed.
std::string collide(Actor* a) {
    StdoutCapture out;
    mazeCollide(&maze, a);
    return out.finish();
}

struct CullingOn {
    CullingOn() { portalCulling = 1; }
    ~CullingOn() { portalCulling = 0; }
};

} // namespace

TEST(MazeDirAngle, CodesPointBackToTheCellEnteredFrom) {
    buildMaze(8, 1);
    const float expected[4] = {270.0f, 0.0f, 90.0f, 180.0f};
    for (int d = 0; d < 4; d++) {
        mazeSetDir(&maze, 1, 3, 3, (signed char)d);
        EXPECT_EQ(mazeDirAngle(&maze, 1, 3, 3), expected[d]);
    }
    EXPECT_EQ(mazeDirAngle(&maze, 0, 7, 7), 90.0f); // the exit cell leads out through x = N
}

TEST(MazeDirAngle, SpecialValuesGiveMinusOne) {
    buildMaze(8, 1);
    mazeFindRoute(&maze, 1, 1, 7, 7);
    EXPECT_EQ(mazeDirAngle(&maze, 0, -1, 3), -1.0f); // outside
    EXPECT_EQ(mazeDirAngle(&maze, 1, 3, 9), -1.0f);  // outside
    EXPECT_EQ(mazeDirAngle(&maze, 1, 0, 0), -1.0f);  // rock: not visited by the route
    EXPECT_EQ(mazeDirAngle(&maze, 1, 7, 7), -1.0f);  // route root
    EXPECT_EQ(mazeDirAngle(&maze, 0, 2, 2), -1.0f);  // never carved
    EXPECT_EQ(mazeGetDir(&maze, 0, 2, 2), -49);
}

TEST(MazeCollide, KeepsTwoTenthsFromARockFaceOnly) {
    drawMaze({"wwwww", "w   w", "w   w", "w   w", "wwwww"});
    Actor a = bodyAt(1.1f, 1.5f); // -x neighbour is rock
    EXPECT_EQ(collide(&a), "");
    EXPECT_FLOAT_EQ(a.x - 1, 0.2f);
    EXPECT_FLOAT_EQ(a.z, 1.5f);

    Actor b = bodyAt(2.1f, 2.5f); // -x neighbour is open: no push
    EXPECT_EQ(collide(&b), "");
    EXPECT_FLOAT_EQ(b.x, 2.1f);

    Actor c = bodyAt(3.9f, 2.5f); // +x face
    collide(&c);
    EXPECT_FLOAT_EQ(c.x, 3.8f);
    Actor d = bodyAt(2.5f, 1.05f); // -z face
    collide(&d);
    EXPECT_FLOAT_EQ(d.z, 1.2f);
    Actor e = bodyAt(2.5f, 3.95f); // +z face
    collide(&e);
    EXPECT_FLOAT_EQ(e.z, 3.8f);
    EXPECT_FLOAT_EQ(e.x, 2.5f);
    EXPECT_FLOAT_EQ(e.y, 0.3f);
}

// In an open field the corners are the only thing that moves a body; the less deep axis wins.
TEST(MazeCollide, CornerPushesAlongTheShallowerAxisAndPrintsItsCase) {
    drawMaze({"         ", "         ", "         ", "         ", "         ", "         ", "         ",
              "         ", "         "});
    struct Case {
        float fx, fz, wantFx, wantFz;
        const char* trace;
    } cases[] = {
        {0.85f, 0.9f, 0.8f, 0.9f, "1\n"}, {0.9f, 0.85f, 0.9f, 0.8f, "1\n"},
        {0.85f, 0.1f, 0.8f, 0.1f, "2\n"}, {0.95f, 0.15f, 0.95f, 0.2f, "2\n"},
        {0.1f, 0.85f, 0.1f, 0.8f, "3\n"}, {0.15f, 0.95f, 0.2f, 0.95f, "3\n"},
        {0.15f, 0.1f, 0.2f, 0.1f, "4\n"}, {0.1f, 0.15f, 0.1f, 0.2f, "4\n"},
        {0.5f, 0.5f, 0.5f, 0.5f, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fx << "," << c.fz);
        Actor a = bodyAt(3 + c.fx, 5 + c.fz);
        EXPECT_EQ(collide(&a), c.trace);
        EXPECT_NEAR(a.x - 3, c.wantFx, 1e-5);
        EXPECT_NEAR(a.z - 5, c.wantFz, 1e-5);
    }
}

TEST(MazeCollide, CornerTieGoesToZ) {
    drawMaze({"     ", "     ", "     ", "     ", "     "});
    struct Case {
        float fx, fz, wantFz;
        const char* trace;
    } cases[] = {{0.875f, 0.875f, 0.8f, "1\n"},
                 {0.875f, 0.125f, 0.2f, "2\n"},
                 {0.125f, 0.875f, 0.8f, "3\n"},
                 {0.125f, 0.125f, 0.2f, "4\n"}};
    for (const Case& c : cases) {
        Actor a = bodyAt(2 + c.fx, 1 + c.fz);
        EXPECT_EQ(collide(&a), c.trace);
        EXPECT_FLOAT_EQ(a.x - 2, c.fx);
        EXPECT_NEAR(a.z - 1, c.wantFz, 1e-6);
    }
}

// The corner rule runs whatever the neighbours are; a rock neighbour adds its own push.
TEST(MazeCollide, FacePushAndCornerPushBothApply) {
    drawMaze({"wwwww", "w   w", "w   w", "w   w", "wwwww"});
    Actor a = bodyAt(3.85f, 3.9f); // +x and +z are rock
    EXPECT_EQ(collide(&a), "1\n");
    EXPECT_FLOAT_EQ(a.x, 3.8f);
    EXPECT_FLOAT_EQ(a.z, 3.8f);
}

TEST(MazeVisibility, WorkedExampleFromTheStartCell) {
    buildMaze(8, 1);
    mazeUpdateVisibility(&maze, 1, 1);
    std::vector<std::string> expected = {
        "wwwwwwwww", "w***w*  w", "w*www*www", "w*******w", "w*wwwww*w",
        "w***w I*w", "www*w www", "w  *wO  w", "wwwwwwwww",
    };
    EXPECT_EQ(visiblePicture(), expected);
    int marked = 0;
    for (int i = 0; i < 81; i++) marked += maze.visStamp[i] == maze.visFrame;
    EXPECT_EQ(marked, 21);
}

TEST(MazeVisibility, StraightCorridorSeenWholeButNotBehindThreeTurns) {
    // One winding corridor: east along row 1, south, west along row 3, south, east along row 5.
    drawMaze({
        "wwwwwwwwwww",
        "w         w",
        "wwwwwwwww w",
        "w         w",
        "w wwwwwwwww",
        "w         w",
        "wwwwwwwwwww",
        "wwwwwwwwwww",
        "wwwwwwwwwww",
        "wwwwwwwwwww",
        "wwwwwwwwwww",
    });
    CullingOn culling;
    mazeUpdateVisibility(&maze, 5, 1);
    for (int x = 1; x <= 9; x++) EXPECT_EQ(mazeIsVisible(&maze, x, 1), 1) << "first run " << x;
    EXPECT_EQ(mazeIsVisible(&maze, 9, 2), 1);
    for (int x = 1; x <= 9; x++) EXPECT_EQ(mazeIsVisible(&maze, x, 3), 1) << "third run " << x;
    EXPECT_EQ(mazeIsVisible(&maze, 1, 4), 0); // behind the third turn
    for (int x = 1; x <= 9; x++) EXPECT_EQ(mazeIsVisible(&maze, x, 5), 0) << x;
    EXPECT_EQ(mazeIsVisible(&maze, 0, 1), 0); // rock is never marked
}

TEST(MazeVisibility, EachFrameForgetsTheLastOne) {
    buildMaze(8, 1);
    CullingOn culling;
    mazeUpdateVisibility(&maze, 1, 1);
    EXPECT_EQ(mazeIsVisible(&maze, 1, 1), 1);
    mazeUpdateVisibility(&maze, 7, 7);
    EXPECT_EQ(mazeIsVisible(&maze, 7, 7), 1);
    EXPECT_EQ(mazeIsVisible(&maze, 1, 1), 0);
    mazeUpdateVisibility(&maze, -1, 3); // a viewer outside the grid sees nothing
    for (int y = 0; y <= 8; y++)
        for (int x = 0; x <= 8; x++) EXPECT_EQ(mazeIsVisible(&maze, x, y), 0);
    EXPECT_EQ(mazeIsVisible(&maze, 9, 3), 0);
}

TEST(MazeVisibility, WithoutPortalCullingEverythingIsVisible) {
    buildMaze(8, 1);
    portalCulling = 0;
    mazeUpdateVisibility(&maze, 1, 1);
    EXPECT_EQ(mazeIsVisible(&maze, 7, 7), 1);
    EXPECT_EQ(mazeIsVisible(&maze, 0, 0), 1);
    EXPECT_EQ(mazeIsVisible(&maze, -5, 100), 1);
}

TEST(MazeRoute, WorkedExampleToTheExitCell) {
    buildMaze(8, 1);
    mazeFindRoute(&maze, 1, 1, 7, 7);
    std::vector<std::string> expected = {
        ".........", ".3...300.", ".3...3...", ".2222223.", ".1.....3.",
        ".100.300.", "...1.3...", ".221.22R.", ".........",
    };
    EXPECT_EQ(routePicture(), expected);
}

TEST(MazeRoute, CellsBeyondTheGoalStayUnvisited) {
    buildMaze(30, 0);
    // Goal (3,1) next to the corner cell (1,1): whatever lies only behind it stays -1.
    mazeFindRoute(&maze, 3, 1, 29, 29);
    EXPECT_EQ(mazeGetDir(&maze, 1, 29, 29), -2);
    EXPECT_NE(mazeGetDir(&maze, 1, 3, 1), -1);
    int behind = 0, reached = 0;
    for (int y = 0; y <= 30; y++)
        for (int x = 0; x <= 30; x++) {
            int d = mazeGetDir(&maze, 1, x, y);
            if (!mazeIsOpen(&maze, x, y)) {
                EXPECT_EQ(d, -1);
            } else if (d == -1) {
                behind++;
            } else if (!(x == 29 && y == 29)) {
                EXPECT_TRUE(d >= 0 && d <= 3);
                reached++;
            }
        }
    EXPECT_GT(reached, 100);
    // Every unvisited open cell must be cut off from the root by the goal: walking its carve
    // tree towards the exit passes through the goal.
    static const int dx[4] = {1, 0, -1, 0}, dy[4] = {0, 1, 0, -1};
    for (int y = 0; y <= 30; y++)
        for (int x = 0; x <= 30; x++) {
            if (!mazeIsOpen(&maze, x, y) || mazeGetDir(&maze, 1, x, y) != -1) continue;
            int cx = x, cy = y;
            bool throughGoal = false;
            while (!(cx == 29 && cy == 29)) {
                if (cx == 3 && cy == 1) throughGoal = true;
                int d = mazeGetDir(&maze, 0, cx, cy);
                cx -= dx[d];
                cy -= dy[d];
            }
            EXPECT_TRUE(throughGoal) << x << "," << y;
        }
}

// The flood recurses once per reached cell; at the largest size it runs through the whole maze.
TEST(MazeRoute, LargestMazeFloodsEveryOpenCell) {
    buildMaze(66, 0);
    mazeFindRoute(&maze, 65, 65, 1, 1);
    int open = 0;
    for (int y = 0; y <= 66; y++)
        for (int x = 0; x <= 66; x++)
            if (mazeIsOpen(&maze, x, y)) {
                open++;
                EXPECT_NE(mazeGetDir(&maze, 1, x, y), -1) << x << "," << y;
            }
    EXPECT_GT(open, 1500);
}
