// SPDX-License-Identifier: GPL-3.0-or-later
// The controls' choices by their effect on the screen: the W A S D layout with the rendering switches
// it displaced on keys of their own, one tap of Home walking both out, and a slower pace that takes
// longer and is not entered in the hall of fame.
#include <gtest/gtest.h>
#include "play_fixture.h"

namespace {

const char* const smallMine = "mazeSize = 8\nitemsPerKind = 1\nskipStory = 1\nmodelSource = 1\n";
const char* const wasd = "keyForward = w\nkeyStepLeft = a\nkeyBack = s\nkeyStepRight = d\n"
                         "keyShade = k\nkeyDistanceDetail = j\n";

// No items, no diamonds needed: standing in the exit cell with the horse opens the door.
const char* const emptyMine = "mazeSize = 4\nitemsPerKind = 0\ndiamondsNeeded = 0\nskipStory = 1\n"
                              "modelSource = 1\nrouteKeys = tap\n";

bool wireframe(const Shot& s) {
    return share(s, *Play::view, pureWhite) > 0.3;
}

} // namespace

// W, S and the arrows walk (the map moves), S no longer shades while it walks back, and K, where the
// layout moved the shading, turns wireframe on and, twice more, off again.
TEST_F(Play, WasdWalksAndTheDisplacedSwitchesWorkOnTheirNewKeys) {
    ASSERT_TRUE(start(std::string(smallMine) + wasd)) << "no window titled Kavernix";
    ASSERT_TRUE(gameShown()) << "no lamp frame";
    for (const char* key : {"w", "s", "Up", "a"}) {
        SCOPED_TRACE(key);
        const Shot before = settled(*mapBox, 10);
        xdo(std::string("keydown ") + key);
        bool walked = pollFor(10, [&](const Shot& s) { return differing(before, s, *mapBox) > 50; });
        xdo(std::string("keyup ") + key);
        EXPECT_TRUE(walked) << "holding the key did not move the player on the map";
        EXPECT_FALSE(wireframe(last)) << "a walking key switched the shading";
    }
    xdo("key k");
    EXPECT_TRUE(pollFor(5, wireframe)) << "k does not switch to wireframe";
    xdo("key k");
    xdo("key k");
    EXPECT_TRUE(pollFor(5, [](const Shot& s) { return !wireframe(s); })) << "smooth shading again";
    xdo("key Escape");
    EXPECT_EQ(waitExit(20), 0);
    EXPECT_EQ(readFileText(folder + "/err.txt").find("key already"), std::string::npos)
        << "the layout's keys are taken as they are";
    EXPECT_EQ(sanitizerReport(), "");
}

// With routeKeys = tap one press of Home walks the player and the horse out: the door opens and the
// won end screen comes. At half pace the same run takes about twice as long, and it is not entered in
// the hall of fame, where the run at full pace takes the first place.
TEST_F(Play, OneTapWalksOutAndHalfPaceTakesTwiceAsLong) {
    const struct {
        int speed;
        const char* name; // typed on the end screen
        bool entered;
    } runs[] = {{100, "A", true}, {50, "B", false}};
    double seconds[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        const auto& run = runs[i];
        SCOPED_TRACE(run.speed);
        if (i > 0) std::remove((folder + "/settings.ini").c_str());
        ASSERT_TRUE(start(std::string(emptyMine) + "gameSpeed = " + std::to_string(run.speed) + "\n"));
        ASSERT_TRUE(gameShown()) << "no lamp frame";
        settled(*view, 10);
        const double tapped = now();
        xdo("key Home");
        ASSERT_TRUE(pollFor(240, endScreenShown)) << "one tap of Home did not reach the end";
        seconds[i] = now() - tapped;
        EXPECT_TRUE(shows(last, *wonFit, *endRim)) << "the end screen judges the run as won";
        settled(*whole, 10);
        xdo(std::string("type --delay 60 ") + run.name);
        xdo("key Return");
        ASSERT_EQ(waitExit(20), 0) << "Enter on the end screen ends the program";
        const std::string stored = readFileText(folder + "/settings.ini");
        EXPECT_EQ(valueOf(stored, "hallName1"), run.entered ? run.name : "") << stored;
        EXPECT_EQ(valueOf(stored, "hallTime1") == "30000", !run.entered) << stored;
        EXPECT_EQ(sanitizerReport(), "");
    }
    // The fades keep real time, so the whole run is a little less than twice as long.
    EXPECT_GT(seconds[1], 1.5 * seconds[0])
        << seconds[0] << " s at full pace, " << seconds[1] << " s at half";
    EXPECT_LT(seconds[1], 2.4 * seconds[0])
        << seconds[0] << " s at full pace, " << seconds[1] << " s at half";
}
