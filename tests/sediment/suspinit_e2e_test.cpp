// Run letter I by the real `quird` on the sediment flume (run string W I M):
// the log lines of the initialisation in order and the run going on to M;
// restart files in the folder read.
#include <filesystem>
#include <string>
#include <vector>

#include "support/testing.h"

using namespace quird_test;

namespace {

const std::filesystem::path kExample = std::filesystem::path(QUIRD_SOURCE_DIR) / "examples/sediment";

void sedimentFlume(Case& c) {
    c.file("control", readFile(kExample / "control")).file("koordina", readFile(kExample / "koordina"));
}

// Each part found after the one before it.
void expectInOrder(const std::string& log, const std::vector<std::string>& parts) {
    std::size_t at = 0;
    for (const std::string& part : parts) {
        const std::size_t found = log.find(part, at);
        ASSERT_NE(found, std::string::npos) << "missing in order: " << part << "\n" << log;
        at = found + part.size();
    }
}

TEST(SedimentInitRun, LogLinesInOrderAndTheRunGoesOn) {
    Case c;
    sedimentFlume(c);
    EXPECT_EQ(c.run(), 1);
    const std::string log = c.boogie();
    expectInOrder(log, {"Solution converged\n", " In suspinit\n\n", "Shear in entrance: ",
                        "Using van Rijn's method with parameters: 0.015000 1.500000 0.300000\n",
                        "Have calculated bed sediment concentration\n", "conc(1,2,2,2)=",
                        "Initial bed material load is ", " kg/s for size 0.001000 meters\n",
                        "Corr. between calc. and given inflow of sediments\n", "in upstream profile for l = 1 is: ",
                        "Initial bed material load is ", " kg/s for size 0.000200 meters\n",
                        "Corr. between calc. and given inflow of sediments\n", "in upstream profile for l = 2 is: ",
                        "Have not read from conres/fracres files \n"});
    EXPECT_TRUE(c.exists("result"));  // run letter M
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
}

TEST(SedimentInitRun, RestartFilesRead) {
    Case c;
    sedimentFlume(c);
    c.file("conres", "Concentrations in volume fractions.\n i, j, k, concentration(size):\n\n"
                     "5 3 4 3e-3 1e-3 2e-3\n");
    c.file("fracres", "Bed grain fractions(size) + i,j \n \n5 3 0.5 0.4 0.6 0.5 0.4 0.6\n");
    EXPECT_EQ(c.run(), 1);
    const std::string log = c.boogie();
    expectInOrder(log, {" In suspinit\n\n", "Have read from conres/fracres files \n"});
    EXPECT_TRUE(c.exists("result"));
}

}  // namespace
