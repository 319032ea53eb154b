// SPDX-License-Identifier: GPL-3.0-or-later
// The one settings block the game and the settings library exchange.
// Its byte layout is shared with libgrolksetup.so: every offset is pinned below.
#pragma once
#include <cstddef>
#include <cstdint>

enum { KEY_ACTION_COUNT = 15 }; // the game's keys, one per action (setup/key_table.h)
enum { KEY_SWITCH_COUNT = 11 }; // the rendering switches' keys, one per switch (setup/key_table.h)

#pragma pack(push, 4)
struct SettingsRecord {
    char gameModeString[32]; // toolkit game-mode string; empty: windowed
    int32_t windowWidth;     // current window size, kept by reshape
    int32_t windowHeight;
    int32_t windowedWidth; // size restored when full screen is left
    int32_t windowedHeight;
    int32_t fullScreen;  // 0/1, key F
    int32_t shadeMode;   // 0 wireframe, 1 flat, 2 smooth
    int32_t textureMode; // 0 off, 1 textures, 2 mipmaps
    int32_t fieldOfView; // degrees, F9/F10
    uint8_t running;     // nonzero: clocks and animation run
    uint8_t reserved41[7];
    int64_t perfFrequency;   // clock ticks per second
    int64_t frameStartCount; // tick at which the current frame began
    int64_t nowCount;        // tick of the latest reading
    int32_t showFps;
    float fps;
    float frameTime; // seconds the last frame took
    float gameTime;  // seconds of play in the current screen
    float finalTime; // gameTime when the game ended
    int32_t mouseSpeed;
    int32_t riderState;   // index into riderLabels
    int32_t mazeSize;     // even, 4..66
    int32_t itemsPerKind; // 0..9
    int32_t fullLevel;    // full oil and straw stock
    int32_t diamondsNeeded;
    char messageText[32]; // current status message
    float messageTime;    // gameTime when it was set; 0: none
    int32_t skipStory;
    int32_t gothicFont;
    int32_t pictureCache;
    int32_t modelSource; // 0 definitions, 1 text files, 2 binary files
    int32_t splitQuads;
    int32_t useDisplayLists;
    int32_t strawDistance; // horse travel per straw unit
    int32_t oilSeconds;    // game seconds per oil unit
    int32_t lodLevel;      // fixed level 0..3
    int32_t distanceLod;
    char hallNames[5][32];          // hall of fame, best first
    float hallTimes[5];             // seconds; 30000 or more: empty place
    int32_t soundVolume;            // 0 silent .. 10
    int32_t invertMouse;            // 1: moving the mouse forward looks down
    int32_t keys[KEY_ACTION_COUNT]; // the key of each action (setup/key_table.h)
    // Fields added later go here, after the last one: no earlier offset ever moves.
    int32_t language;                     // 0 auto (the environment's), 1 English, 2 German
    char mine[32];                        // "classic", "new", "daily" or a mine code
    int32_t padDeadZone;                  // percent of a stick's travel that is ignored
    int32_t padLookSpeed;                 // 1..20, how fast the right stick turns the view
    int32_t padRumble;                    // 1: the pad rumbles on hits and pick-ups
    int32_t padButtons[KEY_ACTION_COUNT]; // the pad button of each action; -1: none
    int32_t captions;                     // 1: a short line names each sound that carries news
    int32_t mapSymbols;                   // 1: the map draws the player, the horse and the exit as shapes
    int32_t lampBrightness;               // 0 the plain lamp, 1 brighter, 2 brightest with light all round
    int32_t switchKeys[KEY_SWITCH_COUNT]; // the key of each rendering switch (setup/key_table.h)
    int32_t routeKeys;                    // 0: the route keys walk while held; 1: a tap starts and stops
    int32_t gameSpeed;                    // percent, 50..100: the game's motion against the clock
    int32_t ghost;                        // 1: the mine's best run (or --ghost FILE) plays along
};
#pragma pack(pop)

static_assert(sizeof(SettingsRecord) == 640, "SettingsRecord is 640 bytes");
static_assert(offsetof(SettingsRecord, windowWidth) == 0x20);
static_assert(offsetof(SettingsRecord, windowHeight) == 0x24);
static_assert(offsetof(SettingsRecord, windowedWidth) == 0x28);
static_assert(offsetof(SettingsRecord, windowedHeight) == 0x2C);
static_assert(offsetof(SettingsRecord, fullScreen) == 0x30);
static_assert(offsetof(SettingsRecord, shadeMode) == 0x34);
static_assert(offsetof(SettingsRecord, textureMode) == 0x38);
static_assert(offsetof(SettingsRecord, fieldOfView) == 0x3C);
static_assert(offsetof(SettingsRecord, running) == 0x40);
static_assert(offsetof(SettingsRecord, perfFrequency) == 0x48);
static_assert(offsetof(SettingsRecord, frameStartCount) == 0x50);
static_assert(offsetof(SettingsRecord, nowCount) == 0x58);
static_assert(offsetof(SettingsRecord, showFps) == 0x60);
static_assert(offsetof(SettingsRecord, fps) == 0x64);
static_assert(offsetof(SettingsRecord, frameTime) == 0x68);
static_assert(offsetof(SettingsRecord, gameTime) == 0x6C);
static_assert(offsetof(SettingsRecord, finalTime) == 0x70);
static_assert(offsetof(SettingsRecord, mouseSpeed) == 0x74);
static_assert(offsetof(SettingsRecord, riderState) == 0x78);
static_assert(offsetof(SettingsRecord, mazeSize) == 0x7C);
static_assert(offsetof(SettingsRecord, itemsPerKind) == 0x80);
static_assert(offsetof(SettingsRecord, fullLevel) == 0x84);
static_assert(offsetof(SettingsRecord, diamondsNeeded) == 0x88);
static_assert(offsetof(SettingsRecord, messageText) == 0x8C);
static_assert(offsetof(SettingsRecord, messageTime) == 0xAC);
static_assert(offsetof(SettingsRecord, skipStory) == 0xB0);
static_assert(offsetof(SettingsRecord, gothicFont) == 0xB4);
static_assert(offsetof(SettingsRecord, pictureCache) == 0xB8);
static_assert(offsetof(SettingsRecord, modelSource) == 0xBC);
static_assert(offsetof(SettingsRecord, splitQuads) == 0xC0);
static_assert(offsetof(SettingsRecord, useDisplayLists) == 0xC4);
static_assert(offsetof(SettingsRecord, strawDistance) == 0xC8);
static_assert(offsetof(SettingsRecord, oilSeconds) == 0xCC);
static_assert(offsetof(SettingsRecord, lodLevel) == 0xD0);
static_assert(offsetof(SettingsRecord, distanceLod) == 0xD4);
static_assert(offsetof(SettingsRecord, hallNames) == 0xD8);
static_assert(offsetof(SettingsRecord, hallTimes) == 0x178);
static_assert(offsetof(SettingsRecord, soundVolume) == 0x18C);
static_assert(offsetof(SettingsRecord, invertMouse) == 0x190);
static_assert(offsetof(SettingsRecord, keys) == 0x194);
static_assert(offsetof(SettingsRecord, language) == 0x1D0);
static_assert(offsetof(SettingsRecord, mine) == 0x1D4);
static_assert(offsetof(SettingsRecord, padDeadZone) == 0x1F4);
static_assert(offsetof(SettingsRecord, padLookSpeed) == 0x1F8);
static_assert(offsetof(SettingsRecord, padRumble) == 0x1FC);
static_assert(offsetof(SettingsRecord, padButtons) == 0x200);
static_assert(offsetof(SettingsRecord, captions) == 0x23C);
static_assert(offsetof(SettingsRecord, mapSymbols) == 0x240);
static_assert(offsetof(SettingsRecord, lampBrightness) == 0x244);
static_assert(offsetof(SettingsRecord, switchKeys) == 0x248);
static_assert(offsetof(SettingsRecord, routeKeys) == 0x274);
static_assert(offsetof(SettingsRecord, gameSpeed) == 0x278);
static_assert(offsetof(SettingsRecord, ghost) == 0x27C);
