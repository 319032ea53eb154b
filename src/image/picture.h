// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions of TgaImage records after loading, and the full-window pictures kept scaled to the
// window size (optionally cached as TGA files named after the picture and the size).
#pragma once
#include <cstdint>
#include "image/tga.h"

// A pixel rule maps one pixel's R, G, B bytes to one output byte.
using TgaPixelRule = uint8_t (*)(uint8_t r, uint8_t g, uint8_t b);

uint8_t fontAlpha(uint8_t r, uint8_t g, uint8_t b);      // r: the font image's alpha
uint8_t explosionAlpha(uint8_t r, uint8_t g, uint8_t b); // 255 when r + g + b <= 10, else 0
uint8_t whiteMask(uint8_t r, uint8_t g, uint8_t b);      // 1 for pure white (255, 255, 255), else 0

// Makes dst (its old block freed) a copy of src scaled to width x height with the box filter of
// gluScaleImage (the same bytes; no GL context needed). Result: 0 (also when nothing was scaled:
// source empty or not 24/32 bits, or no memory); dst is left empty whenever it holds no scaled picture.
int tgaScale(const TgaImage* src, int width, int height, TgaImage* dst);
// Reads file from the data folder with load (tgaLoad or tgaLoadFile). A file that cannot be used
// leaves img empty and is named on standard error with the reason and the effect, in one line.
int pictureLoad(int (*load)(TgaImage*, const char*), TgaImage* img, const char* file, const char* effect);
// Brings dst to width x height: unchanged if it already is; else, with record.pictureCache set, loads
// the cache file "<stem>-WWWWWW-HHHHHH.tga" (in the cache folder) if it has exactly that size, or
// scales and (re)writes it.
int pictureFit(const TgaImage* src, TgaImage* dst, int width, int height, const char* stem);
// Fits the six full-window pictures to the window and rebuilds the stencil mask. A source slot that
// is still empty is first read from its file ("poster.tga", ...).
void picturesResize(int width, int height);
// The same for the one picture whose fitted slot is first (with the mask for the stencil); each of
// the others is read and fitted when it is first drawn.
void picturesResizeFirst(int width, int height, const TgaImage* first);
// As picturesResizeFirst, ahead of the window (no GL needed): the next picturesResizeFirst to the same
// size with the same first picture keeps what this made instead of fitting it again.
void picturesPrepare(int width, int height, const TgaImage* first);
// The lamp frame's pixels just outside its openings (mask 1) take the colour of the pixel beyond,
// so the white that scaling blended into them shows no pale fringe around the scene.
void pictureClearFringe(TgaImage* frame, const TgaImage* mask);
// The boss picture in the game's language: "boss.tga" (German, the picture the game always had) or,
// with english, "boss-en.tga". A change empties the boss slots, which are read and fitted again at
// their next use.
void pictureBossLanguage(int english);
// Reads the source of the full-window picture of a fitted slot now instead of at its first fit.
void pictureReadSource(const TgaImage* fit);
// Brings a fitted slot (or the stencil mask) to the current window size if it is not yet; every
// reader of a fitted slot calls it first (drawPicture does). Other images are left alone.
void pictureReady(const TgaImage* fit);
// How many times a fitted slot (or the stencil mask, with its picture) has been fitted: a copy of
// its pixels made at one count is stale at another.
int pictureFitCount(const TgaImage* fit);

// Converters: 1 on success, 0 when the new block cannot be allocated (the image is then empty).
int pictureInvert(TgaImage* img);                                         // every byte b becomes 255 - b
int tgaAddAlpha(TgaImage* img, TgaPixelRule rule);                    // 24 -> 32 bits, A = rule(R, G, B)
int pictureToMask(const TgaImage* src, TgaImage* dst, TgaPixelRule rule); // dst: 8 bits, rule(R, G, B)
// 24 bits only: twice as wide and high, mirrored into four quadrants. The pixels travel through
// tgaGetPixel/tgaSetPixel, so red and blue change places in the whole image.
int tgaMirrorTile(TgaImage* img);
int pictureDropAlpha(TgaImage* img); // 32 -> 24 bits
