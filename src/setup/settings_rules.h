// SPDX-License-Identifier: GPL-3.0-or-later
// What the settings file and the mine codes share: the items a maze holds and the catalogue's texts.
#pragma once

// Largest itemsPerKind a maze of the given size can hold, at most 9: the four kinds together may take
// (size/2)^2 - 1 cells, the lattice cells less one. The maze is fixed by its size (the generator always
// starts alike) and opens nearly twice that many cells for every even size 4..66, so placement ends.
int settingsItemLimit(int mazeSize);

// The catalogue's UTF-8 text of an English id (domain "kavernix", bound by the game); the id itself
// where no catalogue is bound, as in the tools and tests.
const char* settingsText(const char* id) __attribute__((format_arg(1)));
