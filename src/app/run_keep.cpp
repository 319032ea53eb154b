// SPDX-License-Identifier: GPL-3.0-or-later
// The saved run taken from the game's state and put back into it.
#include <cstring>
#include "app/game_hints.h"
#include "app/game_state.h"
#include "app/game_update.h"
#include "app/record.h"
#include "game/items.h"
#include "game/rider.h"
#include "game/run_save.h"

void runSaveCapture(RunSave* s, const char* code) {
    memset(s, 0, sizeof *s);
    snprintf(s->code, sizeof s->code, "%s", code);
    s->fullLevel = record.fullLevel;
    s->strawDistance = record.strawDistance;
    s->oilSeconds = record.oilSeconds;
    s->gameSpeed = recordSlowerPace() ? record.gameSpeed : 100;
    s->gameTime = record.gameTime;
    s->riderState = record.riderState == 2 ? 2 : 0;
    memcpy(s->inventory, inventory, sizeof s->inventory);
    runSaveSetClock(s, -1); // the caller, who has the clock, sets it
    s->shotState = shotState;
    s->explosionTime = explosionTime;
    actorCopy(&s->shot, &shot);
    s->dismountedAt = riderDismountedAt();
    actorCopy(&s->player, &player);
    actorCopy(&s->horse, &horse);
    actorCopy(&s->door, &exitDoor);
    s->exact = 1;
    for (int w = 0; w < WALK_COUNT; w++) s->walkPhase[w] = actorWalkPhase(ActorWalk(w));
    int led[3];
    gameWalksLed(led);
    for (int i = 0; i < 3; i++) s->walksLed[i] = led[i];
    s->tappedRoute = gameState.tappedRoute;
    for (int copy = 0; copy < 2; copy++)
        if (runSaveRouteInUse(s, copy))
            memcpy(s->routes[copy], actorWalkRoute(copy == 0 ? WALK_TO_HORSE : WALK_CALL_HORSE),
                   MAZE_CAPACITY);
    int strawAsked = 0;
    gameHintsKept(&s->sceneSeconds, s->sceneStart, &strawAsked);
    s->strawAsked = strawAsked;
    s->viewPart = gameFieldOfViewPart();
    s->fadeState = gameState.fadeState;
    s->fadeLevel = gameState.fadeLevel;
    for (int row = 0; row < RUN_ITEM_ROWS; row++) {
        const ModelEntry& e = modelTable[row];
        s->itemCount[row] =
            !e.entities || e.count < 0 ? 0 : (e.count > MAX_INSTANCES ? MAX_INSTANCES : e.count);
        for (int i = 0; i < s->itemCount[row]; i++) actorCopy(&s->items[row][i], &e.entities[i]);
    }
}

void runSaveApply(const RunSave* s) {
    recordTakeRules(s->fullLevel, s->strawDistance, s->oilSeconds, s->gameSpeed);
    record.gameTime = s->gameTime;
    record.riderState = s->riderState;
    memcpy(inventory, s->inventory, sizeof s->inventory);
    shotState = s->shotState;
    explosionTime = s->explosionTime;
    actorCopy(&shot, &s->shot);
    riderSetDismountedAt(s->dismountedAt);
    actorCopy(&player, &s->player);
    actorCopy(&horse, &s->horse);
    actorCopy(&exitDoor, &s->door);
    if (s->exact) {
        for (int w = 0; w < WALK_COUNT; w++) actorWalkSetPhase(ActorWalk(w), s->walkPhase[w]);
        const int led[3] = {s->walksLed[0], s->walksLed[1], s->walksLed[2]};
        gameSetWalksLed(led);
        gameState.tappedRoute = s->tappedRoute;
        for (int copy = 0; copy < 2; copy++)
            if (runSaveRouteInUse(s, copy))
                memcpy(actorWalkRoute(copy == 0 ? WALK_TO_HORSE : WALK_CALL_HORSE), s->routes[copy],
                       MAZE_CAPACITY);
        gameHintsSetKept(s->sceneSeconds, s->sceneStart, s->strawAsked);
        gameSetFieldOfViewPart(s->viewPart);
        // A run left while it faded out goes on fading out; otherwise the screen fades in as entered.
        if (s->fadeState == 3) gameState.fadeState = 3, gameState.fadeLevel = s->fadeLevel;
    }
    for (int row = 0; row < RUN_ITEM_ROWS; row++) {
        ModelEntry& e = modelTable[row];
        if (!e.entities) continue; // a row without room for instances holds none
        e.count = s->itemCount[row];
        for (int i = 0; i < e.count; i++) actorCopy(&e.entities[i], &s->items[row][i]);
    }
}
