// SPDX-License-Identifier: GPL-3.0-or-later
// Whole games played through the real program with the keyboard, the pointer and the pad, from the
// story to the end screen and the hall of fame, and a run kept and continued.
#include <gtest/gtest.h>
#include <filesystem>
#include <sstream>
#include "app/replay.h"
#include "play_fixture.h"
#include "setup/mine_code.h"

// The text of a mine code.
static std::string codeOf(MineCode c) {
    char text[MINE_CODE_TEXT];
    mineCodeFormat(&c, text);
    return text;
}

// A mine of size 8 with three items of each kind, all three diamonds needed: the exit path picks
// them up, and the player and the unfed horse walk out together. The hall of fame holds one slow run.
const char* const wholeGameSettings = "mazeSize = 8\nitemsPerKind = 3\ndiamondsNeeded = 3\nfullLevel = 1\n"
                                      "skipStory = 0\nmodelSource = 2\nhallName1 = Slow\nhallTime1 = 29000\n";

TEST_F(Play, WonFromTheStoryThroughTheMineToTheHallOfFame) {
    ASSERT_TRUE(start(wholeGameSettings));
    // The story fades in over its poster; Enter snaps each page's text, then turns the page.
    ASSERT_TRUE(storyShown()) << "the story screen never brightened";
    Shot story = last;
    for (int i = 0; i < 8; ++i) xdo("key Return"), sleepFor(0.15);
    ASSERT_TRUE(gameShown()) << "no lamp frame after the story";
    EXPECT_GT(differing(story, last, *whole), W * H / 2) << "the story screen was replaced";
    Shot standing = settled(*mapBox, 10); // the game's fade-in has finished
    EXPECT_TRUE(lampFrameShown(standing));
    EXPECT_GT(meanDifference(standing, *stencilFit, *view), 20) << "the scene shows inside the opening";
    sleepFor(0.5);
    Shot stillStanding = shot();
    EXPECT_LT(differing(standing, stillStanding, *view), 5000) << "only the items in sight turn";
    EXPECT_EQ(differing(standing, stillStanding, *mapBox), 0);

    // Holding Up walks: the view inside the opening changes, the frame outside it stays.
    xdo("keydown Up");
    bool walked = pollFor(10, [&](const Shot& s) { return differing(standing, s, *view) > 5000; });
    xdo("keyup Up");
    EXPECT_TRUE(walked) << "holding Up did not change the view";
    Shot walkedShot = last;
    EXPECT_EQ(differing(standing, walkedShot, lamp->frame), 0) << "the lamp frame outside the opening stays";
    EXPECT_TRUE(lampFrameShown(walkedShot));

    // The pointer moved to the right turns the player, and the map turns with it.
    sleepFor(0.3);
    Shot beforeTurn = shot();
    bool turned = false;
    for (int i = 0; i < 10 && !turned; ++i) {
        pointerMove(60, 0);
        sleepFor(0.2);
        turned = pollFor(1, [&](const Shot& s) { return differing(beforeTurn, s, *mapBox) > 300; });
    }
    EXPECT_TRUE(turned) << "the map did not turn with the pointer";
    EXPECT_EQ(differing(beforeTurn, last, lamp->frame), 0);

    // P pauses: the glass's middle says so on a dark ground, and nothing more is drawn, even with
    // Up held; after P again Up walks.
    Shot beforePause = shot();
    xdo("key p");
    sleepFor(0.4);
    Shot paused = shot();
    const Region glassMiddle = within(lamp->opening, 0.3, 0.6, 0.3, 0.55, W, H);
    EXPECT_GT(differing(beforePause, paused, glassMiddle), 8000) << "no pause hint";
    EXPECT_GT(
        share(paused, glassMiddle, [](const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; }),
        0.03)
        << "the hint's letters are light";
    xdo("keydown Up");
    sleepFor(1);
    Shot stillPaused = shot();
    xdo("keyup Up");
    EXPECT_EQ(differing(paused, stillPaused, *whole), 0) << "the screen changed during the pause";
    xdo("key p");
    xdo("keydown Up");
    EXPECT_TRUE(pollFor(10, [&](const Shot& s) { return differing(paused, s, *view) > 5000; }))
        << "the game did not go on after the second P: Up does not walk";
    xdo("keyup Up");

    // B shows the boss picture over the whole window and halts; B again brings the game back.
    xdo("key B");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return shows(s, *bossFit, *whole); })) << "no boss picture";
    xdo("key B");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return lampFrameShown(s); }))
        << "the game did not come back after the boss picture";

    // S to wireframe: every frame clears and redraws the lamp frame, so the scene's lines stand on
    // the opening's white; two more S: smooth shading again.
    Shot smooth = shot();
    EXPECT_LT(share(smooth, *view, pureWhite), 0.01);
    xdo("key s");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return share(s, *view, pureWhite) > 0.3; }))
        << "no wireframe";
    EXPECT_GT(differing(smooth, last, *view), 5000);
    EXPECT_TRUE(lampFrameShown(last)) << "the frame is redrawn in every wireframe frame";
    xdo("key s");
    xdo("key s");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return share(s, *view, pureWhite) < 0.01; }));

    // Page Up calls the horse, Home lets both walk out collecting the diamonds on the way; the exit
    // opens and the game fades to the end screen, which shows the winner's picture behind its panel.
    xdo("keydown Prior");
    sleepFor(1);
    xdo("keyup Prior");
    xdo("keydown Home");
    // While the door opens the eye stays outside the horse and looks at the door: in its last
    // seconds the glass shows the daylight beyond it.
    double daylight = 0;
    bool ended = pollFor(200, [&](const Shot& s) {
        daylight = std::max(daylight, showingShare(s, *doorFit, *view));
        return endScreenShown(s);
    });
    xdo("keyup Home");
    ASSERT_TRUE(ended) << "no end screen";
    EXPECT_GT(daylight, 0.5) << "the open door's daylight was never seen";
    EXPECT_TRUE(shows(last, *wonFit, *endRim)) << "the end screen judges the run as won";
    Shot endShot = settled(*whole, 10); // the end screen's fade-in has finished
    // The second n goes down before the game has read the first one's release (it is stopped
    // meanwhile, as in a slow frame): both count.
    xdo("type --delay 60 A");
    kill(pid, SIGSTOP);
    xdo("keydown n keyup n keydown n");
    kill(pid, SIGCONT);
    sleepFor(0.2);
    xdo("keyup n");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return differing(endShot, s, *whole) > 50; }))
        << "the typed name appears in the list";
    xdo("key Return");
    ASSERT_EQ(waitExit(20), 0) << "Enter on the end screen ends the program";
    expectReplayChecks("won", "won-keys-pointer-pause-boss");

    std::string stored = readFileText(folder + "/settings.ini");
    EXPECT_EQ(valueOf(stored, "hallName1"), "Ann") << stored;
    double time = atof(valueOf(stored, "hallTime1").c_str());
    EXPECT_GT(time, 5);
    EXPECT_LT(time, 29000) << "the run took the first place";
    // The entry keeps the run's replay, named from the mine's code and the time: the last run's, with
    // the name typed for it after its end.
    char hallReplay[64];
    snprintf(hallReplay, sizeof hallReplay, "/data/kavernix/replays/%s_%08lld.kxr", codeOf({8, 3, 3, 1}).c_str(),
             std::llround(time * 100));
    ReplayReader last, entry;
    std::string why;
    ASSERT_TRUE(replayOpen(readFileText(folder + "/data/kavernix/replays/last.kxr"), &last, &why)) << why;
    ASSERT_TRUE(replayOpen(readFileText(folder + hallReplay), &entry, &why)) << hallReplay << " " << why;
    EXPECT_STREQ(last.name, "");
    EXPECT_STREQ(entry.name, "Ann");
    ReplayWriter named;
    named.payload = last.payload;
    replayWriteName(&named, "Ann");
    EXPECT_EQ(entry.payload, named.payload) << hallReplay;
    EXPECT_EQ(valueOf(stored, "hallName2"), "Slow");
    EXPECT_EQ(valueOf(stored, "hallTime2"), "29000");
    auto [seconds, peak] = heard();
    EXPECT_GT(seconds, time) << "the whole run was heard";
    EXPECT_GT(peak, 0.05) << "the run was heard";
    EXPECT_EQ(sanitizerReport(), "");
}

// The clock of a saved run, from its "time = " line (the bits of a float); -1 without a save.
static float savedTime(const std::string& path) {
    std::string text = readFileText(path);
    size_t at = text.find("\ntime = ");
    if (at == std::string::npos) return -1;
    uint32_t bits = uint32_t(strtoul(text.c_str() + at + 8, nullptr, 16));
    float t;
    memcpy(&t, &bits, 4);
    return t;
}

const char* const keptRunSettings = "mazeSize = 8\nitemsPerKind = 1\nskipStory = 1\nmodelSource = 1\n";

// A game started, walked a little with Up and left with Escape: the map at the start and as left.
void walkThenEscape(Play* g, Shot* atStart, Shot* left) {
    ASSERT_TRUE(g->start(keptRunSettings)) << "no window titled Kavernix";
    ASSERT_TRUE(g->gameShown()) << "no lamp frame";
    *atStart = g->settled(*g->mapBox, 10);
    g->xdo("keydown Up");
    bool walked = g->pollFor(10, [&](const Shot& s) { return differing(*atStart, s, *g->mapBox) > 50; });
    g->xdo("keyup Up");
    ASSERT_TRUE(walked) << "holding Up did not move the player on the map";
    *left = g->settled(*g->mapBox, 10);
    g->xdo("key Escape");
    ASSERT_EQ(g->waitExit(20), 0);
    g->expectReplayChecks("left", "left");
}

// Escape in the game keeps the run; --continue goes on with it where it was left (the map shows the
// same place), takes the save, and the next Escape keeps the longer time.
TEST_F(Play, ContinueGoesOnWithTheKeptRun) {
    const std::string save = folder + "/state/kavernix/run.ini";
    Shot atStart, left;
    ASSERT_NO_FATAL_FAILURE(walkThenEscape(this, &atStart, &left));
    const float firstTime = savedTime(save);
    ASSERT_GT(firstTime, 0.5f) << "Escape in the game keeps the run";
    ASSERT_TRUE(start(keptRunSettings, "--continue")) << "no window titled Kavernix";
    ASSERT_TRUE(gameShown()) << "no lamp frame";
    Shot resumed = settled(*mapBox, 10);
    EXPECT_LT(differing(left, resumed, *mapBox), 20) << "the map shows the place where the run was left";
    EXPECT_GT(differing(atStart, resumed, *mapBox), 50);
    EXPECT_EQ(savedTime(save), -1) << "a continued save is taken";
    sleepFor(1);
    xdo("key Escape");
    ASSERT_EQ(waitExit(20), 0);
    EXPECT_GT(savedTime(save), firstTime + 0.5f) << "the continued run goes on with its time";
    // One replay of the whole run, left twice: the second part a segment of the same file.
    expectReplayChecks("left", "continued");
    EXPECT_TRUE(std::filesystem::exists(folder + "/state/kavernix/run.kxr")) << "kept beside the kept run";
    const std::string err = readFileText(folder + "/err.txt");
    EXPECT_EQ(err.find("fresh game"), std::string::npos) << err;
    EXPECT_EQ(sanitizerReport(), "");
}

// The pad alone plays a whole game: A turns the story's pages, X calls the horse, the left shoulder
// walks both out; unplugging the pad pauses the game and Start on the pad plugged in again resumes it;
// the name goes in with the d-pad and A stores it.
TEST_F(Play, ThePadAlonePlaysToTheHallOfFame) {
    usePad();
    ASSERT_TRUE(start(wholeGameSettings));
    ASSERT_TRUE(storyShown()) << "the story screen never brightened";
    for (int i = 0; i < 8; ++i) padPress("a");
    ASSERT_TRUE(gameShown()) << "A did not lead through the story: " << readFileText(folder + "/err.txt");
    Shot standing = settled(*mapBox, 10);

    // Unplugged, the game pauses: the left shoulder walks nowhere; plugged in again, Start resumes.
    pad("unplug");
    sleepFor(0.5);
    pad("down leftshoulder");
    sleepFor(1);
    Shot paused = shot();
    sleepFor(0.5);
    EXPECT_EQ(differing(paused, shot(), *view), 0) << "the game went on without its pad";
    pad("plug");
    sleepFor(0.5);
    pad("down leftshoulder");
    sleepFor(1);
    EXPECT_EQ(differing(paused, shot(), *view), 0) << "only Start resumes";
    padPress("start");
    pad("down leftshoulder");
    EXPECT_TRUE(pollFor(10, [&](const Shot& s) { return differing(paused, s, *view) > 5000; }))
        << "Start did not resume the game";
    pad("up leftshoulder");

    // The horse comes (X), then both walk out (left shoulder held) to the end screen.
    pad("down x");
    sleepFor(1);
    pad("up x");
    pad("down leftshoulder");
    bool ended = pollFor(200, endScreenShown);
    pad("up leftshoulder");
    ASSERT_TRUE(ended) << "no end screen";
    EXPECT_TRUE(shows(last, *wonFit, *endRim)) << "the end screen judges the run as won";
    settled(*whole, 10);
    for (const char* b : {"dpup", "dpright", "dpup", "dpup", "dpright", "dpdown", "b", "a"}) padPress(b);
    ASSERT_EQ(waitExit(20), 0) << "A on the end screen stores the name and ends the program";
    expectReplayChecks("won", "won-pad");
    std::string stored = readFileText(folder + "/settings.ini");
    EXPECT_EQ(valueOf(stored, "hallName1"), "AB") << stored;
    EXPECT_EQ(valueOf(stored, "hallName2"), "Slow");
    EXPECT_EQ(sanitizerReport(), "");
}

// Size 8: walking to the horse (Page Down) ends facing it half a cell away, far from the exit; a ride
// on the spot; the arrow shot from behind the horse hits it.
TEST_F(Play, ShootingTheHorseLosesWithoutAPlaceInTheHall) {
    ASSERT_TRUE(start("mazeSize = 8\nitemsPerKind = 0\ndiamondsNeeded = 0\nskipStory = 1\nmodelSource = 1\n"
                      "hallName1 = Ada\nhallTime1 = 61.5\nhallName2 = Bea\nhallTime2 = 75.25\n"));
    ASSERT_TRUE(gameShown()) << "no lamp frame";
    Shot atStart = settled(*view, 10);

    // The player walks the route to the horse and stops in its cell; the map stands still then (for
    // four shots in a row: on a busy machine two shots may fall into one slow frame).
    xdo("keydown Next");
    Shot previous = atStart;
    int stillShots = 0;
    bool arrived = pollFor(60, [&](const Shot& s) {
        bool still = differing(previous, s, *mapBox) == 0 && differing(atStart, s, *mapBox) > 300;
        stillShots = still ? stillShots + 1 : 0;
        previous = s;
        return stillShots >= 3;
    });
    xdo("keyup Next");
    ASSERT_TRUE(arrived) << "the player never reached the horse";

    // The horse is straight ahead on the map: its blue square just above the centre.
    // The horse's pixels on the map, blue.
    auto horsePixels = [&](const Shot& s) {
        Region r;
        for (auto& p : *mapBox) {
            const uint8_t* c = s.at(p.first, p.second);
            if (c[2] > 30 && c[0] < 12 && c[1] < 12) r.push_back(p);
        }
        return r;
    };
    const Region seen = horsePixels(last);
    const long n = long(seen.size());
    ASSERT_GT(n, 20) << "no horse on the map";
    double sx = 0, sy = 0;
    for (auto& p : seen) sx += p.first, sy += p.second;
    double cx = 0.83 * W, cy = H - 0.82 * H;
    EXPECT_NEAR(sx / n, cx, 3) << "the horse is not straight ahead";
    EXPECT_LT(sy / n, cy) << "the horse is ahead, not behind";
    EXPECT_GT(sy / n, cy - 20) << "the horse is within a cell";

    // H: the player gets on, and the player's square covers the horse's on the map; H again: off
    // behind the horse, which shows ahead again.
    xdo("key h");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return horsePixels(s).size() < 5; })) << "not on horseback";
    xdo("key h");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return horsePixels(s).size() > 20; })) << "not off the horse";

    // A level shot meets the horse; a miss explodes on the rock, so shoot again.
    bool lost = false;
    for (int attempt = 0; attempt < 3 && !lost; ++attempt) {
        xdo("click 1");
        lost = pollFor(6, [&](const Shot& s) { return !lampFrameShown(s); });
    }
    ASSERT_TRUE(lost) << "the arrow never hit the horse";
    ASSERT_TRUE(pollFor(15, [&](const Shot& s) { return shows(s, *lostFit, *endRim); }))
        << "no end screen with the dragon picture of a lost game";
    Shot endShot = settled(*whole, 10);
    EXPECT_FALSE(shows(endShot, *wonFit, *endRim));

    // A lost run gets no place: typing changes nothing and Enter stores the hall of fame as it was.
    xdo("type --delay 60 Bob");
    sleepFor(0.5);
    EXPECT_EQ(differing(endShot, shot(), *whole), 0) << "no name entry for a lost run";
    xdo("key Return");
    ASSERT_EQ(waitExit(20), 0);
    expectReplayChecks("lost", "lost-ride-shot");
    EXPECT_FALSE(std::filesystem::exists(folder + "/state/kavernix/run.kxr")) << "an ended run keeps no replay";    std::string stored = readFileText(folder + "/settings.ini");
    const char* const hall[][2] = {{"hallName1", "Ada"},   {"hallTime1", "61.5"}, {"hallName2", "Bea"},
                                   {"hallTime2", "75.25"}, {"hallName3", ""},     {"hallTime3", "30000"}};
    for (const auto& place : hall) EXPECT_EQ(valueOf(stored, place[0]), place[1]) << place[0];
    EXPECT_EQ(stored.find("Bob"), std::string::npos);
    EXPECT_EQ(sanitizerReport(), "");
}

// A mine's records file that the game cannot read whole (larger than 1 MB, or a folder where the file
// belongs) is left as it is when a run on that mine ends and Enter stores: one line names it and why.
TEST_F(Play, ARecordsFileTheGameCannotReadIsLeftAsItIs) {
    const std::string option = "--mine=" + codeOf({4, 0, 0, 0x5EED8u});
    const std::string records = folder + "/data/kavernix/records.ini";
    std::string big = "[" + codeOf({8, 0, 0, 0x5EED9u}) + "]\nplayed = 1\n1 = 12.5 Ann\n";
    while (big.size() <= (1u << 20)) big += "# filling the file up past one megabyte, line after line\n";
    const std::pair<const char*, const char*> cases[] = {{"larger", "larger than 1 MB"},
                                                         {"folder", "is a folder"}};
    for (const auto& [kind, why] : cases) {
        SCOPED_TRACE(kind);
        const std::string data = records.substr(0, records.rfind('/'));
        ASSERT_EQ(system(("rm -rf " + folder + "/data && mkdir -p " + data).c_str()), 0);
        if (kind[0] == 'l')
            writeFileText(records, big);
        else
            std::filesystem::create_directories(records + "/inside");
        ASSERT_TRUE(start("skipStory = 1\nmodelSource = 1\n",
                          option.c_str()));
        ASSERT_TRUE(gameShown()) << "no lamp frame";
        xdo("keydown Prior");
        sleepFor(1);
        xdo("keyup Prior");
        xdo("keydown Home");
        const bool ended = pollFor(200, endScreenShown);
        xdo("keyup Home");
        ASSERT_TRUE(ended) << "no end screen";
        settled(*whole, 10);
        xdo("type --delay 60 Zed");
        xdo("key Return");
        ASSERT_EQ(waitExit(20), 0) << "Enter on the end screen ends the program";
        std::istringstream err(readFileText(folder + "/err.txt"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(err, line);)
            if (line.find("records.ini") != std::string::npos) lines.push_back(line);
        ASSERT_EQ(lines.size(), 1u) << readFileText(folder + "/err.txt");
        EXPECT_NE(lines[0].find(records), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find(why), std::string::npos) << lines[0];
        if (kind[0] == 'l') {
            EXPECT_EQ(readFileText(records), big) << "the records are left as they were";
        } else {
            EXPECT_TRUE(std::filesystem::is_directory(records + "/inside"));
        }
        EXPECT_EQ(sanitizerReport(), "");
    }
}

// A recorded run played in the window: its mine and rules come from the file (the settings name
// another mine), 8 plays it faster, it ends on the end screen of a lost run as recorded, and nothing is
// recorded, kept or stored; Enter ends the program.
TEST_F(Play, AReplayPlaysInTheWindowToItsEndScreen) {
    const std::string option = "--replay=" KX_SOURCE_DIR "/tests/replays/lost-ride-shot.kxr";
    ASSERT_TRUE(start("mazeSize = 16\nitemsPerKind = 5\nskipStory = 0\nmodelSource = 1\n"
                      "hallName1 = Ada\nhallTime1 = 61.5\n",
                      option.c_str()))
        << "no window titled Kavernix";
    const std::string before = readFileText(folder + "/settings.ini");
    ASSERT_TRUE(gameShown()) << "no lamp frame: the story is not shown for a replay";
    // The line at the top of the glass says it is a replay (polled: the first shots can fall in the
    // fade from black, which dims it).
    const Region top = within(lamp->opening, 0.3, 0.6, 0.08, 0.17, W, H); // rows from the top
    EXPECT_TRUE(pollFor(10, [&](const Shot& s) {
        return share(s, top, [](const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; }) > 0.01;
    })) << "no replay line";
    xdo("key 8");
    ASSERT_TRUE(pollFor(180, [&](const Shot& s) { return shows(s, *lostFit, *endRim); }))
        << "no end screen of the lost run";
    settled(*whole, 10);
    xdo("key Return");
    ASSERT_EQ(waitExit(20), 0);
    EXPECT_EQ(readFileText(folder + "/settings.ini"), before) << "a replay stores nothing";
    EXPECT_FALSE(std::filesystem::exists(folder + "/data/kavernix/replays")) << "a replay is not recorded";
    EXPECT_FALSE(std::filesystem::exists(folder + "/state/kavernix/run.ini")) << "a replay keeps no run";
    EXPECT_EQ(sanitizerReport(), "");
}

// A watched run ends on an end screen of its own: the name typed for its hall entry and the time for a
// won run, "The run was left." and the time so far for a left one (no name). Any key leaves it, and
// nothing is recorded, kept or stored: not the hall, the records, the settings or a kept run.
TEST_F(Play, AWatchedRunEndsOnItsScreenWithItsNameAndStoresNothing) {
    ReplayReader r;
    std::string why;
    ASSERT_TRUE(replayOpen(readFileText(KX_SOURCE_DIR "/tests/replays/won-pad.kxr"), &r, &why)) << why;
    ReplayWriter named; // the run as its hall entry keeps it
    named.payload = r.payload;
    replayWriteName(&named, "Ada Lovelace");
    const std::string namedFile = folder + "/named.kxr";
    std::ofstream(namedFile, std::ios::binary) << replayFileBytes(named.payload);
    // clang-format off
    struct { const char* what; std::string file; const Rgb* picture; bool nameShown; } cases[] = {
        {"a won run with its name", namedFile, wonFit, true},
        {"a left run", KX_SOURCE_DIR "/tests/replays/left.kxr", lostFit, false},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string option = "--replay=" + c.file;
        ASSERT_TRUE(start("skipStory = 1\nmodelSource = 1\nhallName1 = Bo\nhallTime1 = 61.5\n", option.c_str()));
        const std::string before = readFileText(folder + "/settings.ini");
        ASSERT_TRUE(gameShown()) << "no lamp frame";
        xdo("key 8");
        ASSERT_TRUE(pollFor(120, [&](const Shot& s) { return shows(s, *c.picture, *endRim); })) << "no end screen";
        settled(*whole, 10);
        // The name's row: at a third of the width, 60 % of the height up.
        const Region nameRow = within(*whole, 0.33, 0.6, 0.34, 0.41, W, H);
        const double white = share(last, nameRow, [](const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; });
        EXPECT_EQ(white > 0.01, c.nameShown) << white;
        xdo("key Escape");
        ASSERT_EQ(waitExit(20), 0) << "a key leaves the end screen";
        EXPECT_EQ(readFileText(folder + "/settings.ini"), before) << "the settings and the classic hall";
        for (const char* kept : {"/data/kavernix/replays", "/data/kavernix/records.ini", "/state/kavernix/run.ini",
                                 "/state/kavernix/run.kxr"})
            EXPECT_FALSE(std::filesystem::exists(folder + kept)) << kept;
        EXPECT_EQ(sanitizerReport(), "");
        TearDown();
        SetUp();
    }
}
