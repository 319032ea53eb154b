// The head-up display: message timing, the status field's alternation, the clock and frame-rate
// formats, and the size of the large characters read back from GL's feedback stream.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>
#include "app/record.h"
#include "app/screens.h"
#include "gl_context.h"
#include "gl_feedback.h"
#include "image/tga.h"
#include "text/font.h"
#include "text/hud.h"

namespace {

std::string status(float gameTime) {
    char clock[32];
    record.gameTime = gameTime;
    return hudStatusText("Tarvin", clock);
}

std::string clockText(float seconds) {
    char text[32];
    formatClock(seconds, text);
    return text;
}

std::string fpsText(float fps) {
    char text[32];
    formatFps(fps, text);
    return text;
}

void resetRecord() {
    memset(&record, 0, sizeof record);
    record.windowWidth = 800;
    record.windowHeight = 600;
}

} // namespace

TEST(HudMessage, StaysForTheRestOfItsSecondAndTheNextOne) {
    resetRecord();
    record.gameTime = 7.2f;
    showMessage("Portal on");
    EXPECT_EQ(status(7.2f), "Portal on");
    EXPECT_EQ(status(7.99f), "Portal on");
    EXPECT_EQ(status(8.0f), "Portal on");
    EXPECT_EQ(status(8.99f), "Portal on");
    EXPECT_EQ(status(9.0f), "0:00:09:00") << "gone at 9.0: an odd second shows the clock";
    EXPECT_EQ(status(10.0f), "Tarvin");
}

TEST(HudMessage, SetAtGameTimeZeroIsNeverShown) {
    resetRecord();
    showMessage("Shoot");
    EXPECT_STREQ(record.messageText, "Shoot");
    EXPECT_EQ(status(0.0f), "Tarvin");
    EXPECT_EQ(status(1.5f), "0:00:01:50");
}

TEST(HudMessage, LongTextIsCutToThirtyOneBytesAndTerminated) {
    resetRecord();
    memset(record.messageText, 'x', sizeof record.messageText);
    record.gameTime = 3;
    showMessage("0123456789012345678901234567890123456789");
    EXPECT_EQ(std::string(record.messageText), "0123456789012345678901234567890");
    EXPECT_FLOAT_EQ(record.messageTime, 3.0f);
    showMessage("LOD");
    EXPECT_STREQ(record.messageText, "LOD");
}

TEST(HudStatus, AlternatesClockInOddSecondsAndLabelInEvenOnes) {
    resetRecord();
    EXPECT_EQ(status(59.9f), "0:00:59:90");
    EXPECT_EQ(status(60.0f), "Tarvin");
    EXPECT_EQ(status(0.5f), "Tarvin");
}

TEST(HudStatus, RiderLabelFollowsRiderStateAndFallsBackOutsideTheTable) {
    resetRecord();
    const char* expected[5] = {"Tarvin", "Horse", "Ride", "Get on", "Get Off"};
    for (int i = 0; i < 5; ++i) {
        record.riderState = i;
        EXPECT_STREQ(riderLabel(), expected[i]);
    }
    record.riderState = 5;
    EXPECT_STREQ(riderLabel(), "Tarvin");
    record.riderState = -1;
    EXPECT_STREQ(riderLabel(), "Tarvin");
}

TEST(HudFormat, ClockIsHoursMinutesSecondsHundredths) {
    EXPECT_EQ(clockText(3725.5f), "1:02:05:50");
    EXPECT_EQ(clockText(0.0f), "0:00:00:00");
    EXPECT_EQ(clockText(59.9f), "0:00:59:90");
    EXPECT_EQ(clockText(36000.25f), "10:00:00:25");
}

TEST(HudFormat, FrameRateHasTwoDecimalsAndAPaddedWholePart) {
    EXPECT_EQ(fpsText(59.87f), "FPS:59.87");
    EXPECT_EQ(fpsText(7.5f), "FPS: 7.50");
    EXPECT_EQ(fpsText(100000.0f), "FPS:100000.00");
    EXPECT_EQ(fpsText(0.0f), "FPS: 0.00");
}

// ---- Drawing, read back as GL feedback in window pixels.

namespace {

struct Box {
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    int polygons = 0;
};

Box boxOf(const std::vector<FbItem>& items) {
    Box b;
    for (const FbItem& item : items) {
        if (item.token != GL_POLYGON_TOKEN) continue;
        ++b.polygons;
        for (const FbVertex& v : item.v) {
            b.x0 = std::min(b.x0, v.x);
            b.y0 = std::min(b.y0, v.y);
            b.x1 = std::max(b.x1, v.x);
            b.y1 = std::max(b.y1, v.y);
        }
    }
    return b;
}

class HudDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        glTestContext();
        resetRecord();
        static bool built = false;
        if (!built) {
            fontBuildLists(&imgFont);
            built = true;
        }
    }
    FbView view() {
        FbView v;
        v.lo = -10;
        v.hi = 1000;
        return v;
    }
};

const float white[4] = {1, 1, 1, 0};

} // namespace

TEST_F(HudDrawing, LargeCharacterIs32By50PixelsInAn800By600Window) {
    auto items = feedbackCapture([] { drawCounter(0.12f, 0.035f, 6, white); }, view());
    Box b = boxOf(items);
    ASSERT_GT(b.polygons, 0);
    EXPECT_NEAR(b.x0, 96, 0.01);
    EXPECT_NEAR(b.y0, 21, 0.01);
    EXPECT_NEAR(b.x1 - b.x0, 32, 0.01);
    EXPECT_NEAR(b.y1 - b.y0, 50, 0.01);
}

TEST_F(HudDrawing, LargeTextTakesOneCellPerByteNewlineIncluded) {
    auto items = feedbackCapture([] { drawTextLarge(0, 0, "ab\nc", white); }, view());
    Box b = boxOf(items);
    EXPECT_NEAR(b.x1 - b.x0, 4 * 32, 0.01);
    EXPECT_NEAR(b.y1 - b.y0, 50, 0.01) << "one line only";
}

TEST_F(HudDrawing, FrameRateIsDrawnOnlyWhileSwitchedOn) {
    record.showFps = 0;
    auto none = feedbackCapture([] { drawFps(0.01f, 0.2f, 59.87f, white); }, view());
    EXPECT_EQ(boxOf(none).polygons, 0);
    record.showFps = 1;
    auto some = feedbackCapture([] { drawFps(0.01f, 0.2f, 59.87f, white); }, view());
    Box b = boxOf(some);
    ASSERT_GT(b.polygons, 0);
    // "FPS:59.87" in small glyphs of 16 x 30 pixels.
    EXPECT_NEAR(b.x1 - b.x0, 9 * 16, 0.01);
    EXPECT_NEAR(b.y1 - b.y0, 30, 0.01);
}

TEST_F(HudDrawing, LargeCharactersLeaveTheNeutralBlendAndDepthTestOn) {
    drawTextLarge(0.1f, 0.1f, "x", white);
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ZERO);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
}
