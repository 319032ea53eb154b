// The TGA reader and writer against files from an independent writer (ImageMagick) and hand-made
// damaged files, and the pixel primitives the later conversions rely on.
#include <gtest/gtest.h>

#include <cstring>

#include "image/picture.h"
#include "image/tga.h"
#include "image_test_files.h"

namespace {

// The source picture, 3 x 2, as a binary PPM lists it: top row first, R, G, B.
const uint8_t topRow[9] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90};
const uint8_t lowRow[9] = {0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0, 0x01, 0x02, 0x03};

std::string writePpm(const TempDir& dir) {
    Bytes ppm = {'P', '6', '\n', '3', ' ', '2', '\n', '2', '5', '5', '\n'};
    ppm.insert(ppm.end(), topRow, topRow + 9);
    ppm.insert(ppm.end(), lowRow, lowRow + 9);
    const std::string path = dir.file("source.ppm");
    writeBytes(path, ppm);
    return path;
}

bool isEmpty(const TgaImage& img) {
    return img.pixels == nullptr && img.width == 0 && img.height == 0 && img.bitsPerPixel == 0 &&
           img.bytesPerPixel == 0 && img.byteSize == 0 && img.textureId == 0;
}

// The bytes of image row y as R, G, B(, A).
Bytes rowOf(const TgaImage& img, int y) {
    const uint8_t* p = img.pixels + y * img.width * img.bytesPerPixel;
    return Bytes(p, p + img.width * img.bytesPerPixel);
}

// A picture row as it should look in memory: RGB, with an opaque alpha appended for 32 bits.
Bytes expectedRow(const uint8_t* rgb, int bytesPerPixel) {
    Bytes out;
    for (int i = 0; i < 3; i++) {
        out.insert(out.end(), rgb + 3 * i, rgb + 3 * i + 3);
        if (bytesPerPixel == 4) out.push_back(0xFF);
    }
    return out;
}

// The first row stored in a 3-pixel-wide file, converted from B, G, R(, A) to R, G, B(, A).
Bytes firstStoredRow(const Bytes& file, int bytesPerPixel) {
    Bytes out;
    for (int i = 0; i < 3; i++) {
        const uint8_t* p = file.data() + 18 + i * bytesPerPixel;
        out.push_back(p[2]);
        out.push_back(p[1]);
        out.push_back(p[0]);
        if (bytesPerPixel == 4) out.push_back(p[3]);
    }
    return out;
}

struct MagickCase {
    const char* name;
    const char* options;
    int bytesPerPixel;
    bool topLeft;
};

} // namespace

// By the TGA format a file without the top-to-bottom bit stores its bottom row first, one with it
// stores its top row first; memory row 0 is the bottom row either way. The expected rows are judged
// from the file's own stored rows and origin bit, as ImageMagick keeps the stored order as it likes.
TEST(TgaRead, ImageMagickTrueColourFilesLoadWithTheirOriginApplied) {
    TempDir dir;
    const std::string ppm = writePpm(dir);
    const MagickCase cases[] = {
        {"bl24.tga", "-depth 8 -type TrueColor", 3, false},
        {"tl24.tga", "-depth 8 -type TrueColor -orient TopLeft", 3, true},
        {"bl32.tga", "-depth 8 -type TrueColorAlpha -alpha on", 4, false},
        {"tl32.tga", "-depth 8 -type TrueColorAlpha -alpha on -orient TopLeft", 4, true},
    };
    for (const MagickCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(runConvert(ppm + " " + c.options + " " + path));
        const Bytes file = readBytes(path);
        ASSERT_GE(file.size(), 18u + 6 * c.bytesPerPixel);
        ASSERT_EQ(file[2], 2);
        ASSERT_EQ(file[16], 8 * c.bytesPerPixel);
        ASSERT_EQ((file[17] & 0x20) != 0, c.topLeft);
        ASSERT_EQ(file[17] & 0x10, 0);
        // Which picture row this writer stored first, established from the bytes themselves.
        const Bytes stored = firstStoredRow(file, c.bytesPerPixel);
        const bool topStoredFirst = stored == expectedRow(topRow, c.bytesPerPixel);
        ASSERT_TRUE(topStoredFirst || stored == expectedRow(lowRow, c.bytesPerPixel));
        const uint8_t* firstStored = topStoredFirst ? topRow : lowRow;
        const uint8_t* secondStored = topStoredFirst ? lowRow : topRow;

        TgaImage img{};
        ASSERT_EQ(tgaLoad(&img, path.c_str()), 1) << tgaLastError();
        EXPECT_EQ(img.width, 3);
        EXPECT_EQ(img.height, 2);
        EXPECT_EQ(img.bitsPerPixel, 8 * c.bytesPerPixel);
        EXPECT_EQ(img.bytesPerPixel, c.bytesPerPixel);
        EXPECT_EQ(img.byteSize, 6 * c.bytesPerPixel);
        EXPECT_EQ(img.textureId, 0u);
        const int firstRow = c.topLeft ? 1 : 0;
        EXPECT_EQ(rowOf(img, firstRow), expectedRow(firstStored, c.bytesPerPixel));
        EXPECT_EQ(rowOf(img, 1 - firstRow), expectedRow(secondStored, c.bytesPerPixel));
        tgaFree(&img);
    }
}

TEST(TgaRead, ImageMagickFilesOutsideTheSubsetAreRefused) {
    TempDir dir;
    const std::string ppm = writePpm(dir);
    struct Refused {
        const char* name;
        const char* options;
        int headerByte, headerValue; // what makes the file the kind it claims to be
    };
    const Refused cases[] = {
        {"rle.tga", "-depth 8 -type TrueColor -compress RLE", 2, 10},
        {"mapped.tga", "-depth 8 -type Palette", 1, 1},
        {"grey.tga", "-depth 8 -type Grayscale", 2, 3},
        {"sixteen.tga", "-depth 5 -type TrueColor", 16, 16},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(runConvert(ppm + " " + c.options + " " + path));
        const Bytes file = readBytes(path);
        ASSERT_GT(file.size(), 18u);
        ASSERT_EQ(file[c.headerByte], c.headerValue);
        TgaImage img{};
        EXPECT_EQ(tgaLoad(&img, path.c_str()), 0);
        EXPECT_TRUE(isEmpty(img));
        EXPECT_STRNE(tgaLastError(), "");
        EXPECT_EQ(tgaLoadFile(&img, path.c_str()), 0);
    }
}

TEST(TgaRead, ShortDamagedAndOversizedFilesAreRefusedWithTheirReason) {
    TempDir dir;
    const std::string ppm = writePpm(dir);
    const std::string good = dir.file("good.tga");
    ASSERT_TRUE(runConvert(ppm + " -depth 8 -type TrueColor " + good));
    const Bytes whole = readBytes(good);
    ASSERT_EQ(whole.size(), 18u + 18u);

    struct Damaged {
        const char* name;
        Bytes bytes;
        const char* reason;
    };
    Bytes withId = whole;
    withId[0] = 4;
    Bytes zeroWidth = whole;
    zeroWidth[12] = zeroWidth[13] = 0;
    Bytes zeroHeight = whole;
    zeroHeight[14] = zeroHeight[15] = 0;
    Bytes mapSpec = whole;
    mapSpec[5] = 1;
    const Damaged cases[] = {
        {"empty.tga", Bytes(), "header is shorter than 18 bytes"},
        {"seventeen.tga", Bytes(whole.begin(), whole.begin() + 17), "header is shorter than 18 bytes"},
        {"header_only.tga", Bytes(whole.begin(), whole.begin() + 18), "pixel data is truncated"},
        {"one_short.tga", Bytes(whole.begin(), whole.end() - 1), "pixel data is truncated"},
        {"image_id.tga", withId, "has an image ID field"},
        {"zero_width.tga", zeroWidth, "has a width or height of 0"},
        {"zero_height.tga", zeroHeight, "has a width or height of 0"},
        {"map_spec.tga", mapSpec, "has a colour map specification"},
        // 65535 x 65535 x 4 bytes is past the limit: refused before anything is allocated.
        {"huge.tga", tgaFileBytes(65535, 65535, 32, 0, Bytes(64, 0)), "pixel block is too large"},
        {"depth8.tga", tgaFileBytes(2, 2, 8, 0, Bytes(4, 0)), "pixel depth is not 24 or 32 bits"},
    };
    for (const Damaged& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        writeBytes(path, c.bytes);
        TgaImage img{};
        EXPECT_EQ(tgaLoad(&img, path.c_str()), 0);
        EXPECT_TRUE(isEmpty(img));
        EXPECT_STREQ(tgaLastError(), c.reason);
    }
    TgaImage img{};
    EXPECT_EQ(tgaLoad(&img, dir.file("missing.tga").c_str()), 0);
    EXPECT_TRUE(isEmpty(img));
    EXPECT_STREQ(tgaLastError(), "cannot be opened");
    // A success clears the reason.
    EXPECT_EQ(tgaLoad(&img, good.c_str()), 1);
    EXPECT_STREQ(tgaLastError(), "");
    tgaFree(&img);
}

TEST(TgaRead, BytesAfterThePixelDataDoNotMatter) {
    TempDir dir;
    Bytes pixels = {1, 2, 3, 4, 5, 6};
    Bytes file = tgaFileBytes(2, 1, 24, 0, pixels);
    const char footer[] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";
    file.insert(file.end(), footer, footer + sizeof footer);
    writeBytes(dir.file("footer.tga"), file);
    TgaImage img{};
    ASSERT_EQ(tgaLoad(&img, dir.file("footer.tga").c_str()), 1);
    EXPECT_EQ(rowOf(img, 0), (Bytes{3, 2, 1, 6, 5, 4}));
    tgaFree(&img);
}

// A 2 x 2 file with four distinct pixels under each combination of the two origin bits.
TEST(TgaRead, OriginBitsMirrorLeftRightAndTopBottom) {
    TempDir dir;
    // Stored in file order, B, G, R: pixels a b (first stored row), c d (second).
    const Bytes stored = {0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4};
    struct Origin {
        int descriptor;
        Bytes row0, row1; // red bytes of memory rows 0 and 1
    };
    const Origin cases[] = {
        {0x00, {1, 2}, {3, 4}}, {0x10, {2, 1}, {4, 3}}, {0x20, {3, 4}, {1, 2}},
        {0x30, {4, 3}, {2, 1}}, {0x0F, {1, 2}, {3, 4}}, // attribute bits are ignored
        {0xC0, {1, 2}, {3, 4}},                         // so are the interleave bits
    };
    for (const Origin& c : cases) {
        SCOPED_TRACE(c.descriptor);
        const std::string path = dir.file("origin.tga");
        writeBytes(path, tgaFileBytes(2, 2, 24, c.descriptor, stored));
        TgaImage img{};
        ASSERT_EQ(tgaLoad(&img, path.c_str()), 1);
        EXPECT_EQ(img.pixels[0], c.row0[0]);
        EXPECT_EQ(img.pixels[3], c.row0[1]);
        EXPECT_EQ(img.pixels[6], c.row1[0]);
        EXPECT_EQ(img.pixels[9], c.row1[1]);
        tgaFree(&img);
    }
}

TEST(TgaWrite, SavedImagesReadBackIdenticalAlphaIncluded) {
    TempDir dir;
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        TgaImage img{};
        ASSERT_EQ(tgaCreate(&img, bits, 5, 3), 1);
        for (int i = 0; i < img.byteSize; i++) img.pixels[i] = uint8_t(i * 37 + 11);
        const Bytes before(img.pixels, img.pixels + img.byteSize);
        const std::string path = dir.file("saved.tga");
        ASSERT_EQ(tgaSave(&img, path.c_str()), 1);
        EXPECT_EQ(Bytes(img.pixels, img.pixels + img.byteSize), before); // the record is unchanged

        const Bytes file = readBytes(path);
        ASSERT_EQ(file.size(), 18u + before.size());
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 18), tgaFileBytes(5, 3, bits, 0, Bytes()));
        EXPECT_EQ(file[18], before[2]); // stored B, G, R(, A)
        EXPECT_EQ(file[20], before[0]);

        TgaImage back{};
        ASSERT_EQ(tgaLoad(&back, path.c_str()), 1);
        EXPECT_EQ(back.width, 5);
        EXPECT_EQ(back.height, 3);
        EXPECT_EQ(back.bitsPerPixel, bits);
        EXPECT_EQ(Bytes(back.pixels, back.pixels + back.byteSize), before);
        tgaFree(&back);
        tgaFree(&img);
    }
}

TEST(TgaWrite, ImageMagickReadsTheSavedColours) {
    TempDir dir;
    TgaImage img{};
    ASSERT_EQ(tgaCreate(&img, 24, 2, 2), 1);
    const uint8_t pixels[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}; // bottom: red, green
    memcpy(img.pixels, pixels, 12);
    ASSERT_EQ(tgaSave(&img, dir.file("rgb.tga").c_str()), 1);
    tgaFree(&img);
    // ImageMagick's pixel listing of a bottom-left file: its first stored row listed as row 1.
    ASSERT_TRUE(runConvert(dir.file("rgb.tga") + " -depth 8 " + dir.file("rgb.ppm")));
    const Bytes ppm = readBytes(dir.file("rgb.ppm"));
    ASSERT_GE(ppm.size(), 12u);
    const Bytes body(ppm.end() - 12, ppm.end());
    const bool bottomFirst = body == Bytes(pixels, pixels + 12);
    const Bytes swapped = {0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0};
    EXPECT_TRUE(bottomFirst || body == swapped) << "colours not read back as written";
}

TEST(TgaWrite, UnwritablePathFails) {
    TgaImage img{};
    ASSERT_EQ(tgaCreate(&img, 24, 1, 1), 1);
    EXPECT_EQ(tgaSave(&img, "/nonexistent-folder/x.tga"), 0);
    tgaFree(&img);
}

TEST(TgaPixel, SetClampsAndStoresLeastSignificantByteFirst) {
    TgaImage img{};
    ASSERT_EQ(tgaCreate(&img, 24, 4, 3), 1);
    memset(img.pixels, 0, size_t(img.byteSize));
    tgaSetPixel(&img, -5, 3 - 2, 0x102030); // lands on (0, 1)
    const uint8_t* p = img.pixels + (1 * 4 + 0) * 3;
    EXPECT_EQ(p[0], 0x30);
    EXPECT_EQ(p[1], 0x20);
    EXPECT_EQ(p[2], 0x10);
    tgaSetPixel(&img, img.width + 2, img.height, 0xABCDEF); // the top-right pixel
    const uint8_t* top = img.pixels + (2 * 4 + 3) * 3;
    EXPECT_EQ(top[0], 0xEF);
    EXPECT_EQ(top[2], 0xAB);
    tgaFree(&img);
}

TEST(TgaPixel, GetPacksFirstByteMostSignificantSoACopyExchangesRedAndBlue) {
    TgaImage img{};
    ASSERT_EQ(tgaCreate(&img, 24, 2, 1), 1);
    const uint8_t rgb[6] = {0x10, 0x20, 0x30, 0, 0, 0};
    memcpy(img.pixels, rgb, 6);
    EXPECT_EQ(tgaGetPixel(&img, 0, 0), 0x102030u);
    tgaSetPixel(&img, 1, 0, int32_t(tgaGetPixel(&img, 0, 0)));
    EXPECT_EQ(img.pixels[3], 0x30);
    EXPECT_EQ(img.pixels[5], 0x10);
    tgaFree(&img);

    TgaImage rgba{};
    ASSERT_EQ(tgaCreate(&rgba, 32, 1, 1), 1);
    const uint8_t four[4] = {1, 2, 3, 4};
    memcpy(rgba.pixels, four, 4);
    EXPECT_EQ(tgaGetPixel(&rgba, 0, 0), 0x01020304u);
    tgaFill(&rgba, 0xAABBCCDD);
    EXPECT_EQ(rgba.pixels[0], 0xDD);
    EXPECT_EQ(rgba.pixels[3], 0xAA);
    tgaFree(&rgba);
}

TEST(TgaRecord, FreeTwiceIsHarmlessAndCopyAliases) {
    TgaImage img{};
    ASSERT_EQ(tgaCreate(&img, 32, 3, 3), 1);
    EXPECT_EQ(img.byteSize, 36);
    TgaImage alias;
    tgaCopy(&alias, &img);
    EXPECT_EQ(alias.pixels, img.pixels);
    EXPECT_EQ(alias.byteSize, img.byteSize);
    tgaFree(&img);
    EXPECT_TRUE(isEmpty(img));
    tgaFree(&img);
    EXPECT_TRUE(isEmpty(img));
}

TEST(TgaRecord, TableSlotsAreResetAndFreedTogether) {
    imageTableReset();
    ASSERT_EQ(tgaCreate(&imgFloor, 24, 2, 2), 1);
    ASSERT_EQ(tgaCreate(&imgHorseLeg, 32, 2, 2), 1);
    EXPECT_EQ(&imgFloor, &imageTable[3]);
    EXPECT_EQ(&imgStencilMask, &imageTable[9]);
    EXPECT_EQ(&imgMap8, &imageTable[26]);
    EXPECT_EQ(&imgHorseLeg, &imageTable[30]);
    imageTableFree();
    for (const TgaImage& slot : imageTable) EXPECT_TRUE(isEmpty(slot));
}

TEST(TgaMirror, MirrorsSwapWholePixels) {
    TgaImage img{};
    ASSERT_EQ(tgaCreate(&img, 24, 3, 2), 1);
    for (int i = 0; i < img.byteSize; i++) img.pixels[i] = uint8_t(i);
    tgaMirrorX(&img);
    EXPECT_EQ(rowOf(img, 0), (Bytes{6, 7, 8, 3, 4, 5, 0, 1, 2}));
    tgaMirrorY(&img);
    EXPECT_EQ(rowOf(img, 1), (Bytes{6, 7, 8, 3, 4, 5, 0, 1, 2}));
    EXPECT_EQ(rowOf(img, 0), (Bytes{15, 16, 17, 12, 13, 14, 9, 10, 11}));
    tgaFree(&img);
}

// gluScaleImage reads the pixel-store state of the current context; this program has none.
TEST(TgaScale, WithoutAGlContextNothingIsScaled) {
    TgaImage src{};
    ASSERT_EQ(tgaCreate(&src, 24, 2, 2), 1);
    TgaImage dst{};
    EXPECT_EQ(tgaScale(&src, 4, 4, &dst), 0);
    EXPECT_EQ(dst.pixels, nullptr);
    tgaFree(&src);
}

// Every pixel of wider files, so that all widths of the exchange (whole blocks and the last few
// pixels) are exercised: file B, G, R(, A) becomes memory R, G, B(, A).
TEST(TgaRead, EveryPixelHasItsRedAndBlueExchanged) {
    TempDir dir;
    for (int bits : {24, 32}) {
        for (int width : {1, 7, 8, 9, 37, 64}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << width << " wide");
            const int bpp = bits / 8;
            Bytes stored(size_t(width * 3 * bpp));
            for (size_t i = 0; i < stored.size(); i++) stored[i] = uint8_t(i * 13 + 5);
            const std::string path = dir.file("wide.tga");
            writeBytes(path, tgaFileBytes(width, 3, bits, 0, stored));
            TgaImage img{};
            ASSERT_EQ(tgaLoad(&img, path.c_str()), 1);
            for (int i = 0; i < width * 3; i++) {
                const uint8_t* f = stored.data() + i * bpp;
                const uint8_t* m = img.pixels + i * bpp;
                ASSERT_EQ(m[0], f[2]) << i;
                ASSERT_EQ(m[1], f[1]) << i;
                ASSERT_EQ(m[2], f[0]) << i;
                if (bpp == 4) {
                    ASSERT_EQ(m[3], f[3]) << i;
                }
            }
            tgaFree(&img);
        }
    }
}
