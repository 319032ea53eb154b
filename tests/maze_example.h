// The known maze: size 8, one item per kind, the generator in its start state. What the game
// prints for it at start-up, three snapshots of 19 lines each.
#pragma once
#include <string>
#include <vector>

namespace mazeExample {

inline std::string joinLines(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

// The snapshot text with '.' standing for the never-carved byte 0xFF.
inline std::string withFF(std::string s) {
    for (char& c : s)
        if (c == '.') c = '\xFF';
    return s;
}

inline const std::vector<std::string> grid = {
    "wwwwwwwww", "w   w   w", "w www www", "w  D   Sw", "w wwwww w",
    "w   w I w", "www w www", "w   wO  w", "wwwwwwwww",
};
inline const std::vector<std::string> dirs = {
    ".........", ".300.300.", ".3...3...", ".2222223.", ".1.....3.",
    ".100.300.", "...1.3...", ".221.222.", ".........",
};

// Fresh grid, carved grid, grid with items.
inline std::string output() {
    std::vector<std::string> freshGrid(9, "wwwwwwwww"), freshDirs(9, ".........");
    freshGrid[7][7] = ' ';
    freshDirs[7][7] = '2';
    std::vector<std::string> carved = grid;
    for (std::string& row : carved)
        for (char& c : row)
            if (c != 'w') c = ' ';
    return joinLines(freshGrid) + "\n" + withFF(joinLines(freshDirs)) + joinLines(carved) + "\n" +
           withFF(joinLines(dirs)) + joinLines(grid) + "\n" + withFF(joinLines(dirs));
}

} // namespace mazeExample
