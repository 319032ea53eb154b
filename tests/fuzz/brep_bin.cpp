// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the binary model reader. A refused file leaves an empty model; an accepted
// one is whole, and writing it gives a file that reads back to the same model, byte for byte the
// same file when written once more.
#include <cstdint>
#include <fstream>
#include <sstream>

#include "brep_common.h"

static std::string fuzzFileBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzScratchDir scratch;
    BrepModel* model = fuzzReadModel(data, size, "FUZZ.001.brep.bin", 1, brepReadBinary);
    if (!model) return 0;
    std::vector<float> before = fuzzPicture(model);
    if (model->edges || model->size != size) abort();
    // The file names the model; write it under the name it asked for.
    snprintf(model->name, sizeof model->name, "FUZZ");
    model->level = 1;
    if (!brepWriteBinary(model)) abort();
    std::string first = fuzzFileBytes("FUZZ.001.brep.bin");
    BrepModel* back = nullptr;
    if (!brepReadBinary(&back, "FUZZ", 1) || !fuzzSame(fuzzPicture(back), before)) abort();
    if (!brepWriteBinary(back) || fuzzFileBytes("FUZZ.001.brep.bin") != first) abort();
    brepFree(&back);
    brepFree(&model);
    return 0;
}
