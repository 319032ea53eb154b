// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the per-mine records reader. What it keeps are valid records: written out
// again and read back, they come back identical and without a single complaint.
#include "setup/mine_records.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MineRecords first, second;
    recordsParse(reinterpret_cast<const char*>(data), size, "fuzz", &first, nullptr);
    if (first.count < 0 || first.count > RECORDS_MINES) abort();
    const std::string text = recordsFormat(&first);
    if (recordsParse(text.data(), text.size(), "fuzz", &second, nullptr) != 0) abort();
    if (second.count != first.count ||
        memcmp(first.tables, second.tables, sizeof(MineTable) * size_t(first.count)) != 0)
        abort();
    return 0;
}
