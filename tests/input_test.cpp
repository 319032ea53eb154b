// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard source without a window: key presses and releases to held actions, with the
// player's keys, capitals, Shift changed before the release, and the keyboard taken away.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <cstring>
#include <vector>
#include "app/game_frame.h"
#include "app/input.h"
#include "app/record.h"
#include "game/actor.h"
#include "setup/key_table.h"

namespace {

struct KeyEvent {
    int code, down; // down 1, up 0; code -1: the keyboard is taken away (focus lost, dialog)
};

class Keyboard : public ::testing::Test {
  protected:
    void SetUp() override {
        memset(&record, 0, sizeof record);
        for (int a = 0; a < ACTION_COUNT; a++) record.keys[a] = keyActions[a].defaultKey;
        record.keys[ACTION_FORWARD] = 'w';   // a key set by the player
        record.keys[ACTION_STEP_LEFT] = '1'; // a key that Shift turns into '!'
        inputHandle(INPUT_GAME, gamePress, nullptr);
        inputSetScreen(INPUT_GAME);
    }
    static void play(const std::vector<KeyEvent>& events) {
        for (const KeyEvent& e : events) {
            if (e.code < 0)
                inputReleaseAll();
            else if (e.down)
                inputKeyDown(e.code);
            else
                inputKeyUp(e.code);
        }
    }
};

const int up = KEY_SPECIAL + GLUT_KEY_UP, down = KEY_SPECIAL + GLUT_KEY_DOWN;

TEST_F(Keyboard, EventsBecomeHeldActions) {
    // clang-format off
    struct { const char* what; std::vector<KeyEvent> events; int action, held; } cases[] = {
        {"the player's key", {{'w', 1}}, ACTION_FORWARD, 1},
        {"the player's key released", {{'w', 1}, {'w', 0}}, ACTION_FORWARD, 0},
        {"the capital of the player's key", {{'W', 1}}, ACTION_FORWARD, 1},
        {"the default key given away", {{up, 1}}, ACTION_FORWARD, 0},
        {"an unchanged default key", {{down, 1}}, ACTION_BACK, 1},
        {"Shift pressed before the release", {{'w', 1}, {'W', 0}}, ACTION_FORWARD, 0},
        {"Shift let go before the release", {{'W', 1}, {'w', 0}}, ACTION_FORWARD, 0},
        {"a digit released as its shifted sign", {{'1', 1}, {'!', 0}}, ACTION_STEP_LEFT, 0},
        {"a release no held key explains", {{'1', 1}, {'|', 0}}, ACTION_STEP_LEFT, 0},
        {"another key's release", {{'w', 1}, {down, 1}, {down, 0}}, ACTION_FORWARD, 1},
        {"focus lost while held", {{'w', 1}, {-1, 0}}, ACTION_FORWARD, 0},
        {"pressed again after the focus came back", {{down, 1}, {-1, 0}, {down, 0}, {down, 1}}, ACTION_BACK, 1},
        {"a rendering switch is no game key", {{'S', 1}}, ACTION_FORWARD, 0},
    };
    // clang-format on
    for (const auto& c : cases) {
        SetUp();
        play(c.events);
        EXPECT_EQ(inputHeld(c.action), c.held) << c.what;
    }
}

TEST_F(Keyboard, AnActionHeldByTwoSourcesStaysUntilBothLetGo) {
    inputKeyDown('w');
    inputAction(SOURCE_PAD, ACTION_FORWARD, 1);
    inputKeyUp('w');
    EXPECT_EQ(inputHeld(ACTION_FORWARD), 1);
    inputAction(SOURCE_PAD, ACTION_FORWARD, 0);
    EXPECT_EQ(inputHeld(ACTION_FORWARD), 0);
}

TEST_F(Keyboard, KeysTakeTheirScreensActions) {
    // clang-format off
    struct { int screen, code, action; } cases[] = {
        {SCREEN_GAME, 'w', ACTION_FORWARD}, {SCREEN_GAME, 'S', ACTION_SHADE}, {SCREEN_GAME, 27, ACTION_QUIT},
        {SCREEN_GAME, '\r', -1}, {SCREEN_GAME, ' ', ACTION_SHOOT}, {SCREEN_STORY, ' ', ACTION_STORY_PAUSE},
        {SCREEN_STORY, '\r', ACTION_CONFIRM}, {SCREEN_STORY, 'M', ACTION_MUTE}, {SCREEN_STORY, 'b', ACTION_BACKFACE},
        {SCREEN_END, '\r', ACTION_CONFIRM}, {SCREEN_END, '\b', ACTION_NAME_DELETE}, {SCREEN_END, 'm', -1},
        {SCREEN_END, 27, -1}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(keyAction(record.keys, c.screen, c.code), c.action) << c.screen << " " << c.code;
}

// The timedemo takes no key but Escape: the walk is the same whatever is pressed.
TEST_F(Keyboard, TheTimedemoTakesNoGameKey) {
    inputSetScreen(INPUT_TIMEDEMO);
    shotState = 0;
    for (int code : {int(' '), int('p'), int('h'), int('S'), KEY_SPECIAL + GLUT_KEY_F9}) inputKeyDown(code);
    EXPECT_EQ(shotState, 0);
    EXPECT_EQ(record.shadeMode, 0);
    EXPECT_EQ(inputHeld(ACTION_NARROWER), 0);
}

} // namespace
