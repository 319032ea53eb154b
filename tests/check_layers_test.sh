#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# tools/check-layers.py on a small source tree of its own: includes down the layer order and of the
# shared core pass; an include up the order, one of an app header other than the core's, a circle
# of folders, a circle of modules inside a folder and a folder outside the table are each named, and
# the check fails.
#   check_layers_test.sh SOURCE_DIR
set -eu
checker=$(cd "$1" && pwd)/tools/check-layers.py
fail() {
    echo "check-layers test: $*" >&2
    exit 1
}
command -v python3 >/dev/null || fail "python3 is needed (make deps installs it)"
work=$(mktemp -d /tmp/kx_layers_XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src/file" "$work/src/image" "$work/src/brep" "$work/src/maze" "$work/src/app"
cd "$work/src"
for header in file/file.h app/record.h app/screens.h image/tga.h brep/brep.h brep/draw.h; do
    printf '#pragma once\n' >"$header"
done
printf '#include "file/file.h"\n#include "app/record.h"\n' >image/tga.cpp
printf '#include "brep.h"\n#include "image/tga.h"\n#include <cstdio>\n' >brep/brep.cpp
printf '#include "brep/draw.h"\n#include "brep.h"\n' >brep/draw.cpp
printf '#include "brep/brep.h"\n#include "app/screens.h"\n' >app/screens.cpp

run() {
    status=0
    python3 "$checker" "$work" >"$work/out.txt" 2>"$work/err.txt" || status=$?
}
run
[ "$status" = 0 ] || fail "a tree that keeps the order: status $status: $(cat "$work/out.txt" "$work/err.txt")"
[ ! -s "$work/out.txt" ] || fail "a tree that keeps the order: $(cat "$work/out.txt")"

# Each row: file, its text, the line the check must print.
while IFS='|' read -r file text expected; do
    saved=$(mktemp "$work/saved_XXXXXX")
    [ -f "$file" ] && cp "$file" "$saved" || : >"$saved"
    printf '%b' "$text" >"$file"
    run
    [ "$status" = 1 ] || fail "$file: status $status, not 1"
    grep -qxF "$expected" "$work/out.txt" || fail "$file: expected '$expected', got: $(cat "$work/out.txt")"
    if [ -s "$saved" ]; then cp "$saved" "$file"; else rm -f "$file"; fi
done <<'ROWS'
brep/brep.cpp|#include "image/tga.h"\n#include "maze/maze.h"\n|src/brep/brep.cpp:2: brep includes maze/maze.h from maze, a layer above it
maze/maze.h|#include "app/screens.h"\n|src/maze/maze.h:1: maze includes app/screens.h from app, a layer above it
image/tga.cpp|#include "brep/brep.h"\n|src/image/tga.cpp:1: image includes brep/brep.h from brep, a layer above it
image/tga.cpp|#include "brep/brep.h"\n|circle: image <-> brep
brep/brep.h|#include "draw.h"\n|circle: brep/brep <-> brep/draw
extra.cpp|int x;\n|src/extra.cpp: folder not in the layer table
ROWS

run
[ "$status" = 0 ] || fail "the tree put back: status $status: $(cat "$work/out.txt")"
