// Textures, render switches and the 2D drawing read back from a real GL context (Mesa under Xvfb):
// pictures into the colour and stencil buffers, text lighting its glyph's cell, the fade's scaling,
// and the texture names kept one per image across mode changes.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <set>

#include "app/record.h"
#include "app/screens.h"
#include "font_strip.h"
#include "gl_context.h"
#include "image/picture.h"
#include "image/texture.h"
#include "image/tga.h"
#include "image_test_files.h"
#include "text/font.h"

GameState gameState; // the fade state drawFade reads; the screens module is not linked here

namespace {

constexpr int windowSize = 256;

// Reads a w x h block of the colour buffer as tightly packed RGB.
Bytes readColour(int x, int y, int w, int h) {
    Bytes out(size_t(w * h * 3));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, out.data());
    return out;
}

Bytes readStencil(int x, int y, int w, int h) {
    Bytes out(size_t(w * h));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, out.data());
    return out;
}

void windowProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, windowSize, 0, windowSize);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The fixed state the game sets at start: blending on with the neutral function, lighting and depth on.
class GlDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        glTestContext(windowSize, windowSize);
        glViewport(0, 0, windowSize, windowSize);
        record.windowWidth = windowSize;
        record.windowHeight = windowSize;
        record.textureMode = 1;
        record.shadeMode = 2;
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ZERO);
        glDisable(GL_STENCIL_TEST);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    void clearTo(uint8_t grey) {
        glClearColor(grey / 255.0f, grey / 255.0f, grey / 255.0f, 0);
        glClearStencil(0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    }
};

TgaImage numbered(int bits, int width, int height) {
    TgaImage img{};
    EXPECT_EQ(tgaCreate(&img, bits, width, height), 1);
    for (int i = 0; i < img.byteSize; i++) img.pixels[i] = uint8_t(17 + 7 * i);
    return img;
}

// The images that get textures, as the texture modes upload them.
TgaImage* const textured[] = {&imgWall, &imgFloor, &imgHay,  &imgWood,  &imgOilcan,  &imgSpider,
                              &imgFont, &imgMap1,  &imgMap2, &imgMap3,  &imgMap4,    &imgMap5,
                              &imgMap6, &imgMap7,  &imgMap8, &imgHorse, &imgHorseLeg};

// Deletes the textures and glyph lists the image table holds, then frees it, so tests start clean.
void releaseTable() {
    for (TgaImage& img : imageTable) {
        GLuint name = img.textureId;
        if (name) glDeleteTextures(1, &name);
    }
    if (fontListBase) glDeleteLists(fontListBase, 256);
    fontListBase = 0;
    imageTableFree();
}

} // namespace

TEST_F(GlDrawing, PictureLandsUnscaledAtTheWindowOriginAtOddWidths) {
    clearTo(0);
    TgaImage img = numbered(24, 7, 5);
    drawPicture(&img);
    EXPECT_EQ(readColour(0, 0, 7, 5), Bytes(img.pixels, img.pixels + img.byteSize));
    EXPECT_EQ(readColour(7, 0, 1, 1), Bytes(3, 0)); // nothing beyond its right edge
    // Afterwards: depth test back on, texturing as the texture mode says.
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    tgaFree(&img);

    record.textureMode = 0;
    TgaImage rgba = numbered(32, 3, 3);
    drawPicture(&rgba);
    const Bytes back = readColour(0, 0, 3, 3);
    for (int i = 0; i < 9; i++)
        for (int c = 0; c < 3; c++) EXPECT_EQ(back[i * 3 + c], rgba.pixels[i * 4 + c]);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    tgaFree(&rgba);
}

TEST_F(GlDrawing, EightBitMaskGoesIntoTheStencilBufferNotTheColours) {
    clearTo(90);
    TgaImage mask{};
    ASSERT_EQ(tgaCreate(&mask, 8, 9, 4), 1);
    for (int i = 0; i < mask.byteSize; i++) mask.pixels[i] = uint8_t(i % 3);
    drawPicture(&mask);
    EXPECT_EQ(readStencil(0, 0, 9, 4), Bytes(mask.pixels, mask.pixels + mask.byteSize));
    EXPECT_EQ(readColour(0, 0, 9, 4), Bytes(9 * 4 * 3, 90));
    tgaFree(&mask);
}

TEST_F(GlDrawing, EmptyPictureDrawsNothing) {
    clearTo(33);
    TgaImage none{};
    drawPicture(&none);
    EXPECT_EQ(readColour(0, 0, 4, 4), Bytes(4 * 4 * 3, 33));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Character "A" (code 65) of a strip whose glyph 65 fills its whole cell but the scan's skipped edge.
TEST_F(GlDrawing, TextLightsExactlyItsGlyphCell) {
    TempDir dir;
    std::vector<StripGlyph> glyphs;
    for (int k = 0; k < 65; k++) glyphs.push_back({1 + 2 * k, 1, 0, 0, 0});
    glyphs.push_back({132, 32, 0, 0, 0});
    TgaImage strip = makeStrip(166, 36, 2, 32, glyphs);
    ASSERT_EQ(tgaSave(&strip, dir.file("strip.tga").c_str()), 1);
    tgaFree(&strip);
    ASSERT_EQ(fontBuild(&imgFont, dir.file("strip.tga").c_str()), 1);
    fontBuildLists(&imgFont);

    // A 250 x 200 window: glyphs of 5 x 10 pixels; the pen starts at (50, 40), and at (50, 30) after
    // the newline; the space after it draws an empty cell.
    record.windowWidth = 250;
    record.windowHeight = 200;
    clearTo(64);
    glViewport(0, 0, 250, 200);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, 250, 0, 200);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_TEXTURE_2D);
    const float white[4] = {1, 1, 1, 1};
    drawText(0.2f, 0.2f, "A\nA ", white);
    record.windowWidth = record.windowHeight = windowSize;
    glViewport(0, 0, windowSize, windowSize);

    // Under the ink: 64 doubled by the first pass, then 255 added by the second, so full white.
    const Bytes all = readColour(0, 0, 128, 128);
    for (int y = 0; y < 128; y++)
        for (int x = 0; x < 128; x++) {
            const bool inCell = x >= 50 && x < 55 && y >= 30 && y < 50;
            ASSERT_EQ(all[(y * 128 + x) * 3], inCell ? 255 : 64) << x << "," << y;
        }
    // The text leaves the neutral blend function, lighting and the depth test on.
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ZERO);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    releaseTable();
}

TEST_F(GlDrawing, FadeScalesTheFrameAndAdvances) {
    glDisable(GL_TEXTURE_2D);
    struct Fade {
        int state;
        float level;
        uint8_t expected;
    };
    // Fading in at 50: half; fading out at 25: three quarters.
    for (const Fade& f : {Fade{1, 50, 100}, Fade{3, 25, 150}}) {
        SCOPED_TRACE(f.state);
        clearTo(200);
        windowProjection();
        gameState.fadeState = f.state;
        gameState.fadeLevel = f.level;
        record.frameTime = 0.02f;
        drawFade();
        const Bytes frame = readColour(0, 0, windowSize, windowSize);
        for (uint8_t v : frame) ASSERT_NEAR(v, f.expected, 1);
        EXPECT_FLOAT_EQ(gameState.fadeLevel, f.level + 1.0f);
        EXPECT_EQ(gameState.fadeState, f.state);
    }
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ZERO);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

    // States 2 and 4 draw nothing and become 0; state 0 stays.
    for (int state : {2, 4, 0}) {
        clearTo(200);
        gameState.fadeState = state;
        drawFade();
        EXPECT_EQ(gameState.fadeState, 0);
        EXPECT_EQ(readColour(10, 10, 1, 1), Bytes(3, 200));
    }
}

TEST_F(GlDrawing, FadeInFromLevelOneAtSixtyFramesEndsAfter118Frames) {
    windowProjection();
    gameState.fadeState = 1;
    gameState.fadeLevel = 1;
    record.frameTime = 1.0f / 60.0f;
    int frames = 0;
    while (gameState.fadeState == 1 && frames < 1000) {
        drawFade();
        frames++;
    }
    EXPECT_EQ(frames, 118);
    EXPECT_EQ(gameState.fadeState, 2);
    drawFade();
    EXPECT_EQ(gameState.fadeState, 0);
}

TEST_F(GlDrawing, TextureModesKeepOneNamePerImage) {
    imageTableReset();
    for (TgaImage* img : textured) *img = numbered(img == &imgFont ? 32 : 24, 4, 4);
    tgaFree(&imgHay); // a missing file: still gets a name

    record.textureMode = 0;
    applyTextureMode();
    for (TgaImage* img : textured) EXPECT_EQ(img->textureId, 0u);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    std::set<GLuint> everSeen;
    uint32_t firstListBase = 0;
    for (int mode : {1, 2, 0, 1}) {
        SCOPED_TRACE(mode);
        record.textureMode = mode;
        PrintedText printed;
        applyTextureMode();
        EXPECT_EQ(printed.text(), ""); // no OpenGL error, not even for the empty image
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), mode != 0);
        if (!firstListBase) firstListBase = fontListBase;
        std::set<GLuint> current;
        for (TgaImage* img : textured) {
            EXPECT_NE(img->textureId, 0u);
            EXPECT_TRUE(glIsTexture(img->textureId));
            current.insert(img->textureId);
        }
        EXPECT_EQ(current.size(), std::size(textured));
        everSeen.insert(current.begin(), current.end());
        // Every name made before and not held by an image now has been deleted.
        int live = 0;
        for (GLuint name = 1; name <= *everSeen.rbegin() + 64; name++) live += glIsTexture(name) ? 1 : 0;
        EXPECT_EQ(live, int(std::size(textured)));
    }
    // One block of 256 glyph lists exists, however often the font was rebuilt.
    int lists = 0;
    for (GLuint name = 1; name < fontListBase + 256 + 1024; name++) lists += glIsList(name) ? 1 : 0;
    EXPECT_EQ(lists, 256);
    EXPECT_TRUE(glIsList(fontListBase + 255));
    releaseTable();
}

TEST_F(GlDrawing, FirstUploadInModeOneFollowsTheImageOrder) {
    imageTableReset();
    for (TgaImage* img : textured) *img = numbered(24, 2, 2);
    record.textureMode = 1;
    applyTextureMode();
    for (size_t i = 1; i < std::size(textured); i++)
        EXPECT_LT(textured[i - 1]->textureId, textured[i]->textureId) << i;
    // Mode 2 handles the first six in its own order: floor, wall, hay, oil can, wood, spider.
    releaseTable();
    imageTableReset();
    for (TgaImage* img : textured) *img = numbered(24, 2, 2);
    record.textureMode = 2;
    applyTextureMode();
    EXPECT_LT(imgFloor.textureId, imgWall.textureId);
    EXPECT_LT(imgWall.textureId, imgHay.textureId);
    EXPECT_LT(imgHay.textureId, imgOilcan.textureId);
    EXPECT_LT(imgOilcan.textureId, imgWood.textureId);
    EXPECT_LT(imgWood.textureId, imgSpider.textureId);
    EXPECT_LT(imgSpider.textureId, imgFont.textureId);
    releaseTable();
}

TEST_F(GlDrawing, MipmapModeBuildsMipmapsAndLinearModeDoesNot) {
    TgaImage img = numbered(24, 8, 8);
    GLint filter = 0, levelOneWidth = 0;
    record.textureMode = 2;
    textureUpload(&img);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &levelOneWidth);
    EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(levelOneWidth, 4);
    record.textureMode = 1;
    const GLuint before = img.textureId;
    textureUpload(&img);
    EXPECT_FALSE(glIsTexture(before) && before != img.textureId);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &levelOneWidth);
    EXPECT_EQ(filter, GL_LINEAR);
    EXPECT_EQ(levelOneWidth, 0);
    Bytes stored(size_t(img.byteSize));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, stored.data());
    EXPECT_EQ(stored, Bytes(img.pixels, img.pixels + img.byteSize)); // uploaded unscaled, as stored
    GLint wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(wrap, GL_REPEAT);
    GLuint name = img.textureId;
    glDeleteTextures(1, &name);
    tgaFree(&img);
}

TEST_F(GlDrawing, WireframeKeepsTheShadeModelAndEveryChangeRedrawsTheLamp) {
    struct Step {
        int mode;
        GLint polygon, shade;
    };
    const Step steps[] = {
        {2, GL_FILL, GL_SMOOTH}, {0, GL_LINE, GL_SMOOTH}, {1, GL_FILL, GL_FLAT}, {0, GL_LINE, GL_FLAT}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.mode);
        record.shadeMode = s.mode;
        stencilValid = 3;
        applyShadeMode();
        GLint polygon[2] = {0, 0}, shade = 0;
        glGetIntegerv(GL_POLYGON_MODE, polygon);
        glGetIntegerv(GL_SHADE_MODEL, &shade);
        EXPECT_EQ(polygon[0], s.polygon);
        EXPECT_EQ(polygon[1], s.polygon);
        EXPECT_EQ(shade, s.shade);
        EXPECT_EQ(stencilValid, 0);
    }
    record.shadeMode = 2;
    applyShadeMode();
}

TEST_F(GlDrawing, PendingErrorIsPrintedOnce) {
    PrintedText printed;
    glEnable(0x7FFF); // not a capability: GL_INVALID_ENUM
    glCheckError();
    glCheckError();
    EXPECT_EQ(printed.text(),
              "OpenGL:" + std::string(reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM))) + "\n");
}
