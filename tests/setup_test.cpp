// The settings library: its file, its checks, its atomic writes and its dialog.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include "setup/setup.h"
#include "setup/settings_file.h"
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <set>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

static std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

static void writeAll(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

static int lineCount(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

// Sets "key = value" in a file text (the line must exist).
static std::string withValue(std::string text, const std::string& key, const std::string& value) {
    size_t at = text.find("\n" + key + " = ");
    EXPECT_NE(at, std::string::npos) << key;
    size_t end = text.find('\n', at + 1);
    return text.substr(0, at + 1) + key + " = " + value + text.substr(end);
}

static std::vector<std::string> folderEntries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

// The game's record is static and lives for the whole process; the library keeps its address.
static SettingsRecord gameRecord;

// Every test gets its own folder and settings path, and never a dialog unless it asks for one.
class Settings : public testing::Test {
  protected:
    std::string dir, path;
    void SetUp() override {
        char tmpl[] = "/tmp/kx_setup_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        path = dir + "/settings.ini";
        setenv("KAVERNIX_SETTINGS", path.c_str(), 1);
        setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
        setenv("NO_AT_BRIDGE", "1", 1); // no accessibility bus chatter from the toolkit
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + dir + "'";
        EXPECT_EQ(system(cmd.c_str()), 0);
        unsetenv("KAVERNIX_SETTINGS");
        unsetenv("KAVERNIX_SETUP_DIALOG");
    }
    std::string defaultText() {
        SettingsFile f;
        settingsDefaults(&f);
        return settingsFormat(&f);
    }
    // Loads the file as the game does and returns what was said on standard error.
    std::string load(SettingsRecord* r) {
        CaptureStderr();
        setupLoad(r);
        return GetCapturedStderr();
    }
};

// ---- First run.

TEST_F(Settings, MissingFileGivesFirstRunDefaultsSilently) {
    SettingsRecord r;
    memset(&r, 0, sizeof r);
    EXPECT_EQ(load(&r), "");
    EXPECT_STREQ(r.gameModeString, "");
    EXPECT_EQ(r.windowWidth, 1024);
    EXPECT_EQ(r.windowHeight, 768);
    EXPECT_EQ(r.windowedWidth, 1024);
    EXPECT_EQ(r.windowedHeight, 768);
    EXPECT_EQ(r.fullScreen, 0);
    EXPECT_EQ(r.shadeMode, 2);
    EXPECT_EQ(r.textureMode, 2);
    EXPECT_EQ(r.fieldOfView, 60);
    EXPECT_EQ(r.running, 1);
    EXPECT_EQ(r.mouseSpeed, 5);
    EXPECT_EQ(r.mazeSize, 16);
    EXPECT_EQ(r.itemsPerKind, 5);
    EXPECT_EQ(r.fullLevel, 4);
    EXPECT_EQ(r.diamondsNeeded, 3);
    EXPECT_EQ(r.strawDistance, 20);
    EXPECT_EQ(r.oilSeconds, 60);
    EXPECT_EQ(r.skipStory, 0);
    EXPECT_EQ(r.gothicFont, 0);
    EXPECT_EQ(r.pictureCache, 0);
    EXPECT_EQ(r.modelSource, 0);
    EXPECT_EQ(r.splitQuads, 0);
    EXPECT_EQ(r.useDisplayLists, 1);
    EXPECT_EQ(r.lodLevel, 2);
    EXPECT_EQ(r.distanceLod, 1);
    for (int i = 0; i < 5; i++) {
        EXPECT_STREQ(r.hallNames[i], "");
        EXPECT_EQ(r.hallTimes[i], 30000.0f);
    }
    EXPECT_TRUE(folderEntries(dir).empty()) << "loading never writes";
    SettingsFile f;
    EXPECT_EQ(settingsRead(path.c_str(), &f, stderr), 0);
    EXPECT_EQ(f.showDialog, 1);
}

TEST_F(Settings, LoadLeavesTheProgramsOwnFieldsAlone) {
    SettingsRecord r;
    memset(&r, 0x5A, sizeof r);
    load(&r);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&r);
    auto untouched = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; i++) EXPECT_EQ(bytes[i], 0x5A) << "byte " << i;
    };
    untouched(0x41, 0x74); // padding after running and the clocks
    untouched(0x78, 0x7C); // riderState
    untouched(0x8C, 0xB0); // messageText and messageTime
    EXPECT_EQ(r.mazeSize, 16);
}

// ---- Round trip.

static SettingsFile unusualValues() {
    SettingsFile f;
    settingsDefaults(&f);
    SettingsRecord& r = f.record;
    snprintf(r.gameModeString, sizeof r.gameModeString, "1280x1024:32@75");
    r.windowWidth = 1280, r.windowHeight = 720, r.windowedWidth = 800, r.windowedHeight = 600;
    r.fullScreen = 1, r.shadeMode = 0, r.textureMode = 1, r.fieldOfView = 91, r.running = 0,
    r.mouseSpeed = 12;
    r.mazeSize = 30, r.itemsPerKind = 9, r.fullLevel = 7, r.diamondsNeeded = 8, r.skipStory = 1;
    r.gothicFont = 1, r.pictureCache = 1, r.modelSource = 2, r.splitQuads = 1, r.useDisplayLists = 0;
    r.strawDistance = 333, r.oilSeconds = 1234, r.lodLevel = 3, r.distanceLod = 0;
    snprintf(r.hallNames[0], 32, "Tarvin");
    snprintf(r.hallNames[1], 32, "  spaced out  ");
    snprintf(r.hallNames[2], 32, "back\\slash = #1");
    r.hallTimes[0] = 0.1f, r.hallTimes[1] = 61.37f, r.hallTimes[2] = 3725.5f;
    r.hallTimes[3] = 29999.99f;
    f.showDialog = 0;
    return f;
}

TEST_F(Settings, EveryFieldSurvivesWriteAndRead) {
    SettingsFile written = unusualValues();
    ASSERT_EQ(settingsStore(path.c_str(), &written, SETTINGS_ALL, stderr), 1);
    SettingsFile read;
    CaptureStderr();
    EXPECT_EQ(settingsRead(path.c_str(), &read, stderr), 1);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(memcmp(&written, &read, sizeof read), 0);

    SettingsRecord r;
    memset(&r, 0, sizeof r);
    EXPECT_EQ(load(&r), "");
    EXPECT_EQ(memcmp(&r, &written.record, sizeof r), 0) << "every library field reaches the game";
}

TEST_F(Settings, FileIsPlainTextOneKeyALine) {
    SettingsFile f = unusualValues();
    snprintf(f.record.hallNames[4], 32, "\x01\xE4\xF6\xFC\xDF\x7F");
    f.record.hallTimes[4] = 29999.999f;
    ASSERT_EQ(settingsStore(path.c_str(), &f, SETTINGS_ALL, stderr), 1);
    std::string text = readAll(path);
    for (unsigned char c : text) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << int(c);
    EXPECT_NE(text.find("\nmazeSize = 30\n"), std::string::npos);
    EXPECT_NE(text.find("\nhallName5 = \\x01\\xE4\\xF6\\xFC\\xDF\\x7F\n"), std::string::npos);
    EXPECT_NE(text.find("\nhallName2 = \\x20 spaced out \\x20\n"), std::string::npos);
    EXPECT_NE(text.find("\nhallName3 = back\\\\slash = #1\n"), std::string::npos);
    EXPECT_NE(text.find("\nshowDialog = 0\n"), std::string::npos);
}

TEST_F(Settings, EveryLatin1ByteRoundTripsInNames) {
    // Bytes 1..255 spread over names of 31 bytes: the longest a name can be.
    SettingsRecord r;
    memset(&r, 0, sizeof r);
    for (int start = 1; start <= 255; start += 5 * 31) {
        for (int i = 0; i < 5; i++) {
            memset(r.hallNames[i], 0, 32);
            for (int j = 0; j < 31; j++) {
                int b = start + i * 31 + j;
                r.hallNames[i][j] = (char)(b <= 255 ? b : 'a' + j % 26);
            }
            r.hallTimes[i] = 10.0f * (i + 1);
        }
        setupStoreScores(&r);
        SettingsRecord back;
        memset(&back, 0, sizeof back);
        EXPECT_EQ(load(&back), "");
        for (int i = 0; i < 5; i++)
            EXPECT_EQ(memcmp(back.hallNames[i], r.hallNames[i], 32), 0) << start << " " << i;
    }
}

// ---- Bad values: each replaced by the nearest valid value, with one line naming key, value and the value
// used.

struct BadValue {
    const char* key;
    const char* bad;
    int SettingsRecord::*field;
    int expected;
    const char* says; // words the line must hold besides the key and the bad value
};

TEST_F(Settings, EachBadNumberBecomesTheNearestValidValueWithOneLine) {
    const BadValue cases[] = {
        {"mazeSize", "abc", &SettingsRecord::mazeSize, 16, "using 16"},
        {"mazeSize", "17", &SettingsRecord::mazeSize, 16, "odd; using 16"},
        {"mazeSize", "67", &SettingsRecord::mazeSize, 66, "using 66"},
        {"mazeSize", "3", &SettingsRecord::mazeSize, 4, "using 4"},
        {"mazeSize", "2", &SettingsRecord::mazeSize, 4, "using 4"},
        {"mazeSize", "1000", &SettingsRecord::mazeSize, 66, "using 66"},
        {"mazeSize", "-7", &SettingsRecord::mazeSize, 4, "using 4"},
        {"mazeSize", "99999999999999999999999", &SettingsRecord::mazeSize, 66, "using 66"},
        {"mazeSize", "", &SettingsRecord::mazeSize, 16, "using 16"},
        {"mazeSize", "16 cells", &SettingsRecord::mazeSize, 16, "using 16"},
        {"mazeSize", "0x10", &SettingsRecord::mazeSize, 16, "using 16"},
        {"itemsPerKind", "10", &SettingsRecord::itemsPerKind, 9, "using 9"},
        {"fullLevel", "0", &SettingsRecord::fullLevel, 1, "using 1"},
        {"fullLevel", "-4", &SettingsRecord::fullLevel, 1, "using 1"},
        {"strawDistance", "0", &SettingsRecord::strawDistance, 1, "using 1"},
        {"strawDistance", "-20", &SettingsRecord::strawDistance, 1, "using 1"},
        {"oilSeconds", "0", &SettingsRecord::oilSeconds, 1, "using 1"},
        {"oilSeconds", "sixty", &SettingsRecord::oilSeconds, 60, "using 60"},
        {"diamondsNeeded", "-1", &SettingsRecord::diamondsNeeded, 0, "using 0"},
        {"fieldOfView", "0", &SettingsRecord::fieldOfView, 1, "using 1"},
        {"fieldOfView", "400", &SettingsRecord::fieldOfView, 179, "using 179"},
        {"fieldOfView", "60.5", &SettingsRecord::fieldOfView, 60, "using 60"},
        {"shadeMode", "3", &SettingsRecord::shadeMode, 2, "using 2"},
        {"textureMode", "-1", &SettingsRecord::textureMode, 0, "using 0"},
        {"modelSource", "7", &SettingsRecord::modelSource, 2, "using 2"},
        {"lodLevel", "4", &SettingsRecord::lodLevel, 3, "using 3"},
        {"windowWidth", "0", &SettingsRecord::windowWidth, 64, "using 64"},
        {"windowedHeight", "100000", &SettingsRecord::windowedHeight, 16384, "using 16384"},
        {"mouseSpeed", "0", &SettingsRecord::mouseSpeed, 1, "using 1"},
        {"skipStory", "2", &SettingsRecord::skipStory, 1, "using 1"},
    };
    // No items, so that a smaller maze does not also shrink them (that rule has its own test).
    std::string base = withValue(withValue(defaultText(), "itemsPerKind", "0"), "diamondsNeeded", "0");
    for (const BadValue& c : cases) {
        writeAll(path, withValue(base, c.key, c.bad));
        SettingsRecord r;
        memset(&r, 0, sizeof r);
        std::string said = load(&r);
        EXPECT_EQ(r.*c.field, c.expected) << c.key << " = " << c.bad;
        EXPECT_EQ(lineCount(said), 1) << said;
        EXPECT_NE(said.find(std::string(c.key) + " = " + c.bad), std::string::npos) << said;
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_NE(said.find(path), std::string::npos) << "the line names the file: " << said;
    }
}

TEST_F(Settings, RunningSwitchIsCheckedLikeTheOthers) {
    writeAll(path, withValue(defaultText(), "running", "5"));
    SettingsRecord r;
    std::string said = load(&r);
    EXPECT_EQ(r.running, 1);
    EXPECT_EQ(lineCount(said), 1);
}

TEST_F(Settings, ItemsMustFitTheMazeAndDiamondsTheItems) {
    EXPECT_EQ(settingsItemLimit(4), 0);
    EXPECT_EQ(settingsItemLimit(6), 2);
    EXPECT_EQ(settingsItemLimit(8), 3);
    EXPECT_EQ(settingsItemLimit(12), 8);
    EXPECT_EQ(settingsItemLimit(14), 9);
    EXPECT_EQ(settingsItemLimit(66), 9);

    std::string text = withValue(withValue(defaultText(), "mazeSize", "6"), "itemsPerKind", "9");
    writeAll(path, text);
    SettingsRecord r;
    std::string said = load(&r);
    EXPECT_EQ(r.mazeSize, 6);
    EXPECT_EQ(r.itemsPerKind, 2);
    EXPECT_EQ(r.diamondsNeeded, 2) << "three diamonds cannot be found among two";
    EXPECT_EQ(lineCount(said), 2) << said;
    EXPECT_NE(said.find("itemsPerKind = 9"), std::string::npos) << said;
    EXPECT_NE(said.find("diamondsNeeded = 3"), std::string::npos) << said;

    writeAll(path, withValue(defaultText(), "diamondsNeeded", "9"));
    said = load(&r);
    EXPECT_EQ(r.diamondsNeeded, 5);
    EXPECT_EQ(lineCount(said), 1) << said;
}

TEST_F(Settings, BadHallOfFameEntriesAreRepairedWithOneLineEach) {
    std::string longName(40, 'x');
    struct {
        const char* key;
        std::string bad;
        int place;
        const char* name;
        float time;
    } cases[] = {
        {"hallTime1", "nan", 0, "", 30000.0f},
        {"hallTime1", "-5", 0, "", 30000.0f},
        {"hallTime1", "fast", 0, "", 30000.0f},
        {"hallName2", longName, 1, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 30000.0f},
        {"hallName3", "ab\\q", 2, "ab\\q", 30000.0f},
        {"hallName3", "a\\x00b", 2, "a\\x00b", 30000.0f},
    };
    for (const auto& c : cases) {
        writeAll(path, withValue(defaultText(), c.key, c.bad));
        SettingsRecord r;
        std::string said = load(&r);
        EXPECT_STREQ(r.hallNames[c.place], c.name) << c.key << " = " << c.bad;
        EXPECT_EQ(r.hallTimes[c.place], c.time) << c.key << " = " << c.bad;
        EXPECT_EQ(lineCount(said), 1) << said;
        EXPECT_NE(said.find(c.key), std::string::npos) << said;
    }
    // Infinity and times past 30000 are empty places already: nothing to say.
    writeAll(path, withValue(withValue(defaultText(), "hallTime4", "inf"), "hallTime5", "1e9"));
    SettingsRecord r;
    EXPECT_EQ(load(&r), "");
    EXPECT_EQ(r.hallTimes[3], 30000.0f);
    EXPECT_EQ(r.hallTimes[4], 30000.0f);
}

TEST_F(Settings, HallOfFameOutOfOrderIsSortedBestFirst) {
    std::string text = defaultText();
    text = withValue(withValue(text, "hallName1", "slow"), "hallTime1", "90");
    text = withValue(withValue(text, "hallName2", "fast"), "hallTime2", "30");
    writeAll(path, text);
    SettingsRecord r;
    std::string said = load(&r);
    EXPECT_STREQ(r.hallNames[0], "fast");
    EXPECT_EQ(r.hallTimes[0], 30.0f);
    EXPECT_STREQ(r.hallNames[1], "slow");
    EXPECT_EQ(r.hallTimes[1], 90.0f);
    EXPECT_EQ(lineCount(said), 1) << said;
}

TEST_F(Settings, GameModeStringMustBeOneTheToolkitReads) {
    for (const char* good : {"1024x768:32", "800x600", ":16", "@60", "1920x1080:32@144"}) {
        writeAll(path, withValue(defaultText(), "gameModeString", good));
        SettingsRecord r;
        EXPECT_EQ(load(&r), "") << good;
        EXPECT_STREQ(r.gameModeString, good);
    }
    for (const char* bad :
         {"big", "1024x", "1024*768", "x768", "1024x768:", "1024x768:32@", "123456x1", "\\x41"}) {
        writeAll(path, withValue(defaultText(), "gameModeString", bad));
        SettingsRecord r;
        std::string said = load(&r);
        EXPECT_STREQ(r.gameModeString, "") << bad;
        EXPECT_EQ(lineCount(said), 1) << said;
    }
}

TEST_F(Settings, UnknownKeysJunkLinesAndRepeatsAreIgnoredWithOneLineEach) {
    std::string text =
        defaultText() + "colour = blue\nthis line has no equals sign\nmazeSize = 20\n\n# a note\n";
    writeAll(path, text);
    SettingsRecord r;
    std::string said = load(&r);
    EXPECT_EQ(lineCount(said), 3) << said;
    EXPECT_NE(said.find("colour"), std::string::npos);
    EXPECT_NE(said.find("no equals"), std::string::npos);
    EXPECT_NE(said.find("mazeSize given again"), std::string::npos);
    EXPECT_EQ(r.mazeSize, 20) << "the later value wins";
}

TEST_F(Settings, AFileOfJunkSaysTwentyLinesAndHowManyMore) {
    std::string junk = defaultText();
    for (int i = 0; i < 100; i++) junk += "junk" + std::to_string(i) + " = 1\n";
    writeAll(path, junk);
    SettingsRecord r;
    std::string said = load(&r);
    EXPECT_EQ(lineCount(said), 21) << said;
    EXPECT_NE(said.find("80 more problems not shown"), std::string::npos) << said;
    EXPECT_EQ(r.mazeSize, 16);
}

TEST_F(Settings, TruncatedFileKeepsWhatItHasAndNamesTheRest) {
    SettingsFile f = unusualValues();
    std::string full = settingsFormat(&f);
    size_t cut = full.find("\noilSeconds = 1234\n") + strlen("\noilSeconds = 12"); // cut mid-number
    writeAll(path, full.substr(0, cut));
    SettingsRecord r;
    std::string said = load(&r);
    EXPECT_EQ(r.mouseSpeed, 12) << "keys before the cut are read";
    EXPECT_EQ(r.mazeSize, 30);
    EXPECT_EQ(r.oilSeconds, 12) << "the last line is read without its line end";
    EXPECT_EQ(r.skipStory, 0) << "keys after the cut get their defaults";
    EXPECT_EQ(r.hallTimes[0], 30000.0f);
    EXPECT_EQ(lineCount(said), 1) << said;
    EXPECT_NE(said.find("cut short"), std::string::npos) << said;

    writeAll(path, "");
    said = load(&r);
    EXPECT_EQ(lineCount(said), 1) << "an empty file is one line, not thirty-six: " << said;
    EXPECT_EQ(r.mazeSize, 16);
}

TEST_F(Settings, CrLfAndSpacesAroundKeysAreRead) {
    writeAll(path, "  mazeSize\t=   24  \r\n\tfieldOfView=70\r\n");
    SettingsFile f;
    settingsRead(path.c_str(), &f, nullptr);
    EXPECT_EQ(f.record.mazeSize, 24);
    EXPECT_EQ(f.record.fieldOfView, 70);
}

TEST_F(Settings, CheckOfDialogValuesUsesTheSameRules) {
    SettingsFile f;
    settingsDefaults(&f);
    f.record.mazeSize = 9;
    f.record.itemsPerKind = 3;
    f.record.hallTimes[2] = NAN;
    snprintf(f.record.gameModeString, 32, "huge");
    CaptureStderr();
    int problems = settingsCheck(&f, "dialog", stderr);
    std::string said = GetCapturedStderr();
    EXPECT_EQ(problems, 3) << said;
    EXPECT_EQ(f.record.mazeSize, 8);
    EXPECT_EQ(f.record.hallTimes[2], 30000.0f);
    EXPECT_STREQ(f.record.gameModeString, "");
}

// ---- Stores keep the rest of the file.

TEST_F(Settings, StoreScoresChangesOnlyTheHallOfFame) {
    std::string before = "# my own notes\n" + withValue(defaultText(), "mazeSize", "99") + "colour = blue\n";
    writeAll(path, before);
    SettingsRecord r;
    load(&r);
    snprintf(r.hallNames[0], 32, "J\xF6rg");
    r.hallTimes[0] = 123.25f;
    r.hallTimes[1] = 200.5f;
    setupStoreScores(&r);
    std::string after = readAll(path);
    std::string expected = withValue(
        withValue(withValue(before, "hallName1", "J\\xF6rg"), "hallTime1", "123.25"), "hallTime2", "200.5");
    EXPECT_EQ(after, expected) << "comments, unknown keys and even a bad value stay as written";
}

TEST_F(Settings, StoreViewChangesOnlyTheFieldOfView) {
    std::string before = withValue(defaultText(), "shadeMode", "0");
    writeAll(path, before);
    SettingsRecord r;
    load(&r);
    r.fieldOfView = 61;
    r.shadeMode = 1; // changed by a key: not the view's business
    r.mazeSize = 40;
    setupStoreView(&r);
    EXPECT_EQ(readAll(path), withValue(before, "fieldOfView", "61"));
    r.fieldOfView = 500; // F10 has no limit; the file keeps an angle the next start can use
    setupStoreView(&r);
    SettingsRecord back;
    EXPECT_EQ(load(&back), "");
    EXPECT_EQ(back.fieldOfView, 179);
}

TEST_F(Settings, HeldViewKeysWriteAtMostOnceASecondAndKeepTheLastAngle) {
    writeAll(path, defaultText());
    SettingsRecord r;
    load(&r);
    for (int angle = 61; angle <= 160; angle++) {
        r.fieldOfView = angle;
        setupStoreView(&r);
    }
    EXPECT_EQ(readAll(path), withValue(defaultText(), "fieldOfView", "61"))
        << "one synced write, not a hundred";
    SettingsRecord back;
    EXPECT_EQ(load(&back), "");
    EXPECT_EQ(back.fieldOfView, 160) << "reading the file first writes the waiting angle";
    EXPECT_EQ(readAll(path), withValue(defaultText(), "fieldOfView", "160"));

    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        r.fieldOfView = 70;
        setupStoreView(&r);
        r.fieldOfView = 71;
        setupStoreView(&r);
        exit(0); // as the Escape key ends the game
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(readAll(path), withValue(defaultText(), "fieldOfView", "71"))
        << "the last angle is written at exit";
}

TEST_F(Settings, WaitingAngleIsDroppedWhenTheFileWasRemoved) {
    SettingsRecord r;
    load(&r);
    r.fieldOfView = 50;
    setupStoreView(&r); // written at once: the first for this file
    r.fieldOfView = 51;
    setupStoreView(&r); // waits
    unlink(path.c_str());
    rmdir(dir.c_str());
    EXPECT_EQ(load(&r), "");
    EXPECT_EQ(r.fieldOfView, 60);
    struct stat st;
    EXPECT_NE(stat(dir.c_str(), &st), 0) << "the removed folder is not made again";
    mkdir(dir.c_str(), 0700);
}

TEST_F(Settings, StoreWithoutAFileWritesACompleteOne) {
    SettingsRecord r;
    load(&r);
    r.fieldOfView = 75;
    setupStoreView(&r);
    SettingsFile f;
    CaptureStderr();
    EXPECT_EQ(settingsRead(path.c_str(), &f, stderr), 1);
    EXPECT_EQ(GetCapturedStderr(), "") << "no key is missing";
    EXPECT_EQ(f.record.fieldOfView, 75);
    EXPECT_EQ(f.record.mazeSize, 16);
}

// ---- Where the file lives.

TEST_F(Settings, PathFollowsTheEnvironment) {
    EXPECT_EQ(settingsPath(), path);
    unsetenv("KAVERNIX_SETTINGS");
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    EXPECT_EQ(settingsPath(), dir + "/config/kavernix/settings.ini");
    setenv("XDG_CONFIG_HOME", "relative/not/allowed", 1);
    const char* home = getenv("HOME");
    std::string savedHome = home ? home : "";
    setenv("HOME", dir.c_str(), 1);
    EXPECT_EQ(settingsPath(), dir + "/.config/kavernix/settings.ini");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(settingsPath(), dir + "/.config/kavernix/settings.ini");

    // Writing creates the folders.
    SettingsRecord r;
    load(&r);
    setupStoreView(&r);
    struct stat st;
    EXPECT_EQ(stat((dir + "/.config/kavernix/settings.ini").c_str(), &st), 0);
    if (home) setenv("HOME", savedHome.c_str(), 1);
}

// ---- Atomic writes.

TEST_F(Settings, StaleTemporaryFileFromACrashChangesNothing) {
    SettingsFile f = unusualValues();
    ASSERT_EQ(settingsStore(path.c_str(), &f, SETTINGS_ALL, stderr), 1);
    std::string old = readAll(path);
    writeAll(dir + "/.settings.ini.Ab12Cd",
             "mazeSize = 4\nhallName1 = half-writ"); // a crash before the rename
    SettingsRecord r;
    EXPECT_EQ(load(&r), "");
    EXPECT_EQ(r.mazeSize, 30) << "the old file is read whole";
    r.fieldOfView = 33;
    setupStoreView(&r);
    EXPECT_EQ(readAll(path), withValue(old, "fieldOfView", "33"));
    EXPECT_EQ(folderEntries(dir).size(), 2u) << "the write leaves no temporary of its own";
}

TEST_F(Settings, WriteFailingHalfwayLeavesTheOldFileWhole) {
    SettingsFile f = unusualValues();
    ASSERT_EQ(settingsStore(path.c_str(), &f, SETTINGS_ALL, stderr), 1);
    std::string old = readAll(path);
    ASSERT_GT(old.size(), 1000u);
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The disk fills up 100 bytes into the new file.
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        SettingsFile g = f;
        g.record.mazeSize = 4;
        g.record.itemsPerKind = 0;
        g.record.diamondsNeeded = 0;
        _exit(settingsStore(path.c_str(), &g, SETTINGS_ALL, nullptr) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failure is reported";
    EXPECT_EQ(readAll(path), old);
    EXPECT_EQ(folderEntries(dir), std::vector<std::string>{"settings.ini"})
        << "the half-written temporary is gone";
}

TEST_F(Settings, FolderThatCannotBeMadeIsReportedAndNothingIsWritten) {
    writeAll(dir + "/plain", "a file, not a folder\n");
    std::string inside = dir + "/plain/settings.ini";
    setenv("KAVERNIX_SETTINGS", inside.c_str(), 1);
    SettingsRecord r;
    load(&r);
    CaptureStderr();
    setupStoreScores(&r);
    std::string said = GetCapturedStderr();
    EXPECT_EQ(lineCount(said), 1) << said;
    EXPECT_EQ(readAll(dir + "/plain"), "a file, not a folder\n");
}

TEST_F(Settings, UnreadableFileIsNeverOverwritten) {
    mkdir(path.c_str(), 0700); // the settings path is a folder: it cannot be read as a file
    SettingsRecord r;
    std::string said = load(&r);
    EXPECT_EQ(lineCount(said), 1) << said;
    EXPECT_EQ(r.mazeSize, 16);
    CaptureStderr();
    setupStoreScores(&r);
    said = GetCapturedStderr();
    EXPECT_EQ(lineCount(said), 1) << said;
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(Settings, LinkedSettingsFileStaysALink) {
    std::string real = dir + "/real.ini";
    writeAll(real, defaultText());
    ASSERT_EQ(symlink(real.c_str(), path.c_str()), 0);
    SettingsRecord r;
    load(&r);
    r.fieldOfView = 44;
    setupStoreView(&r);
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readAll(real), withValue(defaultText(), "fieldOfView", "44"));
}

// ---- The dialog's switches.

TEST_F(Settings, DialogSwitchedOffNeverBlocks) {
    // With KAVERNIX_SETUP_DIALOG=0 (set for every test) both calls return at once, display or not.
    setupShow(0);
    SettingsRecord& r = gameRecord;
    load(&r);
    r.shadeMode = 0;    // a key changed it in the game
    r.windowWidth = 30; // the player shrank the window below any size the file may hold
    r.itemsPerKind = 2; // as if the maze had been built with two items of each kind
    writeAll(path, withValue(defaultText(), "mazeSize", "40"));
    setupShow(1);
    std::string said = load(&r);
    EXPECT_EQ(r.shadeMode, 2) << "no dialog in the game: the file is read again";
    EXPECT_EQ(r.mazeSize, 16) << "but the running game keeps the size of its maze";
    EXPECT_EQ(r.windowWidth, 30) << "and the size of its window";
    EXPECT_EQ(r.itemsPerKind, 2);
    EXPECT_EQ(r.diamondsNeeded, 2) << "the exit needs no more diamonds than this maze has";
    EXPECT_EQ(lineCount(said), 1) << said;
    setupLoad(&r);
    EXPECT_EQ(r.mazeSize, 40) << "a load without a dialog before it reads the file";
}

TEST_F(Settings, NoDisplayOrStoredSwitchSkipsTheDialog) {
    unsetenv("KAVERNIX_SETUP_DIALOG");
    const char* display = getenv("DISPLAY");
    std::string saved = display ? display : "";
    writeAll(path, withValue(defaultText(), "showDialog", "0"));
    setupShow(0); // the stored switch says no: returns at once even with a display
    load(&gameRecord);
    writeAll(path, withValue(defaultText(), "mazeSize", "20"));
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setupShow(0);
    EXPECT_EQ(load(&gameRecord), "");
    EXPECT_EQ(gameRecord.mazeSize, 20);
    setupShow(1);
    writeAll(path, defaultText());
    EXPECT_EQ(load(&gameRecord), "");
    EXPECT_EQ(gameRecord.mazeSize, 20) << "no dialog in the game: the built maze stays";
    if (display) setenv("DISPLAY", saved.c_str(), 1);
}

// ---- The dialog itself, under Xvfb.

// Finds a widget by name among all children, internal ones included.
static GtkWidget* findNamed(GtkWidget* w, const char* name) {
    if (strcmp(gtk_widget_get_name(w), name) == 0) return w;
    if (!GTK_IS_CONTAINER(w)) return nullptr;
    GList* children = nullptr;
    gtk_container_forall(
        GTK_CONTAINER(w),
        [](GtkWidget* c, gpointer list) { *(GList**)list = g_list_append(*(GList**)list, c); }, &children);
    GtkWidget* found = nullptr;
    for (GList* l = children; l && !found; l = l->next) found = findNamed(GTK_WIDGET(l->data), name);
    g_list_free(children);
    return found;
}

static GtkWidget* openDialog() {
    GList* tops = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* l = tops; l && !found; l = l->next)
        if (strcmp(gtk_widget_get_name(GTK_WIDGET(l->data)), "kavernixSettings") == 0 &&
            gtk_widget_get_visible(GTK_WIDGET(l->data)))
            found = GTK_WIDGET(l->data);
    g_list_free(tops);
    return found;
}

// What a scripted player does in the dialog: runs once the dialog is up, then answers it.
struct DialogScript {
    void (*act)(GtkWidget* dialog, DialogScript* self);
    int response;
    std::set<std::string> missing;
    std::string hallName1, hallTime1;
    bool enterPlays = false;
    int ran = 0;
};

static gboolean playScript(gpointer data) {
    DialogScript* s = (DialogScript*)data;
    GtkWidget* dialog = openDialog();
    if (!dialog) return G_SOURCE_CONTINUE;
    s->ran = 1;
    if (s->act) s->act(dialog, s);
    gtk_dialog_response(GTK_DIALOG(dialog), s->response);
    return G_SOURCE_REMOVE;
}

static bool haveDisplay() {
    return getenv("DISPLAY") && *getenv("DISPLAY");
}

static void setSpin(GtkWidget* dialog, const char* key, int value) {
    GtkWidget* w = findNamed(dialog, key);
    ASSERT_TRUE(w && GTK_IS_SPIN_BUTTON(w)) << key;
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(w), value);
}

TEST_F(Settings, DialogShowsEverySettingAndPlaySavesTheChoices) {
    if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
    unsetenv("KAVERNIX_SETUP_DIALOG");
    std::string text =
        withValue(withValue(defaultText(), "hallName1", "J\\xF6rg\\x01"), "hallTime1", "3725.5");
    writeAll(path, text);
    DialogScript script;
    script.response = GTK_RESPONSE_OK;
    script.act = [](GtkWidget* dialog, DialogScript* s) {
        const char* names[] = {
            "modeWindow",      "fullScreen",  "modeGame",       "gameModeString", "windowSize",
            "shadeMode",       "textureMode", "fieldOfView",    "mouseSpeed",     "mazeSize",
            "itemsPerKind",    "fullLevel",   "diamondsNeeded", "strawDistance",  "oilSeconds",
            "skipStory",       "gothicFont",  "pictureCache",   "modelSource",    "splitQuads",
            "useDisplayLists", "lodLevel",    "distanceLod",    "running",        "showDialog",
            "hallName1",       "hallTime1",   "hallName5",      "hallTime5"};
        for (const char* n : names)
            if (!findNamed(dialog, n)) s->missing.insert(n);
        s->enterPlays = gtk_window_get_focus(GTK_WINDOW(dialog)) ==
                        gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
        if (GtkWidget* l = findNamed(dialog, "hallName1")) s->hallName1 = gtk_label_get_text(GTK_LABEL(l));
        if (GtkWidget* l = findNamed(dialog, "hallTime1")) s->hallTime1 = gtk_label_get_text(GTK_LABEL(l));
        setSpin(dialog, "mazeSize", 6); // narrows the items to 2 and the diamonds with them
        setSpin(dialog, "fieldOfView", 80);
        if (GtkWidget* w = findNamed(dialog, "fullScreen"))
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), TRUE);
        if (GtkWidget* w = findNamed(dialog, "windowSize"))
            gtk_combo_box_set_active_id(GTK_COMBO_BOX(w), "1280x720");
        if (GtkWidget* w = findNamed(dialog, "shadeMode")) gtk_combo_box_set_active(GTK_COMBO_BOX(w), 1);
        if (GtkWidget* w = findNamed(dialog, "showDialog"))
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), FALSE);
    };
    guint source = g_timeout_add(50, playScript, &script);
    CaptureStderr();
    setupShow(0);
    std::string said = GetCapturedStderr();
    if (!script.ran) g_source_remove(source);
    ASSERT_TRUE(script.ran) << "no dialog came up";
    EXPECT_TRUE(script.missing.empty()) << "missing: " << *script.missing.begin();
    EXPECT_EQ(script.hallName1, "J\xC3\xB6rg\xEF\xBF\xBD") << "Latin-1 shown as UTF-8";
    EXPECT_EQ(script.hallTime1, "1:02:05:50");
    EXPECT_TRUE(script.enterPlays) << "the Play button has the keyboard";
    EXPECT_EQ(said.find(path), std::string::npos) << "the file was good: " << said;
    EXPECT_EQ(said.find("settings dialog"), std::string::npos)
        << "the dialog offers only valid values: " << said;

    SettingsRecord r;
    EXPECT_EQ(load(&r), "");
    EXPECT_EQ(r.mazeSize, 6);
    EXPECT_EQ(r.itemsPerKind, 2);
    EXPECT_EQ(r.diamondsNeeded, 2);
    EXPECT_EQ(r.fieldOfView, 80);
    EXPECT_EQ(r.fullScreen, 1);
    EXPECT_EQ(r.windowWidth, 1280);
    EXPECT_EQ(r.windowedHeight, 720);
    EXPECT_EQ(r.shadeMode, 1);
    EXPECT_STREQ(r.hallNames[0], "J\xF6rg\x01") << "the hall of fame is kept as it was";
    SettingsFile f;
    settingsRead(path.c_str(), &f, nullptr);
    EXPECT_EQ(f.showDialog, 0);
    EXPECT_EQ(f.record.mazeSize, 6) << "Play saved the file";

    setupShow(0); // the stored switch now keeps the dialog away
}

TEST_F(Settings, InGameContinueKeepsTheBuiltMazeAndCancelChangesNothing) {
    if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
    unsetenv("KAVERNIX_SETUP_DIALOG");
    SettingsRecord& r = gameRecord;
    writeAll(path, withValue(defaultText(), "showDialog", "0"));
    setupShow(0);
    load(&r);
    ASSERT_EQ(r.mazeSize, 16);
    r.shadeMode = 0;     // changed by a key while playing
    r.windowWidth = 900; // the window was resized

    DialogScript script;
    script.response = GTK_RESPONSE_OK;
    script.act = [](GtkWidget* dialog, DialogScript*) {
        setSpin(dialog, "mazeSize", 40);
        setSpin(dialog, "oilSeconds", 90);
    };
    g_timeout_add(50, playScript, &script);
    setupShow(1);
    ASSERT_TRUE(script.ran);
    EXPECT_EQ(load(&r), "");
    EXPECT_EQ(r.mazeSize, 16) << "the running game keeps the maze it built";
    EXPECT_EQ(r.windowWidth, 900) << "and its window";
    EXPECT_EQ(r.itemsPerKind, 5);
    EXPECT_EQ(r.oilSeconds, 90) << "supply rates apply at once";
    EXPECT_EQ(r.shadeMode, 0) << "the dialog started from the game's current values";
    SettingsFile f;
    settingsRead(path.c_str(), &f, nullptr);
    EXPECT_EQ(f.record.mazeSize, 40) << "the new size is kept for the next start";

    DialogScript cancel;
    cancel.response = GTK_RESPONSE_CANCEL;
    cancel.act = [](GtkWidget* dialog, DialogScript*) { setSpin(dialog, "oilSeconds", 5); };
    g_timeout_add(50, playScript, &cancel);
    SettingsRecord before = r;
    setupShow(1); // Cancel in the game just closes
    ASSERT_TRUE(cancel.ran);
    load(&r);
    EXPECT_EQ(memcmp(&before, &r, sizeof r), 0);
    settingsRead(path.c_str(), &f, nullptr);
    EXPECT_EQ(f.record.oilSeconds, 90);
}

TEST_F(Settings, InGameDialogStaysClosedOverTheGameMode) {
    if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
    unsetenv("KAVERNIX_SETUP_DIALOG");
    writeAll(path, withValue(withValue(defaultText(), "showDialog", "0"), "gameModeString", "1024x768:32"));
    setupShow(0);
    load(&gameRecord);
    ASSERT_STREQ(gameRecord.gameModeString, "1024x768:32");
    DialogScript cancel;
    cancel.response = GTK_RESPONSE_CANCEL;
    guint source = g_timeout_add(50, playScript, &cancel);
    CaptureStderr();
    setupShow(1); // a dialog here would wait for a keyboard and pointer that the game mode holds
    std::string said = GetCapturedStderr();
    if (!cancel.ran) g_source_remove(source);
    EXPECT_FALSE(cancel.ran);
    EXPECT_EQ(lineCount(said), 1) << said;
    EXPECT_NE(said.find("game mode"), std::string::npos) << said;
    writeAll(path, withValue(defaultText(), "oilSeconds", "99"));
    load(&gameRecord);
    EXPECT_EQ(gameRecord.oilSeconds, 99) << "the file is read again as without a display";
    EXPECT_STREQ(gameRecord.gameModeString, "1024x768:32");
}

TEST_F(Settings, CancelAtStartEndsTheProgramWithStatusZero) {
    if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    unsetenv("KAVERNIX_SETUP_DIALOG");
    EXPECT_EXIT(
        {
            std::string cmd = "rm -rf '" + dir + "'"; // this child's own folder: it never tears down
            if (system(cmd.c_str()) != 0) exit(4);
            static DialogScript cancel;
            cancel.response = GTK_RESPONSE_CANCEL;
            g_timeout_add(50, playScript, &cancel);
            setupShow(0);
            fprintf(stderr, "setupShow returned\n");
            exit(3);
        },
        testing::ExitedWithCode(0), "");
}
