// The algebraic stress models through the real `quird` on the flume example:
// the stress columns of the Tecplot 3-D file and a store that a later F 207
// would have made too small.
#include <sstream>
#include <string>
#include <vector>

#include "support/testing.h"

using namespace quird_test;

namespace {

std::string example(const std::string& name) {
    return readFile(std::string(QUIRD_SOURCE_DIR) + "/examples/flume/" + name);
}

// The flume for three iterations with the Tecplot file `plot` in place of
// its VTK file, and the extra control lines.
std::string flumeControl(const std::string& plot, const std::string& extra) {
    std::string control = example("control");
    const std::string iterations = "K 1 2000 20";
    control.replace(control.find(iterations), iterations.size(), "K 1 3 50000");
    const std::string vtk = "F 48 10\n";
    control.replace(control.find(vtk), vtk.size(), "F 48 " + plot + "\n");
    return control + "F 211 0\n" + extra;
}

struct FlumeRun {
    int code;
    std::string log, tecplot;
};

FlumeRun runFlume(const std::string& plot, const std::string& extra) {
    Case c;
    c.file("control", flumeControl(plot, extra)).file("koordina", example("koordina"));
    FlumeRun r{c.run(), c.boogie(), ""};
    if (c.exists("tecplot3.dat")) r.tecplot = c.read("tecplot3.dat");
    return r;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> v;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) v.push_back(line);
    return v;
}

int columns(const std::string& line) {
    std::istringstream in(line);
    int n = 0;
    for (std::string word; in >> word;) ++n;
    return n;
}

TEST(StressRuns, TecplotFileHoldsTheStressTensorOfEitherModel) {
    for (const char* model : {"F 220 1\n", "F 220 12\n"}) {
        const FlumeRun r = runFlume("12", model);
        ASSERT_TRUE(r.code == 0 || r.code == 1) << r.code << "\n" << r.log;
        const std::vector<std::string> file = lines(r.tecplot);
        ASSERT_GT(file.size(), 3u) << model;
        EXPECT_NE(file[1].find(",\"U3\",\"T11\",\"T12\",\"T13\",\"T21\",\"T22\",\"T23\",\"T31\",\"T32\",\"T33\""),
                  std::string::npos)
            << file[1];
        ASSERT_EQ(file.size(), 3u + 22u * 6u * 7u) << model;  // points of 21 x 5 x 6 grid lines
        const int g24 = 5;                                      // the example's G 24 entries
        bool stressed = false;
        for (size_t n = 3; n < file.size(); ++n) {
            ASSERT_EQ(columns(file[n]), 6 + 9 + g24) << n;
            std::istringstream in(file[n]);
            double v[15];
            for (double& x : v) in >> x;
            for (int s = 6; s < 15; ++s) stressed = stressed || v[s] != 0.0;
        }
        EXPECT_TRUE(stressed) << model;
    }
}

TEST(StressRuns, TecplotFileWithoutAStressModelIsThatOfF48Eight) {
    const FlumeRun twelve = runFlume("12", "");
    const FlumeRun eight = runFlume("8", "");
    ASSERT_FALSE(eight.tecplot.empty()) << eight.log;
    EXPECT_EQ(twelve.tecplot, eight.tecplot);
}

// F 207 after F 220 12 asks for 5 arrays; the store keeps the 22 that the
// model writes (the sanitizer builds check every access).
TEST(StressRuns, LaterSmallerStoreRequestKeepsTheModelsArrays) {
    const FlumeRun r = runFlume("8", "F 220 12\nF 207 0 5\n");
    EXPECT_TRUE(r.code == 0 || r.code == 1) << r.code << "\n" << r.log;
    EXPECT_FALSE(r.tecplot.empty());
}

}  // namespace
