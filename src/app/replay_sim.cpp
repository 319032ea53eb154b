// SPDX-License-Identifier: GPL-3.0-or-later
// A replay through the game's step, without a window.
#include "app/replay_sim.h"
#include <cstdio>
#include <cstring>
#include "app/game_state.h"
#include "app/game_step.h"
#include "app/game_update.h"
#include "app/random.h"
#include "app/record.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "game/run_save.h"
#include "maze/maze.h"
#include "setup/mine_code.h"

int replaySimPrepare(const ReplayHeader* h, std::string* why) {
    MineCode code;
    const char* refused = "";
    if (!mineCodeParse(h->code, &code, &refused)) return *why = std::string("names a mine code that ") + refused, 0;
    replayHeaderToRecord(h);
    for (int row = 0; row < MODEL_ROWS; row++) modelTable[row].count = 0;
    randomSeed(code.seed);
    mazeBuild(&maze, record.mazeSize);
    itemsPlace(&maze);
    resetInventory();
    return 1;
}

int replaySimEnter(const ReplayItem* segment, std::string* why) {
    RunSave kept;
    if (!segment->kept.empty()) {
        const char* refused = "";
        if (!runSaveParse(segment->kept.data(), segment->kept.size(), &kept, &refused))
            return *why = std::string("holds a kept run that ") + refused, 0;
    }
    // As entering the game screen does.
    actorsPlaceForGame();
    gameSetHorseHit(0);
    gameStepFresh();
    memset(&shot, 0, sizeof shot);
    explosionTime = 0;
    shotState = int(segment->shotState);
    record.running = 1;
    gameState.fadeState = 0; // the game screen fades in from black, whatever came before
    fadeIn();
    timerReset();
    if (!segment->kept.empty()) {
        runSaveApply(&kept);
        if (runSaveClock(&kept) >= 0)
            timingSetGameTicks(runSaveClock(&kept));
        else
            timingSetGameTime(kept.gameTime);
    }
    return 1;
}

std::string replaySimKeptText(const char* code) {
    RunSave s;
    runSaveCapture(&s, code);
    runSaveSetClock(&s, timingGameTicks());
    return runSaveFormat(&s);
}

// The state now as the kept run stored with a segment holds it: a save of the second version holds
// no walks, no exit scene and no view, and is compared without them.
static std::string keptAsStored(const char* code, const std::string& stored) {
    RunSave now, read;
    const char* refused = "";
    runSaveCapture(&now, code);
    runSaveSetClock(&now, timingGameTicks());
    if (runSaveParse(stored.data(), stored.size(), &read, &refused) && !read.exact) now.exact = 0;
    return runSaveFormat(&now);
}

const char* replayEndName(int kind) {
    return kind == REPLAY_WON ? "won" : kind == REPLAY_LOST ? "lost" : "left";
}

static int differs(ReplayCheck* c, const char* why) {
    c->reached = 0;
    c->badFrame = c->frames;
    c->why = why;
    return 0;
}

int replaySimCheck(ReplayReader* r, ReplayCheck* c) {
    *c = ReplayCheck();
    replayRewind(r);
    std::string why;
    if (!replaySimPrepare(&r->header, &why)) return differs(c, "the mine cannot be built");
    if (randomState() != r->header.generator) return differs(c, "the generator at the start differs");
    ReplayItem item;
    while (replayNext(r, &item)) {
        switch (item.kind) {
        case REPLAY_ITEM_SEGMENT:
            if (c->over) return differs(c, "the run had ended before a segment that goes on");
            if (!item.kept.empty() && keptAsStored(r->header.code, item.kept) != item.kept)
                return differs(c, "the kept run differs from the state reached");
            if (!replaySimEnter(&item, &why)) return differs(c, "the kept run cannot be read");
            break;
        case REPLAY_ITEM_PLAY:
            replayPlayToRecord(&item.play);
            break;
        case REPLAY_ITEM_FRAME:
            if (c->over) return differs(c, "frames follow the end the run reached");
            c->over = gameStep(&item.in, item.ticks);
            c->frames++;
            if (c->over) c->won = gameWon(), record.finalTime = record.gameTime;
            break;
        case REPLAY_ITEM_DIGEST:
            if (gameStepDigest() != item.digest) return differs(c, "the state differs from the recorded digest");
            break;
        case REPLAY_ITEM_END: {
            c->gameTicks = timingGameTicks();
            c->finalTime = c->over ? record.finalTime : record.gameTime;
            c->diamonds = int(inventory[ROW_DIAMOND] + 0.5f);
            const int kind = !c->over ? REPLAY_LEFT : c->won ? REPLAY_WON : REPLAY_LOST;
            if (kind != item.end.kind) return differs(c, "the run ends otherwise than recorded");
            if (c->gameTicks != item.end.gameTicks) return differs(c, "the game clock at the end differs");
            if (c->finalTime != item.end.finalTime) return differs(c, "the time at the end differs");
            if (c->diamonds != item.end.diamonds) return differs(c, "the diamonds at the end differ");
            c->reached = 1;
            return 1;
        }
        default:
            break;
        }
    }
    c->gameTicks = timingGameTicks();
    c->finalTime = c->over ? record.finalTime : record.gameTime;
    c->diamonds = int(inventory[ROW_DIAMOND] + 0.5f);
    return differs(c, "the file holds no end");
}
