// Placeholder until the settings storage lands: fills the record with first-run defaults.
#include "setup/setup.h"
#include <cstring>

extern "C" void setupShow(int) {}

extern "C" void setupLoad(SettingsRecord* r) {
    r->windowWidth = r->windowedWidth = 1024;
    r->windowHeight = r->windowedHeight = 768;
    r->shadeMode = 2;
    r->textureMode = 2;
    r->fieldOfView = 60;
    r->running = 1;
    r->mouseSpeed = 5;
    r->mazeSize = 16;
    r->itemsPerKind = 5;
    r->fullLevel = 4;
    r->diamondsNeeded = 3;
    r->strawDistance = 20;
    r->oilSeconds = 60;
    r->useDisplayLists = 1;
    r->distanceLod = 1;
    for (int i = 0; i < 5; i++) r->hallTimes[i] = 30000;
}

extern "C" void setupStoreScores(SettingsRecord*) {}
extern "C" void setupStoreView(SettingsRecord*) {}
