// SPDX-License-Identifier: GPL-3.0-or-later
// Files for the image tests: whole-file reads and writes as bytes.
#pragma once
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "image/tga.h"
#include "output_capture.h"

using Bytes = std::vector<uint8_t>;

inline Bytes readBytes(const std::string& path) {
    const std::string text = readFileText(path);
    return Bytes(text.begin(), text.end());
}

inline void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

inline Bytes block(const TgaImage& img) {
    return Bytes(img.pixels, img.pixels + img.byteSize);
}
