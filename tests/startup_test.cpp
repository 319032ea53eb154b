// SPDX-License-Identifier: GPL-3.0-or-later
// The display surface as main opens it: a window with stencil and depth bits, and the line and
// the window that replace a game mode the display refuses.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <cstring>
#include <malloc.h>
#include <sys/resource.h>
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
        record.windowWidth = 320, record.windowHeight = 200;
    }
    void TearDown() override { glutDestroyWindow(glutGetWindow()); }
};

TEST_F(StartupSurface, AWindowHasTheRecordsSize) {
    EXPECT_EQ(startupOpenDisplaySurface(), 0);
    EXPECT_EQ(glutGet(GLUT_WINDOW_WIDTH), 320);
    EXPECT_EQ(glutGet(GLUT_WINDOW_HEIGHT), 200);
}

// The lamp's frame needs 8 stencil bits, the maze 16 depth bits.
TEST_F(StartupSurface, AWindowHasTheBitPlanesTheGameDrawsWith) {
    EXPECT_EQ(startupOpenDisplaySurface(), 0);
    GLint stencil = 0, depth = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    EXPECT_GE(stencil, 8);
    EXPECT_GE(depth, 16);
}

// Opens the surface with a game mode the display refuses; what was said on standard error.
static std::string refusedGameMode() {
    // From a settings file the string may lack its terminator: it is cut at 31 bytes.
    memset(record.gameModeString, '9', sizeof record.gameModeString);
    OutputCapture out(stderr);
    int active = startupOpenDisplaySurface();
    std::string text = out.finish();
    EXPECT_FALSE(active) << "this display grants the game mode: run the tests under xvfb-run";
    return text;
}

TEST_F(StartupSurface, ARefusedGameModeSaysSoOnce) {
    const std::string text = refusedGameMode();
    // After the toolkit's own complaints.
    const std::string line =
        "kavernix: game mode \"" + std::string(31, '9') + "\" refused, opening a window instead\n";
    EXPECT_EQ(text.substr(text.find("kavernix:")), line) << text;
}

TEST_F(StartupSurface, ARefusedGameModeOpensAWindowInstead) {
    refusedGameMode();
    EXPECT_EQ(glutGet(GLUT_WINDOW_WIDTH), 320);
    EXPECT_EQ(record.gameModeString[0], 0) << "the game goes on in a window, where F and F1 work";
}

// Bytes the heap holds from the system: its main arena and its mapped blocks.
static size_t heapHeld() {
    struct mallinfo2 m = mallinfo2();
    return m.arena + m.hblkhd;
}

// Six window pictures of 2560 x 1440 made and freed, as the start-up and a resize do.
static void sixPictures() {
    char* pictures[6];
    for (int i = 0; i < 6; i++) {
        pictures[i] = static_cast<char*>(malloc(size_t(2560) * 1440 * 4));
        memset(pictures[i], i + 1, size_t(2560) * 1440 * 4);
    }
    for (char* p : pictures) free(p);
}

// The start-up's heap keeps what it frees through the first frames (the lamp frame's three carry
// enough); in the release's own frame memory goes back: what the start-up freed, and every picture
// freed after it. Measured in a child, whose heap is its own.
TEST(StartupHeap, MemoryGoesBackInAFrameOfItsOwn) {
    const std::string said = inChild([] {
        startupHeap();
        sixPictures();
        for (int frame = 1; frame < startupHeapReleaseFrame; frame++) startupFrameDrawn();
        size_t held[3] = {heapHeld(), 0, 0};
        startupFrameDrawn(); // the release's frame
        held[1] = heapHeld();
        sixPictures(); // a resize cycle
        held[2] = heapHeld();
        return std::string(reinterpret_cast<const char*>(held), sizeof held);
    });
    size_t held[3] = {0, 0, 0};
    ASSERT_EQ(said.size(), sizeof held) << "the child reported nothing";
    memcpy(held, said.data(), sizeof held);
    const size_t limit = size_t(16) << 20; // the six pictures are 84 MB
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer's allocator stands in for the C library's, whose counts then stay at 0: only
    // the C library's heap can be seen holding on.
    EXPECT_GT(held[0], limit) << "given back in the lamp frame's frames";
#endif
    EXPECT_LT(held[1], limit) << "held after the start-up";
    EXPECT_LT(held[2], limit) << "held after pictures freed in the game";
}

// A buffer just over 1 MB, made and freed again and again as the driver's vertex buffers are once
// the release has run, is taken from the heap's free room: it does not fault in fresh pages each
// time (mapped on its own, every one would cost 257 page faults and a clear in the frame).
TEST(StartupHeap, BuffersJustOverAMegabyteStayInTheHeap) {
    const std::string said = inChild([] {
        startupHeap();
        for (int frame = 1; frame <= startupHeapReleaseFrame; frame++) startupFrameDrawn();
        const size_t size = (size_t(1) << 20) + 4096;
        auto faults = [] {
            struct rusage r;
            getrusage(RUSAGE_SELF, &r);
            return long(r.ru_minflt);
        };
        long before = 0;
        static char* volatile buffer; // seen from outside, so that the compiler keeps every one
        for (int i = 0; i < 21; i++) {
            if (i == 1) before = faults(); // the first one may grow the heap
            buffer = static_cast<char*>(malloc(size));
            memset(buffer, i, size);
            free(buffer);
        }
        return std::to_string(faults() - before);
    });
    ASSERT_FALSE(said.empty()) << "the child reported nothing";
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(std::stol(said), 257) << "page faults for 20 buffers of 1 MB and 4 KB";
#endif
}
