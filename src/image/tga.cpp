// SPDX-License-Identifier: GPL-3.0-or-later
// TGA images: the record's primitives, the slot table, and the reader and writer of the
// uncompressed true-colour subset.
#include "image/tga.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include "app/lang.h"
#include "file/file.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define KX_TGA_AVX2 1
#endif

TgaImage imageTable[imageTableSize];

namespace {

struct FileCloser {
    void operator()(FILE* f) const { fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

thread_local const char* lastError = ""; // the start-up reads images on a loader thread

int refuse(TgaImage* img, const char* why) {
    lastError = why;
    tgaFree(img);
    return 0;
}

unsigned readU16(const uint8_t* p) {
    return unsigned(p[0]) | (unsigned(p[1]) << 8);
}

#if KX_TGA_AVX2
// Eight 4-byte pixels per byte shuffle on processors with AVX2; returns how many pixels it did.
__attribute__((target("avx2"))) int64_t swapRedBlueAvx2(uint8_t* p, int64_t pixels) {
    const __m256i order = _mm256_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15, 2, 1, 0, 3,
                                           6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    int64_t i = 0;
    for (; i + 8 <= pixels; i += 8) {
        __m256i* at = reinterpret_cast<__m256i*>(p + 4 * i);
        _mm256_storeu_si256(at, _mm256_shuffle_epi8(_mm256_loadu_si256(at), order));
    }
    return i;
}

const bool haveAvx2 = __builtin_cpu_supports("avx2");
#endif

void swapRedBlue(uint8_t* p, int64_t byteSize, int bytesPerPixel) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (bytesPerPixel == 4) {
        // Two pixels at a time as a little-endian word: bytes 0 and 2 of each are its bits 0-7 and
        // 16-23 (32-39 and 48-55 for the second).
        const uint64_t keep = 0xFF00FF00FF00FF00ull, low = 0x000000FF000000FFull;
        const int64_t pairs = byteSize / 8;
        int64_t i = 0;
#if KX_TGA_AVX2
        if (haveAvx2) i = swapRedBlueAvx2(p, byteSize / 4) / 2;
#endif
#if defined(__SSE2__)
        // Four pixels at a time in SSE2 registers, the same masks and shifts per 32-bit lane.
        const __m128i keep4 = _mm_set1_epi32(int(0xFF00FF00u)), low4 = _mm_set1_epi32(0xFF);
        for (; i + 1 < pairs; i += 2) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * i));
            v = _mm_or_si128(
                _mm_or_si128(_mm_and_si128(v, keep4), _mm_and_si128(_mm_srli_epi32(v, 16), low4)),
                _mm_slli_epi32(_mm_and_si128(v, low4), 16));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 8 * i), v);
        }
#endif
        for (; i < pairs; i++) {
            uint64_t v;
            memcpy(&v, p + 8 * i, 8);
            v = (v & keep) | ((v >> 16) & low) | ((v & low) << 16);
            memcpy(p + 8 * i, &v, 8);
        }
        if (byteSize % 8 >= 4) {
            uint8_t* last = p + 8 * pairs;
            const uint8_t t = last[0];
            last[0] = last[2];
            last[2] = t;
        }
        return;
    }
#endif
    for (int64_t i = 0; i + 2 < byteSize; i += bytesPerPixel) {
        uint8_t t = p[i];
        p[i] = p[i + 2];
        p[i + 2] = t;
    }
}

} // namespace

void tgaReset(TgaImage* img) {
    *img = TgaImage{};
}

void tgaCopy(TgaImage* dst, const TgaImage* src) {
    *dst = *src;
}

void tgaFree(TgaImage* img) {
    free(img->pixels);
    tgaReset(img);
}

void imageTableReset() {
    for (TgaImage& img : imageTable) tgaReset(&img);
}

void imageTableFree() {
    for (TgaImage& img : imageTable) tgaFree(&img);
}

int tgaCreate(TgaImage* img, int bits, int width, int height) {
    img->bitsPerPixel = bits;
    img->bytesPerPixel = bits / 8;
    img->width = width;
    img->height = height;
    int64_t size = int64_t(width) * height * (bits / 8);
    if (width < 0 || height < 0 || bits < 0 || size > tgaMaxByteSize) {
        img->pixels = nullptr;
        img->byteSize = 0;
        return 0;
    }
    img->byteSize = int32_t(size);
    img->pixels = static_cast<uint8_t*>(malloc(size > 0 ? size_t(size) : 1));
    return img->pixels != nullptr;
}

// The same bytes as tgaSetPixel on every pixel, written in one pass.
int tgaFill(TgaImage* img, uint32_t colour) {
    if (!img->pixels || img->width <= 0 || img->height <= 0) return 1;
    const int bpp = img->bytesPerPixel;
    uint8_t bytes[4];
    for (int i = 0; i < 4; i++) bytes[i] = uint8_t((colour >> (8 * i)) & 0xFF);
    const int64_t count = int64_t(img->width) * img->height;
    uint8_t* p = img->pixels;
    if (bpp == 3) {
        for (int64_t i = 0; i < count; i++, p += 3) {
            p[0] = bytes[0];
            p[1] = bytes[1];
            p[2] = bytes[2];
        }
        return 1;
    }
    for (int64_t i = 0; i < count; i++, p += bpp) memcpy(p, bytes, size_t(bpp > 4 ? 4 : bpp));
    return 1;
}

void tgaSetPixel(TgaImage* img, int x, int y, int32_t colour) {
    if (!img->pixels || img->width <= 0 || img->height <= 0) return;
    if (x < 0) x = 0;
    if (x >= img->width) x = img->width - 1;
    if (y < 0) y = 0;
    if (y >= img->height) y = img->height - 1;
    uint8_t* p = img->pixels + (int64_t(y) * img->width + x) * img->bytesPerPixel;
    uint32_t c = uint32_t(colour);
    for (int i = 0; i < img->bytesPerPixel; i++, c >>= 8) p[i] = uint8_t(c & 0xFF);
}

uint32_t tgaGetPixel(const TgaImage* img, int x, int y) {
    const uint8_t* p = img->pixels + (int64_t(y) * img->width + x) * img->bytesPerPixel;
    uint32_t value = 0;
    for (int i = 0; i < img->bytesPerPixel; i++) value = value * 256 + p[i];
    return value;
}

void tgaMirrorX(TgaImage* img) {
    const int bpp = img->bytesPerPixel;
    for (int y = 0; y < img->height; y++) {
        uint8_t* row = img->pixels + int64_t(y) * img->width * bpp;
        for (int x = 0; x < img->width / 2; x++) {
            uint8_t* a = row + int64_t(x) * bpp;
            uint8_t* b = row + int64_t(img->width - 1 - x) * bpp;
            for (int i = 0; i < bpp; i++) {
                uint8_t t = a[i];
                a[i] = b[i];
                b[i] = t;
            }
        }
    }
}

void tgaMirrorY(TgaImage* img) {
    const int64_t rowBytes = int64_t(img->width) * img->bytesPerPixel;
    for (int y = 0; y < img->height / 2; y++) {
        uint8_t* a = img->pixels + y * rowBytes;
        uint8_t* b = img->pixels + (img->height - 1 - y) * rowBytes;
        for (int64_t i = 0; i < rowBytes; i++) {
            uint8_t t = a[i];
            a[i] = b[i];
            b[i] = t;
        }
    }
}

const char* tgaLastError() {
    return lastError;
}

int tgaLoad(TgaImage* img, const char* path) {
    tgaReset(img);
    lastError = "";
    const char* why = "";
    File file(fileOpenReadStream(path, &why));
    if (!file) {
        // Missing, a FIFO or device, or the system's reason (no permission).
        static char reason[96];
        snprintf(reason, sizeof reason, errno == ENOENT || errno == EINVAL ? "%s" : "cannot be opened (%s)",
                 why);
        return refuse(img, reason);
    }
    uint8_t h[18];
    if (fread(h, 1, sizeof h, file.get()) != sizeof h)
        return refuse(img, LANG_ID("header is shorter than 18 bytes"));
    if (h[0] != 0) return refuse(img, LANG_ID("has an image ID field"));
    if (h[1] != 0) return refuse(img, LANG_ID("is colour-mapped"));
    if (h[2] != 2) return refuse(img, LANG_ID("is not an uncompressed true-colour image (type 2)"));
    if (readU16(h + 3) != 0 || readU16(h + 5) != 0 || h[7] != 0)
        return refuse(img, LANG_ID("has colour map fields set"));
    const int width = int(readU16(h + 12));
    const int height = int(readU16(h + 14));
    const int depth = h[16];
    const int descriptor = h[17];
    if (width == 0 || height == 0) return refuse(img, LANG_ID("has a width or height of 0"));
    if (depth != 24 && depth != 32) return refuse(img, LANG_ID("pixel depth is not 24 or 32 bits"));
    const int64_t size = int64_t(width) * height * (depth / 8);
    if (size > tgaMaxByteSize) return refuse(img, LANG_ID("pixel block is too large"));
    // A file that cannot hold the block is refused before the block is allocated.
    const long dataStart = ftell(file.get());
    if (dataStart >= 0 && fseek(file.get(), 0, SEEK_END) == 0) {
        const long fileEnd = ftell(file.get());
        if (fileEnd >= 0 && fileEnd - dataStart < size)
            return refuse(img, LANG_ID("pixel data is truncated"));
        if (fseek(file.get(), dataStart, SEEK_SET) != 0) return refuse(img, LANG_ID("cannot be read"));
    }
    if (!tgaCreate(img, depth, width, height)) return refuse(img, LANG_ID("pixel block cannot be allocated"));
    // Read in pieces of whole pixels, each put into R, G, B order while it is still in the cache.
    const int64_t piece = int64_t(65536) * img->bytesPerPixel;
    for (int64_t at = 0; at < size; at += piece) {
        const int64_t n = size - at < piece ? size - at : piece;
        if (fread(img->pixels + at, 1, size_t(n), file.get()) != size_t(n))
            return refuse(img, LANG_ID("pixel data is truncated"));
        swapRedBlue(img->pixels + at, n, img->bytesPerPixel);
    }
    if (descriptor & 0x10) tgaMirrorX(img);
    if (descriptor & 0x20) tgaMirrorY(img);
    return 1;
}

int tgaLoadFile(TgaImage* img, const char* path) {
    return tgaLoad(img, path) ? 1 : 0;
}

int tgaSave(const TgaImage* img, const char* path) {
    uint8_t h[18] = {};
    h[2] = 2;
    h[12] = uint8_t(img->width & 0xFF);
    h[13] = uint8_t((img->width >> 8) & 0xFF);
    h[14] = uint8_t(img->height & 0xFF);
    h[15] = uint8_t((img->height >> 8) & 0xFF);
    h[16] = uint8_t(img->bitsPerPixel);
    FileWrite write;
    FILE* file = fileWriteBegin(&write, path, 0, stderr);
    if (!file) return 0;
    fwrite(h, 1, sizeof h, file);
    if (!img->pixels || img->byteSize <= 0) return fileWriteEnd(&write, stderr);
    // The block goes out in B, G, R (, A) order through a bounce buffer, so the record stays as it was.
    const int bpp = img->bytesPerPixel;
    const int64_t chunkPixels = 1 << 16;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[size_t(chunkPixels * (bpp > 0 ? bpp : 1))]);
    for (int64_t at = 0; at < img->byteSize;) {
        int64_t n = chunkPixels * bpp;
        if (n <= 0 || n > img->byteSize - at) n = img->byteSize - at;
        memcpy(buffer.get(), img->pixels + at, size_t(n));
        if (bpp >= 3) swapRedBlue(buffer.get(), n, bpp);
        fwrite(buffer.get(), 1, size_t(n), file);
        at += n;
    }
    return fileWriteEnd(&write, stderr);
}
