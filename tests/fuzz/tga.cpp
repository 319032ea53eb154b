// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the TGA reader and what runs on a loaded image: the conversions, and the
// font build's glyph scan over a strip.
#include "app/screens.h"
#include "fuzz_input.h"
#include "image/picture.h"
#include "image/tga.h"
#include "text/font.h"

GameState gameState; // referenced by the font module's fade; unused here

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = fuzzInputFile(data, size);
    TgaImage img{};
    if (!tgaLoad(&img, path)) {
        if (img.pixels) abort(); // a refusal always leaves the record empty
        return 0;
    }
    if (int64_t(img.width) * img.height * img.bytesPerPixel != img.byteSize) abort();
    // Keep the slow steps to small images so the fuzzer spends its time on the reader.
    if (img.byteSize <= 64 * 64 * 4) {
        TgaImage mask{};
        pictureToMask(&img, &mask, whiteMask);
        tgaFree(&mask);
        tgaMirrorTile(&img);
        tgaAddAlpha(&img, explosionAlpha);
        pictureInvert(&img);
        pictureDropAlpha(&img);
        // The font build makes a 512 x 512 image whatever the strip; one input in eight takes it.
        if (size % 8 == 0) {
            TgaImage font{};
            fontBuild(&font, path);
            tgaFree(&font);
        }
    }
    tgaFree(&img);
    return 0;
}
