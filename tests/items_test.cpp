// Items and spiders: where an item is put in its cell, the row limit, pick-up with the
// swap-with-last rule, creature motion, and the supplies and walking speeds they give.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include "app/random.h"
#include "app/record.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "stdout_capture.h"

namespace {

// Supplies and clocks at a known state for each test.
class Items : public testing::Test {
  protected:
    void SetUp() override {
        clearItemInstances();
        resetInventory();
        randomSeed(1);
        record.frameTime = 0;
        record.gameTime = 0;
        record.fullLevel = 4;
        record.oilSeconds = 60;
        record.strawDistance = 20;
        record.riderState = 0;
        actorInit(&horse, 3.5f, 0.5f, 3.5f, 90, 0, 0.07f);
    }
    void TearDown() override {
        clearItemInstances();
        resetInventory();
        record.frameTime = 0;
        record.gameTime = 0;
    }
};

Actor bodyAt(float x, float y, float z, float radius) {
    Actor a{};
    actorInit(&a, x, y, z, 0, 0, radius);
    return a;
}

void putInstance(int row, float x, float y, float z, float radius) {
    ModelEntry& e = modelTable[row];
    e.entities[e.count++] = bodyAt(x, y, z, radius);
}

} // namespace

TEST_F(Items, SpawnPutsTheItemNearACornerOfItsCell) {
    // The generator's first two values (41, 18467) choose the low x side and the high z side.
    spawnItem(ROW_DIAMOND, 3, 0.05f, 3, 0.01f);
    ASSERT_EQ(modelTable[ROW_DIAMOND].count, 1);
    const Actor& d = modelTable[ROW_DIAMOND].entities[0];
    EXPECT_FLOAT_EQ(d.x, 3.21f);
    EXPECT_FLOAT_EQ(d.z, 3.79f);
    EXPECT_FLOAT_EQ(d.y, 0.05f);
    EXPECT_FLOAT_EQ(d.radius, 0.01f);
    EXPECT_EQ(d.heading, 0);
    EXPECT_FLOAT_EQ(d.yawRate, 0.1f);
    EXPECT_EQ(d.vx, 0);
    EXPECT_EQ(d.vy, 0);
    EXPECT_EQ(d.prevX, d.x);

    // Over many items every corner is used, always 0.2 + radius in from both walls.
    std::set<std::pair<int, int>> corners;
    for (int k = 0; k < 8; k++) {
        clearItemInstances();
        for (int i = 0; i < 9; i++) spawnItem(ROW_STRAW, 5, 0.1f, 7, 0.06f);
        for (int i = 0; i < 9; i++) {
            const Actor& s = modelTable[ROW_STRAW].entities[i];
            float fx = s.x - 5, fz = s.z - 7;
            EXPECT_TRUE(std::fabs(fx - 0.26f) < 1e-5 || std::fabs(fx - 0.74f) < 1e-5) << fx;
            EXPECT_TRUE(std::fabs(fz - 0.26f) < 1e-5 || std::fabs(fz - 0.74f) < 1e-5) << fz;
            corners.insert({fx > 0.5f, fz > 0.5f});
        }
    }
    EXPECT_EQ(corners.size(), 4u);
}

TEST_F(Items, SpawnRefusesAFullRowOrABadRowWithOneLine) {
    for (int i = 0; i < MAX_INSTANCES; i++) spawnItem(ROW_OILCAN, 1, 0.05f, 1, 0.01f);
    Actor last = modelTable[ROW_OILCAN].entities[MAX_INSTANCES - 1];
    randomSeed(77);
    StdoutCapture out;
    spawnItem(ROW_OILCAN, 2, 0.05f, 2, 0.01f);
    spawnItem(-1, 2, 0.05f, 2, 0.01f);
    spawnItem(MODEL_ROWS, 2, 0.05f, 2, 0.01f);
    std::string text = out.finish();
    EXPECT_EQ(modelTable[ROW_OILCAN].count, MAX_INSTANCES);
    EXPECT_EQ(memcmp(&last, &modelTable[ROW_OILCAN].entities[MAX_INSTANCES - 1], sizeof last), 0);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
    EXPECT_NE(text.find("row 1 already holds 9"), std::string::npos) << text;
    EXPECT_NE(text.find("no catalogue row -1"), std::string::npos) << text;
    // A refused item draws no random numbers.
    uint32_t probe = (uint32_t)randomNext();
    randomSeed(77);
    EXPECT_EQ(probe, (uint32_t)randomNext());
}

TEST_F(Items, CollectingSwapsTheLastInstanceInAndLooksAtItNextFrame) {
    // A and C are within reach of the collector, B is not.
    putInstance(ROW_DIAMOND, 2.2f, 0.05f, 2.2f, 0.01f); // A
    putInstance(ROW_DIAMOND, 5.5f, 0.05f, 5.5f, 0.01f); // B
    putInstance(ROW_DIAMOND, 2.3f, 0.05f, 2.2f, 0.01f); // C
    Actor collector = bodyAt(2.25f, 0.05f, 2.2f, 0.02f);

    collectItems(&collector);
    EXPECT_EQ(inventory[ROW_DIAMOND], 1);
    ASSERT_EQ(modelTable[ROW_DIAMOND].count, 2);
    EXPECT_FLOAT_EQ(modelTable[ROW_DIAMOND].entities[0].x, 2.3f); // C moved into A's slot, not yet taken
    EXPECT_FLOAT_EQ(modelTable[ROW_DIAMOND].entities[1].x, 5.5f);

    collectItems(&collector);
    EXPECT_EQ(inventory[ROW_DIAMOND], 2);
    ASSERT_EQ(modelTable[ROW_DIAMOND].count, 1);
    EXPECT_FLOAT_EQ(modelTable[ROW_DIAMOND].entities[0].x, 5.5f);
}

TEST_F(Items, CollectingCountsEachItemRowAndRemovesSpiders) {
    putInstance(ROW_STRAW, 1.3f, 0.1f, 1.3f, 0.06f);
    putInstance(ROW_OILCAN, 1.3f, 0.1f, 1.4f, 0.01f);
    putInstance(ROW_SPIDER, 1.4f, 0.1f, 1.3f, 0.005f);
    putInstance(ROW_HORSE, 1.3f, 0.1f, 1.3f, 0.5f); // rows past the spiders are never collected
    Actor collector = bodyAt(1.35f, 0.1f, 1.35f, 0.02f);
    collectItems(&collector);
    EXPECT_EQ(inventory[ROW_STRAW], 1);
    EXPECT_EQ(inventory[ROW_OILCAN], 1);
    EXPECT_EQ(inventory[ROW_DIAMOND], 0);
    EXPECT_EQ(inventory[ROW_SPIDER], 1);
    for (int row = 0; row < 4; row++) EXPECT_EQ(modelTable[row].count, 0);
    EXPECT_EQ(modelTable[ROW_HORSE].count, 1);
    resetInventory();
    for (float v : inventory) EXPECT_EQ(v, 0);
}

TEST_F(Items, SpidersBobBetweenTwoAndEightTenthsAndEverythingTurns) {
    putInstance(ROW_SPIDER, 1.5f, 0.85f, 1.5f, 0.005f);
    putInstance(ROW_SPIDER, 2.5f, 0.15f, 1.5f, 0.005f);
    putInstance(ROW_SPIDER, 3.5f, 0.5f, 1.5f, 0.005f);
    modelTable[ROW_SPIDER].entities[2].vy = -0.1f;
    putInstance(ROW_DIAMOND, 4.5f, 0.05f, 1.5f, 0.01f);
    for (int row : {ROW_SPIDER, ROW_DIAMOND})
        for (int i = 0; i < modelTable[row].count; i++) modelTable[row].entities[i].yawRate = 0.1f;
    record.frameTime = 0.5f;
    moveCreatures();
    const Actor* s = modelTable[ROW_SPIDER].entities;
    EXPECT_FLOAT_EQ(s[0].vy, -0.1f);
    EXPECT_FLOAT_EQ(s[0].y, 0.8f);
    EXPECT_FLOAT_EQ(s[1].vy, 0.1f);
    EXPECT_FLOAT_EQ(s[1].y, 0.2f);
    EXPECT_FLOAT_EQ(s[2].y, 0.45f); // between the limits the spider keeps its way
    EXPECT_FLOAT_EQ(s[2].heading, 18);
    EXPECT_FLOAT_EQ(modelTable[ROW_DIAMOND].entities[0].heading, 18); // 36 degrees per second
    EXPECT_FLOAT_EQ(modelTable[ROW_DIAMOND].entities[0].y, 0.05f);
}

// Six cans at time 0 with a full level of 4: six in stock, the player at full speed 0.5 per second.
TEST_F(Items, FullLampWalksThePlayerAtHalfAUnitPerSecond) {
    inventory[ROW_OILCAN] = 6;
    EXPECT_FLOAT_EQ(oilLeft(), 6);
    record.frameTime = 0.1f;
    float playerStep = -1, horseStep = -1;
    stepSizes(&playerStep, &horseStep);
    EXPECT_FLOAT_EQ(playerStep, 0.05f);
    EXPECT_FLOAT_EQ(horseStep, 0.005f); // no straw: the horse crawls at 0.05 per second
    inventory[ROW_STRAW] = 4;
    stepSizes(&playerStep, &horseStep);
    EXPECT_FLOAT_EQ(horseStep, 0.1f);
    record.riderState = 2; // riding: the player moves with the horse
    stepSizes(&playerStep, &horseStep);
    EXPECT_FLOAT_EQ(playerStep, 0.1f);
}

TEST_F(Items, AOneSecondFrameCapsBothSteps) {
    inventory[ROW_OILCAN] = 6;
    inventory[ROW_STRAW] = 6;
    record.frameTime = 1;
    float playerStep, horseStep;
    stepSizes(&playerStep, &horseStep);
    EXPECT_FLOAT_EQ(playerStep, 0.2f);
    EXPECT_FLOAT_EQ(horseStep, 0.2f);
    inventory[ROW_OILCAN] = 0; // an empty lamp: 0.2 per second, exactly the cap
    stepSizes(&playerStep, &horseStep);
    EXPECT_FLOAT_EQ(playerStep, 0.2f);
}

TEST_F(Items, StocksRunDownWithTimeAndWalkingButNeverBelowZero) {
    inventory[ROW_OILCAN] = 2;
    record.gameTime = 90; // 1.5 cans of 60 seconds
    EXPECT_FLOAT_EQ(oilLeft(), 0.5f);
    record.gameTime = 1000;
    EXPECT_EQ(oilLeft(), 0);
    inventory[ROW_STRAW] = 1;
    horse.distance = 10; // half a bale of 20 units
    EXPECT_FLOAT_EQ(strawLeft(), 0.5f);
    horse.distance = 100;
    EXPECT_EQ(strawLeft(), 0);
}

// A zero rate would give 0 / 0 at the start of a game; the stock is 0, never NaN.
TEST_F(Items, ZeroRatesGiveAnEmptyStockNotNaN) {
    record.oilSeconds = 0;
    record.strawDistance = 0;
    inventory[ROW_OILCAN] = 3;
    inventory[ROW_STRAW] = 3;
    horse.distance = 0;
    EXPECT_EQ(oilLeft(), 0);
    EXPECT_EQ(strawLeft(), 0);
    record.gameTime = 5;
    horse.distance = 2;
    EXPECT_EQ(oilLeft(), 0);
    EXPECT_EQ(strawLeft(), 0);
    record.frameTime = 0.1f;
    float playerStep, horseStep;
    stepSizes(&playerStep, &horseStep);
    EXPECT_FLOAT_EQ(playerStep, 0.02f);
    EXPECT_FLOAT_EQ(horseStep, 0.005f);
}

// A full level of 0 would divide by zero; every stock then counts as full.
TEST_F(Items, ZeroFullLevelCountsAsFullNotNaN) {
    record.fullLevel = 0;
    record.frameTime = 0.1f;
    float playerStep, horseStep;
    stepSizes(&playerStep, &horseStep);
    EXPECT_FALSE(std::isnan(playerStep));
    EXPECT_FLOAT_EQ(playerStep, 0.05f);
    EXPECT_FLOAT_EQ(horseStep, 0.1f);
}
