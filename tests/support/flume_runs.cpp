#include "support/flume_runs.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "support/testing.h"

namespace quird_test {

FlumeSolution runFlume(const std::string& extra) {
    const std::string flume = std::string(QUIRD_SOURCE_DIR) + "/examples/flume/";
    std::string control = readFile(flume + "control");
    const std::string vtk = "F 48 10\n";
    const size_t at = control.find(vtk);
    if (at != std::string::npos) control.replace(at, vtk.size(), "F 48 0\n");
    Case c;
    c.file("control", control + extra).file("koordina", readFile(flume + "koordina"));
    FlumeSolution s;
    s.exitCode = c.run();
    s.boogie = c.boogie();
    s.converged = s.boogie.find("Solution converged") != std::string::npos;
    if (!c.exists("result")) return s;
    std::istringstream in(c.read("result"));
    std::string line;
    std::getline(in, line);  // "Results from QUIRD - flow, iter = n"
    const size_t eq = line.rfind('=');
    if (eq != std::string::npos) s.passes = std::stoi(line.substr(eq + 1));
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string tag;
        int i, j, k;
        if (!(fields >> tag >> i >> j >> k)) continue;  // the header lines
        std::vector<double> row;
        for (double v; fields >> v;) row.push_back(v);
        if (row.size() != 10) continue;
        s.rows.push_back(row);
        s.cells.push_back({i, j, k});
        s.last = {std::max(s.last[0], i), std::max(s.last[1], j), std::max(s.last[2], k)};
    }
    return s;
}


std::vector<double> scaledDifferences(const FlumeSolution& reference, const FlumeSolution& other) {
    if (reference.rows.size() != other.rows.size()) return {};
    std::vector<double> scale(10, 0.0), worst(10, 0.0);
    for (const auto& r : reference.rows)
        for (size_t c = 0; c < r.size(); ++c) scale[c] = std::max(scale[c], std::fabs(r[c]));
    for (size_t n = 0; n < reference.rows.size(); ++n)
        for (size_t c = 0; c < 10; ++c)
            if (scale[c] > 0.0)
                worst[c] = std::max(worst[c], std::fabs(other.rows[n][c] - reference.rows[n][c]) / scale[c]);
    return worst;
}

}  // namespace quird_test
