// SPDX-License-Identifier: GPL-3.0-or-later
// The known maze: size 8, one item per kind, the generator in its start state. What the game
// prints for it at start-up: the fresh, the carved and the filled grid, each with its directions.
#pragma once
#include <string>
#include <vector>

namespace mazeExample {

inline const std::vector<std::string> grid = {
    "wwwwwwwww", "w   w   w", "w www www", "w  D   Sw", "w wwwww w",
    "w   w I w", "www w www", "w   wO  w", "wwwwwwwww",
};
inline const std::vector<std::string> dirs = {
    ".........", ".300.300.", ".3...3...", ".2222223.", ".1.....3.",
    ".100.300.", "...1.3...", ".221.222.", ".........",
};

// One snapshot; '.' stands for the never-carved direction, printed as the byte 0xFF.
inline std::string snapshot(const std::vector<std::string>& cells, const std::vector<std::string>& carve) {
    std::string s;
    for (const std::string& row : cells) s += row + "\n";
    s += "\n";
    for (const std::string& row : carve) s += row + "\n";
    for (char& c : s)
        if (c == '.') c = '\xFF';
    return s;
}

inline std::string output() {
    std::vector<std::string> freshGrid(9, "wwwwwwwww"), freshDirs(9, "........."), carved = grid;
    freshGrid[7][7] = ' ';
    freshDirs[7][7] = '2';
    for (std::string& row : carved)
        for (char& c : row)
            if (c != 'w') c = ' ';
    return snapshot(freshGrid, freshDirs) + snapshot(carved, dirs) + snapshot(grid, dirs);
}

} // namespace mazeExample
