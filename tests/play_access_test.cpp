// SPDX-License-Identifier: GPL-3.0-or-later
// The choices for players who hear or see less, by their effect on the screen: the captions name
// the side a spider is heard from, the map's symbols have shapes of their own, and the brighter
// lamp lights the view more.
#include <gtest/gtest.h>
#include "play_fixture.h"

namespace {

// The mine of size 10 with 3 items of each kind has one spider, in the cell just past the start's
// right-hand wall, and nothing else within hearing.
const char* const spiderBeside = "mazeSize = 10\nitemsPerKind = 3\nskipStory = 1\nmouseSpeed = 20\n";

// The newest caption's row of the glass, and the width of a caption's glyph (a 56th of the height).
const int captionTop = 346, captionBottom = 370;
const double captionGlyph = H / 56.0;

// The white ink of the lowest caption line: its width in glyphs (0: no caption).
int captionGlyphs(const Shot& s) {
    int x0 = W, x1 = -1;
    for (int y = captionTop; y < captionBottom; ++y)
        for (int x = int(0.44 * W) - 160; x < int(0.44 * W) + 160; ++x)
            if (std::min({s.at(x, y)[0], s.at(x, y)[1], s.at(x, y)[2]}) > 190)
                x0 = std::min(x0, x), x1 = std::max(x1, x);
    // The ink of a line stands about 6 pixels inside its glyphs' cells.
    return x1 < 0 ? 0 : int(std::lround((x1 - x0 + 1 + 6) / captionGlyph));
}

// Where the map shows the pixels of a colour, from its middle (the player), in window pixels with y
// up; `none` when it shows none.
struct Mark {
    int count = 0;
    double dx = 0, dy = 0;
    int x0 = W, x1 = -1, y0 = H, y1 = -1; // bounding box, screen rows top down
};
Mark mapMark(const Shot& s, const std::function<bool(const uint8_t*)>& colour) {
    Mark m;
    for (auto& p : *Play::mapBox)
        if (colour(s.at(p.first, p.second))) {
            m.count += 1;
            m.dx += p.first - 0.83 * W;
            m.dy += (H - p.second) - 0.82 * H;
            m.x0 = std::min(m.x0, p.first), m.x1 = std::max(m.x1, p.first);
            m.y0 = std::min(m.y0, p.second), m.y1 = std::max(m.y1, p.second);
        }
    if (m.count) m.dx /= m.count, m.dy /= m.count;
    return m;
}
bool yellow(const uint8_t* p) {
    return p[0] > 200 && p[1] > 200 && p[2] < 60;
}
bool red(const uint8_t* p) {
    return p[0] > 200 && p[1] < 60 && p[2] < 60;
}
bool green(const uint8_t* p) {
    return p[0] < 60 && p[1] > 200 && p[2] < 60;
}
bool blue(const uint8_t* p) {
    return p[0] < 60 && p[1] < 60 && p[2] > 200;
}

} // namespace

// With captions on, the spider beside the start is heard on the right; turned round, on the left,
// and each line is as long as its side's word ("Spider scuttling, right", "..., left"). With
// captions off the same spider gives no line.
TEST_F(Play, CaptionNamesTheSideTheSpiderIsHeardFrom) {
    ASSERT_TRUE(start(std::string(spiderBeside) + "captions = 1\n")) << "no window titled Kavernix";
    ASSERT_TRUE(gameShown());
    const struct {
        const char* side;
        bool (*onSide)(const Mark&);
        int glyphs;
    } sides[] = {
        {"right", [](const Mark& m) { return m.dx > 4 && std::fabs(m.dx) > 1.2 * std::fabs(m.dy); }, 23},
        {"left", [](const Mark& m) { return m.dx < -4 && std::fabs(m.dx) > 1.2 * std::fabs(m.dy); }, 22},
    };
    for (const auto& side : sides) {
        SCOPED_TRACE(side.side);
        // The pointer turns the player until the map shows the spider on that side.
        bool there = side.onSide(mapMark(shot(), yellow));
        for (int i = 0; i < 30 && !there; ++i) {
            pointerMove(30, 0);
            sleepFor(0.15);
            there = side.onSide(mapMark(shot(), yellow));
        }
        ASSERT_TRUE(there) << "the map never showed the spider on the " << side.side;
        // A line said after the turn: the captions go quiet, then the spider is heard again.
        ASSERT_TRUE(pollFor(8, [](const Shot& s) { return captionGlyphs(s) == 0; })) << "the caption stays";
        ASSERT_TRUE(pollFor(8, [](const Shot& s) { return captionGlyphs(s) > 10; })) << "no caption";
        EXPECT_EQ(captionGlyphs(last), side.glyphs);
        EXPECT_TRUE(side.onSide(mapMark(last, yellow)));
    }
    xdo("key Escape");
    EXPECT_EQ(waitExit(20), 0);

    ASSERT_TRUE(start(spiderBeside)) << "captions off";
    ASSERT_TRUE(gameShown());
    EXPECT_FALSE(pollFor(7, [](const Shot& s) { return captionGlyphs(s) > 0; }))
        << "a caption with captions off";
    EXPECT_EQ(sanitizerReport(), "");
}

// The map read back on the smallest mine, which it shows whole: without symbols the player, the horse
// and the way out are filled squares; with them the player is an arrow pointing up the map (where he
// looks), narrow at its tip and wide at its base, the horse a disc, which fills less of its box than
// a square does, and the way out a hollow frame, which fills less still.
TEST_F(Play, MapSymbolsHaveShapesOfTheirOwn) {
    const struct {
        int symbols;
        double tipShare;              // the red's top row by its widest row, at most
        double horseLeast, horseMost; // the blue's share of its box
        double exitLeast, exitMost;   // the green's share of its box
    } cases[] = {
        {0, 1.01, 0.95, 1.01, 0.95, 1.01},
        {1, 0.35, 0.65, 0.88, 0.45, 0.75},
    };
    auto fill = [](const Mark& m) { return double(m.count) / ((m.x1 - m.x0 + 1) * (m.y1 - m.y0 + 1)); };
    for (const auto& c : cases) {
        SCOPED_TRACE("mapSymbols = " + std::to_string(c.symbols));
        ASSERT_TRUE(start("mazeSize = 4\nitemsPerKind = 0\ndiamondsNeeded = 0\nskipStory = 1\nmapSymbols = " +
                          std::to_string(c.symbols) + "\n"));
        ASSERT_TRUE(gameShown());
        const Shot s = settled(*mapBox, 5);
        const Mark player = mapMark(s, red), horse = mapMark(s, blue), exit = mapMark(s, green);
        ASSERT_GT(player.count, 40);
        ASSERT_GT(horse.count, 40);
        ASSERT_GT(exit.count, 40);
        EXPECT_LT(std::hypot(player.dx, player.dy), 5) << "the player in the map's middle";
        int top = 0, widest = 0;
        for (int y = player.y0; y <= player.y1; ++y) {
            int row = 0;
            for (int x = player.x0; x <= player.x1; ++x) row += red(s.at(x, y));
            if (y == player.y0) top = row;
            widest = std::max(widest, row);
        }
        EXPECT_GT(player.y1 - player.y0, 12) << "the mark is long enough to judge";
        EXPECT_LE(double(top) / widest, c.tipShare) << top << " of " << widest;
        EXPECT_GE(fill(horse), c.horseLeast);
        EXPECT_LE(fill(horse), c.horseMost);
        EXPECT_GE(fill(exit), c.exitLeast);
        EXPECT_LE(fill(exit), c.exitMost);
        xdo("key Escape");
        EXPECT_EQ(waitExit(20), 0);
    }
}

// The brighter lamps light the view more than the plain one; the lamp frame stays as it is.
TEST_F(Play, BrighterLampLightsTheViewMore) {
    double previous = -1;
    for (int level : {0, 1, 2}) {
        SCOPED_TRACE("lampBrightness = " + std::to_string(level));
        ASSERT_TRUE(start(std::string(spiderBeside) + "lampBrightness = " + std::to_string(level) + "\n"));
        ASSERT_TRUE(gameShown());
        const Shot s = settled(*view, 5);
        const double light =
            regionMean(s, *view, [](const uint8_t* p, int, int) { return p[0] + p[1] + p[2]; });
        EXPECT_GT(light, previous * 1.1) << light;
        EXPECT_TRUE(lampFrameShown(s));
        previous = light;
        xdo("key Escape");
        EXPECT_EQ(waitExit(20), 0);
    }
}

// Paused, a mine but the classic one names its code under the hint, so it can be read out while
// playing: light letters on the row below the hint's "Press P to go on".
TEST_F(Play, PausedCodedMineShowsItsCode) {
    const struct {
        const char* mine;
        bool code;
    } cases[] = {{"classic", false}, {"daily", true}, {"16-5-3-K7QX2MD", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mine);
        ASSERT_TRUE(start(std::string("skipStory = 1\nmine = ") + c.mine + "\n"));
        ASSERT_TRUE(gameShown());
        xdo("key p");
        // The code's row: 41 % of the stage from its bottom, a twentieth high.
        const Region row = within(*whole, 0.25, 0.63, 1 - 0.41 - 0.05, 1 - 0.41, W, H);
        const auto light = [&](const Shot& s) {
            return share(s, row, [](const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; });
        };
        // A slow machine draws the paused picture late: wait for it to stay.
        if (c.code)
            EXPECT_TRUE(pollFor(10, [&](const Shot& s) { return light(s) > 0.05; }));
        else
            EXPECT_LT(light(settled(*whole, 10)), 0.01);
        xdo("key Escape");
        EXPECT_EQ(waitExit(20), 0);
    }
}

// The pause hint names what goes on with what was used last: P after the keyboard ("Press P to go
// on", 16 glyphs), the pad's Start after the pad ("Press Start to go on", 20), in the hint's glyphs of
// a fortieth of the height.
TEST_F(Play, PauseHintNamesThePadsStartAfterThePad) {
    const struct {
        const char* how;
        bool byPad;
        int glyphs;
    } cases[] = {{"key p", false, 16}, {"pad start", true, 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        usePad();
        ASSERT_TRUE(start("skipStory = 1\n"));
        ASSERT_TRUE(gameShown());
        if (c.byPad)
            padPress("start");
        else
            xdo("key p");
        sleepFor(0.6);
        const Shot s = shot();
        // The hint's row, 48 % of the stage from its bottom, a twentieth high.
        int x0 = W, x1 = -1;
        for (int y = int(H * (1 - 0.48 - 0.05)); y < int(H * (1 - 0.48)); ++y)
            for (int x = int(0.44 * W) - 200; x < int(0.44 * W) + 200; ++x)
                if (std::min({s.at(x, y)[0], s.at(x, y)[1], s.at(x, y)[2]}) > 190)
                    x0 = std::min(x0, x), x1 = std::max(x1, x);
        ASSERT_GE(x1, 0) << "no hint";
        EXPECT_EQ(std::lround((x1 - x0 + 1 + 6) / (H / 40.0)), c.glyphs) << x1 - x0 + 1 << " pixels";
        xdo("key Escape");
        EXPECT_EQ(waitExit(20), 0);
    }
}

// A run kept by Escape waits for --continue: with the dialog off, the next start says so high in
// the glass for its first seconds; a start with nothing kept says nothing there.
TEST_F(Play, AKeptRunIsAnnouncedInTheWindow) {
    const Region notice = within(*view, 0.25, 0.63, 1 - 0.78 - 0.05, 1 - 0.78 + 0.05, W, H);
    auto light = [&](const Shot& s) {
        return share(s, notice, [](const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; });
    };
    for (bool kept : {false, true}) {
        SCOPED_TRACE(kept ? "a run kept" : "nothing kept");
        ASSERT_TRUE(start("skipStory = 1\n"));
        ASSERT_TRUE(gameShown());
        // Polled past the fade-in, within the notice's seconds.
        EXPECT_EQ(pollFor(5, [&](const Shot& s) { return light(s) > 0.03; }), kept) << light(last);
        sleepFor(0.5);
        xdo("key Escape"); // keeps this run for the next start
        EXPECT_EQ(waitExit(20), 0);
    }
}

// The boss picture speaks the game's language: the English sheet in English, the German one (the
// picture the game always had) in German.
TEST_F(Play, TheBossPictureSpeaksTheGamesLanguage) {
    const struct {
        const char* language;
        const char* picture;
    } cases[] = {{"en", "boss-en.tga"}, {"de", "boss.tga"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        const Rgb sheet = fitted(readPicture(std::string(KX_RUN_DIR "/") + c.picture), W, H);
        ASSERT_FALSE(sheet.empty());
        ASSERT_TRUE(start(std::string("skipStory = 1\nlanguage = ") + c.language + "\n"));
        ASSERT_TRUE(gameShown());
        xdo("key B");
        EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return shows(s, sheet, *whole); }))
            << meanDifference(last, sheet, *whole);
        xdo("key Escape");
        EXPECT_EQ(waitExit(20), 0);
    }
}
