// SPDX-License-Identifier: GPL-3.0-or-later
// The TGA reader and writer against ImageMagick's files and damaged ones, the pixel rules and
// converters, scaling and the picture cache (GLU's scaler needs a current context), and the image
// commands of kavernix-tool.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <unistd.h>

#include "app/record.h"
#include "gl_context.h"
#include "image/picture.h"
#include "image_test_files.h"

namespace {

// An 18-byte header of an uncompressed true-colour file followed by the given pixel bytes.
Bytes tgaFileBytes(int w, int h, int depth, int descriptor, const Bytes& pixels) {
    Bytes b(18 + pixels.size(), 0);
    b[2] = 2;
    b[12] = uint8_t(w), b[13] = uint8_t(w >> 8), b[14] = uint8_t(h), b[15] = uint8_t(h >> 8);
    b[16] = uint8_t(depth), b[17] = uint8_t(descriptor);
    std::copy(pixels.begin(), pixels.end(), b.begin() + 18);
    return b;
}

// Whether the record holds pixels, then its width, height, depth and byte size: all 0 when empty.
std::vector<long> recordOf(const TgaImage& img) {
    return {img.pixels != nullptr, img.width, img.height, img.bitsPerPixel, img.byteSize};
}

// Made images are not freed: each test makes a few bytes' worth.
TgaImage image(int bits, int width, int height, const Bytes& pixels) {
    TgaImage img{};
    EXPECT_EQ(tgaCreate(&img, bits, width, height), 1);
    std::copy(pixels.begin(), pixels.end(), img.pixels);
    return img;
}

// RGB pixels of one colour whose low, middle and high bytes are R, G and B.
Bytes solidBytes(int width, int height, uint32_t colour) {
    Bytes out;
    for (int i = 0; i < width * height; i++)
        out.insert(out.end(), {uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16)});
    return out;
}

TgaImage solid(int width, int height, uint32_t colour) {
    return image(24, width, height, solidBytes(width, height, colour));
}

// A 37 x 3 picture, so that the red-blue exchange meets whole blocks and an odd last pixel. Byte i of
// its PPM (top row first, R, G, B) is i * 13 + 5.
constexpr int picW = 37, picH = 3;

std::string writePpm(const TempDir& dir) {
    const std::string header = "P6\n37 3\n255\n";
    Bytes ppm(header.begin(), header.end());
    for (int i = 0; i < picW * picH * 3; i++) ppm.push_back(uint8_t(i * 13 + 5));
    writeBytes(dir.file("source.ppm"), ppm);
    return dir.file("source.ppm");
}

bool convert(const std::string& ppm, const std::string& options, const std::string& tga) {
    return system(("/usr/bin/convert " + ppm + " " + options + " " + tga + " 2>/dev/null").c_str()) == 0;
}

} // namespace

// Memory row 0 is the bottom row: the first stored one without the top-to-bottom bit (0x20), the last
// one with it; the right-to-left bit (0x10) mirrors each row. ImageMagick stores the picture's rows in
// the order it likes, so the file's first pixel tells which picture row came first.
TEST(TgaRead, ImageMagickFilesLoadWithTheirOriginBitsApplied) {
    TempDir dir;
    const std::string ppm = writePpm(dir), path = dir.file("magick.tga");
    const char footer[] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE."; // bytes after the pixels do not matter
    // Options, bytes per pixel, descriptor bits added to the file (0xC0, interleaving, is ignored).
    using Case = std::tuple<const char*, int, int>;
    for (auto [options, bpp, addedBits] :
         {Case{"-type TrueColor", 3, 0}, Case{"-type TrueColor -orient TopLeft", 3, 0},
          Case{"-type TrueColorAlpha -alpha on", 4, 0},
          Case{"-type TrueColorAlpha -alpha on -orient TopLeft", 4, 0}, Case{"-type TrueColor", 3, 0x10},
          Case{"-type TrueColorAlpha -alpha on -orient TopLeft", 4, 0xD0}}) {
        SCOPED_TRACE(testing::Message() << options << " + " << addedBits);
        ASSERT_TRUE(convert(ppm, std::string("-depth 8 ") + options, path));
        Bytes file = readBytes(path);
        ASSERT_EQ(file.size(), size_t(18 + picW * picH * bpp));
        ASSERT_EQ((file[17] & 0x30) != 0, strstr(options, "TopLeft") != nullptr);
        file[17] |= uint8_t(addedBits);
        file.insert(file.end(), footer, footer + sizeof footer);
        writeBytes(path, file);
        const bool topLeft = file[17] & 0x20, rightToLeft = file[17] & 0x10;
        const bool topStoredFirst = file[18] == 31 && file[19] == 18 && file[20] == 5; // B, G, R
        TgaImage img{};
        ASSERT_EQ(tgaLoad(&img, path.c_str()), 1) << tgaLastError();
        EXPECT_EQ(img.width, picW);
        EXPECT_EQ(img.bitsPerPixel, 8 * bpp);
        for (int i = 0; i < img.byteSize; i++) {
            const int x = i / bpp % picW, y = i / bpp / picW, stored = topLeft ? picH - 1 - y : y;
            const int row = topStoredFirst ? stored : picH - 1 - stored; // of the picture, 0 = top
            const int ppmByte = (row * picW + (rightToLeft ? picW - 1 - x : x)) * 3 + i % bpp;
            ASSERT_EQ(img.pixels[i], i % bpp == 3 ? 255 : uint8_t(ppmByte * 13 + 5)) << i;
        }
        tgaFree(&img);
    }
}

TEST(TgaRead, FilesOutsideTheSubsetOrDamagedAreRefusedLeavingTheRecordEmpty) {
    TempDir dir;
    const std::string ppm = writePpm(dir), path = dir.file("refused.tga");
    ASSERT_TRUE(convert(ppm, "-depth 8 -type TrueColor", path));
    const Bytes good = readBytes(path);
    ASSERT_EQ(good.size(), size_t(18 + picW * picH * 3));
    Bytes zeroWidth = good;
    zeroWidth[12] = zeroWidth[13] = 0;
    const char* const notType2 = "is not an uncompressed true-colour image (type 2)";
    // ImageMagick's file made with the options, or else the bytes; the reason for the refusal.
    const std::tuple<const char*, Bytes, const char*> cases[] = {
        {"-depth 8 -type TrueColor -compress RLE", {}, notType2},
        {"-depth 8 -type Palette", {}, "is colour-mapped"},
        {"-depth 8 -type Grayscale", {}, notType2},
        {"-depth 5 -type TrueColor", {}, "pixel depth is not 24 or 32 bits"},
        {nullptr, Bytes(good.begin(), good.begin() + 17), "header is shorter than 18 bytes"},
        {nullptr, Bytes(good.begin(), good.end() - 1), "pixel data is truncated"},
        {nullptr, zeroWidth, "has a width or height of 0"},
        // 65535 x 65535 x 4 bytes: refused before anything is allocated.
        {nullptr, tgaFileBytes(65535, 65535, 32, 0, Bytes(64, 0)), "pixel block is too large"}};
    for (const auto& [options, bytes, reason] : cases) {
        SCOPED_TRACE(reason);
        if (options)
            ASSERT_TRUE(convert(ppm, options, path));
        else
            writeBytes(path, bytes);
        TgaImage img{};
        EXPECT_EQ(tgaLoad(&img, path.c_str()), 0);
        EXPECT_EQ(recordOf(img), std::vector<long>(5, 0));
        EXPECT_STREQ(tgaLastError(), reason);
    }
}

TEST(TgaWrite, SavedImagesReadBackIdenticalAlphaIncluded) {
    TempDir dir;
    const std::string path = dir.file("saved.tga");
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        Bytes pixels(size_t(5 * 3 * bits / 8));
        for (size_t i = 0; i < pixels.size(); i++) pixels[i] = uint8_t(i * 37 + 11);
        TgaImage img = image(bits, 5, 3, pixels), back{};
        ASSERT_EQ(tgaSave(&img, path.c_str()), 1);
        EXPECT_EQ(block(img), pixels);      // the record is unchanged
        const Bytes file = readBytes(path); // the header, then B, G of the first pixel
        ASSERT_EQ(file.size(), 18 + pixels.size());
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 20),
                  tgaFileBytes(5, 3, bits, 0, {pixels[2], pixels[1]}));
        ASSERT_EQ(tgaLoad(&back, path.c_str()), 1);
        EXPECT_EQ(block(back), pixels);
        tgaFree(&back);
        tgaFree(&img);
        tgaFree(&img); // twice is harmless
    }
}

TEST(TgaPixel, SetStoresTheColourLowByteFirstInTheNearestPixel) {
    TgaImage img = solid(2, 2, 0);
    tgaSetPixel(&img, -5, 1, 0x102030);                     // pixel (0, 1)
    tgaSetPixel(&img, img.width + 2, img.height, 0xABCDEF); // the top-right pixel
    EXPECT_EQ(block(img), (Bytes{0, 0, 0, 0, 0, 0, 0x30, 0x20, 0x10, 0xEF, 0xCD, 0xAB}));
}

// The explosion is opaque up to a sum of 10, taken whole (765 is not 253); the white mask takes only
// pure white.
TEST(PixelRules, ExplosionAlphaOnTheWholeSumWhiteMaskOnPureWhite) {
    EXPECT_EQ((Bytes{explosionAlpha(3, 3, 4), explosionAlpha(3, 4, 4), explosionAlpha(255, 255, 255)}),
              (Bytes{255, 0, 0}));
    EXPECT_EQ((Bytes{whiteMask(255, 255, 255), whiteMask(255, 255, 254)}), (Bytes{1, 0}));
}

// An RGB image becomes four quadrants with red and blue exchanged; one with alpha is left as it is.
TEST(Converters, MirrorTileMakesFourQuadrantsSwappingRedWithBlue) {
    TgaImage img = image(24, 2, 1, {1, 2, 3, 4, 5, 6}), alpha = image(32, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_EQ(tgaMirrorTile(&img), 1);
    EXPECT_EQ(img.width, 4);
    EXPECT_EQ(block(img), (Bytes{3, 2, 1, 6, 5, 4, 6, 5, 4, 3, 2, 1, 3, 2, 1, 6, 5, 4, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(tgaMirrorTile(&alpha), 1);
    EXPECT_EQ(block(alpha), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(Converters, AlphaIsAddedByTheRuleOnlyToRgbAndDroppedAgain) {
    TgaImage img = image(24, 2, 1, {3, 3, 4, 3, 4, 4});
    ASSERT_EQ(tgaAddAlpha(&img, explosionAlpha), 1);
    EXPECT_EQ(img.bitsPerPixel, 32);
    EXPECT_EQ(block(img), (Bytes{3, 3, 4, 255, 3, 4, 4, 0}));
    ASSERT_EQ(tgaAddAlpha(&img, fontAlpha), 1);
    EXPECT_EQ(block(img), (Bytes{3, 3, 4, 255, 3, 4, 4, 0}));
    // Inverting, then dropping the alpha, leaves the inverted colours.
    ASSERT_EQ(pictureInvert(&img), 1);
    ASSERT_EQ(pictureDropAlpha(&img), 1);
    EXPECT_EQ(img.bitsPerPixel, 24);
    EXPECT_EQ(block(img), (Bytes{252, 252, 251, 252, 251, 251}));
}

TEST(Converters, MaskTakesOneRuleBytePerPixelSkippingAlpha) {
    const Bytes px = {255, 255, 255, 0, 255, 255, 254, 255, 255, 255, 255, 7};
    TgaImage src = image(32, 3, 1, px), mask = solid(9, 9, 1), none{}; // the old mask is replaced
    ASSERT_EQ(pictureToMask(&src, &mask, whiteMask), 1);
    EXPECT_EQ(mask.bytesPerPixel, 1);
    EXPECT_EQ(block(mask), (Bytes{1, 0, 1}));
    EXPECT_EQ(block(src), px);
    // A missing picture gives an empty mask.
    EXPECT_EQ(pictureToMask(&none, &mask, whiteMask), 1);
    EXPECT_EQ(recordOf(mask), std::vector<long>(5, 0));
}

// Each pixel just outside an opening takes the colour the pixel beyond it had before any change,
// also where two fringe pixels take each other's colour; a pixel without a closed pixel beyond
// (the picture's edge, another opening) keeps its own.
TEST(Converters, TheFringeTakesTheColourBeyondFromThePictureAsItWas) {
    struct Case {
        const char* name;
        int width, height;
        Bytes mask, expected; // expected: for each pixel the pixel whose first byte it ends with
    };
    const Case cases[] = {
        {"one open pixel in the middle", 5, 3, {0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0},
         {0, 1, 2, 3, 4, 5, 5, 7, 9, 9, 10, 11, 12, 13, 14}},
        {"two fringe pixels swap", 6, 1, {0, 1, 0, 0, 1, 0}, {0, 1, 3, 2, 4, 5}},
        {"between two openings", 5, 1, {0, 1, 0, 1, 0}, {0, 1, 2, 3, 4}},
        {"an opening at the left edge", 3, 3, {0, 0, 0, 1, 0, 0, 0, 0, 0}, {0, 1, 2, 3, 5, 5, 6, 7, 8}},
        {"nothing open", 2, 2, {0, 0, 0, 0}, {0, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int n = c.width * c.height;
        Bytes px, want;
        for (int i = 0; i < n; i++) px.insert(px.end(), {uint8_t(i), uint8_t(100 + i), uint8_t(200 - i)});
        for (uint8_t i : c.expected) want.insert(want.end(), {i, uint8_t(100 + i), uint8_t(200 - i)});
        TgaImage frame = image(24, c.width, c.height, px), mask = image(8, c.width, c.height, c.mask);
        pictureClearFringe(&frame, &mask);
        EXPECT_EQ(block(frame), want);
        EXPECT_EQ(block(mask), c.mask);
        tgaFree(&frame);
        tgaFree(&mask);
    }
}

class Pictures : public ::testing::Test {
  protected:
    void SetUp() override { glTestContext(); }
    void TearDown() override { record.pictureCache = 0; }
    TempDir dir;
    const std::string stem = dir.file("poster");
};

// An odd width (rows of 15 bytes) and a pixel store that is not the scaler's own; a cache file there
// must not be read.
TEST_F(Pictures, WithoutTheCacheAFitIsAnExactCopyTouchingNoFile) {
    const std::string name = stem + "-000005-000003.tga";
    TgaImage other = solid(5, 3, 0x0000FF);
    ASSERT_EQ(tgaSave(&other, name.c_str()), 1);
    const Bytes before = readBytes(name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    Bytes pixels(5 * 3 * 3);
    for (size_t i = 0; i < pixels.size(); i++) pixels[i] = uint8_t(i * 7 + 3);
    TgaImage src = image(24, 5, 3, pixels), dst{};
    pictureFit(&src, &dst, 5, 3, stem.c_str());
    EXPECT_EQ(block(dst), pixels);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"poster-000005-000003.tga"});
    EXPECT_EQ(readBytes(name), before);
    GLint unpack = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    EXPECT_EQ(unpack, 4);
}

// A fitted size is written once (the same size again returns at once, touching no file); a later fit
// to a size with a cache file loads it rather than scaling; one of another size is scaled again and
// replaced; a missing source writes no file.
TEST_F(Pictures, CacheKeepsOneFilePerFittedSize) {
    record.pictureCache = 1;
    const std::string name = stem + "-000008-000006.tga";
    TgaImage src = solid(4, 3, 0x203040), dst{}, fresh{}, none{}, empty{};
    EXPECT_EQ(pictureFit(&src, &dst, 8, 6, stem.c_str()), 1);
    EXPECT_EQ(readBytes(name), tgaFileBytes(8, 6, 24, 0, solidBytes(8, 6, 0x403020))); // B, G, R
    std::filesystem::remove(name);
    EXPECT_EQ(pictureFit(&src, &dst, 8, 6, stem.c_str()), 1);
    EXPECT_TRUE(dir.names().empty());
    TgaImage marker = solid(8, 6, 0x030201), wrong = solid(2, 2, 0x090909);
    ASSERT_EQ(tgaSave(&marker, name.c_str()), 1);
    ASSERT_EQ(tgaSave(&wrong, (stem + "-000005-000005.tga").c_str()), 1);
    EXPECT_EQ(pictureFit(&src, &fresh, 8, 6, stem.c_str()), 1);
    EXPECT_EQ(block(fresh), block(marker));
    EXPECT_EQ(pictureFit(&src, &fresh, 5, 5, stem.c_str()), 1);
    EXPECT_EQ(block(fresh), solidBytes(5, 5, 0x203040));
    EXPECT_EQ(readBytes(stem + "-000005-000005.tga"), tgaFileBytes(5, 5, 24, 0, solidBytes(5, 5, 0x403020)));
    EXPECT_EQ(pictureFit(&none, &empty, 8, 6, dir.file("lastpic").c_str()), 0);
    EXPECT_EQ(dir.names(),
              (std::vector<std::string>{"poster-000005-000005.tga", "poster-000008-000006.tga"}));
}

// The fitted pictures are what the player sees on the story, the lamp frame, the door, the boss
// and the end: our scaler gives exactly gluScaleImage's bytes for the shipped pictures at common
// window sizes (smaller, half, larger), and for a small 32-bit picture enlarged both ways.
TEST_F(Pictures, ScalingGivesTheBytesOfGluScaleImage) {
    auto reference = [](const TgaImage& src, int w, int h) {
        Bytes out(size_t(w) * h * src.bytesPerPixel);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        gluScaleImage(src.bytesPerPixel == 3 ? GL_RGB : GL_RGBA, src.width, src.height, GL_UNSIGNED_BYTE,
                      src.pixels, w, h, GL_UNSIGNED_BYTE, out.data());
        return out;
    };
    Bytes small(7 * 5 * 4);
    for (size_t i = 0; i < small.size(); i++) small[i] = uint8_t(i * 37 + 11);
    TgaImage tiny = image(32, 7, 5, small), fit{};
    ASSERT_EQ(tgaScale(&tiny, 23, 11, &fit), 0);
    EXPECT_EQ(block(fit), reference(tiny, 23, 11));
    const std::pair<int, int> sizes[] = {{1024, 768}, {640, 480}, {1366, 1080}};
    for (const char* name : {"poster.tga", "stencil.tga", "boss.tga"}) {
        TgaImage src{};
        ASSERT_EQ(tgaLoad(&src, (std::string(KX_RUN_DIR "/") + name).c_str()), 1) << name;
        for (auto [w, h] : sizes) {
            ASSERT_EQ(tgaScale(&src, w, h, &fit), 0);
            EXPECT_EQ(block(fit), reference(src, w, h)) << name << " at " << w << " x " << h;
        }
        tgaFree(&src);
    }
    tgaFree(&fit);
    tgaFree(&tiny);
}

// The six pictures, 4 x 3 of one colour each (the lamp frame white), fitted to 64 x 48 in the folder
// with the cache on; the same size again only rebuilds the mask.
TEST_F(Pictures, ResizeFitsTheSixPicturesUnderTheirNamesOnce) {
    const std::string here = std::filesystem::current_path();
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    record.pictureCache = 1;
    imageTableReset();
    const std::pair<TgaImage*, TgaImage*> slots[6] = {
        {&imgPoster, &imgPosterFit},   {&imgStencil, &imgStencilFit}, {&imgDoorOpen, &imgDoorOpenFit},
        {&imgLastPic, &imgLastPicFit}, {&imgBoss, &imgBossFit},       {&imgBadDragon, &imgBadDragonFit}};
    auto colour = [](int i) { return i == 1 ? 0xFFFFFFu : 10u * (i + 1); };
    for (int i = 0; i < 6; i++) *slots[i].first = solid(4, 3, colour(i));
    picturesResize(64, 48);
    EXPECT_EQ(dir.names(),
              (std::vector<std::string>{"baddragon-000064-000048.tga", "boss-000064-000048.tga",
                                        "dooropen-000064-000048.tga", "lastpic-000064-000048.tga",
                                        "poster-000064-000048.tga", "stencil-000064-000048.tga"}));
    for (int i = 0; i < 6; i++) EXPECT_EQ(block(*slots[i].second), solidBytes(64, 48, colour(i))) << i;
    EXPECT_EQ(block(imgStencilMask), Bytes(64 * 48, 1));
    uint8_t* const posterBlock = imgPosterFit.pixels;
    imgStencilMask.pixels[0] = 7;
    picturesResize(64, 48);
    EXPECT_EQ(imgPosterFit.pixels, posterBlock);
    EXPECT_EQ(imgStencilMask.pixels[0], 1);
    imageTableFree();
    ASSERT_EQ(chdir(here.c_str()), 0);
}

// The lamp frame fitted ahead of the window: the first resize to that size keeps it (its mask is
// not built again), a later one rebuilds the mask as always, and a resize to another size fits anew.
TEST_F(Pictures, AFitMadeAheadIsKeptByTheFirstResizeToItsSize) {
    imageTableReset();
    imgStencil = solid(4, 3, 0xFFFFFF);
    const int fits = pictureFitCount(&imgStencilFit), posterFits = pictureFitCount(&imgPosterFit);
    picturesPrepare(64, 48, &imgStencilFit);
    EXPECT_EQ(block(imgStencilFit), solidBytes(64, 48, 0xFFFFFF));
    EXPECT_EQ(block(imgStencilMask), Bytes(64 * 48, 1));
    imgStencilMask.pixels[0] = 7;
    picturesResizeFirst(64, 48, &imgStencilFit);
    EXPECT_EQ(imgStencilMask.pixels[0], 7) << "kept";
    EXPECT_EQ(pictureFitCount(&imgStencilMask), fits + 1) << "kept, not fitted again";
    picturesResizeFirst(64, 48, &imgStencilFit);
    EXPECT_EQ(imgStencilMask.pixels[0], 1) << "the mask made again";
    EXPECT_EQ(pictureFitCount(&imgStencilFit), fits + 2) << "fitted again";
    EXPECT_EQ(pictureFitCount(&imgPosterFit), posterFits) << "another slot";
    picturesPrepare(64, 48, &imgStencilFit);
    picturesResizeFirst(32, 24, &imgStencilFit);
    EXPECT_EQ(block(imgStencilMask), Bytes(32 * 24, 1));
    imageTableFree();
}

// kavernix-tool: standard output and exit status of the image commands.
void expectTool(const std::string& args, int exitStatus, const std::string& out) {
    SCOPED_TRACE(args);
    int status;
    EXPECT_EQ(commandOutput(KX_BINARY_DIR "/kavernix-tool " + args + " 2>/dev/null", &status), out);
    EXPECT_EQ(status, exitStatus);
}

// tga-info prints what the reader makes of a file; font writes the built font or nothing.
TEST(ImageTool, TgaInfoAndFontSayWhatTheReaderMade) {
    TempDir dir;
    const std::string good = dir.file("good.tga"), cut = dir.file("cut.tga");
    writeBytes(good, tgaFileBytes(300, 2, 32, 0x20, Bytes(2400, 9)));
    writeBytes(cut, tgaFileBytes(300, 2, 32, 0, Bytes(2399, 9)));
    expectTool("tga-info " + good, 0, good + ": 300 x 2, 32 bits per pixel\n");
    expectTool("tga-info " + cut, 1, cut + ": refused: pixel data is truncated\n");
    expectTool("tga-info", 2, "");
    const std::string missing = dir.file("missing.tga"), plain = dir.file("plain.tga");
    writeBytes(plain, tgaFileBytes(20, 4, 24, 0, Bytes(240, 255))); // no glyph row
    expectTool("font " + missing + " " + dir.file("none.tga"), 1,
               missing + ": no font built: does not exist\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.tga")));
    // A strip without a glyph row gives a font of background only.
    expectTool("font " + plain + " " + dir.file("font.tga"), 0, "");
    EXPECT_EQ(readBytes(dir.file("font.tga")), tgaFileBytes(512, 512, 32, 0, Bytes(512 * 512 * 4, 0)));
}
