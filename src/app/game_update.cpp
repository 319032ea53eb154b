// The game update's rules: walking by the held keys, the field of view, the contacts and the
// exit door. No GL, so the rules are testable without a window.
#include "app/game_frame.h"
#include "app/input.h"
#include "app/record.h"
#include "app/screens.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "maze/maze.h"
#include "setup/setup.h"
#include "sound/sound.h"

void gameMoveByKeys(float playerStep, float horseStep) {
    if (keyPageUp) followRoute(horseStep, &horse, &player);
    if (keyPageDown) followRoute(playerStep, &player, &horse);
    if (keyHome) {
        followExitPath(playerStep, &player);
        followExitPath(horseStep, &horse);
        return;
    }
    int held = (keyLeft != 0) + (keyRight != 0) + (keyUp != 0) + (keyDown != 0);
    if (held == 0) return;
    float step = playerStep / float(held);
    if (keyLeft) {
        strafeLeft(&player, step);
        mazeCollide(&maze, &player);
    }
    if (keyRight) {
        strafeRight(&player, step);
        mazeCollide(&maze, &player);
    }
    if (keyUp) {
        stepForward(&player, step);
        mazeCollide(&maze, &player);
    }
    if (keyDown) {
        stepBack(&player, step);
        mazeCollide(&maze, &player);
    }
}

void gameFieldOfView() {
    if (keyFovDown) {
        record.fieldOfView -= 1;
        setupStoreView(&record);
    }
    if (keyFovUp) {
        record.fieldOfView += 1;
        setupStoreView(&record);
    }
}

// A spider pushes whoever it touches back to the middle of the cell they stand in.
static void centreInCell(Actor* a) {
    a->x = float(int(a->x)) + 0.5f;
    a->z = float(int(a->z)) + 0.5f;
}

// Picks up what a touches, with each kind's sound where it was picked up.
static void collectWithSound(const Actor* a) {
    static const int pickSound[4] = {SOUND_STRAW, SOUND_OILCAN, SOUND_DIAMOND, SOUND_SPIDER_CAUGHT};
    float before[4];
    for (int row = 0; row < 4; row++) before[row] = inventory[row];
    collectItems(a);
    for (int row = 0; row < 4; row++)
        if (inventory[row] > before[row]) soundPlay(pickSound[row], a->x, a->y, a->z);
}

void gameContacts() {
    collectWithSound(&player);
    collectWithSound(&horse);
    collectWithSound(&shot);
    moveCreatures();
    if (actorsTouch(&player, &horse)) {
        actorRevert(&player, &horse);
    } else {
        actorOdometer(&player);
        actorOdometer(&horse);
    }
    ModelEntry& spiders = modelTable[ROW_SPIDER];
    for (int i = 0; i < spiders.count; ++i) {
        if (actorsTouch(&spiders.entities[i], &player)) centreInCell(&player);
        if (actorsTouch(&spiders.entities[i], &horse)) centreInCell(&horse);
    }
    if (actorsTouch(&horse, &shot)) fadeOut();
}

static int inExitCell(const Actor* a) {
    int exit = record.mazeSize - 1;
    return int(a->x) == exit && int(a->z) == exit;
}

void exitDoorUpdate(float frameTime) {
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
    return exitDoor.pitch > 1;
}
