// Control files shared by several runs.
#pragma once

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

}  // namespace quird_test
