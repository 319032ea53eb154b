// SPDX-License-Identifier: GPL-3.0-or-later
// The two font strips, "fontmaze.tga" (a clear sans serif) and "fontgotic.tga" (blackletter): 256
// glyphs side by side in code order, black ink on white, in the layout the game's font builder scans.
//
// How the builder reads a strip, and what each rule below is for:
// - It finds the band of glyph rows as the run of rows that are not plain (a row is plain when all
//   its pixels equal its leftmost pixel). The strip is one white row, a band of 32 rows, one white
//   row; every band row holds a near-white pixel in each glyph's lead column, so none is plain.
// - It finds glyphs as runs of columns that are not plain (a column is plain when all its pixels
//   equal its bottom pixel, which is white here). Each glyph is a run: a lead column (near-white over
//   the band, skipped by the builder), the ink columns, each with a near-white pixel in the band's
//   second row so that gaps inside a glyph (in '"', or columns without ink) do not split it, then
//   one pure white column.
// - The builder stores the band's lowest row in the cell above the glyph's own, and the texture's
//   filtering lets the cell above sample the second row at its edge: the lowest row stays pure white
//   (so every other cell, the space's included, stays empty), the second row holds only the bridge,
//   and the ink keeps to the 30 rows above them.
// Near-white is 253: after the builder inverts the image it is an alpha of 2, which nothing shows.
#include "art.h"

#include "image/tga.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int bandRows = 32;
const int stripHeight = bandRows + 2;
const int inkRows = 30;       // band rows 2 to 31 (counted from the band's bottom)
const int maxInkColumns = 30; // with the lead column, 31 at most
const uint8_t nearWhite = 253;

struct Glyph {
    int width = 0;            // ink columns
    std::vector<uint8_t> ink; // inkRows x width, top row first, 0 = white, 255 = black
};

// The strip image under construction: columns of stripHeight grey values, bottom row first.
struct Strip {
    std::vector<std::vector<uint8_t>> columns;
    void add(const std::vector<uint8_t>& column) { columns.push_back(column); }
};

std::vector<uint8_t> whiteColumn() {
    return std::vector<uint8_t>(stripHeight, 255);
}

// Strip row of a band row (0 = the band's bottom row).
int bandRow(int b) {
    return 1 + b;
}

void addGlyph(Strip* strip, const Glyph& g) {
    std::vector<uint8_t> lead = whiteColumn();
    for (int b = 0; b < bandRows; b++) lead[bandRow(b)] = nearWhite;
    strip->add(lead);
    for (int x = 0; x < g.width; x++) {
        std::vector<uint8_t> column = whiteColumn();
        column[bandRow(1)] = nearWhite;
        for (int row = 0; row < inkRows; row++) {
            uint8_t cover = g.ink[row * g.width + x];
            // Ink row 0 is the top: band row 31.
            column[bandRow(bandRows - 1 - row)] = uint8_t(255 - cover);
        }
        strip->add(column);
    }
    strip->add(whiteColumn());
}

// A small grey dot for the codes that have no glyph (0 to 32, 127 to 159).
Glyph placeholder() {
    Glyph g;
    g.width = 2;
    g.ink.assign(inkRows * g.width, 0);
    for (int row = 18; row < 20; row++)
        for (int x = 0; x < 2; x++) g.ink[row * 2 + x] = 96;
    return g;
}

struct FontSetup {
    FT_Face face;
    FT_Face fallback; // for characters the face lacks
    int pixelSize;
    int baseline;   // ink row of the baseline, counted from the top
    float embolden; // outline widening in pixels
    float stretch;  // horizontal scale: the game shows a cell about half as wide as high
};

// Renders one character; Glyph.width 0 when the face has no ink for it.
Glyph render(const FontSetup& font, uint32_t code, float sx) {
    Glyph g;
    FT_Face face = font.face;
    if (FT_Get_Char_Index(face, code) == 0 && font.fallback) face = font.fallback;
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(font.pixelSize));
    FT_Matrix m = {FT_Fixed(sx * 65536), 0, 0, 0x10000};
    FT_Set_Transform(face, &m, nullptr);
    if (FT_Load_Char(face, code, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) {
        FT_Set_Transform(face, nullptr, nullptr);
        return g;
    }
    if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE && font.embolden > 0)
        FT_Outline_Embolden(&face->glyph->outline, FT_Pos(font.embolden * 64));
    int rendered = FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
    FT_Set_Transform(face, nullptr, nullptr); // the face is shared with Cairo's text
    if (rendered != 0) return g;
    const FT_Bitmap& bm = face->glyph->bitmap;
    int left = int(bm.width), right = -1;
    for (unsigned y = 0; y < bm.rows; y++)
        for (unsigned x = 0; x < bm.width; x++)
            if (bm.buffer[y * bm.pitch + x] > 8) {
                left = std::min(left, int(x));
                right = std::max(right, int(x));
            }
    if (right < left) return g;
    g.width = right - left + 1;
    g.ink.assign(inkRows * g.width, 0);
    int top = font.baseline - face->glyph->bitmap_top; // ink row of the bitmap's first row
    for (unsigned y = 0; y < bm.rows; y++) {
        int row = top + int(y);
        if (row < 0 || row >= inkRows) continue;
        for (int x = 0; x < g.width; x++) g.ink[row * g.width + x] = bm.buffer[y * bm.pitch + left + x];
    }
    return g;
}

Glyph glyphFor(const FontSetup& font, uint32_t code) {
    if (code <= 32 || (code >= 127 && code <= 159)) return placeholder();
    Glyph g = render(font, code, font.stretch);
    if (g.width > maxInkColumns) {
        // Too wide for a cell: narrow this one until it fits.
        float sx = font.stretch * float(maxInkColumns) / float(g.width);
        for (int tries = 0; tries < 8 && g.width > maxInkColumns; tries++, sx *= 0.97f)
            g = render(font, code, sx);
    }
    if (g.width > maxInkColumns) {
        // Still too wide: keep the middle columns rather than break the strip's layout.
        std::vector<uint8_t> cropped(inkRows * maxInkColumns);
        int skip = (g.width - maxInkColumns) / 2;
        for (int row = 0; row < inkRows; row++)
            for (int x = 0; x < maxInkColumns; x++)
                cropped[row * maxInkColumns + x] = g.ink[row * g.width + skip + x];
        g.width = maxInkColumns;
        g.ink = cropped;
    }
    if (g.width == 0) {
        // No ink (the no-break space): bridge columns only.
        g.width = 6;
        g.ink.assign(inkRows * g.width, 0);
    }
    return g;
}

// The characters that must fit the ink rows whole: ASCII and the German letters. Rarer Latin-1
// letters with tall accents may lose a row at the top rather than shrink the whole font.
bool mustFit(uint32_t code) {
    const uint32_t german[] = {0xC4, 0xD6, 0xDC, 0xE4, 0xF6, 0xFC, 0xDF};
    if (code >= 33 && code <= 126) return true;
    for (uint32_t g : german)
        if (code == g) return true;
    return false;
}

// The largest pixel size whose characters that must fit do so; sets the baseline so that the
// descenders end on the lowest ink row.
void fitSize(FontSetup* font, int firstTry) {
    for (int size = firstTry; size > 8; size--) {
        int above = 0, below = 0;
        for (uint32_t code = 33; code < 256; code++) {
            if (!mustFit(code)) continue;
            FT_Face face = font->face;
            if (FT_Get_Char_Index(face, code) == 0 && font->fallback) face = font->fallback;
            FT_Set_Pixel_Sizes(face, 0, FT_UInt(size));
            FT_Set_Transform(face, nullptr, nullptr);
            if (FT_Load_Char(face, code, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) continue;
            FT_BBox box;
            FT_Outline_Get_CBox(&face->glyph->outline, &box);
            above = std::max(above, int(std::ceil(box.yMax / 64.0 + font->embolden / 2)));
            below = std::max(below, int(std::ceil(-box.yMin / 64.0 + font->embolden / 2)));
        }
        if (above + below <= inkRows) {
            font->pixelSize = size;
            font->baseline = inkRows - below;
            return;
        }
    }
}

int writeStrip(const char* dir, const char* name, FontSetup font) {
    Strip strip;
    strip.add(whiteColumn());
    for (uint32_t code = 0; code < 256; code++) addGlyph(&strip, glyphFor(font, code));
    TgaImage img{};
    int width = int(strip.columns.size());
    if (!tgaCreate(&img, 24, width, stripHeight)) return 0;
    for (int x = 0; x < width; x++)
        for (int y = 0; y < stripHeight; y++) {
            uint8_t v = strip.columns[x][y];
            uint8_t* p = img.pixels + (y * width + x) * 3;
            p[0] = p[1] = p[2] = v;
        }
    std::string path = std::string(dir) + "/" + name;
    int ok = tgaSave(&img, path.c_str());
    tgaFree(&img);
    if (!ok) printf("kavernix-art: cannot write %s\n", path.c_str());
    return ok;
}

} // namespace

int artFonts(const char* dir) {
    int written = 0;
    FontSetup sans{artFtFace(artFontSans), nullptr, 0, 0, 0, 1.6f};
    if (sans.face) {
        fitSize(&sans, 32);
        written += writeStrip(dir, "fontmaze.tga", sans);
    }
    // Blackletter is narrow: widened more, so its letters fill their cells like the sans serif's.
    FontSetup gothic{artFtFace(artFontGothic), artFtFace(artFontSerif), 0, 0, 1.0f, 2.1f};
    if (gothic.face) {
        fitSize(&gothic, 36);
        written += writeStrip(dir, "fontgotic.tga", gothic);
    }
    return 2 - written;
}
