// SPDX-License-Identifier: GPL-3.0-or-later
// The head-up display's texts: how long a message stays, the status field's alternation, the
// rider label, and the clock and frame-rate formats.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "app/record.h"
#include "game/rider.h"
#include "text/hud.h"

static std::string status(float gameTime) {
    char clock[32];
    record.gameTime = gameTime;
    return hudStatusText("Tarvin", clock);
}

// A message stays for the rest of its second and the next, keeping its first 31 bytes; without one,
// odd seconds show the clock, even ones the label, which falls back to the player's name for a rider
// state outside the table (the states' own labels are checked where the game sets them).
TEST(HudStatus, MessagesThenClockAndLabelTakeTurns) {
    memset(&record, 0, sizeof record);
    EXPECT_EQ(status(1.5f), "0:00:01:50");
    EXPECT_EQ(status(10.0f), "Tarvin");
    record.gameTime = 0;
    showMessage("Shoot");
    EXPECT_EQ(status(0.0f), "Tarvin") << "set at game time 0: never shown";
    record.gameTime = 7.2f;
    showMessage("Portal on");
    for (float t : {7.2f, 7.99f, 8.0f, 8.99f}) EXPECT_EQ(status(t), "Portal on") << t;
    EXPECT_EQ(status(9.0f), "0:00:09:00") << "gone at 9.0";
    showMessage("0123456789012345678901234567890123456789");
    EXPECT_EQ(std::string(record.messageText), "0123456789012345678901234567890");
    for (int state : {-1, 0, 5}) {
        record.riderState = state;
        EXPECT_STREQ(riderLabel(), "Tarvin") << state;
    }
}

TEST(HudFormat, TheStatusNumbersShowHundredths) {
    // clang-format off
    const struct { void (*format)(float, char*); float value; const char* text; } cases[] = {
        {formatClock, 3725.5f, "1:02:05:50"}, {formatClock, 59.9f, "0:00:59:90"},
        {formatClock, 36000.25f, "10:00:00:25"}, {hudFormatFps, 59.87f, "FPS:59.87"},
        // Whole hundredths before the split, with the carry into seconds and hours.
        {formatClock, 3599.99f, "0:59:59:99"}, {formatClock, 3599.999f, "1:00:00:00"},
        {formatClock, 0.07f, "0:00:00:07"}, {formatClock, 59.996f, "0:01:00:00"},
        {hudFormatFps, 7.5f, "FPS: 7.50"}, {hudFormatFps, 100000.0f, "FPS:100000.00"}}; // clang-format on
    for (const auto& c : cases) {
        char text[32];
        c.format(c.value, text);
        EXPECT_STREQ(text, c.text);
    }
}
