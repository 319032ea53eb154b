// SPDX-License-Identifier: GPL-3.0-or-later
// What the player hears in the mine: the game's bodies set the listener and the sources, and the changes
// of one frame (a stride completed, the shot fired or burst, the door moving) start the sounds.
#include "app/game_sound.h"
#include "app/captions.h"
#include "app/game_state.h"
#include "app/pad.h"
#include "app/record.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "sound/sound.h"

// Steps and hoof beats come per distance walked, so their pace follows the walking speed.
static const float STRIDE = 0.25f;
static const float HOOF_BEAT = 0.3f;
static float nextStep, nextHoof;
static int lastShotState;
static float lastDoorAngle;
static float hoovesSaid;      // the clock's time the hooves were last captioned
static float hoofDistanceWas; // the horse's distance from the player at the last hoof beat

// An item picked up: its kind's sound where it was, and the pad's rumble.
static void pickedUp(int row, float x, float y, float z) {
    static const int pickSound[4] = {SOUND_STRAW, SOUND_OILCAN, SOUND_DIAMOND, SOUND_SPIDER_CAUGHT};
    if (row >= 0 && row < 4) soundPlay(pickSound[row], x, y, z);
    padRumble();
}

void gameSoundsStart() {
    gameOut.frameSounds = gameSounds;
    gameOut.pickedUp = pickedUp;
    nextStep = player.distance + STRIDE;
    nextHoof = horse.distance + HOOF_BEAT;
    lastShotState = shotState;
    lastDoorAngle = exitDoor.pitch;
    captionsReset();
    hoovesSaid = -captionRepeatSeconds;
    hoofDistanceWas = actorFloorDistance(&horse, &player);
    soundLoopHere(0, SOUND_AMBIENCE);
}

// The hooves are news while the horse comes nearer on its own (not carrying its rider).
static void hoovesCaption() {
    const float distance = actorFloorDistance(&horse, &player);
    const int coming = record.riderState != 2 && distance < hoofDistanceWas;
    hoofDistanceWas = distance;
    if (!coming || (record.gameTime - hoovesSaid < captionRepeatSeconds && record.gameTime >= hoovesSaid))
        return;
    hoovesSaid = record.gameTime;
    captionSay(CAPTION_HOOVES, horse.x, horse.z);
}

void gameSounds() {
    soundListener(player.x, player.y, player.z, player.heading);
    if (player.distance >= nextStep) {
        nextStep = player.distance + STRIDE;
        if (record.riderState != 2) soundPlay(SOUND_STEP, player.x, 0, player.z); // a rider makes no steps
    }
    if (horse.distance >= nextHoof) {
        nextHoof = horse.distance + HOOF_BEAT;
        soundPlay(SOUND_HOOF, horse.x, 0, horse.z);
        hoovesCaption();
    }
    if (shotState == 1 && lastShotState == 0) soundPlay(SOUND_BOW, player.x, player.y, player.z);
    if (shotState == 2 && lastShotState == 1) {
        soundPlay(SOUND_HIT, shot.x, shot.y, shot.z);
        captionSay(CAPTION_ARROW, shot.x, shot.z);
        padRumble();
    }
    lastShotState = shotState;
    if (exitDoor.pitch > 0 && lastDoorAngle == 0) {
        soundPlay(SOUND_DOOR, exitDoor.x, 0.5f, exitDoor.z);
        captionSay(CAPTION_DOOR, exitDoor.x, exitDoor.z);
    }
    lastDoorAngle = exitDoor.pitch;
    const ModelEntry& spiders = modelTable[ROW_SPIDER];
    for (int i = 0; i + 1 < SOUND_LOOPS; i++) {
        if (i < spiders.count)
            soundLoop(i + 1, SOUND_SPIDERS, spiders.entities[i].x, spiders.entities[i].y,
                      spiders.entities[i].z);
        else
            soundLoopStop(i + 1);
    }
    captionSpiders();
}

void gameSoundsEnd(int won) {
    for (int c = 0; c < SOUND_LOOPS; c++) soundLoopStop(c);
    if (won >= 0) soundPlayHere(won ? SOUND_WON : SOUND_LOST);
}
