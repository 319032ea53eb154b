// SPDX-License-Identifier: GPL-3.0-or-later
// Image conversions and the picture cache.
#include "image/picture.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/lang.h"
#include "app/paths.h"
#include "app/record.h"

uint8_t fontAlpha(uint8_t r, uint8_t, uint8_t) {
    return r;
}

uint8_t explosionAlpha(uint8_t r, uint8_t g, uint8_t b) {
    return unsigned(r) + g + b < 11 ? 255 : 0;
}

uint8_t whiteMask(uint8_t r, uint8_t g, uint8_t b) {
    return unsigned(r) + g + b == 765 ? 1 : 0;
}

namespace {

// One output row's (or column's) box over the input: the input rows it touches, in order, and the
// share of each. Floats in exactly the steps of GLU's box filter, so the result is the same.
struct Span {
    int first, count; // into the index and share lists
};

void boxSpans(int in, int out, std::vector<Span>* spans, std::vector<int>* index, std::vector<float>* share) {
    const float conv = float(in) / float(out);
    const float half = conv / 2;
    spans->resize(size_t(out));
    for (int i = 0; i < out; i++) {
        const float centre = float(conv * (i + 0.5));
        float low, high;
        if (in > out) {
            high = centre + half;
            low = centre - half;
        } else {
            high = centre + 0.5f;
            low = centre - 0.5f;
        }
        (*spans)[size_t(i)].first = int(index->size());
        float at = low;
        int cell = int(floor(at));
        while (at < high) {
            index->push_back((cell + in) % in);
            share->push_back(high < float(cell + 1) ? high - at : float(cell + 1) - at);
            cell++;
            at = float(cell);
        }
        (*spans)[size_t(i)].count = int(index->size()) - (*spans)[size_t(i)].first;
    }
}

// Rows [row0, row1) of the scaled picture, with C bytes a pixel. Bytes are widened to 16 bits
// (b * 257) and narrowed back (>> 8) as gluScaleImage does, and every sum is made in its order, so
// the bytes are the same; the columns' spans and the rows' starts are looked up once.
template <int C> void scaleRowsOf(const TgaImage* src, TgaImage* dst, int row0, int row1) {
    const int win = src->width, wout = dst->width;
    std::vector<Span> xs, ys;
    std::vector<int> xi, yi;
    std::vector<float> xp, yp;
    boxSpans(win, wout, &xs, &xi, &xp);
    boxSpans(src->height, dst->height, &ys, &yi, &yp);
    for (int& x : xi) x *= C; // byte offsets in a row
    std::vector<const uint8_t*> rows(yi.size());
    for (size_t a = 0; a < yi.size(); a++) rows[a] = src->pixels + int64_t(yi[a]) * win * C;
    float widened[256]; // each byte widened to 16 bits, as a float
    for (int v = 0; v < 256; v++) widened[v] = float(v * 257);
    for (int i = row0; i < row1; i++) {
        const Span y = ys[size_t(i)];
        const uint8_t* const* rowAt = rows.data() + y.first;
        const float* ypAt = yp.data() + y.first;
        uint8_t* out = dst->pixels + int64_t(i) * wout * C;
        for (int j = 0; j < wout; j++, out += C) {
            const Span x = xs[size_t(j)];
            const int* xiAt = xi.data() + x.first;
            const float* xpAt = xp.data() + x.first;
            float totals[C] = {};
            float area = 0;
            for (int a = 0; a < y.count; a++) {
                const uint8_t* row = rowAt[a];
                const float ypercent = ypAt[a];
                for (int b = 0; b < x.count; b++) {
                    const float percent = xpAt[b] * ypercent;
                    area += percent;
                    const uint8_t* p = row + xiAt[b];
#pragma GCC unroll 4
                    for (int k = 0; k < C; k++) totals[k] += widened[p[k]] * percent;
                }
            }
#pragma GCC unroll 4
            for (int k = 0; k < C; k++) out[k] = uint8_t(unsigned((totals[k] + 0.5) / area) >> 8);
        }
    }
}

void scaleRows(const TgaImage* src, TgaImage* dst, int row0, int row1) {
    if (src->bytesPerPixel == 3)
        scaleRowsOf<3>(src, dst, row0, row1);
    else
        scaleRowsOf<4>(src, dst, row0, row1);
}

// Exactly half the size both ways: each output byte the rounded mean of its 2 x 2 block.
void halveRows(const TgaImage* src, TgaImage* dst, int row0, int row1) {
    const int c = src->bytesPerPixel;
    const int64_t in = int64_t(src->width) * c;
    for (int i = row0; i < row1; i++) {
        const uint8_t* t = src->pixels + 2 * int64_t(i) * in;
        uint8_t* out = dst->pixels + int64_t(i) * dst->width * c;
        for (int j = 0; j < dst->width; j++, t += c)
            for (int k = 0; k < c; k++, t++)
                *out++ =
                    uint8_t((unsigned(t[0] * 257) + t[c] * 257 + t[in] * 257 + t[in + c] * 257 + 2) / 4 >> 8);
    }
}

} // namespace

int tgaScale(const TgaImage* src, int width, int height, TgaImage* dst) {
    const uint32_t textureId = dst->textureId;
    tgaFree(dst);
    dst->textureId = textureId;
    const int bpp = src->bytesPerPixel;
    if (!src->pixels || (bpp != 3 && bpp != 4) || width <= 0 || height <= 0) return 0;
    if (!tgaCreate(dst, src->bitsPerPixel, width, height)) {
        tgaFree(dst);
        dst->textureId = textureId;
        return 0;
    }
    const bool halve = src->width == 2 * width && src->height == 2 * height;
    // Both cores: the upper half of the rows on a helper thread.
    const int split = height >= 64 ? height / 2 : height;
    auto rows = [&](int row0, int row1) {
        if (halve)
            halveRows(src, dst, row0, row1);
        else
            scaleRows(src, dst, row0, row1);
    };
    if (split == height) {
        rows(0, height);
        return 0;
    }
    std::thread upper(rows, split, height);
    rows(0, split);
    upper.join();
    return 0;
}

int pictureLoad(int (*load)(TgaImage*, const char*), TgaImage* img, const char* file, const char* effect) {
    const std::string path = pathData(file);
    if (load(img, path.c_str())) return 1;
    fprintf(stderr, "%s: %s; %s\n", path.c_str(), langConsole(tgaLastError()), langConsole(effect));
    return 0;
}

int pictureFit(const TgaImage* src, TgaImage* dst, int width, int height, const char* stem) {
    if (dst->pixels && dst->width == width && dst->height == height) return 1;
    if (!record.pictureCache) return tgaScale(src, width, height, dst);

    char file[300];
    snprintf(file, sizeof file, "%s-%06d-%06d.tga", stem, width, height);
    const std::string cache = pathCache(file);
    const char* name = cache.c_str();
    TgaImage cached{};
    if (tgaLoad(&cached, name)) {
        // A file of another size (damaged or foreign) is not trusted: scaled again and rewritten below.
        if (cached.width == width && cached.height == height) {
            const uint32_t textureId = dst->textureId;
            tgaFree(dst);
            *dst = cached;
            dst->textureId = textureId;
            return 1;
        }
        tgaFree(&cached);
    }
    tgaScale(src, width, height, dst);
    if (!dst->pixels) return 0;
    return tgaSave(dst, name);
}

namespace {

// The six full-window pictures in the order they are fitted, with the file each source is read
// from when it is still empty at its first fit.
struct WindowPicture {
    TgaImage* src;
    TgaImage* fit;
    const char* stem;
    const char* file;
};
// The boss picture's row changes its file with the language (pictureBossLanguage).
WindowPicture windowPictures[] = {
    {&imgPoster, &imgPosterFit, "poster", "poster.tga"},
    {&imgStencil, &imgStencilFit, "stencil", "stencil.tga"},
    {&imgDoorOpen, &imgDoorOpenFit, "dooropen", "dooropen.tga"},
    {&imgLastPic, &imgLastPicFit, "lastpic", "lastpic.tga"},
    {&imgBoss, &imgBossFit, "boss", "boss.tga"},
    {&imgBadDragon, &imgBadDragonFit, "baddragon", "baddragon.tga"},
};
constexpr int windowPictureCount = int(sizeof windowPictures / sizeof windowPictures[0]);

// The window size the pictures are wanted at, and the size each fitted slot was last made for (0
// when it waits for its first use).
int wantedWidth, wantedHeight;
int fittedWidth[windowPictureCount], fittedHeight[windowPictureCount];
bool sourceTried[windowPictureCount];
int fitCount[windowPictureCount]; // how often each slot was fitted, so that its users know a new one

// Reads the source of picture i; a file that cannot be used is named once.
void readSource(int i) {
    const WindowPicture& p = windowPictures[i];
    pictureLoad(tgaLoad, p.src, p.file,
                p.fit == &imgStencilFit ? LANG_ID("the lamp frame is left out")
                                        : LANG_ID("the picture is left out"));
    sourceTried[i] = true;
}

void fitPicture(int i) {
    const WindowPicture& p = windowPictures[i];
    if (fittedWidth[i] == wantedWidth && fittedHeight[i] == wantedHeight) return;
    if (!p.src->pixels && !sourceTried[i]) readSource(i);
    pictureFit(p.src, p.fit, wantedWidth, wantedHeight, p.stem);
    if (p.fit == &imgStencilFit) {
        pictureToMask(&imgStencilFit, &imgStencilMask, whiteMask);
        pictureClearFringe(&imgStencilFit, &imgStencilMask);
    }
    fittedWidth[i] = wantedWidth;
    fittedHeight[i] = wantedHeight;
    fitCount[i]++;
}

} // namespace

// Scaling blends the openings' pure white into the pixels around them, a pale fringe the scene
// never covers: each pixel just outside an opening takes the colour of the pixel beyond it.
void pictureClearFringe(TgaImage* frame, const TgaImage* mask) {
    if (!frame->pixels || !mask->pixels || frame->bytesPerPixel < 3) return;
    const int w = frame->width, h = frame->height, c = frame->bytesPerPixel;
    auto open = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h && mask->pixels[size_t(y) * w + x];
    };
    // The fringe pixels with the pixel each takes its colour from are found first and the colours
    // copied after, so that every pixel gets a colour the picture had before.
    static const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    const uint8_t* m = mask->pixels;
    std::vector<std::pair<size_t, size_t>> moves;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const size_t i = size_t(y) * w + x;
            if (m[i]) continue;
            // Away from the edges every neighbour lies inside: most pixels have no open one.
            if (x > 0 && y > 0 && x < w - 1 && y < h - 1 && !m[i + 1] && !m[i - 1] && !m[i + w] && !m[i - w])
                continue;
            for (const auto& d : steps) {
                const int bx = x - d[0], by = y - d[1];
                if (!open(x + d[0], y + d[1]) || bx < 0 || by < 0 || bx >= w || by >= h || open(bx, by))
                    continue;
                moves.emplace_back(size_t(y) * w + x, size_t(by) * w + bx);
                break;
            }
        }
    std::vector<uint8_t> colours(moves.size() * size_t(c));
    for (size_t i = 0; i < moves.size(); i++)
        memcpy(&colours[i * c], frame->pixels + moves[i].second * c, size_t(c));
    for (size_t i = 0; i < moves.size(); i++)
        memcpy(frame->pixels + moves[i].first * c, &colours[i * c], size_t(c));
}

void pictureBossLanguage(int english) {
    const char* file = english ? "boss-en.tga" : "boss.tga";
    for (int i = 0; i < windowPictureCount; i++) {
        WindowPicture& p = windowPictures[i];
        if (p.src != &imgBoss || strcmp(p.file, file) == 0) continue;
        p.file = file;
        p.stem = english ? "boss-en" : "boss";
        tgaFree(&imgBoss);
        const uint32_t textureId = p.fit->textureId; // a fitted slot of the right size is kept: empty it
        tgaFree(p.fit);
        p.fit->textureId = textureId;
        sourceTried[i] = false;
        fittedWidth[i] = fittedHeight[i] = 0;
    }
}

void pictureReadSource(const TgaImage* fit) {
    for (int i = 0; i < windowPictureCount; i++)
        if (windowPictures[i].fit == fit) readSource(i);
}

int pictureFitCount(const TgaImage* fit) {
    if (fit == &imgStencilMask) fit = &imgStencilFit;
    for (int i = 0; i < windowPictureCount; i++)
        if (windowPictures[i].fit == fit) return fitCount[i];
    return 0;
}

void pictureReady(const TgaImage* fit) {
    if (fit == &imgStencilMask) fit = &imgStencilFit;
    for (int i = 0; i < windowPictureCount; i++)
        if (windowPictures[i].fit == fit) fitPicture(i);
}

// The first picture fitted ahead (picturesPrepare), kept by the first resize to its size.
static const TgaImage* preparedFirst;
static int preparedWidth, preparedHeight;

void picturesPrepare(int width, int height, const TgaImage* first) {
    picturesResizeFirst(width, height, first);
    preparedFirst = first;
    preparedWidth = width;
    preparedHeight = height;
}

void picturesResizeFirst(int width, int height, const TgaImage* first) {
    const bool prepared =
        first && first == preparedFirst && width == preparedWidth && height == preparedHeight;
    preparedFirst = nullptr;
    if (prepared) return;
    wantedWidth = width;
    wantedHeight = height;
    for (int i = 0; i < windowPictureCount; i++) {
        fittedWidth[i] = fittedHeight[i] = 0;
        if (!first || windowPictures[i].fit == first) fitPicture(i);
    }
}

void picturesResize(int width, int height) {
    picturesResizeFirst(width, height, nullptr);
}

int pictureInvert(TgaImage* img) {
    if (!img->pixels) return 1;
    uint8_t* p = img->pixels;
    const int32_t n = img->byteSize;
    for (int32_t i = 0; i < n; i++) p[i] = uint8_t(255 - p[i]);
    return 1;
}

// Moves img's block into *old and gives img a new block of the given form, keeping its texture
// name; the caller converts from *old and frees it. On failure img is empty and the old block freed.
static int tgaRecreate(TgaImage* img, TgaImage* old, int bits, int width, int height) {
    tgaCopy(old, img);
    if (!tgaCreate(img, bits, width, height)) {
        tgaFree(old);
        tgaReset(img);
        return 0;
    }
    img->textureId = old->textureId;
    return 1;
}

int tgaAddAlpha(TgaImage* img, TgaPixelRule rule) {
    if (img->bytesPerPixel != 3 || !img->pixels) return 1;
    TgaImage old;
    if (!tgaRecreate(img, &old, 32, img->width, img->height)) return 0;
    const int64_t count = int64_t(old.width) * old.height;
    const uint8_t* s = old.pixels;
    uint8_t* d = img->pixels;
    for (int64_t i = 0; i < count; i++, s += 3, d += 4) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = rule(s[0], s[1], s[2]);
    }
    tgaFree(&old);
    return 1;
}

int pictureToMask(const TgaImage* src, TgaImage* dst, TgaPixelRule rule) {
    if (src->bytesPerPixel == 1) return 1;
    const uint32_t textureId = dst->textureId;
    tgaFree(dst);
    dst->textureId = textureId;
    // A source without pixels (its picture is missing) leaves an empty mask, which draws nothing.
    if (!src->pixels || src->bytesPerPixel < 3) return 1;
    if (!tgaCreate(dst, 8, src->width, src->height)) {
        tgaFree(dst);
        dst->textureId = textureId;
        return 0;
    }
    const int bpp = src->bytesPerPixel;
    const int64_t count = int64_t(src->width) * src->height;
    const uint8_t* s = src->pixels;
    for (int64_t i = 0; i < count; i++, s += bpp) dst->pixels[i] = rule(s[0], s[1], s[2]);
    return 1;
}

int tgaMirrorTile(TgaImage* img) {
    if (img->bytesPerPixel != 3 || !img->pixels) return 1;
    TgaImage old;
    const int w = img->width, h = img->height;
    if (!tgaRecreate(img, &old, 24, 2 * w, 2 * h)) return 0;
    // As tgaGetPixel then tgaSetPixel would: the value read R, G, B is written back B, G, R.
    const int64_t row = int64_t(2 * w) * 3;
    for (int y = 0; y < h; y++) {
        const uint8_t* s = old.pixels + int64_t(y) * w * 3;
        uint8_t* d = img->pixels + int64_t(y) * row;
        for (int x = 0; x < w; x++, s += 3) {
            uint8_t* left = d + int64_t(x) * 3;
            uint8_t* right = d + int64_t(2 * w - 1 - x) * 3;
            left[0] = right[0] = s[2];
            left[1] = right[1] = s[1];
            left[2] = right[2] = s[0];
        }
        memcpy(img->pixels + int64_t(2 * h - 1 - y) * row, d, size_t(row));
    }
    tgaFree(&old);
    return 1;
}

int pictureDropAlpha(TgaImage* img) {
    if (img->bytesPerPixel != 4 || !img->pixels) return 1;
    TgaImage old;
    if (!tgaRecreate(img, &old, 24, img->width, img->height)) return 0;
    const int64_t count = int64_t(old.width) * old.height;
    const uint8_t* s = old.pixels;
    uint8_t* d = img->pixels;
    for (int64_t i = 0; i < count; i++, s += 4, d += 3) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    }
    tgaFree(&old);
    return 1;
}
