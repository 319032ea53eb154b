// SPDX-License-Identifier: GPL-3.0-or-later
// The gamepad on SDL's virtual joystick (no device node needed): the sticks walk and look, buttons
// become actions, a pad unplugged pauses the game (Start on it plugged in again resumes it: the play
// test), rumble, the name entry by pad, and the pad buttons in the settings file.
#include <gtest/gtest.h>
#include <SDL.h>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include "app/end_screen.h"
#include "app/game_frame.h"
#include "app/input.h"
#include "app/pad.h"
#include "app/record.h"
#include "app/screens.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "gl_context.h"
#include "maze/maze.h"
#include "output_capture.h"
#include "scene/creatures.h"
#include "setup/key_table.h"
#include "setup/settings_file.h"

namespace {

// The catalogue's rows get their routines and room for placed instances, as at start-up.
[[maybe_unused]] const bool modelsRegistered = (sceneRegisterModels(), true);

int rumbles; // rumbles the virtual pad was asked for

int rumbleSeen(void*, Uint16 low, Uint16 high) {
    if (low || high) rumbles++;
    return 0;
}

// A fresh game on the 16-cell maze (player at (1.5, 1.5) heading +x) with one virtual pad plugged in.
class Pad : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        glTestContext();
        OutputCapture quiet;
        mazeBuild(&maze, 16);
    }
    void SetUp() override {
        setenv("KAVERNIX_SETTINGS", (testing::TempDir() + "kx_pad_settings.ini").c_str(), 1);
        ASSERT_EQ(padStart(), 1) << SDL_GetError();
        memset(&record, 0, sizeof record);
        for (int a = 0; a < ACTION_COUNT; a++) record.padButtons[a] = padActions[a].defaultButton;
        record.mazeSize = maze.size, record.running = 1, record.padLookSpeed = 5, record.padRumble = 1;
        record.padDeadZone = 20;
        record.perfFrequency = 1000, record.windowWidth = record.windowHeight = 256;
        for (ModelEntry& row : modelTable) row.count = 0;
        actorsPlaceForGame();
        bossScreen = shotState = 0;
        inputSetFocus(1);
        inputHandle(INPUT_GAME, gamePress, nullptr);
        inputSetScreen(INPUT_GAME);
        plug();
    }
    void TearDown() override {
        unplug();
        glutIdleFunc(nullptr);
    }
    void plug() {
        SDL_VirtualJoystickDesc desc;
        SDL_zero(desc);
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "Kavernix test pad";
        desc.Rumble = rumbleSeen;
        device = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(device, 0) << SDL_GetError();
        joystick = SDL_JoystickOpen(device);
        ASSERT_NE(joystick, nullptr) << SDL_GetError();
        padPoll();
        ASSERT_EQ(padConnected(), 1) << "the pad plugged in is taken at once";
    }
    void unplug() {
        if (!joystick) return;
        SDL_JoystickClose(joystick);
        joystick = nullptr;
        SDL_JoystickDetachVirtual(device);
        padPoll();
    }
    void axis(SDL_GameControllerAxis a, int value) {
        SDL_JoystickSetVirtualAxis(joystick, a, Sint16(value));
        padPoll();
    }
    void press(SDL_GameControllerButton b) {
        SDL_JoystickSetVirtualButton(joystick, b, 1);
        padPoll();
        SDL_JoystickSetVirtualButton(joystick, b, 0);
        padPoll();
    }
    SDL_Joystick* joystick = nullptr;
    int device = -1;
};

// The sticks as the step takes them.
void stickWalk(float step) {
    float s[4];
    padSticks(s);
    gameStickWalk(step, s[0], s[1]);
}
void stickLook(float frameTime) {
    float s[4];
    padSticks(s);
    gameStickLook(frameTime, s[2], s[3]);
}

// The player's way along +x after one step of 0.1 with the left stick pushed forward so far.
TEST_F(Pad, TheLeftStickWalksAsFarAsItIsPushedBeyondTheDeadZone) {
    // clang-format off
    struct { int deadZone, push; float walked; } cases[] = {
        {0, 32767, 0.1f}, {0, 16384, 0.05f}, {0, 3277, 0.01f}, {20, 3277, 0.0f}, {20, 19660, 0.05f},
        {20, 32767, 0.1f}};
    // clang-format on
    for (const auto& c : cases) {
        actorsPlaceForGame();
        record.padDeadZone = c.deadZone;
        axis(SDL_CONTROLLER_AXIS_LEFTY, -c.push);
        stickWalk(0.1f);
        EXPECT_NEAR(player.x - 1.5f, c.walked, 0.002f) << c.deadZone << "% dead, pushed " << c.push;
        EXPECT_NEAR(player.z, 1.5f, 1e-5f);
    }
}

TEST_F(Pad, TheRightStickTurnsAsFastAtAnyFrameRate) {
    axis(SDL_CONTROLLER_AXIS_RIGHTX, 16384);
    float turned[2];
    for (int i = 0; i < 2; i++) {
        const int fps = i ? 120 : 30;
        player.heading = 90;
        for (int frame = 0; frame < fps; frame++) stickLook(1.0f / float(fps));
        turned[i] = player.heading - 90;
    }
    // Half way is 0.3 of the 0.8 beyond the dead zone: 24 * 5 * 0.375 degrees in the second.
    EXPECT_NEAR(turned[0], 45, 0.1f);
    EXPECT_NEAR(turned[0], turned[1], 1e-3f);
}

TEST_F(Pad, PadInputActsOnlyWhileTheWindowHasTheKeyboard) {
    StepInput in;
    axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    gameGather(&in);
    gameStepActPresses(&in);
    EXPECT_EQ(shotState, 1) << "the right trigger shoots, at the step's start";
    axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);
    shotState = 0;
    inputSetFocus(0);
    axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    gameGather(&in);
    gameStepActPresses(&in);
    EXPECT_EQ(shotState, 0) << "another window has the keyboard";
    axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);
    axis(SDL_CONTROLLER_AXIS_LEFTY, -32767);
    stickWalk(0.1f);
    EXPECT_NEAR(player.x, 1.5f, 1e-5f);
}

TEST_F(Pad, UnpluggedMidGameItPauses) {
    unplug();
    EXPECT_EQ(padConnected(), 0);
    EXPECT_EQ(record.running, 0);
    EXPECT_STREQ(record.messageText, "Pad disconnected");
}

TEST_F(Pad, RumblesOnTheArrowsHitOnlyWhenRumbleIsOn) {
    for (int on : {1, 0}) {
        record.padRumble = on;
        rumbles = 0;
        shotState = 1;
        gameSounds();
        shotState = 2; // the arrow struck
        gameSounds();
        SDL_Delay(5);
        padPoll();
        EXPECT_EQ(rumbles, on) << on;
    }
}

// The name entry as arcade machines have it: up and down turn the letter, right keeps it, B deletes,
// A stores.
TEST_F(Pad, TheNameIsEnteredByPad) {
    TempDir dir;
    setenv("KAVERNIX_SETTINGS", dir.file("settings.ini").c_str(), 1);
    setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
    for (float& t : record.hallTimes) t = 30000;
    record.hallTimes[0] = 61;
    memset(&gameState, 0, sizeof gameState);
    gameState.hallRank = 0;
    nameEntryBegin();
    inputHandle(INPUT_END, endPress, nameEntryType);
    inputSetScreen(INPUT_END);
    // clang-format off
    struct { SDL_GameControllerButton button; const char* name; } steps[] = {
        {SDL_CONTROLLER_BUTTON_DPAD_UP, "A"}, {SDL_CONTROLLER_BUTTON_DPAD_UP, "B"},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, "B"}, {SDL_CONTROLLER_BUTTON_DPAD_DOWN, "B "},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, "B9"}, {SDL_CONTROLLER_BUTTON_B, "B"},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, "B "}, {SDL_CONTROLLER_BUTTON_DPAD_UP, "BA"},
        {SDL_CONTROLLER_BUTTON_A, "BA"}};
    // clang-format on
    for (const auto& s : steps) {
        press(s.button);
        EXPECT_STREQ(record.hallNames[0], s.name) << s.button;
    }
    EXPECT_EQ(gameState.fadeState, 3) << "A stored the name and the end screen fades out";
    SettingsFile stored;
    settingsRead(dir.file("settings.ini").c_str(), &stored, nullptr);
    EXPECT_STREQ(stored.record.hallNames[0], "BA");
}

// Pad buttons in the settings file go by SDL's names; a button given to two actions is refused
// with one line and the action that left its default gets its default back.
TEST(PadSettings, EachButtonIsReadByNameOrRefusedInOneLine) {
    // clang-format off
    struct { const char* text; int action, button; const char* said; } cases[] = {
        {"padShoot = a\n", ACTION_SHOOT, PAD_A, ""},
        {"padForward = dpup\n", ACTION_FORWARD, PAD_DPAD_UP, ""},
        {"padMute = none\n", ACTION_MUTE, PAD_NONE, ""},
        {"padRide = x\n", ACTION_RIDE, PAD_B, "f:1: padRide = x is padCallHorse's button already; using b\n"},
        {"padShoot = trigger\n", ACTION_SHOOT, PAD_RIGHT_TRIGGER,
         "f:1: padShoot = trigger is not a pad button such as a, start, dpleft, righttrigger or none; using "
         "righttrigger\n"}};
    // clang-format on
    for (const auto& c : cases) {
        SettingsFile f;
        settingsDefaults(&f);
        OutputCapture said(stderr);
        settingsParse(c.text, strlen(c.text), "f", &f, stderr);
        // The file names no other key: the line about the keys left out does not count here.
        std::string text, line;
        std::istringstream lines(said.finish());
        while (std::getline(lines, line))
            if (line.rfind("f: no value", 0) != 0) text += line + "\n";
        EXPECT_EQ(f.record.padButtons[c.action], c.button) << c.text;
        EXPECT_EQ(text, c.said) << c.text;
    }
}

} // namespace
