// SPDX-License-Identifier: GPL-3.0-or-later
// The two file forms of one model level: the text form "%s.%03d.brep.txt" (vertices and faces as
// numbers) and the packed binary cache "%s.%03d.brep.bin" (a 32-bit memory image of the model), and
// the texture hint image "%s.%03d.texhint.tga". Files are read from the data folder and written to
// the cache folder (app/paths.h; both the working directory for the tools).
//
// Readers refuse missing and malformed files: the model is then left empty under the requested name
// and level (it draws as nothing) and one "Brep Error %s\n" line on standard error names the file
// and the fault. Writers replace a file whole or not at all (file/file.h).
#pragma once
#include <cstdint>

struct BrepModel;

enum {
    BREP_BIN_HEADER = 288, // file header bytes
    BREP_BIN_VERTEX = 44,  // file bytes per vertex record
    BREP_BIN_FACE = 164,   // file bytes per face record
};
// The 32-bit address a packed block is given in its file; its references are this plus an offset.
constexpr uint32_t BREP_PACK_BASE = 0x10000000u;

// Writes "%s.%03d.brep.txt" of the model's name and level through fileWriteBegin (file/file.h);
// numbers the vertices (index) on the way. 1 when written, 0 with one line on standard error.
int brepWriteText(BrepModel* model);
// New model in *out read from "%s.%03d.brep.txt": 1 when read; 0 when missing or refused.
int brepReadText(BrepModel** out, const char* name, int level);
// The same from an explicit file path (tools, fuzzing); the model gets name and level.
int brepReadTextFile(BrepModel** out, const char* path, const char* name, int level);
// Draws the outlines of the faces in texture space, white on black, into "%s.%03d.texhint.tga".
// 1 when the image was saved.
int brepWriteTexHint(BrepModel* model, int size);

// Replaces *model by a packed copy without edges (one block, released by brepFree) and returns it.
// A packed model's `base` is its block's address and its `size` the byte size of its file form.
BrepModel* brepPack(BrepModel** model);
// Writes a packed model to "%s.%03d.brep.bin": 1 when written; 0 (with a "Brep Error" line) when the
// model is not packed or the file cannot be written.
int brepWriteBinary(BrepModel* model);
// New packed model in *out read from "%s.%03d.brep.bin": 1 when read; 0 when missing or refused
// (one "Brep Error" line each; *out is then an empty model with the name and level asked for).
int brepReadBinary(BrepModel** out, const char* name, int level);
// The same from an explicit file path; name and level are used only for a refused file.
int brepReadBinaryFile(BrepModel** out, const char* path, const char* name, int level);
