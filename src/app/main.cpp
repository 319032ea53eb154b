// Start-up: settings, static game data, the window, the first screen, the main loop. The order
// matters: the maze and its items exist (and are printed) before any window opens, and the
// display lists are compiled only once the OpenGL context exists.
#include <GL/freeglut.h>
#include "app/record.h"
#include "app/screens.h"
#include "app/startup.h"
#include "brep/catalogue.h"
#include "setup/setup.h"

int main(int argc, char** argv) {
    setupShow(0);
    setupLoad(&record);
    glutInit(&argc, argv);
    startupLoadData();
    startupOpenWindow();
    modelTableCompile();
    if (record.skipStory)
        enterGame();
    else
        enterStory();
    glutMainLoop();
    return 0;
}
