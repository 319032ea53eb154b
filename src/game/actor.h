// SPDX-License-Identifier: GPL-3.0-or-later
// Everything that moves or can be touched in the mine: the player, the horse, the exit door,
// the shot, and every item and spider instance.
#pragma once
#include "maze/body.h"

// The bodies of the game, placed on each game entry by actorsPlaceForGame.
extern Actor player; // its position and angles are the camera
extern Actor horse;
extern Actor exitDoor; // pitch is the door's opening angle, 0 closed to 100 open
extern Actor shot;     // the arrow: rides with the player, flies, explodes

// A route walk's phase: 0 start, 1 route computed, 2 walking, 4 stopped. routePhase is the phase
// of the player's walk to the horse (WALK_TO_HORSE below).
extern int routePhase;
extern int shotState;       // 0 ready, 1 flying, 2 exploding
extern float explosionTime; // seconds since the explosion began

// Sets position, angles and radius; prev position = position; distance = 0. Velocity and turn
// rates are left as they are.
void actorInit(Actor* a, float x, float y, float z, float heading, float pitch, float radius);
void actorSetMotion(Actor* a, float vx, float vy, float vz, float yawRate, float pitchRate);
void actorCopy(Actor* dst, const Actor* src); // all fifteen fields
void stepForward(Actor* a, float d);          // d along the heading
void stepBack(Actor* a, float d);
void strafeLeft(Actor* a, float d); // d across the heading
void strafeRight(Actor* a, float d);
// Adds the x-z distance from the previous position to distance, makes the position the previous
// one (prevY stays) and returns the distance.
float actorOdometer(Actor* a);
// 1 when the sum of the radii exceeds the squared distance (strictly), else 0: the player and the
// horse touch when closer than 0.3.
int actorsTouch(const Actor* a, const Actor* b);
// The distance of two bodies in the floor plane (x, z).
float actorFloorDistance(const Actor* a, const Actor* b);
void actorRevert(Actor* a, Actor* b); // both bodies back to their previous positions
// One frame of a creature: remembers the position, moves by velocity and turns by the rates
// (record.frameTime seconds).
void creatureStep(Actor* a);
// Moves the actor towards the middle line of its cell across heading h (0, 90, 180, 270) by at
// most step; returns the offset found before the move, 0 when already centred.
float centreOnLine(float step, float h, Actor* a);
// Turns the heading towards h by at most 360 * step / pi degrees, the short way round; the
// heading stays in 0..360.
void turnTowards(float step, float h, Actor* a);
// One frame of the walk to the exit along the carve directions (key Home); phase is the walker's
// own route phase.
void followExitPath(float step, Actor* a, int* phase);
// One frame of the mover's walk along the maze to the target's cell (Page Up, Page Down);
// computes the route when *phase is 0 and stops (phase 4) in the target's cell.
void followRoute(float step, Actor* mover, const Actor* target, int* phase);
// The game's route walks, each on its own phase: the route keys' walks (Page Down: the player to
// the horse, on routePhase; Page Up: the horse to the player) each on its own copy of its route,
// so that two walks at once do not steer by each other's, and the walks out (Home) of each body.
// One walk's arrival never stops another.
enum ActorWalk { WALK_TO_HORSE, WALK_CALL_HORSE, WALK_OUT, WALK_HORSE_OUT, WALK_COUNT };
void actorWalkRestart(ActorWalk w);          // the walk starts anew (phase 0): its key went down
void actorWalkStep(ActorWalk w, float step); // one frame of the walk, by at most step
int actorWalkPhase(ActorWalk w);
// A kept walk's phase put back, and the route copy a route key's walk steers by (MAZE_CAPACITY
// entries; none for the walks out, which follow the carve directions).
void actorWalkSetPhase(ActorWalk w, int phase);
signed char* actorWalkRoute(ActorWalk w);
// First step of every game update: the ready shot rides 0.1 below the player's eye, the flying
// one moves 2 units per second along its heading and sinks with its pitch, in actorShotSubSteps
// moves that stop where it leaves the open mine (drawing it there bursts it), so that a slow frame
// does not carry it through rock.
void shotUpdate();
// A flying arrow out of the open (it met rock, floor or ceiling) bursts; the burst lasts half a
// second of frameTime steps, then the next arrow is ready.
void shotBurst(float frameTime);
constexpr float shotSubStep = 0.05f;  // the longest move of the arrow between two looks at what it meets
int actorShotSubSteps(float seconds); // the moves a flight of seconds takes: at least 1
// Moves the flying arrow for seconds; 1 while it is in an open cell between floor and ceiling. An
// arrow already out of the open mine does not move.
int actorShotFly(float seconds);
// The slope the flying arrow takes, in degrees below the level (as pitch): it moves 2 units along its
// heading for every sin(pitch) it sinks, so it flies flatter than the pitch it was shot at.
float actorShotFlightPitch(const Actor* shot);
// Draws the arrow, or its explosion once it has hit rock, floor or ceiling (GL; shot_draw.cpp).
void shotDraw(const Actor* shot);
// Places the player at (1.5, 0.3, 1.5), the horse at (3.5, 0.5, 3.5), both heading 90, and the
// exit door at (mazeSize, 0, mazeSize - 1), as entering the game does; every walk starts anew.
void actorsPlaceForGame();
