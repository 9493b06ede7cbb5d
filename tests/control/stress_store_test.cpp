// The size of the stress store from F 220 and F 207 in either order: never
// fewer arrays than the chosen stress model writes or the stress momentum
// sources read.
#include <string>

#include "control/engine.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "control/reader_fixture.h"

using namespace quird_test;

namespace {

struct StoreCase {
    const char* name;
    const char* lines;
    int allocStress;  // AllocStress1DLL as the reader leaves it
    int arrays;       // 0: no store
};

const StoreCase kStoreCases[] = {
    {"no_model", "", 9, 0},
    {"first_model", "F 220 1\n", 9, 10},
    {"first_model_with_more", "F 220 2\nF 207 0 23\n", 23, 23},
    {"first_model_with_sources", "F 220 1\nF 207 1 9\n", 9, 13},
    {"second_model", "F 220 12\n", 22, 22},
    {"second_model_then_fewer", "F 220 12\nF 207 0 5\n", 5, 22},
    {"fewer_then_second_model", "F 207 0 5\nF 220 12\n", 22, 22},
    {"second_model_then_more", "F 220 12\nF 207 1 23\n", 23, 23},
    {"sources_alone", "F 207 1 9\n", 9, 13},
    {"sources_with_fewer", "F 207 1 5\n", 5, 13},
    {"sources_with_more", "F 207 1 30\n", 30, 30},
};

class StressStore : public ReaderTest, public ::testing::WithParamInterface<StoreCase> {};

TEST_P(StressStore, HoldsWhatTheModelsUse) {
    const StoreCase& c = GetParam();
    ASSERT_EQ(read(c.lines), kNoExit) << boogie();
    EXPECT_EQ(AllocStress1DLL, c.allocStress);
    ASSERT_EQ(sialloc(), 0);
    if (c.arrays == 0) {
        EXPECT_TRUE(Rstress.isNull());
        return;
    }
    ASSERT_FALSE(Rstress.isNull());
    EXPECT_EQ(Rstress.extent(0), c.arrays);
}

INSTANTIATE_TEST_SUITE_P(Orders, StressStore, ::testing::ValuesIn(kStoreCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
