// Start-up: settings, static game data, the window, the first screen, the main loop.
#include <GL/freeglut.h>
#include <cstdlib>
#include "app/record.h"
#include "setup/setup.h"

static void mainDisplay() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

static void mainKeyboard(unsigned char key, int, int) {
    if (key == 27) exit(0);
}

int main(int argc, char** argv) {
    setupShow(0);
    setupLoad(&record);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    glutInitWindowSize(record.windowWidth, record.windowHeight);
    glutCreateWindow("Kavernix");
    glClearColor(1, 0, 0, 0);
    glutDisplayFunc(mainDisplay);
    glutKeyboardFunc(mainKeyboard);
    glutMainLoop();
    return 0;
}
