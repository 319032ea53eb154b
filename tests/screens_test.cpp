// The screens: the story's texts byte for byte in Latin-1, its paging and pause, the fades and
// their timing as drawFade advances them, and what entering each screen sets up.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <cstring>
#include <string>
#include "app/input.h"
#include "app/record.h"
#include "app/screens.h"
#include "app/timing.h"
#include "game/actor.h"
#include "gl_context.h"
#include "text/font.h"

namespace {

// The texts as the player reads them (UTF-8 here), turned into the single bytes the font draws.
std::string latin1(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = utf8[i];
        if (c < 0x80) {
            out += char(c);
        } else {
            // Two-byte sequences cover U+0080..U+07FF, all of Latin-1.
            unsigned char next = utf8[++i];
            out += char(((c & 0x1F) << 6) | (next & 0x3F));
        }
    }
    return out;
}

const char* const expectedPages[4] = {
    "Vor langer Zeit\nterrorisierte der böse\nDrache Grolk das Land.\n\nTarvin wollte aus der "
    "Mine\nDiamanten holen\nund dem Drachen schenken,\ndamit er friedlicher wird.\n\nGrolk bemerkte, "
    "wie Tarvin\nin die Mine ging\nwurde wütend und sagte:\n\n(Enter) für weiter",
    "\"Du brichst im meine\nMine ein und willst\nmir meine eigenen\nDiamanten schenken?\n\nFür diese "
    "Frechheit sperre\nich Dich in die Mine ein\nund laß dich erst wieder\nheraus,wenn Du mir "
    "Diamanten\neingesammelt hast.\"\n\n(Enter) für weiter",
    "Grolk gab Tarvin und\nseinem Pferd eine Tritt\nund schloß die Tür zur Mine.\n\nDie Mine ist wie "
    "ein Irrgarten\nsammle Ölkannen, damit\nDir das Licht nicht ausgeht,\nStrohballen für Dein "
    "Pferd\nund Diamanten.\n\nWo ist der Ausgang ??\n\n(Enter) für weiter",
    "Mit der Maus drehst Du Dich,\nmit den Cursortasten bewegst Du Dich\nmit Page Up gehst Du zum "
    "Pferd,\nmit Page Down kommt das Pferd\n und mit Pos 1 gehen Du und Dein Pferd\nzum "
    "Ausgang\n\nViel Glück !\n\n(Enter) für Beginn",
};

int64_t fakeNow;
int64_t fakeCounter() {
    return fakeNow;
}

void resetAll() {
    memset(&record, 0, sizeof record);
    memset(&gameState, 0, sizeof gameState);
    record.perfFrequency = 1000;
    record.running = 1;
    record.windowWidth = 256;
    record.windowHeight = 256;
    record.mazeSize = 16;
    fakeNow = 0;
    timingCounter = fakeCounter;
}

} // namespace

TEST(StoryTexts, EveryPageIsTheStoryInLatin1) {
    for (int page = 0; page < 4; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(std::string(storyPages[page]), latin1(expectedPages[page]));
        EXPECT_LT(strlen(storyPages[page]), size_t(storyPageSize));
    }
    EXPECT_EQ(std::string(storyPages[0]).find("b\xF6se\n"), size_t(34)) << "the o-umlaut is one byte";
}

TEST(StoryTexts, RiderLabelsInTheirSlots) {
    EXPECT_STREQ(riderLabels[0], "Tarvin");
    EXPECT_STREQ(riderLabels[1], "Horse");
    EXPECT_STREQ(riderLabels[2], "Ride");
    EXPECT_STREQ(riderLabels[3], "Get on");
    EXPECT_STREQ(riderLabels[4], "Get Off");
}

TEST(StoryPaging, FirstEnterSnapsRisingTextSecondTurnsThePage) {
    resetAll();
    gameState.storyScroll = 0.3f;
    storyEnterPressed();
    EXPECT_FLOAT_EQ(gameState.storyScroll, 0.7f);
    EXPECT_EQ(gameState.storyPage, 0);
    storyEnterPressed();
    EXPECT_EQ(gameState.storyPage, 1);
    EXPECT_EQ(gameState.storyScroll, 0.0f);
    EXPECT_EQ(gameState.fadeState, 0);
}

TEST(StoryPaging, AfterTheFourthPageTheStoryFadesOutAndFurtherEntersOnlyTurnEmptyPages) {
    resetAll();
    gameState.storyPage = 3;
    gameState.storyScroll = 0.75f;
    storyEnterPressed();
    EXPECT_EQ(gameState.storyPage, 4);
    EXPECT_EQ(gameState.fadeState, 3);
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 1.0f);
    EXPECT_EQ(storyPageText(), nullptr);
    gameState.fadeLevel = 40;
    storyEnterPressed(); // snaps
    storyEnterPressed(); // turns
    EXPECT_EQ(gameState.storyPage, 5);
    EXPECT_EQ(gameState.fadeState, 3);
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 40) << "the running fade-out goes on from its level";
    EXPECT_EQ(storyPageText(), nullptr);
}

TEST(StoryPaging, TextRisesOnlyWhileRunningAndStopsAboveItsRestingPlace) {
    resetAll();
    storyRise(1.0f);
    EXPECT_FLOAT_EQ(gameState.storyScroll, 0.02f);
    record.running = 0;
    storyRise(1.0f);
    EXPECT_FLOAT_EQ(gameState.storyScroll, 0.02f);
    record.running = 1;
    gameState.storyScroll = 0.699f;
    storyRise(0.5f);
    storyRise(0.5f);
    EXPECT_FLOAT_EQ(gameState.storyScroll, 0.709f) << "one last step past 0.7, then no more";
}

TEST(Fades, FadeInStartsFromBlackUnlessOneIsRunning) {
    resetAll();
    gameState.fadeLevel = 55;
    fadeIn();
    EXPECT_EQ(gameState.fadeState, 1);
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 1);
    gameState.fadeLevel = 30;
    gameState.fadeState = 3;
    fadeIn();
    EXPECT_EQ(gameState.fadeState, 1);
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 30);
    gameState.fadeState = 4;
    fadeIn();
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 1);
}

TEST(Fades, FadeOutDuringAFadeInGoesOnFromTheLevelReached) {
    resetAll();
    gameState.fadeState = 1;
    gameState.fadeLevel = 42;
    fadeOut();
    EXPECT_EQ(gameState.fadeState, 3);
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 42);
    gameState.fadeState = 2;
    fadeOut();
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 1);
    gameState.fadeState = 0;
    gameState.fadeLevel = 80;
    fadeOut();
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 1);
}

// ---- With a window: the fade as drawn, the screen entries and the story's keys.

class ScreensGl : public ::testing::Test {
  protected:
    void SetUp() override {
        glTestContext();
        resetAll();
    }
    void TearDown() override {
        timingCounter = monotonicCounter;
        glutIdleFunc(nullptr);
    }
    // Frames drawn until the fade leaves `from`, at a steady frame time.
    int framesUntilStateLeaves(int from, float frameTime, int limit = 1000) {
        record.frameTime = frameTime;
        int frames = 0;
        while (gameState.fadeState == from && frames < limit) {
            drawFade();
            ++frames;
        }
        return frames;
    }
};

TEST_F(ScreensGl, FadeInAtSixtyFramesPerSecondEndsAfter118Frames) {
    fadeIn();
    EXPECT_EQ(framesUntilStateLeaves(1, 1.0f / 60), 118);
    EXPECT_EQ(gameState.fadeState, 2);
    drawFade();
    EXPECT_EQ(gameState.fadeState, 0);
}

TEST_F(ScreensGl, FadeOutAtSixtyFramesPerSecondEndsAfter118FramesAndPassesStateFourOnce) {
    fadeOut();
    EXPECT_EQ(framesUntilStateLeaves(3, 1.0f / 60), 118);
    EXPECT_EQ(gameState.fadeState, 4);
    drawFade();
    EXPECT_EQ(gameState.fadeState, 0);
}

TEST_F(ScreensGl, AFadeStandsStillWhileNoTimePasses) {
    fadeIn();
    EXPECT_EQ(framesUntilStateLeaves(1, 0.0f, 300), 300);
    EXPECT_EQ(gameState.fadeState, 1);
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 1);
}

TEST_F(ScreensGl, EnteringTheStoryStartsAtPageOneFromBlackWithFreshClocks) {
    gameState.storyPage = 3;
    gameState.storyScroll = 0.5f;
    record.gameTime = 12;
    record.riderState = 2;
    fakeNow = 777;
    enterStory();
    EXPECT_EQ(gameState.storyPage, 0);
    EXPECT_EQ(gameState.storyScroll, 0.0f);
    EXPECT_EQ(gameState.fadeState, 1);
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 1);
    EXPECT_EQ(record.gameTime, 0.0f);
    EXPECT_EQ(record.riderState, 0);
    EXPECT_EQ(record.frameStartCount, 777);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(ScreensGl, TheStoryIdleEntersTheGameOnceItsFadeOutIsDone) {
    enterStory();
    keyUp = keyHome = keyFovUp = 1;
    setupRequested = 1;
    gameState.fadeState = 4;
    fakeNow = 50;
    storyIdle();
    EXPECT_EQ(gameState.fadeState, 1) << "the game fades in";
    EXPECT_FLOAT_EQ(gameState.fadeLevel, 1);
    EXPECT_FLOAT_EQ(player.x, 1.5f);
    EXPECT_FLOAT_EQ(player.y, 0.3f);
    EXPECT_FLOAT_EQ(player.z, 1.5f);
    EXPECT_FLOAT_EQ(horse.x, 3.5f);
    EXPECT_FLOAT_EQ(exitDoor.x, 16.0f);
    EXPECT_FLOAT_EQ(exitDoor.z, 15.0f);
    EXPECT_EQ(keyUp + keyHome + keyFovUp, 0) << "held keys are cleared on entering the game";
    EXPECT_EQ(setupRequested, 1) << "a pending F1 survives";
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_STENCIL_TEST));
    GLfloat attenuation = 0;
    glGetLightfv(GL_LIGHT0, GL_CONSTANT_ATTENUATION, &attenuation);
    EXPECT_FLOAT_EQ(attenuation, 1.0f);
    setupRequested = 0;
}

TEST_F(ScreensGl, StoryIdleRaisesTheTextByTheFrameTime) {
    enterStory();
    fakeNow = 500; // half a second after the screen was entered
    storyIdle();
    EXPECT_FLOAT_EQ(record.frameTime, 0.5f);
    EXPECT_FLOAT_EQ(gameState.storyScroll, 0.01f);
    EXPECT_EQ(record.frameStartCount, 500);
}

TEST_F(ScreensGl, SpaceOnTheStoryPausesWithoutCountingThePauseAndAlsoShoots) {
    enterStory();
    shotState = 0;
    fakeNow = 100;
    storyKeyboard(' ', 0, 0);
    EXPECT_EQ(record.running, 0);
    EXPECT_EQ(shotState, 1) << "the space bar also fires the shot the game then shows";
    EXPECT_STREQ(record.messageText, "Shoot");
    fakeNow = 6100;
    storyKeyboard(' ', 0, 0);
    EXPECT_EQ(record.running, 1);
    fakeNow = 6150;
    frameTimeUpdate();
    EXPECT_FLOAT_EQ(record.frameTime, 0.15f) << "100 ticks before and 50 after the pause";
    shotState = 0;
}

TEST_F(ScreensGl, EnterOnTheStoryKeyboardPagesThroughTheStory) {
    enterStory();
    storyKeyboard(13, 0, 0);
    EXPECT_FLOAT_EQ(gameState.storyScroll, 0.7f);
    for (int i = 0; i < 7; ++i) storyKeyboard(13, 0, 0);
    EXPECT_EQ(gameState.storyPage, 4);
    EXPECT_EQ(gameState.fadeState, 3);
}
