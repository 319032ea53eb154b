// SPDX-License-Identifier: GPL-3.0-or-later
// Replays: the file read back as written, every malformed file refused in one line, the step
// re-simulated to the same bits, continued runs, and the step that ends a run without a window.
#include <gtest/gtest.h>
#include <zlib.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <functional>
#include <string>
#include <vector>
#include "app/game_hints.h"
#include "app/game_state.h"
#include "app/game_step.h"
#include "app/game_update.h"
#include "app/random.h"
#include "app/record.h"
#include "app/replay.h"
#include "app/replay_sim.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "game/rider.h"
#include "game/run_save.h"
#include "maze/maze.h"
#include "output_capture.h"
#include "setup/key_table.h"
#include "setup/mine_code.h"

namespace {

// The room for the items the mine places, as the game's scene hands it in at start-up.
Actor placed[MODEL_ROWS][MAX_INSTANCES];
[[maybe_unused]] const bool roomGiven = [] {
    for (int row = 0; row < MODEL_ROWS; row++) modelTable[row].entities = placed[row];
    return true;
}();

const int64_t hz = 1000000000; // the monotonic counter's ticks per second

ReplayHeader classicHeader() {
    ReplayHeader h;
    memset(&h, 0, sizeof h);
    h.rules = replayRulesVersion;
    strcpy(h.gameVersion, "1.0.0");
    strcpy(h.code, "16-5-3-0000001");
    h.date = 1800000000, h.perfFrequency = hz;
    h.mazeSize = 16, h.itemsPerKind = 5, h.diamondsNeeded = 3;
    h.fullLevel = 4, h.strawDistance = 20, h.oilSeconds = 60; // the defaults
    h.fieldOfView = 60, h.gameSpeed = 100;
    h.play = ReplayPlay{5, 0, 20, 5};
    return h;
}

// What each frame of a scripted run takes in.
using Script = std::function<StepInput(int frame)>;

StepInput held(std::initializer_list<int> actions) {
    StepInput in{};
    for (int a : actions) in.held |= uint64_t(1) << a;
    return in;
}

// A walk that touches every part of the record: forward, a turn by the pointer, a ride, a shot, the
// sticks, the route keys.
StepInput busy(int f) {
    StepInput in = f % 200 < 80 ? held({ACTION_FORWARD}) : f % 200 < 120 ? held({ACTION_GO_TO_HORSE})
                                                                        : held({ACTION_STEP_LEFT, ACTION_BACK});
    if (f % 37 == 0) in.lookYaw = 3.5f, in.lookPitch = -1.25f;
    if (f == 30 || f == 150) gameStepPress(&in, ACTION_RIDE);
    if (f == 60 || f == 240) gameStepPress(&in, ACTION_SHOOT);
    if (f > 90 && f < 130) in.walkX = 0.5f, in.walkY = -0.75f, in.lookX = 0.25f;
    return in;
}

// Frame times of a real machine: about 60 a second, never two alike.
int64_t ticksOf(int f) {
    return hz / 60 + (f * 7919 % 2000) * 1000 - 1000000;
}

struct Recording {
    ReplayHeader header = classicHeader();
    ReplayWriter w;
    int over = 0;
};

// The game screen entered on the header's mine, recorded as the game records it.
void begin(Recording* run) {
    std::string why;
    OutputCapture quiet;
    ASSERT_TRUE(replaySimPrepare(&run->header, &why)) << why;
    run->header.generator = randomState();
    replayWriteHeader(&run->w, &run->header);
    ReplayItem first;
    first.shotState = 0;
    replayWriteSegment(&run->w, first.kept, 0);
    ASSERT_TRUE(replaySimEnter(&first, &why)) << why;
}

void play(Recording* run, int frames, const Script& script) {
    for (int i = 0; i < frames && !run->over; i++) {
        const int f = int(run->w.frames);
        const StepInput in = script(f);
        replayWriteFrame(&run->w, ticksOf(f), &in);
        run->over = gameStep(&in, ticksOf(f));
        if (run->w.frames % replayDigestEvery == 0) replayWriteDigest(&run->w, gameStepDigest());
    }
}

std::string finish(Recording* run) {
    ReplayEnd end{};
    end.kind = !run->over ? REPLAY_LEFT : gameWon() ? REPLAY_WON : REPLAY_LOST;
    end.gameTicks = timingGameTicks();
    end.finalTime = record.gameTime;
    if (run->over) record.finalTime = record.gameTime;
    end.diamonds = int(inventory[ROW_DIAMOND] + 0.5f);
    end.frames = run->w.frames;
    replayWriteDigest(&run->w, gameStepDigest());
    replayWriteEnd(&run->w, &end);
    return replayFileBytes(run->w.payload);
}

std::string recorded(int frames, const Script& script) {
    Recording run;
    begin(&run);
    play(&run, frames, script);
    return finish(&run);
}

ReplayCheck check(const std::string& bytes, std::string* why = nullptr) {
    ReplayReader r;
    std::string refused;
    ReplayCheck c{};
    c.why = "not opened";
    if (!replayOpen(bytes, &r, &refused)) {
        if (why) *why = refused;
        return c;
    }
    OutputCapture quiet;
    replaySimCheck(&r, &c);
    return c;
}

// A file with its payload packed again (the checksum made to fit).
std::string repacked(const std::string& payload, int version = replayFormatVersion) {
    std::string bytes = replayFileBytes(payload);
    bytes[8] = char(version & 0xFF), bytes[9] = char(version >> 8);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size() - 4));
    for (int i = 0; i < 4; i++) bytes[bytes.size() - 4 + size_t(i)] = char(crc >> (8 * i));
    return bytes;
}

// The classic header's payload followed by these bytes.
std::string headerWith(std::initializer_list<int> bytes) {
    ReplayWriter w;
    const ReplayHeader h = classicHeader();
    replayWriteHeader(&w, &h);
    for (int b : bytes) w.payload.push_back(char(b));
    return w.payload;
}

class Replay : public testing::Test {
  protected:
    void SetUp() override {
        memset(&record, 0, sizeof record);
        record.perfFrequency = hz;
        gameKeepsView = 0;
    }
};

TEST_F(Replay, ItemsReadBackAsWritten) {
    ReplayWriter w;
    const ReplayHeader h = classicHeader();
    replayWriteHeader(&w, &h);
    replayWriteSegment(&w, "", 1);
    std::vector<std::pair<int64_t, StepInput>> frames;
    for (int f = 0; f < 300; f++) frames.push_back({f < 100 ? ticksOf(f) : hz / 60, busy(f)});
    for (auto& [ticks, in] : frames) replayWriteFrame(&w, ticks, &in);
    const ReplayPlay changed{9, 1, 30, 7};
    replayWritePlay(&w, &changed);
    replayWriteDigest(&w, 0x0123456789ABCDEFull);
    ReplayReader r;
    std::string why;
    ASSERT_TRUE(replayOpen(replayFileBytes(w.payload), &r, &why)) << why;
    EXPECT_STREQ(r.header.code, h.code);
    EXPECT_EQ(r.header.perfFrequency, hz);
    EXPECT_EQ(r.header.play.padDeadZone, 20);
    EXPECT_EQ(r.end.kind, 0) << "no end: a kept run's replay";
    ReplayItem item;
    ASSERT_TRUE(replayNext(&r, &item));
    EXPECT_EQ(item.kind, REPLAY_ITEM_SEGMENT);
    EXPECT_EQ(item.shotState, 1u);
    for (auto& [ticks, in] : frames) {
        ASSERT_TRUE(replayNext(&r, &item));
        ASSERT_EQ(item.kind, REPLAY_ITEM_FRAME);
        EXPECT_EQ(item.ticks, ticks);
        EXPECT_EQ(item.in.held, in.held);
        EXPECT_EQ(item.in.pressCount, in.pressCount);
        EXPECT_EQ(memcmp(item.in.presses, in.presses, in.pressCount), 0);
        EXPECT_EQ(item.in.lookYaw, in.lookYaw);
        EXPECT_EQ(item.in.lookPitch, in.lookPitch);
        EXPECT_EQ(item.in.walkX, in.walkX);
        EXPECT_EQ(item.in.walkY, in.walkY);
        EXPECT_EQ(item.in.lookX, in.lookX);
    }
    ASSERT_TRUE(replayNext(&r, &item));
    EXPECT_EQ(item.kind, REPLAY_ITEM_PLAY);
    EXPECT_EQ(item.play.padLookSpeed, 7);
    ASSERT_TRUE(replayNext(&r, &item));
    EXPECT_EQ(item.digest, 0x0123456789ABCDEFull);
    EXPECT_FALSE(replayNext(&r, &item));
}

TEST_F(Replay, EveryMalformedFileIsRefusedInOneLine) {
    const std::string good = recorded(200, busy);
    ReplayWriter badRules;
    ReplayHeader other = classicHeader();
    other.rules = replayRulesVersion + 1;
    replayWriteHeader(&badRules, &other);
    std::string changed = good;
    changed[good.size() / 2] ^= 0x10;
    std::string late = good;
    late[8] = 3; // another format version, the checksum left
    // After the end only one name, and only from format version 2 on.
    ReplayReader opened;
    std::string refused;
    ASSERT_TRUE(replayOpen(good, &opened, &refused)) << refused;
    ReplayWriter named, twice;
    named.payload = opened.payload;
    replayWriteName(&named, "Ada");
    twice.payload = named.payload;
    replayWriteName(&twice, "Bo");
    // clang-format off
    struct { const char* what; std::string bytes; const char* line; int otherRules; } cases[] = {
        {"empty", "", "is not a Kavernix replay", 0},
        {"another file", "P6\n640 480\n255\n", "is not a Kavernix replay", 0},
        {"a changed byte", changed, "was changed or damaged (its checksum differs)", 0},
        {"cut in the header", good.substr(0, 9), "is cut short", 0},
        {"cut in the middle", good.substr(0, good.size() / 2), "is cut short", 0},
        {"cut by one byte", good.substr(0, good.size() - 1), "is cut short", 0},
        {"bytes after the end", good + "x", "has bytes after its end", 0},
        {"another format version", repacked(std::string(40, '\0'), 3),
         "is a replay of format version 3; this game reads format versions 1 to 2", 1},
        {"another format version, unchecked", late,
         "is a replay of format version 3; this game reads format versions 1 to 2", 1},
        {"format version 0", repacked(std::string(40, '\0'), 0),
         "is a replay of format version 0; this game reads format versions 1 to 2", 1},
        {"a name before the end", repacked(headerWith({0x41, 0, 0, 0x44, 3, 'A', 'd', 'a'})),
         "holds a name before its end", 0},
        {"two names", repacked(twice.payload), "goes on after its end", 0},
        {"a name in a file of version 1", repacked(named.payload, 1), "goes on after its end", 0},
        {"a name with a control character", repacked(opened.payload + std::string("\x44\x02\x41\x0A", 4)),
         "holds a name with control characters", 0},
        {"other rules", repacked(badRules.payload),
         "was recorded with rules version 3 (game 1.0.0); this game plays rules version 2", 1},
        {"a header cut short", repacked(badRules.payload.substr(0, 10)), "is cut short", 0},
        {"no segment first", repacked(headerWith({0x00})), "does not begin with a segment", 0},
        {"an unknown item", repacked(headerWith({0x41, 0, 0, 0x7F})), "holds an unknown item", 0},
        {"a press of another action", repacked(headerWith({0x41, 0, 0, 0x04, 1, 63})),
         "holds a press of an unknown action", 0},
        {"a stick beyond its travel", repacked(headerWith({0x41, 0, 0, 0x10, 0, 0, 0, 0x40, 0, 0, 0, 0})),
         "holds a stick out of range", 0},
        {"a digest out of place", repacked(headerWith({0x41, 0, 0, 0x40, 5, 1, 2, 3, 4, 5, 6, 7, 8})),
         "holds a digest out of its place", 0},
    };
    // clang-format on
    for (const auto& c : cases) {
        ReplayReader r;
        std::string why;
        int otherRules = -1;
        EXPECT_FALSE(replayOpen(c.bytes, &r, &why, &otherRules)) << c.what;
        EXPECT_EQ(why, c.line) << c.what;
        EXPECT_EQ(otherRules, c.otherRules) << c.what;
        EXPECT_EQ(why.find('\n'), std::string::npos) << c.what;
    }
}

TEST_F(Replay, AReplayPlaysBackToTheSameEndBitForBit) {
    const std::string bytes = recorded(900, busy);
    const ReplayCheck c = check(bytes);
    EXPECT_TRUE(c.reached) << c.why << " at frame " << c.badFrame;
    EXPECT_EQ(c.frames, 900u);
    // Twice from the same file: nothing of the first run stays behind.
    EXPECT_TRUE(check(bytes).reached);
}

// One frame taken in otherwise: the first digest after it names the difference.
TEST_F(Replay, AChangedInputIsFoundAtTheNextDigest) {
    for (int changedAt : {10, 125, 400}) {
        const std::string bytes = recorded(600, [changedAt](int f) {
            StepInput in = busy(f);
            if (f == changedAt) in.lookYaw += 0.001f;
            return in;
        });
        Recording run;
        begin(&run);
        play(&run, 600, busy);
        const std::string other = finish(&run);
        // The recording of the changed run checks; the digests of the plain run do not fit its frames.
        const ReplayCheck own = check(bytes);
        EXPECT_TRUE(own.reached) << changedAt << ": " << own.why << " at frame " << own.badFrame;
        ReplayReader a, b;
        std::string why;
        ASSERT_TRUE(replayOpen(bytes, &a, &why));
        ASSERT_TRUE(replayOpen(other, &b, &why));
        // The plain run's frames with the changed run's digests.
        ReplayWriter mixed;
        replayWriteHeader(&mixed, &a.header);
        ReplayItem x, y;
        while (replayNext(&a, &x)) {
            replayNext(&b, &y);
            if (x.kind == REPLAY_ITEM_SEGMENT) replayWriteSegment(&mixed, "", 0);
            if (x.kind == REPLAY_ITEM_FRAME) replayWriteFrame(&mixed, y.ticks, &y.in);
            if (x.kind == REPLAY_ITEM_DIGEST) replayWriteDigest(&mixed, x.digest);
            if (x.kind == REPLAY_ITEM_END) replayWriteEnd(&mixed, &x.end);
        }
        const ReplayCheck c = check(replayFileBytes(mixed.payload));
        EXPECT_FALSE(c.reached) << changedAt;
        EXPECT_EQ(c.badFrame, uint32_t((changedAt / replayDigestEvery + 1) * replayDigestEvery)) << changedAt;
        EXPECT_EQ(c.why, "the state differs from the recorded digest") << changedAt;
    }
}

// Left, kept and continued twice: one file, each continuation from the kept run's text.
TEST_F(Replay, AContinuedRunGoesOnInTheSameReplay) {
    Recording run;
    begin(&run);
    play(&run, 250, busy);
    for (int part = 0; part < 2; part++) {
        ReplayItem next;
        next.kept = replaySimKeptText(run.header.code);
        next.shotState = 0;
        replayWriteSegment(&run.w, next.kept, 0);
        std::string why;
        ASSERT_TRUE(replaySimEnter(&next, &why)) << why;
        play(&run, 200, busy);
    }
    const std::string bytes = finish(&run);
    const ReplayCheck c = check(bytes);
    EXPECT_TRUE(c.reached) << c.why << " at frame " << c.badFrame;
    EXPECT_EQ(c.frames, 650u);

    // A kept run that is not where the previous segment ended is found.
    Recording other;
    begin(&other);
    play(&other, 100, busy);
    player.x += 0.25f;
    ReplayItem next;
    next.kept = replaySimKeptText(other.header.code);
    replayWriteSegment(&other.w, next.kept, 0);
    std::string why;
    ASSERT_TRUE(replaySimEnter(&next, &why));
    play(&other, 50, busy);
    const ReplayCheck moved = check(finish(&other));
    EXPECT_FALSE(moved.reached);
    EXPECT_EQ(moved.badFrame, 100u);
    EXPECT_EQ(moved.why, "the kept run differs from the state reached");
}

// The fade and the door move in the step alone: a run played without a window reaches its end.
TEST_F(Replay, AWonRunEndsInTheStepWithoutAWindow) {
    Recording run;
    // A small mine whose door opens as soon as both stand in the exit cell; every stock counts as full.
    const MineCode small = {4, 0, 0, mineClassicSeed};
    mineCodeFormat(&small, run.header.code);
    run.header.mazeSize = 4, run.header.itemsPerKind = run.header.diamondsNeeded = 0;
    run.header.fullLevel = 0;
    begin(&run);
    // Home walks both out; the door opens (10 degrees a second) and the fade follows.
    play(&run, 60 * 60, [](int) { return held({ACTION_WALK_OUT}); });
    ASSERT_TRUE(run.over) << "the run ended within a minute of walking out";
    EXPECT_TRUE(gameWon());
    EXPECT_EQ(gameState.fadeState, 4);
    EXPECT_GE(exitDoor.pitch, 100.0f);
    const ReplayCheck c = check(finish(&run));
    EXPECT_TRUE(c.reached) << c.why;
    EXPECT_TRUE(c.won);
}

// The play settings of the header drive the re-simulation: one tap of Home at half pace walks both
// out, in about twice the frames the held key takes at full pace, and plays back to the same end.
TEST_F(Replay, ATappedWalkAtHalfPacePlaysBackToItsEnd) {
    int framesAt[2] = {};
    for (int slow = 0; slow < 2; slow++) {
        Recording run;
        const MineCode small = {4, 0, 0, mineClassicSeed};
        mineCodeFormat(&small, run.header.code);
        run.header.mazeSize = 4, run.header.itemsPerKind = run.header.diamondsNeeded = 0;
        run.header.fullLevel = 0;
        run.header.gameSpeed = slow ? 50 : 100, run.header.routeKeys = slow;
        begin(&run);
        play(&run, 240 * 60, [slow](int f) {
            if (!slow) return held({ACTION_WALK_OUT});
            StepInput in{};
            if (f == 0) gameStepPress(&in, ACTION_WALK_OUT);
            return in;
        });
        ASSERT_TRUE(run.over) << "slow " << slow;
        EXPECT_TRUE(gameWon());
        framesAt[slow] = int(run.w.frames);
        std::string why;
        const ReplayCheck c = check(finish(&run), &why);
        EXPECT_TRUE(c.reached) << "slow " << slow << ": " << why << c.why << " at frame " << c.badFrame;
    }
    // The fade after the door keeps real time, so a little less than twice.
    EXPECT_GT(framesAt[1], framesAt[0] * 17 / 10);
    EXPECT_LT(framesAt[1], framesAt[0] * 21 / 10);
}

TEST_F(Replay, FramesWhereNothingChangedCostAlmostNothing) {
    // Ten minutes at 60 frames a second: keys held for seconds, the pointer moved now and then.
    Recording run;
    begin(&run);
    const int frames = 10 * 60 * 60;
    play(&run, frames, [](int f) {
        StepInput in = held({(f / 90) % 3 == 0 ? ACTION_FORWARD : ACTION_STEP_LEFT});
        if (f % 3 == 0) in.lookYaw = float(f % 17) * 0.083f, in.lookPitch = float(f % 5) * -0.05f;
        return in;
    });
    const std::string bytes = finish(&run);
    EXPECT_LE(bytes.size(), 1000000u);
    RecordProperty("bytes", int(bytes.size()));
    std::cout << "a ten-minute replay: " << bytes.size() << " bytes\n";
}

} // namespace

namespace {

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every replay of the suite and of the fuzz corpus, written out again item by item, reads back as the
// same items and checks again.
TEST_F(Replay, AReplayWrittenAgainItemByItemIsTheSame) {
    std::vector<std::string> files;
    for (const char* folder : {KX_SOURCE_DIR "/tests/replays", KX_SOURCE_DIR "/tests/fuzz/corpus/replay"})
        for (const auto& e : std::filesystem::directory_iterator(folder))
            if (e.path().extension() == ".kxr") files.push_back(e.path().string());
    ASSERT_GE(files.size(), 2u);
    for (const std::string& file : files) {
        ReplayReader r;
        std::string why;
        ASSERT_TRUE(replayOpen(fileText(file), &r, &why)) << file << " " << why;
        ReplayWriter w;
        replayWriteHeader(&w, &r.header);
        ReplayItem item;
        std::vector<ReplayItem> items;
        while (replayNext(&r, &item)) {
            items.push_back(item);
            if (item.kind == REPLAY_ITEM_FRAME) replayWriteFrame(&w, item.ticks, &item.in);
            if (item.kind == REPLAY_ITEM_DIGEST) replayWriteDigest(&w, item.digest);
            if (item.kind == REPLAY_ITEM_SEGMENT) replayWriteSegment(&w, item.kept, int32_t(item.shotState));
            if (item.kind == REPLAY_ITEM_PLAY) replayWritePlay(&w, &item.play);
            if (item.kind == REPLAY_ITEM_END) replayWriteEnd(&w, &item.end);
        }
        EXPECT_EQ(w.payload, r.payload) << file;
        ReplayReader again;
        ASSERT_TRUE(replayOpen(replayFileBytes(w.payload), &again, &why)) << file << " " << why;
        EXPECT_TRUE(check(replayFileBytes(w.payload)).reached) << file;
    }
}

// This program links the step's library and core, without GL, the window toolkit, X, the pad's or the
// sound's libraries; and every replay of the suite plays through the step here to its recorded end.
TEST_F(Replay, TheStepChecksTheSuiteWithoutGL) {
    std::ifstream maps("/proc/self/maps");
    ASSERT_TRUE(maps.good()) << "/proc/self/maps cannot be read";
    std::string loaded((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
    ASSERT_NE(loaded.find("libz.so"), std::string::npos) << "the maps list no shared library";
    for (const char* library : {"libGL.", "libGLU.", "libglut.", "libGLX", "libX11.", "libSDL2", "libopenal.", "libsndfile."})
        EXPECT_EQ(loaded.find(library), std::string::npos) << library << " is loaded";
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(KX_SOURCE_DIR "/tests/replays")) {
        if (e.path().extension() != ".kxr") continue;
        files++;
        std::string why;
        const ReplayCheck c = check(fileText(e.path().string()), &why);
        EXPECT_TRUE(c.reached) << e.path() << ": " << why << c.why << " at frame " << c.badFrame;
    }
    EXPECT_GE(files, 8);
}

// The name typed for a hall entry follows the end: read back as typed (Latin-1 too), and the run still
// checks to its end; a file of format version 1 reads as one without a name.
TEST_F(Replay, TheNameAfterTheEndReadsBackAndTheRunStillChecks) {
    ReplayReader r;
    std::string why;
    ASSERT_TRUE(replayOpen(recorded(200, busy), &r, &why)) << why;
    for (const char* name : {"Ada", "Zo\xEB M\xFCller", "0123456789012345678901234567890", ""}) {
        ReplayWriter w;
        w.payload = r.payload;
        replayWriteName(&w, name);
        ReplayReader named;
        ASSERT_TRUE(replayOpen(replayFileBytes(w.payload), &named, &why)) << name << ": " << why;
        EXPECT_STREQ(named.name, name);
        EXPECT_EQ(named.end.kind, REPLAY_LEFT) << name;
        EXPECT_TRUE(check(replayFileBytes(w.payload)).reached) << name;
    }
    ReplayReader old;
    ASSERT_TRUE(replayOpen(repacked(r.payload, 1), &old, &why)) << why;
    EXPECT_STREQ(old.name, "");
    EXPECT_TRUE(check(repacked(r.payload, 1)).reached);
}

} // namespace


namespace {

// A run left with its arrow in flight and continued from the kept run's text: the clock to the tick,
// the arrow, its burst and the last dismount go on as they were.
TEST_F(Replay, AKeptRunKeepsTheClockAndTheArrowExactly) {
    Recording run;
    begin(&run);
    play(&run, 242, busy); // the shot of frame 240 flies
    ASSERT_EQ(shotState, 1);
    const Actor arrow = shot;
    const int64_t ticks = timingGameTicks();
    const float dismounted = riderDismountedAt();
    ReplayItem next;
    next.kept = replaySimKeptText(run.header.code);
    std::string why;
    ASSERT_TRUE(replaySimEnter(&next, &why)) << why;
    EXPECT_EQ(timingGameTicks(), ticks) << "not rounded from the seconds";
    EXPECT_EQ(shotState, 1);
    EXPECT_EQ(memcmp(&shot, &arrow, sizeof shot), 0);
    EXPECT_EQ(riderDismountedAt(), dismounted);
    // A save of the first version (no clock, no arrow) still reads: its time rounded up, the arrow ready.
    std::string first = next.kept;
    first.replace(first.find("kavernix-run 3"), 14, "kavernix-run 1");
    first.erase(first.find("clock = "), first.find("check = ") - first.find("clock = "));
    first.erase(first.find("check = "));
    uint32_t h = 2166136261u; // the file's check: FNV-1a over the text before it
    for (unsigned char ch : first) h = (h ^ ch) * 16777619u;
    char check[32];
    snprintf(check, sizeof check, "check = %08x\n", h);
    first += check;
    RunSave s;
    const char* refused = "";
    ASSERT_TRUE(runSaveParse(first.data(), first.size(), &s, &refused)) << refused << "\n" << first;
    EXPECT_EQ(runSaveClock(&s), -1);
    EXPECT_EQ(s.shotState, 0);
    next.kept = first;
    ASSERT_TRUE(replaySimEnter(&next, &why)) << why;
    EXPECT_EQ(timingGameTicks(), int64_t(std::ceil(double(s.gameTime) * double(hz))));
}

} // namespace

namespace {

// The state a continued run must match at each frame: the digest, the screen's fade apart (entering
// the game screen fades in from black again), and the field of view.
struct Reached {
    uint64_t digest;
    int32_t fadeState;
    float fadeLevel;
    int view;
};

Reached reachedNow() {
    return Reached{gameStepDigest(), gameState.fadeState, gameState.fadeLevel, record.fieldOfView};
}

// The digest with the fade taken as another run's.
uint64_t digestWithFade(const Reached& other) {
    const GameState was = gameState;
    gameState.fadeState = other.fadeState, gameState.fadeLevel = other.fadeLevel;
    const uint64_t digest = gameStepDigest();
    gameState = was;
    return digest;
}

// Frames of a steady 60 a second: the fade-in of a continued run then ends at the level the first
// one reached.
void playSteady(Recording* run, int frames, const Script& script) {
    for (int i = 0; i < frames && !run->over; i++) {
        const StepInput in = script(int(run->w.frames));
        replayWriteFrame(&run->w, hz / 60, &in);
        run->over = gameStep(&in, hz / 60);
        if (run->w.frames % replayDigestEvery == 0) replayWriteDigest(&run->w, gameStepDigest());
    }
}

// What a new process has of the steps' carry-over before the kept run is read.
void forgetCarryOver() {
    for (int w = 0; w < WALK_COUNT; w++) actorWalkSetPhase(ActorWalk(w), 0);
    memset(actorWalkRoute(WALK_TO_HORSE), 0, MAZE_CAPACITY);
    memset(actorWalkRoute(WALK_CALL_HORSE), 0, MAZE_CAPACITY);
    const int none[3] = {};
    gameSetWalksLed(none);
    const float nowhere[8] = {};
    gameHintsSetKept(-1, nowhere, 0);
    gameSetFieldOfViewPart(0);
    gameState.tappedRoute = 0;
}

// The kept run read by a new process: the mine built again from its code, the game screen entered.
// The view F9 reached comes back from the settings file, where leaving kept it.
void continueFrom(Recording* run, const std::string& kept) {
    const int view = record.fieldOfView;
    forgetCarryOver();
    replayWriteSegment(&run->w, kept, 0);
    std::string why;
    int prepared = 0;
    {
        OutputCapture quiet;
        prepared = replaySimPrepare(&run->header, &why);
    }
    ASSERT_TRUE(prepared) << why;
    record.fieldOfView = view;
    ReplayItem next;
    next.kept = kept;
    ASSERT_TRUE(replaySimEnter(&next, &why)) << why;
}

// A small mine whose door opens as soon as both stand in the exit cell; without straw the horse
// walks at its slowest.
void onSmallMine(Recording* run) {
    const MineCode small = {4, 0, 0, mineClassicSeed};
    mineCodeFormat(&small, run->header.code);
    run->header.mazeSize = 4, run->header.itemsPerKind = run->header.diamondsNeeded = 0;
}

// The text of a kept run with its check made to fit.
std::string rechecked(std::string text) {
    text.erase(text.find("check = "));
    uint32_t h = 2166136261u;
    for (unsigned char ch : text) h = (h ^ ch) * 16777619u;
    char check[32];
    snprintf(check, sizeof check, "check = %08x\n", h);
    return text + check;
}

// A run left in the middle of a route walk, of the exit scene or of an F9 change, and continued from
// the kept run's text in a new process, reaches the state of the same run never left at every frame
// after, to its end; its replay checks, and a kept run that is not where the run was is named at the
// frame it was left.
TEST_F(Replay, ARunLeftAndContinuedGoesOnAsOneNeverLeft) {
    struct Case {
        const char* name;
        int small, tap;
        Script script;
        int leaveAt;                      // frames played before leaving; -1: 20 after the door began to open
        std::function<bool()> underWay;   // what leaving cuts into is under way
        int frames;
    };
    // clang-format off
    const Case cases[] = {
        {"to the horse, held", 0, 0, [](int) { return held({ACTION_GO_TO_HORSE}); }, 30,
         [] { return actorWalkPhase(WALK_TO_HORSE) == 1 || actorWalkPhase(WALK_TO_HORSE) == 2; }, 400},
        {"the horse called, held", 0, 0, [](int) { return held({ACTION_CALL_HORSE}); }, 30,
         [] { return actorWalkPhase(WALK_CALL_HORSE) == 1 || actorWalkPhase(WALK_CALL_HORSE) == 2; }, 400},
        {"to the horse, tapped", 0, 1,
         [](int f) { StepInput in{}; if (f == 0) gameStepPress(&in, ACTION_GO_TO_HORSE); return in; }, 30,
         [] { return gameState.tappedRoute == ACTION_GO_TO_HORSE && actorWalkPhase(WALK_TO_HORSE) != 0; }, 400},
        {"out, tapped", 1, 1,
         [](int f) { StepInput in{}; if (f == 0) gameStepPress(&in, ACTION_WALK_OUT); return in; }, 40,
         [] { return gameState.tappedRoute == ACTION_WALK_OUT; }, 60 * 600},
        {"the exit scene", 1, 0, [](int) { return held({ACTION_WALK_OUT}); }, -1,
         [] { return exitDoor.pitch > 0 && exitDoor.pitch < 100; }, 60 * 600},
        {"the view widened", 0, 0, [](int f) { return f < 90 ? held({ACTION_WIDER, ACTION_FORWARD}) : held({}); },
         51, [] { return gameFieldOfViewPart() != 0; }, 200},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recording whole;
        if (c.small) onSmallMine(&whole);
        whole.header.routeKeys = c.tap;
        begin(&whole);
        std::vector<Reached> reached;
        int opened = -1;
        while (int(reached.size()) < c.frames && !whole.over) {
            playSteady(&whole, 1, c.script);
            reached.push_back(reachedNow());
            if (opened < 0 && exitDoor.pitch > 0) opened = int(reached.size());
        }
        const int leaveAt = c.leaveAt >= 0 ? c.leaveAt : opened + 20;
        ASSERT_GT(leaveAt, 0);
        ASSERT_LT(leaveAt, int(reached.size()));

        Recording parted;
        parted.header = whole.header;
        begin(&parted);
        playSteady(&parted, leaveAt, c.script);
        ASSERT_TRUE(c.underWay());
        const std::string kept = replaySimKeptText(parted.header.code);
        continueFrom(&parted, kept);
        int differsAt = 0; // the first frame whose state differs
        for (size_t f = size_t(leaveAt); f < reached.size() && !differsAt; f++) {
            playSteady(&parted, 1, c.script);
            if (digestWithFade(reached[f]) != reached[f].digest || record.fieldOfView != reached[f].view)
                differsAt = int(f) + 1;
        }
        EXPECT_EQ(differsAt, 0) << "left after frame " << leaveAt;
        if (differsAt) continue;
        EXPECT_EQ(gameStepDigest(), reached.back().digest) << "the fade-in ends where the first one did";
        EXPECT_EQ(parted.over, whole.over);
        const ReplayCheck checked = check(finish(&parted));
        EXPECT_TRUE(checked.reached) << checked.why << " at frame " << checked.badFrame;

        // The same run with a kept run that is not where it was left.
        Recording moved;
        moved.header = whole.header;
        begin(&moved);
        playSteady(&moved, leaveAt, c.script);
        gameSetFieldOfViewPart(gameFieldOfViewPart() + 0.25f);
        continueFrom(&moved, replaySimKeptText(moved.header.code));
        playSteady(&moved, 10, c.script);
        const ReplayCheck named = check(finish(&moved));
        EXPECT_FALSE(named.reached);
        EXPECT_EQ(named.badFrame, uint32_t(leaveAt));
        EXPECT_EQ(named.why, "the kept run differs from the state reached");
    }
}

// A kept run of the second version (no walks, no exit scene, no view) still reads and continues as
// a fresh entry; a replay that holds one checks against the state without them; every damage to the
// new lines is refused.
TEST_F(Replay, AKeptRunOfTheSecondVersionStillContinues) {
    Recording run;
    begin(&run);
    play(&run, 30, [](int) { return held({ACTION_GO_TO_HORSE}); });
    const std::string kept = replaySimKeptText(run.header.code);
    ASSERT_NE(kept.find("route = "), std::string::npos) << "the walk's route is kept while it is walked";
    std::string second = kept;
    second.replace(second.find("kavernix-run 3"), 14, "kavernix-run 2");
    second.erase(second.find("walks = "), second.find("check = ") - second.find("walks = "));
    second = rechecked(second);
    RunSave s;
    const char* refused = "";
    ASSERT_TRUE(runSaveParse(second.data(), second.size(), &s, &refused)) << refused;
    EXPECT_EQ(s.exact, 0);
    EXPECT_EQ(runSaveFormat(&s), second);
    continueFrom(&run, second);
    EXPECT_EQ(actorWalkPhase(WALK_TO_HORSE), 0) << "a second version's walk starts anew";
    play(&run, 30, [](int) { return held({ACTION_GO_TO_HORSE}); });
    const ReplayCheck c = check(finish(&run));
    EXPECT_TRUE(c.reached) << c.why << " at frame " << c.badFrame;

    // clang-format off
    const struct { const char* from; const char* to; const char* why; } damages[] = {
        {"walks = ", "walks = 3", "has walks out of range"},
        {"walks = ", "walks = x", "has walks out of range"},
        {"route = ", "route = :", "has a route out of range"},
        {"straw = 0", "straw = 2", "has walks out of range"},
        {"fade = ", "fade = 5", "has a fade out of range"},
        {"view = ", "view = 3f800000", "has a line of the wrong length"},
    };
    // clang-format on
    for (const auto& d : damages) {
        std::string text = kept;
        const size_t at = text.find(d.from);
        ASSERT_NE(at, std::string::npos) << d.from;
        text.replace(at, strlen(d.from), d.to);
        text = rechecked(text);
        EXPECT_FALSE(runSaveParse(text.data(), text.size(), &s, &refused)) << d.to;
        EXPECT_STREQ(refused, d.why) << d.to;
    }
}

} // namespace
