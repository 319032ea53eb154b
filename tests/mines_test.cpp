// SPDX-License-Identifier: GPL-3.0-or-later
// Mine codes, the mine of the day, the per-mine records and the saved run.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <functional>
#include <vector>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include "app/end_screen.h"
#include "app/game_state.h"
#include "app/game_step.h"
#include "app/game_update.h"
#include "app/hall.h"
#include "app/launch.h"
#include "app/mines.h"
#include "app/random.h"
#include "app/record.h"
#include "app/replay.h"
#include "app/replay_hall.h"
#include "app/timing.h"
#include "app/game_frame.h"
#include "app/input.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "game/run_save.h"
#include "maze/maze.h"
#include "output_capture.h"
#include "scene/creatures.h"
#include "setup/mine_code.h"
#include "setup/mine_records.h"
#include "setup/settings_file.h"
#include "setup/setup.h"

namespace {

[[maybe_unused]] const bool modelsRegistered = (sceneRegisterModels(), true);

uint32_t fnv(const std::string& s) {
    uint32_t h = 2166136261u;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

std::string codeText(const MineCode& c) {
    char text[MINE_CODE_TEXT];
    mineCodeFormat(&c, text);
    return text;
}

// The maze and every item instance a code builds, as bytes; what it printed goes to *printed.
std::string built(const MineCode& c, std::string* printed = nullptr) {
    record.mazeSize = c.size, record.itemsPerKind = c.items, record.diamondsNeeded = c.diamonds;
    itemsClearInstances();
    OutputCapture out;
    randomSeed(c.seed);
    mazeBuild(&maze, c.size);
    itemsPlace(&maze);
    std::string text = out.finish();
    if (printed) *printed = text;
    std::string bytes(maze.cells, size_t((c.size + 1) * (c.size + 1)));
    for (int row = 0; row < 4; row++)
        bytes.append(reinterpret_cast<const char*>(modelTable[row].entities),
                     sizeof(Actor) * size_t(modelTable[row].count));
    return bytes;
}

int64_t fakeNow; // the clock's counter, 1000 ticks a second

// One game update as gameIdle runs it, frames of 0.1 s on the game's own clock.
void playFrame() {
    fakeNow += 100;
    frameTimeUpdate();
    record.frameStartCount = record.nowCount;
    float playerStep, horseStep;
    itemsStepSizes(&playerStep, &horseStep);
    gameMoveByKeys(playerStep, horseStep);
    gameContacts();
    gameExitDoorUpdate(record.frameTime);
}

// What entering the game screen does to the run, without a window.
void enterRun() {
    actorsPlaceForGame();
    gameSetHorseHit(0), shotState = 0, routePhase = 0;
    resetInventory();
    timerReset();
    minesGameEntered();
}

// The command line of a start.
void startWith(std::vector<const char*> args) {
    args.insert(args.begin(), "kavernix");
    args.push_back(nullptr);
    int argc = int(args.size()) - 1;
    const char* why = "";
    LaunchOptions options;
    ASSERT_EQ(launchOptionsParse(&argc, const_cast<char**>(args.data()), &options, &why), 1) << why;
    minesOptions(options.mine, options.mineCode, options.continueRun);
}

// Every test's data and state folders are its own.
class Mines : public ::testing::Test {
  protected:
    TempDir dir;
    void SetUp() override {
        setenv("XDG_DATA_HOME", dir.path.c_str(), 1);
        setenv("XDG_STATE_HOME", dir.path.c_str(), 1);
        memset(&record, 0, sizeof record);
        record.fullLevel = 4, record.strawDistance = 20, record.oilSeconds = 60;
        record.running = 1, record.perfFrequency = 1000;
        timingSetCounter([] { return fakeNow; });
        itemsClearInstances(); // no items of an earlier test's mine
    }
    void TearDown() override {
        timingSetCounter(timingMonotonicCounter);
        minesRunEnded(0, 0.0f); // no run left to be kept at exit, in a folder gone by then
    }
};

} // namespace

TEST(MineCode, RoundTripsToTheSameMine) {
    const MineCode table[] = {{4, 0, 0, 0},
                              {6, 2, 1, 1},
                              {8, 3, 3, 0xFFFFFFFFu},
                              {16, 5, 3, 0x12345678u},
                              {30, 9, 0, 7},
                              {66, 9, 9, 0x80000000u},
                              {14, 9, 4, 0xDEADBEEFu},
                              {10, 6, 6, 0x10000u}};
    for (const MineCode& c : table) {
        const std::string text = codeText(c);
        MineCode back = {};
        const char* why = "";
        ASSERT_EQ(mineCodeParse(text.c_str(), &back, &why), 1) << text << ": " << why;
        EXPECT_EQ(back.size, c.size) << text;
        EXPECT_EQ(back.items, c.items) << text;
        EXPECT_EQ(back.diamonds, c.diamonds) << text;
        EXPECT_EQ(back.seed, c.seed) << text;
        EXPECT_EQ(built(back), built(c)) << text;
    }
}

// Spaces around the dashes, leading zeros and the letters as a player might type them are taken;
// what is still wrong is named for what it is, and a refused code leaves the mine alone.
TEST(MineCode, TakesWhatAPlayerTypesOrNamesTheRealFault) {
    const std::string code = codeText({16, 5, 3, 0x10101010u});
    const std::string letters = code.substr(code.rfind('-') + 1);
    std::string typed = letters; // small letters, o for 0 and l for 1
    for (char& ch : typed) ch = ch == '0' ? 'o' : (ch == '1' ? 'l' : char(tolower((unsigned char)ch)));
    // clang-format off
    const struct { std::string text; const char* why; } table[] = {
        {"16 - 5 - 3 - " + letters, nullptr}, {"016-5-3-" + letters, nullptr},
        {" 16-05-003 -\t" + letters + " ", nullptr}, {"  16-5-3-" + typed + "\n", nullptr},
        {"16 - - 3 - " + letters, "has no number of items"},
        {"16-5-3x-" + letters, "has a number of diamonds that is not a whole number"},
        {"18-5-3-" + letters, "does not check"},
        {"16-5-3-" + letters.substr(0, 3) + " " + letters.substr(3), "seven letters"},
        {"0017-5-3-" + letters, "maze size that is not an even number"},
        {"", "four parts"}, {"classic", "four parts"}, {"16-5-3", "four parts"},
        {"16-5-3-" + letters + "-1", "more than four parts"},
        {"17-5-3-" + letters, "maze size"}, {"68-5-3-" + letters, "maze size"},
        {"2-0-0-" + letters, "maze size"}, {"x-5-3-" + letters, "maze size"},
        {"4-1-0-" + letters, "items"}, {"16-10-3-" + letters, "items"},
        {"16-5-6-" + letters, "diamonds"}, {"16-5--" + letters, "diamonds"},
        {"16-5-3-" + letters.substr(1), "seven letters"}, {"16-5-3-" + letters + "A", "seven letters"},
        {"16-5-3-U" + letters.substr(1), "not one of its letters"},
        {"16-5-3-*" + letters.substr(1), "not one of its letters"}};
    // clang-format on
    for (const auto& c : table) {
        MineCode back = {1, 2, 3, 4};
        const char* why = "";
        EXPECT_EQ(mineCodeParse(c.text.c_str(), &back, &why), c.why ? 0 : 1) << c.text << ": " << why;
        if (c.why) {
            EXPECT_NE(std::string(why).find(c.why), std::string::npos) << c.text << ": " << why;
            EXPECT_EQ(back.seed, 4u) << "a refused code leaves the mine alone";
        } else {
            EXPECT_EQ(codeText(back), code) << c.text;
        }
    }
}

TEST(MineCode, AChangedNumberDoesNotCheck) {
    // The seed letters check the numbers: a code moved to another size or count is refused unless
    // its three check bits happen to agree (one in eight); over many seeds most are refused.
    int passed = 0, tried = 0;
    for (uint32_t seed = 100; seed < 400; seed++) {
        std::string text = codeText({16, 5, 3, seed});
        text[1] = '8'; // 18-5-3-...
        MineCode out;
        const char* why = "";
        passed += mineCodeParse(text.c_str(), &out, &why);
        tried++;
    }
    EXPECT_LT(passed, tried / 4);
    EXPECT_GT(passed, 0) << "the check is three bits, not a refusal of every size";
}

TEST(MineCode, TheDailyMineIsOnePerDate) {
    const MineCode today = mineCodeDaily(2026, 12, 7);
    EXPECT_EQ(codeText(mineCodeDaily(2026, 12, 7)), codeText(today));
    EXPECT_EQ(built(mineCodeDaily(2026, 12, 7)), built(today));
    for (const MineCode& other :
         {mineCodeDaily(2026, 12, 8), mineCodeDaily(2027, 12, 7), mineCodeDaily(2027, 1, 1)})
        EXPECT_NE(codeText(other), codeText(today));
    EXPECT_NE(built(mineCodeDaily(2026, 12, 8)), built(today));
    EXPECT_EQ(today.size, 16);
    EXPECT_EQ(today.items, 5);
    EXPECT_EQ(today.diamonds, 3);
    EXPECT_EQ(mineCodeIsClassic(&today), 0);
}

// The snapshots of the classic mine, as every earlier build printed them (FNV-1a of the text).
TEST_F(Mines, TheClassicMinePrintsTheSnapshotsItAlwaysDid) {
    const std::tuple<int, int, uint32_t> table[] = {{16, 5, 0xf932d4eau}, {40, 9, 0x2ff22b40u}};
    for (const auto& [size, items, printed] : table) {
        record.mazeSize = size, record.itemsPerKind = items, record.diamondsNeeded = 3;
        snprintf(record.mine, sizeof record.mine, "classic");
        itemsClearInstances();
        minesChoose(0);
        OutputCapture out;
        minesBuild();
        EXPECT_EQ(fnv(out.finish()), printed) << size;
        MineCode code;
        const char* why = "";
        ASSERT_EQ(mineCodeParse(minesCodeText(), &code, &why), 1) << minesCodeText();
        EXPECT_EQ(mineCodeIsClassic(&code), 1);
    }
}

// A code that does not check is refused in one line naming it; the classic mine is played instead.
TEST_F(Mines, ABadCodeIsRefusedInOneLineForTheClassicMine) {
    record.mazeSize = 16, record.itemsPerKind = 5, record.diamondsNeeded = 3;
    snprintf(record.mine, sizeof record.mine, "16-5-3-UUUUUUU");
    const std::string said = stderrOf([] { minesChoose(0); });
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("16-5-3-UUUUUUU"), std::string::npos) << said;
    OutputCapture quiet;
    minesBuild();
    EXPECT_EQ(minesCodeText(), codeText({16, 5, 3, mineClassicSeed}));
}

TEST(MineRecords, KeepTheTwoHundredMinesPlayedLast) {
    static MineRecords r;
    r.count = 0;
    for (uint32_t seed = 2; seed < 2 + RECORDS_MINES + 5; seed++)
        recordsPlay(&r, codeText({16, 5, 3, seed}).c_str());
    EXPECT_EQ(r.count, RECORDS_MINES);
    EXPECT_EQ(recordsFind(&r, codeText({16, 5, 3, 6}).c_str()), nullptr) << "the oldest are dropped";
    EXPECT_NE(recordsFind(&r, codeText({16, 5, 3, 7}).c_str()), nullptr);
    recordsPlay(&r, codeText({16, 5, 3, 7}).c_str());
    EXPECT_EQ(std::string(r.tables[0].code), codeText({16, 5, 3, 7})) << "played again: the latest";
    EXPECT_EQ(r.count, RECORDS_MINES);
}

TEST(MineRecords, SurviveARoundTripThroughTheFile) {
    static MineRecords r, back;
    r.count = 0;
    for (uint32_t seed : {5u, 9u, 0xABCDEF01u}) {
        MineTable* t = recordsPlay(&r, codeText({20, 7, 4, seed}).c_str());
        t->times[0] = 61.37f, t->times[1] = 29999.99f;
        snprintf(t->names[0], 32, "%s", "  spaced \\ out ");
        snprintf(t->names[1], 32, "%s", "\x01\xE4\xF6");
    }
    const std::string text = recordsFormat(&r);
    EXPECT_EQ(recordsParse(text.data(), text.size(), "records", &back, stderr), 0);
    ASSERT_EQ(back.count, r.count);
    EXPECT_EQ(memcmp(&back.tables, &r.tables, sizeof(MineTable) * size_t(r.count)), 0) << text;
}

TEST(MineRecords, BadLinesAreSkippedOneLineEach) {
    const std::string good = codeText({16, 5, 3, 77});
    const struct {
        std::string text;
        int problems, tables;
    } table[] = {{"[" + good + "]\nplayed = 3\n1 = 12.5 Ann\n", 0, 1},
                 {"[" + good + "]\n1 = 12.5 Ann\n[" + good + "]\n2 = 13 Bob\n", 1,
                  1}, // a skipped table's lines go with it
                 {"[16-5-3-UUUUUUU]\n1 = 12.5 Ann\n", 1, 0},
                 {"[" + codeText({16, 5, 3, mineClassicSeed}) + "]\n", 1, 0},
                 {"[" + good + "]\n6 = 12.5 Ann\nplayed = -1\n1 = nan Ann\n1 = 0.001 A\n1 = 40000 A\n", 5, 1},
                 {"junk\n[" + good + "\n", 2, 0}};
    for (const auto& c : table) {
        static MineRecords r;
        const std::string said = stderrOf([&] {
            EXPECT_EQ(recordsParse(c.text.data(), c.text.size(), "records", &r, stderr), c.problems)
                << c.text;
        });
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), c.problems) << said;
        EXPECT_EQ(r.count, c.tables) << c.text;
    }
}

// A run on a 16-cell mine, riding at a pace of 70 with two spiders left and an oil can carried.
RunSave savedRun(int speed = 70) {
    RunSave s = {};
    snprintf(s.code, sizeof s.code, "%s", codeText({16, 5, 3, 99}).c_str());
    s.fullLevel = 4, s.strawDistance = 20, s.oilSeconds = 60, s.gameTime = 123.25f, s.riderState = 2;
    s.gameSpeed = speed, s.exact = 1, s.viewPart = 0.25f;
    actorInit(&s.player, 1.5f, 0.6f, 2.5f, 90, -3, 0.02f);
    actorInit(&s.horse, 1.5f, 0.5f, 2.5f, 90, 0, 0.07f);
    actorInit(&s.door, 16, 0, 15, 0, 0, 0.07f);
    s.itemCount[ROW_SPIDER] = 2;
    actorInit(&s.items[ROW_SPIDER][1], 5.3f, 0.4f, 7.7f, 10, 0, 0.005f);
    s.inventory[ROW_OILCAN] = 2;
    return s;
}

TEST(RunSave, ACutOrEditedSaveIsRefused) {
    const RunSave s = savedRun();
    const std::string text = runSaveFormat(&s);
    RunSave back;
    const char* why = "";
    ASSERT_EQ(runSaveParse(text.data(), text.size(), &back, &why), 1) << why << "\n" << text;
    EXPECT_EQ(memcmp(&back, &s, sizeof s), 0);
    int accepted = 0;
    for (size_t cut = 0; cut < text.size(); cut++) accepted += runSaveParse(text.data(), cut, &back, &why);
    EXPECT_EQ(accepted, 0) << "a save cut short anywhere is refused";
    for (size_t at = 0; at < text.size(); at++) {
        std::string edited = text;
        edited[at] = edited[at] == '1' ? '2' : '1';
        accepted += runSaveParse(edited.data(), edited.size(), &back, &why);
    }
    EXPECT_EQ(accepted, 0) << "a save with any byte changed is refused";
    const std::string foreign = "# Kavernix settings.\nmazeSize = 16\n";
    EXPECT_EQ(runSaveParse(foreign.data(), foreign.size(), &back, &why), 0);
    EXPECT_NE(std::string(why).find("not a saved run"), std::string::npos) << why;
}

// A value out of range is refused by name even in a text whose check agrees; the largest values in
// range are taken.
TEST(RunSave, ValuesOutOfRangeAreRefusedByName) {
    const RunSave s = savedRun();
    const std::string text = runSaveFormat(&s);
    // clang-format off
    const struct { const char *from, *to, *why; } table[] = {
        {"rider = 2", "rider = 0", nullptr}, {"rider = 2", "rider = 1", "rider state"},
        {"rider = 2", "rider = 3", "rider state"}, {"rider = 2", "rider =2", "rider state"},
        {"items = 2", "items = 3", "out of place"}, {"items = 2", "items = 99", "count of items"},
        {"items = 2", "items = x", "count of items"},
        {"arrow = 0", "arrow = 2", nullptr}, {"arrow = 0", "arrow = 3", "arrow out of range"},
        {"fade = 0", "fade = 4", nullptr}, {"fade = 0", "fade = 5", "fade out of range"},
        {"fade = 0 ", "fade = 0", "fade out of range"},
        {"rules = 4 20 60 70", "rules = 4 20 60 49", "rules"}, {"rules = 4 20 60 70", "rules = 0 20 60", "rules"},
        {"walks = 0", "walks = 3", "walks"}, {"straw = 0", "straw = 2", "walks"}};
    // clang-format on
    for (const auto& c : table) {
        std::string edited = text;
        const size_t at = edited.find("\n" + std::string(c.from));
        ASSERT_NE(at, std::string::npos) << c.from;
        edited.replace(at + 1, strlen(c.from), c.to);
        edited = edited.substr(0, edited.rfind("check = ")); // sealed again
        char check[32];
        snprintf(check, sizeof check, "check = %08x\n", fnv(edited));
        edited += check;
        RunSave back;
        const char* why = "";
        EXPECT_EQ(runSaveParse(edited.data(), edited.size(), &back, &why), c.why ? 0 : 1)
            << c.to << ": " << why;
        if (c.why) {
            EXPECT_NE(std::string(why).find(c.why), std::string::npos) << c.to << ": " << why;
        }
    }
}

// The rules line of a save: the pace is written only below 100, and a save of an earlier version
// (three numbers) plays at 100.
TEST(RunSave, ThePaceIsKeptWithTheRules) {
    // clang-format off
    const struct { int speed; const char* line; int read; } table[] = {
        {100, "rules = 4 20 60\n", 100}, {50, "rules = 4 20 60 50\n", 50}, {99, "rules = 4 20 60 99\n", 99}};
    // clang-format on
    for (const auto& c : table) {
        const RunSave s = savedRun(c.speed);
        const std::string text = runSaveFormat(&s);
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
        RunSave back;
        const char* why = "";
        ASSERT_EQ(runSaveParse(text.data(), text.size(), &back, &why), 1) << why;
        EXPECT_EQ(back.gameSpeed, c.read);
    }
}

const std::string continuedCode = codeText({16, 5, 0, 0xC0FFEEu}); // no diamonds needed: Home wins

// One step as gameIdle takes it: the input gathered since the last step, then the game's step.
void playStep() {
    fakeNow += 100;
    const int64_t ticks = timingFrameTicks();
    StepInput in;
    gameGather(&in);
    gameStep(&in, ticks);
}

// A key pressed and let go between two steps.
void tap(int action) {
    inputAction(SOURCE_KEYBOARD, action, 1);
    inputAction(SOURCE_KEYBOARD, action, 0);
}

// A small mine without items where Home wins, entered on the game screen with the given way of
// walking the routes and pace.
void enterHomeMine(int routeKeys, int speed) {
    snprintf(record.mine, sizeof record.mine, "%s", codeText({8, 0, 0, 0xC0FFEEu}).c_str());
    record.routeKeys = routeKeys, record.gameSpeed = speed;
    itemsClearInstances();
    startWith({});
    minesChoose(0);
    minesBuild();
    enterRun();
    inputSetScreen(INPUT_GAME);
    gameState.tappedRoute = 0;
}

// Steps until the door starts to open (the run is won), at most `most`; how many it took.
int stepsToWin(int most, const std::function<void(int)>& before = nullptr) {
    int steps = 0;
    for (; !gameWon() && steps < most; steps++) {
        if (before) before(steps);
        playStep();
    }
    return steps;
}

// With routeKeys = tap one press of Home walks both out until the door opens; a second press, a
// walking key or another route key stops the walk. With hold the same press walks one step only.
TEST_F(Mines, ATapOfHomeWalksBothOutUntilSomethingStopsIt) {
    // clang-format off
    const struct { const char* what; int routeKeys; int stopAt, stopWith; bool won; } table[] = {
        {"one tap", 1, -1, -1, true},
        {"held only for a step", 0, -1, -1, false},
        {"tapped again", 1, 40, ACTION_WALK_OUT, false},
        {"a walking key", 1, 40, ACTION_FORWARD, false},
        {"another route key", 1, 40, ACTION_GO_TO_HORSE, false}};
    // clang-format on
    for (const auto& c : table) {
        SCOPED_TRACE(c.what);
        enterHomeMine(c.routeKeys, 100);
        tap(ACTION_WALK_OUT);
        const int steps = stepsToWin(20000, [&](int step) {
            if (step == c.stopAt) tap(c.stopWith);
        });
        EXPECT_EQ(gameWon(), c.won ? 1 : 0) << steps << " steps";
        if (c.won) {
            EXPECT_EQ(gameState.tappedRoute, 0) << "the walk stops where it arrives";
        }
    }
}

// A run walked out halfway with Home and saved; then the next start, whose setting names another
// mine, chooses and builds the mine with --continue. The save and its time are given back.
void saveHalfwayThenContinue(RunSave* saved, float* savedTime) {
    snprintf(record.mine, sizeof record.mine, "%s", continuedCode.c_str());
    startWith({});
    minesChoose(0);
    minesBuild();
    enterRun();
    inputHold(ACTION_WALK_OUT, 1);
    for (int i = 0; i < 150; i++) playFrame();
    ASSERT_EQ(exitDoor.pitch, 0) << "saved halfway, before the door opens";
    runSaveCapture(saved, minesCodeText());
    ASSERT_EQ(runSaveWrite(recordsRunPath().c_str(), saved, stderr), 1);
    *savedTime = record.gameTime;
    snprintf(record.mine, sizeof record.mine, "classic");
    record.gameTime = 0;
    startWith({"--continue"});
    minesChoose(0);
    minesBuild();
    enterRun();
}

TEST_F(Mines, ASavedRunContinuesExactly) {
    RunSave saved;
    float savedTime = 0;
    OutputCapture quiet;
    ASSERT_NO_FATAL_FAILURE(saveHalfwayThenContinue(&saved, &savedTime));
    EXPECT_GT(savedTime, 10.0f);
    EXPECT_EQ(minesContinuing(), 1);
    EXPECT_FALSE(std::filesystem::exists(recordsRunPath())) << "a save is taken once";
    EXPECT_EQ(std::string(minesCodeText()), continuedCode);
    EXPECT_EQ(record.gameTime, savedTime);
    RunSave now; // the bodies, door, items, counters and rules too
    runSaveCapture(&now, minesCodeText());
    EXPECT_EQ(memcmp(&now, &saved, sizeof now), 0);
    playFrame();
    EXPECT_NEAR(record.gameTime, savedTime + 0.1f, 0.002f) << "the clock goes on from the time played";
    quiet.finish();
}

TEST_F(Mines, AContinuedRunCountsTheTimePlayedBeforeInTheMinesHall) {
    RunSave saved;
    float savedTime = 0;
    OutputCapture quiet;
    ASSERT_NO_FATAL_FAILURE(saveHalfwayThenContinue(&saved, &savedTime));
    inputHold(ACTION_WALK_OUT, 1);
    int frames = 0;
    for (; !gameWon() && frames < 20000; frames++) playFrame();
    ASSERT_EQ(gameWon(), 1) << "the continued run reaches the exit";
    EXPECT_GT(record.gameTime, savedTime) << "the time played before counts";
    EXPECT_EQ(minesRunEnded(1, record.gameTime), 0) << "first in the mine's own table";
    EXPECT_EQ(minesHall()->hallTimes[0], record.gameTime);
    minesStoreHall();
    static MineRecords r;
    recordsRead(recordsPath().c_str(), &r, stderr);
    ASSERT_NE(recordsFind(&r, continuedCode.c_str()), nullptr);
    EXPECT_EQ(recordsFind(&r, continuedCode.c_str())->times[0], record.gameTime);
    quiet.finish();
}

// The classic mine chosen with a save of this text waiting, on a start with these options; what was said.
std::string chooseWithSave(const std::string& text, std::vector<const char*> options) {
    std::filesystem::create_directories(std::filesystem::path(recordsRunPath()).parent_path());
    writeFileText(recordsRunPath(), text);
    snprintf(record.mine, sizeof record.mine, "classic");
    record.mazeSize = 16, record.itemsPerKind = 5, record.diamondsNeeded = 3;
    startWith(options);
    return stderrOf([] { minesChoose(0); });
}

// A damaged save is refused in one line for a fresh game; a waiting save is named in one line when no
// dialog offers it.
TEST_F(Mines, ASaveDamagedOrWaitingIsNamedInOneLine) {
    const std::string path = recordsRunPath();
    const std::string said =
        chooseWithSave("# Kavernix: a saved run\nkavernix-run 1\nmine = 16-5-3-0000000\n", {"--continue"});
    EXPECT_EQ(minesContinuing(), 0);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(path), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(path));
    const std::string waiting = chooseWithSave("anything", {});
    EXPECT_NE(waiting.find("--continue"), std::string::npos) << waiting;
    EXPECT_EQ(std::count(waiting.begin(), waiting.end(), '\n'), 1) << waiting;
    EXPECT_TRUE(std::filesystem::exists(recordsRunPath())) << "only taken when continued";
}

TEST_F(Mines, OtherRulesAreShownButNotEnteredOnAMineButTheClassicOne) {
    snprintf(record.mine, sizeof record.mine, "%s", codeText({16, 5, 3, 4242}).c_str());
    record.oilSeconds = 3600;
    startWith({});
    minesChoose(0);
    OutputCapture quiet;
    minesBuild();
    EXPECT_EQ(minesRunEnded(1, 50.0f), -1);
    snprintf(record.mine, sizeof record.mine, "daily");
    minesChoose(0);
    EXPECT_EQ(record.oilSeconds, 60) << "the mine of the day plays the default rules";
    minesBuild();
    EXPECT_EQ(minesRunEnded(1, 50.0f), 0);
    quiet.finish();
}

namespace {

// The end screen's texts, one a line.
std::string endScreenText() {
    EndLine lines[endLineMax];
    const int count = endScreenLines(lines);
    std::string all;
    for (int i = 0; i < count; i++) all += std::string(lines[i].text) + "\n";
    return all;
}

// The five places of a table as "name time" lines, best first.
std::string placesText(const char (*names)[32], const float* times) {
    std::string text;
    char line[64];
    for (int i = 0; i < 5 && times[i] < 30000.0f; i++)
        snprintf(line, sizeof line, "%.31s %.9g\n", names[i], double(times[i])), text += line;
    return text;
}

// The mine of record.mine chosen and built as a start without options does, quietly.
void chooseAndBuild() {
    startWith({});
    minesChoose(0);
    itemsClearInstances();
    OutputCapture quiet;
    minesBuild();
    quiet.finish();
}

} // namespace

// Two games end runs on the same mine and store them at the same moments, round after round, each
// from the table it read when its run ended: the file ends with exactly the best five of all runs, and
// the replays folder with exactly their five replays.
TEST_F(Mines, TwoGamesStoringAtOnceKeepTheBestOfAllRuns) {
    setenv("KAVERNIX_SETTINGS", (dir.path + "/settings.ini").c_str(), 1);
    const std::string mines[] = {"classic", codeText({16, 5, 3, 31337})};
    enum { games = 2, rounds = 40 };
    for (const std::string& mine : mines) {
        SCOPED_TRACE(mine);
        snprintf(record.mine, sizeof record.mine, "%s", mine.c_str());
        record.mazeSize = 16, record.itemsPerKind = 5, record.diamondsNeeded = 3;
        for (int i = 0; i < 5; i++) record.hallTimes[i] = 30000.0f, record.hallNames[i][0] = 0;
        ASSERT_NO_FATAL_FAILURE(chooseAndBuild());
        // Each run's time is its own, and the two games' times interleave: both take places.
        auto timeOf = [](int game, int round) { return 500.0f - float(round) * 7.0f - float(game) * 3.25f; };
        pid_t pids[games];
        for (int game = 0; game < games; game++) {
            pids[game] = fork();
            ASSERT_GE(pids[game], 0);
            if (pids[game] > 0) continue;
            srand(unsigned(game + 1));
            for (int round = 0; round < rounds; round++) {
                record.finalTime = timeOf(game, round); // as the end screen does
                const int rank = gameState.hallRank = minesRunEnded(1, record.finalTime);
                usleep(useconds_t(rand() % 3000)); // the other game stores while this one shows its end
                char name[16];
                snprintf(name, sizeof name, "G%dR%d", game, round);
                for (const char* c = name; *c; c++) hallNameKey(minesHall(), rank, (unsigned char)*c);
                replayHallRun() = name; // the run's replay: its name is enough to tell it
                minesStoreHall();
            }
            _exit(0);
        }
        for (pid_t pid : pids) {
            int status = -1;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
        std::vector<std::pair<float, std::string>> all;
        for (int game = 0; game < games; game++)
            for (int round = 0; round < rounds; round++)
                all.push_back(
                    {timeOf(game, round), "G" + std::to_string(game) + "R" + std::to_string(round)});
        std::sort(all.begin(), all.end());
        std::string best;
        char line[64];
        for (int i = 0; i < 5; i++)
            snprintf(line, sizeof line, "%s %.9g\n", all[size_t(i)].second.c_str(),
                     double(all[size_t(i)].first)),
                best += line;
        // Every entry kept has its replay, named from its time and holding the name typed for it, and
        // no other replay is left.
        std::vector<std::string> kept, replays;
        for (int i = 0; i < 5; i++) {
            ReplayWriter named;
            named.payload = all[size_t(i)].second;
            replayWriteName(&named, all[size_t(i)].second.c_str());
            kept.push_back(replayHallName(minesCodeText(), all[size_t(i)].first, 1) + " " +
                           replayFileBytes(named.payload));
        }
        for (const auto& e : std::filesystem::directory_iterator(replayFolder())) {
            std::ifstream in(e.path());
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            replays.push_back(e.path().filename().string() + " " + text);
        }
        std::sort(kept.begin(), kept.end());
        std::sort(replays.begin(), replays.end());
        EXPECT_EQ(replays, kept);
        std::filesystem::remove_all(replayFolder());
        if (mine == "classic") {
            SettingsFile f;
            ASSERT_EQ(settingsRead((dir.path + "/settings.ini").c_str(), &f, stderr), 1);
            EXPECT_EQ(placesText(f.record.hallNames, f.record.hallTimes), best);
        } else {
            static MineRecords r;
            ASSERT_EQ(recordsRead(recordsPath().c_str(), &r, stderr), 1);
            const MineTable* t = recordsFind(&r, minesCodeText());
            ASSERT_NE(t, nullptr);
            EXPECT_EQ(placesText(t->names, t->times), best);
        }
    }
    unsetenv("KAVERNIX_SETTINGS");
}

// A records file that cannot be read whole is never written: the run is not entered, one line names
// the file and why, and the end screen says that the time could not be stored.
TEST_F(Mines, RecordsThatCannotBeReadWholeAreLeftAsTheyAre) {
    const std::string code = codeText({16, 5, 3, 4711}), other = codeText({16, 5, 3, 4712});
    const std::string good = "[" + other + "]\nplayed = 4\n1 = 12.5 Ann\n";
    std::string big = good;
    while (big.size() <= (1u << 20)) big += "# a comment to fill the file up past one megabyte\n";
    // clang-format off
    const struct { const char* what; std::string text; const char* why; } table[] = {
        {"over the limit", big, "larger than 1 MB"},
        {"a damaged line", good + "2 = soon Bob\n", "line 4"},
        {"a damaged header", good + "[16-5-3-UUUUUUU]\n1 = 9 Cy\n", "line 4"},
        {"a folder", "", "is a folder"}};
    // clang-format on
    for (const auto& c : table) {
        SCOPED_TRACE(c.what);
        const std::string path = recordsPath();
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        if (c.what[2] == 'f') // "a folder"
            std::filesystem::create_directories(path + "/inside");
        else
            writeFileText(path, c.text);
        snprintf(record.mine, sizeof record.mine, "%s", code.c_str());
        ASSERT_NO_FATAL_FAILURE(chooseAndBuild());
        exitDoor.pitch = 100;
        gameSetHorseHit(0);
        const std::string said = stderrOf([] { gameState.hallRank = minesRunEnded(1, 50.0f); });
        EXPECT_EQ(gameState.hallRank, -1) << "no name is typed for a table that is not stored";
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find(path), std::string::npos) << said;
        EXPECT_NE(said.find(c.why), std::string::npos) << said;
        EXPECT_NE(endScreenText().find("The time could not be stored."), std::string::npos)
            << endScreenText();
        EXPECT_EQ(stderrOf([] { minesStoreHall(); }), "") << "said once";
        if (c.what[2] == 'f') {
            EXPECT_TRUE(std::filesystem::is_directory(path + "/inside"));
        } else {
            EXPECT_EQ(readFileText(path), c.text) << "the file is left as it was";
        }
    }
    exitDoor.pitch = 0;
}

// A run keeps the size, items, diamonds, oil, straw and stock it started with, and its code, through
// the in-game dialog, whatever the settings file says; the file's choices wait for the next run.
TEST_F(Mines, ARunKeepsItsRulesAndCodeThroughTheSettingsDialog) {
    const std::string settings = dir.path + "/settings.ini";
    setenv("KAVERNIX_SETTINGS", settings.c_str(), 1);
    setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
    const std::string mines[] = {codeText({16, 5, 3, mineClassicSeed}), codeText({16, 5, 3, 2024}), "daily",
                                 "classic"};
    for (const std::string& mine : mines) {
        SCOPED_TRACE(mine);
        writeFileText(settings, "mazeSize = 6\nitemsPerKind = 2\ndiamondsNeeded = 2\nfullLevel = 2\n"
                                "strawDistance = 10\noilSeconds = 30\ngameSpeed = 80\nmine = " +
                                    mine + "\n");
        setupLoad(&record);
        ASSERT_NO_FATAL_FAILURE(chooseAndBuild());
        const std::string code = minesCodeText();
        const std::tuple<int, int, int, int, int, int, int> rules = {
            record.mazeSize,      record.itemsPerKind, record.diamondsNeeded, record.fullLevel,
            record.strawDistance, record.oilSeconds,   record.gameSpeed};
        EXPECT_EQ(record.gameSpeed, 80);
        // F1 in the game, Continue with nothing touched; then the file changed and F1 again.
        for (const char* change : {"", "diamondsNeeded = 1\noilSeconds = 40\ngameSpeed = 100\n"}) {
            writeFileText(settings, readFileText(settings) + change);
            setupShow(1);
            stderrOf([] { setupLoad(&record); });
            EXPECT_EQ(std::make_tuple(record.mazeSize, record.itemsPerKind, record.diamondsNeeded,
                                      record.fullLevel, record.strawDistance, record.oilSeconds,
                                      record.gameSpeed),
                      rules);
            EXPECT_EQ(minesCodeText(), code) << "a run's code never changes";
        }
    }
    unsetenv("KAVERNIX_SETTINGS");
    unsetenv("KAVERNIX_SETUP_DIALOG");
}

// A won run that is not entered for its rules says so; a slow one is too slow.
TEST_F(Mines, TheEndScreenSaysWhyAWonRunIsNotEntered) {
    const std::string code = codeText({16, 5, 3, 5150});
    // clang-format off
    const struct { int oil; float time; const char* said; int speed = 100; bool classic = false; } table[] = {
        {60, 10.0f, "You made the hall of fame!"},
        {3600, 10.0f, "Not entered: the rules were changed."},
        {60, 20000.0f, "Too slow for the hall of fame."},
        {60, 10.0f, "Not entered: played at a slower pace.", 99},
        {3600, 10.0f, "Not entered: played at a slower pace.", 50},
        {60, 10.0f, "Not entered: played at a slower pace.", 75, true}}; // the classic mine's hall too
    // clang-format on
    std::filesystem::create_directories(std::filesystem::path(recordsPath()).parent_path());
    writeFileText(recordsPath(), "[" + code + "]\n1 = 1 A\n2 = 2 B\n3 = 3 C\n4 = 4 D\n5 = 10000 E\n");
    exitDoor.pitch = 100;
    gameSetHorseHit(0);
    for (const auto& c : table) {
        snprintf(record.mine, sizeof record.mine, "%s", c.classic ? "classic" : code.c_str());
        record.oilSeconds = c.oil;
        record.gameSpeed = c.speed;
        ASSERT_NO_FATAL_FAILURE(chooseAndBuild());
        gameState.hallRank = minesRunEnded(1, c.time);
        record.finalTime = c.time;
        EXPECT_NE(endScreenText().find(c.said), std::string::npos) << c.oil << " " << c.time << "\n"
                                                                   << endScreenText();
    }
    exitDoor.pitch = 0;
    record.oilSeconds = 60;
    record.gameSpeed = 100;
}
