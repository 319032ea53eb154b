// SPDX-License-Identifier: GPL-3.0-or-later
// The replay file: writing its items, packing it, and reading it back with every part checked.
#include "app/replay.h"
#include <zlib.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include "app/record.h"
#include "setup/key_table.h"

static const char magic[8] = {'K', 'X', 'R', 'E', 'P', 'L', 'A', 'Y'};
static const size_t envelopeSize = 8 + 2 + 4 + 4; // magic, version, payload length, packed length
// A payload larger than this is not a replay of this game (hours of play at thousands of frames a
// second stay well below it).
static const uint32_t payloadMost = 256u << 20;

// The tags of the items; a frame's tag below frameTagsEnd holds which parts follow.
enum {
    FRAME_TICKS = 1,
    FRAME_HELD = 2,
    FRAME_PRESSES = 4,
    FRAME_LOOK = 8,
    FRAME_WALK_STICK = 16,
    FRAME_LOOK_STICK = 32,
    frameTagsEnd = 64,
    TAG_DIGEST = 0x40,
    TAG_SEGMENT,
    TAG_PLAY,
    TAG_END,
    TAG_NAME,
};

// ---- Writing.

static void putByte(std::string* s, unsigned v) {
    s->push_back(char(v & 0xFF));
}

static void putFixed(std::string* s, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; i++) putByte(s, unsigned(v >> (8 * i)));
}

static void putVar(std::string* s, uint64_t v) {
    while (v >= 0x80) putByte(s, unsigned(v) | 0x80), v >>= 7;
    putByte(s, unsigned(v));
}

static uint64_t zigzag(int64_t v) {
    return (uint64_t(v) << 1) ^ uint64_t(v >> 63);
}

static void putSigned(std::string* s, int64_t v) {
    putVar(s, zigzag(v));
}

static void putFloat(std::string* s, float f) {
    uint32_t bits;
    memcpy(&bits, &f, sizeof bits);
    putFixed(s, bits, 4);
}

static void putText(std::string* s, const char* text, size_t most) {
    size_t n = strnlen(text, most);
    putByte(s, unsigned(n));
    s->append(text, n);
}

static void putPlay(std::string* s, const ReplayPlay* p) {
    putSigned(s, p->mouseSpeed);
    putSigned(s, p->invertMouse);
    putSigned(s, p->padDeadZone);
    putSigned(s, p->padLookSpeed);
}

void replayWriteHeader(ReplayWriter* w, const ReplayHeader* h) {
    std::string* s = &w->payload;
    putFixed(s, h->rules, 4);
    putText(s, h->gameVersion, sizeof h->gameVersion - 1);
    putText(s, h->code, sizeof h->code - 1);
    putFixed(s, uint64_t(h->date), 8);
    putFixed(s, uint64_t(h->perfFrequency), 8);
    const int32_t ints[] = {h->mazeSize,    h->itemsPerKind, h->diamondsNeeded, h->fullLevel,
                            h->strawDistance, h->oilSeconds, h->pausedStart,    h->shotState,
                            h->fieldOfView, h->gameSpeed,    h->routeKeys};
    for (int32_t v : ints) putSigned(s, v);
    putPlay(s, &h->play);
    putFixed(s, h->generator, 4);
}

void replayWriteSegment(ReplayWriter* w, const std::string& kept, int32_t shotState) {
    putByte(&w->payload, TAG_SEGMENT);
    putSigned(&w->payload, shotState);
    putVar(&w->payload, kept.size());
    w->payload += kept;
}

void replayWriteFrame(ReplayWriter* w, int64_t ticks, const StepInput* in) {
    std::string* s = &w->payload;
    const StepInput& last = w->last;
    unsigned tag = 0;
    if (ticks != w->lastTicks) tag |= FRAME_TICKS;
    if (in->held != last.held) tag |= FRAME_HELD;
    if (in->pressCount) tag |= FRAME_PRESSES;
    if (in->lookYaw != 0 || in->lookPitch != 0) tag |= FRAME_LOOK;
    if (in->walkX != last.walkX || in->walkY != last.walkY) tag |= FRAME_WALK_STICK;
    if (in->lookX != last.lookX || in->lookY != last.lookY) tag |= FRAME_LOOK_STICK;
    putByte(s, tag);
    if (tag & FRAME_TICKS) putSigned(s, ticks - w->lastTicks);
    if (tag & FRAME_HELD) putVar(s, in->held);
    if (tag & FRAME_PRESSES) {
        const unsigned n = in->pressCount > unsigned(stepPressMax) ? unsigned(stepPressMax) : in->pressCount;
        putByte(s, n);
        for (unsigned i = 0; i < n; i++) putByte(s, in->presses[i]);
    }
    if (tag & FRAME_LOOK) putFloat(s, in->lookYaw), putFloat(s, in->lookPitch);
    if (tag & FRAME_WALK_STICK) putFloat(s, in->walkX), putFloat(s, in->walkY);
    if (tag & FRAME_LOOK_STICK) putFloat(s, in->lookX), putFloat(s, in->lookY);
    w->lastTicks = ticks;
    w->last = *in;
    w->frames++;
}

void replayWriteDigest(ReplayWriter* w, uint64_t digest) {
    putByte(&w->payload, TAG_DIGEST);
    putVar(&w->payload, w->frames);
    putFixed(&w->payload, digest, 8);
}

void replayWritePlay(ReplayWriter* w, const ReplayPlay* play) {
    putByte(&w->payload, TAG_PLAY);
    putPlay(&w->payload, play);
}

void replayWriteEnd(ReplayWriter* w, const ReplayEnd* end) {
    std::string* s = &w->payload;
    putByte(s, TAG_END);
    putSigned(s, end->kind);
    putSigned(s, end->gameTicks);
    putFloat(s, end->finalTime);
    putSigned(s, end->diamonds);
    putVar(s, end->frames);
}

void replayWriteName(ReplayWriter* w, const char* name) {
    putByte(&w->payload, TAG_NAME);
    putText(&w->payload, name, 31);
}

std::string replayFileBytes(const std::string& payload) {
    uLongf packedSize = compressBound(uLong(payload.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
                  reinterpret_cast<const Bytef*>(payload.data()), uLong(payload.size()), 9) != Z_OK)
        return std::string();
    packed.resize(packedSize);
    std::string out(magic, sizeof magic);
    putFixed(&out, replayFormatVersion, 2);
    putFixed(&out, payload.size(), 4);
    putFixed(&out, packed.size(), 4);
    out += packed;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(out.data()), uInt(out.size()));
    putFixed(&out, crc, 4);
    return out;
}

void replayHeaderToRecord(const ReplayHeader* h) {
    record.mazeSize = h->mazeSize;
    record.itemsPerKind = h->itemsPerKind;
    record.diamondsNeeded = h->diamondsNeeded;
    recordTakeRules(h->fullLevel, h->strawDistance, h->oilSeconds, h->gameSpeed);
    record.perfFrequency = h->perfFrequency;
    record.fieldOfView = h->fieldOfView;
    record.routeKeys = h->routeKeys;
    replayPlayToRecord(&h->play);
}

ReplayPlay replayPlayOfRecord() {
    return ReplayPlay{record.mouseSpeed, record.invertMouse, record.padDeadZone, record.padLookSpeed};
}

void replayPlayToRecord(const ReplayPlay* p) {
    record.mouseSpeed = p->mouseSpeed;
    record.invertMouse = p->invertMouse;
    record.padDeadZone = p->padDeadZone;
    record.padLookSpeed = p->padLookSpeed;
}

// ---- Reading: a cursor that turns bad at the first byte it lacks, and stays bad.

namespace {
struct Cursor {
    const unsigned char* p;
    size_t n, at;
    const char* bad; // the first fault, or null

    int fail(const char* why) {
        if (!bad) bad = why;
        at = n;
        return 0;
    }
    uint64_t fixed(int bytes) {
        if (n - at < size_t(bytes)) return fail("is cut short"), 0;
        uint64_t v = 0;
        for (int i = 0; i < bytes; i++) v |= uint64_t(p[at + i]) << (8 * i);
        at += size_t(bytes);
        return v;
    }
    uint64_t var() {
        uint64_t v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (at >= n) return fail("is cut short"), 0;
            const unsigned b = p[at++];
            v |= uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80)) return v;
        }
        return fail("holds a number too long"), 0;
    }
    int64_t sign() {
        const uint64_t z = var();
        return int64_t(z >> 1) ^ -int64_t(z & 1);
    }
    int32_t int32(int64_t least, int64_t most, const char* why) {
        const int64_t v = sign();
        if (v < least || v > most) return fail(why), 0;
        return int32_t(v);
    }
    float real(float most, const char* why) {
        const uint32_t bits = uint32_t(fixed(4));
        float f;
        memcpy(&f, &bits, sizeof f);
        if (!std::isfinite(f) || std::fabs(f) > most) return fail(why), 0.0f;
        return f;
    }
    void text(char* out, size_t size) {
        const size_t len = size_t(fixed(1));
        if (len >= size) return void(fail("holds a name too long"));
        if (n - at < len) return void(fail("is cut short"));
        for (size_t i = 0; i < len; i++)
            if (p[at + i] < 0x20 || p[at + i] == 0x7F) return void(fail("holds a name with control characters"));
        memcpy(out, p + at, len);
        out[len] = 0;
        at += len;
    }
};
} // namespace

static const int64_t perfFrequencyMost = 10000000000; // ten ticks a nanosecond

static void readPlay(Cursor* c, ReplayPlay* p) {
    p->mouseSpeed = c->int32(0, 1000, "holds a mouse speed out of range");
    p->invertMouse = c->int32(0, 1, "holds an invert setting out of range");
    p->padDeadZone = c->int32(0, 100, "holds a dead zone out of range");
    p->padLookSpeed = c->int32(0, 1000, "holds a pad look speed out of range");
}

static void readHeader(Cursor* c, ReplayHeader* h) {
    h->rules = uint32_t(c->fixed(4));
    c->text(h->gameVersion, sizeof h->gameVersion);
    c->text(h->code, sizeof h->code);
    h->date = int64_t(c->fixed(8));
    h->perfFrequency = int64_t(c->fixed(8));
    if (h->perfFrequency <= 0 || h->perfFrequency > perfFrequencyMost) c->fail("holds a clock rate out of range");
    h->mazeSize = c->int32(4, 66, "holds a maze size out of range");
    h->itemsPerKind = c->int32(0, 9, "holds an item count out of range");
    h->diamondsNeeded = c->int32(0, 1000, "holds a diamond count out of range");
    h->fullLevel = c->int32(0, 1000000, "holds a full level out of range");
    h->strawDistance = c->int32(0, 1000000, "holds a straw distance out of range");
    h->oilSeconds = c->int32(0, 1000000, "holds an oil time out of range");
    h->pausedStart = c->int32(0, 1, "holds a paused start out of range");
    h->shotState = c->int32(0, 2, "holds an arrow state out of range");
    h->fieldOfView = c->int32(1, 179, "holds a field of view out of range");
    h->gameSpeed = c->int32(50, 100, "holds a game speed out of range");
    h->routeKeys = c->int32(0, 1, "holds a route key setting out of range");
    readPlay(c, &h->play);
    h->generator = uint32_t(c->fixed(4));
}

static const float lookMost = 1e6f;
// A frame of an hour (a machine that slept), and ten thousand hours of play, are the most a replay holds.
static const int64_t frameSecondsMost = 3600, playedSecondsMost = 36000000; // degrees of pointer turn a step may take in

// Reads the next item; 1, 0 at the end of the payload, or -1 with c->bad.
static int readItem(Cursor* c, ReplayReader* r, ReplayItem* item) {
    if (c->at >= c->n) return 0;
    const unsigned tag = unsigned(c->fixed(1));
    // After the end only the name, once, in a file of a version that has names.
    if (r->ended && (tag != TAG_NAME || r->named || r->version < 2)) return c->fail("goes on after its end"), -1;
    // Only the fields of the item's kind are set: the others are left at 0.
    item->kind = 0, item->ticks = 0, item->digest = 0, item->frame = 0, item->shotState = 0;
    item->in = StepInput{};
    item->play = ReplayPlay{};
    item->end = ReplayEnd{};
    item->kept.clear();
    if (tag < frameTagsEnd) {
        if (r->frames == 0 && r->at == r->itemsAt) return c->fail("does not begin with a segment"), -1;
        StepInput in = r->last;
        in.pressCount = 0;
        in.lookYaw = in.lookPitch = 0;
        if (tag & FRAME_TICKS) {
            int64_t ticks;
            if (__builtin_add_overflow(r->lastTicks, c->sign(), &ticks) || ticks < 0 ||
                ticks > r->header.perfFrequency * frameSecondsMost)
                return c->fail("holds a frame time out of range"), -1;
            r->lastTicks = ticks;
        }
        r->playedTicks += r->lastTicks;
        if (r->playedTicks > r->header.perfFrequency * playedSecondsMost)
            return c->fail("holds more time than any run"), -1;
        if (tag & FRAME_HELD) {
            in.held = c->var();
            if (ACTION_ALL < 64 && (in.held >> ACTION_ALL) != 0) return c->fail("holds an unknown action"), -1;
        }
        if (tag & FRAME_PRESSES) {
            const unsigned count = unsigned(c->fixed(1));
            if (count == 0 || count > stepPressMax) return c->fail("holds a press count out of range"), -1;
            for (unsigned i = 0; i < count; i++) {
                const unsigned a = unsigned(c->fixed(1));
                if (!gameStepTakesPress(int(a))) return c->fail("holds a press of an unknown action"), -1;
                in.presses[i] = uint8_t(a);
            }
            in.pressCount = uint8_t(count);
        }
        if (tag & FRAME_LOOK) {
            in.lookYaw = c->real(lookMost, "holds a turn out of range");
            in.lookPitch = c->real(lookMost, "holds a turn out of range");
        }
        if (tag & FRAME_WALK_STICK) {
            in.walkX = c->real(1, "holds a stick out of range");
            in.walkY = c->real(1, "holds a stick out of range");
        }
        if (tag & FRAME_LOOK_STICK) {
            in.lookX = c->real(1, "holds a stick out of range");
            in.lookY = c->real(1, "holds a stick out of range");
        }
        if (c->bad) return -1;
        r->last = in;
        r->frames++;
        item->kind = REPLAY_ITEM_FRAME;
        item->ticks = r->lastTicks;
        item->in = in;
        return 1;
    }
    switch (tag) {
    case TAG_DIGEST:
        item->kind = REPLAY_ITEM_DIGEST;
        item->frame = uint32_t(c->var());
        item->digest = c->fixed(8);
        if (!c->bad && item->frame != r->frames) c->fail("holds a digest out of its place");
        break;
    case TAG_SEGMENT: {
        item->kind = REPLAY_ITEM_SEGMENT;
        item->shotState = uint32_t(c->int32(0, 2, "holds an arrow state out of range"));
        const uint64_t length = c->var();
        if (c->bad) break;
        if (length > c->n - c->at) {
            c->fail("is cut short");
            break;
        }
        item->kept.assign(reinterpret_cast<const char*>(c->p + c->at), size_t(length));
        c->at += size_t(length);
        if (r->frames == 0 && !item->kept.empty()) c->fail("begins with a continued segment");
        if (r->frames > 0 && item->kept.empty()) c->fail("holds a continued segment without its kept run");
        break;
    }
    case TAG_PLAY:
        item->kind = REPLAY_ITEM_PLAY;
        readPlay(c, &item->play);
        break;
    case TAG_END:
        item->kind = REPLAY_ITEM_END;
        item->end.kind = c->int32(REPLAY_WON, REPLAY_LEFT, "holds an unknown end");
        item->end.gameTicks = c->sign();
        item->end.finalTime = c->real(1e9f, "holds an end time out of range");
        item->end.diamonds = c->int32(0, 1000000, "holds a diamond count out of range");
        item->end.frames = uint32_t(c->var());
        if (!c->bad && item->end.frames != r->frames) c->fail("holds an end whose frame count differs");
        if (!c->bad && item->end.gameTicks < 0) c->fail("holds an end of negative time");
        r->ended = 1;
        break;
    case TAG_NAME:
        if (!r->ended) return c->fail("holds a name before its end"), -1;
        item->kind = REPLAY_ITEM_NAME;
        c->text(r->name, sizeof r->name);
        r->named = 1;
        break;
    default:
        return c->fail("holds an unknown item"), -1;
    }
    return c->bad ? -1 : 1;
}

static Cursor cursorOf(ReplayReader* r) {
    return Cursor{reinterpret_cast<const unsigned char*>(r->payload.data()), r->payload.size(), r->at, nullptr};
}

void replayRewind(ReplayReader* r) {
    r->at = r->itemsAt;
    r->lastTicks = 0;
    r->playedTicks = 0;
    r->last = StepInput{};
    r->frames = 0;
    r->ended = 0;
    r->named = 0;
}

int replayNext(ReplayReader* r, ReplayItem* item) {
    Cursor c = cursorOf(r);
    const int got = readItem(&c, r, item);
    r->at = c.at;
    return got > 0;
}

int replayOpen(const std::string& bytes, ReplayReader* r, std::string* why, int* otherRules) {
    if (otherRules) *otherRules = 0;
    *r = ReplayReader();
    Cursor e{reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), 0, nullptr};
    if (bytes.size() < sizeof magic || memcmp(bytes.data(), magic, sizeof magic) != 0)
        return *why = "is not a Kavernix replay", 0;
    e.at = sizeof magic;
    const unsigned version = unsigned(e.fixed(2));
    if (e.bad) return *why = "is cut short", 0;
    if (version < replayFormatOldest || version > replayFormatVersion) {
        char line[120];
        snprintf(line, sizeof line, "is a replay of format version %u; this game reads format versions %d to %d",
                 version, replayFormatOldest, replayFormatVersion);
        if (otherRules) *otherRules = 1;
        return *why = line, 0;
    }
    const uint32_t rawSize = uint32_t(e.fixed(4)), packedSize = uint32_t(e.fixed(4));
    if (e.bad || bytes.size() < envelopeSize + 4 || bytes.size() - envelopeSize - 4 < packedSize)
        return *why = "is cut short", 0;
    if (bytes.size() != envelopeSize + packedSize + 4) return *why = "has bytes after its end", 0;
    Cursor tail{reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), envelopeSize + packedSize, nullptr};
    const uint32_t stored = uint32_t(tail.fixed(4));
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), uInt(envelopeSize + packedSize));
    if (stored != uint32_t(crc)) return *why = "was changed or damaged (its checksum differs)", 0;
    r->version = int(version);
    if (rawSize > payloadMost) return *why = "is larger than any replay", 0;
    r->payload.assign(rawSize, '\0');
    uLongf got = rawSize;
    const int z = uncompress(reinterpret_cast<Bytef*>(&r->payload[0]), &got,
                             reinterpret_cast<const Bytef*>(bytes.data() + envelopeSize), packedSize);
    if (z != Z_OK || got != rawSize) return *why = "holds packed data that does not unpack", 0;
    Cursor c = cursorOf(r);
    readHeader(&c, &r->header);
    if (!c.bad && r->header.rules != replayRulesVersion) {
        char line[120];
        snprintf(line, sizeof line, "was recorded with rules version %u (game %s); this game plays rules version %d",
                 r->header.rules, r->header.gameVersion, replayRulesVersion);
        if (otherRules) *otherRules = 1;
        return *why = line, 0;
    }
    if (c.bad) return *why = c.bad, 0;
    r->itemsAt = r->at = c.at;
    // Every item once through, so that a bad one is found before anything plays.
    ReplayItem item;
    for (;;) {
        c = cursorOf(r);
        const int step = readItem(&c, r, &item);
        r->at = c.at;
        if (step < 0) return *why = c.bad, 0;
        if (step == 0) break;
        if (item.kind == REPLAY_ITEM_END) r->end = item.end;
    }
    const int ended = r->ended;
    replayRewind(r);
    r->ended = 0;
    if (!ended) r->end = ReplayEnd{};
    r->end.frames = ended ? r->end.frames : 0;
    return 1;
}
