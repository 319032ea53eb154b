// SPDX-License-Identifier: GPL-3.0-or-later
// The font built from a glyph strip, and textures, render switches and the 2D drawing read back from a
// real GL context (Mesa under Xvfb).
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <array>
#include <set>

#include "app/record.h"
#include "app/screens.h"
#include "gl_context.h"
#include "image/texture.h"
#include "image_test_files.h"
#include "text/font.h"

GameState gameState; // the fade state handed to drawFade; the screens module is not linked here

namespace {

// The test strip, dark glyphs on white in one band of 32 rows that reaches the strip's top row: 33
// two-column placeholders coloured (1, 2, 3), glyph 33 ten columns wide at column 100, glyphs 34 to 64
// four columns wide, each coloured (k, 40 + band row, 80), and "A" (65) black, ending at the right edge.
void writeStrip(const std::string& path) {
    TgaImage strip{};
    ASSERT_EQ(tgaCreate(&strip, 24, 330, 34), 1);
    tgaFill(&strip, 0xFFFFFF);
    auto glyph = [&](int column, int width, int r, int g, int b) {
        for (int x = column; x < column + width; x++)
            for (int j = 0; j < 32; j++) tgaSetPixel(&strip, x, 2 + j, r | (g + j) << 8 | b << 16);
    };
    for (int k = 0; k < 33; k++) glyph(1 + 3 * k, 2, 1, 2, 3);
    glyph(100, 10, 33, 40, 80);
    for (int k = 34; k <= 64; k++) glyph(112 + 6 * (k - 34), 4, k, 40, 80);
    glyph(298, 32, 0, 0, 0);
    ASSERT_EQ(tgaSave(&strip, path.c_str()), 1);
    tgaFree(&strip);
}

// What a strip pixel becomes: red and blue exchanged, alpha from the new red, every byte inverted.
Bytes fontPixelOf(int r, int g, int b) {
    return {uint8_t(255 - b), uint8_t(255 - g), uint8_t(255 - r), uint8_t(255 - b)};
}

} // namespace

// The test strip built into a font.
class FontBuild : public ::testing::Test {
  protected:
    TempDir dir;
    TgaImage font{};
    const Bytes transparent = {0, 0, 0, 0};
    void SetUp() override {
        writeStrip(dir.file("strip.tga"));
        ASSERT_EQ(fontBuild(&font, dir.file("strip.tga").c_str()), 1);
        ASSERT_EQ(font.byteSize, 512 * 512 * 4);
    }
    void TearDown() override { tgaFree(&font); }
    Bytes at(int x, int y) const {
        return Bytes(font.pixels + (y * 512 + x) * 4, font.pixels + (y * 512 + x) * 4 + 4);
    }
};

// The 33 placeholders are skipped: codes 0 to 32 stay empty and their colour shows nowhere. Glyph k is
// character k: cell column k mod 16, cell row k div 16 from the top, the glyph upside down, its band
// row j on the cell's row j - 1 from the top, so the lowest band row lands in the cell above.
TEST_F(FontBuild, GlyphsAfterThe33PlaceholdersLandCentredUpsideDownInTheCellsOfTheirCodes) {
    for (int y = 0; y < 512; y++)
        for (int x = 0; x < 512; x++) {
            ASSERT_NE(at(x, y), fontPixelOf(1, 2, 3)) << x << "," << y;
            if (y > 448 || (y > 416 && y < 448 && x < 32)) {
                ASSERT_EQ(at(x, y), transparent) << x << "," << y;
            }
        }
    for (int k = 34; k <= 64; k++) {
        // The scan skips the first ink column and takes the background column after the last one:
        // centred at (x0 + 32 - x1) / 2 = (33 - 4) / 2 = 14.
        const int cellX = 32 * (k % 16), top = 511 - 32 * (k / 16);
        for (int j = 1; j < 32; j++)
            for (int x = 13; x <= 17; x++)
                ASSERT_EQ(at(cellX + x, top + 1 - j),
                          x == 13 || x == 17 ? transparent : fontPixelOf(k, 40 + j, 80))
                    << k << ": " << x << "," << j;
    }
    EXPECT_EQ(at(14, 416), fontPixelOf(48, 40, 80));
    // Glyph 33 ("!") has ink columns 100 to 109: columns 101 to 110 are copied to cell x 11 to 20, the
    // last one background. "A" has no column after its ink: 31 columns, from cell x 0.
    for (int x = 0; x < 32; x++) {
        EXPECT_EQ(at(32 + x, 447), x >= 11 && x < 20 ? fontPixelOf(33, 41, 80) : transparent) << x;
        EXPECT_EQ(at(32 + x, 383), x < 31 ? fontPixelOf(0, 1, 0) : transparent) << x;
    }
    // A missing strip builds nothing.
    EXPECT_EQ(fontBuild(&font, dir.file("missing.tga").c_str()), 0);
    EXPECT_EQ(font.pixels, nullptr);
}

namespace {

TgaImage numbered(int bits, int width, int height) {
    TgaImage img{};
    EXPECT_EQ(tgaCreate(&img, bits, width, height), 1);
    for (int i = 0; i < img.byteSize; i++) img.pixels[i] = uint8_t(17 + 7 * i);
    return img;
}

// The fixed state the game sets at start, texturing on as texture mode 1 asks, and blending on with the
// neutral function, lighting and the depth test on, which every drawing leaves as it found them.
class GlDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        glTestContext(256, 256);
        windowProjection(256, 256);
        record.textureMode = 1;
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ZERO);
    }
    void TearDown() override { // also after a failure, so that the next test starts without textures
        GLint blend[2] = {};
        glGetIntegerv(GL_BLEND_SRC, &blend[0]);
        glGetIntegerv(GL_BLEND_DST, &blend[1]);
        EXPECT_EQ(blend[0], GL_ONE);
        EXPECT_EQ(blend[1], GL_ZERO);
        EXPECT_EQ(glIsEnabled(GL_LIGHTING), GL_TRUE);
        EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), GL_TRUE);
        for (TgaImage& img : imageTable) glDeleteTextures(1, &img.textureId);
        glDeleteLists(fontListBase, 256);
        fontListBase = 0;
        imageTableFree();
    }
    static void windowProjection(int w, int h) {
        record.windowWidth = w;
        record.windowHeight = h;
        glViewport(0, 0, w, h);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluOrtho2D(0, w, 0, h);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    static void clearTo(uint8_t grey) {
        glClearColor(grey / 255.0f, grey / 255.0f, grey / 255.0f, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    }
    // A 4:3 stage cleared to 200 with the fade drawn over it from the given state and level.
    static Bytes fadedFrame(int state, float level) {
        windowProjection(256, 192);
        clearTo(200);
        gameState.fadeState = state, gameState.fadeLevel = level;
        drawFade(&gameState.fadeState, &gameState.fadeLevel);
        return readBack(GL_RGB, 256, 192);
    }
};

TgaImage* const textured[] = {&imgWall, &imgFloor, &imgHay,  &imgWood,  &imgOilcan,  &imgSpider,
                              &imgFont, &imgMap1,  &imgMap2, &imgMap3,  &imgMap4,    &imgMap5,
                              &imgMap6, &imgMap7,  &imgMap8, &imgHorse, &imgHorseLeg};

} // namespace

// Colour pictures at odd widths, and the 8-bit mask, which goes into the stencil buffer, not the colours.
TEST_F(GlDrawing, PicturesLandUnscaledAtTheWindowOrigin) {
    for (int bits : {24, 32, 8}) {
        record.textureMode = bits == 24 ? 1 : 0;
        clearTo(90);
        TgaImage img = numbered(bits, 7, 5);
        drawPicture(&img);
        const Bytes colour = readBack(GL_RGB, 7, 5);
        for (int i = 0; i < 7 * 5 * 3; i++)
            EXPECT_EQ(colour[i], bits == 8 ? 90 : img.pixels[i / 3 * img.bytesPerPixel + i % 3])
                << bits << ": " << i;
        EXPECT_EQ(readBack(GL_STENCIL_INDEX, 7, 5), bits == 8 ? block(img) : Bytes(7 * 5, 0)) << bits;
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), bits == 24) << bits;
    }
}

// On a 320 x 240 stage glyphs are 6 x 12 pixels (half as wide as high, at every size): "A\nA " at
// (0.2, 0.2) puts the first A at (64, 48), the second at (64, 36) and an empty cell after it. Text
// is drawn filled and textured whatever the shade and texture modes are.
TEST_F(GlDrawing, TextLightsExactlyItsGlyphCellsInEveryMode) {
    TempDir dir;
    writeStrip(dir.file("strip.tga"));
    ASSERT_EQ(fontBuild(&imgFont, dir.file("strip.tga").c_str()), 1);
    fontBuildLists(&imgFont);
    for (int wireframe : {0, 1}) {
        windowProjection(320, 240);
        clearTo(64);
        glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
        if (wireframe) glDisable(GL_TEXTURE_2D);
        const float white[4] = {1, 1, 1, 1};
        drawText(0.2f, 0.2f, "A\nA ", white);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        // Under the ink: 64 doubled by the first pass, then 255 added by the second.
        const Bytes all = readBack(GL_RGB, 128, 128);
        for (int y = 0; y < 128; y++)
            for (int x = 0; x < 128; x++)
                ASSERT_EQ(all[(y * 128 + x) * 3], x >= 64 && x < 70 && y >= 36 && y < 60 ? 255 : 64)
                    << x << "," << y << " wireframe " << wireframe;
    }
}

// A stage cleared to 200 under the fade, then the fade's state and level after a frame of 0.2 s. Paused,
// the screen shows undimmed and the fade waits; a finished fade is cleared, drawing nothing.
TEST_F(GlDrawing, FadeDimsTheFrameByItsLevel) {
    const struct {
        const char* name;
        int running, state, level, grey, stateAfter, levelAfter;
    } rows[] = {{"paused", 0, 1, 50, 200, 1, 50},
                {"fading in at 50 halves the stage", 1, 1, 50, 100, 1, 60},
                {"fading out at 25 keeps three quarters", 1, 3, 25, 150, 3, 35},
                {"finished", 1, 2, 25, 200, 0, 25}};
    record.frameTime = 0.2f;
    for (const auto& row : rows) {
        record.running = row.running;
        for (uint8_t v : fadedFrame(row.state, float(row.level)))
            ASSERT_NEAR(v, row.grey, row.grey == 200 ? 0 : 1) << row.name;
        EXPECT_EQ(gameState.fadeState, row.stateAfter) << row.name;
        EXPECT_NEAR(gameState.fadeLevel, row.levelAfter, 1e-4) << row.name;
    }
    record.frameTime = 0;
}

TEST_F(GlDrawing, TextureModesOneTwoOffOneKeepOneNamePerImage) {
    imageTableReset();
    for (TgaImage* img : textured) *img = numbered(img == &imgFont ? 32 : 24, 4, 4);
    tgaFree(&imgHay); // a missing file: still gets a name
    record.textureMode = 0;
    applyTextureMode();
    for (TgaImage* img : textured) EXPECT_EQ(img->textureId, 0u);
    GLuint highest = 0;
    for (int mode : {1, 2, 0, 1}) {
        SCOPED_TRACE(mode); // across the switches
        record.textureMode = mode;
        testing::internal::CaptureStderr();
        if (applyTextureMode()) fontBuildLists(&imgFont); // as the texture key does
        // No OpenGL error is printed, not even for the empty image.
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), mode != 0);
        // The images hold distinct names, and every other name made so far has been deleted.
        std::set<GLuint> names, live;
        for (TgaImage* img : textured) names.insert(img->textureId);
        highest = std::max(highest, *names.rbegin());
        for (GLuint name = 1; name <= highest + 64; name++)
            if (glIsTexture(name)) live.insert(name);
        EXPECT_EQ(names.size(), std::size(textured));
        EXPECT_EQ(live, names);
        // Mode 2 builds mipmaps, mode 0 keeps them, mode 1 uploads level 0 only.
        GLint levelOneWidth = -1;
        glBindTexture(GL_TEXTURE_2D, imgWall.textureId);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &levelOneWidth);
        EXPECT_EQ(levelOneWidth, mode == 1 ? 0 : 2);
    }
    // One block of 256 glyph lists, however often the font was rebuilt.
    int lists = 0;
    for (GLuint name = 1; name < fontListBase + 256 + 1024; name++) lists += glIsList(name);
    EXPECT_EQ(lists, 256);
}

// Our mipmap levels are the bytes gluBuild2DMipmaps makes: a square RGB texture down to 1 x 1, and
// a wide RGBA one whose height reaches 1 first (the rows then pair up); made at the upload, made
// ahead for it (an RGB block's handed over with an alpha byte), and made ahead for a block that was
// replaced before the upload (not used then).
TEST(Mipmaps, EveryLevelHasTheBytesOfGluBuild2DMipmaps) {
    glTestContext();
    enum Way { AT_UPLOAD, AHEAD, AHEAD_FOR_ANOTHER };
    record.textureMode = 2;
    for (auto [w, h, c] : {std::array<int, 3>{64, 64, 3}, std::array<int, 3>{32, 4, 4}})
        for (Way way : {AT_UPLOAD, AHEAD, AHEAD_FOR_ANOTHER}) {
            SCOPED_TRACE(testing::Message() << w << " x " << h << " way " << int(way));
            Bytes pixels(size_t(w) * h * c);
            for (size_t i = 0; i < pixels.size(); i++) pixels[i] = uint8_t((i * 131) ^ (i >> 3));
            const GLenum format = c == 3 ? GL_RGB : GL_RGBA;
            GLuint name;
            glGenTextures(1, &name);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glBindTexture(GL_TEXTURE_2D, name);
            gluBuild2DMipmaps(GL_TEXTURE_2D, c, w, h, format, GL_UNSIGNED_BYTE, pixels.data());
            TgaImage& ours = imgHay;
            tgaFree(&ours);
            ASSERT_TRUE(tgaCreate(&ours, c * 8, w, h));
            if (way == AHEAD_FOR_ANOTHER) {
                memset(ours.pixels, 0x5a, size_t(ours.byteSize));
                texturePrepareMipmaps(&ours);
                TgaImage other{};
                ASSERT_TRUE(tgaCreate(&other, c * 8, w, h));
                std::swap(other.pixels, ours.pixels);
                tgaFree(&other);
            }
            memcpy(ours.pixels, pixels.data(), pixels.size());
            if (way == AHEAD) texturePrepareMipmaps(&ours);
            textureUpload(&ours);
            // An RGB image stays an RGB texture, however its levels were handed over.
            GLint components[2], alphaBits[2];
            for (int t = 0; t < 2; t++) {
                glBindTexture(GL_TEXTURE_2D, t == 0 ? name : ours.textureId);
                glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &components[t]);
                glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits[t]);
            }
            EXPECT_EQ(components[1], components[0]);
            EXPECT_EQ(alphaBits[1], alphaBits[0]);
            for (int level = 0, lw = w, lh = h; lw >= 1 && lh >= 1; level++) {
                Bytes mine(size_t(lw) * lh * c), theirs(mine.size());
                glBindTexture(GL_TEXTURE_2D, name);
                glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, theirs.data());
                glBindTexture(GL_TEXTURE_2D, ours.textureId);
                glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, mine.data());
                EXPECT_EQ(mine, theirs) << "level " << level;
                if (lw == 1 && lh == 1) break;
                lw = lw > 1 ? lw / 2 : 1;
                lh = lh > 1 ? lh / 2 : 1;
            }
            glDeleteTextures(1, &name);
            tgaFree(&ours);
        }
    record.textureMode = 0;
}
