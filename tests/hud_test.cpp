// The head-up display's texts: how long a message stays, the status field's alternation, the
// rider label, and the clock and frame-rate formats.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "app/record.h"
#include "text/hud.h"

namespace {

std::string status(float gameTime) {
    char clock[32];
    record.gameTime = gameTime;
    return hudStatusText("Tarvin", clock);
}

} // namespace

TEST(HudStatus, AMessageStaysForTheRestOfItsSecondAndTheNextThenClockAndLabelAlternate) {
    memset(&record, 0, sizeof record);
    showMessage("Shoot");
    EXPECT_EQ(status(0.0f), "Tarvin") << "set at game time 0: never shown";
    EXPECT_EQ(status(1.5f), "0:00:01:50");
    record.gameTime = 7.2f;
    showMessage("Portal on");
    for (float t : {7.2f, 7.99f, 8.0f, 8.99f}) EXPECT_EQ(status(t), "Portal on") << t;
    EXPECT_EQ(status(9.0f), "0:00:09:00") << "gone at 9.0: an odd second shows the clock";
    EXPECT_EQ(status(10.0f), "Tarvin");
    showMessage("0123456789012345678901234567890123456789");
    EXPECT_EQ(std::string(record.messageText), "0123456789012345678901234567890");
}

TEST(HudStatus, RiderLabelFollowsTheRiderStateAndFallsBackOutsideTheTable) {
    const char* expected[] = {"Tarvin", "Horse", "Ride", "Get on", "Get Off", "Tarvin"};
    for (int i = -1; i < 6; ++i) {
        record.riderState = i;
        EXPECT_STREQ(riderLabel(), expected[i < 0 ? 0 : i]) << i;
    }
}

TEST(HudFormat, ClockAndFrameRate) {
    char text[32];
    struct {
        float seconds;
        const char* text;
    } clocks[] = {{3725.5f, "1:02:05:50"}, {59.9f, "0:00:59:90"}, {36000.25f, "10:00:00:25"}};
    for (const auto& c : clocks) {
        formatClock(c.seconds, text);
        EXPECT_STREQ(text, c.text);
    }
    struct {
        float fps;
        const char* text;
    } rates[] = {{59.87f, "FPS:59.87"}, {7.5f, "FPS: 7.50"}, {100000.0f, "FPS:100000.00"}};
    for (const auto& r : rates) {
        formatFps(r.fps, text);
        EXPECT_STREQ(text, r.text);
    }
}
