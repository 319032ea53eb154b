// SPDX-License-Identifier: GPL-3.0-or-later
// kavernix-tool image commands: what the game's TGA reader makes of a file, and the font build.
#include <cstdio>

#include "image/tga.h"
#include "text/font.h"
#include "tool.h"

int toolTgaInfo(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: kavernix-tool tga-info FILE\n");
        return 2;
    }
    TgaImage img{};
    if (!tgaLoad(&img, argv[1])) {
        printf("%s: refused: %s\n", argv[1], tgaLastError());
        return 1;
    }
    printf("%s: %d x %d, %d bits per pixel\n", argv[1], img.width, img.height, img.bitsPerPixel);
    tgaFree(&img);
    return 0;
}

int toolFont(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: kavernix-tool font STRIP.tga OUT.tga\n");
        return 2;
    }
    TgaImage font{};
    if (!fontBuild(&font, argv[1])) {
        printf("%s: no font built: %s\n", argv[1], tgaLastError()[0] ? tgaLastError() : "out of memory");
        return 1;
    }
    const int saved = tgaSave(&font, argv[2]);
    tgaFree(&font);
    if (!saved) {
        printf("%s: cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
