// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard and the pointer as a player uses them on the real program: every press counts, also
// one shorter than a frame, only the keyboard's own repeat does not, and every pixel of the
// pointer's motion turns the view. What the game did is read from the run it keeps when Escape
// ends it.
#include <gtest/gtest.h>
#include "play_fixture.h"

namespace {

const char* const smallMine = "mazeSize = 8\nitemsPerKind = 1\nskipStory = 1\nmodelSource = 1\n";

// A float of the kept run's line `key` (the bits of floats after "key ="): the index-th of them;
// NAN without the line.
float keptValue(const std::string& folder, const std::string& key, int index) {
    const std::string text = readFileText(folder + "/state/kavernix/run.ini");
    size_t at = text.find("\n" + key + " =");
    if (at == std::string::npos) return NAN;
    const char* p = text.c_str() + at + key.size() + 3;
    uint32_t bits = 0;
    for (int i = 0; i <= index; i++) bits = uint32_t(strtoul(p, const_cast<char**>(&p), 16));
    float v;
    memcpy(&v, &bits, 4);
    return v;
}

// Polls the pointer's place on the screen until it lies within the rectangle (20 s at most).
bool pointerComesTo(int x0, int y0, int x1, int y1) {
    for (double until = now() + 20; now() < until; sleepFor(0.1)) {
        const std::string place = sh("xdotool getmouselocation --shell");
        const size_t x = place.find("X="), y = place.find("Y=");
        if (x == std::string::npos || y == std::string::npos) return false;
        const int px = atoi(place.c_str() + x + 2), py = atoi(place.c_str() + y + 2);
        if (px >= x0 && px <= x1 && py >= y0 && py <= y1) return true;
    }
    return false;
}

} // namespace

// P twice in quick succession pauses and resumes, also when the second press is down before the
// game reads the first one's release (the game is stopped while the keys go down and up, as in a
// slow frame); P held while the keyboard repeats it pauses once. The clock
// of the run kept by Escape shows which: it stands from the pause on.
TEST_F(Play, AQuickSecondPressCountsTheKeyboardsRepeatDoesNot) {
    const struct {
        const char* what;
        const char* keys;
        bool running;
    } cases[] = {{"pressed twice", "keydown p keyup p keydown p", true}, {"held", "keydown p", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const double started = now(); // the game's clock starts later
        ASSERT_TRUE(start(smallMine)) << "no window titled Kavernix";
        ASSERT_TRUE(gameShown()) << "no lamp frame";
        const double pressed = now();
        // A slow frame: the keys wait in the X server's queue until the game reads them.
        kill(pid, SIGSTOP);
        xdo(c.keys);
        kill(pid, SIGCONT);
        sleepFor(5); // the keyboard repeats a held key after 660 ms, 25 times a second
        xdo("keyup p");
        const double left = now();
        xdo("key Escape");
        ASSERT_EQ(waitExit(20), 0);
        const float time = keptValue(folder, "time", 0);
        if (c.running)
            EXPECT_GT(time, left - pressed - 0.3) << "the game runs";
        else
            EXPECT_LT(time, pressed - started + 0.2) << "the game is paused from the first press on";
        EXPECT_EQ(sanitizerReport(), "");
    }
}

// A quick burst of pointer motion turns the view by every pixel of it (mouseSpeed 5: a twelfth of a
// degree each) on a small window, which the burst leaves before the game can bring the pointer
// back, and on a larger one. The window is moved to the middle of the screen first, so that the
// screen's edge stops no burst; moving it turns nothing.
TEST_F(Play, EveryPixelOfAPointerBurstTurnsTheView) {
    const struct {
        int w, h, moves, dx;
    } cases[] = {{256, 192, 20, 20}, {256, 192, 20, -25}, {640, 480, 20, 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + ", " + std::to_string(c.moves) +
                     " moves of " + std::to_string(c.dx));
        ASSERT_TRUE(start(std::string(smallMine) + "windowWidth = " + std::to_string(c.w) +
                          "\nwindowHeight = " + std::to_string(c.h) + "\n"))
            << "no window titled Kavernix";
        const int x0 = 512 - c.w / 2, y0 = 384 - c.h / 2;
        xdo("windowmove " + window + " " + std::to_string(x0) + " " + std::to_string(y0));
        crop = std::to_string(c.w) + "x" + std::to_string(c.h) + "+" + std::to_string(x0) + "+" +
               std::to_string(y0);
        const Rgb frame = fitted(*stencil, c.w, c.h);
        const Region around = lampRegions(*stencil, c.w, c.h, 3).frame;
        ASSERT_TRUE(pollFor(60, [&](const Shot& s) { return shows(s, frame, around); })) << "no lamp frame";
        // The game screen brings the pointer to its window's centre once it strays.
        ASSERT_TRUE(pointerComesTo(512 - 1, 384 - 1, 512 + 1, 384 + 1)) << "the pointer stays away";
        std::string burst;
        for (int i = 0; i < c.moves; i++) burst += " mousemove_relative -- " + std::to_string(c.dx) + " 0";
        xdo(burst);
        EXPECT_TRUE(pointerComesTo(x0, y0, x0 + c.w - 1, y0 + c.h - 1)) << "the pointer stays away";
        sleepFor(0.3);
        xdo("key Escape");
        ASSERT_EQ(waitExit(20), 0);
        float turn = keptValue(folder, "player", 3) - 90; // the run starts heading +x
        if (turn > 180) turn -= 360;
        if (turn < -180) turn += 360;
        EXPECT_NEAR(turn, float(c.moves * c.dx) * 5 / 60, 0.2f);
        expectReplayChecks("left", "pointer-burst-" + std::to_string(c.w) + (c.dx < 0 ? "-left" : "-right"));
        EXPECT_EQ(sanitizerReport(), "");
    }
}

// Up pressed and let go within one frame (the game is stopped meanwhile) walks the player for one
// frame: a little way ahead of the start place (1.5, 1.5, heading +x), no further.
TEST_F(Play, AKeyTappedWithinOneFrameWalksForThatFrame) {
    ASSERT_TRUE(start(smallMine)) << "no window titled Kavernix";
    ASSERT_TRUE(gameShown()) << "no lamp frame";
    kill(pid, SIGSTOP);
    xdo("key Up");
    kill(pid, SIGCONT);
    sleepFor(0.5);
    xdo("key Escape");
    ASSERT_EQ(waitExit(20), 0);
    EXPECT_GT(keptValue(folder, "player", 0), 1.5f) << "the tap walked";
    EXPECT_LT(keptValue(folder, "player", 0), 1.55f) << "for one frame";
    EXPECT_EQ(keptValue(folder, "player", 2), 1.5f);
    EXPECT_EQ(sanitizerReport(), "");
}
