// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary text to the mine code reader. A code it takes names a mine that can hold its
// items, and written out again it reads back as the same mine.
#include "setup/mine_code.h"
#include "setup/settings_file.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    MineCode code;
    const char* why = nullptr;
    if (!mineCodeParse(text.c_str(), &code, &why)) {
        if (!why) abort();
        return 0;
    }
    if (code.size % 2 || code.size < 4 || code.size > 66 || code.items > settingsItemLimit(code.size) ||
        code.diamonds > code.items)
        abort();
    char written[MINE_CODE_TEXT];
    mineCodeFormat(&code, written);
    MineCode again;
    if (!mineCodeParse(written, &again, &why) || memcmp(&again, &code, sizeof code) != 0) abort();
    return 0;
}
