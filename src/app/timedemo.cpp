// SPDX-License-Identifier: GPL-3.0-or-later
// The timedemo: the game's own update and drawing on a fixed clock, one walk every run the same.
#include "app/timedemo.h"
#include <GL/freeglut.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>
#include "app/game_frame.h"
#include "app/input.h"
#include "app/mines.h"
#include "app/record.h"
#include "app/replay_record.h"
#include "app/screens.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"

static double secondsOf(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double timedemoProcessAgeSeconds() {
    // Field 22 of /proc/self/stat: the start time in clock ticks since boot. The command name in
    // field 2 may hold spaces, so the count starts after its closing parenthesis.
    FILE* f = fopen("/proc/self/stat", "r");
    if (!f) return -1;
    char line[1024];
    size_t n = fread(line, 1, sizeof line - 1, f);
    fclose(f);
    line[n] = 0;
    const char* p = strrchr(line, ')');
    if (!p) return -1;
    unsigned long long start = 0;
    // After ")": state (field 3) up to starttime (field 22).
    if (sscanf(p + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
               &start) != 1)
        return -1;
    long ticks = sysconf(_SC_CLK_TCK);
    if (ticks <= 0) return -1;
    return secondsOf(CLOCK_BOOTTIME) - double(start) / double(ticks);
}

namespace {

const int64_t demoStep = monotonicFrequency / 30;
int64_t demoClock;
int demoFrames, demoDrawn;
double demoStart, demoLast, demoSlowest, demoStartup;

int64_t demoCounter() {
    return demoClock;
}

void demoIdle() {
    demoClock += demoStep;
    inputHold(ACTION_WALK_OUT, 1);
    gameIdle();
}

void demoDisplay() {
    // The view sweeps left and right and a little up and down while the walk steers the heading.
    const float heading = player.heading, pitch = player.pitch;
    const float t = float(demoDrawn) / 30.0f;
    player.heading = fmodf(heading + 70.0f * sinf(t * 0.9f) + 360.0f, 360.0f);
    player.pitch = 12.0f * sinf(t * 1.7f);
    gameDisplay();
    player.heading = heading;
    player.pitch = pitch;
    glFinish();
    // The first frame ends the start-up; the frame figures are those of the frames after it.
    const double now = secondsOf(CLOCK_MONOTONIC);
    if (demoDrawn == 0) {
        demoStartup = timedemoProcessAgeSeconds();
        demoStart = now;
    } else if (now - demoLast > demoSlowest) {
        demoSlowest = now - demoLast;
    }
    demoLast = now;
    if (++demoDrawn < demoFrames) return;
    const double seconds = now - demoStart;
    // Benchmarks read the fields in this order; new ones go at the end.
    printf("startup_ms=%.1f frames=%d seconds=%.3f fps=%.1f slowest_ms=%.1f mine=%s\n", demoStartup * 1000,
           demoDrawn, seconds, seconds > 0 ? (demoDrawn - 1) / seconds : 0.0, demoSlowest * 1000,
           minesCodeText());
    fflush(stdout);
    exit(0);
}

void demoVisibility(int) {}

} // namespace

void timedemoPrepare() {
    record.skipStory = 1;
    record.running = 1;
    // More diamonds than the mine holds: the door stays shut and the run never reaches the end.
    record.diamondsNeeded = 1000;
    // The same walk at every pace setting and way of walking the routes.
    record.gameSpeed = 100;
    record.routeKeys = 0;
}

void timedemoEnter(int frames) {
    demoFrames = frames;
    demoClock = 0;
    timingSetCounter(demoCounter);
    portalCulling = 1;
    replayRecordOff(1); // the walk is the same every time: nothing to keep
    enterGame();
    inventory[ROW_OILCAN] = inventory[ROW_STRAW] = float(record.fullLevel);
    // Only Escape is left to the player; the pointer and the other keys would change the walk.
    inputUse(INPUT_TIMEDEMO);
    glutVisibilityFunc(demoVisibility);
    glutIdleFunc(demoIdle);
    glutDisplayFunc(demoDisplay);
}
