// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the settings file reader. Whatever it reads must be valid settings: written
// out again and read back, they come back identical and without a single complaint.
#include "setup/settings_file.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

static std::string path = "/tmp/kx_fuzz_settings_" + std::to_string(getpid()) + ".ini";

static void removeInputFile() {
    unlink(path.c_str());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int cleanup = atexit(removeInputFile);
    (void)cleanup;
    static FILE* sink = fopen("/dev/null", "w");
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return 0;
    fwrite(data, 1, size, file);
    fclose(file);

    SettingsFile first;
    settingsRead(path.c_str(), &first, sink);
    SettingsFile checked = first;
    if (settingsCheck(&checked, "fuzz", sink) != 0 || memcmp(&checked, &first, sizeof first) != 0) abort();

    std::string text = settingsFormat(&first);
    SettingsFile second;
    if (settingsParse(text.data(), text.size(), "fuzz", &second, sink) != 0) abort();
    if (memcmp(&first, &second, sizeof first) != 0) abort();
    return 0;
}
