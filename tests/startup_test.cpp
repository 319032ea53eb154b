// Start-up pieces: the images as main loads them, the display surface with its game-mode
// fallback, and the fixed OpenGL state of a context made the way main makes it.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include "app/record.h"
#include "app/startup.h"
#include "image/tga.h"
#include "stdout_capture.h"

namespace {

void writeTga(const char* name, int width, int height, uint32_t colour) {
    TgaImage img = {};
    ASSERT_EQ(tgaCreate(&img, 24, width, height), 1);
    tgaFill(&img, colour);
    ASSERT_EQ(tgaSave(&img, name), 1);
    tgaFree(&img);
}

// The toolkit once per process, with the display mode main asks for.
void initToolkit() {
    static bool done = false;
    if (done) return;
    int argc = 1;
    char arg0[] = "kavernix";
    char* argv[] = {arg0, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    done = true;
}

} // namespace

TEST(StartupImages, PicturesTexturesAndExplosionFramesAreLoadedAndPrepared) {
    char dir[] = "/tmp/kx_start_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    writeTga("poster.tga", 5, 3, 0x102030);
    writeTga("stencilmask.tga", 2, 2, 0xFFFFFF);
    writeTga("floor.tga", 3, 2, 0x010203);
    // Explosion frames: near-black (sum 10) becomes opaque, sum 11 transparent.
    writeTga("map1.tga", 1, 1, 0x040303);
    writeTga("map8.tga", 1, 1, 0x040403);
    writeTga("pferd_bein.tga", 4, 4, 0x808080);
    imageTableReset();
    loadImages();
    EXPECT_EQ(imgPoster.width, 5);
    EXPECT_EQ(imgStencilFile.width, 2) << "stencilmask.tga is kept in its own slot";
    EXPECT_EQ(imgStencilMask.pixels, nullptr) << "the mask is made from the fitted lamp frame later";
    EXPECT_EQ(imgFloor.width, 6) << "mirror-tiled";
    EXPECT_EQ(imgFloor.height, 4);
    ASSERT_EQ(imgMap1.bytesPerPixel, 4);
    EXPECT_EQ(imgMap1.pixels[3], 255);
    ASSERT_EQ(imgMap8.bytesPerPixel, 4);
    EXPECT_EQ(imgMap8.pixels[3], 0);
    EXPECT_EQ(imgHorseLeg.width, 4);
    EXPECT_EQ(imgWall.pixels, nullptr) << "a missing file leaves its slot empty";
    imageTableFree();
    for (const char* f :
         {"poster.tga", "stencilmask.tga", "floor.tga", "map1.tga", "map8.tga", "pferd_bein.tga"})
        unlink(f);
    ASSERT_EQ(chdir(old), 0);
    rmdir(dir);
}

TEST(StartupSurface, AWindowHasStencilDepthAndTheRecordsSize) {
    initToolkit();
    memset(&record, 0, sizeof record);
    record.windowWidth = 320;
    record.windowHeight = 200;
    EXPECT_EQ(openDisplaySurface(), 0);
    EXPECT_NE(glutGetWindow(), 0);
    EXPECT_EQ(glutGet(GLUT_WINDOW_WIDTH), 320);
    EXPECT_EQ(glutGet(GLUT_WINDOW_HEIGHT), 200);
    GLint stencil = 0, depth = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    EXPECT_GE(stencil, 8);
    EXPECT_GE(depth, 16);
    glutDestroyWindow(glutGetWindow());
}

TEST(StartupSurface, ARefusedGameModeSaysSoOnceAndOpensTheWindow) {
    initToolkit();
    memset(&record, 0, sizeof record);
    record.windowWidth = 300;
    record.windowHeight = 200;
    strcpy(record.gameModeString, "640x480:24");
    StdoutCapture out;
    int active = openDisplaySurface();
    std::string text = out.finish();
    if (active) GTEST_SKIP() << "this display grants the game mode";
    EXPECT_EQ(text, "Kavernix: game mode \"640x480:24\" refused, opening a window instead\n");
    EXPECT_NE(glutGetWindow(), 0);
    EXPECT_EQ(glutGet(GLUT_WINDOW_WIDTH), 300);
    glutDestroyWindow(glutGetWindow());
}

TEST(StartupSurface, AnUnterminatedGameModeStringIsCutNotOverrun) {
    initToolkit();
    memset(&record, 0, sizeof record);
    record.windowWidth = 300;
    record.windowHeight = 200;
    memset(record.gameModeString, '9', sizeof record.gameModeString);
    StdoutCapture out;
    int active = openDisplaySurface();
    std::string text = out.finish();
    if (active) GTEST_SKIP() << "this display grants the game mode";
    EXPECT_NE(text.find("\"" + std::string(31, '9') + "\""), std::string::npos) << text;
    glutDestroyWindow(glutGetWindow());
}

TEST(StartupGlState, FixedStateAsTheScreensExpectIt) {
    initToolkit();
    memset(&record, 0, sizeof record);
    record.windowWidth = 64;
    record.windowHeight = 64;
    record.shadeMode = 2;
    record.textureMode = 1;
    openDisplaySurface();
    initGlState();
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 1);
    EXPECT_EQ(clear[1], 0);
    EXPECT_EQ(clear[2], 0);
    EXPECT_EQ(clear[3], 0);
    for (GLenum cap : {GL_DEPTH_TEST, GL_NORMALIZE, GL_LIGHTING, GL_LIGHT0, GL_BLEND})
        EXPECT_TRUE(glIsEnabled(cap));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    GLint src, dst, alphaFunc;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &alphaFunc);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ZERO);
    EXPECT_EQ(alphaFunc, GL_GREATER);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "texture mode 1";
    GLint shade;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_SMOOTH);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glutDestroyWindow(glutGetWindow());
}
