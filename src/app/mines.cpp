// SPDX-License-Identifier: GPL-3.0-or-later
// The mine played, its records and the saved run.
#include "app/mines.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/random.h>
#include <unistd.h>
#include "app/game_state.h"
#include "app/game_update.h"
#include "app/hall.h"
#include "app/lang.h"
#include "app/random.h"
#include "app/record.h"
#include "app/replay_hall.h"
#include "app/timing.h"
#include "file/file.h"
#include "game/items.h"
#include "game/run_save.h"
#include "maze/maze.h"
#include "setup/mine_code.h"
#include "setup/mine_records.h"
#include "setup/settings_file.h"
#include "setup/setup.h"

// ---- What the player reads, in one place (looked up in the catalogue where it is shown).
// TRANSLATORS: the end screen's line with the mine's code (such as 16-5-3-K7QX2MD): at most 20
// characters beside a code of 19.
static const char textMineLine[] = LANG_ID("Mine %s");
// TRANSLATORS: why a won run is not in its mine's table, in place of "Too slow for the hall of fame.";
// at most 39 characters each.
static const char textOtherRules[] = LANG_ID("Not entered: the rules were changed.");
static const char textNotStored[] = LANG_ID("The time could not be stored.");
static const char textSlowerPace[] = LANG_ID("Not entered: played at a slower pace.");

static int waitingShown; // 1 while the game window says that a saved run waits
static const char textWaiting[] = LANG_ID("A saved game is waiting:\nstart with --continue");
static char mineWord[32];      // --mine's word
static const char* mineOption; // mineWord, or null without --mine
static int codeOnly;           // --mine-code
static int continueOption;     // --continue

static MineCode current = {16, 5, 3, mineClassicSeed}; // until minesChoose
static char currentText[MINE_CODE_TEXT];
static int resuming;            // a saved run goes on
static RunSave saved;           // what it goes on from
static int otherRules;          // the run plays rules other than the defaults
static int notStorable;         // the records file cannot be read whole: nothing is stored in it
static int noSave;              // the timedemo: nothing is saved
static int runActive;           // quitting now saves the run
static SettingsRecord mineHall; // the hall of a mine but the classic one (names and times only)
static MineRecords records;

void minesOptions(const char* mine, int codeOnlyWanted, int continueWanted) {
    snprintf(mineWord, sizeof mineWord, "%s", mine ? mine : "");
    mineOption = mineWord[0] ? mineWord : nullptr;
    codeOnly = codeOnlyWanted;
    continueOption = continueWanted;
}

int minesCodeOnly() {
    return codeOnly;
}

static uint32_t freshSeed() {
    uint32_t seed = 0;
    if (getrandom(&seed, sizeof seed, GRND_NONBLOCK) != (ssize_t)sizeof seed)
        seed = uint32_t(time(nullptr)) * 2654435761u ^ uint32_t(getpid());
    return seed == mineClassicSeed ? seed + 1 : seed;
}

static int defaultRules() {
    SettingsFile d;
    settingsDefaults(&d);
    return record.fullLevel == d.record.fullLevel && record.strawDistance == d.record.strawDistance &&
           record.oilSeconds == d.record.oilSeconds;
}

// The mine a word names; a bad code is said in one line and gives the classic mine.
static MineCode mineOf(const char* word) {
    MineCode classic = {record.mazeSize, record.itemsPerKind, record.diamondsNeeded, mineClassicSeed};
    if (!strcmp(word, "classic")) return classic;
    if (!strcmp(word, "daily")) return mineCodeToday();
    if (!strcmp(word, "new")) {
        MineCode c = classic;
        c.seed = freshSeed();
        return c;
    }
    MineCode c;
    const char* why = langConsole("is not classic, new or daily");
    if (strlen(word) < MINE_CODE_TEXT && mineCodeParse(word, &c, &why)) return c;
    // TRANSLATORS: the code, then why it is refused (such as "does not end in seven letters").
    fprintf(stderr, langConsole("kavernix: the mine code %s %s; playing the classic mine\n"), word, why);
    return classic;
}

int minesPrintCode(int timedemo) {
    MineCode c = mineOf(mineOption ? mineOption : timedemo ? "classic" : record.mine);
    char text[MINE_CODE_TEXT];
    mineCodeFormat(&c, text);
    printf("%s\n", text);
    return fflush(stdout) == 0 ? 0 : 1;
}

// Reads the saved run for --continue or the dialog's choice; 1 when it goes on.
static int takeSavedRun(const std::string& path) {
    const char* why = "";
    int got = path.empty() ? 0 : runSaveRead(path.c_str(), &saved, &why);
    if (got == 0) {
        fputs(langConsole("kavernix: there is no saved game to continue; a fresh game starts\n"), stderr);
        return 0;
    }
    if (got < 0) {
        unlink(path.c_str());
        unlink(replayKeptPath().c_str()); // the kept run's replay goes with it
        // TRANSLATORS: the saved run's file, then why it is refused (such as "is cut short").
        fprintf(stderr, langConsole("kavernix: %s %s; it is removed and a fresh game starts\n"), path.c_str(),
                langConsole(why));
        return 0;
    }
    mineCodeParse(saved.code, &current, &why);
    record.fullLevel = saved.fullLevel;
    record.strawDistance = saved.strawDistance;
    record.oilSeconds = saved.oilSeconds;
    record.gameSpeed = saved.gameSpeed;
    return 1;
}

void minesChoose(int timedemo) {
    noSave = timedemo;
    resuming = 0;
    const std::string path = recordsRunPath();
    if (timedemo) {
        current = mineOf(mineOption ? mineOption : "classic");
    } else if (continueOption || setupContinueChosen() == 1) {
        resuming = takeSavedRun(path);
    } else if (!path.empty() && access(path.c_str(), F_OK) == 0 && setupContinueChosen() == -1) {
        fputs(langConsole("kavernix: a saved game is waiting; start with --continue to go on with it\n"),
              stderr);
        waitingShown = 1;
    }
    const char* word = mineOption ? mineOption : record.mine;
    if (!timedemo && !resuming) current = mineOf(word);
    if (!resuming && !timedemo && !strcmp(word, "daily") && !mineCodeIsClassic(&current)) {
        // The mine of the day: everybody plays the same rules.
        SettingsFile d;
        settingsDefaults(&d);
        record.fullLevel = d.record.fullLevel;
        record.strawDistance = d.record.strawDistance;
        record.oilSeconds = d.record.oilSeconds;
    }
    record.mazeSize = current.size;
    record.itemsPerKind = current.items;
    record.diamondsNeeded = current.diamonds;
    otherRules = !defaultRules();
}

void minesBuild() {
    randomSeed(current.seed);
    mazeBuild(&maze, record.mazeSize);
    itemsPlace(&maze);
    // The classic mine is whatever size the settings ask for; the code names the size built.
    current.size = record.mazeSize;
    mineCodeFormat(&current, currentText);
}

int minesContinuing() {
    return resuming;
}

const RunSave* minesKeptRun() {
    return resuming ? &saved : nullptr;
}

const char* minesCodeText() {
    return currentText;
}

static void saveOnExit() {
    if (!runActive || noSave) return;
    const std::string path = recordsRunPath();
    if (gameHorseHit()) { // lost already: nothing to come back to
        unlink(path.c_str());
        return;
    }
    RunSave s;
    runSaveCapture(&s, currentText);
    runSaveSetClock(&s, timingGameTicks()); // exactly, not rounded from the seconds
    if (!path.empty()) runSaveWrite(path.c_str(), &s, stderr);
}

void minesGameEntered() {
    static int hooked;
    if (resuming) {
        // Taken once the game screen shows it: a start that fails before (no display, no visual)
        // keeps it, and a run that is killed later cannot go on again from here with a shorter time.
        const std::string path = recordsRunPath();
        if (!path.empty()) unlink(path.c_str());
        runSaveApply(&saved);
        if (runSaveClock(&saved) >= 0)
            timingSetGameTicks(runSaveClock(&saved));
        else
            timingSetGameTime(saved.gameTime); // a save of the first version: seconds rounded up
        otherRules = !defaultRules();
    }
    runActive = !noSave;
    if (!hooked) hooked = atexit(saveOnExit) == 0;
}

int minesRunEnded(int won, float time) {
    runActive = 0;
    notStorable = 0;
    if (noSave) return -1; // a replay watched: the run is not played again into a table
    if (!noSave) {
        const std::string path = recordsRunPath();
        if (!path.empty()) unlink(path.c_str());
    }
    if (mineCodeIsClassic(&current)) return won && !recordSlowerPace() ? hallInsert(&record, time) : -1;
    // The table as it is now, to show and to rank the run in; stored only when the whole file was read.
    const std::string path = recordsPath();
    std::string why;
    if (!path.empty() && recordsLoad(path.c_str(), &records, &why) < 0) {
        notStorable = 1;
        recordsSayNotStored(path.c_str(), why, stderr);
    }
    const MineTable* t = recordsPlay(&records, currentText);
    memcpy(mineHall.hallNames, t->names, sizeof mineHall.hallNames);
    memcpy(mineHall.hallTimes, t->times, sizeof mineHall.hallTimes);
    return won && !otherRules && !notStorable && !recordSlowerPace() ? hallInsert(&mineHall, time) : -1;
}

const char* minesNotEnteredWhy(int won) {
    if (won && recordSlowerPace()) return textSlowerPace;
    if (!won || mineCodeIsClassic(&current)) return nullptr;
    if (notStorable) return textNotStored;
    if (otherRules) return textOtherRules;
    return nullptr;
}

SettingsRecord* minesHall() {
    return mineCodeIsClassic(&current) ? &record : &mineHall;
}

// The times of the table as stored now, read under its lock by the caller; 0 when it cannot be read.
static int storedTimes(float* times) {
    if (mineCodeIsClassic(&current)) {
        static SettingsFile values;
        if (settingsRead(settingsPath().c_str(), &values, nullptr) < 0) return 0;
        memcpy(times, values.record.hallTimes, sizeof values.record.hallTimes);
        return hallPlaces;
    }
    static MineRecords stored; // 200 tables: not on the stack
    std::string why;
    const std::string path = recordsPath();
    if (path.empty() || recordsLoad(path.c_str(), &stored, &why) < 0) return 0;
    const MineTable* t = recordsFind(&stored, currentText);
    if (!t) return 0;
    memcpy(times, t->times, sizeof t->times);
    return hallPlaces;
}

// The replays of the hall's entries around the store, in the store's one hold of the hall's lock:
// the run's own written before the rows are merged; after the write, the replays of the entries the
// store pushed out removed.
namespace {
struct HallStep {
    std::string folder;
    int entered;
    float before[2 * hallPlaces];
    int count;
};
} // namespace

static void hallStep(void* arg, int stored) {
    HallStep* h = static_cast<HallStep*>(arg);
    if (!stored) {
        h->count = storedTimes(h->before);
        if (h->entered) {
            h->before[h->count++] = record.finalTime;
            replayHallWrite(h->folder, currentText, record.finalTime, replayHallRun(),
                            minesHall()->hallNames[gameState.hallRank], stderr);
        }
        return;
    }
    float after[hallPlaces];
    const int afterCount = storedTimes(after);
    if (afterCount > 0) replayHallDropped(h->folder, currentText, h->before, h->count, after, afterCount);
}

static void storeHall(HallStep* step);

void minesStoreHall() {
    if (noSave) return;
    HallStep step;
    step.folder = replayFolder();
    step.entered = gameState.hallRank >= 0 && (mineCodeIsClassic(&current) || !notStorable);
    step.count = 0;
    storeHall(&step);
}

static void storeHall(HallStep* step) {
    if (mineCodeIsClassic(&current)) {
        setupStoreScoresWith(&record, hallStep, step);
        return;
    }
    const std::string path = recordsPath();
    if (path.empty() || notStorable) return;
    MineTable t;
    memset(&t, 0, sizeof t);
    snprintf(t.code, sizeof t.code, "%s", currentText);
    memcpy(t.names, mineHall.hallNames, sizeof t.names);
    memcpy(t.times, mineHall.hallTimes, sizeof t.times);
    if (!recordsStore(path.c_str(), &t, stderr, hallStep, step)) return;
    memcpy(mineHall.hallNames, t.names, sizeof mineHall.hallNames);
    memcpy(mineHall.hallTimes, t.times, sizeof mineHall.hallTimes);
}

// The end screen's line with the mine's code.
const char* minesWaitingNotice() {
    if (!waitingShown) return nullptr;
    if (record.gameTime >= minesWaitingSeconds) waitingShown = 0;
    return waitingShown ? langText(textWaiting) : nullptr;
}

int minesIsClassic() {
    return current.seed == mineClassicSeed;
}

const char* minesCodeLine() {
    static char line[48];
    snprintf(line, sizeof line, langText(textMineLine), currentText);
    return line;
}
