// SPDX-License-Identifier: GPL-3.0-or-later
// OpenGL textures made from TgaImage records, and the render switches shadeMode and textureMode of
// the settings record.
#pragma once
#include "image/tga.h"

void glCheckError(); // prints "OpenGL:<error>\n" when an OpenGL error is pending
// The mipmap levels of a width x height block (3 or 4 bytes per pixel) into the bound texture: the
// bytes gluBuild2DMipmaps gives, made faster here for sides that are powers of two.
void textureBuildMipmaps(int width, int height, int bytesPerPixel, const uint8_t* pixels);
// Makes the mipmap levels of an image of the table (sides powers of two) ahead, without OpenGL, so
// that its next textureUpload in textureMode 2 only hands them over; that upload drops them.
void texturePrepareMipmaps(const TgaImage* img);
void textureUpload(TgaImage* img); // deletes img's old texture name, makes a new one for textureMode
void applyShadeMode();             // polygon mode and shade model from shadeMode; invalidates the lamp
void restoreShadeMode();           // the same, leaving the lamp frame as it is
// Texturing on/off from textureMode; when on, rebuilds every texture but the font's and returns 1
// (the caller then rebuilds the font's lists, which upload its texture), else returns 0.
int applyTextureMode();
void restoreTexturing();           // GL_TEXTURE_2D back to what textureMode asks for
