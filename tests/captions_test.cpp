// SPDX-License-Identifier: GPL-3.0-or-later
// The captions' rules without a window: the side a sound comes from, the line in each language,
// how long lines show, and a spider heard within its distance once per pause.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <tuple>
#include <unistd.h>
#include "app/captions.h"
#include "app/lang.h"
#include "app/lang_text.h"
#include "app/record.h"
#include "brep/catalogue.h"
#include "game/actor.h"

namespace {

class Captions : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(chdir(KX_RUN_DIR), 0); // the run folder holds locale/ as the game's data folder does
        memset(&record, 0, sizeof record);
        record.captions = 1;
        player.x = 1.5f, player.z = 1.5f, player.heading = 90;
        modelTable[ROW_SPIDER].count = 0;
        captionsReset();
    }
    void TearDown() override {
        langApply(LANG_EN);
        modelTable[ROW_SPIDER].count = 0;
    }
    static std::vector<std::string> shown() {
        const char* lines[captionLinesShown];
        const int n = captionLines(lines);
        return std::vector<std::string>(lines, lines + n);
    }
};

} // namespace

// A line names the sound and its side in the player's language, the side seen from where the player
// looks (heading 90 looks along +x, so -z is on the left); one at the player's own place names no side.
TEST_F(Captions, TheLineSpeaksThePlayersLanguage) {
    const std::tuple<int, CaptionId, float, float, const char*> cases[] = {
        {LANG_EN, CAPTION_SPIDER, 1.5f, 0.5f, "Spider scuttling, left"},
        {LANG_EN, CAPTION_DOOR, 4.5f, 1.5f, "Door creaks open, ahead"},
        {LANG_EN, CAPTION_OIL, 1.5f, 1.5f, "Oil can picked up"},
        {LANG_DE, CAPTION_SPIDER, 1.5f, 2.5f, "Spinne krabbelt, rechts"},
        {LANG_DE, CAPTION_HOOVES, 0.0f, 1.5f, "Hufschlag naht, hinten"},
        {LANG_DE, CAPTION_OIL, 1.5f, 1.5f, "\xD6lkanne aufgehoben"},
    };
    for (const auto& [language, id, x, z, line] : cases) {
        ASSERT_EQ(langApply(language), language);
        captionsReset();
        captionSay(id, x, z);
        EXPECT_EQ(shown(), std::vector<std::string>{line});
    }
}

// Lines show for two seconds of the clock, at most three, oldest first; with captions off nothing
// is said.
TEST_F(Captions, LinesShowTwoSecondsAtMostThree) {
    record.gameTime = 10;
    captionSay(CAPTION_STRAW, 1.5f, 1.5f);
    record.gameTime = 11;
    captionSay(CAPTION_OIL, 1.5f, 1.5f);
    captionSay(CAPTION_DIAMOND, 1.5f, 1.5f);
    captionSay(CAPTION_SPIDER_CAUGHT, 1.5f, 1.5f);
    EXPECT_EQ(shown(), (std::vector<std::string>{"Oil can picked up", "Diamond picked up", "Spider caught"}));
    record.gameTime = 12.5f;
    EXPECT_EQ(shown().size(), 3u);
    record.gameTime = 13.01f;
    EXPECT_EQ(shown().size(), 0u);
    record.captions = 0;
    captionSay(CAPTION_ARROW, 3, 3);
    EXPECT_EQ(shown().size(), 0u);
}

// A spider within hearing is captioned at once and again only after the pause; one beyond it never.
TEST_F(Captions, ASpiderIsHeardWithinItsDistanceOncePerPause) {
    static Actor room[MAX_INSTANCES];
    ModelEntry& spiders = modelTable[ROW_SPIDER];
    spiders.entities = room;
    spiders.count = 2;
    spiders.entities[0].x = 1.5f, spiders.entities[0].z = 1.5f - (captionSpiderHearing - 0.1f);
    spiders.entities[1].x = 1.5f + captionSpiderHearing + 0.1f, spiders.entities[1].z = 1.5f;
    const std::tuple<float, size_t> frames[] = {{1.0f, 1},
                                                {1.0f + captionSeconds - 0.1f, 1},
                                                {1.0f + captionRepeatSeconds - 0.1f, 0},
                                                {1.0f + captionRepeatSeconds, 1}};
    for (const auto& [time, lines] : frames) {
        record.gameTime = time;
        captionSpiders();
        EXPECT_EQ(shown().size(), lines) << "at " << time;
    }
    EXPECT_EQ(shown(), std::vector<std::string>{"Spider scuttling, left"});
}
