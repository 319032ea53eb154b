// Start-up: settings, static game data, the window, the first screen, the main loop. The order
// matters: the maze and its items exist (and are printed) before any window opens, and the
// display lists are compiled only once the OpenGL context exists.
#include <GL/freeglut.h>
#include <cstdio>
#include "app/lang.h"
#include "app/paths.h"
#include "app/record.h"
#include "app/screens.h"
#include "app/startup.h"
#include "app/timedemo.h"
#include "brep/catalogue.h"
#include "setup/setup.h"

int main(int argc, char** argv) {
    startupHeap();
    // The language first: --help and every line on the console speak it.
    int language = langFromOption(&argc, argv);
    langApply(setupLanguage());
    LaunchOptions options;
    const char* why = LANG_ID("--language takes auto, en or de");
    if (language == LANG_BAD || !launchOptionsParse(&argc, argv, &options, &why)) {
        fprintf(stderr, "kavernix: %s\n%s", langConsole(why), langConsole(launchUsage));
        return 2;
    }
    if (options.help) {
        fputs(langConsole(launchUsage), stdout);
        return 0;
    }
    pathInit();
    if (!options.timedemoFrames) setupShow(0);
    setupLoad(&record);
    langApply(record.language); // the dialog may have chosen another
    if (options.timedemoFrames) timedemoPrepare();
    // The toolkit starts while the models and pictures load.
    startupLoadDataBegin();
    glutInit(&argc, argv);
    startupLoadDataEnd();
    startupOpenWindow();
    modelTableCompile();
    if (options.timedemoFrames)
        timedemoEnter(options.timedemoFrames);
    else if (record.skipStory)
        enterGame();
    else
        enterStory();
    glutMainLoop();
    return 0;
}
