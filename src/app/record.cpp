// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/record.h"

SettingsRecord record;
int portalCulling;
int backfaceCull;
int stencilValid;
int bossScreen;

Stage recordStageOf(int windowWidth, int windowHeight) {
    Stage s{0, 0, windowWidth > 0 ? windowWidth : 1, windowHeight > 0 ? windowHeight : 1};
    if (s.width * 3 > s.height * 4) { // wider than 4:3: bands left and right
        int width = (s.height * 4 + 1) / 3;
        s.x = (s.width - width) / 2;
        s.width = width;
    } else if (s.width * 3 < s.height * 4) { // narrower: bands above and below
        int height = (s.width * 3 + 2) / 4;
        s.y = (s.height - height) / 2;
        s.height = height;
    }
    return s;
}

Stage recordStage() {
    return recordStageOf(record.windowWidth, record.windowHeight);
}

void recordTakeRules(int32_t fullLevel, int32_t strawDistance, int32_t oilSeconds, int32_t gameSpeed) {
    record.fullLevel = fullLevel;
    record.strawDistance = strawDistance;
    record.oilSeconds = oilSeconds;
    record.gameSpeed = gameSpeed;
}

int recordSlowerPace() {
    return record.gameSpeed >= 50 && record.gameSpeed < 100;
}

float recordStepTime() {
    return recordSlowerPace() ? record.frameTime * float(record.gameSpeed) / 100.0f : record.frameTime;
}

float recordStepClock() {
    return recordSlowerPace() ? record.gameTime * float(record.gameSpeed) / 100.0f : record.gameTime;
}
