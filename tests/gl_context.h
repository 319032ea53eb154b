// A real GL context for tests: one hidden-from-nobody GLUT window, made once per test program.
// Under Xvfb with Mesa it has 8 bits per colour channel, 24 depth bits and 8 stencil bits.
#pragma once
#include <GL/freeglut.h>

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
