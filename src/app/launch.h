// SPDX-License-Identifier: GPL-3.0-or-later
// The game's command line: one table of our own options (launch.cpp), the toolkit's documented
// options handed on to glutInit, anything else refused. Also the --version text of both programs.
#pragma once
#include <cstdio>

// What the command line asked for. main hands it on to the modules that act on each option.
struct LaunchOptions {
    int help;           // --help, -h: print the usage and exit 0
    int version;        // --version: print the version and licence and exit 0
    int timedemoFrames; // --timedemo [FRAMES]: 0 plays as usual, else the timedemo's frame count
    char language[8];   // --language LL: the language for this run, "" when not given
    char mine[32];      // --mine WHICH: classic, new, daily or a mine code, "" when not given
    int mineCode;       // --mine-code: print the code of the mine and exit
    int continueRun;    // --continue: go on with the saved run
    char replay[4096];  // --replay FILE: play a recorded run in the window, "" when not given
    char ghost[4096];   // --ghost FILE: the replay that plays along as the ghost, "" when not given
};

// One option of ours. `take` stores the option in the record (value is nullptr for an option
// without one, or for an optional value not given); it returns 0 with a one-line reason in *why to
// refuse the value.
struct LaunchOption {
    const char* name;      // "--timedemo"
    const char* alias;     // a second spelling ("-h"), or nullptr
    const char* valueName; // "FRAMES", or nullptr for an option without a value
    int valueOptional;     // 1: the value follows only as a word that starts with a digit
    const char* help;      // one line for --help
    int (*take)(LaunchOptions* out, const char* value, const char** why);
};
extern const LaunchOption launchOptionTable[];
extern const int launchOptionCount;

// Takes our options out of argv and leaves the toolkit's (-display NAME, -geometry WxH+X+Y,
// -iconic, -sync, -direct, -indirect, -gldebug), in order, for glutInit. "--name=value" is the same
// as "--name value". Returns 0 for an unknown option, a stray word, a missing or bad value, with a
// one-line reason in *why (valid until the next call), else 1.
int launchOptionsParse(int* argc, char** argv, LaunchOptions* out, const char** why);
// The --help text of the game, built from the table.
void launchUsage(FILE* out);
// The --version text: the program's name and version, the copyright and licence lines, where the
// source is.
void launchVersion(FILE* out, const char* program);
