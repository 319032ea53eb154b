// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: settings, static game data, the window, the first screen, the main loop. The order
// matters: the maze and its items exist (and are printed) before any window opens, and the
// models' display lists are compiled only once the OpenGL context exists: each when it is first
// drawn or, a piece a frame, after the first frame (startupFrameDrawn).
#include <GL/freeglut.h>
#include <cstdio>
#include "app/ghost.h"
#include "app/lang.h"
#include "app/launch.h"
#include "app/mines.h"
#include "app/paths.h"
#include "app/record.h"
#include "app/replay_play.h"
#include "app/replay_record.h"
#include "app/screens.h"
#include "app/startup.h"
#include "app/timedemo.h"
#include "setup/setup.h"

int main(int argc, char** argv) {
    startupHeap();
    // The stored language first: --help and every line on the console speak it (or --language's).
    langApply(setupLanguage());
    LaunchOptions options;
    const char* why = "";
    if (!launchOptionsParse(&argc, argv, &options, &why) || !langFromOption(options.language, &why)) {
        fprintf(stderr, "kavernix: %s\n", why);
        launchUsage(stderr);
        return 2;
    }
    if (options.help) {
        launchUsage(stdout);
        return 0;
    }
    if (options.version) {
        launchVersion(stdout, "kavernix");
        return 0;
    }
    minesOptions(options.mine, options.mineCode, options.continueRun);
    if (options.mineCode) { // needs the settings, not the data
        setupLoad(&record);
        return minesPrintCode(options.timedemoFrames);
    }
    // Without its data the game would open a window with no pictures, textures or text.
    if (!pathInit()) return 1;
    const int watching = options.replay[0] != 0;
    if (watching && !replayPlayOpen(options.replay)) return 2;
    if (!options.timedemoFrames && !watching) setupShow(0);
    setupLoad(&record);
    langApply(record.language); // the dialog may have chosen another
    if (watching) {
        // The recorded run's mine and rules; like the timedemo it takes no kept run and saves nothing.
        minesOptions(replayPlayHeader()->code, 0, 0);
        minesChoose(1);
        replayPlayRules();
        replayRecordOff(1);
    } else {
        minesChoose(options.timedemoFrames);
    }
    if (options.timedemoFrames) timedemoPrepare();
    ghostChoose(options.ghost, !options.timedemoFrames && !watching);
    // The toolkit starts while the models and pictures load.
    startupLoadDataBegin();
    glutInit(&argc, argv);
    startupLoadDataEnd();
    startupOpenWindow();
    if (options.timedemoFrames)
        timedemoEnter(options.timedemoFrames);
    else if (watching || record.skipStory || minesContinuing())
        enterGame();
    else
        enterStory();
    glutMainLoop();
    return 0;
}
