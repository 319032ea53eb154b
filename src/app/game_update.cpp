// SPDX-License-Identifier: GPL-3.0-or-later
// The game update's rules: walking by the held keys, the field of view, the contacts and the
// exit door. No GL, so the rules are testable without a window.
#include "app/game_update.h"
#include "app/captions.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "app/input.h"
#include "app/lang.h"
#include "app/record.h"
#include "app/game_state.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "game/rider.h"
#include "maze/maze.h"
#include "setup/setup.h"
#include "text/hud.h"

static int horseHit;

int gameHorseHit() {
    return horseHit;
}

void gameSetHorseHit(int hit) {
    horseHit = hit;
}

// Each of the n held arrows moves the player by step / n, with a collision after each move.
static void walkByArrows(float playerStep) {
    int held = (inputHeld(ACTION_STEP_LEFT) != 0) + (inputHeld(ACTION_STEP_RIGHT) != 0) +
               (inputHeld(ACTION_FORWARD) != 0) + (inputHeld(ACTION_BACK) != 0);
    if (held == 0) return;
    float step = playerStep / float(held);
    if (inputHeld(ACTION_STEP_LEFT)) {
        strafeLeft(&player, step);
        mazeCollide(&maze, &player);
    }
    if (inputHeld(ACTION_STEP_RIGHT)) {
        strafeRight(&player, step);
        mazeCollide(&maze, &player);
    }
    if (inputHeld(ACTION_FORWARD)) {
        stepForward(&player, step);
        mazeCollide(&maze, &player);
    }
    if (inputHeld(ACTION_BACK)) {
        stepBack(&player, step);
        mazeCollide(&maze, &player);
    }
}

static int inExitCell(const Actor* a) {
    int exit = record.mazeSize - 1;
    return int(a->x) == exit && int(a->z) == exit;
}

int gameRouteHeld(int action) {
    if (record.routeKeys != 1) return inputHeld(action);
    return gameState.tappedRoute == action;
}

void gameRouteTaps(const unsigned char* presses, int count, int stickWalks) {
    if (record.routeKeys != 1) {
        gameState.tappedRoute = 0;
        return;
    }
    for (int i = 0; i < count; i++) {
        const int route = presses[i];
        if (route == ACTION_CALL_HORSE || route == ACTION_GO_TO_HORSE || route == ACTION_WALK_OUT)
            gameState.tappedRoute = gameState.tappedRoute == route ? 0 : route;
    }
    const int walking = inputHeld(ACTION_FORWARD) || inputHeld(ACTION_BACK) || inputHeld(ACTION_STEP_LEFT) ||
                        inputHeld(ACTION_STEP_RIGHT) || stickWalks;
    if (walking) gameState.tappedRoute = 0;
}

void gameRouteArrival() {
    int arrived = 0;
    switch (gameState.tappedRoute) {
    case ACTION_CALL_HORSE:
        arrived = riderMounted() || actorWalkPhase(WALK_CALL_HORSE) == 4;
        break;
    case ACTION_GO_TO_HORSE:
        arrived = riderMounted() || actorWalkPhase(WALK_TO_HORSE) == 4;
        break;
    case ACTION_WALK_OUT:
        arrived = inExitCell(&player) && inExitCell(&horse);
        break;
    default:
        break;
    }
    if (arrived) gameState.tappedRoute = 0;
}

// A walk starts anew when it starts to lead: its key went down, or Home, which leads over the
// route keys, was let go while the route key is still held.
static int calling, going, walkingOut; // the route keys and Home led in the last step

static void startWalksThatLead(int callHorse, int goToHorse) {
    if (callHorse && !calling) actorWalkRestart(WALK_CALL_HORSE);
    if (goToHorse && !going) actorWalkRestart(WALK_TO_HORSE);
    if (gameRouteHeld(ACTION_WALK_OUT) && !walkingOut) {
        actorWalkRestart(WALK_OUT);
        actorWalkRestart(WALK_HORSE_OUT);
    }
    calling = callHorse, going = goToHorse, walkingOut = gameRouteHeld(ACTION_WALK_OUT);
}

static float stickSide, stickDown; // the left stick of the step under way

void gameStickHold(float side, float down) {
    stickSide = side, stickDown = down;
}

void gameMoveByKeys(float playerStep, float horseStep) {
    const int out = gameRouteHeld(ACTION_WALK_OUT);
    int callHorse = gameRouteHeld(ACTION_CALL_HORSE) && !out && !riderMounted(),
        goToHorse = gameRouteHeld(ACTION_GO_TO_HORSE) && !out && !riderMounted();
    startWalksThatLead(callHorse, goToHorse);
    if (callHorse) actorWalkStep(WALK_CALL_HORSE, horseStep);
    if (goToHorse) actorWalkStep(WALK_TO_HORSE, playerStep);
    if (out) {
        actorWalkStep(WALK_OUT, playerStep);
        if (!riderMounted()) actorWalkStep(WALK_HORSE_OUT, horseStep);
    } else {
        walkByArrows(playerStep);
        gameStickWalk(playerStep, stickSide, stickDown);
    }
    if (riderMounted()) riderCarryHorse();
}

void gameStickWalk(float playerStep, float side, float down) {
    if (side == 0 && down == 0) return;
    float forward = -down, length = hypotf(side, forward), parts = fabsf(side) + fabsf(forward);
    float ahead = playerStep * length * forward / parts, across = playerStep * length * side / parts;
    if (ahead != 0) {
        (ahead > 0 ? stepForward : stepBack)(&player, fabsf(ahead));
        mazeCollide(&maze, &player);
    }
    if (across != 0) {
        (across > 0 ? strafeRight : strafeLeft)(&player, fabsf(across));
        mazeCollide(&maze, &player);
    }
}

// The look speed's unit: degrees per second at full deflection per step of padLookSpeed.
static const float lookDegreesPerStep = 24.0f;

void gameStickLook(float frameTime, float x, float y) {
    if (x == 0 && y == 0) return;
    const float turn = lookDegreesPerStep * float(record.padLookSpeed) * frameTime;
    player.heading += x * turn;
    player.pitch += (record.invertMouse ? -y : y) * turn;
    player.heading = fmodf(player.heading, 360.0f);
    if (player.heading < 0) player.heading += 360;
    if (player.pitch > 40) player.pitch = 40;
    if (player.pitch < -40) player.pitch = -40;
}

// F9 and F10 change the view by this many degrees per second, within the bounds.
static const float fovDegreesPerSecond = 30;
static float fovChange; // degrees asked for and not yet a whole degree

static int fovUnstored; // 1 while the view changed by F9 or F10 waits to be kept
int gameKeepsView = 1;

void gameUpdateFresh() {
    calling = going = walkingOut = 0;
    fovChange = 0;
    stickSide = stickDown = 0;
}

void gameWalksLed(int led[3]) {
    led[0] = calling, led[1] = going, led[2] = walkingOut;
}

void gameSetWalksLed(const int led[3]) {
    calling = led[0], going = led[1], walkingOut = led[2];
}

float gameFieldOfViewPart() {
    return fovChange;
}

void gameSetFieldOfViewPart(float part) {
    fovChange = part;
}

void gameFieldOfViewKeep() {
    if (fovUnstored && gameKeepsView) setupStoreView(&record);
    fovUnstored = 0;
}

void gameFieldOfViewMessage(int degrees) {
    // TRANSLATORS: F9 and F10's message in the status field, at most 31 characters.
    const char* text = langText("Field of view %d°");
    char line[sizeof record.messageText];
    snprintf(line, sizeof line, text, degrees);
    // The font reads Latin-1: the English text's UTF-8 degree sign becomes the one byte.
    for (char* p = strstr(line, "\xC2\xB0"); p; p = strstr(p, "\xC2\xB0")) memmove(p, p + 1, strlen(p));
    showMessage(line);
}

void gameFieldOfView() {
    int way = (inputHeld(ACTION_WIDER) != 0) - (inputHeld(ACTION_NARROWER) != 0);
    if (way == 0) {
        fovChange = 0;
        // Kept once the key is let go: a synced write of the settings file in every second the key
        // is held would stall the frames it falls into.
        gameFieldOfViewKeep();
        return;
    }
    fovChange += float(way) * fovDegreesPerSecond * record.frameTime;
    int whole = int(fovChange);
    fovChange -= float(whole);
    int now = record.fieldOfView, next = now + whole;
    // A value from outside the bounds only moves towards them.
    if (whole > 0 && next > fieldOfViewMost) next = now > fieldOfViewMost ? now : fieldOfViewMost;
    if (whole < 0 && next < fieldOfViewLeast) next = now < fieldOfViewLeast ? now : fieldOfViewLeast;
    if (next == now) return;
    record.fieldOfView = next;
    gameFieldOfViewMessage(next);
    static int keepAtExit;
    if (!keepAtExit) keepAtExit = atexit(gameFieldOfViewKeep) == 0; // Escape while the key is held
    fovUnstored = 1;
}

static void centreInCell(Actor* a) {
    a->x = float(int(a->x)) + 0.5f;
    a->z = float(int(a->z)) + 0.5f;
}

// Picks up what a touches, with each kind's sound and caption where it was picked up.
static void collectWithSound(const Actor* a) {
    static const CaptionId pickCaption[4] = {CAPTION_STRAW, CAPTION_OIL, CAPTION_DIAMOND,
                                             CAPTION_SPIDER_CAUGHT};
    float before[4];
    for (int row = 0; row < 4; row++) before[row] = inventory[row];
    itemsCollect(a);
    for (int row = 0; row < 4; row++)
        if (inventory[row] > before[row]) {
            if (gameOut.pickedUp) gameOut.pickedUp(row, a->x, a->y, a->z);
            captionSay(pickCaption[row], a->x, a->z);
        }
}

// How much this frame's move of the mover brought it nearer the other body where that stands now.
static float approach(const Actor* mover, const Actor* other) {
    Actor before = *mover;
    before.x = mover->prevX;
    before.z = mover->prevZ;
    return actorFloorDistance(&before, other) - actorFloorDistance(mover, other);
}

static void goBack(Actor* a) {
    a->x = a->prevX;
    a->y = a->prevY;
    a->z = a->prevZ;
}

// Player and horse never overlap: the one whose move closed the gap goes back, the one walking
// away or standing stays; when both closed it and still touch, both go back.
static void keepApart() {
    if (!actorsTouch(&player, &horse)) return;
    float p = approach(&player, &horse), h = approach(&horse, &player);
    Actor* first = p >= h ? &player : &horse;
    Actor* second = p >= h ? &horse : &player;
    if ((p > h ? p : h) > 0) goBack(first);
    if ((p > h ? h : p) > 0 && actorsTouch(&player, &horse)) goBack(second);
}

// The arrow meets the horse as it is drawn: a body 0.2 long each way from its middle, standing on
// the floor up to its back at 0.47.
static int arrowMeetsHorse() {
    return shotState == 1 && !riderMounted() && actorFloorDistance(&shot, &horse) < 0.2f && shot.y > 0 &&
           shot.y < 0.5f;
}

// Picks up what the walker reaches; a spider taken pushes the walker back to the middle of its
// cell first, which costs the walker a moment.
static void walkerPicksUp(Actor* a) {
    float spiders = inventory[ROW_SPIDER];
    collectWithSound(a);
    if (inventory[ROW_SPIDER] > spiders) centreInCell(a);
}

void gameShot() {
    if (shotState != 1) {
        shotUpdate();
        return;
    }
    // The flight in short moves, each looked at: a slow frame neither jumps over the horse nor
    // over what the arrow picks up, and it stops at the rock it meets.
    const float t = recordStepTime();
    int steps = actorShotSubSteps(t);
    for (int i = 0; i < steps; i++) {
        int open = actorShotFly(t / float(steps));
        if (arrowMeetsHorse() && !horseHit) {
            horseHit = 1;
            fadeOut();
        }
        if (!open || horseHit) return;
        collectWithSound(&shot);
    }
}

void gameContacts() {
    // Whatever put a body into rock, it goes back to the nearest open place.
    mazeFreeBody(&maze, &player);
    if (!riderMounted()) mazeFreeBody(&maze, &horse);
    walkerPicksUp(&player);
    if (riderMounted()) {
        riderCarryHorse(); // the rider's push carries the horse too
        collectWithSound(&horse);
    } else {
        walkerPicksUp(&horse);
    }
    if (shotState == 1) collectWithSound(&shot);
    itemsMoveCreatures();
    if (!riderMounted()) keepApart();
    actorOdometer(&player);
    actorOdometer(&horse);
    if (arrowMeetsHorse() && !horseHit) {
        horseHit = 1;
        fadeOut();
    }
    riderUpdate(gameRouteHeld(ACTION_CALL_HORSE) && !gameRouteHeld(ACTION_WALK_OUT));
}

void gameExitDoorUpdate(float frameTime) {
    float& angle = exitDoor.pitch;
    if (angle == 0) {
        if (inventory[ROW_DIAMOND] >= float(record.diamondsNeeded) && inExitCell(&player) &&
            inExitCell(&horse))
            angle += frameTime * 10;
    } else if (angle > 0 && angle < 100) {
        angle += frameTime * 10;
    } else if (angle >= 100) {
        if (gameState.fadeState != 4) fadeOut();
    }
}

int gameWon() {
    return exitDoor.pitch > 1 && !horseHit;
}
