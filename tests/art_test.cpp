// SPDX-License-Identifier: GPL-3.0-or-later
// The generated art: every image the game reads, the same bytes on every run, font strips that the font
// builder turns into the right 256 places, and a lamp frame whose pure white covers what the game shows.
#include <gtest/gtest.h>

#include "image/picture.h"
#include "image/tga.h"
#include "text/font.h"
#include "output_capture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <vector>
#include <unistd.h>

namespace {

// Runs the generator into a new folder inside the build folder; "" when it fails.
std::string generate() {
    char name[] = KX_BINARY_DIR "/art_test_XXXXXX";
    if (!mkdtemp(name)) return "";
    std::string command = "\"" KX_BINARY_DIR "/kavernix-art\" \"" + std::string(name) + "\" > /dev/null";
    if (std::system(command.c_str()) == 0) return name;
    std::filesystem::remove_all(name);
    return "";
}

// Output kept once per build of the generator (named by its size and time), renamed into place whole.
class Art : public ::testing::Test {
  protected:
    static std::string dir;
    static void SetUpTestSuite() {
        struct stat info {};
        if (!dir.empty() || stat(KX_BINARY_DIR "/kavernix-art", &info) != 0) return;
        dir = KX_BINARY_DIR "/art_test_images_" + std::to_string(info.st_size) + "_" +
              std::to_string(info.st_mtime);
        if (access(dir.c_str(), F_OK) == 0) return;
        std::string fresh = generate();
        if (!fresh.empty() && rename(fresh.c_str(), dir.c_str()) != 0) std::filesystem::remove_all(fresh);
    }
    static std::string path(const std::string& name) { return dir + "/" + name; }
};
std::string Art::dir;

struct Loaded {
    TgaImage img{};
    explicit Loaded(const std::string& path) { tgaLoad(&img, path.c_str()); }
    ~Loaded() { tgaFree(&img); }
};

TEST_F(Art, EveryImageLoadsAt24BitsInItsSize) {
    const std::pair<const char*, int> groups[] = {
        // by height; pictures are 4:3, textures square
        {"poster dooropen lastpic baddragon boss boss-en stencil stencilmask", 960},
        {"floor wood heu oilcan spider pferd pferd_bein", 256},
        {"wall", 512},
        {"map1 map2 map3 map4 map5 map6 map7 map8", 128}};
    for (const auto& g : groups) {
        std::istringstream names(g.first);
        for (std::string name; names >> name;) {
            Loaded t(path(name + ".tga"));
            ASSERT_NE(t.img.pixels, nullptr) << name << ": " << tgaLastError();
            EXPECT_EQ((std::vector<int>{t.img.width, t.img.height, t.img.bitsPerPixel}),
                      (std::vector<int>{g.second == 960 ? 1280 : g.second, g.second, 24}))
                << name;
        }
    }
}

// The game tiles floor and wall mirrored, so their light must come from no side: a light from one side
// makes bright-to-dark steps unlike dark-to-bright ones (the steps' skewness), which the mirror turns
// round at each mirror line, a visible seam. Across and along, the steps are as skewed one way as the
// other. The game exchanges red and blue when it mirror-tiles them: the files are stored exchanged,
// so that the rock shows brown-grey, not blue.
TEST_F(Art, RockIsLitFromNoSideAndComesOutWarmMirrorTiled) {
    for (const char* name : {"floor.tga", "wall.tga"}) {
        Loaded t(path(name));
        ASSERT_NE(t.img.pixels, nullptr) << name;
        const int w = t.img.width, h = t.img.height;
        auto light = [&](int x, int y) {
            const uint8_t* p = t.img.pixels + (size_t(y) * w + x) * 3;
            return double(p[0]) + p[1] + p[2];
        };
        for (int across : {1, 0}) {
            double n = 0, sum = 0, sum2 = 0, sum3 = 0;
            for (int y = 0; y + 1 < h; ++y)
                for (int x = 0; x + 1 < w; ++x) {
                    const double step = light(x + across, y + 1 - across) - light(x, y);
                    n += 1, sum += step, sum2 += step * step, sum3 += step * step * step;
                }
            const double mean = sum / n, variance = sum2 / n - mean * mean;
            const double skew =
                (sum3 / n - 3 * mean * variance - mean * mean * mean) / std::pow(variance, 1.5);
            EXPECT_LT(std::fabs(skew), 0.3) << name << (across ? " across" : " along");
        }
        ASSERT_EQ(tgaMirrorTile(&t.img), 1) << name;
        double red = 0, blue = 0;
        for (int i = 0; i < t.img.byteSize; i += 3) red += t.img.pixels[i], blue += t.img.pixels[i + 2];
        EXPECT_GT(red, blue * 1.05) << name;
    }
}

// The story poster's dragon, black against the moonlit sky, lies whole inside the picture: no part
// of its wings or tail (nearly black pixels) touches the right edge or the top of the sky, so every
// window, which shows the whole picture in its 4:3 stage, shows the whole dragon.
TEST_F(Art, ThePostersDragonIsWhole) {
    Loaded t(path("poster.tga"));
    ASSERT_NE(t.img.pixels, nullptr);
    const int w = t.img.width, h = t.img.height;
    auto black = [&](int x, int y) {
        const uint8_t* p = t.img.pixels + (size_t(y) * w + x) * 3;
        return std::max({p[0], p[1], p[2]}) < 12;
    };
    int inside = 0, edge = 0;
    for (int y = h / 2; y < h; ++y) // rows bottom up: the upper half, where the moon and the dragon are
        for (int x = w / 2; x < w; ++x) {
            inside += black(x, y);
            if (x >= w - 3 || y >= h - 3) edge += black(x, y);
        }
    EXPECT_GT(inside, 5000) << "the dragon is there";
    EXPECT_EQ(edge, 0) << "the dragon reaches the picture's edge";
}

TEST_F(Art, TwoRunsWriteTheSameBytesInEveryFile) {
    std::string second = generate();
    ASSERT_NE(second, "");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::string name = entry.path().filename();
        EXPECT_TRUE(readFileText(path(name)) == readFileText(second + "/" + name)) << name << " differs";
        files++;
    }
    EXPECT_EQ(files, 40) << "8 pictures, 16 textures, 2 font strips and 14 sounds";
    std::filesystem::remove_all(second);
}

TEST(ArtGenerator, FailsForAFolderItCannotMake) {
    EXPECT_NE(std::system("\"" KX_BINARY_DIR "/kavernix-art\" /nonexistent-kx/deeper 2> /dev/null"), 0);
}

// Alpha of pixel (x, y) inside the place of `code`, as the builder stores it.
int cellAlpha(const TgaImage& font, int code, int x, int y) {
    return font.pixels[((480 - 32 * (code / 16) + y) * 512 + 32 * (code % 16) + x) * 4 + 3];
}

// Pixels with ink in the place of `code`; `top` gets the highest screen row (0 = bottom) with ink.
int inkPixels(const TgaImage& font, int code, int& top) {
    int n = 0;
    top = -1;
    for (int y = 31; y >= 0; y--)
        for (int x = 0; x < 32; x++)
            if (cellAlpha(font, code, x, y) > 128) n++, top = 31 - y; // stored upside down
    return n;
}

TEST_F(Art, FontStripsBuildIntoTheRightPlaces) {
    for (const char* name : {"fontmaze.tga", "fontgotic.tga"}) {
        SCOPED_TRACE(name);
        TgaImage font{};
        ASSERT_EQ(fontBuild(&font, path(name).c_str()), 1);
        ASSERT_EQ(font.width * font.height * font.bytesPerPixel, 512 * 512 * 4);
        int top[256], ink[256];
        for (int code = 0; code < 256; code++) ink[code] = inkPixels(font, code, top[code]);
        for (int code = 0; code <= ' '; code++) EXPECT_EQ(ink[code], 0) << "code " << code;
        for (int code : {int('A'), int('z'), 0xE4, 0xDF, int('!'), int('0'), 0xD6})
            EXPECT_GT(ink[code], 8) << code;
        // '_' sits low between '^' and '`', which sit high: one glyph too many or too few moves them;
        // the umlaut's dots sit above the plain letter.
        EXPECT_LT(top['_'], 10);
        EXPECT_GT(top['^'], 16);
        EXPECT_GT(top['`'], 16);
        EXPECT_GT(top[0xE4], top['a']);
        // A glyph's two lowest strip rows land on texture rows that the place above it samples at its edge.
        for (int row = 0; row < 16; row++)
            for (int x = 0; x < 512; x++) {
                EXPECT_LE(font.pixels[((row == 0 ? 511 : 512 - 32 * row) * 512 + x) * 4 + 3], 3) << row;
                EXPECT_LE(font.pixels[((511 - 32 * row) * 512 + x) * 4 + 3], 3) << row;
            }
        tgaFree(&font);
    }
}

// Whether a rectangle of the mask (window fractions from the bottom left) is open everywhere.
bool allOpen(const TgaImage& mask, double left, double bottom, double right, double top) {
    for (int y = int(bottom * mask.height); y < int(top * mask.height); y++)
        for (int x = int(left * mask.width); x < int(right * mask.width); x++)
            if (mask.pixels[y * mask.width + x] != 1) return false;
    return true;
}

TEST_F(Art, LampFrameIsPureWhiteExactlyWhereTheGameShowsThings) {
    Loaded frame(path("stencil.tga")), file(path("stencilmask.tga"));
    TgaImage mask{};
    ASSERT_EQ(pictureToMask(&frame.img, &mask, whiteMask), 1);
    // The overview map, counters and status field, frame-rate line and the view through the lamp
    // are open; the four corners and the strip below the counters are not.
    const double rects[][5] = {
        {0.74, 0.715, 0.931, 0.94, 1}, {0.12, 0.035, 1.0, 0.118, 1}, {0.01, 0.2, 0.19, 0.25, 1},
        {0.25, 0.35, 0.6, 0.8, 1},     {0, 0, 0.005, 0.005, 0},      {0.995, 0, 1, 0.005, 0},
        {0, 0.995, 0.005, 1, 0},       {0.995, 0.995, 1, 1, 0},      {0, 0, 0.1, 0.03, 0}};
    for (const auto& r : rects)
        EXPECT_EQ(allOpen(mask, r[0], r[1], r[2], r[3]), r[4] == 1) << r[0] << "," << r[1];
    // The mask file is the same frame's mask: white where the frame is pure white, black elsewhere.
    ASSERT_EQ(file.img.byteSize, mask.byteSize * 3);
    int mismatches = 0;
    for (int i = 0; i < mask.byteSize * 3; i++)
        mismatches += file.img.pixels[i] != (mask.pixels[i / 3] ? 255 : 0);
    EXPECT_EQ(mismatches, 0);
    tgaFree(&mask);
}

} // namespace
