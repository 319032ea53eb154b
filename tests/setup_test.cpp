// SPDX-License-Identifier: GPL-3.0-or-later
// The settings library: its file, its checks, its atomic writes and its dialog.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include "app/lang.h"
#include "setup/setup.h"
#include "setup/settings_file.h"
#include "setup/key_capture.h"
#include "setup/key_table.h"
#include "setup/mine_code.h"
#include "file/file.h"
#include <fcntl.h>
#include <sys/file.h>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <signal.h>
#include <sstream>
#include <string>
#include <tuple>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include "output_capture.h"

static auto lineCount = [](const std::string& text) { return std::count(text.begin(), text.end(), '\n'); };

// Sets lines of "key = value" in a file text; a key the text lacks, or a line without " = ", is appended.
static std::string withLines(std::string text, const std::string& lines) {
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
        size_t eq = line.find(" = "), at = text.find("\n" + line.substr(0, eq) + " = ");
        bool append = eq == line.npos || at == text.npos;
        text = append ? text + line + "\n"
                      : text.substr(0, at + 1) + line + text.substr(text.find('\n', at + 1));
    }
    return text;
}

// The lines of `lines` that the file text of a record lacks.
static std::string linesMissing(const SettingsRecord& r, const std::string& lines) {
    SettingsFile f{r, 1};
    std::string text = settingsFormat(&f), missing;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);)
        if (text.find("\n" + line + "\n") == text.npos) missing += line + "\n";
    return missing;
}

// The game's record is static and lives for the whole process; the library keeps its address.
static SettingsRecord gameRecord;

// Every test gets its own folder and settings path, and never a dialog unless it asks for one.
class Settings : public testing::Test {
  protected:
    TempDir temp;
    std::string dir = temp.path, path = dir + "/settings.ini";
    void SetUp() override {
        setenv("KAVERNIX_SETTINGS", path.c_str(), 1);
        setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
        setenv("NO_AT_BRIDGE", "1", 1); // no accessibility bus chatter from the toolkit
        setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
        setenv("XDG_STATE_HOME", (dir + "/state").c_str(), 1);
    }
    void TearDown() override {
        EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
    } // also one of /dev/shm
    static std::string defaultText() {
        SettingsFile f;
        settingsDefaults(&f);
        return settingsFormat(&f);
    }
    // Loads the file as the game does and returns what was said on standard error.
    static std::string load(SettingsRecord* r) {
        return stderrOf([r] { setupLoad(r); });
    }
};

static std::string codeText(const MineCode& c) {
    char text[MINE_CODE_TEXT];
    mineCodeFormat(&c, text);
    return text;
}

// Every field off its default: each number at its largest (its smallest where that is the default).
static SettingsFile unusualValues() {
    SettingsFile f;
    settingsDefaults(&f);
    std::istringstream in(settingsFormat(&f));
    int min, max;
    for (std::string line; std::getline(in, line);) {
        std::string key = line.substr(0, line.find(" = "));
        if (settingsIntRange(key.c_str(), &min, &max))
            settingsSetInt(&f, key.c_str(), settingsGetInt(&f, key.c_str()) == max ? min : max);
    }
    snprintf(f.record.gameModeString, 32, "1280x1024:32@75");
    const MineCode mine = {20, 7, 4, 0xDEADBEEF};
    mineCodeFormat(&mine, f.record.mine);
    for (int i = 0; i < ACTION_COUNT; i++) f.record.keys[i] = "acegjknqvwxyzmh"[i]; // none its default
    for (int i = 0; i < KEY_SWITCH_COUNT; i++) f.record.switchKeys[i] = "1234567890,"[i];
    const int buttons[ACTION_COUNT] = {0, 5, 7, 8, 10, 11, 12, 15, 16, 17, 18, 19, 20, 21, 2}; // nor these
    for (int i = 0; i < ACTION_COUNT; i++) f.record.padButtons[i] = buttons[i];
    const char* names[] = {"Tarvin", "  spaced out  ", "back\\slash = #1", "x", "\x01\xE4\xF6\xFC\xDF\x7F"};
    const float times[] = {0.1f, 61.37f, 3725.5f, 29999.99f, 29999.999f};
    for (int i = 0; i < 5; i++)
        snprintf(f.record.hallNames[i], 32, "%s", names[i]), f.record.hallTimes[i] = times[i];
    return f;
}

// A first start: the defaults, without a word, and the program's own fields left alone.
TEST_F(Settings, MissingFileGivesFirstRunDefaultsSilently) {
    SettingsRecord r;
    memset(&r, 0x5A, sizeof r);
    EXPECT_EQ(load(&r), "");
    EXPECT_EQ(linesMissing(
                  r, "gameModeString = \nwindowWidth = 1024\nwindowHeight = 768\nwindowedWidth = 1024\n"
                     "windowedHeight = 768\nfullScreen = 0\nshadeMode = 2\ntextureMode = 2\n"
                     "fieldOfView = 60\nrunning = 1\nmouseSpeed = 5\ninvertMouse = 0\nsoundVolume = 7\n"
                     "mazeSize = 16\nitemsPerKind = 5\n"
                     "fullLevel = 4\ndiamondsNeeded = 3\nstrawDistance = 20\noilSeconds = 60\n"
                     "skipStory = 0\ngothicFont = 0\npictureCache = 0\nmodelSource = 0\nsplitQuads = 0\n"
                     "useDisplayLists = 1\nlodLevel = 2\ndistanceLod = 1\nhallName1 = \nhallTime1 = 30000\n"
                     "hallName5 = \nhallTime5 = 30000"),
              "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0) << "loading never writes";
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&r);
    for (auto range : {std::make_pair(0x41, 0x74), {0x78, 0x7C}, {0x8C, 0xB0}}) // clocks, rider, message
        for (int i = range.first; i < range.second; i++) EXPECT_EQ(bytes[i], 0x5A) << "byte " << i;
}

TEST_F(Settings, EveryFieldRoundTripsThroughPlainText) {
    SettingsFile written = unusualValues();
    ASSERT_EQ(settingsStore(path.c_str(), &written, SETTINGS_ALL, stderr), 1);
    std::string text = readFileText(path), line;
    for (std::istringstream in(defaultText()); std::getline(in, line);) {
        if (line.find(" = ") == line.npos) continue;
        EXPECT_EQ(text.find("\n" + line + "\n"), text.npos) << "a default value: " << line;
    }
    SettingsFile read;
    EXPECT_EQ(stderrOf([&] { EXPECT_EQ(settingsRead(path.c_str(), &read, stderr), 1); }), "");
    EXPECT_EQ(memcmp(&written, &read, sizeof read), 0);
    SettingsRecord r{};
    EXPECT_EQ(load(&r), "");
    EXPECT_EQ(memcmp(&r, &written.record, sizeof r), 0) << "every library field reaches the game";

    for (unsigned char c : text) {
        if (c == '\n') continue;
        EXPECT_GE(c, 0x20);
        EXPECT_LT(c, 0x7F);
    }
    for (const char* line : {"\nhallName5 = \\x01\\xE4\\xF6\\xFC\\xDF\\x7F\n",
                             "\nhallName2 = \\x20 spaced out \\x20\n", "\nhallName3 = back\\\\slash = #1\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(Settings, EveryLatin1ByteRoundTripsInNames) {
    // Bytes 1..255 spread over names of 31 bytes: the longest a name can be.
    SettingsRecord r{};
    for (int start = 1; start <= 255; start += 5 * 31) {
        for (int k = 0; k < 5 * 31; k++)
            r.hallNames[k / 31][k % 31] = char(start + k <= 255 ? start + k : 'a');
        setupStoreScores(&r);
        SettingsRecord back;
        EXPECT_EQ(load(&back), "");
        EXPECT_EQ(memcmp(back.hallNames, r.hallNames, sizeof r.hallNames), 0) << start;
    }
}

TEST_F(Settings, BadValuesBecomeTheNearestValidValueWithOneLineEach) {
    // Lines written into the file, lines the record must give back, how many lines are said and what
    // they say besides the file's name.
    // clang-format off
    const struct { std::string set, expect; int lines; const char* says; } cases[] = {
        {"mazeSize = abc", "mazeSize = 16", 1, "using 16"},
        {"mazeSize = 17", "mazeSize = 16", 1, "odd; using 16"},
        {"mazeSize = 67", "mazeSize = 66", 1, "using 66"}, {"mazeSize = 3", "mazeSize = 4", 1, "using 4"},
        {"mazeSize = 99999999999999999999999", "mazeSize = 66", 1, "using 66"},
        {"mazeSize = 16 cells", "mazeSize = 16", 1, "using 16"},
        {"itemsPerKind = 10", "itemsPerKind = 9", 1, "using 9"},
        {"diamondsNeeded = -1", "diamondsNeeded = 0", 1, "using 0"},
        {"fieldOfView = 400", "fieldOfView = 179", 1, "using 179"},
        {"fieldOfView = 60.5", "fieldOfView = 60", 1, "using 60"},
        {"shadeMode = 3", "shadeMode = 2", 1, "using 2"},
        {"windowWidth = 0", "windowWidth = 64", 1, "using 64"},
        {"running = 5", "running = 1", 1, "using 1"},
        // Items must fit the maze, and the diamonds needed the items.
        {"mazeSize = 6\nitemsPerKind = 9\ndiamondsNeeded = 3", "itemsPerKind = 2\ndiamondsNeeded = 2", 2,
         "diamondsNeeded = 3"},
        {"itemsPerKind = 5\ndiamondsNeeded = 9", "diamondsNeeded = 5", 1, "diamondsNeeded = 9"},
        {"hallTime1 = nan", "hallTime1 = 30000", 1, "30000"},
        {"hallTime4 = 1e9", "hallTime4 = 30000", 0, nullptr},
        {"hallTime4 = inf", "hallTime4 = 30000", 1, "not a finite"},
        {"hallTime4 = 1e39", "hallTime4 = 30000", 1, "not a finite"},
        {"hallTime1 = 1e-60", "hallTime1 = 30000", 1, "hundredth"},
        {"hallName2 = " + std::string(40, 'x'), "hallName2 = " + std::string(31, 'x'), 1, nullptr},
        {"hallName3 = a\\x00b\\q", "hallName3 = a\\\\x00b\\\\q", 1, nullptr},
        {"hallName1 = slow\nhallTime1 = 90\nhallName2 = fast\nhallTime2 = 30",
         "hallName1 = fast\nhallTime1 = 30\nhallName2 = slow\nhallTime2 = 90", 1, "sorted"},
        {"gameModeString = 1920x1080:32@144", "gameModeString = 1920x1080:32@144", 0, nullptr},
        {"gameModeString = :16", "gameModeString = :16", 0, nullptr},
        {"gameModeString = 1024x768:", "gameModeString = ", 1, "game mode"},
        {"colour = blue", "mazeSize = 16", 1, nullptr}, {"no equals sign", "mazeSize = 16", 1, nullptr},
        // One key, one action: the one that left its default gives way, and never to a rendering switch.
        {"keyShoot = Return\nkeyPause = P\nkeyForward = w", "keyShoot = Return\nkeyPause = P\nkeyForward = w",
         0, nullptr},
        {"keyMute = Foo", "keyMute = m", 1, "not a key name"},
        {"keyBoss = s", "keyBoss = B", 1, "keyBoss = s is keyShade's key"},
        {"keyRide = M", "keyRide = M", 0, nullptr}, // a capital bound takes it from the small letter
        {"keyBack = s", "keyBack = Down", 1, "keyBack = s is keyShade's key"},
        {"keyShade = h", "keyShade = s", 1, "keyShade = h is keyRide's key"},
        {"keyShoot = Up", "keyShoot = space", 1, "keyShoot = Up is keyForward's key"},
        {"keyForward = w\nkeyStepLeft = a\nkeyBack = s\nkeyStepRight = d\nkeyShade = k\nkeyDistanceDetail = j",
         "keyForward = w\nkeyStepLeft = a\nkeyBack = s\nkeyStepRight = d\nkeyShade = k\nkeyDistanceDetail = j", 0,
         nullptr},
        {"keyFrameRate = Foo", "keyFrameRate = i", 1, "not a key name"},
        {"routeKeys = tap", "routeKeys = tap", 0, nullptr},
        {"language = de", "language = de", 0, nullptr}, {"language = auto", "language = auto", 0, nullptr},
        {"language = fr", "language = auto", 1, "not auto, en or de"},
        {"language = 2", "language = auto", 1, "not auto, en or de"},
        {"routeKeys = slide", "routeKeys = hold", 1, "not hold or tap"},
        {"gameSpeed = 75", "gameSpeed = 75", 0, nullptr},
        {"gameSpeed = 30", "gameSpeed = 50", 1, "using 50"},
        {"gameSpeed = 120", "gameSpeed = 100", 1, "using 100"},
        {"keyForward = w\nkeyBack = w", "keyForward = w\nkeyBack = Down", 1,
         "keyBack = w is keyForward's key"},
        {"keyForward = Down", "keyForward = Up\nkeyBack = Down", 1, "keyForward = Down is keyBack's key"}};
    // clang-format on
    // No items, so that a smaller maze does not also shrink them.
    const std::string base = withLines(defaultText(), "itemsPerKind = 0\ndiamondsNeeded = 0");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.set);
        writeFileText(path, withLines(base, c.set));
        SettingsRecord r;
        std::string said = load(&r);
        EXPECT_EQ(linesMissing(r, c.expect), "");
        EXPECT_EQ(lineCount(said), c.lines) << said;
        if (c.lines == 0) continue;
        EXPECT_NE(said.find(path), std::string::npos) << "the line names the file: " << said;
        bool oneLine = c.set.find('\n') == c.set.npos; // names its key, and its value when it says more
        const std::string named = c.set.substr(0, c.says ? c.set.npos : c.set.find(' '));
        if (oneLine) {
            EXPECT_NE(said.find(named), said.npos) << said;
        }
        if (c.says) {
            EXPECT_NE(said.find(c.says), std::string::npos) << said;
        }
    }
}

// A file with some rows, written by hand or by an older version, takes the defaults for the rest
// without a word; only a file whose last line has no end was cut short.
TEST_F(Settings, OnlyAFileEndingInsideALineIsCalledCutShort) {
    // clang-format off
    const struct { std::string text; int lines; } cases[] = {
        {"mazeSize = 20\nskipStory = 1\n", 0},
        {"# an older version's file\nmazeSize = 20\r\nhallName1 = Ann\r\nhallTime1 = 61.5\r\n", 0},
        {"mazeSize = 20\nskipStory = 1", 1},
        {defaultText().substr(0, defaultText().size() / 2 + 5), 1},
        {"", 0}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        writeFileText(path, c.text);
        SettingsRecord r;
        const std::string said = load(&r);
        EXPECT_EQ(lineCount(said), c.lines) << said;
        EXPECT_EQ(said.find("cut short") != said.npos, c.lines == 1) << said;
        EXPECT_EQ(linesMissing(r, "windowWidth = 1024\nkeyForward = Up\nkeyShade = s\nkeyFinerModels = L\n"
                                  "routeKeys = hold\ngameSpeed = 100"),
                  "")
            << "defaults for the rest";
    }
}

// Every writer of the settings file (the view, the dialog's store at start and in the game) writes
// the hall of fame as it is on disk at that moment, never the copy the game read at its start.
TEST_F(Settings, EveryWriterKeepsTheHallOfFameOnDisk) {
    const std::string stale = "hallName1 = Old\nhallTime1 = 99\n";
    const std::string later = "hallName1 = New\nhallTime1 = 42.5\nhallName2 = Old\nhallTime2 = 99\n";
    const std::function<void()> writers[] = {
        [] {
            gameRecord.fieldOfView = 77;
            setupStoreView(&gameRecord);
        },
        [] { setupShow(1); },
        [] {
            gameRecord.hallTimes[0] = 120, snprintf(gameRecord.hallNames[0], 32, "Mine");
            setupStoreScores(&gameRecord);
        }};
    const char* const expected[] = {later.c_str(), later.c_str(),
                                    "hallName1 = New\nhallTime1 = 42.5\nhallName2 = Old\nhallTime2 = 99\n"
                                    "hallName3 = Mine\nhallTime3 = 120\n"};
    for (int i = 0; i < 3; i++) {
        SCOPED_TRACE(i);
        writeFileText(path, withLines(defaultText(), stale));
        load(&gameRecord); // the game's copy: Old alone
        writeFileText(path, withLines(defaultText(), later)); // another game stored New since
        stderrOf(writers[i]);
        SettingsRecord r;
        EXPECT_EQ(load(&r), "");
        EXPECT_EQ(linesMissing(r, expected[i]), "");
        if (i == 2) {
            EXPECT_EQ(linesMissing(gameRecord, expected[i]), "") << "the record gets the table stored";
        }
        EXPECT_TRUE(std::filesystem::exists(path + ".lock")) << "written under the lock beside the file";
    }
}

// A lock held on settings.ini.lock keeps a store waiting until it is let go; the file itself is never
// locked (the atomic write replaces it).
TEST_F(Settings, AStoreWaitsForTheLockBesideTheFile) {
    writeFileText(path, defaultText());
    load(&gameRecord);
    const int held = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(held); // the parent's lock is its alone
        gameRecord.hallTimes[0] = 75, snprintf(gameRecord.hallNames[0], 32, "Waiter");
        setupStoreScores(&gameRecord);
        _exit(0);
    }
    usleep(300000);
    EXPECT_EQ(readFileText(path).find("Waiter"), std::string::npos) << "stored while the lock was held";
    close(held);
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_NE(readFileText(path).find("hallName1 = Waiter"), std::string::npos);
}

TEST_F(Settings, StoresChangeOnlyTheirOwnKeys) {
    std::string before =
        "# my own notes\n" + withLines(defaultText(), "mazeSize = 99\nshadeMode = 0\ncolour = blue");
    writeFileText(path, before);
    SettingsRecord r;
    load(&r);
    snprintf(r.hallNames[0], 32, "J\xF6rg");
    r.hallTimes[0] = 123.25f, r.hallTimes[1] = 200.5f;
    r.shadeMode = 1, r.fieldOfView = 61; // the shade mode, changed by a key, is neither store's business
    setupStoreScores(&r);
    std::string scored = withLines(before, "hallName1 = J\\xF6rg\nhallTime1 = 123.25\nhallTime2 = 200.5");
    EXPECT_EQ(readFileText(path), scored) << "comments, unknown keys and even a bad value stay as written";
    setupStoreView(&r);
    EXPECT_EQ(readFileText(path), withLines(scored, "fieldOfView = 61"));
}

TEST_F(Settings, WriteFailingHalfwayLeavesTheOldFileWhole) {
    SettingsFile f = unusualValues();
    ASSERT_EQ(settingsStore(path.c_str(), &f, SETTINGS_ALL, stderr), 1);
    std::string old = readFileText(path);
    writeFileText(dir + "/.settings.ini.#kavernix-write#Ab12Cd",
                  "mazeSize = 4\nhallName1 = half-writ"); // from an older crash
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) { // the disk fills up 100 bytes into the new file
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        f.record.fieldOfView = 33;
        _exit(settingsStore(path.c_str(), &f, SETTINGS_ALL, nullptr) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failure is reported";
    EXPECT_EQ(readFileText(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1)
        << "the half-written temporary is gone, and the older crash's with it";
    SettingsRecord r{};
    EXPECT_EQ(load(&r), "");
    EXPECT_EQ(memcmp(&r, &f.record, sizeof r), 0) << "a stale temporary is never read";
}

// A save removes only the temporaries its own kind of writer left; every file a person may have
// named alike stays.
TEST_F(Settings, ASaveRemovesOnlyItsOwnStaleTemporaries) {
    // clang-format off
    struct { const char* name; bool kept; } files[] = {
        {".settings.ini.backup", true}, {".settings.ini.orig01", true}, {".settings.ini.Ab12Cd", true},
        {".settings.ini.#kavernix-write#Ab12C", true}, {".settings.ini.#kavernix-write#Ab12Cde", true},
        {".settings.ini.#kavernix-write#Ab-2Cd", true}, {".other.ini.#kavernix-write#Ab12Cd", true},
        {".settings.ini.#kavernix-write#Ab12Cd", false}};
    // clang-format on
    for (const auto& f : files) writeFileText(dir + "/" + f.name, "mine\n");
    SettingsFile values;
    settingsDefaults(&values);
    ASSERT_EQ(settingsStore(path.c_str(), &values, SETTINGS_ALL, stderr), 1);
    for (const auto& f : files) EXPECT_EQ(std::filesystem::exists(dir + "/" + f.name), f.kept) << f.name;
}

// Where the system makes no file without a name, the named temporary is locked from the moment it
// holds its name: savers cleaning up all the while never take it away.
TEST_F(Settings, TheNamedTemporaryIsNeverTakenByAnotherSaversCleaning) {
    int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dirFd, 0);
    std::string name;
    int fd = fileCreateLockedTemp(dirFd, "settings.ini", &name);
    ASSERT_GE(fd, 0) << strerror(errno);
    int other = openat(dirFd, name.c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), -1) << "another writer finds it locked";
    close(other), close(fd), unlinkat(dirFd, name.c_str(), 0);

    fflush(nullptr);
    pid_t cleaner = fork();
    ASSERT_GE(cleaner, 0);
    if (cleaner == 0) { // saves the same name again and again, cleaning up at every start
        for (;;) fileWriteAll(path.c_str(), "x", 1, 0, nullptr);
    }
    int lost = 0, made = 0;
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
         std::chrono::steady_clock::now() < end; ++made) {
        fd = fileCreateLockedTemp(dirFd, "settings.ini", &name);
        if (fd < 0) continue;
        struct stat held, named;
        usleep(50);
        fstat(fd, &held);
        lost += fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || named.st_ino != held.st_ino;
        unlinkat(dirFd, name.c_str(), 0);
        close(fd);
    }
    kill(cleaner, SIGKILL);
    waitpid(cleaner, nullptr, 0);
    close(dirFd);
    EXPECT_EQ(lost, 0) << "of " << made << " temporaries";
}

TEST_F(Settings, AByteOrderMarkIsSkippedAndNotWrittenBack) {
    writeFileText(path, "\xEF\xBB\xBF" + withLines(defaultText(), "showDialog = 0\nmazeSize = 20"));
    SettingsRecord r;
    EXPECT_EQ(load(&r), "");
    EXPECT_EQ(r.mazeSize, 20);
    setupStoreScores(&r);
    EXPECT_EQ(readFileText(path).compare(0, 1, "#"), 0);
    SettingsFile f;
    EXPECT_EQ(stderrOf([&] { settingsRead(path.c_str(), &f, stderr); }), "");
    EXPECT_EQ(f.showDialog, 0);
}

// What lies at a path, without following a link: "link to TARGET", "fifo", "file", "none".
static std::string whatIsAt(const std::string& p) {
    struct stat st;
    if (lstat(p.c_str(), &st) != 0) return "none";
    if (S_ISLNK(st.st_mode)) return "link to " + std::filesystem::read_symlink(p).string();
    return S_ISFIFO(st.st_mode) ? "fifo" : S_ISREG(st.st_mode) ? "file" : "other";
}

TEST_F(Settings, SpecialFilesAtThePathAreRefusedUntouched) {
    alarm(20); // a FIFO opened for reading would wait for a writer for ever
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"fifo", "mkfifo '" + path + "'", "FIFO"},
        {"device", "ln -s /dev/null '" + path + "'", "device"},
        {"dangling link", "ln -s '" + dir + "/gone/settings.ini' '" + path + "'", "does not exist"},
        {"folder", "mkdir '" + path + "'", "folder"}};
    for (const auto& [kind, make, says] : cases) {
        SCOPED_TRACE(kind);
        ASSERT_EQ(system(("rm -rf '" + path + "' && " + make).c_str()), 0);
        const std::string before = whatIsAt(path);
        SettingsRecord r;
        std::string said = load(&r);
        EXPECT_EQ(lineCount(said), make[0] == 'l' && says != "device" ? 0 : 1) << said;
        EXPECT_EQ(r.mazeSize, 16) << "the defaults";
        said = stderrOf([&] { setupStoreScores(&r); });
        EXPECT_EQ(lineCount(said), 1) << said;
        EXPECT_NE(said.find(says), std::string::npos) << said;
        EXPECT_EQ(whatIsAt(path), before);
        EXPECT_EQ(whatIsAt(dir + "/gone"), "none");
    }
    alarm(0);
    struct stat st;
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST_F(Settings, ASaveWritesThroughALinkKeepingThePermissions) {
    ASSERT_EQ(mkdir((dir + "/real").c_str(), 0755), 0);
    const std::string real = dir + "/real/settings.ini";
    writeFileText(real, defaultText());
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    // Run by root, as a save once was, the file of another user must stay that user's.
    const uid_t owner = getuid() == 0 ? 65534 : getuid();
    const gid_t group = getuid() == 0 ? 65534 : getgid();
    ASSERT_EQ(chown(real.c_str(), owner, group), 0);
    ASSERT_EQ(symlink("real/settings.ini", path.c_str()), 0);
    SettingsRecord r;
    load(&r);
    r.hallTimes[0] = 99;
    EXPECT_EQ(stderrOf([&] { setupStoreScores(&r); }), "");
    EXPECT_EQ(whatIsAt(path), "link to real/settings.ini");
    struct stat st;
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_uid, owner);
    EXPECT_EQ(st.st_gid, group);
    EXPECT_NE(readFileText(real).find("\nhallTime1 = 99\n"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir + "/real"), {}), 1);
}

// Saves killed at random moments: the file is always whole (an old or a new version, never a mix)
// and the temporaries of killed saves are gone after the next save. In memory (/dev/shm), where a
// synced save takes a fraction of a millisecond, so that hundreds of kills take a second or two.
TEST_F(Settings, SavesKilledAtRandomMomentsLeaveOneWholeFile) {
    char tmpl[] = "/dev/shm/kx_kill_test.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr) << "needs /dev/shm";
    dir = tmpl;
    path = dir + "/settings.ini";
    const int kills = 300;
    SettingsFile f;
    settingsDefaults(&f);
    // The kills fall anywhere in the first three saves of a child.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; i++) ASSERT_EQ(settingsStore(path.c_str(), &f, SETTINGS_ALL, stderr), 1);
    const int saveMicros =
        (int)std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start)
            .count() /
        5;
    srand(13);
    int versions = 0, lastTime = 0;
    for (int k = 0; k < kills; k++) {
        fflush(nullptr);
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Says it runs before the first save, so the delay counts from there, not from the fork.
            if (write(ready[1], "r", 1) != 1) _exit(1);
            for (int i = 1;; i++) { // every version holds a name that matches its time
                SettingsFile v = f;
                const int t = (k * 1000 + i) % 29000 + 1;
                snprintf(v.record.hallNames[0], 32, "run %d", t);
                v.record.hallTimes[0] = (float)t;
                settingsStore(path.c_str(), &v, SETTINGS_HALL, nullptr);
            }
        }
        char c;
        close(ready[1]);
        ASSERT_EQ(read(ready[0], &c, 1), 1);
        close(ready[0]);
        usleep((useconds_t)(rand() % (3 * saveMicros + 1000)));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        SettingsFile read;
        ASSERT_EQ(stderrOf([&] { settingsRead(path.c_str(), &read, stderr); }), "") << "kill " << k;
        const int t = (int)read.record.hallTimes[0];
        if (t != 30000) {
            ASSERT_EQ(std::string(read.record.hallNames[0]), "run " + std::to_string(t));
        }
        versions += t != lastTime;
        lastTime = t;
    }
    EXPECT_EQ(settingsStore(path.c_str(), &f, SETTINGS_HALL, stderr), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "no temporary is left";
    EXPECT_GT(versions, kills / 10) << "the kills fell into saves (a save takes " << saveMicros << " us)";
}

TEST_F(Settings, DialogIsSkippedWhenSwitchedOffOrStoredOff) {
    unsetenv("KAVERNIX_SETUP_DIALOG");
    writeFileText(path, withLines(defaultText(), "showDialog = 0\nmazeSize = 20"));
    setupShow(0); // the stored switch says no: returns at once even with a display
    EXPECT_EQ(load(&gameRecord), "");
    EXPECT_EQ(gameRecord.mazeSize, 20);

    setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
    gameRecord.shadeMode = 0;    // a key changed it in the game
    gameRecord.windowWidth = 30; // the player shrank the window below any size the file may hold
    gameRecord.itemsPerKind = 2; // as if the maze had been built with two items of each kind
    gameRecord.diamondsNeeded = 1;
    writeFileText(path, withLines(defaultText(), "mazeSize = 40\ndiamondsNeeded = 5\noilSeconds = 90"));
    setupShow(1);
    std::string said = load(&gameRecord);
    // No dialog in the game: the file is read again, but the running game keeps the size of its maze,
    // its window and the rules of its run.
    EXPECT_EQ(linesMissing(gameRecord, "shadeMode = 2\nmazeSize = 20\nwindowWidth = 30\nitemsPerKind = 2\n"
                                       "diamondsNeeded = 1\noilSeconds = 60"),
              "");
    EXPECT_EQ(said, "");
    load(&gameRecord);
    EXPECT_EQ(gameRecord.mazeSize, 40) << "a load without a dialog before it reads the file";
}

// Finds a widget by name among all children, internal ones included.
static GtkWidget* findNamed(GtkWidget* w, const char* name) {
    if (strcmp(gtk_widget_get_name(w), name) == 0) return w;
    if (!GTK_IS_CONTAINER(w)) return nullptr;
    GList* children = nullptr;
    gtk_container_forall(
        GTK_CONTAINER(w), [](GtkWidget* c, gpointer l) { *(GList**)l = g_list_append(*(GList**)l, c); },
        &children);
    GtkWidget* found = nullptr;
    for (GList* l = children; l && !found; l = l->next) found = findNamed(GTK_WIDGET(l->data), name);
    g_list_free(children);
    return found;
}

static std::string buttonText(GtkWidget* dialog, const char* name) {
    return gtk_button_get_label(GTK_BUTTON(findNamed(dialog, name)));
}

// Clicks an action's key button and presses a key (a GDK key value) on the dialog; returns the
// button's text and the Keys page's line after it.
static std::string setKey(GtkWidget* dialog, const char* action, unsigned keyval) {
    gtk_button_clicked(GTK_BUTTON(findNamed(dialog, action)));
    std::string asked = gtk_label_get_text(GTK_LABEL(findNamed(dialog, "keyMessage")));
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(dialog)));
    event->key.keyval = keyval;
    gboolean taken = FALSE;
    g_signal_emit_by_name(dialog, "key-press-event", event, &taken);
    gdk_event_free(event);
    return asked + " -> " + buttonText(dialog, action) + ": " +
           gtk_label_get_text(GTK_LABEL(findNamed(dialog, "keyMessage"))) + (taken ? "" : " (not taken)");
}

// The settings dialog once it shows, else null.
static GtkWidget* shownDialog() {
    GtkWidget* dialog = nullptr;
    GList* tops = gtk_window_list_toplevels();
    for (GList* l = tops; l; l = l->next)
        if (GTK_IS_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
            dialog = GTK_WIDGET(l->data);
    g_list_free(tops);
    return dialog;
}

// setupShow(inGame) with a scripted player acting on the dialog once it shows; whether it showed.
// Polling stops after ten seconds, so a dialog that never shows cannot hang the test.
using DialogAct = std::function<void(GtkWidget*)>;
static bool showActing(int inGame, const DialogAct& act, std::string* said = nullptr) {
    struct Poll {
        const DialogAct* act;
        int polls = 0;
        bool ran = false;
    } poll{&act};
    auto step = [](gpointer data) -> gboolean {
        Poll* p = (Poll*)data;
        GtkWidget* dialog = shownDialog();
        if (!dialog) return ++p->polls < 200 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
        p->ran = true;
        (*p->act)(dialog);
        return G_SOURCE_REMOVE;
    };
    guint source = g_timeout_add(50, step, &poll);
    const std::string text = stderrOf([inGame] { setupShow(inGame); });
    if (said) *said = text;
    if (!poll.ran && poll.polls < 200) g_source_remove(source);
    return poll.ran;
}

static void play(GtkWidget* dialog) {
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
}

// Reads the dialog, changes some settings and presses Play: the settings not found, the first place
// of fame and whether Enter plays, the key buttons and the Keys page's line as the player sets keys.
static void playScript(GtkWidget* dialog, std::string* missing, std::string* seen, std::string* keys) {
    std::istringstream names(
        "modeWindow fullScreen modeGame gameModeString windowSize shadeMode textureMode "
        "fieldOfView mouseSpeed mazeSize itemsPerKind fullLevel diamondsNeeded strawDistance "
        "oilSeconds skipStory gothicFont pictureCache modelSource splitQuads useDisplayLists "
        "lodLevel distanceLod running soundVolume invertMouse showDialog hallName1 hallTime1 hallName5 "
        "hallTime5 keyForward keyMute mine dailyCode dailyName1 dailyTime5 routeKeys gameSpeed keyShade "
        "keyRedrawFrame wasdLayout");
    for (std::string n; names >> n;)
        if (!findNamed(dialog, n.c_str())) *missing += n + " ";
    if (!missing->empty()) return play(dialog);
    *seen = std::string(gtk_label_get_text(GTK_LABEL(findNamed(dialog, "hallName1")))) + " " +
            gtk_label_get_text(GTK_LABEL(findNamed(dialog, "hallTime1"))) +
            (gtk_window_get_focus(GTK_WINDOW(dialog)) ==
                     gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK)
                 ? " plays"
                 : "") +
            (findNamed(dialog, "continueSaved") ? " offers a saved run" : "");
    // A maze of 6 narrows the items to 2, and the diamonds with them.
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(findNamed(dialog, "mazeSize")), 6);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(findNamed(dialog, "fieldOfView")), 80);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(findNamed(dialog, "fullScreen")), TRUE);
    gtk_combo_box_set_active_id(GTK_COMBO_BOX(findNamed(dialog, "windowSize")), "1280x720");
    gtk_combo_box_set_active(GTK_COMBO_BOX(findNamed(dialog, "shadeMode")), 1);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(findNamed(dialog, "showDialog")), FALSE);
    *keys = buttonText(dialog, "keyCallHorse");
    *keys += "\n" + setKey(dialog, "keyMute", 's');
    *keys += "\n" + setKey(dialog, "keyForward", 0xff1b);
    *keys += "\n" + setKey(dialog, "keyCallHorse", 'c');
    *keys += "\n" + setKey(dialog, "keyForward", 0xff55); // Page_Up, free now
    // A code typed in small letters is kept in its own spelling.
    std::string text = codeText({20, 7, 4, 0xBEEF});
    for (char& c : text) c = char(tolower((unsigned char)c));
    gtk_entry_set_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(findNamed(dialog, "mine")))), text.c_str());
    play(dialog);
}

// The dialog tests need a display, and the dialog switched on.
class SettingsDialog : public Settings {
    void SetUp() override {
        Settings::SetUp();
        ASSERT_NE(getenv("DISPLAY"), nullptr) << "needs a display: run the tests under xvfb-run";
        unsetenv("KAVERNIX_SETUP_DIALOG");
    }
};

TEST_F(SettingsDialog, PlaySavesTheChoicesMade) {
    writeFileText(path, withLines(defaultText(), "hallName1 = J\\xF6rg\\x01\nhallTime1 = 3725.5"));
    std::string said, missing, seen, keys;
    ASSERT_TRUE(showActing(
        0, [&](GtkWidget* d) { playScript(d, &missing, &seen, &keys); }, &said))
        << "no dialog came up";
    ASSERT_EQ(missing, "");
    EXPECT_EQ(seen, "J\xC3\xB6rg\xEF\xBF\xBD 1:02:05:50 plays") << "Latin-1 shown as UTF-8, Enter plays";
    EXPECT_EQ(said, "") << "the file was good and the dialog offers only valid values";
    EXPECT_EQ(keys, "Page Up\n"
                    "Press a key for Sound off and on again (Escape cancels). -> M: S is taken by a "
                    "rendering switch (shading). Sound off and on again keeps M.\n"
                    "Press a key for Walk forward (Escape cancels). -> Up: Cancelled. Walk forward "
                    "keeps Up.\n"
                    "Press a key for The horse comes to you along the corridors (Escape cancels). -> C: \n"
                    "Press a key for Walk forward (Escape cancels). -> Page Up: ");
    SettingsRecord r;
    EXPECT_EQ(load(&r), "");
    EXPECT_EQ(linesMissing(
                  r, "mazeSize = 6\nitemsPerKind = 2\ndiamondsNeeded = 2\nfieldOfView = 80\nfullScreen = 1\n"
                     "windowWidth = 1280\nwindowedHeight = 720\nshadeMode = 1\nhallName1 = J\\xF6rg\\x01\n"
                     "keyForward = Page_Up\nkeyCallHorse = c\nmine = " +
                         codeText({20, 7, 4, 0xBEEF})),
              "");
    SettingsFile f;
    settingsRead(path.c_str(), &f, nullptr);
    EXPECT_EQ(f.showDialog, 0) << "Play saved the file";
    EXPECT_EQ(f.record.mazeSize, 6) << "Play saved the file";
}

// The W A S D layout in one click says where the displaced switches went; a switch's key is refused
// naming what holds it; Play stores the layout, tap and the pace.
TEST_F(SettingsDialog, TheWasdLayoutMovesTheSwitchesAndSaysWhere) {
    writeFileText(path, defaultText());
    std::string said, keys;
    ASSERT_TRUE(showActing(0, [&](GtkWidget* dialog) {
        gtk_button_clicked(GTK_BUTTON(findNamed(dialog, "wasdLayout")));
        keys = std::string(gtk_label_get_text(GTK_LABEL(findNamed(dialog, "keyMessage"))));
        for (const char* key : {"keyForward", "keyBack", "keyShade", "keyDistanceDetail"})
            keys += "\n" + buttonText(dialog, key);
        keys += "\n" + setKey(dialog, "keyTextures", 'w');
        keys += "\n" + setKey(dialog, "keyTextures", 'z');
        gtk_combo_box_set_active(GTK_COMBO_BOX(findNamed(dialog, "routeKeys")), 1);
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(findNamed(dialog, "gameSpeed")), 60);
        play(dialog);
    }, &said)) << "no dialog came up";
    EXPECT_EQ(keys, "W A S D walk; the arrows walk too. Shading moved to K. Detail by distance moved to J.\n"
                    "W\nS\nK\nJ\n"
                    "Press a key for Textures (Escape cancels). -> T: W is taken by \u201cWalk forward\u201d. "
                    "Textures keeps T.\n"
                    "Press a key for Textures (Escape cancels). -> Z: ");
    EXPECT_EQ(said, "");
    SettingsRecord r;
    EXPECT_EQ(load(&r), "");
    EXPECT_EQ(linesMissing(r, "keyForward = w\nkeyStepLeft = a\nkeyBack = s\nkeyStepRight = d\nkeyShade = k\n"
                              "keyDistanceDetail = j\nkeyTextures = z\nrouteKeys = tap\ngameSpeed = 60"),
              "");
}

// At start the dialog offers the saved run, in the player's language, and translates the mine's word
// only on screen.
TEST_F(SettingsDialog, OffersTheSavedRunAndTranslatesTheMineWordOnlyOnScreen) {
    std::filesystem::create_directories(dir + "/state/kavernix");
    writeFileText(dir + "/state/kavernix/run.ini", "a run");
    // The catalogue lies in the run folder's locale/, found beside the game's data.
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(KX_RUN_DIR), 0);
    unsetenv("KAVERNIX_DATA");
    // The mine field's text and the "Continue saved game" button's label.
    const std::pair<int, const char*> cases[] = {
        {LANG_EN, "daily / Continue _saved game"},
        {LANG_DE, "t\xC3\xA4glich / Gespeichertes Spiel _fortsetzen"}};
    for (const auto& [language, shown] : cases) {
        ASSERT_EQ(langApply(language), language);
        writeFileText(path, withLines(defaultText(), "mine = daily"));
        std::string seen;
        ASSERT_TRUE(showActing(0, [&](GtkWidget* dialog) {
            GtkWidget* button = findNamed(dialog, "continueSaved");
            seen = std::string(
                       gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(findNamed(dialog, "mine")))))) +
                   " / " + (button ? gtk_button_get_label(GTK_BUTTON(button)) : "no button");
            button ? gtk_button_clicked(GTK_BUTTON(button)) : play(dialog);
        })) << "no dialog came up";
        EXPECT_EQ(seen, shown) << language;
        EXPECT_EQ(setupContinueChosen(), 1) << language << ": the saved run is chosen";
        EXPECT_NE(readFileText(path).find("\nmine = daily\n"), std::string::npos)
            << language << ": the file keeps the word the game reads";
    }
    langApply(LANG_EN);
    ASSERT_EQ(chdir(here), 0);
    setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
    setupShow(0);
    EXPECT_EQ(setupContinueChosen(), -1) << "no dialog, no choice";
}

// `running` is the stored choice "clocks run from the start" and also the game's live pause: F1 in
// the game, with or without the dialog, shows and keeps the stored choice and leaves the pause alone.
TEST_F(SettingsDialog, InTheGameKeepsTheClockChoiceApartFromThePause) {
    const std::tuple<int, int, int> cases[] = {{0, 1, 0}, {1, 0, 0}, {0, 1, 1}, {1, 0, 1}, {1, 1, 1}};
    for (const auto& [stored, live, dialog] : cases) {
        std::string at = std::to_string(stored) + std::to_string(live) + std::to_string(dialog);
        writeFileText(path, withLines(defaultText(), "running = " + std::to_string(stored)));
        setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
        load(&gameRecord);
        gameRecord.running = uint8_t(live); // P pressed in the game
        if (dialog) {
            unsetenv("KAVERNIX_SETUP_DIALOG");
            int tick = -1; // Continue pressed without touching anything
            showActing(1, [&](GtkWidget* dialog) {
                if (GtkWidget* box = findNamed(dialog, "running"))
                    tick = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box));
                play(dialog);
            });
            EXPECT_EQ(tick, stored) << at << ": the dialog shows the stored choice";
        } else {
            setupShow(1);
        }
        load(&gameRecord);
        EXPECT_EQ(gameRecord.running, live) << at << ": the game stays paused or running";
        SettingsFile f;
        settingsRead(path.c_str(), &f, nullptr);
        EXPECT_EQ(f.record.running, stored) << at << ": the file keeps the stored choice";
    }
    setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
}

// F1 twice: the second dialog shows and keeps what the first stored for the next start, while the
// running game keeps the maze, the window and the display mode it was started with.
TEST_F(SettingsDialog, ASecondDialogInTheGameKeepsTheChoicesOfTheFirst) {
    // Each field's widget and the value chosen in the first dialog.
    const std::pair<const char*, int> spins[] = {
        {"mazeSize", 30}, {"itemsPerKind", 8}, {"diamondsNeeded", 4}, {"oilSeconds", 90}};
    writeFileText(path, defaultText());
    setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
    load(&gameRecord);
    gameRecord.windowWidth = 800, gameRecord.windowHeight = 600; // the window made smaller by hand
    unsetenv("KAVERNIX_SETUP_DIALOG");
    ASSERT_TRUE(showActing(1, [&](GtkWidget* dialog) {
        for (const auto& [name, value] : spins)
            gtk_spin_button_set_value(GTK_SPIN_BUTTON(findNamed(dialog, name)), value);
        gtk_combo_box_set_active_id(GTK_COMBO_BOX(findNamed(dialog, "windowSize")), "1280x720");
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(findNamed(dialog, "fullScreen")), TRUE);
        play(dialog);
    }));
    load(&gameRecord);
    EXPECT_EQ(std::make_tuple(gameRecord.mazeSize, gameRecord.itemsPerKind, gameRecord.diamondsNeeded,
                              gameRecord.oilSeconds, gameRecord.windowWidth, gameRecord.fullScreen),
              std::make_tuple(16, 5, 3, 60, 800, 0))
        << "the running game keeps its own";
    std::string shown;
    ASSERT_TRUE(showActing(1, [&](GtkWidget* dialog) { // nothing touched
        for (const auto& [name, value] : spins)
            shown += std::to_string(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(findNamed(dialog, name)))) +
                     " ";
        shown += gtk_combo_box_get_active_id(GTK_COMBO_BOX(findNamed(dialog, "windowSize")));
        play(dialog);
    }));
    EXPECT_EQ(shown, "30 8 4 90 1280x720");
    load(&gameRecord);
    setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
    SettingsRecord r;
    EXPECT_EQ(load(&r), "");
    EXPECT_EQ(linesMissing(r, "mazeSize = 30\nitemsPerKind = 8\ndiamondsNeeded = 4\noilSeconds = 90\n"
                              "windowWidth = 1280\nwindowHeight = 720\nfullScreen = 1"),
              "");
}

// The Hall of fame page shows each time as the end screen does: rounded to the hundredth.
TEST_F(SettingsDialog, TheHallOfFameShowsTimesAsTheEndScreen) {
    const std::pair<const char*, const char*> times[] = {{"0.014999", "0:00:00:01"},
                                                         {"59.996", "0:01:00:00"},
                                                         {"82.82", "0:01:22:82"},
                                                         {"3599.999", "1:00:00:00"},
                                                         {"3725.5", "1:02:05:50"}};
    std::string lines, expected;
    for (int i = 0; i < 5; i++) {
        lines += "hallName" + std::to_string(i + 1) + " = P\nhallTime" + std::to_string(i + 1) + " = " +
                 times[i].first + "\n";
        expected += std::string(times[i].second) + " ";
    }
    writeFileText(path, withLines(defaultText(), lines));
    std::string shown;
    ASSERT_TRUE(showActing(0, [&](GtkWidget* dialog) {
        for (int i = 1; i <= 5; i++) {
            const std::string key = "hallTime" + std::to_string(i);
            shown += std::string(gtk_label_get_text(GTK_LABEL(findNamed(dialog, key.c_str())))) + " ";
        }
        play(dialog);
    }));
    EXPECT_EQ(shown, expected);
}

// The README's controls table lists the game's keys as the game's own table has them.
TEST(Keys, ReadmeControlsTableIsTheGamesKeyTable) {
    char* rows = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&rows, &size);
    keyControlsRows(out);
    fclose(out);
    std::string readme = readFileText(KX_SOURCE_DIR "/README.md");
    EXPECT_NE(readme.find(std::string("|\n") + rows + "| left mouse button |"), std::string::npos)
        << "regenerate the rows with kavernix-tool keys:\n"
        << rows;
    free(rows);
}
