// SPDX-License-Identifier: GPL-3.0-or-later
// The record of a body in the mine (the player, the horse, the exit door, the shot, every item and
// spider): what the maze collides, frees and draws. The game moves the bodies (game/actor.h).
#pragma once

struct Actor {
    float x, y, z;             // position; cell (trunc x, trunc z)
    float heading;             // yaw in degrees; forward adds (+sin h, -cos h) to (x, z)
    float pitch;               // view pitch of the player; opening angle of the exit door
    float vx, vy, vz;          // velocity, units per second (creatures)
    float yawRate;             // turns per second
    float pitchRate;           // turns per second
    float prevX, prevY, prevZ; // position before the last move
    float radius;              // contact size
    float distance;            // distance walked in the x-z plane
};
static_assert(sizeof(Actor) == 15 * 4, "Actor is fifteen 4-byte fields");
