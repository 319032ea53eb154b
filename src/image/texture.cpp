// SPDX-License-Identifier: GPL-3.0-or-later
// Textures, the polygon and texture switches, and the OpenGL error check.
#include "image/texture.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <cstdio>
#include <cstddef>
#include <vector>

#include "app/record.h"
#include "image/picture.h"

void glCheckError() {
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR)
        fprintf(stderr, "OpenGL:%s\n", reinterpret_cast<const char*>(gluErrorString(error)));
}

// The filter and wrap parameters of texture mode 1 (linear) or 2 (trilinear mipmaps).
static void setTextureParameters(int mode) {
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mode == 2 ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    glCheckError();
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glCheckError();
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glCheckError();
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glCheckError();
}

static bool powerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

// Every halving of a width x height block below it down to 1 x 1, one level after the other in
// *levels, each texel the rounded mean of its 2 x 2 block (of its pair once one side is 1), as
// gluBuild2DMipmaps makes them for sides that are powers of two.
static void mipmapLevels(int width, int height, int c, const uint8_t* pixels, std::vector<uint8_t>* levels) {
    size_t total = 0;
    for (int w = width, h = height; w > 1 || h > 1;) {
        w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1;
        total += size_t(w) * h * c;
    }
    levels->resize(total);
    const uint8_t* level = pixels;
    uint8_t* d = levels->data();
    while (width > 1 || height > 1) {
        const int w = width > 1 ? width / 2 : 1, h = height > 1 ? height / 2 : 1;
        const size_t row = size_t(width) * c;
        uint8_t* const start = d;
        if (width > 1 && height > 1) {
            // Each byte the rounded mean of its 2 x 2 block (the common case, in one plain loop).
            for (int y = 0; y < h; y++) {
                const uint8_t* t = level + 2 * y * row;
                const uint8_t* b = t + row;
                for (int x = 0; x < w; x++, t += c, b += c)
                    for (int k = 0; k < c; k++, t++, b++) *d++ = uint8_t((t[0] + t[c] + b[0] + b[c] + 2) / 4);
            }
        } else {
            // One side is down to a pixel: the mean of each pair along the other.
            for (int y = 0; y < h; y++) {
                const uint8_t* t = level + (height > 1 ? 2 * y : y) * row;
                for (int x = 0; x < w; x++, t += (width > 1 ? c : 0))
                    for (int k = 0; k < c; k++, t++) *d++ = uint8_t((t[0] + t[width > 1 ? c : row]) / 2);
            }
        }
        level = start;
        width = w;
        height = h;
    }
}

// Level 0 and the levels below it into the bound texture.
// `components` is the texture's (3 or 4), `c` the bytes per texel of the blocks handed over.
static void uploadLevels(int width, int height, int components, int c, const uint8_t* pixels,
                         const uint8_t* levels) {
    const GLenum format = c == 3 ? GL_RGB : GL_RGBA;
    glTexImage2D(GL_TEXTURE_2D, 0, components, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    for (int n = 1; width > 1 || height > 1; n++) {
        width = width > 1 ? width / 2 : 1, height = height > 1 ? height / 2 : 1;
        glTexImage2D(GL_TEXTURE_2D, n, components, width, height, 0, format, GL_UNSIGNED_BYTE, levels);
        levels += size_t(width) * height * c;
    }
}

void textureBuildMipmaps(int width, int height, int bytesPerPixel, const uint8_t* pixels) {
    if (!powerOfTwo(width) || !powerOfTwo(height)) {
        const GLenum format = bytesPerPixel == 3 ? GL_RGB : GL_RGBA;
        gluBuild2DMipmaps(GL_TEXTURE_2D, bytesPerPixel, width, height, format, GL_UNSIGNED_BYTE, pixels);
        return;
    }
    std::vector<uint8_t> levels;
    mipmapLevels(width, height, bytesPerPixel, pixels, &levels);
    uploadLevels(width, height, bytesPerPixel, bytesPerPixel, pixels, levels.data());
}

// The levels made ahead for each image of the table, with the block they were made from. They are
// handed over with 4 bytes a texel, an RGB image's with alpha 255 (the texture stays RGB): Mesa then
// copies them as they are, where it converted every RGB texel on the game's thread (2.2 to 2.6 ms
// for the game's textures instead of 5.6 ms, and up to 47 ms on a busy machine).
namespace {
struct PreparedLevels {
    const uint8_t* pixels;
    int width, height, bytesPerPixel;
    std::vector<uint8_t> block;  // level 0 with 4 bytes a texel, for an RGB image
    std::vector<uint8_t> levels; // the levels below it, 4 bytes a texel
};
PreparedLevels prepared[imageTableSize];
} // namespace

void texturePrepareMipmaps(const TgaImage* img) {
    const ptrdiff_t i = img - imageTable;
    if (i < 0 || i >= imageTableSize || !img->pixels || (img->bytesPerPixel != 3 && img->bytesPerPixel != 4) ||
        !powerOfTwo(img->width) || !powerOfTwo(img->height))
        return;
    PreparedLevels& p = prepared[i];
    p.pixels = img->pixels, p.width = img->width, p.height = img->height, p.bytesPerPixel = img->bytesPerPixel;
    p.block.clear();
    if (img->bytesPerPixel == 3) {
        const size_t n = size_t(img->width) * img->height;
        p.block.resize(n * 4);
        const uint8_t* from = img->pixels;
        uint8_t* to = p.block.data();
        for (size_t k = 0; k < n; k++, from += 3, to += 4) to[0] = from[0], to[1] = from[1], to[2] = from[2], to[3] = 255;
    }
    mipmapLevels(img->width, img->height, 4, p.block.empty() ? img->pixels : p.block.data(), &p.levels);
}

void textureUpload(TgaImage* img) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glCheckError();
    if (img->textureId != 0) {
        GLuint name = img->textureId;
        glDeleteTextures(1, &name);
        glCheckError();
        img->textureId = 0;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glCheckError();
    img->textureId = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glCheckError();

    const int mode = record.textureMode;
    if (mode != 1 && mode != 2) return;
    setTextureParameters(mode);
    // An image larger than OpenGL takes as a texture is scaled down once, in the table.
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (img->pixels && maxSize > 0 && (img->width > maxSize || img->height > maxSize)) {
        const int width = std::min(img->width, int(maxSize)), height = std::min(img->height, int(maxSize));
        fprintf(stderr,
                "kavernix: a texture of %d x %d is larger than OpenGL allows (%d); scaled to %d x %d\n",
                img->width, img->height, int(maxSize), width, height);
        TgaImage smaller{};
        tgaScale(img, width, height, &smaller);
        smaller.textureId = img->textureId;
        tgaFree(img);
        *img = smaller;
    }
    // An image without a usable RGB/RGBA block is uploaded as a texture of size 0, which OpenGL
    // treats as incomplete: the surface shows its material colour only.
    const bool usable = img->pixels && (img->bytesPerPixel == 3 || img->bytesPerPixel == 4);
    const GLenum format = img->bytesPerPixel == 3 ? GL_RGB : GL_RGBA;
    const int width = usable ? img->width : 0;
    const int height = usable ? img->height : 0;
    const void* pixels = usable ? img->pixels : nullptr;
    if (mode == 1) {
        glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
        glCheckError();
    } else if (usable) {
        const ptrdiff_t i = img - imageTable;
        PreparedLevels* p = i >= 0 && i < imageTableSize ? &prepared[i] : nullptr;
        if (p && !p->levels.empty() && p->pixels == img->pixels && p->width == width && p->height == height &&
            p->bytesPerPixel == img->bytesPerPixel)
            uploadLevels(width, height, img->bytesPerPixel, 4, p->block.empty() ? img->pixels : p->block.data(),
                         p->levels.data());
        else
            textureBuildMipmaps(width, height, img->bytesPerPixel, img->pixels);
        glCheckError();
    }
    // Levels made ahead serve the first upload only: the image may change after it.
    const ptrdiff_t i = img - imageTable;
    if (i >= 0 && i < imageTableSize) {
        std::vector<uint8_t>().swap(prepared[i].block);
        std::vector<uint8_t>().swap(prepared[i].levels);
    }
}

void restoreShadeMode() {
    switch (record.shadeMode) {
    case 0:
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glCheckError();
        break;
    case 1:
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glCheckError();
        glShadeModel(GL_FLAT);
        glCheckError();
        break;
    case 2:
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glCheckError();
        glShadeModel(GL_SMOOTH);
        glCheckError();
        break;
    default:
        break;
    }
}

void applyShadeMode() {
    restoreShadeMode();
    stencilValid = 0;
}

int applyTextureMode() {
    const int mode = record.textureMode;
    if (mode != 1 && mode != 2) {
        glDisable(GL_TEXTURE_2D);
        glCheckError();
        return 0;
    }
    glEnable(GL_TEXTURE_2D);
    glCheckError();
    setTextureParameters(mode);
    if (mode == 1) {
        textureUpload(&imgWall);
        textureUpload(&imgFloor);
        textureUpload(&imgHay);
        textureUpload(&imgWood);
        textureUpload(&imgOilcan);
        textureUpload(&imgSpider);
    } else {
        textureUpload(&imgFloor);
        textureUpload(&imgWall);
        textureUpload(&imgHay);
        textureUpload(&imgOilcan);
        textureUpload(&imgWood);
        textureUpload(&imgSpider);
    }
    textureUpload(&imgMap1);
    textureUpload(&imgMap2);
    textureUpload(&imgMap3);
    textureUpload(&imgMap4);
    textureUpload(&imgMap5);
    textureUpload(&imgMap6);
    textureUpload(&imgMap7);
    textureUpload(&imgMap8);
    textureUpload(&imgHorse);
    textureUpload(&imgHorseLeg);
    return 1;
}

void restoreTexturing() {
    if (record.textureMode != 0)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
}
