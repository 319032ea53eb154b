// SPDX-License-Identifier: GPL-3.0-or-later
// SDL's controller database beside the settings file, read when the pad starts, in two steps as the
// game starts it (a program of its own: the pad starts once per process).
#include <gtest/gtest.h>
#include <SDL.h>
#include <cstdlib>
#include <fstream>
#include <unistd.h>
#include "app/pad.h"
#include "output_capture.h"

// A pad SDL does not know plays once gamecontrollerdb.txt beside the settings file describes it.
TEST(PadMappings, GamecontrollerdbBesideTheSettingsFileMapsAnUnknownPad) {
    TempDir dir;
    ASSERT_EQ(SDL_Init(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
    desc.naxes = 2, desc.nbuttons = 4, desc.vendor_id = 0x1234, desc.product_id = 0x5678;
    desc.name = "Kavernix odd pad";
    int device = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(device, 0) << SDL_GetError();
    char guid[64];
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(device), guid, sizeof guid);
    std::ofstream(dir.file("gamecontrollerdb.txt"))
        << "# a pad of our own\n"
        << guid << ",Kavernix odd pad,a:b0,b:b1,x:b2,y:b3,leftx:a0,lefty:a1,platform:Linux,\n";
    setenv("KAVERNIX_SETTINGS", dir.file("settings.ini").c_str(), 1);
    // Started as the game starts it: on its thread, looked at until done.
    padStartBegin();
    int started;
    while ((started = padStartEnd(0)) == 0) usleep(1000);
    ASSERT_EQ(started, 1) << SDL_GetError();
    padPoll();
    EXPECT_EQ(SDL_IsGameController(device), SDL_TRUE) << guid;
    EXPECT_EQ(padConnected(), 1);
}
