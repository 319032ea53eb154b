// The moving bodies: primitive steps, contact, turning and centring, the walks along the exit
// path and along routes through generated mazes, and the flight of the shot.
#include <gtest/gtest.h>
#include <cmath>
#include "app/random.h"
#include "app/record.h"
#include "game/actor.h"
#include "game/items.h"
#include "maze/maze.h"
#include "stdout_capture.h"

namespace {

void buildMaze(int n) {
    randomSeed(1);
    record.mazeSize = n;
    record.itemsPerKind = 2;
    clearItemInstances();
    StdoutCapture quiet;
    mazeBuild(&maze, n);
}

Actor bodyAt(float x, float z, float heading) {
    Actor a{};
    actorInit(&a, x, 0.3f, z, heading, 0, 0.02f);
    return a;
}

// maxTurn of turnTowards is 360 * step / pi degrees; this step turns by exactly `degrees`.
float stepForTurn(float degrees) {
    return (float)(degrees * M_PI / 360);
}

} // namespace

TEST(ActorSteps, ForwardBackAndStrafeFollowTheHeading) {
    Actor a = bodyAt(2, 2, 90); // facing +x
    stepForward(&a, 0.5f);
    EXPECT_FLOAT_EQ(a.x, 2.5f);
    EXPECT_NEAR(a.z, 2, 1e-6);
    stepBack(&a, 0.25f);
    EXPECT_FLOAT_EQ(a.x, 2.25f);
    strafeLeft(&a, 0.5f); // left of +x is -z
    EXPECT_NEAR(a.x, 2.25f, 1e-6);
    EXPECT_FLOAT_EQ(a.z, 1.5f);
    strafeRight(&a, 1);
    EXPECT_FLOAT_EQ(a.z, 2.5f);

    Actor b = bodyAt(2, 2, 0); // heading 0 walks towards -z
    stepForward(&b, 1);
    EXPECT_FLOAT_EQ(b.z, 1);
    EXPECT_FLOAT_EQ(b.y, 0.3f);
}

TEST(ActorInit, SetsPlacementAndLeavesMotionAlone) {
    Actor a{};
    actorSetMotion(&a, 1, 2, 3, 0.1f, 0.2f);
    a.distance = 7;
    actorInit(&a, 1, 2, 3, 45, 10, 0.5f);
    EXPECT_EQ(a.prevX, 1);
    EXPECT_EQ(a.prevY, 2);
    EXPECT_EQ(a.prevZ, 3);
    EXPECT_EQ(a.distance, 0);
    EXPECT_EQ(a.heading, 45);
    EXPECT_EQ(a.pitch, 10);
    EXPECT_EQ(a.radius, 0.5f);
    EXPECT_EQ(a.vy, 2);
    EXPECT_EQ(a.yawRate, 0.1f);
    EXPECT_EQ(a.pitchRate, 0.2f);
    Actor c{};
    actorCopy(&c, &a);
    EXPECT_EQ(memcmp(&c, &a, sizeof a), 0);
}

TEST(ActorsPlaceForGame, PlayerHorseAndDoorWhereTheGameStarts) {
    record.mazeSize = 8;
    actorsPlaceForGame();
    EXPECT_EQ(player.x, 1.5f);
    EXPECT_EQ(player.y, 0.3f);
    EXPECT_EQ(player.heading, 90);
    EXPECT_EQ(player.radius, 0.02f);
    EXPECT_EQ(horse.z, 3.5f);
    EXPECT_EQ(horse.y, 0.5f);
    EXPECT_EQ(horse.radius, 0.07f);
    EXPECT_EQ(exitDoor.x, 8);
    EXPECT_EQ(exitDoor.z, 7);
    EXPECT_EQ(exitDoor.pitch, 0);
}

TEST(ActorOdometer, AddsThePlaneDistanceAndForgetsTheOldPosition) {
    Actor a = bodyAt(1, 1, 0);
    a.x = 4;
    a.z = 5;
    a.y = 9;
    EXPECT_FLOAT_EQ(actorOdometer(&a), 5);
    EXPECT_FLOAT_EQ(a.distance, 5);
    EXPECT_EQ(a.prevX, 4);
    EXPECT_EQ(a.prevZ, 5);
    EXPECT_EQ(a.prevY, 0.3f); // prevY is not the odometer's
    EXPECT_FLOAT_EQ(actorOdometer(&a), 0);
    EXPECT_FLOAT_EQ(a.distance, 5);
}

TEST(ActorsTouch, SumOfRadiiAgainstSquaredDistanceStrictly) {
    Actor a = bodyAt(1, 1, 0), b = bodyAt(2, 1, 0);
    a.radius = 0.5f;
    b.radius = 0.5f;
    EXPECT_EQ(actorsTouch(&a, &b), 0); // squared distance 1 equals the sum 1: no contact
    b.x = 1.99f;
    EXPECT_EQ(actorsTouch(&a, &b), 1);
    b.y = 1.3f; // height counts too
    EXPECT_EQ(actorsTouch(&a, &b), 0);

    // Player and horse (0.02 + 0.07) touch closer than 0.3.
    record.mazeSize = 8;
    actorsPlaceForGame();
    Actor p = player, h = horse;
    h.y = p.y;
    h.x = p.x + 0.29f;
    h.z = p.z;
    EXPECT_EQ(actorsTouch(&p, &h), 1);
    EXPECT_EQ(actorsTouch(&h, &p), 1);
    h.x = p.x + 0.31f;
    EXPECT_EQ(actorsTouch(&p, &h), 0);
}

TEST(ActorRevert, BothBodiesReturnAndWalkNoDistance) {
    Actor p = bodyAt(1.5f, 1.5f, 90), h = bodyAt(1.8f, 1.5f, 270);
    h.y = 0.5f;
    h.prevY = 0.5f;
    stepForward(&p, 0.1f);
    stepForward(&h, 0.1f);
    p.y = 0.35f;
    actorRevert(&p, &h);
    EXPECT_EQ(p.x, 1.5f);
    EXPECT_EQ(p.y, 0.3f);
    EXPECT_EQ(h.x, 1.8f);
    EXPECT_EQ(h.y, 0.5f);
    EXPECT_FLOAT_EQ(actorOdometer(&p), 0);
    EXPECT_FLOAT_EQ(actorOdometer(&h), 0);
    EXPECT_EQ(p.distance, 0);
    EXPECT_EQ(h.distance, 0);
}

TEST(CreatureStep, MovesAndTurnsByFrameTime) {
    record.frameTime = 0.5f;
    Actor a = bodyAt(1, 1, 10);
    actorSetMotion(&a, 0.2f, -0.1f, 0.4f, 0.1f, 0.25f);
    creatureStep(&a);
    EXPECT_EQ(a.prevX, 1);
    EXPECT_EQ(a.prevY, 0.3f);
    EXPECT_FLOAT_EQ(a.x, 1.1f);
    EXPECT_FLOAT_EQ(a.y, 0.25f);
    EXPECT_FLOAT_EQ(a.z, 1.2f);
    EXPECT_FLOAT_EQ(a.heading, 28); // a tenth of a turn per second for half a second
    EXPECT_FLOAT_EQ(a.pitch, 45);
    record.frameTime = 0;
}

TEST(TurnTowards, TakesTheShortWayAcrossZeroBothWays) {
    float step = stepForTurn(5);
    Actor a = bodyAt(1, 1, 350);
    const float up[] = {355, 360, 5, 10};
    for (float want : up) {
        turnTowards(step, 10, &a);
        EXPECT_NEAR(a.heading, want, 1e-3);
    }
    EXPECT_EQ(a.heading, 10); // landed exactly

    Actor b = bodyAt(1, 1, 10);
    const float down[] = {5, 0, 355, 350};
    for (float want : down) {
        turnTowards(step, 350, &b);
        EXPECT_NEAR(b.heading, want, 1e-3);
    }
    EXPECT_EQ(b.heading, 350);
}

TEST(TurnTowards, TurnsAtMostMaxTurnAndLandsExactly) {
    float step = stepForTurn(20);
    Actor a = bodyAt(1, 1, 90);
    turnTowards(step, 180, &a);
    EXPECT_NEAR(a.heading, 110, 1e-3);
    turnTowards(step, 0, &a);
    EXPECT_NEAR(a.heading, 90, 1e-3);
    a.heading = 170;
    turnTowards(step, 180, &a);
    EXPECT_EQ(a.heading, 180);
    a.heading = 360; // a heading of exactly 360 still finds 0
    turnTowards(step, 0, &a);
    turnTowards(step, 0, &a);
    EXPECT_EQ(a.heading, 0);
}

TEST(CentreOnLine, CentresAcrossTheDirectionOfTravel) {
    Actor a = bodyAt(2.7f, 1.3f, 90);
    EXPECT_NEAR(centreOnLine(0.05f, 90, &a), 0.2f, 1e-6); // travelling along x: z is centred
    EXPECT_NEAR(a.z, 1.35f, 1e-6);
    EXPECT_EQ(a.x, 2.7f);
    EXPECT_NEAR(centreOnLine(0.05f, 0, &a), -0.2f, 1e-6); // travelling along z: x is centred
    EXPECT_NEAR(a.x, 2.65f, 1e-6);
    EXPECT_NEAR(centreOnLine(1, 180, &a), -0.15f, 1e-6); // within reach: lands on the line
    EXPECT_EQ(a.x, 2.5f);
    EXPECT_EQ(centreOnLine(1, 180, &a), 0);
    Actor b = bodyAt(2.7f, 1.3f, 90);
    EXPECT_EQ(centreOnLine(1, -1, &b), 0); // no direction: nothing to centre
    EXPECT_EQ(b.x, 2.7f);
    EXPECT_EQ(b.z, 1.3f);
}

struct Walk {
    int frames = 0;
    bool arrived = false;
    bool enteredRock = false;
    float x = 0, z = 0; // where the walk ended
};

int openCells() {
    int open = 0;
    for (int y = 0; y <= maze.size; y++)
        for (int x = 0; x <= maze.size; x++) open += mazeIsOpen(&maze, x, y);
    return open;
}

// Calls frame() until arrived() or the frame limit, watching the body's cell; the corner traces
// are swallowed.
template <class Frame, class Arrived> Walk walk(Actor* a, int frameLimit, Frame frame, Arrived arrived) {
    Walk w;
    StdoutCapture quiet;
    while (w.frames < frameLimit && !w.arrived && !w.enteredRock) {
        frame();
        w.frames++;
        w.enteredRock = !mazeIsOpen(&maze, (int)a->x, (int)a->z);
        w.arrived = arrived();
    }
    w.x = a->x;
    w.z = a->z;
    return w;
}

// From every open cell of several generated mazes the exit path leads out of the exit cell's +x
// side in a bounded number of frames, and the body never stands in rock on the way.
TEST(FollowExitPath, FromEveryOpenCellReachesTheExitDoor) {
    const float step = 0.05f;
    for (int n : {8, 16, 30}) {
        buildMaze(n);
        const int frameLimit = openCells() * 60 + 200;
        for (int y = 0; y <= n; y++)
            for (int x = 0; x <= n; x++) {
                if (!mazeIsOpen(&maze, x, y)) continue;
                Actor a = bodyAt(x + 0.3f, y + 0.7f, (float)((x * 37 + y * 53) % 360));
                routePhase = 0;
                Walk w = walk(
                    &a, frameLimit, [&] { followExitPath(step, &a); },
                    [&] { return (int)a.z == n - 1 && a.x > n - 0.3f; });
                EXPECT_TRUE(w.arrived && !w.enteredRock)
                    << "n " << n << " from " << x << "," << y << ": ended at " << w.x << "," << w.z
                    << " after " << w.frames << " frames" << (w.enteredRock ? " in rock" : "");
            }
    }
}

// The horse walks to the player's cell from every open cell; the route key stops it (phase 4)
// in the target's cell.
TEST(FollowRoute, BringsTheMoverIntoTheTargetsCellFromEverywhere) {
    const float step = 0.05f;
    for (int n : {8, 16, 30}) {
        buildMaze(n);
        Actor target = n == 16 ? bodyAt(n - 0.5f, n - 0.5f, 90) : bodyAt(1.5f, 1.5f, 90);
        const int frameLimit = openCells() * 60 + 200;
        for (int y = 0; y <= n; y++)
            for (int x = 0; x <= n; x++) {
                if (!mazeIsOpen(&maze, x, y)) continue;
                Actor mover = bodyAt(x + 0.6f, y + 0.4f, (float)((x * 71 + y * 13) % 360));
                routePhase = 0;
                Walk w = walk(
                    &mover, frameLimit, [&] { followRoute(step, &mover, &target); },
                    [&] { return routePhase == 4; });
                EXPECT_TRUE(w.arrived && !w.enteredRock && (int)w.x == (int)target.x &&
                            (int)w.z == (int)target.z)
                    << "n " << n << " from " << x << "," << y << ": ended at " << w.x << "," << w.z
                    << " after " << w.frames << " frames" << (w.enteredRock ? " in rock" : "");
            }
    }
}

TEST(FollowRoute, StopsAtOnceOnTheTargetsOwnCell) {
    buildMaze(8);
    Actor target = bodyAt(3.2f, 3.8f, 0);
    Actor mover = bodyAt(3.7f, 3.3f, 45);
    Actor before = mover;
    routePhase = 0;
    followRoute(0.05f, &mover, &target);
    EXPECT_EQ(routePhase, 4);
    followRoute(0.05f, &mover, &target);
    EXPECT_EQ(routePhase, 4);
    EXPECT_EQ(memcmp(&before, &mover, sizeof mover), 0);
}

TEST(FollowRoute, ComputesTheRouteOncePerKeyPress) {
    buildMaze(8);
    Actor target = bodyAt(1.5f, 1.5f, 0);
    Actor mover = bodyAt(7.5f, 7.5f, 270);
    routePhase = 0;
    followRoute(0.05f, &mover, &target);
    EXPECT_EQ(mazeGetDir(&maze, 1, 1, 1), -2);
    // Moving the target does not move the root until the phase is reset by a key press.
    target = bodyAt(5.5f, 1.5f, 0);
    followRoute(0.05f, &mover, &target);
    EXPECT_EQ(mazeGetDir(&maze, 1, 1, 1), -2);
    routePhase = 0;
    followRoute(0.05f, &mover, &target);
    EXPECT_EQ(mazeGetDir(&maze, 1, 5, 1), -2);
}

TEST(ShotUpdate, ReadyShotRidesBelowThePlayersEye) {
    record.mazeSize = 8;
    actorsPlaceForGame();
    player.pitch = 12;
    shotState = 0;
    shotUpdate();
    EXPECT_EQ(shot.x, player.x);
    EXPECT_FLOAT_EQ(shot.y, player.y - 0.1f);
    EXPECT_EQ(shot.pitch, 12);
    EXPECT_EQ(shot.radius, player.radius);
}

TEST(ShotUpdate, ShotFiredLookingDownFallsToTheFloor) {
    buildMaze(8);
    actorsPlaceForGame();
    player.pitch = 30; // looking down
    record.frameTime = 0.02f;
    shotState = 0;
    shotUpdate();
    shotState = 1;
    float lastY = shot.y, lastX = shot.x;
    int frames = 0;
    while (shot.y > 0 && frames < 100) {
        shotUpdate();
        frames++;
        EXPECT_LT(shot.y, lastY);
        EXPECT_NEAR(shot.x - lastX, 0.04f, 1e-5); // 2 units per second along heading 90
        lastY = shot.y;
        lastX = shot.x;
    }
    // 0.2 above the floor, sinking sin(30) = 0.5 units per second: 20 frames of 0.02 s.
    EXPECT_NEAR(frames, 20, 1);
    EXPECT_LE(shot.y, 0);
    EXPECT_TRUE(mazeIsOpen(&maze, (int)shot.x, (int)shot.z)); // it hit the floor, not a wall

    shotState = 2; // exploding: the shot stays where it hit
    Actor hit = shot;
    shotUpdate();
    EXPECT_EQ(memcmp(&hit, &shot, sizeof shot), 0);
    shotState = 0;
    record.frameTime = 0;
}

TEST(ShotUpdate, LevelShotKeepsItsHeight) {
    record.mazeSize = 8;
    actorsPlaceForGame();
    record.frameTime = 0.1f;
    shotState = 0;
    shotUpdate();
    shotState = 1;
    shotUpdate();
    EXPECT_FLOAT_EQ(shot.y, 0.2f);
    EXPECT_FLOAT_EQ(shot.x, 1.7f);
    shotState = 0;
    record.frameTime = 0;
}
