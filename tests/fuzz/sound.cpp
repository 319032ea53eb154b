// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the sound clip reader: every input is decoded whole or refused with an empty clip.
#include <cstdint>
#include <cstdlib>
#include "sound/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SoundClip clip;
    int ok = soundDecode(data, size, "fuzz input", &clip);
    if (!ok && !clip.samples.empty()) abort();
    if (ok && (clip.channels < 1 || clip.channels > 2 || clip.samples.size() % size_t(clip.channels) != 0))
        abort();
    return 0;
}
