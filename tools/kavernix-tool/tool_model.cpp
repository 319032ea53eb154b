// SPDX-License-Identifier: GPL-3.0-or-later
// kavernix-tool model: builds a model's four levels of detail from its definitions (or the floor
// tile) and writes each level as a text model file, the way the game does when it builds at start.
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "brep/brep.h"
#include "brep/brep_build.h"
#include "brep/brep_file.h"
#include "tool.h"

enum { TOOL_LEVELS = 4 };

static int modelUsage() {
    fprintf(stderr,
            "usage: kavernix-tool model build [--defs DIR] [--out DIR] [--split] NAME [EXTRA_DEF ...]\n"
            "       kavernix-tool model build --floor [--out DIR] [--split] [NAME]\n"
            "       kavernix-tool model info FILE\n"
            "       kavernix-tool model pack NAME LEVEL\n"
            "       kavernix-tool model pack-all\n"
            "       kavernix-tool model texhint NAME LEVEL SIZE\n"
            "       kavernix-tool model cache [--split]\n");
    return 2;
}

static void modelPrintCounts(const BrepModel* m) {
    int faces = 0, edges = 0, vertices = 0;
    for (const BrepFace* f = m->faces; f; f = f->next) faces++;
    for (const BrepEdge* e = m->edges; e; e = e->next) edges++;
    for (const BrepVertex* v = m->vertices; v; v = v->next) vertices++;
    printf("%s.%03d: %d faces, %d edges, %d vertices\n", m->name, m->level, faces, edges, vertices);
}

// model build: level 0 from NAME's definition plus the extra definitions added to it (or the floor
// tile), levels 1 to 3 by refinement, each written as "NAME.00L.brep.txt" into the output folder.
static int modelBuild(int argc, char** argv) {
    std::string defs = ".", out = ".";
    bool floor = false, split = false;
    std::vector<const char*> names;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--defs") && i + 1 < argc)
            defs = argv[++i];
        else if (!strcmp(argv[i], "--out") && i + 1 < argc)
            out = argv[++i];
        else if (!strcmp(argv[i], "--floor"))
            floor = true;
        else if (!strcmp(argv[i], "--split"))
            split = true;
        else if (argv[i][0] == '-')
            return modelUsage();
        else
            names.push_back(argv[i]);
    }
    if (floor ? names.size() > 1 : names.empty()) return modelUsage();
    const char* name = names.empty() ? "FLOOR0" : names[0];
    if (strlen(name) >= BREP_NAME_SIZE) {
        fprintf(stderr, "kavernix-tool model: name '%s' is longer than %d characters\n", name,
                BREP_NAME_SIZE - 1);
        return 1;
    }

    BrepModel* levels[TOOL_LEVELS] = {};
    int status = 0;
    if (floor) {
        brepBuildFloor(&levels[0], name);
    } else {
        brepCreate(&levels[0], name, 0);
        for (const char* def : names) {
            std::string path = defs + "/" + def + ".brepdef.txt";
            if (!brepLoadDefFile(&levels[0], path.c_str())) status = 1;
        }
    }
    modelPrintCounts(levels[0]);
    for (int l = 1; l < TOOL_LEVELS; l++) {
        if (floor)
            brepRefineFloor(levels[l - 1], &levels[l]);
        else
            brepRefine(levels[l - 1], &levels[l]);
        modelPrintCounts(levels[l]);
    }
    if (split)
        for (BrepModel* m : levels) brepSplitPolygons(m);

    // The text writer writes into the working directory.
    if (mkdir(out.c_str(), 0755) != 0 && errno != EEXIST) {
        fprintf(stderr, "kavernix-tool model: cannot make folder '%s': %s\n", out.c_str(), strerror(errno));
        status = 1;
    } else if (chdir(out.c_str()) != 0) {
        fprintf(stderr, "kavernix-tool model: cannot enter folder '%s': %s\n", out.c_str(), strerror(errno));
        status = 1;
    } else {
        for (BrepModel* m : levels) {
            brepWriteText(m);
            char file[64];
            snprintf(file, sizeof file, "%s.%03d.brep.txt", m->name, m->level);
            if (access(file, R_OK) != 0) {
                fprintf(stderr, "kavernix-tool model: could not write %s/%s\n", out.c_str(), file);
                status = 1;
            }
        }
    }
    for (BrepModel*& m : levels) brepFree(&m);
    return status;
}

int toolModel(int argc, char** argv) {
    static const struct {
        const char* verb;
        int (*run)(int argc, char** argv); // argv[0] is the verb
    } verbs[] = {{"build", modelBuild},          {"info", toolModelInfo},       {"pack", toolModelPack},
                 {"pack-all", toolModelPackAll}, {"texhint", toolModelTexhint}, {"cache", toolModelCache}};
    if (argc >= 2)
        for (const auto& v : verbs)
            if (!strcmp(argv[1], v.verb)) return v.run(argc - 1, argv + 1);
    return modelUsage();
}
