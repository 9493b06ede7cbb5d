// The line TDMA solves its 7-point i- and j-lines on level slabs copied with
// the line direction fastest; its 13-point lines walk the arrays themselves.
// With the second-neighbour couplings zero both solve the same equation, so
// the two walks must give the same bits, on one block and across joints,
// with several slabs and a short last slab.
#include "equations/fixture.h"
#include "grid/state.h"

using namespace eqtest;

namespace {

struct WalkCase {
    const char* name;
    friend void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }
    int X, Y, Z;
    int joint;  // 0 one block, 1 joint row against j = 1, 2 against j = ynumber, 3 both (two blocks)
};

const WalkCase kWalks[] = {
    {"one_block", 8, 5, 4, 0},
    {"one_block_wider_than_long", 5, 9, 19, 0},
    {"one_block_single_level", 6, 4, 2, 0},
    {"one_block_full_and_short_slab", 6, 4, 40, 0},
    {"joint_right_full_and_short_slab", 9, 5, 36, 1},
    {"joint_left", 9, 5, 12, 2},
    {"two_joints_in_a_line", 12, 5, 5, 3},
};

class TdmaWalk : public EquationTest, public ::testing::WithParamInterface<WalkCase> {
protected:
    // Joint tables of one block (1, 2) or two (3) attached to the main block:
    // with two, the i-lines cross two joint rows, rows.
    void jointTables(const WalkCase& c) {
        if (c.joint == 0) return;
        if (c.joint != 3) return twoBlockTables(c.X - 3, c.joint == 2);
        twoBlockTables(c.X - 6);
        MBNo = 2;
        MBSkjot[2] = c.X - 3;
        MBStart[2] = -2;
        const int a = c.X - 2;
        for (int j = 2; j <= ynumber; ++j) {
            const int m = ynumber + 2 - j;
            Pi1MultiBlock[a][j][0] = m;
            Pi1MultiBlock[a][j][1] = ynumber;
            Pi1MultiBlock[a][j][2] = ynumber - 1;
            Pj2MultiBlock[m][0] = a;
            Pj2MultiBlock[m][1] = j;
        }
    }
};

TEST_P(TdmaWalk, SlabsGiveTheBitsOfTheWalkOnTheArrays) {
    const WalkCase& c = GetParam();
    for (int axis = -1; axis <= 2; ++axis) {  // -1: the whole pass
        SCOPED_TRACE(axis);
        makeGrid(c.X, c.Y, c.Z, true);
        jointTables(c);
        randomEquation(17 + axis);
        for (auto* a : {&aee, &aww, &ass, &ann, &abb, &att})
            for (std::int64_t n = 0; n < a->size(); ++n) a->data()[n] = 0.0;
        const std::vector<double> start = snapshot();
        auto run = [axis] { axis < 0 ? WaterTDMA() : WaterTDMAAlong(axis); };

        run();  // sou[1] = 0: 7-point lines on slabs
        const std::vector<double> slabs = snapshot();
        std::copy(start.begin(), start.end(), f.data());
        sou[1] = 1;  // 13-point lines on the arrays
        run();
        int differing = 0;
        for (std::int64_t n = 0; n < f.size(); ++n) differing += !sameBits(slabs[n], f.data()[n]);
        EXPECT_EQ(differing, 0);
        // The pass moved the field: the comparison is not between two copies of the start.
        EXPECT_NE(slabs, start);
    }
}

INSTANTIATE_TEST_SUITE_P(Walks, TdmaWalk, ::testing::ValuesIn(kWalks),
                         [](const auto& info) { return std::string(info.param.name); });

// A multi-block grid whose tables name no partner solves every line as the
// single-block grid does, to the bit, on both stencils.
class TdmaJoints : public EquationTest {};

TEST_F(TdmaJoints, TablesWithoutPartnersGiveTheSingleBlockBits) {
    for (int stencil : {0, 1}) {
        SCOPED_TRACE(stencil);
        makeGrid(9, 6, 7, true);
        randomEquation(5);
        sou[1] = stencil;
        const std::vector<double> start = snapshot();
        WaterTDMA();
        const std::vector<double> single = snapshot();
        std::copy(start.begin(), start.end(), f.data());
        MBNo = 1;
        MBSkjot[1] = 5;
        WaterTDMA();
        int differing = 0;
        for (std::int64_t n = 0; n < f.size(); ++n) differing += !sameBits(single[n], f.data()[n]);
        EXPECT_EQ(differing, 0);
        EXPECT_NE(single, start);
    }
}

}  // namespace
