// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the saved-run reader. A save it takes, written out again, reads back as
// the same run.
#include "game/run_save.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static RunSave first, second;
    const char* why = nullptr;
    if (!runSaveParse(reinterpret_cast<const char*>(data), size, &first, &why)) {
        if (!why) abort();
        return 0;
    }
    const std::string text = runSaveFormat(&first);
    if (!runSaveParse(text.data(), text.size(), &second, &why) || memcmp(&first, &second, sizeof first) != 0)
        abort();
    return 0;
}
