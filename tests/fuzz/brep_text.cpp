// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the model text reader. A refused file leaves an empty model; an accepted
// one is whole, and packs, writes and reads back from the binary cache unchanged.
#include <cstdint>

#include "brep_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzScratchDir scratch;
    BrepModel* model = fuzzReadModel(data, size, "FUZZ.000.brep.txt", 0, brepReadText);
    if (!model) return 0;
    std::vector<float> before = fuzzPicture(model);
    brepPack(&model);
    if (!fuzzSame(fuzzPicture(model), before) || !brepWriteBinary(model)) abort();
    BrepModel* back = nullptr;
    if (!brepReadBinary(&back, "FUZZ", 0) || !fuzzSame(fuzzPicture(back), before)) abort();
    brepFree(&back);
    brepFree(&model);
    return 0;
}
