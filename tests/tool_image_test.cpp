// kavernix-tool tga-info and font: what the game's reader makes of a file, with the reason for a
// refusal and exit status 1; the font command writes the 512 x 512 font image.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

#include "image/tga.h"
#include "image_test_files.h"

namespace {

struct ToolRun {
    std::string out;
    int status = -1;
};

ToolRun runTool(const std::string& args) {
    const std::string command = std::string("'") + KX_BINARY_DIR + "/kavernix-tool' " + args + " 2>/dev/null";
    ToolRun r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, got);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace

TEST(TgaInfoTool, PrintsSizeAndDepthOrTheReasonForRefusal) {
    TempDir dir;
    const std::string good = dir.file("good.tga");
    writeBytes(good, tgaFileBytes(300, 2, 32, 0x20, Bytes(300 * 2 * 4, 9)));
    ToolRun r = runTool("tga-info '" + good + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, good + ": 300 x 2, 32 bits per pixel\n");

    const std::string shortFile = dir.file("short.tga");
    writeBytes(shortFile, tgaFileBytes(300, 2, 32, 0, Bytes(300 * 2 * 4 - 1, 9)));
    r = runTool("tga-info '" + shortFile + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, shortFile + ": refused: pixel data is truncated\n");

    const std::string rle = dir.file("rle.tga");
    writeBytes(rle, tgaFileBytes(1, 1, 24, 0, Bytes{0, 1, 2, 3}, 10));
    r = runTool("tga-info '" + rle + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, rle + ": refused: is not an uncompressed true-colour image (type 2)\n");

    EXPECT_EQ(runTool("tga-info").status, 2);
}

TEST(FontTool, WritesTheBuiltFontImage) {
    TempDir dir;
    // A strip with one dark glyph: it holds the place of code 0, so the font stays empty.
    Bytes pixels(20 * 4 * 3, 255);
    for (int x = 5; x < 8; x++)
        for (int c = 0; c < 3; c++) pixels[(2 * 20 + x) * 3 + c] = 0;
    writeBytes(dir.file("strip.tga"), tgaFileBytes(20, 4, 24, 0, pixels));
    ToolRun r = runTool("font '" + dir.file("strip.tga") + "' '" + dir.file("font.tga") + "'");
    EXPECT_EQ(r.status, 0);
    TgaImage font{};
    ASSERT_EQ(tgaLoad(&font, dir.file("font.tga").c_str()), 1);
    EXPECT_EQ(font.width, 512);
    EXPECT_EQ(font.height, 512);
    EXPECT_EQ(font.bitsPerPixel, 32);
    tgaFree(&font);

    r = runTool("font '" + dir.file("missing.tga") + "' '" + dir.file("out.tga") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readBytes(dir.file("out.tga")).size(), 0u);
}
