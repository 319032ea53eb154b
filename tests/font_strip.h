// Hand-made font strips for the font tests: white background, glyphs of solid colours at chosen
// columns, all within one band of rows.
#pragma once
#include <vector>

#include "image/tga.h"

struct StripGlyph {
    int column; // first ink column
    int width;  // ink columns
    uint8_t r, g, b;
};

// A strip of the given size; glyph rows run from bandStart to bandStart + bandHeight - 1, and band
// row j of every glyph has its green byte raised by j, so the row order can be told apart.
inline TgaImage makeStrip(int width, int height, int bandStart, int bandHeight,
                          const std::vector<StripGlyph>& glyphs) {
    TgaImage strip{};
    tgaCreate(&strip, 24, width, height);
    for (int i = 0; i < strip.byteSize; i++) strip.pixels[i] = 255;
    for (const StripGlyph& g : glyphs)
        for (int x = g.column; x < g.column + g.width; x++)
            for (int j = 0; j < bandHeight; j++) {
                uint8_t* p = strip.pixels + ((bandStart + j) * width + x) * 3;
                p[0] = g.r;
                p[1] = uint8_t(g.g + j);
                p[2] = g.b;
            }
    return strip;
}
