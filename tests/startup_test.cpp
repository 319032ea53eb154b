// The display surface as main opens it: a window with stencil and depth bits, and the line and
// the window that replace a game mode the display refuses.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <cstring>
#include <string>
#include "app/record.h"
#include "app/startup.h"
#include "output_capture.h"

class StartupSurface : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        int argc = 1;
        char arg0[] = "kavernix";
        char* argv[] = {arg0, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    }
    void SetUp() override {
        memset(&record, 0, sizeof record);
        record.windowWidth = 320;
        record.windowHeight = 200;
    }
    void TearDown() override { glutDestroyWindow(glutGetWindow()); }
};

TEST_F(StartupSurface, AWindowHasStencilAndDepthBitsAndTheRecordsSize) {
    EXPECT_EQ(openDisplaySurface(), 0);
    EXPECT_EQ(glutGet(GLUT_WINDOW_WIDTH), 320);
    EXPECT_EQ(glutGet(GLUT_WINDOW_HEIGHT), 200);
    GLint stencil = 0, depth = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    EXPECT_GE(stencil, 8);
    EXPECT_GE(depth, 16);
}

TEST_F(StartupSurface, ARefusedGameModeSaysSoOnceAndOpensTheWindow) {
    // From a settings file the string may lack its terminator: it is cut at 31 bytes.
    memset(record.gameModeString, '9', sizeof record.gameModeString);
    OutputCapture out(stderr);
    int active = openDisplaySurface();
    std::string text = out.finish();
    ASSERT_FALSE(active) << "this display grants the game mode: run the tests under xvfb-run";
    // After the toolkit's own complaints.
    const std::string line =
        "Kavernix: game mode \"" + std::string(31, '9') + "\" refused, opening a window instead\n";
    EXPECT_EQ(text.substr(text.find("Kavernix:")), line) << text;
    EXPECT_EQ(glutGet(GLUT_WINDOW_WIDTH), 320);
    EXPECT_EQ(record.gameModeString[0], 0) << "the game goes on in a window, where F and F1 work";
}
