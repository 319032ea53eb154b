// SPDX-License-Identifier: GPL-3.0-or-later
// The fill floor: what the renderer can draw at best in the game's window. 1024 x 768, RGBA double
// buffered with depth and stencil; every frame clears colour and depth and draws one window-sized
// quad with a 256 x 256 RGB texture (mipmaps, trilinear filtering) repeated 4 x 3, depth test on.
// After FRAMES frames (default 600) it prints "frames=... seconds=... fps=... slowest_ms=..." as the
// timedemo does; the first frame (the texture's first use) is not counted.
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

static int frames = 600, drawn;
static double start, last, slowest;

static double now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

static void display() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex3f(-1, -1, 0.5f);
    glTexCoord2f(4, 0), glVertex3f(1, -1, 0.5f);
    glTexCoord2f(4, 3), glVertex3f(1, 1, 0.5f);
    glTexCoord2f(0, 3), glVertex3f(-1, 1, 0.5f);
    glEnd();
    glutSwapBuffers();
    glFinish();
    const double t = now();
    if (drawn == 0)
        start = t;
    else if (t - last > slowest)
        slowest = t - last;
    last = t;
    if (++drawn < frames) {
        glutPostRedisplay();
        return;
    }
    printf("frames=%d seconds=%.3f fps=%.1f slowest_ms=%.1f\n", drawn, t - start,
           t > start ? (drawn - 1) / (t - start) : 0.0, slowest * 1000);
    exit(0);
}

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    if (argc > 1) frames = atoi(argv[1]) > 1 ? atoi(argv[1]) : 2;
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    glutInitWindowSize(1024, 768);
    glutCreateWindow("Kavernix fill floor");
    // A texture with detail at every level: a checker of 8-texel squares over a gradient.
    std::vector<unsigned char> texels(256 * 256 * 3);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 256; x++) {
            unsigned char* t = &texels[size_t(y * 256 + x) * 3];
            const int check = ((x >> 3) ^ (y >> 3)) & 1;
            t[0] = (unsigned char)(x);
            t[1] = (unsigned char)(y);
            t[2] = (unsigned char)(check ? 200 : 40);
        }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, 256, 256, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
    glutDisplayFunc(display);
    glutMainLoop();
    return 0;
}
