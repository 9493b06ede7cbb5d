// The habitat report of a depth-averaged run (F 44 1, F 48 5): the run writes
// its 20 classes and leaves the plane it reports on as it was, so the result
// file equals that of the same run without the report.
#include <sstream>
#include <string>

#include "support/testing.h"

using namespace quird_test;

namespace {

const std::filesystem::path kExample = std::filesystem::path(QUIRD_SOURCE_DIR) / "examples/channel2d";

std::string withHabitat(std::string control) {
    const std::string flag = "F 44 1\n";
    control.replace(control.find(flag), flag.size(), flag + "F 48 5\n");
    return control;
}

TEST(HabitatRun, DepthAveragedRunReportsWithoutChangingItsPlane) {
    const std::string control = readFile(kExample / "control");
    const std::string koordina = readFile(kExample / "koordina");
    Case plain, reported;
    plain.file("control", control).file("koordina", koordina);
    reported.file("control", withHabitat(control)).file("koordina", koordina);
    plain.run();
    reported.run();
    ASSERT_TRUE(reported.exists("habitat")) << reported.boogie();
    EXPECT_FALSE(plain.exists("habitat"));
    EXPECT_EQ(plain.read("result"), reported.read("result"));

    // 20 classes; the areas of the depth classes and of the speed classes
    // each add up to the plan area of the channel, 600 m x 30 m.
    std::istringstream in(reported.read("habitat"));
    std::string heading;
    std::getline(in, heading);
    double depth, depthArea, speed, speedArea, sumDepth = 0.0, sumSpeed = 0.0;
    int lines = 0;
    while (in >> depth >> depthArea >> speed >> speedArea) {
        sumDepth += depthArea;
        sumSpeed += speedArea;
        ++lines;
    }
    EXPECT_EQ(lines, 20);
    EXPECT_NEAR(sumDepth, 18000.0, 1e-3);
    EXPECT_NEAR(sumSpeed, 18000.0, 1e-3);
}

}  // namespace
