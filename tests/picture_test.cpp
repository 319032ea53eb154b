// The pixel rules, the converters, scaling and the picture cache. Scaling uses GLU's scaler, which
// reads the pixel-store state of a current context, so this program makes one.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cstring>
#include <unistd.h>

#include "app/record.h"
#include "gl_context.h"
#include "image/picture.h"
#include "image/tga.h"
#include "image_test_files.h"

namespace {

// A 24-bit image whose pixel (x, y) is (x, y, 200).
TgaImage makeRamp(int width, int height, int bits = 24) {
    TgaImage img{};
    EXPECT_EQ(tgaCreate(&img, bits, width, height), 1);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            uint8_t* p = img.pixels + (y * width + x) * img.bytesPerPixel;
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = 200;
            if (bits == 32) p[3] = uint8_t(10 + x + y);
        }
    return img;
}

TgaImage makeSolid(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    TgaImage img{};
    EXPECT_EQ(tgaCreate(&img, 24, width, height), 1);
    for (int i = 0; i < img.byteSize; i += 3) {
        img.pixels[i] = r;
        img.pixels[i + 1] = g;
        img.pixels[i + 2] = b;
    }
    return img;
}

Bytes block(const TgaImage& img) {
    return Bytes(img.pixels, img.pixels + img.byteSize);
}

class GlPictures : public ::testing::Test {
  protected:
    void SetUp() override {
        glTestContext();
        record.pictureCache = 0;
    }
    void TearDown() override { record.pictureCache = 0; }
};

} // namespace

TEST(PixelRules, ThresholdsAreExact) {
    EXPECT_EQ(explosionAlpha(3, 3, 4), 255);
    EXPECT_EQ(explosionAlpha(3, 4, 4), 0);
    EXPECT_EQ(explosionAlpha(0, 0, 0), 255);
    EXPECT_EQ(explosionAlpha(255, 255, 255), 0); // the sum is not taken modulo 256
    EXPECT_EQ(whiteMask(255, 255, 255), 1);
    EXPECT_EQ(whiteMask(255, 255, 254), 0);
    EXPECT_EQ(whiteMask(0, 0, 0), 0);
    EXPECT_EQ(fontAlpha(77, 1, 2), 77);
}

TEST(Converters, MirrorTileMakesFourQuadrantsWithRedAndBlueExchanged) {
    TgaImage img{};
    ASSERT_EQ(tgaCreate(&img, 24, 2, 1), 1);
    const uint8_t ab[6] = {1, 2, 3, 4, 5, 6}; // A = (1, 2, 3), B = (4, 5, 6)
    memcpy(img.pixels, ab, 6);
    ASSERT_EQ(tgaMirrorTile(&img), 1);
    EXPECT_EQ(img.width, 4);
    EXPECT_EQ(img.height, 2);
    EXPECT_EQ(img.byteSize, 24);
    const Bytes row = {3, 2, 1, 6, 5, 4, 6, 5, 4, 3, 2, 1}; // A' B' B' A'
    EXPECT_EQ(Bytes(img.pixels, img.pixels + 12), row);
    EXPECT_EQ(Bytes(img.pixels + 12, img.pixels + 24), row);
    tgaFree(&img);

    TgaImage rgba = makeRamp(2, 2, 32);
    const Bytes before = block(rgba);
    EXPECT_EQ(tgaMirrorTile(&rgba), 1);
    EXPECT_EQ(rgba.width, 2);
    EXPECT_EQ(block(rgba), before);
    tgaFree(&rgba);
}

TEST(Converters, MirrorTileOfARampIsSeamless) {
    TgaImage img = makeRamp(3, 2);
    ASSERT_EQ(tgaMirrorTile(&img), 1);
    // Opposite edges of the tile hold equal pixels, so the texture repeats without a seam.
    for (int y = 0; y < img.height; y++) EXPECT_EQ(tgaGetPixel(&img, 0, y), tgaGetPixel(&img, 5, y));
    for (int x = 0; x < img.width; x++) EXPECT_EQ(tgaGetPixel(&img, x, 0), tgaGetPixel(&img, x, 3));
    tgaFree(&img);
}

TEST(Converters, AddAlphaAppendsTheRuleToRgbAndLeavesRgbaAlone) {
    TgaImage img{};
    ASSERT_EQ(tgaCreate(&img, 24, 2, 1), 1);
    const uint8_t px[6] = {3, 3, 4, 3, 4, 4};
    memcpy(img.pixels, px, 6);
    ASSERT_EQ(tgaAddAlpha(&img, explosionAlpha), 1);
    EXPECT_EQ(img.bitsPerPixel, 32);
    EXPECT_EQ(img.bytesPerPixel, 4);
    EXPECT_EQ(img.byteSize, 8);
    EXPECT_EQ(block(img), (Bytes{3, 3, 4, 255, 3, 4, 4, 0}));
    const Bytes before = block(img);
    EXPECT_EQ(tgaAddAlpha(&img, fontAlpha), 1);
    EXPECT_EQ(block(img), before);
    tgaDropAlpha(&img);
    EXPECT_EQ(img.bitsPerPixel, 24);
    EXPECT_EQ(block(img), (Bytes{3, 3, 4, 3, 4, 4}));
    tgaFree(&img);
}

TEST(Converters, MaskTakesOneRuleBytePerPixelSkippingAlpha) {
    TgaImage src{};
    ASSERT_EQ(tgaCreate(&src, 32, 3, 1), 1);
    const uint8_t px[12] = {255, 255, 255, 0, 255, 255, 254, 255, 255, 255, 255, 7};
    memcpy(src.pixels, px, 12);
    TgaImage mask = makeSolid(9, 9, 1, 1, 1); // an old mask of another size is replaced
    ASSERT_EQ(tgaToMask(&src, &mask, whiteMask), 1);
    EXPECT_EQ(mask.bitsPerPixel, 8);
    EXPECT_EQ(mask.bytesPerPixel, 1);
    EXPECT_EQ(mask.width, 3);
    EXPECT_EQ(mask.height, 1);
    EXPECT_EQ(mask.byteSize, 3);
    EXPECT_EQ(block(mask), (Bytes{1, 0, 1}));
    EXPECT_EQ(block(src), Bytes(px, px + 12));
    // An 8-bit source leaves the destination untouched.
    TgaImage other = makeSolid(2, 2, 0, 0, 0);
    const Bytes otherBefore = block(other);
    EXPECT_EQ(tgaToMask(&mask, &other, whiteMask), 1);
    EXPECT_EQ(block(other), otherBefore);
    // A missing picture gives an empty mask.
    TgaImage none{};
    EXPECT_EQ(tgaToMask(&none, &mask, whiteMask), 1);
    EXPECT_EQ(mask.pixels, nullptr);
    tgaFree(&other);
    tgaFree(&src);
}

TEST(Converters, InvertFlipsEveryByteAlphaIncluded) {
    TgaImage img = makeRamp(2, 2, 32);
    const Bytes before = block(img);
    ASSERT_EQ(tgaInvert(&img), 1);
    for (size_t i = 0; i < before.size(); i++) EXPECT_EQ(img.pixels[i], 255 - before[i]);
    tgaFree(&img);
}

TEST_F(GlPictures, SameSizeScaleIsAnExactCopyAtOddWidthsAndRestoresPixelStore) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        TgaImage src = makeRamp(5, 3, bits);
        TgaImage dst{};
        EXPECT_EQ(tgaScale(&src, 5, 3, &dst), 0);
        ASSERT_NE(dst.pixels, nullptr);
        EXPECT_EQ(dst.bitsPerPixel, bits);
        EXPECT_EQ(dst.byteSize, 5 * 3 * bits / 8);
        EXPECT_EQ(block(dst), block(src));
        tgaFree(&dst);
        tgaFree(&src);
    }
    GLint unpack = 0, pack = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
    EXPECT_EQ(unpack, 4);
    EXPECT_EQ(pack, 8);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
}

TEST_F(GlPictures, ScalingKeepsAUniformColourAndTheNewSize) {
    TgaImage src = makeSolid(3, 3, 10, 120, 250);
    TgaImage dst = makeSolid(1, 1, 0, 0, 0); // its old block is freed
    EXPECT_EQ(tgaScale(&src, 7, 5, &dst), 0);
    ASSERT_NE(dst.pixels, nullptr);
    EXPECT_EQ(dst.width, 7);
    EXPECT_EQ(dst.height, 5);
    EXPECT_EQ(dst.byteSize, 105);
    for (int i = 0; i < dst.byteSize; i += 3) {
        EXPECT_EQ(dst.pixels[i], 10);
        EXPECT_EQ(dst.pixels[i + 1], 120);
        EXPECT_EQ(dst.pixels[i + 2], 250);
    }
    tgaFree(&dst);
    tgaFree(&src);
}

TEST_F(GlPictures, MissingSourceOrEightBitSourceLeavesTheFittedSlotEmpty) {
    TgaImage none{};
    TgaImage dst = makeSolid(2, 2, 0, 0, 0);
    EXPECT_EQ(tgaScale(&none, 4, 4, &dst), 0);
    EXPECT_EQ(dst.pixels, nullptr);
    TgaImage src = makeSolid(2, 2, 255, 255, 255), mask{};
    tgaToMask(&src, &mask, whiteMask);
    EXPECT_EQ(tgaScale(&mask, 4, 4, &dst), 0);
    EXPECT_EQ(dst.pixels, nullptr);
    tgaFree(&mask);
    tgaFree(&src);
}

TEST_F(GlPictures, WithoutTheCacheNothingIsReadOrWritten) {
    TempDir dir;
    const std::string stem = dir.file("poster");
    // A file under the cache name with other pixels: with the cache off it must not be read.
    TgaImage red = makeSolid(6, 4, 255, 0, 0);
    ASSERT_EQ(tgaSave(&red, (stem + "-000006-000004.tga").c_str()), 1);
    tgaFree(&red);
    const auto namesBefore = dir.names();

    TgaImage src = makeSolid(3, 2, 0, 0, 255), dst{};
    pictureFit(&src, &dst, 6, 4, stem.c_str());
    ASSERT_NE(dst.pixels, nullptr);
    EXPECT_EQ(dst.width, 6);
    EXPECT_EQ(dst.pixels[0], 0);
    EXPECT_EQ(dst.pixels[2], 255);
    EXPECT_EQ(dir.names(), namesBefore);
    tgaFree(&dst);
    tgaFree(&src);
}

TEST_F(GlPictures, CacheWritesOnceThenLoadsInsteadOfScaling) {
    TempDir dir;
    record.pictureCache = 1;
    const std::string stem = dir.file("poster");
    TgaImage src = makeRamp(4, 3), dst{};
    EXPECT_EQ(pictureFit(&src, &dst, 8, 6, stem.c_str()), 1);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"poster-000008-000006.tga"});
    TgaImage onDisk{};
    ASSERT_EQ(tgaLoad(&onDisk, (stem + "-000008-000006.tga").c_str()), 1);
    EXPECT_EQ(block(onDisk), block(dst));
    tgaFree(&onDisk);

    // Same size again: returns at once, touching no file.
    std::filesystem::remove(stem + "-000008-000006.tga");
    EXPECT_EQ(pictureFit(&src, &dst, 8, 6, stem.c_str()), 1);
    EXPECT_TRUE(dir.names().empty());

    // A later fit to a size with a cache file loads that file: its pixels are not the source's.
    TgaImage marker = makeSolid(8, 6, 1, 2, 3);
    ASSERT_EQ(tgaSave(&marker, (stem + "-000008-000006.tga").c_str()), 1);
    const Bytes markerPixels = block(marker);
    tgaFree(&marker);
    TgaImage fresh{};
    EXPECT_EQ(pictureFit(&src, &fresh, 8, 6, stem.c_str()), 1);
    ASSERT_NE(fresh.pixels, nullptr);
    EXPECT_EQ(block(fresh), markerPixels);
    // And a fit to another size replaces the slot's block.
    EXPECT_EQ(pictureFit(&src, &fresh, 5, 5, stem.c_str()), 1);
    EXPECT_EQ(fresh.width, 5);
    EXPECT_EQ(dir.names(),
              (std::vector<std::string>{"poster-000005-000005.tga", "poster-000008-000006.tga"}));
    tgaFree(&fresh);
    tgaFree(&dst);
    tgaFree(&src);
}

TEST_F(GlPictures, CacheFileOfTheWrongSizeIsScaledAgainAndReplaced) {
    TempDir dir;
    record.pictureCache = 1;
    const std::string stem = dir.file("boss");
    const std::string name = stem + "-000006-000004.tga";
    TgaImage wrong = makeSolid(2, 2, 9, 9, 9);
    ASSERT_EQ(tgaSave(&wrong, name.c_str()), 1);
    tgaFree(&wrong);
    TgaImage src = makeSolid(3, 2, 40, 50, 60), dst{};
    EXPECT_EQ(pictureFit(&src, &dst, 6, 4, stem.c_str()), 1);
    EXPECT_EQ(dst.width, 6);
    EXPECT_EQ(dst.height, 4);
    EXPECT_EQ(dst.pixels[0], 40);
    TgaImage onDisk{};
    ASSERT_EQ(tgaLoad(&onDisk, name.c_str()), 1);
    EXPECT_EQ(onDisk.width, 6);
    EXPECT_EQ(block(onDisk), block(dst));
    // A truncated file under the name is replaced the same way.
    const Bytes whole = readBytes(name);
    writeBytes(name, Bytes(whole.begin(), whole.end() - 5));
    TgaImage again{};
    EXPECT_EQ(pictureFit(&src, &again, 6, 4, stem.c_str()), 1);
    EXPECT_EQ(readBytes(name), whole);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"boss-000006-000004.tga"});
    tgaFree(&again);
    tgaFree(&onDisk);
    tgaFree(&dst);
    tgaFree(&src);
}

TEST_F(GlPictures, MissingSourceWritesNoCacheFile) {
    TempDir dir;
    record.pictureCache = 1;
    TgaImage none{}, dst{};
    EXPECT_EQ(pictureFit(&none, &dst, 6, 4, dir.file("lastpic").c_str()), 0);
    EXPECT_EQ(dst.pixels, nullptr);
    EXPECT_TRUE(dir.names().empty());
}

TEST_F(GlPictures, ResizeFitsTheSixPicturesUnderTheirNamesAndRebuildsTheMask) {
    TempDir dir;
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    record.pictureCache = 1;
    imageTableReset();
    imgPoster = makeSolid(4, 3, 10, 10, 10);
    imgStencil = makeSolid(4, 3, 255, 255, 255);
    imgDoorOpen = makeSolid(4, 3, 20, 20, 20);
    imgLastPic = makeSolid(4, 3, 30, 30, 30);
    imgBoss = makeSolid(4, 3, 40, 40, 40);
    imgBadDragon = makeSolid(4, 3, 50, 50, 50);
    picturesResize(64, 48);
    const std::vector<std::string> expected = {"baddragon-000064-000048.tga", "boss-000064-000048.tga",
                                               "dooropen-000064-000048.tga",  "lastpic-000064-000048.tga",
                                               "poster-000064-000048.tga",    "stencil-000064-000048.tga"};
    EXPECT_EQ(dir.names(), expected);
    for (TgaImage* fit :
         {&imgPosterFit, &imgStencilFit, &imgDoorOpenFit, &imgLastPicFit, &imgBossFit, &imgBadDragonFit}) {
        EXPECT_EQ(fit->width, 64);
        EXPECT_EQ(fit->height, 48);
    }
    EXPECT_EQ(imgBossFit.pixels[0], 40);
    ASSERT_NE(imgStencilMask.pixels, nullptr);
    EXPECT_EQ(imgStencilMask.bitsPerPixel, 8);
    EXPECT_EQ(imgStencilMask.byteSize, 64 * 48);
    EXPECT_EQ(imgStencilMask.pixels[0], 1);
    // The same size again rebuilds only the mask.
    uint8_t* posterBlock = imgPosterFit.pixels;
    imgStencilMask.pixels[0] = 7;
    picturesResize(64, 48);
    EXPECT_EQ(imgPosterFit.pixels, posterBlock);
    EXPECT_EQ(imgStencilMask.pixels[0], 1);
    imageTableFree();
    ASSERT_EQ(chdir(here), 0);
}
