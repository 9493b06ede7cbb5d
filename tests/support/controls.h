// Input files shared by several runs: control texts and koordina grids.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace quird_test {

// The transient channel (F 33 0.5 1) on the default box grid: 5 cells along,
// 3 across, 3 layers, 1 m3/s at a depth of 0.5 m; run letter W, K 1 `steps`.
inline std::string transientBoxChannel(const std::string& title, int steps) {
    return "T " + title + "\n"
           "F 2 W\n"
           "F 33 0.5 1\n"
           "G 1 6 4 4 1\n"
           "G 3 0.0 30.0 65.0 100.0\n"
           "G 7 0 1 2 4 2 4 0 0 1.0 1.0 0.0 0.0\n"
           "G 7 1 -1 2 4 2 4 0 1 1.0 1.0 0.0 0.0\n"
           "W 1 40.0 1.0 0.5\n"
           "W 2 2 1 6\n"
           "K 1 " + std::to_string(steps) + " 50000\n";
}

struct GridNode {
    double x, y, z;
};

// A koordina file: one line "i j x y z" per node, i 1..X outer, j 1..Y inner.
inline std::string koordinaText(int X, int Y, const std::function<GridNode(int i, int j)>& node) {
    std::string s;
    char line[120];
    for (int i = 1; i <= X; ++i)
        for (int j = 1; j <= Y; ++j) {
            const GridNode n = node(i, j);
            std::snprintf(line, sizeof line, "%d %d %lf %lf %lf\n", i, j, n.x, n.y, n.z);
            s += line;
        }
    return s;
}

// A straight flat channel: node (i, j) at ((i-1) dx, (j-1) dy), bed at 0.
inline std::string flatChannelGrid(int X, int Y, double dx, double dy) {
    return koordinaText(X, Y, [=](int i, int j) { return GridNode{(i - 1) * dx, (j - 1) * dy, 0.0}; });
}

// The small open channel: flatChannelGrid(6, 5, 1, 0.5), i.e. 5 m long and
// 2 m wide, four equal layers, 1 m3/s at a water level of 1 m (Manning 50).
inline std::string smallChannelGrid() { return flatChannelGrid(6, 5, 1.0, 0.5); }
inline const std::string kSmallChannel = "G 1 6 5 5 1\nG 3 0 25 50 75 100\nW 1 50 1 1\nW 2 2 1 6\nK 2 0 1\n";
// Its inflow and outflow openings over the whole section.
inline const std::string kSmallChannelOpenings =
    "G 7 0 1 2 5 2 5 0 0 1.0 1 0 0\nG 7 1 -1 2 5 2 5 0 0 1.0 1 0 0\n";

// A compres.pre in the layout of the restart writer: the two header lines,
// then one line "i j k" and the values of components 0..components-1 per
// cell, i 1..X+1, j 1..Y+1, k 2..Z (X, Y, Z the numbers of grid lines).
inline std::string compresText(int X, int Y, int Z, int components,
                               const std::function<double(int c, int i, int j, int k)>& value) {
    std::string s = "Concentrations in volume fractions.\n i, j, k, concentration(size):\n\n";
    char text[40];
    for (int i = 1; i <= X + 1; ++i)
        for (int j = 1; j <= Y + 1; ++j)
            for (int k = 2; k <= Z; ++k) {
                s += std::to_string(i) + " " + std::to_string(j) + " " + std::to_string(k);
                for (int c = 0; c < components; ++c) {
                    std::snprintf(text, sizeof text, " %.15e", value(c, i, j, k));
                    s += text;
                }
                s += "\n";
            }
    return s;
}

}  // namespace quird_test
