// SPDX-License-Identifier: GPL-3.0-or-later
// The moving bodies: primitive motions, contact, route walking and the shot.
#include "game/actor.h"

#include <cmath>
#include <cstring>
#include "app/record.h"
#include "maze/maze.h"

Actor player;
Actor horse;
Actor exitDoor;
Actor shot;
int routePhase;
static int horseRoutePhase, exitPhase, horseExitPhase;
int shotState;
float explosionTime;

static const double degToRad = M_PI / 180.0;

void actorInit(Actor* a, float x, float y, float z, float heading, float pitch, float radius) {
    a->x = x;
    a->y = y;
    a->z = z;
    a->heading = heading;
    a->pitch = pitch;
    a->radius = radius;
    a->prevX = x;
    a->prevY = y;
    a->prevZ = z;
    a->distance = 0;
}

void actorSetMotion(Actor* a, float vx, float vy, float vz, float yawRate, float pitchRate) {
    a->vx = vx;
    a->vy = vy;
    a->vz = vz;
    a->yawRate = yawRate;
    a->pitchRate = pitchRate;
}

void actorCopy(Actor* dst, const Actor* src) {
    *dst = *src;
}

void stepForward(Actor* a, float d) {
    double h = a->heading * degToRad;
    a->z -= cos(h) * d;
    a->x += sin(h) * d;
}

void stepBack(Actor* a, float d) {
    double h = a->heading * degToRad;
    a->z += cos(h) * d;
    a->x -= sin(h) * d;
}

void strafeLeft(Actor* a, float d) {
    double h = (a->heading - 90) * degToRad;
    a->z -= cos(h) * d;
    a->x += sin(h) * d;
}

void strafeRight(Actor* a, float d) {
    double h = (a->heading - 90) * degToRad;
    a->z += cos(h) * d;
    a->x -= sin(h) * d;
}

float actorOdometer(Actor* a) {
    float dx = a->x - a->prevX, dz = a->z - a->prevZ;
    float d = sqrtf(dx * dx + dz * dz);
    a->distance += d;
    a->prevX = a->x;
    a->prevZ = a->z;
    return d;
}

int actorsTouch(const Actor* a, const Actor* b) {
    float dx = a->x - b->x, dy = a->y - b->y, dz = a->z - b->z;
    // The radii's sum is compared with the squared distance, not with the distance.
    return a->radius + b->radius > dx * dx + dy * dy + dz * dz;
}

float actorFloorDistance(const Actor* a, const Actor* b) {
    float dx = a->x - b->x, dz = a->z - b->z;
    return sqrtf(dx * dx + dz * dz);
}

void actorRevert(Actor* a, Actor* b) {
    a->x = a->prevX;
    a->y = a->prevY;
    a->z = a->prevZ;
    b->x = b->prevX;
    b->y = b->prevY;
    b->z = b->prevZ;
}

void creatureStep(Actor* a) {
    float t = recordStepTime();
    a->prevX = a->x;
    a->prevY = a->y;
    a->prevZ = a->z;
    a->x += t * a->vx;
    a->y += t * a->vy;
    a->z += t * a->vz;
    a->heading += a->yawRate * 360 * t;
    a->pitch += a->pitchRate * 360 * t;
}

// Moves v towards the middle of its unit cell by at most step; returns the offset before the move.
static float centreCoordinate(float step, float* v) {
    float d = ((int)*v + 0.5f) - *v;
    float move = fminf(step, fabsf(d));
    *v += d < 0 ? -move : move;
    return d;
}

float centreOnLine(float step, float h, Actor* a) {
    float d = 0;
    if (h == 90 || h == 270) d = centreCoordinate(step, &a->z);
    if (h == 0 || h == 180) d = centreCoordinate(step, &a->x);
    return d;
}

void turnTowards(float step, float h, Actor* a) {
    float maxTurn = (float)(360 * step / M_PI);
    float diff = fabsf((float)(int)(a->heading - h));
    if (diff <= 180) {
        float gap = fabsf(a->heading - h);
        if (gap <= maxTurn)
            a->heading = h;
        else if (a->heading < h)
            a->heading += maxTurn;
        else
            a->heading -= maxTurn;
    } else if (a->heading >= h) {
        a->heading += fminf(maxTurn, a->heading - h);
    } else {
        a->heading -= fminf(maxTurn, h - a->heading);
    }
    if (a->heading > 360)
        a->heading -= 360;
    else if (a->heading < 0)
        a->heading += 360;
}

static int cellX(const Actor* a) {
    return (int)a->x;
}
static int cellZ(const Actor* a) {
    return (int)a->z;
}

// Centre and turn until lined up with h; then the walk may start (phase 2).
static void routeAlign(float step, float h, Actor* a, int* phase) {
    float c = centreOnLine(step, h, a);
    turnTowards(step, h, a);
    if (a->heading == h && c == 0) *phase = 2;
}

// One step of the walk: finish a turn, else keep to the middle line; then forward and out of rock.
static void routeWalk(float step, float h, Actor* a) {
    if (a->heading != h)
        turnTowards(step, h, a);
    else
        centreOnLine(step, h, a);
    stepForward(a, step);
    mazeCollide(&maze, a);
}

void followExitPath(float step, Actor* a, int* phase) {
    float h = mazeDirAngle(&maze, 0, cellX(a), cellZ(a));
    if (*phase == 0) routeAlign(step, h, a, phase);
    if (*phase == 2) routeWalk(step, h, a);
}

// followRoute on a route of its own (MAZE_CAPACITY entries, written when the route is computed).
static void followRouteOn(float step, Actor* mover, const Actor* target, int* phase, signed char* route) {
    if (*phase == 0) {
        mazeFindRoute(&maze, cellX(mover), cellZ(mover), cellX(target), cellZ(target));
        if (route != maze.routeDir) memcpy(route, maze.routeDir, sizeof maze.routeDir);
        *phase = 1;
    }
    int at = mazeCellIndex(&maze, cellX(mover), cellZ(mover));
    float h = at < 0 ? -1.0f : mazeDirAngleOf(route[at]);
    if (h == -1) *phase = 4;
    if (*phase == 1) routeAlign(step, h, mover, phase);
    if (*phase == 2) routeWalk(step, h, mover);
}

void followRoute(float step, Actor* mover, const Actor* target, int* phase) {
    followRouteOn(step, mover, target, phase, maze.routeDir);
}

void shotUpdate() {
    if (shotState == 0) {
        actorCopy(&shot, &player);
        shot.y -= 0.1f;
    } else if (shotState == 1) {
        float t = recordStepTime();
        int steps = actorShotSubSteps(t);
        for (int i = 0; i < steps && actorShotFly(t / float(steps)); i++) {
        }
    }
}

void shotBurst(float frameTime) {
    if (shotState == 0) return;
    const int open = mazeIsOpen(&maze, int(shot.x), int(shot.z)) && shot.y > 0 && shot.y < 1;
    if (shotState == 1 && open) return;
    if (shotState == 1) {
        shotState = 2; // the burst's first picture is drawn at the age 0
        explosionTime = 0;
        return;
    }
    explosionTime += frameTime;
    if (explosionTime > 0.5f) shotState = 0;
}

int actorShotSubSteps(float seconds) {
    float way = 2 * seconds;
    if (!(way > shotSubStep)) return 1;
    return way > 1000 ? int(1000 / shotSubStep) : int(ceilf(way / shotSubStep));
}

static int shotInOpen() {
    return mazeIsOpen(&maze, int(floorf(shot.x)), int(floorf(shot.z))) && shot.y > 0 && shot.y < 1;
}

float actorShotFlightPitch(const Actor* a) {
    return float(atan2(sin(a->pitch * degToRad), 2.0) / degToRad);
}

int actorShotFly(float seconds) {
    if (!shotInOpen()) return 0; // it stays where it met rock, floor or ceiling
    stepForward(&shot, 2 * seconds);
    shot.y -= sin(shot.pitch * degToRad) * seconds;
    return shotInOpen();
}

// The route keys' walks each steer by their own copy of their route.
static signed char callHorseRoute[MAZE_CAPACITY], toHorseRoute[MAZE_CAPACITY];

static int* walkPhase(ActorWalk w) {
    static int* const phases[WALK_COUNT] = {&routePhase, &horseRoutePhase, &exitPhase, &horseExitPhase};
    return phases[w];
}

void actorWalkRestart(ActorWalk w) {
    *walkPhase(w) = 0;
}

void actorWalkStep(ActorWalk w, float step) {
    if (w == WALK_TO_HORSE) followRouteOn(step, &player, &horse, &routePhase, toHorseRoute);
    if (w == WALK_CALL_HORSE) followRouteOn(step, &horse, &player, &horseRoutePhase, callHorseRoute);
    if (w == WALK_OUT) followExitPath(step, &player, &exitPhase);
    if (w == WALK_HORSE_OUT) followExitPath(step, &horse, &horseExitPhase);
}

int actorWalkPhase(ActorWalk w) {
    return *walkPhase(w);
}

void actorWalkSetPhase(ActorWalk w, int phase) {
    *walkPhase(w) = phase;
}

signed char* actorWalkRoute(ActorWalk w) {
    return w == WALK_TO_HORSE ? toHorseRoute : w == WALK_CALL_HORSE ? callHorseRoute : nullptr;
}

void actorsPlaceForGame() {
    float n = (float)record.mazeSize;
    actorInit(&player, 1.5f, 0.3f, 1.5f, 90, 0, 0.02f);
    actorInit(&horse, 3.5f, 0.5f, 3.5f, 90, 0, 0.07f);
    actorInit(&exitDoor, n, 0, n - 1, 0, 0, 0.07f);
    for (int w = 0; w < WALK_COUNT; w++) actorWalkRestart(ActorWalk(w));
}
