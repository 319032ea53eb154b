// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the settings file reader. Whatever it reads must be valid settings: written
// out again and read back, they come back identical and without a single complaint.
#include "fuzz_input.h"
#include "setup/settings_file.h"
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FILE* sink = fopen("/dev/null", "w");
    SettingsFile first;
    settingsRead(fuzzInputFile(data, size), &first, sink);
    SettingsFile checked = first;
    if (settingsCheck(&checked, "fuzz", sink) != 0 || memcmp(&checked, &first, sizeof first) != 0) abort();

    std::string text = settingsFormat(&first);
    SettingsFile second;
    if (settingsParse(text.data(), text.size(), "fuzz", &second, sink) != 0) abort();
    if (memcmp(&first, &second, sizeof first) != 0) abort();
    return 0;
}
