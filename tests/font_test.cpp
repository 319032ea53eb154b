// Building the font image from a glyph strip: which glyph lands in which cell, where inside the cell,
// and the colour and alpha its pixels end up with.
#include <gtest/gtest.h>

#include "app/screens.h"
#include "font_strip.h"
#include "image/tga.h"
#include "image_test_files.h"
#include "text/font.h"

GameState gameState; // the fade state drawFade reads; the screens module is not linked here

namespace {

// The colour a strip pixel (r, g, b) ends up with in the font: red and blue exchanged on the copy,
// alpha taken from the (new) red byte, then every byte inverted.
Bytes fontPixelOf(uint8_t r, uint8_t g, uint8_t b) {
    return {uint8_t(255 - b), uint8_t(255 - g), uint8_t(255 - r), uint8_t(255 - b)};
}

Bytes pixelAt(const TgaImage& font, int x, int y) {
    const uint8_t* p = font.pixels + (y * font.width + x) * 4;
    return Bytes(p, p + 4);
}

const Bytes transparent = {0, 0, 0, 0};

// 33 one-column placeholders in a colour no real glyph uses, glyph 33 ten columns wide at column 100,
// then glyphs 34 to 65 four columns wide. Glyph k (k >= 33) is coloured (k, 40 + band row, 80).
std::vector<StripGlyph> testGlyphs() {
    std::vector<StripGlyph> glyphs;
    for (int k = 0; k < 33; k++) glyphs.push_back({1 + 2 * k, 1, 1, 2, 3});
    glyphs.push_back({100, 10, 33, 40, 80});
    for (int k = 34; k <= 65; k++) glyphs.push_back({112 + 6 * (k - 34), 4, uint8_t(k), 40, 80});
    return glyphs;
}

constexpr int bandStart = 2, bandHeight = 8;

class FontBuild : public ::testing::Test {
  protected:
    void SetUp() override {
        TgaImage strip = makeStrip(306, 12, bandStart, bandHeight, testGlyphs());
        ASSERT_EQ(tgaSave(&strip, dir.file("strip.tga").c_str()), 1);
        tgaFree(&strip);
        ASSERT_EQ(fontBuild(&font, dir.file("strip.tga").c_str()), 1);
    }
    void TearDown() override { tgaFree(&font); }
    TempDir dir;
    TgaImage font{};
};

} // namespace

TEST_F(FontBuild, ImageIs512SquareRgba) {
    EXPECT_EQ(font.width, 512);
    EXPECT_EQ(font.height, 512);
    EXPECT_EQ(font.bitsPerPixel, 32);
    EXPECT_EQ(font.byteSize, 512 * 512 * 4);
    EXPECT_EQ(pixelAt(font, 0, 0), transparent); // the background turned transparent black
}

TEST_F(FontBuild, TheFirst33GlyphsOnlyHoldPlaces) {
    const Bytes placeholder = fontPixelOf(1, 2, 3);
    for (int y = 0; y < 512; y++)
        for (int x = 0; x < 512; x++) ASSERT_NE(pixelAt(font, x, y), placeholder) << x << "," << y;
    // Cells 0 to 31 (the top two cell rows) above their bottom line hold nothing at all.
    for (int y = 449; y < 512; y++)
        for (int x = 0; x < 512; x++) ASSERT_EQ(pixelAt(font, x, y), transparent) << x << "," << y;
}

// Glyph k of the strip is character k: cell column k mod 16, cell row k div 16 from the top.
TEST_F(FontBuild, GlyphsLandInTheCellsOfTheirCodesUpsideDown) {
    for (int k = 34; k <= 65; k++) {
        SCOPED_TRACE(k);
        const int cellX = 32 * (k % 16), top = 511 - 32 * (k / 16);
        // Four ink columns: the scan skips the first, and takes the background column after the last.
        // Centred: (x0 + 32 - x1) / 2 = (33 - 4) / 2 = 14.
        for (int j = 1; j < bandHeight; j++) {
            const Bytes ink = fontPixelOf(uint8_t(k), uint8_t(40 + j), 80);
            const int y = top + 1 - j; // band row j at cell row 1 - j from the top: upside down
            EXPECT_EQ(pixelAt(font, cellX + 13, y), transparent);
            EXPECT_EQ(pixelAt(font, cellX + 14, y), ink);
            EXPECT_EQ(pixelAt(font, cellX + 16, y), ink);
            EXPECT_EQ(pixelAt(font, cellX + 17, y), transparent);
        }
        EXPECT_EQ(pixelAt(font, cellX + 15, top - bandHeight + 1), transparent); // below the glyph
    }
}

// The band's lowest row lands one line above the glyph's cell (on the cell row above's bottom line);
// in the top cell row that line is the image's top row, where the next band row overwrites it.
TEST_F(FontBuild, TheBandsLowestRowLandsOnTheLineAboveTheCell) {
    const int k = 50, cellX = 32 * (k % 16);
    EXPECT_EQ(pixelAt(font, cellX + 14, 512 - 32 * (k / 16)), fontPixelOf(50, 40, 80));
    // Code 32 (space, cell row 2) keeps that line from code 48 and is empty above it.
    EXPECT_EQ(pixelAt(font, 14, 512 - 96), fontPixelOf(48, 40, 80));
    for (int y = 417; y < 448; y++)
        for (int x = 0; x < 32; x++) ASSERT_EQ(pixelAt(font, x, y), transparent) << x << "," << y;
}

// Glyph 33 (code "!") has ink columns 100 to 109: x0 = 100, x1 = 110 before the increment, so
// columns 101 to 110 are copied and placed from cell x 11 to cell x 20.
TEST_F(FontBuild, TenColumnGlyphIsCopiedFromItsSecondColumnAndCentred) {
    const int cellX = 32 * 1, y = 512 - 64 - 1; // cell row 2, band row 1
    const Bytes ink = fontPixelOf(33, 41, 80);
    EXPECT_EQ(pixelAt(font, cellX + 10, y), transparent);
    for (int x = 11; x <= 19; x++) EXPECT_EQ(pixelAt(font, cellX + x, y), ink) << x;
    EXPECT_EQ(pixelAt(font, cellX + 20, y), transparent); // strip column 110 is background
}

TEST(FontBuildEdges, GlyphTouchingTheStripsRightEdgeAndTopRow) {
    TempDir dir;
    // The band fills the strip to its top row, and the last glyph ends in the last column.
    std::vector<StripGlyph> glyphs;
    for (int k = 0; k < 34; k++) glyphs.push_back({1 + 3 * k, 2, uint8_t(k), 60, 90});
    TgaImage strip = makeStrip(1 + 3 * 33 + 2, 6, 2, 4, glyphs);
    ASSERT_EQ(tgaSave(&strip, dir.file("edge.tga").c_str()), 1);
    tgaFree(&strip);
    TgaImage font{};
    ASSERT_EQ(fontBuild(&font, dir.file("edge.tga").c_str()), 1);
    // Code 33 (cell row 2, column 1): two ink columns, the first skipped, no column after the edge.
    const int cellX = 32, y = 512 - 64 - 2; // band row 2
    int inked = 0;
    for (int x = 0; x < 32; x++)
        if (pixelAt(font, cellX + x, y) != transparent) {
            EXPECT_EQ(pixelAt(font, cellX + x, y), fontPixelOf(33, 62, 90));
            inked++;
        }
    EXPECT_EQ(inked, 1);
    tgaFree(&font);
}

TEST(FontBuildEdges, MissingStripFailsAndAPlainStripGivesAnEmptyFont) {
    TempDir dir;
    TgaImage font{};
    EXPECT_EQ(fontBuild(&font, dir.file("missing.tga").c_str()), 0);
    EXPECT_EQ(font.pixels, nullptr);

    TgaImage plain = makeStrip(40, 10, 0, 0, {});
    ASSERT_EQ(tgaSave(&plain, dir.file("plain.tga").c_str()), 1);
    tgaFree(&plain);
    ASSERT_EQ(fontBuild(&font, dir.file("plain.tga").c_str()), 1);
    for (int i = 0; i < font.byteSize; i++) ASSERT_EQ(font.pixels[i], 0) << i;
    tgaFree(&font);
}
