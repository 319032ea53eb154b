// SPDX-License-Identifier: GPL-3.0-or-later
// The four entry points of the settings library.
#include "setup/setup.h"
#include "setup/settings_file.h"
#include "setup/setup_dialog.h"
#include "file/file.h"
#include <dlfcn.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <time.h>

// What the next setupLoad fills the record from.
enum {
    LOAD_FILE,        // the settings file
    LOAD_FILE_LIVE,   // the settings file, but the running game keeps what it was built with
    LOAD_CHOSEN,      // the dialog's choices (also when the file could not be written)
    LOAD_CHOSEN_LIVE, // the dialog's choices, but the running game keeps what it was built with
    LOAD_KEEP         // nothing changed: the record stays as it is
};
static int nextLoad = LOAD_FILE;
static int continueChosen = -1;
static SettingsFile chosen;
// The program's record as of the last setupLoad: the in-game dialog starts from its live values.
static SettingsRecord* liveRecord;
// The stored choice "clocks run from the start". The record's `running` is also the game's live pause,
// so the in-game dialog shows and stores this choice, and the live pause stays as it is.
static uint8_t storedRunning = 1;

// F9 and F10 store the view in every frame they are held, and a synced write takes milliseconds, so
// the view is written at most once a second; a newer angle waits and is written by the next call a
// second later, before anything else reads or writes the file, or when the program exits.
static const double VIEW_WRITE_INTERVAL = 1.0;
static std::string viewPath; // file of the last view write
static double viewWrittenAt = -1e9;
static int viewPending;
static int32_t pendingFieldOfView;

static double monotonicSeconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// Every write of the settings file holds its lock (settings.ini.lock) from the read to the rename, so
// that two games never write from each other's old copies; the hall rows it writes are always the
// ones on disk at that moment, and *values gets them. Returns what settingsStore returns.
static int storeLocked(const std::string& path, SettingsFile* values, unsigned groups) {
    int lock = fileLock(path.c_str());
    SettingsFile disk;
    settingsRead(path.c_str(), &disk, nullptr);
    memcpy(values->record.hallNames, disk.record.hallNames, sizeof disk.record.hallNames);
    memcpy(values->record.hallTimes, disk.record.hallTimes, sizeof disk.record.hallTimes);
    int stored = settingsStore(path.c_str(), values, groups & ~unsigned(SETTINGS_HALL), stderr);
    fileUnlock(lock);
    return stored;
}

static void writeView(const std::string& path, int32_t fieldOfView) {
    SettingsFile values;
    settingsRead(path.c_str(), &values, nullptr);
    values.record.fieldOfView = fieldOfView;
    settingsCheck(&values, "view", nullptr); // F9 and F10 have no limit; the file keeps a usable angle
    storeLocked(path, &values, SETTINGS_VIEW);
}

static void flushView() {
    if (!viewPending) return;
    viewPending = 0;
    // A settings file removed since the last write stays removed: no folder is made again for an angle.
    struct stat st;
    if (stat(viewPath.c_str(), &st) != 0) return;
    writeView(viewPath, pendingFieldOfView);
    viewWrittenAt = monotonicSeconds();
}

// Copies what a running game keeps from its start to its end: the window, the display mode, the maze
// and the rules of the run (its pace among them) (the exit test uses them, and the mine's code names them).
// The in-game dialog shows and stores the choices for the next start; the game goes on with its own.
static void copyRunFields(SettingsRecord* to, const SettingsRecord* from) {
    memcpy(to->gameModeString, from->gameModeString, sizeof to->gameModeString);
    to->windowWidth = from->windowWidth;
    to->windowHeight = from->windowHeight;
    to->fullScreen = from->fullScreen;
    to->mazeSize = from->mazeSize;
    to->itemsPerKind = from->itemsPerKind;
    to->diamondsNeeded = from->diamondsNeeded;
    to->fullLevel = from->fullLevel;
    to->strawDistance = from->strawDistance;
    to->oilSeconds = from->oilSeconds;
    to->gameSpeed = from->gameSpeed;
}

// The dialog module's two entry points, from the file beside this library; null when it cannot be
// loaded (said once on standard error), and then no dialog is shown.
static int (*dialogAvailable)();
static int (*dialogRun)(int inGame, SettingsFile* values);

static int dialogLoad() {
    static int tried = 0;
    if (tried) return dialogAvailable && dialogRun;
    tried = 1;
    std::string path = "libgrolksetup-dialog.so";
    Dl_info self;
    if (dladdr(reinterpret_cast<void*>(&dialogLoad), &self) && self.dli_fname) {
        std::string library = self.dli_fname;
        size_t slash = library.rfind('/');
        if (slash != std::string::npos) path = library.substr(0, slash + 1) + path;
    }
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module) {
        dialogAvailable = reinterpret_cast<int (*)()>(dlsym(module, "setupDialogAvailable"));
        dialogRun = reinterpret_cast<int (*)(int, SettingsFile*)>(dlsym(module, "setupDialogRun"));
    }
    if (!dialogAvailable || !dialogRun) fprintf(stderr, "settings dialog not available: %s\n", dlerror());
    return dialogAvailable && dialogRun;
}

extern "C" void setupShow(int inGame) {
    flushView();
    nextLoad = inGame && liveRecord ? LOAD_FILE_LIVE : LOAD_FILE;
    if (!inGame) continueChosen = -1;
    const char* wanted = getenv("KAVERNIX_SETUP_DIALOG");
    if (wanted && strcmp(wanted, "0") == 0) return;
    std::string path = settingsPath();
    SettingsFile values;
    settingsRead(path.c_str(), &values, nullptr); // quiet: without the dialog, setupLoad reports
    if (!inGame && !values.showDialog) return;
    if (inGame && liveRecord && liveRecord->gameModeString[0]) {
        // The toolkit's game mode holds the keyboard and the pointer: a dialog could not be used and the
        // game would hang behind it.
        fprintf(stderr,
                settingsText(
                    "%s: the settings dialog cannot open over the game mode %s; the file is read again\n"),
                path.c_str(), liveRecord->gameModeString);
        return;
    }
    if (!dialogLoad() || !dialogAvailable()) return;
    // At start the dialog's values replace the file's, so say here what was wrong with it.
    if (!inGame) settingsRead(path.c_str(), &values, stderr);
    if (inGame && liveRecord) {
        // The running game's own choices (shading, textures, sound, keys...) apply at once and are
        // shown as they are now; what waits for the next start, and the hall of fame, as stored.
        SettingsFile stored = values;
        settingsCopyLibraryFields(&values.record, liveRecord);
        values.record.running = storedRunning;
        copyRunFields(&values.record, &stored.record);
        memcpy(values.record.hallNames, stored.record.hallNames, sizeof values.record.hallNames);
        memcpy(values.record.hallTimes, stored.record.hallTimes, sizeof values.record.hallTimes);
    }
    settingsCheck(&values, "settings", nullptr);
    int answer = dialogRun(inGame, &values);
    if (!inGame) continueChosen = answer == 2 ? 1 : (answer < 0 ? -1 : 0);
    if (answer == 2) answer = 1;         // the saved run goes on with the settings as chosen
    if (answer == 0 && !inGame) exit(0); // the player chose not to play
    if (answer == 0 && liveRecord) nextLoad = LOAD_KEEP;
    if (answer != 1) return;
    settingsCheck(&values, "settings dialog", stderr);
    storeLocked(path, &values, SETTINGS_ALL);
    chosen = values;
    nextLoad = inGame && liveRecord ? LOAD_CHOSEN_LIVE : LOAD_CHOSEN;
}

extern "C" int setupLanguage() {
    SettingsFile values;
    settingsRead(settingsPath().c_str(), &values, nullptr);
    return values.record.language;
}

extern "C" void setupLoad(SettingsRecord* record) {
    flushView();
    int mode = nextLoad;
    nextLoad = LOAD_FILE;
    if (mode == LOAD_KEEP) return;
    SettingsFile values;
    if (mode == LOAD_FILE || mode == LOAD_FILE_LIVE) {
        settingsRead(settingsPath().c_str(), &values, stderr);
    } else {
        values = chosen;
    }
    storedRunning = values.record.running;
    if (mode == LOAD_FILE_LIVE || mode == LOAD_CHOSEN_LIVE) {
        values.record.running = record->running; // the dialog never pauses nor resumes the game
        // The window, the display mode, the maze and the run's rules were set at start; new choices
        // wait for the next start.
        copyRunFields(&values.record, record);
    }
    settingsCopyLibraryFields(record, &values.record);
    liveRecord = record;
}

// The table is read again under the lock and merged with the record's, so that a place another game
// stored since this one read the file is kept; the record gets the table as written.
extern "C" void setupStoreScores(SettingsRecord* record) {
    setupStoreScoresWith(record, nullptr, nullptr);
}

extern "C" void setupStoreScoresWith(SettingsRecord* record, void (*step)(void* arg, int stored), void* arg) {
    flushView();
    std::string path = settingsPath();
    int lock = fileLock(path.c_str());
    SettingsFile values;
    const int read = settingsRead(path.c_str(), &values, nullptr);
    if (step) step(arg, 0);
    if (read >= 0) {
        settingsMergeHall(record->hallNames, record->hallTimes, values.record.hallNames,
                          values.record.hallTimes);
        memcpy(values.record.hallNames, record->hallNames, sizeof values.record.hallNames);
        memcpy(values.record.hallTimes, record->hallTimes, sizeof values.record.hallTimes);
    }
    settingsStore(path.c_str(), &values, SETTINGS_HALL, stderr);
    if (step) step(arg, 1);
    fileUnlock(lock);
}

extern "C" void setupStoreView(SettingsRecord* record) {
    static int exitHook;
    std::string path = settingsPath();
    if (path != viewPath) flushView();
    double now = monotonicSeconds();
    if (path == viewPath && now - viewWrittenAt < VIEW_WRITE_INTERVAL) {
        viewPending = 1;
        pendingFieldOfView = record->fieldOfView;
        if (!exitHook) exitHook = atexit(flushView) == 0;
        return;
    }
    viewPending = 0;
    viewPath = path;
    viewWrittenAt = now;
    writeView(path, record->fieldOfView);
}

extern "C" int setupContinueChosen() {
    return continueChosen;
}
