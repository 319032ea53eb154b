// The generated art: the generator writes every image the game reads, the same bytes on every run,
// font strips that the font builder turns into the right 256 cells, a lamp frame whose pure white
// covers exactly what the game must show, and textures that come out as intended in the game.
#include <gtest/gtest.h>

#include "gl_context.h"
#include "image/picture.h"
#include "image/tga.h"
#include "text/font.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string makeTempDir() {
    char name[] = "/tmp/kx_art_XXXXXX";
    const char* dir = mkdtemp(name);
    return dir ? dir : "";
}

int runGenerator(const std::string& args) {
    std::string command = "\"" KX_BINARY_DIR "/kavernix-art\" " + args + " > /dev/null";
    return std::system(command.c_str());
}

std::vector<char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Expected {
    const char* name;
    int width, height;
};

const Expected pictures[] = {{"poster.tga", 1280, 960},     {"dooropen.tga", 1280, 960},
                             {"lastpic.tga", 1280, 960},    {"baddragon.tga", 1280, 960},
                             {"boss.tga", 1280, 960},       {"stencil.tga", 1280, 960},
                             {"stencilmask.tga", 1280, 960}};
const char* const textures[] = {"floor.tga",  "wall.tga",   "wood.tga",  "heu.tga",
                                "oilcan.tga", "spider.tga", "pferd.tga", "pferd_bein.tga",
                                "map1.tga",   "map2.tga",   "map3.tga",  "map4.tga",
                                "map5.tga",   "map6.tga",   "map7.tga",  "map8.tga"};

// The generator's output for this build of it. CTest runs every test in its own process, so the
// output is kept in the build folder under a name made from the generator's size and time: it is
// made once per build of the generator (in a temp folder, then renamed into place, so parallel runs
// never see half of it).
class Art : public ::testing::Test {
  protected:
    static std::string dir;
    static int status;
    static void SetUpTestSuite() {
        if (!dir.empty()) return;
        struct stat info {};
        if (stat(KX_BINARY_DIR "/kavernix-art", &info) != 0) {
            status = -1;
            dir = "/nonexistent";
            return;
        }
        dir = std::string(KX_BINARY_DIR) + "/art_test_output_" + std::to_string(int64_t(info.st_size)) + "_" +
              std::to_string(int64_t(info.st_mtime));
        if (access((dir + "/done").c_str(), F_OK) == 0) {
            status = 0;
            return;
        }
        std::string fresh = makeTempDir();
        status = runGenerator("\"" + fresh + "\"");
        if (status == 0) {
            FILE* done = fopen((fresh + "/done").c_str(), "w");
            if (done) fclose(done);
            std::string command = "cp -r \"" + fresh + "\" \"" + dir + ".part$$\" && mv -T \"" + dir +
                                  ".part$$\" \"" + dir + "\" 2>/dev/null || rm -rf \"" + dir + ".part$$\"";
            std::system(command.c_str());
        }
        if (access((dir + "/done").c_str(), F_OK) != 0)
            dir = fresh; // could not keep it: use the temp copy
        else
            std::system(("rm -rf \"" + fresh + "\"").c_str());
    }
    static std::string path(const char* name) { return dir + "/" + name; }
};
std::string Art::dir;
int Art::status = -1;

struct Loaded {
    TgaImage img{};
    explicit Loaded(const std::string& path) { tgaLoad(&img, path.c_str()); }
    ~Loaded() { tgaFree(&img); }
};

uint8_t channel(const TgaImage& img, int x, int y, int c) {
    return img.pixels[(int64_t(y) * img.width + x) * img.bytesPerPixel + c];
}

float brightness(const TgaImage& img, int x, int y) {
    return float(channel(img, x, y, 0) + channel(img, x, y, 1) + channel(img, x, y, 2)) / 765.0f;
}

bool isPowerOfTwo(int v) {
    return v > 0 && (v & (v - 1)) == 0;
}

TEST_F(Art, WritesEveryImageTheGameReadsInTheReadableSubset) {
    ASSERT_EQ(status, 0);
    for (const Expected& e : pictures) {
        Loaded p(path(e.name));
        ASSERT_NE(p.img.pixels, nullptr) << e.name << ": " << tgaLastError();
        EXPECT_EQ(p.img.width, e.width) << e.name;
        EXPECT_EQ(p.img.height, e.height) << e.name;
        EXPECT_EQ(p.img.bitsPerPixel, 24) << e.name;
    }
    for (const char* name : textures) {
        Loaded t(path(name));
        ASSERT_NE(t.img.pixels, nullptr) << name << ": " << tgaLastError();
        EXPECT_TRUE(isPowerOfTwo(t.img.width) && isPowerOfTwo(t.img.height)) << name;
        EXPECT_GE(t.img.width, 128) << name;
        EXPECT_EQ(t.img.bitsPerPixel, 24) << name;
    }
    for (const char* name : {"fontmaze.tga", "fontgotic.tga"}) {
        Loaded s(path(name));
        ASSERT_NE(s.img.pixels, nullptr) << name;
        EXPECT_LE(s.img.height, 64) << name;
    }
}

TEST_F(Art, TwoRunsWriteTheSameBytes) {
    ASSERT_EQ(status, 0);
    std::string second = makeTempDir();
    ASSERT_EQ(runGenerator("\"" + second + "\""), 0);
    std::vector<const char*> names;
    for (const Expected& e : pictures) names.push_back(e.name);
    for (const char* name : textures) names.push_back(name);
    names.push_back("fontmaze.tga");
    names.push_back("fontgotic.tga");
    for (const char* name : names) {
        std::vector<char> a = fileBytes(path(name)), b = fileBytes(second + "/" + name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == b) << name << " differs between two runs";
    }
    std::system(("rm -rf \"" + second + "\"").c_str());
}

TEST(ArtGenerator, FailsWithoutAWritableFolder) {
    EXPECT_NE(runGenerator(""), 0);
    EXPECT_NE(runGenerator("/nonexistent-kx-folder/deeper"), 0);
}

// ---- Font strips through the game's font builder.

// Alpha of a pixel of cell `code`, with (x, y) counted inside the cell as the builder stores it.
int cellAlpha(const TgaImage& font, int code, int x, int y) {
    int X = 32 * (code % 16) + x, Y = 480 - 32 * (code / 16) + y;
    return channel(font, X, Y, 3);
}

int inkPixels(const TgaImage& font, int code) {
    int n = 0;
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) n += cellAlpha(font, code, x, y) > 128;
    return n;
}

// The mean height of a cell's ink as shown on screen: 0 at the glyph's bottom, 1 at its top. The
// builder stores glyphs upside down: a higher texture row is lower on screen.
float inkHeight(const TgaImage& font, int code) {
    float sum = 0, weight = 0;
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            float a = float(cellAlpha(font, code, x, y));
            sum += a * float(31 - y) / 31.0f;
            weight += a;
        }
    return weight > 0 ? sum / weight : -1;
}

// The highest screen row of a cell (0 = bottom, 31 = top) with clearly visible ink, -1 if none.
int inkTop(const TgaImage& font, int code) {
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++)
            if (cellAlpha(font, code, x, y) > 128) return 31 - y;
    return -1;
}

class FontStrip : public Art, public ::testing::WithParamInterface<const char*> {};

TEST_P(FontStrip, BuildsIntoTheRightCells) {
    ASSERT_EQ(status, 0);
    TgaImage font{};
    ASSERT_EQ(fontBuild(&font, path(GetParam()).c_str()), 1);
    ASSERT_EQ(font.width, 512);
    ASSERT_EQ(font.height, 512);
    ASSERT_EQ(font.bytesPerPixel, 4);
    for (int code : {int('!'), int('0'), int('9'), int('A'), int('M'), int('z'), 0xC4, 0xD6, 0xDC, 0xE4, 0xF6,
                     0xFC, 0xDF})
        EXPECT_GT(inkPixels(font, code), 8) << "code " << code;
    for (int code = 0; code <= 32; code++) EXPECT_EQ(inkPixels(font, code), 0) << "code " << code;
    // Order: '_' (95) sits at the bottom between '^' (94) and '`' (96), which sit at the top; a strip
    // with one glyph too many or too few before them would move them by a cell.
    EXPECT_LT(inkHeight(font, '_'), 0.3f);
    EXPECT_GT(inkHeight(font, '^'), 0.6f);
    EXPECT_GT(inkHeight(font, '`'), 0.6f);
    EXPECT_LT(inkPixels(font, '.'), inkPixels(font, 'M') / 3);
    // The umlauts carry their dots above the plain letter: their ink reaches higher.
    EXPECT_GT(inkTop(font, 0xE4), inkTop(font, 'a'));
    EXPECT_GT(inkTop(font, 0xF6), inkTop(font, 'o'));
    EXPECT_GT(inkTop(font, 0xFC), inkTop(font, 'u'));
    tgaFree(&font);
}

TEST_P(FontStrip, SpaceIsEmptyAndNoGlyphReachesTheRowsItsNeighboursSample) {
    ASSERT_EQ(status, 0);
    TgaImage font{};
    ASSERT_EQ(fontBuild(&font, path(GetParam()).c_str()), 1);
    for (int x = 0; x < 32; x++)
        for (int y = 0; y < 32; y++) ASSERT_EQ(cellAlpha(font, ' ', x, y), 0);
    // A glyph's two lowest strip rows land on texture rows that the cell above it samples at its
    // edge (and row 512 clamps to 511): they hold nothing visible.
    for (int r = 0; r < 16; r++)
        for (int X = 0; X < 512; X++) {
            int lowest = r == 0 ? 511 : 512 - 32 * r;
            EXPECT_LE(channel(font, X, lowest, 3), 3) << "cell row " << r;
            EXPECT_LE(channel(font, X, 511 - 32 * r, 3), 3) << "cell row " << r;
        }
    tgaFree(&font);
}

TEST_P(FontStrip, IsOneBandOfAtMost32RowsWithNarrowGlyphs) {
    ASSERT_EQ(status, 0);
    Loaded s(path(GetParam()));
    ASSERT_NE(s.img.pixels, nullptr);
    const TgaImage& strip = s.img;
    auto rowPlain = [&](int y) {
        for (int x = 1; x < strip.width; x++)
            if (tgaGetPixel(&strip, x, y) != tgaGetPixel(&strip, 0, y)) return false;
        return true;
    };
    auto columnPlain = [&](int x) {
        for (int y = 1; y < strip.height; y++)
            if (tgaGetPixel(&strip, x, y) != tgaGetPixel(&strip, x, 0)) return false;
        return true;
    };
    int yStart = 0;
    while (yStart < strip.height && rowPlain(yStart)) yStart++;
    int yEnd = yStart;
    while (yEnd < strip.height && !rowPlain(yEnd)) yEnd++;
    EXPECT_LE(yEnd - yStart, 32);
    for (int y = yEnd; y < strip.height; y++) EXPECT_TRUE(rowPlain(y)) << "a second band at row " << y;
    int runs = 0, widest = 0;
    for (int x = 0; x < strip.width;) {
        while (x < strip.width && columnPlain(x)) x++;
        int start = x;
        while (x < strip.width && !columnPlain(x)) x++;
        if (x > start) {
            runs++;
            widest = std::max(widest, x - start);
        }
    }
    EXPECT_EQ(runs, 256);
    EXPECT_LE(widest, 31);
    // The strip ends with background, so no glyph touches its right edge.
    EXPECT_TRUE(columnPlain(strip.width - 1));
}

INSTANTIATE_TEST_SUITE_P(BothFonts, FontStrip, ::testing::Values("fontmaze.tga", "fontgotic.tga"));

// ---- The lamp frame.

// The first pixel of a rectangle (window fractions from the bottom left) that is not 1 in the mask,
// as "x,y", or "" when the whole rectangle is open.
std::string firstClosed(const TgaImage& mask, double left, double bottom, double right, double top) {
    for (int y = int(bottom * mask.height); y < int(top * mask.height); y++)
        for (int x = int(left * mask.width); x < int(right * mask.width); x++)
            if (mask.pixels[int64_t(y) * mask.width + x] != 1)
                return std::to_string(x) + "," + std::to_string(y);
    return "";
}

bool allOpen(const TgaImage& mask, double left, double bottom, double right, double top) {
    return firstClosed(mask, left, bottom, right, top).empty();
}

TEST_F(Art, LampFrameIsPureWhiteExactlyWhereTheGameShowsThings) {
    ASSERT_EQ(status, 0);
    Loaded frame(path("stencil.tga"));
    ASSERT_NE(frame.img.pixels, nullptr);
    TgaImage mask{};
    ASSERT_EQ(tgaToMask(&frame.img, &mask, whiteMask), 1);
    EXPECT_TRUE(allOpen(mask, 0.74, 0.715, 0.931, 0.94)) << "overview map";
    EXPECT_TRUE(allOpen(mask, 0.12, 0.035, 1.0, 0.118)) << "counters and status field";
    EXPECT_TRUE(allOpen(mask, 0.01, 0.2, 0.19, 0.25)) << "frame-rate line";
    EXPECT_TRUE(allOpen(mask, 0.25, 0.35, 0.6, 0.8)) << "the view through the lamp";
    for (double x : {0.0, 0.995})
        for (double y : {0.0, 0.995})
            EXPECT_FALSE(allOpen(mask, x, y, x + 0.005, y + 0.005)) << x << "," << y;
    EXPECT_FALSE(allOpen(mask, 0.0, 0.0, 0.1, 0.03)) << "below the counters";
    // Some of the picture is frame, not opening.
    int64_t open = 0;
    for (int i = 0; i < mask.byteSize; i++) open += mask.pixels[i];
    EXPECT_GT(open, mask.byteSize / 4);
    EXPECT_LT(open, mask.byteSize * 3 / 4);

    // The mask file is the same frame's mask: white where the frame is pure white, black elsewhere.
    Loaded file(path("stencilmask.tga"));
    ASSERT_NE(file.img.pixels, nullptr);
    int mismatches = 0;
    for (int i = 0; i < mask.byteSize; i++) {
        uint8_t want = mask.pixels[i] ? 255 : 0;
        const uint8_t* p = file.img.pixels + int64_t(i) * 3;
        mismatches += p[0] != want || p[1] != want || p[2] != want;
    }
    EXPECT_EQ(mismatches, 0);
    tgaFree(&mask);
}

TEST_F(Art, LampFrameStillCoversTheMapAndCountersWhenFittedToAWindow) {
    ASSERT_EQ(status, 0);
    glTestContext();
    Loaded frame(path("stencil.tga"));
    ASSERT_NE(frame.img.pixels, nullptr);
    const int sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1920, 1080}, {2560, 1600}};
    for (const auto& size : sizes) {
        int w = size[0], h = size[1];
        TgaImage fitted{}, mask{};
        tgaScale(&frame.img, w, h, &fitted);
        ASSERT_NE(fitted.pixels, nullptr) << w << "x" << h;
        ASSERT_EQ(tgaToMask(&fitted, &mask, whiteMask), 1);
        // The map's scissor box in this window's pixels.
        int x0 = int(w * 0.74f), y0 = int(h * 0.715f), bw = int(w * 0.191f), bh = int(h * 0.225f);
        int closed = 0;
        for (int y = y0; y < y0 + bh; y++)
            for (int x = x0; x < x0 + bw; x++) closed += mask.pixels[int64_t(y) * w + x] != 1;
        EXPECT_EQ(closed, 0) << "map box at " << w << "x" << h;
        // gluScaleImage blends the last column of an enlarged picture with the next row's first pixel, so
        // the check stops one column short of the edge (no text reaches it).
        EXPECT_EQ(firstClosed(mask, 0.12, 0.035, 1.0 - 1.5 / w, 0.118), "")
            << "counters at " << w << "x" << h;
        EXPECT_EQ(firstClosed(mask, 0.01, 0.2, 0.19, 0.25), "") << "frame-rate line at " << w << "x" << h;
        tgaFree(&fitted);
        tgaFree(&mask);
    }
}

// ---- Textures as the game shows them.

TEST_F(Art, MirrorTiledRockComesOutWarmInTheGame) {
    // The game exchanges red and blue when it mirror-tiles floor and wall; the files are stored
    // exchanged so that the rock shows brown-grey, not blue.
    ASSERT_EQ(status, 0);
    for (const char* name : {"floor.tga", "wall.tga"}) {
        Loaded t(path(name));
        ASSERT_NE(t.img.pixels, nullptr);
        ASSERT_EQ(tgaMirrorTile(&t.img), 1);
        double red = 0, blue = 0;
        for (int i = 0; i < t.img.byteSize; i += 3) {
            red += t.img.pixels[i];
            blue += t.img.pixels[i + 2];
        }
        EXPECT_GT(red, blue * 1.05) << name;
    }
}

// Mean colour difference between two columns (or rows) of an image.
float columnDifference(const TgaImage& img, int a, int b) {
    float sum = 0;
    for (int y = 0; y < img.height; y++) sum += std::fabs(brightness(img, a, y) - brightness(img, b, y));
    return sum / float(img.height);
}

float rowDifference(const TgaImage& img, int a, int b) {
    float sum = 0;
    for (int x = 0; x < img.width; x++) sum += std::fabs(brightness(img, x, a) - brightness(img, x, b));
    return sum / float(img.width);
}

TEST_F(Art, WrappedTexturesHaveNoSeamAtTheirEdges) {
    // The models wrap these textures around (s) and along (t) their surfaces: the step from the last
    // column to the first must look like any step between neighbours. The leg's t runs from hoof to
    // hip and does not wrap.
    ASSERT_EQ(status, 0);
    const struct {
        const char* name;
        bool wrapsT;
    } wrapped[] = {{"wood.tga", true},   {"heu.tga", true},   {"oilcan.tga", true},
                   {"spider.tga", true}, {"pferd.tga", true}, {"pferd_bein.tga", false}};
    for (const auto& w : wrapped) {
        Loaded t(path(w.name));
        ASSERT_NE(t.img.pixels, nullptr) << w.name;
        const TgaImage& img = t.img;
        float inside = 0;
        for (int x = 1; x < img.width; x++) inside += columnDifference(img, x - 1, x);
        inside /= float(img.width - 1);
        EXPECT_LT(columnDifference(img, img.width - 1, 0), inside * 2.5f + 0.01f) << w.name << " across s";
        if (!w.wrapsT) continue;
        float insideRows = 0;
        for (int y = 1; y < img.height; y++) insideRows += rowDifference(img, y - 1, y);
        insideRows /= float(img.height - 1);
        EXPECT_LT(rowDifference(img, img.height - 1, 0), insideRows * 2.5f + 0.01f) << w.name << " across t";
    }
}

TEST_F(Art, PosterLeavesTheStoryTextAreaDark) {
    // The story text rises from x = 0.2 of the width in the lower part; it is drawn additively in
    // white, so the picture must be dark there.
    ASSERT_EQ(status, 0);
    Loaded poster(path("poster.tga"));
    ASSERT_NE(poster.img.pixels, nullptr);
    const TgaImage& img = poster.img;
    float sum = 0;
    int n = 0;
    for (int y = 0; y < int(img.height * 0.45); y++)
        for (int x = int(img.width * 0.2); x < int(img.width * 0.55); x++) {
            sum += brightness(img, x, y);
            n++;
        }
    EXPECT_LT(sum / float(n), 0.12f);
}

TEST_F(Art, HorseLegsEndInDarkHoovesAtTheLowEndOfT) {
    ASSERT_EQ(status, 0);
    Loaded leg(path("pferd_bein.tga"));
    ASSERT_NE(leg.img.pixels, nullptr);
    auto rowBrightness = [&](int y) {
        float sum = 0;
        for (int x = 0; x < leg.img.width; x++) sum += brightness(leg.img, x, y);
        return sum / float(leg.img.width);
    };
    float hoof = rowBrightness(leg.img.height / 20);
    float upper = rowBrightness(leg.img.height * 3 / 4);
    EXPECT_LT(hoof, upper * 0.6f);
}

TEST_F(Art, ExplosionGrowsAndDiesOnPureBlack) {
    ASSERT_EQ(status, 0);
    float total[8], reach[8];
    for (int f = 0; f < 8; f++) {
        char name[16];
        snprintf(name, sizeof name, "map%d.tga", f + 1);
        Loaded m(path(name));
        ASSERT_NE(m.img.pixels, nullptr) << name;
        const TgaImage& img = m.img;
        // Corners and border are exactly black: the additive drawing adds nothing there.
        for (int i = 0; i < img.width; i++)
            for (int j : {0, img.height - 1}) {
                EXPECT_EQ(tgaGetPixel(&img, i, j), 0u) << name;
                EXPECT_EQ(tgaGetPixel(&img, j, i), 0u) << name;
            }
        total[f] = 0;
        reach[f] = 0;
        for (int y = 0; y < img.height; y++)
            for (int x = 0; x < img.width; x++) {
                float b = brightness(img, x, y);
                total[f] += b;
                if (b > 0.05f) reach[f] = std::max(reach[f], float(std::abs(x - img.width / 2)));
            }
    }
    EXPECT_GT(reach[4], reach[0] * 1.5f) << "the cloud grows";
    EXPECT_GT(total[2], total[0]) << "it flares up";
    EXPECT_LT(total[7], total[2] * 0.6f) << "and dies down";
}

} // namespace
