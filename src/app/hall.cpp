// SPDX-License-Identifier: GPL-3.0-or-later
// The hall of fame's table: a time's place and the typed name.
#include "app/hall.h"
#include <cstring>

int hallInsert(SettingsRecord* settings, float time) {
    int place = -1;
    for (int i = 0; i < hallPlaces; ++i) {
        if (time < settings->hallTimes[i]) {
            place = i;
            break;
        }
    }
    if (place < 0) return -1;
    for (int j = hallPlaces - 2; j >= place; --j) {
        settings->hallTimes[j + 1] = settings->hallTimes[j];
        memcpy(settings->hallNames[j + 1], settings->hallNames[j], sizeof settings->hallNames[j]);
    }
    memset(settings->hallNames[place], 0, sizeof settings->hallNames[place]);
    settings->hallTimes[place] = time;
    return place;
}

void hallNameKey(SettingsRecord* settings, int rank, unsigned char key) {
    if (rank < 0 || rank >= hallPlaces) return;
    char* name = settings->hallNames[rank];
    // A name from the settings file may lack its terminator; it is cut at the last byte.
    name[hallNameMax] = 0;
    size_t length = strlen(name);
    if (key == 8) {
        if (length > 0) name[length - 1] = 0;
        return;
    }
    if (key < 32 || key == 127) return;
    if (length < hallNameMax) {
        name[length] = char(key);
        name[length + 1] = 0;
    }
}
