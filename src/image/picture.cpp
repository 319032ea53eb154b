// Image conversions and the picture cache.
#include "image/picture.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cstdio>
#include <cstdlib>
#include <string>

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

int tgaScale(const TgaImage* src, int width, int height, TgaImage* dst) {
    const uint32_t textureId = dst->textureId;
    tgaFree(dst);
    dst->textureId = textureId;
    const int bpp = src->bytesPerPixel;
    if (!src->pixels || (bpp != 3 && bpp != 4) || width <= 0 || height <= 0) return 0;
    // gluScaleImage reads the pixel-store state of the current context; without one it has none.
    if (!glGetString(GL_VERSION)) return 0;
    if (!tgaCreate(dst, src->bitsPerPixel, width, height)) {
        tgaFree(dst);
        dst->textureId = textureId;
        return 0;
    }
    // Pixel blocks are tightly packed both ways, so the output is exactly width x height x bpp.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SWAP_BYTES, GL_FALSE);
    const GLenum format = bpp == 3 ? GL_RGB : GL_RGBA;
    const int result = gluScaleImage(format, src->width, src->height, GL_UNSIGNED_BYTE, src->pixels, width,
                                     height, GL_UNSIGNED_BYTE, dst->pixels);
    glPopClientAttrib();
    if (result != 0) {
        tgaFree(dst);
        dst->textureId = textureId;
    }
    return result;
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
    // Written under a temporary name and renamed, so an interrupted write never leaves a short file
    // under the cache name.
    const std::string temp = std::string(name) + ".part";
    if (!tgaSave(dst, temp.c_str())) return 0;
    if (rename(temp.c_str(), name) != 0) {
        remove(temp.c_str());
        return 0;
    }
    return 1;
}

void picturesResize(int width, int height) {
    pictureFit(&imgPoster, &imgPosterFit, width, height, "poster");
    pictureFit(&imgStencil, &imgStencilFit, width, height, "stencil");
    tgaToMask(&imgStencilFit, &imgStencilMask, whiteMask);
    pictureFit(&imgDoorOpen, &imgDoorOpenFit, width, height, "dooropen");
    pictureFit(&imgLastPic, &imgLastPicFit, width, height, "lastpic");
    pictureFit(&imgBoss, &imgBossFit, width, height, "boss");
    pictureFit(&imgBadDragon, &imgBadDragonFit, width, height, "baddragon");
}

int tgaInvert(TgaImage* img) {
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

int tgaToMask(const TgaImage* src, TgaImage* dst, TgaPixelRule rule) {
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
    for (int x = 0; x < w; x++)
        for (int y = 0; y < h; y++) {
            const int32_t p = int32_t(tgaGetPixel(&old, x, y));
            tgaSetPixel(img, x, y, p);
            tgaSetPixel(img, x, 2 * h - 1 - y, p);
            tgaSetPixel(img, 2 * w - 1 - x, y, p);
            tgaSetPixel(img, 2 * w - 1 - x, 2 * h - 1 - y, p);
        }
    tgaFree(&old);
    return 1;
}

int tgaDropAlpha(TgaImage* img) {
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
