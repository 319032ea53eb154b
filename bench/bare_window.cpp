// SPDX-License-Identifier: GPL-3.0-or-later
// The floor under the game's start-up: a toolkit program that opens the game's window (the same
// display mode, size and title) and clears and swaps FRAMES frames (default 1), then exits. With
// more than one frame it prints "frames=... seconds=... fps=... slowest_ms=..." like the timedemo.
#include <GL/freeglut.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>

static int frames = 1, drawn;
static double start, last, slowest;

static double now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

static void display() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
    glFinish();
    const double t = now();
    if (t - last > slowest) slowest = t - last;
    last = t;
    if (++drawn < frames) {
        glutPostRedisplay();
        return;
    }
    if (frames > 1)
        printf("frames=%d seconds=%.3f fps=%.1f slowest_ms=%.1f\n", drawn, t - start, drawn / (t - start),
               slowest * 1000);
    exit(0);
}

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    if (argc > 1) frames = atoi(argv[1]) > 0 ? atoi(argv[1]) : 1;
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    glutInitWindowSize(1024, 768);
    glutCreateWindow("Kavernix");
    glClearColor(1, 0, 0, 0);
    glutDisplayFunc(display);
    start = last = now();
    glutMainLoop();
    return 0;
}
