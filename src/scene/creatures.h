// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing the things that stand in the mine: straw bales, oil cans, diamonds and spiders (the
// material and instance routines of catalogue rows 0..3) and the trotting horse. Every routine
// skips an object whose cell is not visible this frame, picks its level with lodForPosition and
// draws the level's display list (record.useDisplayLists) or the model itself.
#pragma once

struct Actor;

// Texturing as textureMode asks, the kind's texture bound, then diffuse, ambient, specular and
// emission on GL_FRONT. The diamond switches texturing off instead of binding.
void strawMaterial();
void oilcanMaterial();
void diamondMaterial();
void spiderMaterial();

void strawDraw(const Actor* a);
void oilcanDraw(const Actor* a);
// Translucent: culls back faces and blends by source alpha while it draws, and leaves culling and
// the neutral blend function as they were.
void diamondDraw(const Actor* a);
// The spider and its thread, a line from the ceiling straight down to it.
void spiderDraw(const Actor* a);
// The horse's body and four legs; diagonal legs swing together as it walks (by its distance).
void horseDraw(const Actor* horse);
// The ghost of a stored run: the horse's shapes faint and see-through, and a soft glow where its
// lamp is (x, y, z), as strong as glow (0 none, 1 full), turned to face the viewer (the view's
// heading and pitch). Drawn after the opaque scene, added to what is there without writing depth;
// the GL state is left as it was.
void ghostDraw(const Actor* horse, const float* lamp, float glow, float viewHeading, float viewPitch);

// Hands the model catalogue its rows' material and draw routines (the four kinds above and the
// floor tile), the room for every row's placed instances, and the player as the viewer whose
// distance picks the level. Call once at start-up, before the catalogue's rows are reset.
void sceneRegisterModels();
