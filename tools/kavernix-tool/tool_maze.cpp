#include <cstdio>
#include "tool.h"

int toolMaze(int, char**) {
    fprintf(stderr, "kavernix-tool maze: not built yet\n");
    return 1;
}
