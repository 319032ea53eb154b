// SPDX-License-Identifier: GPL-3.0-or-later
// The replay file (.kxr): what a run's steps took in, frame by frame, to play the run again exactly.
// "KXREPLAY", the format version (2 bytes), the payload's length and its zlib-packed length (4 bytes
// each), the packed payload, and a CRC-32 over every byte before it. The payload: the header (rules
// version, game version, mine code, date, clock rate, every setting that changes play, the generator
// at entry), then items: a segment's start (the first run, or a kept run continued, with the kept
// run's text), one per frame (the clock ticks and the input record, each part written only when it
// changed), a digest of the state every replayDigestEvery frames, settings that F1 changed, and the
// end; after the end, the replay of a hall of fame's entry holds the name typed for it (format version
// 2; a file of version 1 reads as one without a name). Numbers are little-endian; counts and changes
// are LEB128 varints.
#pragma once
#include <cstdint>
#include <string>
#include "app/game_step.h"

enum {
    replayFormatVersion = 2,
    replayFormatOldest = 1, // the oldest format version still read
    // Raised whenever a change alters how a run plays: a replay of other rules is not played back.
    replayRulesVersion = 2,
    replayDigestEvery = 60,
};

// The settings that change play, as the run began with them (or as F1 changed them).
struct ReplayPlay {
    int32_t mouseSpeed, invertMouse, padDeadZone, padLookSpeed;
};

struct ReplayHeader {
    uint32_t rules;        // replayRulesVersion of the game that recorded it
    char gameVersion[24];  // "1.0.0"
    char code[32];         // the mine's code
    int64_t date;          // seconds since 1970 when the run began
    int64_t perfFrequency; // clock ticks per second
    int32_t mazeSize, itemsPerKind, diamondsNeeded;
    int32_t fullLevel, strawDistance, oilSeconds; // the run's rules
    int32_t pausedStart;                          // 1: the game began paused
    int32_t shotState;                            // the arrow when the game was entered (space on the story)
    int32_t fieldOfView;
    int32_t gameSpeed; // percent
    int32_t routeKeys; // 0 hold, 1 tap
    ReplayPlay play;
    uint32_t generator; // the generator's state when the game was entered
};

enum ReplayEndKind { REPLAY_WON = 1, REPLAY_LOST = 2, REPLAY_LEFT = 3 };

struct ReplayEnd {
    int32_t kind;      // ReplayEndKind
    int64_t gameTicks; // the game clock at the end, in ticks
    float finalTime;   // the seconds the end screen shows
    int32_t diamonds;
    uint32_t frames; // frames recorded in all segments
};

// One item of the payload after the header; the fields of other kinds are 0.
enum ReplayItemKind {
    REPLAY_ITEM_FRAME = 1,
    REPLAY_ITEM_DIGEST,
    REPLAY_ITEM_SEGMENT,
    REPLAY_ITEM_PLAY,
    REPLAY_ITEM_END,
    REPLAY_ITEM_NAME, // the name typed in the hall of fame (ReplayReader.name)
};

struct ReplayItem {
    int kind;
    int64_t ticks;       // FRAME: the frame's clock ticks
    StepInput in;        // FRAME
    uint64_t digest;     // DIGEST: gameStepDigest after the frame
    uint32_t frame;      // DIGEST: frames done when it was taken
    std::string kept;    // SEGMENT: the kept run's text it goes on from ("" for the run's start)
    uint32_t shotState;  // SEGMENT: the arrow as the segment began
    ReplayPlay play;     // PLAY: settings changed in the frames that follow
    ReplayEnd end;       // END
};

// ---- Writing: the payload grows item by item; replayFileBytes packs it.
struct ReplayWriter {
    std::string payload;
    uint32_t frames = 0;
    int64_t lastTicks = 0;
    StepInput last{}; // the record before, which unchanged parts are written against
};
void replayWriteHeader(ReplayWriter* w, const ReplayHeader* h);
void replayWriteSegment(ReplayWriter* w, const std::string& kept, int32_t shotState);
void replayWriteFrame(ReplayWriter* w, int64_t ticks, const StepInput* in);
void replayWriteDigest(ReplayWriter* w, uint64_t digest);
void replayWritePlay(ReplayWriter* w, const ReplayPlay* play);
void replayWriteEnd(ReplayWriter* w, const ReplayEnd* end);
// After the end: the name typed for the run's hall entry (at most 31 bytes, Latin-1).
void replayWriteName(ReplayWriter* w, const char* name);
std::string replayFileBytes(const std::string& payload);

// ---- Reading. replayOpen checks the whole file (the envelope, the checksum, the header and every
// item) and returns 1, or 0 with *why: one line, without the file's name. A file of a format
// version this game does not read or of another rules version is refused naming both versions; *otherRules is then 1.
struct ReplayReader {
    std::string payload;
    size_t at = 0;        // the next item's offset
    size_t itemsAt = 0;   // the first item's offset
    int64_t lastTicks = 0;
    int64_t playedTicks = 0; // the frames' ticks so far
    StepInput last{};
    uint32_t frames = 0;
    ReplayHeader header{};
    ReplayEnd end{};
    int ended = 0;        // 1 when the file holds its end
    char name[32] = "";   // the name typed for its hall entry ("" for none)
    int named = 0;        // 1 once the name was read
    int version = 0;      // the file's format version
};
int replayOpen(const std::string& bytes, ReplayReader* r, std::string* why, int* otherRules = nullptr);
// The items again from the first; each replayNext gives the next one: 1, or 0 at the end.
void replayRewind(ReplayReader* r);
int replayNext(ReplayReader* r, ReplayItem* item);
// The mine's size, the run's rules, the clock rate and every setting of the header that changes play,
// into the record.
void replayHeaderToRecord(const ReplayHeader* h);
// The settings of the header as a ReplayPlay of the record now, and back.
ReplayPlay replayPlayOfRecord();
void replayPlayToRecord(const ReplayPlay* p);
