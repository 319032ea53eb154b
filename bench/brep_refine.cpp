// SPDX-License-Identifier: GPL-3.0-or-later
// Building and refining models: a long winding tube from its definition file, a closed quad torus and
// a closed cube, each built and refined three times. Reports output faces per second for every level
// and in total, with the hash-indexed lookups and with the plain list scans on the same tube.
//
// The long tube and the torus are also refined three steps from the same level 0 in the same run by
// two flat-array Doo-Sabin refinements (positions in one array, faces as runs of vertex numbers, the
// two sides of every edge paired through a hash table each step; positions only, no texture
// coordinates, weights or normals):
// - the plain baseline places every new corner by the Doo-Sabin mask and builds each step's mesh in
//   fresh arrays, as a refinement that returns a new mesh does: `ratio` is our total faces per second
//   over its faces per second, `baseline_faces/s` its speed;
// - the warm midpoint variant places every new corner at the midpoint of its vertex and its face's
//   centroid and keeps its output and working arrays from one run to the next, so it is timed in
//   memory it already has: `warm_midpoint_ratio` and `warm_midpoint_faces/s`.
// `peak_bytes/face` is the most heap memory in use during one build and refinement, in a fresh
// process, per face of the four levels.
#include <benchmark/benchmark.h>
#include "bench_util.h"
#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>
#include "brep/brep.h"
#include "brep/brep_build.h"

// ---- Heap bytes in use, counted by wrapping the C library's allocator.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {
std::atomic<size_t> heapInUse{0}, heapPeak{0};

void* counted(void* p) {
    if (p) {
        size_t now = heapInUse += malloc_usable_size(p);
        size_t peak = heapPeak.load(std::memory_order_relaxed);
        while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
        }
    }
    return p;
}
void uncount(void* p) {
    if (p) heapInUse -= malloc_usable_size(p);
}
} // namespace

extern "C" {
void* malloc(size_t n) {
    return counted(__libc_malloc(n));
}
void* calloc(size_t n, size_t size) {
    return counted(__libc_calloc(n, size));
}
void* realloc(void* p, size_t n) {
    uncount(p);
    void* q = __libc_realloc(p, n);
    if (!q && n) counted(p); // p is still there
    return counted(q);
}
void free(void* p) {
    uncount(p);
    __libc_free(p);
}
void* memalign(size_t align, size_t n) {
    return counted(__libc_memalign(align, n));
}
void* aligned_alloc(size_t align, size_t n) {
    return counted(__libc_memalign(align, n));
}
int posix_memalign(void** out, size_t align, size_t n) {
    void* p = counted(__libc_memalign(align, n));
    if (!p) return 12; // ENOMEM
    *out = p;
    return 0;
}
void* valloc(size_t n) {
    return counted(__libc_memalign(4096, n));
}
void* pvalloc(size_t n) {
    return counted(__libc_memalign(4096, (n + 4095) & ~size_t(4095)));
}
}

namespace {

// Processor time of this thread: the machine is shared, and waiting for a processor is not work.
double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// A winding tube of `lines` profile lines, written once into a temp folder.
std::string tubeDefinition(int lines) {
    static std::string dir;
    if (dir.empty()) {
        const char* tmp = getenv("TMPDIR");
        std::string tmpl = std::string(tmp ? tmp : "/tmp") + "/kx_bench_brep_XXXXXX";
        dir = mkdtemp(&tmpl[0]);
        static pid_t owner = getpid();
        atexit([] {
            if (getpid() == owner) (void)!system(("rm -rf '" + dir + "'").c_str());
        });
    }
    std::string path = dir + "/TUBE" + std::to_string(lines) + ".brepdef.txt";
    FILE* f = fopen(path.c_str(), "w");
    fprintf(f, "%d 0 0 4 1\n", lines);
    for (int i = 0; i < lines; i++) {
        float a = i * 0.13f;
        fprintf(f, "%f %f %f %f %f %f %d %d %d %d %d %d %d %d\n", i * 0.1f + 0.05f * sinf(3 * a), sinf(a),
                0.2f + 0.05f * cosf(a), 0.25f, 0.15f, 0.2f, 1 + i % 3, 2, 1, 3, 1 + i % 2, 1, 2, 1);
    }
    fclose(f);
    return path;
}

BrepModel* cubeModel() {
    static const int faces[6][4][3] = {
        {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},
        {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}};
    BrepModel* m = nullptr;
    brepCreate(&m, "CUBE", 0);
    for (auto& face : faces) {
        brepBeginFace(m, 1, BREP_CW);
        for (const int* p : face) brepFaceAddPoint(m, p[0], p[1], p[2], 1, 1, p[0], p[1], p[1], p[2]);
        brepEndFace(m);
    }
    brepCheck(m, 1);
    return m;
}

// A closed torus of 64 x 64 quadrilaterals (4,096 faces), texture coordinates around both circles.
enum { TORUS_SIDES = 64 };
BrepModel* torusModel() {
    BrepModel* m = nullptr;
    brepCreate(&m, "TORUS", 0);
    const int n = TORUS_SIDES;
    auto corner = [&](int i, int j) {
        float u = 6.2831853f * (i % n) / n, v = 6.2831853f * (j % n) / n;
        float r = 1 + 0.35f * cosf(v);
        float s = (float)i / n, t = (float)j / n;
        brepFaceAddPoint(m, r * cosf(u), r * sinf(u), 0.35f * sinf(v), 1, 1, s, t, t, s);
    };
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++) {
            brepBeginFace(m, 1, BREP_CW);
            corner(i, j);
            corner(i + 1, j);
            corner(i + 1, j + 1);
            corner(i, j + 1);
            brepEndFace(m);
        }
    brepCheck(m, 1);
    return m;
}

int faceCount(const BrepModel* m) {
    int n = 0;
    for (const BrepFace* f = m->faces; f; f = f->next) n++;
    return n;
}

// ---- The flat-array Doo-Sabin: positions in one array, faces as runs of vertex numbers; one face per
// face, edge and vertex.
struct FlatMesh {
    std::vector<float> pos;  // x, y, z per vertex
    std::vector<int> start;  // the corners of face f are corner[start[f]] .. corner[start[f + 1] - 1]
    std::vector<int> corner; // vertex number per corner
    int faces() const { return (int)start.size() - 1; }
};

FlatMesh flatFrom(const BrepModel* m) {
    FlatMesh out;
    std::unordered_map<const BrepVertex*, int> number;
    for (const BrepVertex* v = m->vertices; v; v = v->next) {
        number[v] = (int)number.size();
        out.pos.insert(out.pos.end(), v->pos, v->pos + 3);
    }
    out.start.push_back(0);
    for (const BrepFace* f = m->faces; f; f = f->next) {
        for (int i = 0; i < f->count; i++) out.corner.push_back(number[f->verts[i]]);
        out.start.push_back((int)out.corner.size());
    }
    return out;
}

uint64_t flatHash(uint64_t x) {
    x ^= x >> 31;
    x *= 0x9e3779b97f4a7c15ULL;
    return x ^ x >> 29;
}

// Where the new corners go: the Doo-Sabin mask, or the midpoint of vertex and face centroid.
enum FlatPlacement { FLAT_MASK, FLAT_MIDPOINT };

// The Doo-Sabin mask: corner i of an n-gon moves to the sum over j of mask(n)[(j - i) mod n] * v_j,
// with weight (n + 5) / 4n for its own vertex and (3 + 2 cos(2 pi (i - j) / n)) / 4n for the others.
enum { FLAT_MAX_CORNERS = 64 };
const float* flatMask(int n) {
    static float table[FLAT_MAX_CORNERS + 1][FLAT_MAX_CORNERS];
    static bool made = false;
    if (!made) {
        for (int m = 1; m <= FLAT_MAX_CORNERS; m++)
            for (int d = 0; d < m; d++)
                table[m][d] = (d == 0 ? m + 5.0f : 3 + 2 * cosf(6.2831853f * d / m)) / (4.0f * m);
        made = true;
    }
    return table[n];
}

// Working arrays of one step.
struct FlatScratch {
    std::vector<int> next, prev, twin, atVertex, sides;
    std::vector<uint64_t> keys;
};

void flatDooSabin(const FlatMesh& in, FlatMesh& out, FlatScratch& w, FlatPlacement placement) {
    int nc = (int)in.corner.size(), nf = in.faces(), nv = (int)in.pos.size() / 3;
    w.next.resize(nc);
    w.prev.resize(nc);
    w.twin.assign(nc, -1);
    w.atVertex.assign(nv, -1);
    out.pos.resize(3 * (size_t)nc);
    for (int f = 0; f < nf; f++) {
        int a = in.start[f], b = in.start[f + 1], n = b - a;
        float c[3] = {0, 0, 0};
        if (placement == FLAT_MIDPOINT)
            for (int i = a; i < b; i++)
                for (int k = 0; k < 3; k++) c[k] += in.pos[3 * in.corner[i] + k];
        const float* mask = flatMask(n < FLAT_MAX_CORNERS ? n : FLAT_MAX_CORNERS);
        for (int i = a; i < b; i++) {
            w.next[i] = i + 1 < b ? i + 1 : a;
            w.prev[i] = i > a ? i - 1 : b - 1;
            w.atVertex[in.corner[i]] = i;
            float* p = &out.pos[3 * (size_t)i];
            if (placement == FLAT_MIDPOINT) {
                for (int k = 0; k < 3; k++) p[k] = (in.pos[3 * in.corner[i] + k] + c[k] / n) / 2;
                continue;
            }
            p[0] = p[1] = p[2] = 0;
            for (int j = a, d = i - a; j < b; j++, d = d + 1 < n ? d + 1 : 0)
                for (int k = 0; k < 3; k++) p[k] += mask[d] * in.pos[3 * in.corner[j] + k];
        }
    }
    // The two sides of each edge: the side from vertex p to q meets the one from q to p.
    size_t cap = 16;
    while (cap < 2 * (size_t)nc) cap *= 2;
    w.keys.assign(cap, ~0ULL);
    w.sides.resize(cap);
    for (int i = 0; i < nc; i++) {
        uint64_t key = (uint64_t)in.corner[i] << 32 | (uint32_t)in.corner[w.next[i]];
        size_t s = flatHash(key) & (cap - 1);
        while (w.keys[s] != ~0ULL) s = (s + 1) & (cap - 1);
        w.keys[s] = key;
        w.sides[s] = i;
    }
    for (int i = 0; i < nc; i++) {
        uint64_t key = (uint64_t)in.corner[w.next[i]] << 32 | (uint32_t)in.corner[i];
        for (size_t s = flatHash(key) & (cap - 1); w.keys[s] != ~0ULL; s = (s + 1) & (cap - 1))
            if (w.keys[s] == key) {
                w.twin[i] = w.sides[s];
                break;
            }
    }
    // A face per face, closed edge and closed vertex: at most 4 corners per old corner.
    out.start.reserve((size_t)nf + nc + nv + 1);
    out.corner.reserve(4 * (size_t)nc);
    out.start.assign(1, 0);
    out.corner.clear();
    auto endFace = [&] { out.start.push_back((int)out.corner.size()); };
    for (int f = 0; f < nf; f++) {
        for (int i = in.start[f]; i < in.start[f + 1]; i++) out.corner.push_back(i);
        endFace();
    }
    for (int i = 0; i < nc; i++) {
        int t = w.twin[i];
        if (t < i) continue; // each edge once (open edges have no face)
        out.corner.insert(out.corner.end(), {w.next[i], i, w.next[t], t});
        endFace();
    }
    for (int v = 0; v < nv; v++) {
        int first = w.atVertex[v];
        if (first < 0) continue;
        int c = first, n = 0;
        do {
            out.corner.push_back(c);
            int t = w.twin[w.prev[c]];
            if (t < 0 || ++n > FLAT_MAX_CORNERS) break; // an open vertex: no face
            c = t;
        } while (c != first);
        if (c != first) {
            out.corner.resize(out.start.back());
            continue;
        }
        endFace();
    }
}

// The plain baseline: each step returns a new mesh built in fresh arrays, as a refinement that
// hands back a new mesh does. The output faces of the three steps.
int flatRefinePlain(const FlatMesh& zero) {
    FlatMesh level[3];
    for (int l = 0; l < 3; l++) {
        FlatScratch scratch;
        flatDooSabin(l == 0 ? zero : level[l - 1], level[l], scratch, FLAT_MASK);
    }
    return level[0].faces() + level[1].faces() + level[2].faces();
}

// The warm midpoint variant: the same steps with the midpoint placement, in output and working
// arrays kept from one run to the next (memory it already has, whatever the other refinement left).
struct FlatWarmLevels {
    FlatMesh level[3];
    FlatScratch scratch;
    int refine(const FlatMesh& zero) {
        for (int l = 0; l < 3; l++)
            flatDooSabin(l == 0 ? zero : level[l - 1], level[l], scratch, FLAT_MIDPOINT);
        return level[0].faces() + level[1].faces() + level[2].faces();
    }
};

// ---- The runs.

BrepModel* levelZero(const std::string& definition) {
    if (definition == "cube") return cubeModel();
    if (definition == "torus") return torusModel();
    BrepModel* m = nullptr;
    brepCreate(&m, "TUBE", 0);
    brepLoadDefFile(&m, definition.c_str());
    return m;
}

// One build and refinement: level 0, then levels 1 to 3; output faces and processor seconds per
// level added to faces and seconds.
void buildAndRefineOnce(const std::string& definition, double faces[4], double seconds[4]) {
    BrepModel* levels[4] = {nullptr, nullptr, nullptr, nullptr};
    Quiet quiet;
    for (int l = 0; l < 4; l++) {
        double start = threadSeconds();
        if (l > 0)
            brepRefine(levels[l - 1], &levels[l]);
        else
            levels[0] = levelZero(definition);
        seconds[l] += threadSeconds() - start;
        faces[l] += faceCount(levels[l]);
    }
    for (BrepModel*& m : levels) brepFree(&m);
}

// Peak heap bytes per output face of one build and refinement in a fresh child process, so that no
// memory kept from earlier runs is reused unseen.
double peakBytesPerFace(const std::string& definition) {
    static std::map<std::string, double> known;
    if (known.count(definition)) return known[definition];
    int fds[2];
    if (pipe(fds) != 0) return -1;
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        double faces[4] = {0, 0, 0, 0}, seconds[4] = {0, 0, 0, 0};
        size_t before = heapInUse;
        heapPeak = before;
        buildAndRefineOnce(definition, faces, seconds);
        double perFace = (double)(heapPeak - before) / (faces[0] + faces[1] + faces[2] + faces[3]);
        (void)!write(fds[1], &perFace, sizeof perFace);
        _exit(0);
    }
    close(fds[1]);
    double perFace = -1;
    if (read(fds[0], &perFace, sizeof perFace) != sizeof perFace) perFace = -1;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return known[definition] = perFace;
}

// Each level's output faces and processor time summed over the iterations, reported as faces per
// second; with `baseline`, the flat-array refinement of the same level 0 in every iteration too.
void buildAndRefine(benchmark::State& state, int indexed, const std::string& definition, bool baseline) {
    double perFace = peakBytesPerFace(definition);
    brepSetIndexed(indexed);
    double faces[4] = {0, 0, 0, 0}, seconds[4] = {0, 0, 0, 0};
    double flatFaces = 0, flatSeconds = 0, warmFaces = 0, warmSeconds = 0;
    FlatMesh flat;
    if (baseline) {
        Quiet quiet;
        BrepModel* m = levelZero(definition);
        flat = flatFrom(m);
        brepFree(&m);
    }
    // A first round untimed, so that every timed one finds its memory mapped already.
    double unused[2][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}};
    buildAndRefineOnce(definition, unused[0], unused[1]);
    FlatWarmLevels warm;
    if (baseline) {
        flatRefinePlain(flat);
        warm.refine(flat);
    }
    for (auto _ : state) {
        buildAndRefineOnce(definition, faces, seconds);
        if (!baseline) continue;
        double start = threadSeconds();
        flatFaces += flatRefinePlain(flat);
        double middle = threadSeconds();
        warmFaces += warm.refine(flat);
        flatSeconds += middle - start;
        warmSeconds += threadSeconds() - middle;
    }
    brepSetIndexed(1);
    double allFaces = 0, allSeconds = 0;
    for (int l = 0; l < 4; l++) {
        state.counters["L" + std::to_string(l) + "_faces/s"] = faces[l] / seconds[l];
        allFaces += faces[l];
        allSeconds += seconds[l];
    }
    state.counters["L3_faces"] = faces[3] / state.iterations();
    state.counters["total_faces/s"] = allFaces / allSeconds;
    state.counters["peak_bytes/face"] = perFace;
    if (baseline) {
        state.counters["baseline_faces/s"] = flatFaces / flatSeconds;
        state.counters["ratio"] = (allFaces / allSeconds) / (flatFaces / flatSeconds);
        state.counters["warm_midpoint_faces/s"] = warmFaces / warmSeconds;
        state.counters["warm_midpoint_ratio"] = (allFaces / allSeconds) / (warmFaces / warmSeconds);
    }
}

enum { LONG_TUBE = 300, SHARED_TUBE = 60 };

void BM_LongTubeIndexed(benchmark::State& state) {
    buildAndRefine(state, 1, tubeDefinition(LONG_TUBE), true);
}
void BM_TorusIndexed(benchmark::State& state) {
    buildAndRefine(state, 1, "torus", true);
}
void BM_CubeIndexed(benchmark::State& state) {
    buildAndRefine(state, 1, "cube", false);
}
// The plain scans are quadratic (the long tube would take half an hour): the side-by-side pair
// uses a shorter tube.
void BM_TubeIndexed(benchmark::State& state) {
    buildAndRefine(state, 1, tubeDefinition(SHARED_TUBE), false);
}
void BM_TubeScanned(benchmark::State& state) {
    buildAndRefine(state, 0, tubeDefinition(SHARED_TUBE), false);
}

} // namespace

BENCHMARK(BM_LongTubeIndexed)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TorusIndexed)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_CubeIndexed)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TubeIndexed)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TubeScanned)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(1);

int main(int argc, char** argv) {
    // Every round works in memory the process already has: freed blocks (up to 32 MB, the largest
    // the allocator serves from its heap) are not handed back to the kernel and fetched (and zeroed,
    // page by page) again by the next round. A cold start pays for fresh pages on both sides alike.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
