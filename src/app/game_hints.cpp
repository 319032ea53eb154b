// SPDX-License-Identifier: GPL-3.0-or-later
// What the game shows of its own states: the walk into daylight when the exit opens and the word
// that the horse has no straw. No GL, so testable without a window.
#include "app/game_hints.h"
#include "app/game_update.h"
#include "app/captions.h"
#include <cmath>
#include <cstdio>
#include "app/input.h"
#include "app/record.h"
#include "game/actor.h"
#include "game/items.h"
#include "text/hud.h"
#include "text/texts.h"

namespace {

struct Pose {
    float x, z, heading, pitch;
};

// Where player and horse stand while the door opens: the player in the middle of the exit cell's
// door side, looking at the door (heading 90, +x); the horse behind and beside, against the far
// wall, so no part of it stands between the eye and the door. On horseback both stand in the middle.
Pose exitPose(int forHorse, int riding) {
    const float e = float(record.mazeSize - 1);
    if (riding) return Pose{e + 0.5f, e + 0.5f, 90, 0};
    return forHorse ? Pose{e + 0.3f, e + 0.78f, 90, 0} : Pose{e + 0.55f, e + 0.38f, 90, 0};
}

Pose startPlayer, startHorse;
float sceneTime = -1; // seconds since the door began to open; below 0 while it is closed

Pose poseOf(const Actor& a) {
    return Pose{a.x, a.z, a.heading, a.pitch};
}

// Moves a from its start towards the end pose by k (0..1), turning the short way round.
void blend(Actor* a, const Pose& from, const Pose& to, float k, int withPitch) {
    a->x = from.x + (to.x - from.x) * k;
    a->z = from.z + (to.z - from.z) * k;
    float turn = std::fmod(to.heading - from.heading + 540.0f, 360.0f) - 180.0f;
    float h = from.heading + turn * k;
    a->heading = h < 0 ? h + 360 : h >= 360 ? h - 360 : h;
    if (withPitch) a->pitch = from.pitch + (to.pitch - from.pitch) * k;
}

int strawAttempt; // the horse was asked to walk in the last update

} // namespace

void gameExitSceneUpdate(float frameTime) {
    if (exitDoor.pitch <= 0) {
        sceneTime = -1;
        return;
    }
    if (sceneTime < 0) {
        sceneTime = 0;
        startPlayer = poseOf(player);
        startHorse = poseOf(horse);
    }
    sceneTime += frameTime;
    const float s = sceneTime < exitSceneSeconds ? sceneTime / exitSceneSeconds : 1.0f;
    const float k = s * s * (3 - 2 * s); // eases in and out
    const int riding = record.riderState == 2;
    blend(&player, startPlayer, exitPose(0, riding), k, 1);
    blend(&horse, startHorse, exitPose(1, riding), k, 0);
}

void gameHintsFresh() {
    sceneTime = -1;
    strawAttempt = 0;
}

void gameHintsKept(float* sceneSeconds, float start[8], int* strawAsked) {
    *sceneSeconds = sceneTime;
    const Pose* poses[2] = {&startPlayer, &startHorse};
    for (int i = 0; i < 2; i++) {
        start[i * 4] = poses[i]->x, start[i * 4 + 1] = poses[i]->z;
        start[i * 4 + 2] = poses[i]->heading, start[i * 4 + 3] = poses[i]->pitch;
    }
    *strawAsked = strawAttempt;
}

void gameHintsSetKept(float sceneSeconds, const float start[8], int strawAsked) {
    sceneTime = sceneSeconds;
    startPlayer = Pose{start[0], start[1], start[2], start[3]};
    startHorse = Pose{start[4], start[5], start[6], start[7]};
    strawAttempt = strawAsked;
}

void gameStrawWarningUpdate() {
    const int riding = record.riderState == 2;
    const int walking = inputHeld(ACTION_STEP_LEFT) || inputHeld(ACTION_STEP_RIGHT) ||
                        inputHeld(ACTION_FORWARD) || inputHeld(ACTION_BACK);
    const int attempt =
        gameRouteHeld(ACTION_CALL_HORSE) || gameRouteHeld(ACTION_WALK_OUT) || (riding && walking);
    if (attempt && !strawAttempt && itemsStrawLeft() <= 0) {
        showMessage(textOf(TEXT_STRAW_NEEDED));
        captionSay(CAPTION_NO_STRAW, horse.x, horse.z);
    }
    strawAttempt = attempt;
}
