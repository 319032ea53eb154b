// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the replay reader, as a file and as the packed payload of a file whose
// checksum fits (so that the bytes reach the item reader). A replay it takes, written out again item
// by item, is taken again with the same items.
#include "app/replay.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static std::vector<ReplayItem> itemsOf(ReplayReader* r) {
    std::vector<ReplayItem> items;
    ReplayItem item;
    while (replayNext(r, &item)) items.push_back(item);
    return items;
}

static void takeOrRefuse(const std::string& bytes) {
    ReplayReader r;
    std::string why;
    if (!replayOpen(bytes, &r, &why)) {
        if (why.empty() || why.find('\n') != std::string::npos) abort();
        return;
    }
    const std::vector<ReplayItem> items = itemsOf(&r);
    ReplayWriter w;
    replayWriteHeader(&w, &r.header);
    for (const ReplayItem& i : items) {
        if (i.kind == REPLAY_ITEM_FRAME) replayWriteFrame(&w, i.ticks, &i.in);
        if (i.kind == REPLAY_ITEM_DIGEST) replayWriteDigest(&w, i.digest);
        if (i.kind == REPLAY_ITEM_SEGMENT) replayWriteSegment(&w, i.kept, int32_t(i.shotState));
        if (i.kind == REPLAY_ITEM_PLAY) replayWritePlay(&w, &i.play);
        if (i.kind == REPLAY_ITEM_END) replayWriteEnd(&w, &i.end);
    }
    ReplayReader again;
    if (!replayOpen(replayFileBytes(w.payload), &again, &why)) {
        fprintf(stderr, "written again, the replay is refused: %s\n", why.c_str());
        abort();
    }
    const std::vector<ReplayItem> second = itemsOf(&again);
    if (second.size() != items.size()) {
        fprintf(stderr, "written again, %zu items become %zu\n", items.size(), second.size());
        abort();
    }
    for (size_t i = 0; i < items.size(); i++)
        if (second[i].kind != items[i].kind || second[i].ticks != items[i].ticks ||
            second[i].in.held != items[i].in.held || second[i].digest != items[i].digest)
            abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    takeOrRefuse(bytes);
    // The same bytes as a payload, packed with a fitting checksum.
    takeOrRefuse(replayFileBytes(bytes));
    return 0;
}
