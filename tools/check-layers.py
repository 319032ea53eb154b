#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks that every folder under src/ includes only folders below it.

Reads each `#include "..."` of the sources and headers under src/ and fails (status 1) when one goes
up the layer order below, when the folders include each other in a circle, or when the modules of one
folder do (a module is a file stem: foo.h and foo.cpp are the module foo). Each finding is one line:
the including file and line, the folders, and the header; or the modules of a circle.

    python3 tools/check-layers.py [SOURCE_ROOT]

SOURCE_ROOT is the repository (default: the folder above this script's folder).
"""
import os
import re
import sys

# The layers, lowest first. A folder may include its own headers and those of the layers before it.
# "core" is the one exception to the folders: the settings record, the random generator, the data
# paths and the language set-up live in src/app but every layer may use them, since the record is
# the one shared block (and every layer has texts to look up).
LAYERS = [
    ("file", "reading without waiting, the atomic file write"),
    ("setup", "the settings library and the settings record's layout"),
    ("core", "app/record.h, app/random.h, app/paths.h, app/lang.h, app/lang_text.h: the shared record,"
             " random numbers, data paths, the language and the catalogue's lookups"),
    ("sound", "OpenAL playback"),
    ("image", "TGA images, pictures, textures"),
    ("text", "font, text, fade, head-up display"),
    ("brep", "meshes, model files, drawing, the model catalogue"),
    ("Wood", "the pit props"),
    ("maze", "the maze record, queries and drawing"),
    ("game", "bodies, routes, the shot, items and supplies"),
    ("scene", "creatures, the horse, the lamp and the map"),
    ("app", "start-up, screens, input, the game frame, the end screen"),
]

# The files of src/app that form the core layer (header and source).
CORE_STEMS = ("record", "random", "paths", "lang", "lang_text")
CORE_FILES = {"app/" + stem + ext for stem in CORE_STEMS for ext in (".h", ".cpp")}

RANK = {name: i for i, (name, _) in enumerate(LAYERS)}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def layer_of(rel):
    """The layer of a path relative to src/, or None when it lies in no known folder."""
    if rel in CORE_FILES:
        return "core"
    folder = rel.split("/", 1)[0]
    return folder if folder in RANK and folder != "core" and "/" in rel else None


def sources(src):
    """Every source and header under src, relative to it."""
    for dirpath, dirnames, filenames in os.walk(src):
        dirnames.sort()
        for name in sorted(filenames):
            if name.endswith((".h", ".cpp")):
                yield os.path.relpath(os.path.join(dirpath, name), src).replace(os.sep, "/")


def includes(src, rel):
    """(line, header) for every quoted include of one file, the header relative to src."""
    with open(os.path.join(src, rel), encoding="utf-8", errors="replace") as f:
        for number, text in enumerate(f, 1):
            m = INCLUDE.match(text)
            if not m:
                continue
            header = m.group(1)
            if "/" not in header:  # beside the including file
                header = os.path.dirname(rel) + "/" + header
            yield number, header


def module_of(rel):
    """The module of a path relative to src/: the folder and the file's stem ("app/input")."""
    return os.path.splitext(rel)[0]


def check(src, rel, number, here, header, edges, modules):
    """1 when the include leaves the table or goes up the order (named on standard output), else 0.
    Records the edge between the two folders in edges, or between two modules of one folder in
    modules."""
    there = layer_of(header)
    if there is None:
        if os.path.exists(os.path.join(src, header)):
            print("src/%s:%d: includes %s, a folder not in the layer table" % (rel, number, header))
            return 1
        return 0  # a system header in quotes
    if os.path.dirname(header) == os.path.dirname(rel) and module_of(header) != module_of(rel):
        modules.setdefault(module_of(rel), set()).add(module_of(header))
    if there == here:
        return 0
    edges.setdefault(here, set()).add(there)
    if RANK[there] > RANK[here]:
        print("src/%s:%d: %s includes %s from %s, a layer above it" % (rel, number, here, header, there))
        return 1
    return 0


def circles(edges, order):
    """The circles: every strongly connected set of more than one node of edges, sorted by order."""
    index, low, stack, on, found = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on.add(v)
        for w in sorted(edges.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                found.append(sorted(group, key=order))

    for v in sorted(edges, key=order):
        if v not in index:
            visit(v)
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    src = os.path.join(root, "src")
    if not os.path.isdir(src):
        print("check-layers: no src folder in %s" % root, file=sys.stderr)
        return 2
    problems = 0
    edges, modules = {}, {}
    for rel in sources(src):
        here = layer_of(rel)
        if here is None:
            print("src/%s: folder not in the layer table" % rel)
            problems += 1
            continue
        for number, header in includes(src, rel):
            problems += check(src, rel, number, here, header, edges, modules)
    for group in circles(edges, RANK.get) + circles(modules, str):
        print("circle: %s" % " <-> ".join(group))
        problems += 1
    if problems:
        print("check-layers: %d problem(s); layers, lowest first: %s" % (problems, ", ".join(n for n, _ in LAYERS)),
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
