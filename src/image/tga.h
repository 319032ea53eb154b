// SPDX-License-Identifier: GPL-3.0-or-later
// TGA images in memory, the table of named image slots, and the uncompressed true-colour TGA subset
// the game reads and writes.
#pragma once
#include <cstdint>

// One image. The pixel block is tightly packed, row 0 is the bottom row, pixels go left to right and
// each pixel is R, G, B (, A) - the layout glTexImage2D, gluScaleImage and glDrawPixels take directly.
// An 8-bit image holds one byte per pixel (the stencil mask). Empty: every field 0, pixels null.
struct TgaImage {
    uint8_t* pixels;       // owned heap block; null when empty
    int32_t bitsPerPixel;  // 24, 32 or 8
    int32_t bytesPerPixel; // bitsPerPixel / 8
    int32_t width;
    int32_t height;
    int32_t byteSize;   // width * height * bytesPerPixel
    uint32_t textureId; // OpenGL texture name made from this image; 0 = none
};

// The largest pixel block the reader accepts: 16384 x 16384 pixels of 4 bytes.
constexpr int64_t tgaMaxByteSize = int64_t(16384) * 16384 * 4;

constexpr int imageTableSize = 31;
extern TgaImage imageTable[imageTableSize];

inline TgaImage& imgPoster = imageTable[0];
inline TgaImage& imgPosterFit = imageTable[1];
inline TgaImage& imgFont = imageTable[2];
inline TgaImage& imgFloor = imageTable[3];
inline TgaImage& imgWall = imageTable[4];
inline TgaImage& imgWood = imageTable[5];
inline TgaImage& imgStencil = imageTable[6];
inline TgaImage& imgStencilFit = imageTable[7];
inline TgaImage& imgStencilFile = imageTable[8];
inline TgaImage& imgStencilMask = imageTable[9];
inline TgaImage& imgDoorOpen = imageTable[10];
inline TgaImage& imgDoorOpenFit = imageTable[11];
inline TgaImage& imgHay = imageTable[12];
inline TgaImage& imgLastPic = imageTable[13];
inline TgaImage& imgLastPicFit = imageTable[14];
inline TgaImage& imgBoss = imageTable[15];
inline TgaImage& imgBossFit = imageTable[16];
inline TgaImage& imgOilcan = imageTable[17];
inline TgaImage& imgSpider = imageTable[18];
inline TgaImage& imgMap1 = imageTable[19];
inline TgaImage& imgMap2 = imageTable[20];
inline TgaImage& imgMap3 = imageTable[21];
inline TgaImage& imgMap4 = imageTable[22];
inline TgaImage& imgMap5 = imageTable[23];
inline TgaImage& imgMap6 = imageTable[24];
inline TgaImage& imgMap7 = imageTable[25];
inline TgaImage& imgMap8 = imageTable[26];
inline TgaImage& imgBadDragon = imageTable[27];
inline TgaImage& imgBadDragonFit = imageTable[28];
inline TgaImage& imgHorse = imageTable[29];
inline TgaImage& imgHorseLeg = imageTable[30];

// Results: 1 success, 0 failure. Nothing here prints but a refused tgaSave.
void tgaReset(TgaImage* img);                     // all fields 0; does not free
void tgaCopy(TgaImage* dst, const TgaImage* src); // shallow: dst aliases src's block
void tgaFree(TgaImage* img);                      // frees the block, then resets; twice is harmless
void imageTableReset();                           // tgaReset on every slot
void imageTableFree();                            // tgaFree on every slot
int tgaCreate(TgaImage* img, int bits, int width, int height); // block allocated, contents undefined
int tgaFill(TgaImage* img, uint32_t colour);                   // tgaSetPixel on every pixel
// Stores bytesPerPixel bytes of colour, least significant first, at (x, y) clamped into the image.
void tgaSetPixel(TgaImage* img, int x, int y, int32_t colour);
// The pixel's bytes with the first one most significant (R, G, B reads 0xRRGGBB); no clamping.
// A copy by tgaGetPixel then tgaSetPixel exchanges red and blue.
uint32_t tgaGetPixel(const TgaImage* img, int x, int y);
// Reads an uncompressed 24- or 32-bit true-colour file into an empty record (a block it held is not
// freed: free it first). On any refusal the
// record is left empty and tgaLastError() says why.
int tgaLoad(TgaImage* img, const char* path);
int tgaLoadFile(TgaImage* img, const char* path); // tgaLoad, result 0 or 1 (the texture files)
// Why the last tgaLoad failed ("" after a success), e.g. "pixel data is truncated".
const char* tgaLastError();
// Writes an uncompressed file with descriptor 0 (bottom-left origin) through fileWriteBegin
// (file/file.h): the file is replaced whole or not at all, a link at the name is left alone, and a
// refusal or failure is one line on standard error. The record is unchanged.
int tgaSave(const TgaImage* img, const char* path);
void tgaMirrorX(TgaImage* img); // left-right, in place
void tgaMirrorY(TgaImage* img); // top-bottom, in place
