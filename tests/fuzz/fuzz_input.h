// SPDX-License-Identifier: GPL-3.0-or-later
// The fuzz input as a file, for the readers that take a path.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

inline void fuzzWriteInput(const char* path, const uint8_t* data, size_t size) {
    FILE* file = fopen(path, "wb");
    if (!file) abort();
    fwrite(data, 1, size, file);
    fclose(file);
}

// The input in a file of this process's own, made once and removed at exit.
inline const char* fuzzInputFile(const uint8_t* data, size_t size) {
    static char path[] = "/tmp/kx_fuzz_input_XXXXXX";
    static const int fd = mkstemp(path);
    static const int removed = atexit([] { unlink(path); });
    if (fd < 0 || removed != 0) abort();
    fuzzWriteInput(path, data, size);
    return path;
}
