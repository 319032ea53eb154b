// SPDX-License-Identifier: GPL-3.0-or-later
// A real GL context for tests: one hidden-from-nobody GLUT window, made once per test program, and
// what it shows read back. Under Xvfb with Mesa it has 8 bits per colour channel, 24 depth bits and
// 8 stencil bits.
#pragma once
#include <GL/freeglut.h>

#include <cstdint>
#include <vector>

inline void glTestContext(int width = 256, int height = 256) {
    static int window = 0;
    if (window) {
        glutReshapeWindow(width, height);
        return;
    }
    int argc = 1;
    char arg0[] = "test";
    char* argv[] = {arg0, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    glutInitWindowSize(width, height);
    window = glutCreateWindow("Kavernix test");
    glViewport(0, 0, width, height);
}

// What the window shows from its bottom-left corner, w x h, rows bottom up and tightly packed.
inline std::vector<uint8_t> readBack(GLenum format, int w, int h) {
    std::vector<uint8_t> out(size_t(w) * h * (format == GL_RGB ? 3 : 1));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, format, GL_UNSIGNED_BYTE, out.data());
    return out;
}
