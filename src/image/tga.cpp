// TGA images: the record's primitives, the slot table, and the reader and writer of the
// uncompressed true-colour subset.
#include "image/tga.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

TgaImage imageTable[imageTableSize];

namespace {

struct FileCloser {
    void operator()(FILE* f) const { fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

const char* lastError = "";

int refuse(TgaImage* img, const char* why) {
    lastError = why;
    tgaFree(img);
    return 0;
}

unsigned readU16(const uint8_t* p) {
    return unsigned(p[0]) | (unsigned(p[1]) << 8);
}

void swapRedBlue(uint8_t* p, int64_t byteSize, int bytesPerPixel) {
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
    File file(fopen(path, "rb"));
    if (!file) return refuse(img, "cannot be opened");
    uint8_t h[18];
    if (fread(h, 1, sizeof h, file.get()) != sizeof h) return refuse(img, "header is shorter than 18 bytes");
    if (h[0] != 0) return refuse(img, "has an image ID field");
    if (h[1] != 0) return refuse(img, "is colour-mapped");
    if (h[2] != 2) return refuse(img, "is not an uncompressed true-colour image (type 2)");
    if (readU16(h + 3) != 0 || readU16(h + 5) != 0 || h[7] != 0)
        return refuse(img, "has a colour map specification");
    const int width = int(readU16(h + 12));
    const int height = int(readU16(h + 14));
    const int depth = h[16];
    const int descriptor = h[17];
    if (width == 0 || height == 0) return refuse(img, "has a width or height of 0");
    if (depth != 24 && depth != 32) return refuse(img, "pixel depth is not 24 or 32 bits");
    const int64_t size = int64_t(width) * height * (depth / 8);
    if (size > tgaMaxByteSize) return refuse(img, "pixel block is too large");
    // A file that cannot hold the block is refused before the block is allocated.
    const long dataStart = ftell(file.get());
    if (dataStart >= 0 && fseek(file.get(), 0, SEEK_END) == 0) {
        const long fileEnd = ftell(file.get());
        if (fileEnd >= 0 && fileEnd - dataStart < size) return refuse(img, "pixel data is truncated");
        if (fseek(file.get(), dataStart, SEEK_SET) != 0) return refuse(img, "cannot be read");
    }
    if (!tgaCreate(img, depth, width, height)) return refuse(img, "pixel block cannot be allocated");
    if (fread(img->pixels, 1, size_t(size), file.get()) != size_t(size))
        return refuse(img, "pixel data is truncated");
    if (descriptor & 0x10) tgaMirrorX(img);
    if (descriptor & 0x20) tgaMirrorY(img);
    swapRedBlue(img->pixels, size, img->bytesPerPixel);
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
    File file(fopen(path, "wb"));
    if (!file) return 0;
    fwrite(h, 1, sizeof h, file.get());
    if (!img->pixels || img->byteSize <= 0) return 1;
    // The block goes out in B, G, R (, A) order through a bounce buffer, so the record stays as it was.
    const int bpp = img->bytesPerPixel;
    const int64_t chunkPixels = 1 << 16;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[size_t(chunkPixels * (bpp > 0 ? bpp : 1))]);
    for (int64_t at = 0; at < img->byteSize;) {
        int64_t n = chunkPixels * bpp;
        if (n <= 0 || n > img->byteSize - at) n = img->byteSize - at;
        memcpy(buffer.get(), img->pixels + at, size_t(n));
        if (bpp >= 3) swapRedBlue(buffer.get(), n, bpp);
        fwrite(buffer.get(), 1, size_t(n), file.get());
        at += n;
    }
    return 1;
}
