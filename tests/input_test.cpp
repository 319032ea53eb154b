// SPDX-License-Identifier: GPL-3.0-or-later
// Input: the keyboard source without a window (key presses and releases to held actions, with the
// player's keys, capitals, Shift changed before the release, and the keyboard taken away); then on
// a real window the rendering switches driven from the key table, the mouse look and the field of
// view.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>
#include "app/game_frame.h"
#include "app/input.h"
#include "app/lang.h"
#include "app/record.h"
#include "app/timing.h"
#include "game/actor.h"
#include "gl_context.h"
#include "setup/key_capture.h"
#include "setup/key_table.h"
#include "setup/setup.h"
#include "text/hud.h"

namespace {

struct KeyEvent {
    int code, down; // down 1, up 0; code -1: the keyboard is taken away (focus lost, dialog)
};

class Keyboard : public ::testing::Test {
  protected:
    void SetUp() override {
        memset(&record, 0, sizeof record);
        keySetDefaults(&record);
        record.keys[ACTION_FORWARD] = 'w';   // a key set by the player
        record.keys[ACTION_STEP_LEFT] = '1'; // a key that Shift turns into '!'
        inputHandle(INPUT_GAME, gamePress, nullptr);
        inputSetScreen(INPUT_GAME);
    }
};

const int up = KEY_SPECIAL + GLUT_KEY_UP, down = KEY_SPECIAL + GLUT_KEY_DOWN;

TEST_F(Keyboard, EventsBecomeHeldActions) {
    // clang-format off
    struct { const char* what; std::vector<KeyEvent> events; int action, held; } cases[] = {
        {"the player's key", {{'w', 1}}, ACTION_FORWARD, 1},
        {"the player's key released", {{'w', 1}, {'w', 0}}, ACTION_FORWARD, 0},
        {"the capital of the player's key", {{'W', 1}}, ACTION_FORWARD, 1},
        {"the arrow walks beside the player's key", {{up, 1}}, ACTION_FORWARD, 1},
        {"an unchanged default key", {{down, 1}}, ACTION_BACK, 1},
        {"Shift pressed before the release", {{'w', 1}, {'W', 0}}, ACTION_FORWARD, 0},
        {"Shift let go before the release", {{'W', 1}, {'w', 0}}, ACTION_FORWARD, 0},
        {"a digit released as its shifted sign", {{'1', 1}, {'!', 0}}, ACTION_STEP_LEFT, 0},
        {"a release no held key explains", {{'1', 1}, {'|', 0}}, ACTION_STEP_LEFT, 0},
        {"another key's release", {{'w', 1}, {down, 1}, {down, 0}}, ACTION_FORWARD, 1},
        {"focus lost while held", {{'w', 1}, {-1, 0}}, ACTION_FORWARD, 0},
        {"pressed again after the focus came back", {{down, 1}, {-1, 0}, {down, 0}, {down, 1}}, ACTION_BACK,
         1},
        {"a rendering switch is no game key", {{'S', 1}}, ACTION_FORWARD, 0}};
    // clang-format on
    for (const auto& c : cases) {
        SetUp();
        for (const KeyEvent& e : c.events)
            e.code < 0 ? inputReleaseAll() : e.down ? inputKeyDown(e.code) : inputKeyUp(e.code);
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
    int32_t bound[KEY_BOUND_COUNT];
    keyGather(&record, bound);
    // clang-format off
    struct { int screen, code, action; } cases[] = {
        {SCREEN_GAME, up, ACTION_FORWARD}, {SCREEN_GAME, 'L', ACTION_LOD_FINER}, // a capital bound is its own
        {SCREEN_GAME, 'l', ACTION_LOD_COARSER}, {SCREEN_GAME, 'b', ACTION_BACKFACE},
        {SCREEN_STORY, up, -1}, // the arrows walk only in the mine
        {SCREEN_GAME, 'w', ACTION_FORWARD}, {SCREEN_GAME, 'S', ACTION_SHADE}, {SCREEN_GAME, 27, ACTION_QUIT},
        {SCREEN_GAME, '\r', -1}, {SCREEN_GAME, ' ', ACTION_SHOOT}, {SCREEN_STORY, ' ', ACTION_STORY_PAUSE},
        {SCREEN_STORY, '\r', ACTION_CONFIRM}, {SCREEN_STORY, 'M', ACTION_MUTE},
        {SCREEN_STORY, 'b', ACTION_BACKFACE},
        {SCREEN_END, '\r', ACTION_CONFIRM}, {SCREEN_END, '\b', ACTION_NAME_DELETE}, {SCREEN_END, 'm', -1},
        {SCREEN_END, 27, -1}, {SCREEN_GAME, 'B', ACTION_BOSS}}; // Shift+b: the boss key, not culling
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(keyAction(bound, c.screen, c.code), c.action) << c.screen << " " << c.code;
}

// The W A S D layout: the letters walk, the arrows still do, and the switches it displaced work on the
// keys it moved them to (and no longer on their old ones).
TEST_F(Keyboard, TheWasdLayoutMovesTheSwitchesItDisplaces) {
    keySetDefaults(&record);
    int32_t bound[KEY_BOUND_COUNT];
    keyGather(&record, bound);
    char said[512];
    EXPECT_EQ(keyWasdLayout(bound, said, sizeof said), 2);
    EXPECT_EQ(std::string(said), "W A S D walk; the arrows walk too. Shading moved to K. "
                                 "Detail by distance moved to J.");
    // clang-format off
    struct { int code, action; } cases[] = {
        {'w', ACTION_FORWARD}, {'a', ACTION_STEP_LEFT}, {'s', ACTION_BACK}, {'d', ACTION_STEP_RIGHT},
        {'S', ACTION_BACK}, {up, ACTION_FORWARD}, {down, ACTION_BACK}, {KEY_SPECIAL + GLUT_KEY_LEFT, ACTION_STEP_LEFT},
        {'k', ACTION_SHADE}, {'K', ACTION_SHADE}, {'j', ACTION_DISTANCE_LOD}, {'t', ACTION_TEXTURE}};
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(keyAction(bound, SCREEN_GAME, c.code), c.action) << char(c.code);
    for (int a = 0; a < KEY_BOUND_COUNT; a++)
        for (int b = a + 1; b < KEY_BOUND_COUNT; b++) EXPECT_NE(bound[a], bound[b]) << a << " " << b;
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

// The game screen on a real window: a fresh record with the default keys, the switches off, and a
// settings file of the test program's own.
class Input : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static const std::string file = testing::TempDir() + "kx_input_" + std::to_string(getpid()) + ".ini";
        setenv("KAVERNIX_SETTINGS", file.c_str(), 1);
        setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
    }
    void SetUp() override {
        glTestContext();
        memset(&record, 0, sizeof record), memset(&player, 0, sizeof player);
        record.running = 1, record.perfFrequency = 1000;
        record.windowWidth = record.windowedWidth = record.windowHeight = record.windowedHeight = 256;
        keySetDefaults(&record);
        inputHandle(INPUT_GAME, gamePress, nullptr);
        inputSetScreen(INPUT_GAME);
        portalCulling = backfaceCull = shotState = bossScreen = 0;
        ignoreNextMotion = lastMouseX = lastMouseY = 0;
    }
    void TearDown() override { glutIdleFunc(nullptr); }
};

// A key pressed and released on the screen in use.
void press(int code) {
    inputKeyDown(code);
    inputKeyUp(code);
}

// The setting each rendering switch changes and the number of values it goes round (the frame
// drawn again has none to go round).
struct SwitchSetting {
    int action;
    int* setting;
    int values;
};
// clang-format off
const SwitchSetting switchSettings[] = {
    {ACTION_SHADE, &record.shadeMode, 3}, {ACTION_TEXTURE, &record.textureMode, 3},
    {ACTION_BACKFACE, &backfaceCull, 2}, {ACTION_PORTAL, &portalCulling, 2},
    {ACTION_DISPLAY_LISTS, &record.useDisplayLists, 2}, {ACTION_LOD_FINER, &record.lodLevel, 4},
    {ACTION_LOD_COARSER, &record.lodLevel, 4}, {ACTION_DISTANCE_LOD, &record.distanceLod, 2},
    {ACTION_FPS, &record.showFps, 2}, {ACTION_FULL_SCREEN, &record.fullScreen, 2},
    {ACTION_REPAIR_STENCIL, &stencilValid, 1}};
// clang-format on
static_assert(sizeof switchSettings / sizeof switchSettings[0] == ACTION_QUIT - ACTION_SHADE,
              "a row per switch");

// Calls f(code, setting) for every default key that works a rendering switch in the game: each
// switch's key, and the capital of a small letter no other key has.
template <class F> void forEverySwitchKey(F f) {
    int32_t bound[KEY_BOUND_COUNT];
    keyGather(&record, bound);
    for (int code = 1; code < 128; ++code) {
        const int action = keyAction(bound, SCREEN_GAME, code);
        if (action < ACTION_SHADE || action >= ACTION_QUIT) continue;
        SCOPED_TRACE(testing::Message() << "key " << char(code));
        f(code, switchSettings[action - ACTION_SHADE]);
    }
}

TEST_F(Input, EverySwitchKeyChangesItsOwnSettingOnly) {
    ASSERT_EQ(switchSettings[ACTION_FPS - ACTION_SHADE].action, ACTION_FPS);
    forEverySwitchKey([](int code, const SwitchSetting& s) {
        stencilValid = 3, record.gameTime += 1;
        const SettingsRecord before = record;
        const int was = *s.setting, portal = portalCulling, backface = backfaceCull;
        press(code);
        EXPECT_NE(*s.setting, was);
        EXPECT_FLOAT_EQ(record.messageTime, record.gameTime) << "a message is shown";
        *s.setting = was, record.messageTime = before.messageTime;
        memcpy(record.messageText, before.messageText, sizeof record.messageText);
        EXPECT_EQ(memcmp(&record, &before, sizeof record), 0) << "the record";
        EXPECT_EQ(portalCulling, portal);
        EXPECT_EQ(backfaceCull, backface);
    });
}

// Each press gives a value not seen since the first, and the last of a round is the first again; the
// coarser detail key undoes the finer one.
TEST_F(Input, EverySwitchKeyGoesRoundItsValues) {
    forEverySwitchKey([](int code, const SwitchSetting& s) {
        std::vector<int> seen = {*s.setting};
        for (int i = 1; i < s.values; ++i) {
            press(code);
            EXPECT_EQ(std::count(seen.begin(), seen.end(), *s.setting), 0) << "press " << i;
            seen.push_back(*s.setting);
        }
        if (s.values > 1) press(code);
        EXPECT_EQ(*s.setting, seen[0]) << "after a round";
    });
    for (int level = 0; level < 4; ++level) {
        record.lodLevel = level;
        press('L'), press('l');
        EXPECT_EQ(record.lodLevel, level);
    }
}

// In each language every switch's message fits the status field; a value shows the same message
// each time; in English each value its own ("... on" for a switch on, "... off" for one off).
TEST_F(Input, EverySwitchShowsItsValueInItsMessage) {
    setenv("KAVERNIX_DATA", KX_RUN_DIR, 1); // the catalogues beside the run folder's data
    for (int language : {LANG_EN, LANG_DE}) {
        ASSERT_EQ(langApply(language), language);
        forEverySwitchKey([language](int code, const SwitchSetting& s) {
            std::vector<std::pair<int, std::string>> shown;
            for (int i = 0; i < 2 * s.values; ++i) {
                press(code);
                const std::string message = record.messageText;
                EXPECT_NE(message, "") << "a message is shown";
                EXPECT_GT(hudLargeGlyphWidth(0.53f, message.c_str()), 0.025f)
                    << message << " fits the status field";
                for (const auto& earlier : shown) {
                    if (earlier.first == *s.setting) {
                        EXPECT_EQ(message, earlier.second) << "the same value";
                    } else if (language == LANG_EN) {
                        EXPECT_NE(message, earlier.second) << "another value";
                    }
                }
                if (language == LANG_EN && s.values == 2) {
                    EXPECT_EQ(message.substr(message.rfind(' ')), *s.setting ? " on" : " off");
                }
                shown.emplace_back(*s.setting, message);
            }
        });
    }
    langApply(LANG_EN);
    unsetenv("KAVERNIX_DATA");
}

TEST_F(Input, SpaceReadiesTheArrowWithItsMessage) {
    press(' ');
    EXPECT_EQ(shotState, 0) << "the press waits for the step";
    StepInput in;
    gameGather(&in);
    gameStepActPresses(&in);
    EXPECT_EQ(shotState, 1);
    EXPECT_STREQ(record.messageText, "Shoot");
}

// The keyboard's repeats of a held key come as presses without releases: they press nothing, also
// when Shift changed the key's character meanwhile; a press after a release is a press however
// soon it comes.
TEST_F(Input, OnlyAKeyLetGoPressesAgain) {
    // clang-format off
    struct { const char* what; std::vector<KeyEvent> events; int running, culling, boss; } cases[] = {
        {"P held", {{'p', 1}, {'p', 1}, {'p', 1}}, 0, 0, 0},
        {"P pressed twice", {{'p', 1}, {'p', 0}, {'p', 1}}, 1, 0, 0},
        {"b held, then Shift", {{'b', 1}, {'B', 1}, {'B', 1}, {'B', 0}}, 1, 1, 0},
        {"b pressed, then Shift+b", {{'b', 1}, {'b', 0}, {'B', 1}}, 1, 1, 1}};
    // clang-format on
    for (const auto& c : cases) {
        SetUp();
        for (const KeyEvent& e : c.events) e.down ? inputKeyDown(e.code) : inputKeyUp(e.code);
        EXPECT_EQ(record.running, c.running) << c.what;
        EXPECT_EQ(backfaceCull, c.culling) << c.what;
        EXPECT_EQ(bossScreen != 0, c.boss != 0) << c.what;
    }
    SetUp();
}

// Keys outside the table, and the full-screen key in a game mode, change neither the record nor the
// lamp frame's state.
TEST_F(Input, KeysWithoutAnActionDoNothing) {
    stencilValid = 3;
    strcpy(record.gameModeString, "1024x768:32");
    const SettingsRecord before = record;
    for (int key : {0, 8, 13, 26, 118, 127, 255, int('f'), int('F')}) {
        press(key);
        EXPECT_EQ(memcmp(&before, &record, sizeof record), 0) << key;
    }
    EXPECT_EQ(stencilValid, 3);
}

// The pointer seen at (x, y), and the turn it gathered taken by a step.
void lookAndStep(int x, int y) {
    mouseLook(x, y);
    float yaw, pitch;
    inputTakeLook(&yaw, &pitch);
    gameStepLook(yaw, pitch);
}

// The X server's side of mouse look: the pointer moves by dx pixels per motion, `burst` motions
// come between two game steps (the pointer may leave the window meanwhile: its place is still
// known), `late` more of them after the step read the pointer and before its jump back, which moves
// the pointer by as much as the step saw it stray. Returns the turn in degrees.
float turnByMoves(int moves, int dx, int burst, int late, float frameTime) {
    record.mouseSpeed = 6, record.frameTime = frameTime, player.heading = 90;
    int pointer = 128, made = 0;
    lastMouseX = lastMouseY = 128, ignoreNextMotion = 0;
    for (int steps = 0; steps < 2 || made < moves; steps++) {
        for (int i = 0; i < burst && made < moves; i++, made++) pointer += dx;
        const int seen = pointer, warps = inputMouseWarpCount();
        lookAndStep(seen, 128);
        for (int i = 0; i < late && made < moves; i++, made++) pointer += dx;
        if (inputMouseWarpCount() > warps) pointer += 128 - seen;
    }
    lookAndStep(pointer, 128);
    float turn = player.heading - 90;
    return turn < -180 ? turn + 360 : turn;
}

// Every pixel turns the view by mouseSpeed / 60 degrees however the motion comes between the steps,
// a little at a time or in bursts that carry the pointer far out of the 256-pixel window, also
// while the pointer jumps back, and at any frame rate.
TEST_F(Input, MouseTurnIsTheSameInBurstsAsInSingleMoves) {
    // clang-format off
    struct { int moves, dx, burst, late; float frameTime; } cases[] = {
        {20, 5, 1, 0, 1 / 60.0f}, {20, 5, 20, 0, 1 / 60.0f}, {20, 5, 7, 3, 1 / 30.0f},
        {20, 5, 20, 0, 1 / 240.0f}, {40, -9, 1, 1, 1 / 60.0f}, {40, -9, 40, 0, 1 / 60.0f},
        {40, -9, 3, 5, 1 / 15.0f}, {30, 20, 30, 0, 1 / 20.0f}, {30, 20, 12, 12, 1 / 5.0f}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_NEAR(turnByMoves(c.moves, c.dx, c.burst, c.late, c.frameTime), c.moves * c.dx * 0.1f, 1e-3f)
            << c.moves << " moves of " << c.dx << " px in bursts of " << c.burst << " and " << c.late
            << " late";
}

TEST_F(Input, MouseTurnsWithinBounds) {
    record.mouseSpeed = 60;
    player.heading = 355;
    const int moves[][6] = {{0, 0, 0, 200, 355, 40},
                            {0, 200, 0, 0, 355, -40},
                            {0, 0, 10, 0, 5, -40},
                            {10, 0, 0, 0, 355, -40},
                            {0, 0, 2000, 0, 195, -40}}; // from, to, heading, pitch
    for (const auto& m : moves) {
        ignoreNextMotion = 0, lastMouseX = m[0], lastMouseY = m[1];
        lookAndStep(m[2], m[3]);
        EXPECT_NEAR(player.heading, m[4], 1e-3f) << m[2] << "," << m[3];
        EXPECT_NEAR(player.pitch, m[5], 1e-5f) << m[2] << "," << m[3];
    }
    record.invertMouse = 1; // the inverted mouse looks up when moved down
    ignoreNextMotion = 0, lastMouseX = 0, lastMouseY = 0, player.pitch = 0;
    lookAndStep(0, 10);
    EXPECT_NEAR(player.pitch, -10, 1e-5f);
}

TEST_F(Input, MouseOnlyRecordsThePointerWhileHalted) {
    record.mouseSpeed = 60, player.heading = 195;
    for (int halt : {0, 1}) { // paused, boss picture
        record.running = halt, bossScreen = halt;
        ignoreNextMotion = 0, lastMouseX = 0;
        lookAndStep(100, 0);
        EXPECT_NEAR(player.heading, 195, 1e-3f) << halt;
        EXPECT_EQ(lastMouseX, 100) << halt;
    }
    bossScreen = 0;
}

// F9 (narrower) or F10 (wider) held for `seconds` in frames of frameTime from 60 degrees.
void fieldOfViewHeld(int action, float seconds, float frameTime) {
    record.fieldOfView = 60, record.frameTime = frameTime, inputHold(action, 1);
    for (int i = 0; i < int(seconds / frameTime + 0.5f); ++i) gameFieldOfView();
    inputHold(action, 0);
    gameFieldOfView(); // the frame after the release keeps the view
}

// F9 and F10 move the view by the same degrees per second at any frame rate, within 10 to 120; the
// file holds the field of view the view uses.
TEST_F(Input, FieldOfViewChangesAsFastAtAnyFrameRateWithinBounds) {
    for (float frameTime : {1.0f / 64, 1.0f / 16}) {
        fieldOfViewHeld(ACTION_WIDER, 1, frameTime);
        EXPECT_EQ(record.fieldOfView, 90) << frameTime;
    }
    fieldOfViewHeld(ACTION_WIDER, 10, 1);
    EXPECT_EQ(record.fieldOfView, 120);
    fieldOfViewHeld(ACTION_NARROWER, 10, 1);
    EXPECT_EQ(record.fieldOfView, 10);
    fieldOfViewHeld(ACTION_NARROWER, 1, 1);
    SettingsRecord stored{};
    setupShow(0), setupLoad(&stored);
    EXPECT_EQ(stored.fieldOfView, record.fieldOfView);
    EXPECT_EQ(stored.fieldOfView, 30);
}

} // namespace
