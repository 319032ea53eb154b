// SPDX-License-Identifier: GPL-3.0-or-later
// One step of the running game: the rules in their fixed order, fed by one input record.
#include "app/game_step.h"
#include <cmath>
#include <cstring>
#include "app/game_hints.h"
#include "app/game_state.h"
#include "app/game_update.h"
#include "app/input.h"
#include "app/random.h"
#include "app/record.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "game/rider.h"
#include "text/hud.h"
#include "text/texts.h"

static_assert(ACTION_ALL <= 64, "the held actions fit a record's 64 bits");


void gameReadyShot() {
    if (shotState == 0) shotState = 1;
    showMessage(textSwitch(SWITCH_SHOOT));
}

uint64_t gameStepHeldNow() {
    uint64_t held = 0;
    for (int a = 0; a < ACTION_ALL; a++)
        if (inputHeld(a)) held |= uint64_t(1) << a;
    return held;
}

void gameStepHoldAll(uint64_t held) {
    for (int a = 0; a < ACTION_ALL; a++) inputHold(a, int((held >> a) & 1));
}

int gameStepTakesPress(int action) {
    return action == ACTION_RIDE || action == ACTION_SHOOT || action == ACTION_CALL_HORSE ||
           action == ACTION_GO_TO_HORSE || action == ACTION_WALK_OUT;
}

void gameStepPress(StepInput* in, int action) {
    if (!gameStepTakesPress(action)) return;
    if (in->pressCount < stepPressMax) in->presses[in->pressCount++] = uint8_t(action);
}

// The view turned by the record's pointer and right stick, round within a circle and up and down
// within 40 degrees.
void gameStepLook(float yaw, float pitch) {
    if (yaw != 0 || pitch != 0) {
        player.heading += yaw;
        player.pitch += pitch;
        if (player.heading > 360 || player.heading < 0) {
            player.heading = fmodf(player.heading, 360.0f);
            if (player.heading < 0) player.heading += 360;
        }
        if (player.pitch > 40) player.pitch = 40;
        if (player.pitch < -40) player.pitch = -40;
    }
}

static void look(const StepInput* in) {
    gameStepLook(in->lookYaw, in->lookPitch);
    gameStickLook(record.frameTime, in->lookX, in->lookY);
}

// The fade of the game screen moves on with the step (an expose of the window does not move it).
static void fadeStep() {
    int32_t& state = gameState.fadeState;
    if (state == 2) state = 0;
    if (state != 1 && state != 3) return;
    gameState.fadeLevel += record.frameTime * 100.0f / 2.0f;
    if (gameState.fadeLevel >= 99.0f) state = state == 1 ? 2 : 4;
}

void gameStepActPresses(const StepInput* in) {
    for (int i = 0; i < in->pressCount && i < stepPressMax; i++) {
        if (in->presses[i] == ACTION_RIDE) riderToggle();
        if (in->presses[i] == ACTION_SHOOT) gameReadyShot();
    }
}

void gameStepFresh() {
    gameState.tappedRoute = 0; // a walk tapped in an earlier run or segment goes no further
    gameUpdateFresh();
    gameHintsFresh();
    riderFresh();
}

int gameStep(const StepInput* in, int64_t ticks) {
    timingAdvance(ticks);
    gameStepHoldAll(in->held);
    gameStepActPresses(in);
    gameRouteTaps(in->presses, in->pressCount < stepPressMax ? int(in->pressCount) : int(stepPressMax),
                  in->walkX != 0 || in->walkY != 0);
    gameShot();
    float playerStep, horseStep;
    itemsStepSizes(&playerStep, &horseStep);
    gameStickHold(in->walkX, in->walkY);
    gameMoveByKeys(playerStep, horseStep);
    gameRouteArrival();
    look(in);
    gameFieldOfView();
    gameContacts();
    gameStrawWarningUpdate();
    // The game's pace slows what moves in the mine; the fade and the look keep real time.
    gameExitSceneUpdate(recordStepTime());
    if (gameOut.frameSounds) gameOut.frameSounds();
    fadeStep();
    gameExitDoorUpdate(recordStepTime());
    shotBurst(recordStepTime());
    return gameState.fadeState == 4;
}

// FNV-1a over the bytes given.
static uint64_t mix(uint64_t h, const void* data, size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; i++) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

static uint64_t mixActor(uint64_t h, const Actor* a) {
    return mix(h, a, sizeof *a); // fifteen floats, no padding
}

uint64_t gameStepDigest() {
    uint64_t h = 14695981039346656037ull;
    h = mixActor(h, &player);
    h = mixActor(h, &horse);
    h = mixActor(h, &exitDoor);
    h = mixActor(h, &shot);
    for (int row = 0; row < 4; row++) {
        const ModelEntry& e = modelTable[row];
        h = mix(h, &e.count, sizeof e.count);
        for (int i = 0; i < e.count && e.entities; i++) h = mixActor(h, &e.entities[i]);
    }
    h = mix(h, inventory, sizeof inventory);
    const int32_t counters[5] = {shotState, record.riderState, gameState.fadeState, gameHorseHit(), routePhase};
    h = mix(h, counters, sizeof counters);
    // A walk started by a tap (never under hold, so the digests of held runs stay as they were).
    if (gameState.tappedRoute) h = mix(h, &gameState.tappedRoute, sizeof gameState.tappedRoute);
    h = mix(h, &gameState.fadeLevel, sizeof gameState.fadeLevel);
    const int64_t ticks = timingGameTicks();
    h = mix(h, &ticks, sizeof ticks);
    const uint32_t generator = randomState();
    return mix(h, &generator, sizeof generator);
}
