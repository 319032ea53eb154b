// SPDX-License-Identifier: GPL-3.0-or-later
// Model file commands: look into a model file, pack text files into the binary cache, draw a
// texture hint, and make every model file of the catalogue from the definitions.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/record.h"
#include "brep/brep.h"
#include "brep/brep_build.h"
#include "brep/brep_file.h"
#include "brep/catalogue.h"
#include "tool.h"

// A whole number from an argument within [lo, hi]; false with a message otherwise.
static bool toolNumber(const char* command, const char* what, const char* text, long lo, long hi, int* out) {
    char* end = nullptr;
    errno = 0;
    long value = strtol(text, &end, 10);
    if (errno || end == text || *end || value < lo || value > hi) {
        fprintf(stderr, "kavernix-tool %s: %s must be a whole number from %ld to %ld, not '%s'\n", command,
                what, lo, hi, text);
        return false;
    }
    *out = (int)value;
    return true;
}

static bool endsWith(const char* text, const char* suffix) {
    size_t n = strlen(text), k = strlen(suffix);
    return n >= k && !strcmp(text + n - k, suffix);
}

int toolModelInfo(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: kavernix-tool model info FILE(.brep.txt|.brep.bin)\n");
        return 2;
    }
    const char* path = argv[1];
    bool binary = endsWith(path, ".bin");
    if (!binary && !endsWith(path, ".txt")) {
        fprintf(stderr, "kavernix-tool model info: %s is neither a .txt nor a .bin model file\n", path);
        return 2;
    }
    FILE* probe = fopen(path, "rb");
    if (!probe) {
        fprintf(stderr, "kavernix-tool model info: cannot open %s\n", path);
        return 1;
    }
    fclose(probe);

    // The model's name and level as the file name gives them ("NAME.LLL.brep.txt").
    const char* base = strrchr(path, '/');
    base = base ? base + 1 : path;
    char name[BREP_NAME_SIZE] = "";
    int level = 0;
    const char* dot = strchr(base, '.');
    if (dot) {
        snprintf(name, sizeof name, "%.*s", (int)(dot - base), base);
        level = atoi(dot + 1);
    }

    BrepModel* model = nullptr;
    int sound =
        binary ? brepReadBinaryFile(&model, path, name, level) : brepReadTextFile(&model, path, name, level);
    if (!sound) {
        printf("%s: refused\n", path);
        brepFree(&model);
        return 1;
    }
    int vertices = 0, faces = 0, byCount[BREP_MAX_CORNERS + 1] = {0};
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    for (const BrepVertex* v = model->vertices; v; v = v->next, vertices++)
        for (int k = 0; k < 3; k++) {
            if (!vertices || v->pos[k] < lo[k]) lo[k] = v->pos[k];
            if (!vertices || v->pos[k] > hi[k]) hi[k] = v->pos[k];
        }
    for (const BrepFace* f = model->faces; f; f = f->next, faces++) byCount[f->count]++;
    int polygons = faces - byCount[3] - byCount[4];

    printf("%s: %s model \"%s\" level %d\n", path, binary ? "binary" : "text", model->name, model->level);
    printf("  vertices %d, faces %d (triangles %d, quads %d, other polygons %d)\n", vertices, faces,
           byCount[3], byCount[4], polygons);
    if (vertices)
        printf("  bounds x %g .. %g, y %g .. %g, z %g .. %g\n", lo[0], hi[0], lo[1], hi[1], lo[2], hi[2]);
    if (binary) printf("  %u bytes\n", model->size);
    printf("  sound\n");
    brepFree(&model);
    return 0;
}

int toolModelPack(int argc, char** argv) {
    int level = 0;
    if (argc != 3) {
        fprintf(stderr, "usage: kavernix-tool model pack NAME LEVEL\n");
        return 2;
    }
    if (!toolNumber("model pack", "LEVEL", argv[2], 0, 999, &level)) return 2;
    BrepModel* model = nullptr;
    if (!brepReadText(&model, argv[1], level)) {
        fprintf(stderr, "kavernix-tool model pack: %s.%03d.brep.txt could not be read\n", model->name, level);
        brepFree(&model);
        return 1;
    }
    brepPack(&model);
    int written = brepWriteBinary(model);
    if (written) printf("%s.%03d.brep.bin: %u bytes\n", model->name, level, model->size);
    brepFree(&model);
    return written ? 0 : 1;
}

int toolModelPackAll(int argc, char**) {
    if (argc != 1) {
        fprintf(stderr, "usage: kavernix-tool model pack-all\n");
        return 2;
    }
    int written = modelFilesPack();
    printf("%d of %d binary model files written\n", written, MODEL_ROWS * MODEL_LEVELS);
    return written == MODEL_ROWS * MODEL_LEVELS ? 0 : 1;
}

int toolModelTexhint(int argc, char** argv) {
    int level = 0, size = 0;
    if (argc != 4) {
        fprintf(stderr, "usage: kavernix-tool model texhint NAME LEVEL SIZE\n");
        return 2;
    }
    if (!toolNumber("model texhint", "LEVEL", argv[2], 0, 3, &level) ||
        !toolNumber("model texhint", "SIZE", argv[3], 1, 8192, &size))
        return 2;
    // Built from the definitions, as the catalogue builds it, so that it has edges to check.
    int row = modelRowByName(argv[1]);
    BrepModel* model = nullptr;
    if (row >= 0)
        modelBuildBase(row, &model);
    else
        brepBuildFromDef(&model, argv[1]);
    for (int k = 0; k < level; k++) {
        BrepModel* next = nullptr;
        if (row >= 0)
            modelRefineNext(row, model, &next);
        else
            brepRefine(model, &next);
        brepFree(&model);
        model = next;
    }
    if (!model->faces) {
        fprintf(stderr, "kavernix-tool model texhint: %s has no faces (is %s.brepdef.txt here?)\n", argv[1],
                argv[1]);
        brepFree(&model);
        return 1;
    }
    int saved = brepWriteTexHint(model, size);
    if (saved) printf("%s.%03d.texhint.tga: %d x %d\n", model->name, model->level, size, size);
    brepFree(&model);
    return saved ? 0 : 1;
}

int toolModelCache(int argc, char** argv) {
    bool split = argc == 2 && !strcmp(argv[1], "--split");
    if (argc > 2 || (argc == 2 && !split)) {
        fprintf(stderr, "usage: kavernix-tool model cache [--split]\n");
        return 2;
    }
    if (!toolDataHere("model cache")) return 1;
    record.modelSource = 0;
    record.splitQuads = split ? 1 : 0;
    modelTableLoad();
    int written = modelFilesPack();
    printf("%d text and %d binary model files written\n", MODEL_ROWS * MODEL_LEVELS, written);
    return written == MODEL_ROWS * MODEL_LEVELS ? 0 : 1;
}
