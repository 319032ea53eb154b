// SPDX-License-Identifier: GPL-3.0-or-later
// The captions' lines: each event's text with its side, kept with the clock's time it was said.
#include "app/captions.h"
#include <cmath>
#include <cstdio>
#include "app/lang_text.h"
#include "app/record.h"
#include "brep/catalogue.h"
#include "game/actor.h"

namespace {

const char* const captionIds[CAPTION_COUNT] = {
    // TRANSLATORS: captions of the game's sounds, at most 25 characters; the side follows after a comma.
    LANG_ID("Spider scuttling"),  LANG_ID("Hooves coming"),        LANG_ID("Door creaks open"),
    LANG_ID("Arrow strikes"),     LANG_ID("Straw bale picked up"), LANG_ID("Oil can picked up"),
    LANG_ID("Diamond picked up"), LANG_ID("Spider caught"),        LANG_ID("Horse has no straw"),
};
const char* const sideIds[] = {
    "",
    // TRANSLATORS: where a captioned sound comes from, seen from the hero.
    LANG_ID("left"),
    LANG_ID("right"),
    LANG_ID("ahead"),
    LANG_ID("behind"),
};

struct Line {
    char text[64];
    float time; // record.gameTime when it was said
};
Line shown[captionLinesShown]; // a ring, next the oldest
int next;
int count;
char spoken[captionLinesShown][64]; // what captionLines hands out

// The clock's time each spider slot was last captioned; below 0: never in this game.
float spiderSaid[MAX_INSTANCES];

} // namespace

CaptionSide captionSide(float px, float pz, float heading, float x, float z) {
    const float dx = x - px, dz = z - pz;
    if (dx * dx + dz * dz < 0.4f * 0.4f) return CAPTION_HERE;
    // Forward is (sin h, -cos h) in the floor plane, left is (-cos h, -sin h).
    const float h = heading * float(M_PI / 180.0);
    const float ahead = dx * std::sin(h) - dz * std::cos(h);
    const float left = -dx * std::cos(h) - dz * std::sin(h);
    if (std::fabs(left) > std::fabs(ahead)) return left > 0 ? CAPTION_LEFT : CAPTION_RIGHT;
    return ahead >= 0 ? CAPTION_AHEAD : CAPTION_BEHIND;
}

void captionSay(CaptionId id, float x, float z) {
    if (!record.captions || id < 0 || id >= CAPTION_COUNT) return;
    const CaptionSide side = captionSide(player.x, player.z, player.heading, x, z);
    Line& l = shown[next];
    if (side == CAPTION_HERE)
        snprintf(l.text, sizeof l.text, "%s", langText(captionIds[id]));
    else
        snprintf(l.text, sizeof l.text, "%s, %s", langText(captionIds[id]), langText(sideIds[side]));
    l.time = record.gameTime;
    next = (next + 1) % captionLinesShown;
    if (count < captionLinesShown) count += 1;
}

void captionSpiders() {
    if (!record.captions) return;
    const ModelEntry& spiders = modelTable[ROW_SPIDER];
    for (int i = 0; i < spiders.count && i < MAX_INSTANCES; i++) {
        const Actor& s = spiders.entities[i];
        const float dx = s.x - player.x, dz = s.z - player.z;
        if (dx * dx + dz * dz > captionSpiderHearing * captionSpiderHearing) continue;
        if (spiderSaid[i] >= 0 && record.gameTime - spiderSaid[i] < captionRepeatSeconds &&
            record.gameTime >= spiderSaid[i])
            continue;
        spiderSaid[i] = record.gameTime;
        captionSay(CAPTION_SPIDER, s.x, s.z);
    }
}

void captionsReset() {
    next = 0;
    count = 0;
    for (float& t : spiderSaid) t = -1;
}

int captionLines(const char* lines[captionLinesShown]) {
    int n = 0;
    for (int k = 0; k < count; k++) {
        const Line& l = shown[(next - count + k + captionLinesShown) % captionLinesShown];
        const float age = record.gameTime - l.time;
        if (age < 0 || age >= captionSeconds) continue;
        snprintf(spoken[n], sizeof spoken[n], "%s", l.text);
        lines[n] = spoken[n];
        n += 1;
    }
    return n;
}
