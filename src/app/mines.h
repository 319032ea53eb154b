// SPDX-License-Identifier: GPL-3.0-or-later
// Which mine is played (classic, a new one, the mine of the day or a code), its records, and the
// run saved on quitting and continued at the next start. main calls these in its fixed order:
// minesOptions, (the dialog and setupLoad), minesPrintCode or minesChoose,
// minesBuild (from the data load), and the screens call minesGameEntered, minesRunEnded and
// minesStoreHall.
#pragma once
#include "setup/settings_record.h"

// What the command line asked for (launch.h): --mine's word ("" or null without it), --mine-code,
// --continue.
void minesOptions(const char* mine, int codeOnly, int continueRun);
// 1 when --mine-code was given: the program prints the code and ends, without a dialog.
int minesCodeOnly();
// Prints the code of the mine --mine names (else the mine setting's, or the classic mine for the
// timedemo) on standard output; returns the exit status (0).
int minesPrintCode(int timedemo);
// Chooses the mine after setupLoad: a saved run when --continue or the dialog asks for it (a
// damaged or foreign save is refused with one line and a fresh game starts), else --mine, else the
// mine setting (a bad code is refused with one line and the classic mine is played). Sets the
// record's size, items and diamonds to the mine's (the mine of the day also the default oil, straw
// and stock). With a saved run waiting and no dialog shown, one line names --continue. A timedemo
// plays the mine of --mine, else the classic one whatever the mine setting says, and saves nothing.
void minesChoose(int timedemo);
// Builds the chosen mine: the generator starts at the mine's seed, the maze is carved and the items
// are placed (printing the three snapshots).
void minesBuild();
int minesContinuing();       // 1 when the game goes on with a saved run (the story is skipped)
// The kept run the game goes on with (minesContinuing), else null.
struct RunSave;
const RunSave* minesKeptRun();
const char* minesCodeText(); // the code of the mine played
const char* minesCodeLine(); // the end screen's line naming it: "Mine 16-5-3-K7QX2MD"
// With a saved run waiting and no dialog shown, the game window says so too, for the first
// minesWaitingSeconds of play of the first screen: "A saved game is waiting:\nstart with --continue"
// (two lines, the game's font); null once that time has passed or when nothing waits.
constexpr float minesWaitingSeconds = 8.0f;
const char* minesWaitingNotice();
int minesIsClassic();        // 1 when the classic mine is played (whose code nobody needs to read)
// Called as the game screen is entered: a continued run gets its bodies, items, counters and clock
// back and its kept file is used up (until then every failed start keeps it), and from now on
// quitting the program saves the run.
void minesGameEntered();
// The run is over (won or lost): the save is deleted. Returns the place a won run earns in the
// table of its mine (-1 for none, also when the run used other oil, straw or stock rules than the
// defaults on a mine but the classic one, when it went at a pace below 100 percent on any mine, or
// when the mine's records cannot be read whole: one line then names the file and why, and nothing is
// stored in it).
int minesRunEnded(int won, float time);
// Why a won run is not in its mine's table for another reason than its time (a text to look up in
// the catalogue), or null.
const char* minesNotEnteredWhy(int won);
// The table the end screen shows and types the name into: the settings' hall of fame for the
// classic mine, else the mine's own.
SettingsRecord* minesHall();
// Enter on the end screen: stores the table (settings for the classic mine, else records.ini), read
// again at this moment so that the places another game stored meanwhile are kept; the table shown
// becomes the one stored.
void minesStoreHall();
