// The end screen: ranking into the five-place hall of fame, the name entry, the texts for won and
// lost runs, the store through the settings library (read back from a real settings file), the
// picture behind the texts and the exit after the fade-out.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>
#include "app/end_screen.h"
#include "app/record.h"
#include "app/screens.h"
#include "app/startup.h"
#include "app/timing.h"
#include "game/actor.h"
#include "gl_context.h"
#include "image/tga.h"
#include "setup/setup.h"
#include "text/font.h"

namespace {

void fillHall(SettingsRecord* r, std::vector<std::pair<const char*, float>> places) {
    for (int i = 0; i < 5; ++i) {
        memset(r->hallNames[i], 0, 32);
        r->hallTimes[i] = 30000;
    }
    for (size_t i = 0; i < places.size(); ++i) {
        strcpy(r->hallNames[i], places[i].first);
        r->hallTimes[i] = places[i].second;
    }
}

void resetAll() {
    memset(&record, 0, sizeof record);
    memset(&gameState, 0, sizeof gameState);
    record.windowWidth = 256;
    record.windowHeight = 256;
    record.running = 1;
    record.perfFrequency = 1000;
    exitDoor.pitch = 0;
}

struct Line {
    float x, y;
    std::string text;
};

std::vector<Line> lines() {
    EndLine raw[endLineMax];
    int n = endScreenLines(raw);
    std::vector<Line> out;
    for (int i = 0; i < n; ++i) out.push_back({raw[i].x, raw[i].y, raw[i].text});
    return out;
}

bool hasLine(const std::vector<Line>& all, float x, float y, const std::string& text) {
    for (const Line& l : all)
        if (l.text == text && std::fabs(l.x - x) < 1e-6 && std::fabs(l.y - y) < 1e-6) return true;
    return false;
}

} // namespace

TEST(HallRanking, ATimeEqualToTheFifthDoesNotEnter) {
    SettingsRecord r = {};
    fillHall(&r, {{"a", 10}, {"b", 20}, {"c", 30}, {"d", 40}, {"e", 50}});
    EXPECT_EQ(hallInsert(&r, 50.0f), -1);
    EXPECT_FLOAT_EQ(r.hallTimes[4], 50);
    EXPECT_STREQ(r.hallNames[4], "e");
    EXPECT_EQ(hallInsert(&r, 49.99f), 4);
    EXPECT_STREQ(r.hallNames[4], "");
}

TEST(HallRanking, AnEmptyHallTakesAnyRunAtPlaceOne) {
    SettingsRecord r = {};
    fillHall(&r, {});
    EXPECT_EQ(hallInsert(&r, 29999.0f), 0);
    EXPECT_FLOAT_EQ(r.hallTimes[0], 29999.0f);
    for (int i = 1; i < 5; ++i) EXPECT_GE(r.hallTimes[i], 30000.0f);
}

TEST(HallRanking, ANewPlacePushesTheRestDownAndTheFifthDropsOut) {
    SettingsRecord r = {};
    fillHall(&r, {{"a", 10}, {"b", 20}, {"c", 30}, {"d", 40}, {"e", 50}});
    EXPECT_EQ(hallInsert(&r, 20.0f), 2) << "an equal time ranks below the kept one";
    const char* names[5] = {"a", "b", "", "c", "d"};
    const float times[5] = {10, 20, 20, 30, 40};
    for (int i = 0; i < 5; ++i) {
        EXPECT_STREQ(r.hallNames[i], names[i]);
        EXPECT_FLOAT_EQ(r.hallTimes[i], times[i]);
    }
}

TEST(NameEntry, FortyTypedBytesKeepTheFirstThirtyOne) {
    SettingsRecord r = {};
    fillHall(&r, {});
    hallInsert(&r, 100);
    std::string typed;
    for (int i = 0; i < 40; ++i) {
        char c = char('A' + i % 26);
        typed += c;
        hallNameKey(&r, 0, (unsigned char)c);
    }
    EXPECT_EQ(std::string(r.hallNames[0]), typed.substr(0, 31));
    EXPECT_EQ(r.hallNames[0][31], 0);
}

TEST(NameEntry, BackspaceRemovesTheLastByteAndDoesNothingOnAnEmptyName) {
    SettingsRecord r = {};
    fillHall(&r, {{"", 5}, {"kept", 9}});
    hallNameKey(&r, 0, 8);
    EXPECT_STREQ(r.hallNames[0], "");
    hallNameKey(&r, 0, 'x');
    hallNameKey(&r, 0, 'y');
    hallNameKey(&r, 0, 8);
    EXPECT_STREQ(r.hallNames[0], "x");
    EXPECT_STREQ(r.hallNames[1], "kept");
}

TEST(NameEntry, Latin1BytesAreTypedControlBytesAndDeleteAreNot) {
    SettingsRecord r = {};
    fillHall(&r, {{"", 5}});
    for (int key : {1, 9, 10, 27, 31, 127}) hallNameKey(&r, 0, (unsigned char)key);
    EXPECT_STREQ(r.hallNames[0], "");
    for (int key : {32, 0x7E, 0xF6, 0xFF}) hallNameKey(&r, 0, (unsigned char)key);
    EXPECT_STREQ(r.hallNames[0], " ~\xF6\xFF");
}

TEST(NameEntry, WithoutAPlaceEveryKeyIsIgnored) {
    SettingsRecord r = {};
    fillHall(&r, {{"a", 5}});
    SettingsRecord before = r;
    hallNameKey(&r, -1, 'x');
    hallNameKey(&r, -1, 8);
    EXPECT_EQ(memcmp(&before, &r, sizeof r), 0);
}

TEST(NameEntry, AnUnterminatedNameFromTheFileIsCutNotOverrun) {
    SettingsRecord r = {};
    fillHall(&r, {{"", 5}});
    memset(r.hallNames[0], 'z', 32);
    r.hallNames[1][0] = 'q';
    hallNameKey(&r, 0, 8);
    EXPECT_EQ(std::string(r.hallNames[0]), std::string(30, 'z'));
    EXPECT_STREQ(r.hallNames[1], "q");
}

TEST(EndTexts, AWonRunWithAPlaceInvitesTheNameAndMarksItsPlace) {
    resetAll();
    exitDoor.pitch = 100;
    fillHall(&record, {{"Ada", 61.5f}, {"", 70}});
    gameState.hallRank = 1;
    auto all = lines();
    EXPECT_TRUE(hasLine(all, 0.2f, 0.8f, "Geshafft."));
    EXPECT_TRUE(hasLine(all, 0.2f, 0.7f, "Du darfst Dich in der Hall of Fame"));
    EXPECT_TRUE(hasLine(all, 0.2f, 0.62f, "eintragen : "));
    EXPECT_TRUE(hasLine(all, 0.1f, 0.5f, "1:"));
    EXPECT_TRUE(hasLine(all, 0.2f, 0.5f, "0:01:01:50"));
    EXPECT_TRUE(hasLine(all, 0.5f, 0.5f, "Ada"));
    EXPECT_TRUE(hasLine(all, 0.8f, 0.42f, "<---"));
    EXPECT_TRUE(hasLine(all, 0.2f, 0.42f, "0:01:10:00"));
    EXPECT_TRUE(hasLine(all, 0.1f, 0.18f, "5:"));
}

TEST(EndTexts, AnEmptyHallShowsOnlyThePlaceNumbers) {
    resetAll();
    exitDoor.pitch = 100;
    fillHall(&record, {});
    gameState.hallRank = -1;
    record.finalTime = 3725.5f;
    auto all = lines();
    EXPECT_TRUE(hasLine(all, 0.2f, 0.7f,
                        "Zu langsam f\xFC"
                        "r die Hall of Fame"));
    EXPECT_TRUE(hasLine(all, 0.2f, 0.62f, "Deine Zeit war : "));
    EXPECT_TRUE(hasLine(all, 0.6f, 0.62f, "1:02:05:50"));
    int numbers = 0;
    for (const Line& l : all) {
        if (l.y <= 0.5f + 1e-6f) {
            EXPECT_FLOAT_EQ(l.x, 0.1f) << l.text;
            ++numbers;
        }
    }
    EXPECT_EQ(numbers, 5);
}

TEST(EndTexts, ALostRunTellsAboutTheHorseAndShowsNoList) {
    resetAll();
    exitDoor.pitch = 1; // not above 1: lost
    fillHall(&record, {{"Ada", 61.5f}});
    gameState.hallRank = -1;
    auto all = lines();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_TRUE(hasLine(all, 0.2f, 0.8f, "Nicht Geschafft."));
    EXPECT_TRUE(hasLine(all, 0.2f, 0.7f, "Du hast das Pferd getroffen !"));
    EXPECT_TRUE(hasLine(all, 0.2f, 0.62f,
                        "Pass das n\xE4"
                        "chste Mal besser auf."));
}

// ---- With a window and a real settings file.

class EndScreen : public ::testing::Test {
  protected:
    void SetUp() override {
        glTestContext();
        resetAll();
        char dir[] = "/tmp/kx_end_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder = dir;
        settingsFile = folder + "/settings.ini";
        setenv("KAVERNIX_SETTINGS", settingsFile.c_str(), 1);
        setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
    }
    void TearDown() override {
        glutIdleFunc(nullptr);
        unlink(settingsFile.c_str());
        rmdir(folder.c_str());
    }
    SettingsRecord stored() {
        SettingsRecord r = {};
        setupShow(0);
        setupLoad(&r);
        return r;
    }
    std::string folder, settingsFile;
};

TEST_F(EndScreen, AWonRunIsRankedAndItsNameStoredOnceByEnter) {
    fillHall(&record, {{"Ada", 61.5f}, {"Bob", 90}});
    record.finalTime = 75.25f;
    exitDoor.pitch = 100;
    enterEndScreen();
    EXPECT_EQ(gameState.hallRank, 1);
    EXPECT_EQ(gameState.fadeState, 1);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
    for (const char* c = "Zo\xEB"; *c; ++c) nameEntryKeyboard((unsigned char)*c, 0, 0);
    nameEntryKeyboard(13, 0, 0);
    EXPECT_EQ(gameState.fadeState, 3);
    SettingsRecord first = stored();
    EXPECT_STREQ(first.hallNames[1], "Zo\xEB");
    EXPECT_FLOAT_EQ(first.hallTimes[1], 75.25f);
    EXPECT_STREQ(first.hallNames[2], "Bob");

    // The screen is leaving: a second Enter stores nothing and typing changes nothing.
    nameEntryKeyboard('X', 0, 0);
    EXPECT_STREQ(record.hallNames[1], "Zo\xEB");
    strcpy(record.hallNames[1], "changed");
    nameEntryKeyboard(13, 0, 0);
    EXPECT_STREQ(stored().hallNames[1], "Zo\xEB");
}

TEST_F(EndScreen, ALostRunIsNotRankedButEnterStillStoresAndLeaves) {
    fillHall(&record, {{"Ada", 61.5f}});
    record.finalTime = 1.0f; // fast, but the horse was shot
    exitDoor.pitch = 0;
    enterEndScreen();
    EXPECT_EQ(gameState.hallRank, -1);
    EXPECT_FLOAT_EQ(record.hallTimes[0], 61.5f);
    nameEntryKeyboard('x', 0, 0);
    nameEntryKeyboard(13, 0, 0);
    EXPECT_EQ(gameState.fadeState, 3);
    SettingsRecord s = stored();
    EXPECT_STREQ(s.hallNames[0], "Ada");
    EXPECT_FLOAT_EQ(s.hallTimes[0], 61.5f);
}

TEST_F(EndScreen, EscapeDoesNothingOnTheEndScreen) {
    fillHall(&record, {});
    exitDoor.pitch = 100;
    record.finalTime = 10;
    enterEndScreen();
    nameEntryKeyboard(27, 0, 0);
    EXPECT_EQ(gameState.fadeState, 1);
    EXPECT_STREQ(record.hallNames[0], "");
}

namespace {
// A window-sized picture of one colour.
void solidPicture(TgaImage* img, uint32_t rgb) {
    tgaFree(img);
    tgaCreate(img, 24, 256, 256);
    for (int i = 0; i < 256 * 256; ++i) {
        img->pixels[i * 3 + 0] = uint8_t(rgb >> 16);
        img->pixels[i * 3 + 1] = uint8_t(rgb >> 8);
        img->pixels[i * 3 + 2] = uint8_t(rgb);
    }
}
} // namespace

TEST_F(EndScreen, TheWonRunShowsTheLastPictureAndTheLostOneTheDragon) {
    solidPicture(&imgLastPicFit, 0x00FF00);
    solidPicture(&imgBadDragonFit, 0x0000FF);
    record.shadeMode = 2; // filled polygons
    initGlState();        // blending on and neutral, as in the game
    glutDisplayFunc([] {});
    for (int i = 0; i < 20; ++i) glutMainLoopEvent(); // the window is mapped before it is read
    unsigned char pixel[3];
    for (int won = 0; won < 2; ++won) {
        exitDoor.pitch = won ? 50.0f : 0.0f;
        gameState.fadeState = 0;
        endDisplay();
        glReadBuffer(GL_BACK); // a copying swap leaves the frame in the back buffer too
        glReadPixels(2, 128, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel);
        EXPECT_EQ(pixel[0], 0);
        EXPECT_EQ(pixel[1], won ? 255 : 0);
        EXPECT_EQ(pixel[2], won ? 0 : 255);
        // Inside the dark panel the picture keeps 30 percent of its brightness.
        glReadPixels(128, 120, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel);
        EXPECT_NEAR(pixel[won ? 1 : 2], 77, 2);
    }
    tgaFree(&imgLastPicFit);
    tgaFree(&imgBadDragonFit);
}

TEST(EndIdle, EndsTheProgramWithStatusZeroOnceFadedOut) {
    glTestContext();
    resetAll();
    enterEndScreen();
    glutIdleFunc(nullptr);
    endIdle();
    gameState.fadeState = 4;
    // A fresh process: forking one that holds a GL context leaves its driver threads behind.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(endIdle(), ::testing::ExitedWithCode(0), "");
}
