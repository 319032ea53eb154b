// Start-up: settings, static game data, the window, the first screen, the main loop. The order
// matters: the maze and its items exist (and are printed) before any window opens, and the
// display lists are compiled only once the OpenGL context exists.
#include <GL/freeglut.h>
#include "app/record.h"
#include "app/screens.h"
#include "app/startup.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/items.h"
#include "image/tga.h"
#include "image/picture.h"
#include "maze/maze.h"
#include "setup/setup.h"
#include "text/font.h"

int main(int argc, char** argv) {
    setupShow(0);
    setupLoad(&record);
    glutInit(&argc, argv);
    resetInventory();
    modelTableLoad();
    mazeBuild(&maze, record.mazeSize);
    imageTableReset();
    loadImages();
    fontBuild(&imgFont, record.gothicFont ? "fontgotic.tga" : "fontmaze.tga");
    tgaSave(&imgFont, "fonttest.tga");
    record.perfFrequency = monotonicFrequency;
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    openDisplaySurface();
    initGlState();
    glutWarpPointer(record.windowWidth / 2, record.windowHeight / 2);
    glutSetCursor(GLUT_CURSOR_NONE);
    glutIgnoreKeyRepeat(1);
    modelTableCompile();
    if (record.skipStory)
        enterGame();
    else
        enterStory();
    glutMainLoop();
    return 0;
}
