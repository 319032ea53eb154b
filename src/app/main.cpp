// Start-up: settings, static game data, the window, the first screen, the main loop. The order
// matters: the maze and its items exist (and are printed) before any window opens, and the
// display lists are compiled only once the OpenGL context exists.
#include <GL/freeglut.h>
#include <cstdio>
#include "app/mines.h"
#include "app/paths.h"
#include "app/record.h"
#include "app/screens.h"
#include "app/startup.h"
#include "app/timedemo.h"
#include "brep/catalogue.h"
#include "setup/setup.h"

int main(int argc, char** argv) {
    startupHeap();
    LaunchOptions options;
    const char* why = "";
    if (!launchOptionsParse(&argc, argv, &options, &why) || !minesOptionsParse(&argc, argv, &why)) {
        fprintf(stderr, "kavernix: %s\n%s%s", why, launchUsage, minesUsage);
        return 2;
    }
    if (options.help) {
        fputs(launchUsage, stdout);
        fputs(minesUsage, stdout);
        return 0;
    }
    pathInit();
    if (!options.timedemoFrames && !minesCodeOnly()) setupShow(0);
    setupLoad(&record);
    if (minesCodeOnly()) return minesPrintCode();
    minesChoose(options.timedemoFrames);
    if (options.timedemoFrames) timedemoPrepare();
    // The toolkit starts while the models and pictures load.
    startupLoadDataBegin();
    glutInit(&argc, argv);
    startupLoadDataEnd();
    startupOpenWindow();
    modelTableCompile();
    if (options.timedemoFrames)
        timedemoEnter(options.timedemoFrames);
    else if (record.skipStory || minesContinuing())
        enterGame();
    else
        enterStory();
    glutMainLoop();
    return 0;
}
