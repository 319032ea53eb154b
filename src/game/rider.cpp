// SPDX-License-Identifier: GPL-3.0-or-later
// The rider rules. No GL, so they are testable without a window.
#include "game/rider.h"
#include <cmath>
#include <cstdlib>
#include "app/lang.h"
#include "app/record.h"
#include "game/actor.h"
#include "maze/maze.h"
#include "text/hud.h"

const char* const riderLabels[riderLabelCount] = {LANG_ID("Tarvin"), LANG_ID("Horse"), LANG_ID("Ride"),
                                                  LANG_ID("Get on"), LANG_ID("Get Off")};

static float dismountedAt; // game time of the last dismount

// How near the horse (in the floor plane) the player gets on: the walk to the horse (Page Down)
// ends in its cell, about half a cell from it.
static const float mountReach = 0.6f;
// The eye on horseback, above the horse's back (0.47).
static const float riderEyeHeight = 0.6f;
static const float walkerEyeHeight = 0.3f;
static const float dismountStep = 0.35f;
// The player-facing texts of the rider rules.
static const char* const noRoomToDismount = LANG_ID("No room to get off here");

int riderMounted() {
    return record.riderState == 2;
}

void riderCarryHorse() {
    horse.x = player.x;
    horse.z = player.z;
    horse.heading = player.heading;
}

// A place dismountStep from the horse, seen from its heading turned by turn degrees, where the
// rider stands on the floor of an open cell the horse's cell opens into, at least 0.2 from rock.
static int dismountPlace(float turn, Actor* place) {
    *place = horse;
    place->heading = horse.heading + turn;
    stepForward(place, dismountStep);
    int hx = int(horse.x), hz = int(horse.z), x = int(floorf(place->x)), z = int(floorf(place->z));
    if (!mazeIsOpen(&maze, x, z) || abs(x - hx) + abs(z - hz) > 1) return 0;
    Actor kept = *place;
    mazeCollide(&maze, &kept);
    return kept.x == place->x && kept.z == place->z;
}

void riderToggle() {
    if (riderMounted()) {
        // Off behind the horse, clear of its body (0.2 long from its middle); else beside it.
        static const float turns[3] = {180, 90, -90};
        Actor place;
        int found = 0;
        for (float turn : turns)
            if ((found = dismountPlace(turn, &place))) break;
        if (!found) {
            showMessage(langText(noRoomToDismount));
            return;
        }
        record.riderState = 4;
        dismountedAt = recordStepClock();
        player.x = place.x;
        player.z = place.z;
        player.prevX = player.x;
        player.prevZ = player.z;
        player.y = player.prevY = walkerEyeHeight;
    } else if (actorFloorDistance(&player, &horse) < mountReach) {
        record.riderState = 2;
        player.x = player.prevX = horse.x;
        player.z = player.prevZ = horse.z;
        player.y = player.prevY = riderEyeHeight;
        horse.heading = player.heading;
    }
}

void riderUpdate(int callingHorse) {
    if (riderMounted()) return;
    if (record.riderState == 4 && recordStepClock() - dismountedAt < 2) return;
    if (actorFloorDistance(&player, &horse) < mountReach)
        record.riderState = 3;
    else if (callingHorse && actorWalkPhase(WALK_CALL_HORSE) != 4)
        record.riderState = 1;
    else
        record.riderState = 0;
}

const char* riderLabel() {
    int state = record.riderState;
    if (state < 0 || state >= riderLabelCount) state = 0;
    return langText(riderLabels[state]);
}

void riderFresh() {
    dismountedAt = 0;
}

float riderDismountedAt() {
    return dismountedAt;
}

void riderSetDismountedAt(float time) {
    dismountedAt = time;
}
