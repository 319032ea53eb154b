// SPDX-License-Identifier: GPL-3.0-or-later
// kavernix-tool: one command-line program, one function per subcommand. Each returns the exit status.
#pragma once

// 1 when the current folder, where the tool reads the game's data, holds the model definitions;
// else 0 after one line that names the folder and where the data is.
int toolDataHere(const char* command);

int toolMaze(int argc, char** argv);    // maze N ITEMS
int toolTgaInfo(int argc, char** argv); // tga-info FILE
int toolReplay(int argc, char** argv);  // replay FILE
int toolFont(int argc, char** argv);    // font STRIP.tga OUT.tga
int toolRender(int argc, char** argv);  // render MODEL LEVEL OUT.tga [--texture F] [--yaw D --pitch D]
int toolModel(int argc,
              char** argv); // model build [--defs DIR] [--out DIR] [--split] NAME [EXTRA ...] | --floor
int toolModelInfo(int argc, char** argv);    // model info FILE
int toolModelPack(int argc, char** argv);    // model pack NAME LEVEL
int toolModelPackAll(int argc, char** argv); // model pack-all
int toolModelTexhint(int argc, char** argv); // model texhint NAME LEVEL SIZE
int toolModelCache(int argc, char** argv);   // model cache [--split]
