// Keyboard and mouse: the toggle keys with their messages, the keys that must do nothing, the
// held-key flags, mouse look with its bounds and warp, and shooting.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <cmath>
#include <cstring>
#include <string>
#include "app/game_frame.h"
#include "app/input.h"
#include "app/record.h"
#include "app/timing.h"
#include "game/actor.h"
#include "gl_context.h"

namespace {

class Input : public ::testing::Test {
  protected:
    void SetUp() override {
        glTestContext();
        memset(&record, 0, sizeof record);
        record.windowWidth = record.windowedWidth = 256;
        record.windowHeight = record.windowedHeight = 256;
        record.shadeMode = 2;
        record.textureMode = 1;
        record.running = 1;
        record.gameTime = 5; // messages set at game time 0 would count as none
        record.perfFrequency = 1000;
        portalCulling = backfaceCull = 0;
        stencilValid = 3;
        shotState = 0;
        routePhase = 2;
        bossScreen = 0;
        setupRequested = 0;
        clearKeys();
        ignoreNextMotion = 0;
        lastMouseX = lastMouseY = 0;
        actorInit(&player, 1.5f, 0.3f, 1.5f, 90, 0, 0.02f);
    }
    void TearDown() override {
        glutIdleFunc(nullptr);
        glDisable(GL_CULL_FACE);
        if (record.fullScreen) glutReshapeWindow(256, 256);
    }
    std::string press(unsigned char key) {
        record.messageText[0] = 0;
        debugKeys(key);
        return record.messageText;
    }
};

} // namespace

TEST(InputExit, EscapeEndsTheProgramWithStatusZero) {
    // A fresh process: forking one that holds a GL context leaves its driver threads behind.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(debugKeys(27), ::testing::ExitedWithCode(0), "");
}

TEST_F(Input, KeysOutsideTwentySevenToOneHundredSeventeenDoNothing) {
    SettingsRecord before;
    memcpy(&before, &record, sizeof record);
    for (int key : {0, 8, 9, 13, 26, 118, 127, 200, 255}) {
        debugKeys((unsigned char)key);
        EXPECT_EQ(memcmp(&before, &record, sizeof record), 0) << "key " << key;
    }
    EXPECT_EQ(stencilValid, 3);
    EXPECT_EQ(shotState, 0);
}

TEST_F(Input, EveryToggleShowsItsMessage) {
    EXPECT_EQ(press('d'), "static LOD");
    EXPECT_EQ(record.distanceLod, 1);
    EXPECT_EQ(press('D'), "no static LOD");
    EXPECT_EQ(press('i'), "FPS on");
    EXPECT_EQ(record.showFps, 1);
    EXPECT_EQ(press('I'), "FPS off");
    EXPECT_EQ(press('o'), "Portal on");
    EXPECT_EQ(portalCulling, 1);
    EXPECT_EQ(press('O'), "no Portal");
    EXPECT_EQ(press('u'), "DisplList");
    EXPECT_EQ(record.useDisplayLists, 1);
    EXPECT_EQ(press('U'), "no DisplList");
    EXPECT_EQ(press('r'), "Repair Stencil");
    EXPECT_EQ(stencilValid, 0);
    EXPECT_FLOAT_EQ(record.messageTime, 5.0f);
}

TEST_F(Input, ShadeAndTextureModesCycleThroughThreeValues) {
    record.shadeMode = 0;
    EXPECT_EQ(press('s'), "Flat shading");
    EXPECT_EQ(press('S'), "Smooth shading");
    EXPECT_EQ(press('s'), "Wireframe");
    EXPECT_EQ(record.shadeMode, 0);
    GLint polygonMode[2];
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_LINE) << "the mode is applied at once";
    record.shadeMode = 2;
    debugKeys('s');
    debugKeys('s');

    record.textureMode = 0;
    EXPECT_EQ(press('t'), "Texture");
    EXPECT_EQ(press('T'), "MipMaps");
    EXPECT_EQ(press('t'), "no Texture");
    EXPECT_EQ(record.textureMode, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(Input, LevelOfDetailStepsUpWithCapitalLAndDownWithSmallLWrapping) {
    record.lodLevel = 3;
    EXPECT_EQ(press('L'), "LOD");
    EXPECT_EQ(record.lodLevel, 0);
    EXPECT_EQ(press('l'), "LOD");
    EXPECT_EQ(record.lodLevel, 3);
    debugKeys('l');
    EXPECT_EQ(record.lodLevel, 2);
}

TEST_F(Input, BackfaceCullingIsSmallBOnlyAndSwitchesGl) {
    EXPECT_EQ(press('b'), "BF Cull on");
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(press('B'), "") << "capital B is the boss key, not a toggle";
    EXPECT_EQ(backfaceCull, 1);
    EXPECT_EQ(press('b'), "no BF Cull");
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(Input, SpaceFiresOnlyAReadyShotButAlwaysSaysShoot) {
    EXPECT_EQ(press(' '), "Shoot");
    EXPECT_EQ(shotState, 1);
    shotState = 2;
    EXPECT_EQ(press(' '), "Shoot");
    EXPECT_EQ(shotState, 2);
}

TEST_F(Input, FullScreenTogglesInAWindowAndRedrawsTheLampFrame) {
    EXPECT_EQ(press('f'), "FullScreen on");
    EXPECT_EQ(record.fullScreen, 1);
    EXPECT_EQ(stencilValid, 0);
    stencilValid = 3;
    EXPECT_EQ(press('F'), "FullScreen off");
    EXPECT_EQ(record.fullScreen, 0);
    EXPECT_EQ(stencilValid, 0);
}

TEST_F(Input, FullScreenKeyDoesNothingInGameMode) {
    strcpy(record.gameModeString, "1024x768:32");
    EXPECT_EQ(press('f'), "");
    EXPECT_EQ(press('F'), "");
    EXPECT_EQ(record.fullScreen, 0);
    EXPECT_EQ(stencilValid, 3);
}

TEST_F(Input, SpecialKeysHoldTheirFlagsUntilReleased) {
    struct {
        int key;
        int* flag;
    } keys[] = {
        {GLUT_KEY_F1, &setupRequested}, {GLUT_KEY_F9, &keyFovDown},     {GLUT_KEY_F10, &keyFovUp},
        {GLUT_KEY_LEFT, &keyLeft},      {GLUT_KEY_UP, &keyUp},          {GLUT_KEY_RIGHT, &keyRight},
        {GLUT_KEY_DOWN, &keyDown},      {GLUT_KEY_PAGE_UP, &keyPageUp}, {GLUT_KEY_PAGE_DOWN, &keyPageDown},
        {GLUT_KEY_HOME, &keyHome}};
    for (auto& k : keys) {
        specialDown(k.key, 0, 0);
        EXPECT_EQ(*k.flag, 1) << "key " << k.key;
        specialUp(k.key, 0, 0);
        EXPECT_EQ(*k.flag, 0) << "key " << k.key;
    }
}

TEST_F(Input, RouteKeysRestartTheRouteAndOtherKeysDoNot) {
    specialDown(GLUT_KEY_UP, 0, 0);
    EXPECT_EQ(routePhase, 2);
    for (int key : {GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN, GLUT_KEY_HOME}) {
        routePhase = 4;
        specialDown(key, 0, 0);
        EXPECT_EQ(routePhase, 0) << "key " << key;
    }
}

TEST_F(Input, SpecialCodesOutsideOneToOneHundredSixAreIgnored) {
    specialDown(0, 0, 0);
    specialDown(107, 0, 0);
    specialDown(GLUT_KEY_F2, 0, 0);
    EXPECT_EQ(keyLeft + keyUp + keyRight + keyDown + keyPageUp + keyPageDown + keyHome + keyFovUp +
                  keyFovDown + setupRequested,
              0);
}

TEST_F(Input, ClearKeysKeepsAPendingSettingsRequest) {
    keyLeft = keyUp = keyRight = keyDown = keyPageUp = keyPageDown = keyHome = keyFovUp = keyFovDown = 1;
    setupRequested = 1;
    clearKeys();
    EXPECT_EQ(
        keyLeft + keyUp + keyRight + keyDown + keyPageUp + keyPageDown + keyHome + keyFovUp + keyFovDown, 0);
    EXPECT_EQ(setupRequested, 1);
    setupRequested = 0;
}

TEST_F(Input, MouseLookTurnsByPixelsTimesFrameTimeTimesSpeed) {
    record.frameTime = 0.02f;
    record.mouseSpeed = 5;
    ignoreNextMotion = 1;
    mouseLook(128, 128); // the warp's own event: only recorded
    EXPECT_FLOAT_EQ(player.heading, 90);
    EXPECT_EQ(ignoreNextMotion, 0);
    mouseLook(138, 128);
    EXPECT_NEAR(player.heading, 91, 1e-5);
    EXPECT_EQ(ignoreNextMotion, 1) << "the warp back to the centre follows";
    EXPECT_EQ(lastMouseX, 138);
    mouseLook(128, 128);
    mouseLook(128, 118);
    EXPECT_NEAR(player.pitch, -1, 1e-5);
}

TEST_F(Input, PitchStaysWithinFortyDegreesAndHeadingWithinAFullTurn) {
    record.frameTime = 0.1f;
    record.mouseSpeed = 10;
    mouseLook(0, 200);
    EXPECT_FLOAT_EQ(player.pitch, 40);
    ignoreNextMotion = 0;
    lastMouseY = 200;
    mouseLook(0, 0);
    EXPECT_FLOAT_EQ(player.pitch, -40);
    player.heading = 355;
    ignoreNextMotion = 0;
    lastMouseX = 0;
    mouseLook(10, 0);
    EXPECT_NEAR(player.heading, 5, 1e-4);
    ignoreNextMotion = 0;
    lastMouseX = 10;
    mouseLook(0, 0);
    EXPECT_NEAR(player.heading, 355, 1e-4);
    ignoreNextMotion = 0;
    lastMouseX = 0;
    mouseLook(2000, 0); // 2000 degrees in one long frame
    EXPECT_GE(player.heading, 0);
    EXPECT_LE(player.heading, 360);
    EXPECT_NEAR(player.heading, std::fmod(355.0 + 2000.0, 360.0), 1e-3);
}

TEST_F(Input, LeftButtonDownFiresAReadyShotAndNothingElseDoes) {
    mouseButton(GLUT_RIGHT_BUTTON, GLUT_DOWN, 0, 0);
    mouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
    EXPECT_EQ(shotState, 0);
    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    EXPECT_EQ(shotState, 1);
    shotState = 2;
    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    EXPECT_EQ(shotState, 2);
}

TEST_F(Input, PauseAndBossKeysHaltAndResumeTheGame) {
    gameKeyboard('p', 0, 0);
    EXPECT_EQ(record.running, 0);
    gameKeyboard('P', 0, 0);
    EXPECT_EQ(record.running, 1);
    EXPECT_EQ(ignoreNextMotion, 1) << "resuming ignores the pointer jump";
    gameKeyboard('B', 0, 0);
    EXPECT_EQ(bossScreen, 1);
    bossScreen = 2; // shown
    gameKeyboard('B', 0, 0);
    EXPECT_EQ(bossScreen, 0);
    EXPECT_EQ(stencilValid, 0);
    gameKeyboard('b', 0, 0);
    EXPECT_EQ(bossScreen, 0) << "small b is back-face culling";
}
