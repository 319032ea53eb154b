// SPDX-License-Identifier: GPL-3.0-or-later
#include "scene/lamp.h"

#include <GL/gl.h>

#include "app/record.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "image/picture.h"
#include "image/texture.h"
#include "image/tga.h"
#include "maze/maze.h"
#include "text/font.h"
#include "text/hud.h"
#include "text/texts.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The names printed on the lamp frame: centre x and bottom y in fractions of the stage, glyph
// height in fractions of its height, and the widest the text may be.
struct FrameLabel {
    TextId text;
    float x, y, height, widest;
};
const FrameLabel frameLabels[] = {
    {TEXT_LABEL_OIL, 0.14f, 0.132f, 0.032f, 0.16f},
    {TEXT_LABEL_STRAW, 0.31f, 0.132f, 0.032f, 0.16f},
    {TEXT_LABEL_DIAMONDS, 0.48f, 0.132f, 0.032f, 0.16f},
    {TEXT_LABEL_LAMP, 0.0575f, 0.08f, 0.03f, 0.105f},
    {TEXT_LABEL_LAMP_NUMBER, 0.0575f, 0.045f, 0.03f, 0.105f},
    {TEXT_LABEL_MAP, 0.8355f, 0.655f, 0.032f, 0.18f},
};

// How high a label's plate reaches, in glyph heights: a capital with a diacritic (Latin-1 0xC0 to
// 0xDE, the Ö of "ÖL") has its marks above the other capitals, so its plate reaches higher.
float plateTop(const char* text) {
    for (const char* c = text; *c; ++c)
        if (uint8_t(*c) >= 0xC0 && uint8_t(*c) <= 0xDE && uint8_t(*c) != 0xD7) return 1.12f;
    return 0.95f;
}

// The lamp frame as one texture the size of the stage, made once for each fit of the picture: its
// colours, and its mask (1 inside the opening) as alpha, 255 inside. A quad of it is drawn texel for
// pixel, once for the colours and once through the alpha test for the stencil. Drawing them as
// pixel blocks instead would make the driver copy both into a texture again in each of the lamp
// frame's frames. Drivers that take only textures of powers of two draw the pixel blocks.
GLuint frameTexture;
int frameTextureFit = -1; // the fit of the lamp frame the texture was made from
std::vector<uint8_t> frameBlock; // the texture's texels, made ahead (lampPrepare) or just before
int frameBlockFit = -1;

bool texturesOfAnySize() {
    static int known = -1;
    if (known < 0) {
        const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        known = (version && atoi(version) >= 2) ||
                (extensions && strstr(extensions, "GL_ARB_texture_non_power_of_two"));
    }
    return known == 1;
}

bool frameUsable() {
    const TgaImage& frame = imgStencilFit;
    const TgaImage& mask = imgStencilMask;
    return frame.pixels && frame.bytesPerPixel >= 3 && mask.pixels && mask.bytesPerPixel == 1 &&
           mask.width == frame.width && mask.height == frame.height;
}

// The texels of the frame fitted now: four bytes each, the mask as alpha.
void frameBlockMake() {
    const TgaImage& frame = imgStencilFit;
    const size_t count = size_t(frame.width) * frame.height, c = size_t(frame.bytesPerPixel);
    frameBlock.resize(count * 4);
    const uint8_t* from = frame.pixels;
    const uint8_t* open = imgStencilMask.pixels;
    uint8_t* to = frameBlock.data();
    for (size_t i = 0; i < count; i++, from += c, to += 4) {
        to[0] = from[0], to[1] = from[1], to[2] = from[2];
        to[3] = open[i] ? 255 : 0;
    }
    frameBlockFit = pictureFitCount(&imgStencilFit);
}

// Whether the frame can be drawn as a texture; makes it when the frame was fitted anew.
bool frameTextureReady() {
    if (!frameUsable() || !texturesOfAnySize()) return false;
    const int fit = pictureFitCount(&imgStencilFit);
    if (frameTextureFit == fit && frameTexture != 0) return true;
    if (frameBlockFit != fit) frameBlockMake();
    if (frameTexture == 0) glGenTextures(1, &frameTexture);
    glPushAttrib(GL_TEXTURE_BIT);
    glBindTexture(GL_TEXTURE_2D, frameTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, imgStencilFit.width, imgStencilFit.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, frameBlock.data());
    glPopAttrib();
    glCheckError();
    frameTextureFit = fit;
    std::vector<uint8_t>().swap(frameBlock);
    frameBlockFit = -1;
    return true;
}

// The texture over the stage from its lower left corner, as the pixel blocks would lie. For the
// mask, only the open texels pass, and they set the stencil to 1 without touching a colour.
void frameTextureDraw(int mask) {
    const TgaImage& image = imgStencilFit;
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const Stage st = recordStage();
    glOrtho(0, st.width, 0, st.height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL); // also in wireframe
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, frameTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    if (mask) {
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0);
    }
    const float w = float(image.width), h = float(image.height);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(1, 0);
    glVertex2f(w, 0);
    glTexCoord2f(1, 1);
    glVertex2f(w, h);
    glTexCoord2f(0, 1);
    glVertex2f(0, h);
    glEnd();
    glPopAttrib();
    glCheckError();
}

} // namespace

// Each label light on a dark plate of its own, readable on brass and on rock.
void lampDrawLabels() {
    static const float ink[4] = {1.0f, 0.9f, 0.65f, 1};
    const Stage st = recordStage();
    for (const FrameLabel& l : frameLabels) {
        const char* text = textOf(l.text);
        const float n = float(strlen(text));
        const float h = l.height * float(st.height);
        float w = h / 2;
        if (n * w > l.widest * float(st.width)) w = l.widest * float(st.width) / n;
        const float x0 = l.x * float(st.width) - n * w / 2, y0 = l.y * float(st.height);
        hudDrawTextGround(x0 - w * 0.4f, y0 - h * 0.05f, x0 + n * w + w * 0.4f, y0 + h * plateTop(text));
        fontDrawTextSized(x0 / float(st.width), l.y, text, ink, w, h);
    }
}

void lampPrepare() {
    if (frameUsable()) frameBlockMake();
}

void lampLight() {
    if (stencilValid >= 3) return;
    // The stencil is one buffer, which a swap leaves alone: the mask written in the first of the
    // three frames stays. The other two only give the other colour buffers the picture, and only
    // around the opening, which the scene covers (on a software renderer the third frame takes about
    // 3 ms less: its threads skip the opening's pixels before reading a texel).
    const bool first = stencilValid == 0;
    stencilValid += 1;
    // The colour too: the bands beside the stage are only cleared here, the picture covers the rest.
    glClear(first ? GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT : GL_COLOR_BUFFER_BIT);
    glCheckError();
    if (first)
        glStencilFunc(GL_ALWAYS, 1, 1);
    else
        glStencilFunc(GL_EQUAL, 0, 1);
    glCheckError();
    pictureReady(&imgStencilFit);
    const bool textures = frameTextureReady();
    if (textures)
        frameTextureDraw(0);
    else
        drawPicture(&imgStencilFit);
    glCheckError();
    // Handed to the renderer at once: a software renderer's threads fill the frame's picture, and
    // later its mask, while this thread goes on to the labels and the mine, and builds their
    // programs when it meets them first (the first frame is 6 to 8 ms quicker; a graphics card's
    // driver only sends its commands a little earlier).
    glFlush();
    glStencilFunc(GL_ALWAYS, 1, 1);
    lampDrawLabels();
    if (first) {
        // The mask is 8 bits per pixel: it goes into the stencil, 1 inside the lit opening.
        glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
        glCheckError();
        if (textures)
            frameTextureDraw(1);
        else
            drawPicture(&imgStencilMask);
        glCheckError();
    }
    glStencilFunc(GL_EQUAL, 1, 1);
    glCheckError();
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glCheckError();
    restoreTexturing();
    glCheckError();
    glFlush();
}

namespace {

// The map's corners gathered for one draw, all at z = 1. Each colour is drawn from an array of its
// own: a colour changed between immediate-mode vertices makes Mesa keep the colour per vertex, and
// the software renderer then builds one more triangle set-up at start, which the first frame waits for.
std::vector<GLfloat> mapCorners;

void mapCorner(float x, float y) {
    mapCorners.insert(mapCorners.end(), {x, y, 1});
}

// The square between two map points.
void mapSquare(float x0, float y0, float x1, float y1) {
    mapCorner(x0, y0);
    mapCorner(x0, y1);
    mapCorner(x1, y1);
    mapCorner(x1, y0);
}

// Draws the corners gathered since the last fill in one colour.
void mapFill(GLenum mode, float r, float g, float b, float a) {
    glColor4f(r, g, b, a);
    glVertexPointer(3, GL_FLOAT, 0, mapCorners.data());
    glDrawArrays(mode, 0, GLsizei(mapCorners.size() / 3));
    mapCorners.clear();
}

// The map's marks by shape, so that nothing depends on telling the colours apart: the exit a hollow
// frame, the horse a disc, the player an arrow pointing where he looks (in map units, before the turn).
void mapSymbolsDraw(int n, float px, float pz) {
    const float ex = float(n) + 0.5f - px, ey = -(float(n) - 0.5f - pz), r = 0.5f, t = 0.18f;
    mapSquare(ex - r, ey - r, ex + r, ey - r + t);
    mapSquare(ex - r, ey + r - t, ex + r, ey + r);
    mapSquare(ex - r, ey - r, ex - r + t, ey + r);
    mapSquare(ex + r - t, ey - r, ex + r, ey + r);
    mapFill(GL_QUADS, 0, 1, 0, 1);

    const float hx = horse.x - px, hy = -(horse.z - pz);
    mapCorner(hx, hy);
    for (int i = 0; i <= 16; ++i) {
        const float a = float(i) * float(M_PI) / 8;
        mapCorner(hx + 0.45f * cosf(a), hy + 0.45f * sinf(a));
    }
    mapFill(GL_TRIANGLE_FAN, 0, 0, 1, 1);

    // Forward in map units is (sin h, cos h): the turn of the map puts it straight up.
    const float h = player.heading * float(M_PI / 180.0);
    const float fx = sinf(h), fy = cosf(h), sx = fy, sy = -fx;
    mapCorner(0.75f * fx, 0.75f * fy);
    mapCorner(-0.5f * fx + 0.5f * sx, -0.5f * fy + 0.5f * sy);
    mapCorner(-0.2f * fx, -0.2f * fy);
    mapCorner(0.75f * fx, 0.75f * fy);
    mapCorner(-0.2f * fx, -0.2f * fy);
    mapCorner(-0.5f * fx - 0.5f * sx, -0.5f * fy - 0.5f * sy);
    mapFill(GL_TRIANGLES, 1, 0, 0, 1);
}

} // namespace

namespace {

// The map's box in the stage, which the map covers whole.
void mapBox(const Stage& st, int* x, int* y, int* w, int* h) {
    *x = int(st.width * 0.74), *y = int(st.height * 0.715);
    *w = int(st.width * 0.191), *h = int(st.height * 0.225);
}

} // namespace

int lampOpeningBoxes(int boxes[lampMaxBoxes][4]) {
    const Stage st = recordStage();
    const TgaImage& mask = imgStencilMask;
    static const uint8_t* madeFor;
    static int madeWidth, madeHeight, madeX, madeY, count;
    static int made[lampMaxBoxes][4];
    const bool usable =
        mask.pixels && mask.bytesPerPixel == 1 && mask.width == st.width && mask.height == st.height;
    if (!usable) {
        boxes[0][0] = st.x, boxes[0][1] = st.y, boxes[0][2] = st.width, boxes[0][3] = st.height;
        return 1;
    }
    if (madeFor != mask.pixels || madeWidth != mask.width || madeHeight != mask.height || madeX != st.x ||
        madeY != st.y) {
        madeFor = mask.pixels, madeWidth = mask.width, madeHeight = mask.height, madeX = st.x, madeY = st.y;
        // Each row's opening from its first to its last open pixel, leaving out the map's box.
        const int w = mask.width, h = mask.height;
        int mx, my, mw, mh;
        mapBox(st, &mx, &my, &mw, &mh);
        std::vector<int> first(size_t(h), w), last(size_t(h), -1);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                if (mask.pixels[size_t(y) * w + x] && !(x >= mx && x < mx + mw && y >= my && y < my + mh)) {
                    first[size_t(y)] = std::min(first[size_t(y)], x);
                    last[size_t(y)] = x;
                }
        // The fewest pixels in at most lampMaxBoxes boxes of whole rows: area[k][r] covers the rows
        // below r with k boxes; a row without opening may stay outside every box.
        const long long none = 1LL << 60;
        std::vector<std::vector<long long>> area(lampMaxBoxes + 1,
                                                 std::vector<long long>(size_t(h) + 1, none));
        std::vector<std::vector<int>> from(lampMaxBoxes + 1, std::vector<int>(size_t(h) + 1, -1));
        area[0][0] = 0;
        for (int r = 1; r <= h; r++)
            if (last[size_t(r - 1)] < 0 && area[0][r - 1] == 0) area[0][r] = 0;
        for (int k = 1; k <= lampMaxBoxes; k++)
            for (int r = 1; r <= h; r++) {
                if (last[size_t(r - 1)] < 0 && area[k][r - 1] < area[k][r])
                    area[k][r] = area[k][r - 1], from[k][r] = -1;
                int lo = w, hi = -1;
                for (int a = r - 1; a >= 0; a--) {
                    if (last[size_t(a)] >= 0)
                        lo = std::min(lo, first[size_t(a)]), hi = std::max(hi, last[size_t(a)]);
                    if (area[k - 1][a] == none || hi < 0) continue;
                    const long long cost = area[k - 1][a] + (long long)(r - a) * (hi - lo + 1);
                    if (cost < area[k][r]) area[k][r] = cost, from[k][r] = a;
                }
            }
        int k = 0;
        for (int j = 1; j <= lampMaxBoxes; j++)
            if (area[j][h] < area[k][h]) k = j;
        count = 0;
        for (int r = h; r > 0 && k > 0;) {
            const int a = from[k][r];
            if (a < 0) {
                r--;
                continue;
            }
            int lo = w, hi = -1;
            for (int y = a; y < r; y++)
                if (last[size_t(y)] >= 0)
                    lo = std::min(lo, first[size_t(y)]), hi = std::max(hi, last[size_t(y)]);
            made[count][0] = st.x + lo, made[count][1] = st.y + a, made[count][2] = hi - lo + 1,
            made[count][3] = r - a;
            count++, k--, r = a;
        }
    }
    for (int i = 0; i < count; i++)
        for (int j = 0; j < 4; j++) boxes[i][j] = made[i][j];
    return count;
}

void lampBrightness() {
    // Today's light is OpenGL's own: a white lamp and the default faint ambient, which the mine's
    // rock (no ambient colour) does not take.
    static const float diffuse[3] = {1.0f, 1.35f, 1.7f}, ambient[3] = {0.2f, 0.25f, 0.35f};
    const int level = record.lampBrightness >= 0 && record.lampBrightness <= 2 ? record.lampBrightness : 0;
    const float lamp[4] = {diffuse[level], diffuse[level], diffuse[level], 1};
    const float all[4] = {ambient[level], ambient[level], ambient[level], 1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lamp);
    glLightfv(GL_LIGHT0, GL_SPECULAR, lamp);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, all);
}

static int ghostShown;
static float ghostX, ghostZ;

void mapGhost(int shown, float x, float z) {
    ghostShown = shown, ghostX = x, ghostZ = z;
}

// The ghost's ring: hollow, so that whatever lies under it still shows.
static void mapGhostRing(float px, float pz) {
    const float gx = ghostX - px, gy = -(ghostZ - pz);
    for (int i = 0; i <= 16; ++i) {
        const float a = float(i) * float(M_PI) / 8, c = cosf(a), d = sinf(a);
        mapCorner(gx + 0.5f * c, gy + 0.5f * d);
        mapCorner(gx + 0.3f * c, gy + 0.3f * d);
    }
    mapFill(GL_QUAD_STRIP, 0.75f, 0.45f, 1.0f, 1);
}

void mapDraw() {
    const Stage st = recordStage();
    const int w = st.width, h = st.height;
    const float px = player.x, pz = player.z;
    const int n = maze.size;

    // Unlit and seen from either side: the colours at full value (the game display fills polygons
    // for the map and the head-up display in every shade mode).
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_SCISSOR_TEST);
    int bx, by, bw, bh;
    mapBox(st, &bx, &by, &bw, &bh);
    glScissor(st.x + bx, st.y + by, bw, bh);

    glPushMatrix();
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    mapSquare(0, 0, float(w), float(h));
    mapFill(GL_QUADS, 0, 0, 0, 0.1f);

    // A world point (x, z) is at (x - px, -(z - pz)) before the turn: the player in the centre,
    // world +z pointing down the map.
    const float s = (15.0f - inventory[1]) * float(w) / 600.0f;
    glTranslatef(float(w * 0.83), float(h * 0.82), 0);
    glRotatef(player.heading, 0, 0, 1);
    glScalef(s, s, 1);

    glBindTexture(GL_TEXTURE_2D, imgFloor.textureId);
    // Only the cells that can reach into the map's box: those within its farthest corner's distance
    // from the player (in cells; a square is at most 0.75 of a cell from its centre to a corner).
    const float reachX = std::max(0.83f - 0.74f, 0.74f + 0.191f - 0.83f) * float(w);
    const float reachY = std::max(0.82f - 0.715f, 0.715f + 0.225f - 0.82f) * float(h);
    const float reach = s > 0 ? std::sqrt(reachX * reachX + reachY * reachY) / s + 1 : 1e9f;
    const int i0 = std::max(0, int(px - reach)), i1 = std::min(n, int(px + reach) + 1);
    const int j0 = std::max(0, int(pz - reach)), j1 = std::min(n, int(pz + reach) + 1);
    for (int i = i0; i <= i1; ++i)
        for (int j = j0; j <= j1; ++j)
            if (mazeIsOpen(&maze, i, j)) mapSquare(i - px, -(j - pz), i + 1 - px, -(j + 1 - pz));
    mapFill(GL_QUADS, 0.99f, 0.99f, 0.99f, 1);

    if (record.mapSymbols) {
        mapSymbolsDraw(n, px, pz);
    } else {
        // The way out, just beyond the exit cell's open +x side; the horse; the player.
        mapSquare(n - px, -((n - 1) - pz), n + 1 - px, -(n - pz));
        mapFill(GL_QUADS, 0, 1, 0, 1);
        mapSquare(horse.x - 0.5f - px, -(horse.z - 0.5f - pz), horse.x + 0.5f - px, -(horse.z + 0.5f - pz));
        mapFill(GL_QUADS, 0, 0, 1, 1);
        mapSquare(-0.5f, -0.5f, 0.5f, 0.5f);
        mapFill(GL_QUADS, 1, 0, 0, 0.1f);
    }

    // Every placed instance: a half-unit square centred on it.
    for (int row = 0; row <= ROW_FLOOR; ++row)
        for (int i = 0; i < modelTable[row].count && i < MAX_INSTANCES; ++i) {
            const Actor& e = modelTable[row].entities[i];
            mapSquare(e.x - 0.25f - px, -(e.z - 0.25f - pz), e.x + 0.25f - px, -(e.z + 0.25f - pz));
        }
    mapFill(GL_QUADS, 1, 1, 0, 1);
    if (ghostShown) mapGhostRing(px, pz);

    glPopClientAttrib();
    glPopMatrix();
    glLoadIdentity();
    glDisable(GL_SCISSOR_TEST);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    if (backfaceCull) glEnable(GL_CULL_FACE);
    restoreTexturing();
}
