// SPDX-License-Identifier: GPL-3.0-or-later
// kavernix-art OUTDIR: writes every picture, texture, font strip and sound of the game into OUTDIR.
// kavernix-art --icons OUTDIR: writes the desktop icon's sizes into OUTDIR/hicolor.
#include "art.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    const bool icons = argc == 3 && !strcmp(argv[1], "--icons");
    if (argc != 2 && !icons) {
        printf("usage: kavernix-art OUTDIR | kavernix-art --icons OUTDIR\n");
        return 2;
    }
    const char* dir = argv[argc - 1];
    if (access(dir, W_OK) != 0) {
        printf("kavernix-art: cannot write into %s\n", dir);
        return 1;
    }
    // Without its fonts the art would differ from build to build (Cairo would pick some other face).
    for (int id = 0; id < artFontCount; id++)
        if (!artFontPath(ArtFontId(id))) {
            printf("kavernix-art: a font file is missing; install fonts-dejavu-core and fonts-blankenburg\n");
            return 1;
        }
    int failed =
        icons ? artIcons(dir)
              : artPictures(dir) + artLampFrame(dir) + artTextures(dir) + artFonts(dir) + artSounds(dir);
    if (failed) printf("kavernix-art: %d files not written\n", failed);
    return failed ? 1 : 0;
}
