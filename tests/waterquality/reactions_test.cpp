// The reaction-term table on a small grid with known component fields.
#include <algorithm>
#include <cmath>
#include <functional>

#include "control/state.h"
#include "equations/state.h"
#include "grid/state.h"
#include "waterquality/reactions.h"
#include "waterquality/state.h"
#include "waterquality/wq_fixture.h"

namespace wqtest {
namespace {

class ReactionTerms : public WaterQualityTest {
protected:
    // 2 x 2 x 3 cells of 1 m x 1 m x 0.5 m (M = 500 kg), three components with
    // distinct values in every cell, the layer above the surface included.
    void SetUp() override {
        WaterQualityTest::SetUp();
        NoComponents = 3;
        channel(3, 3, 4, 1.0, 1.0, 0.5, 0.0, 0.0);
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i <= 4; ++i)
                for (int j = 0; j <= 4; ++j)
                    for (int k = 0; k <= 5; ++k) comp[c][i][j][k] = value(c, i, j, k);
    }
    static double value(int c, int i, int j, int k) { return 0.5 + c + 0.1 * i + 0.01 * j + 0.3 * k; }
    static void clearSource() {
        for (int i = 0; i <= 4; ++i)
            for (int j = 0; j <= 4; ++j)
                for (int k = 0; k <= 5; ++k) source[i][j][k] = 0.0;
    }
};

enum Where { Interior, Top, Bed };

struct Row {
    int type, a, b;
    double V1, V2;
    Where cells;
    // The table's term from C, a, b, M, A and a of the cell above.
    std::function<double(double C, double a, double b, double M, double A, double aAbove, double V1)> term;
};

TEST_F(ReactionTerms, EveryTypeAddsItsTermInItsCellsOnly) {
    const auto product = [](double, double a, double b, double M, double, double, double V1) { return V1 * M * a * b; };
    const auto bounded = [](double, double a, double b, double M, double, double, double V1) {
        return std::max(V1 * a * b, b) * M;
    };
    const auto constant = [](double, double, double, double M, double, double, double V1) { return V1 * M; };
    const auto first = [](double, double a, double, double M, double, double, double V1) { return V1 * M * a; };
    const Row rows[] = {
        {1, 0, 0, 0.7, 0.0, Interior, constant},
        {2, 1, 0, -0.3, 0.0, Interior, first},
        {3, 0, 1, 0.2, 0.0, Interior, product},
        {4, 0, 1, 2.0, 7.0, Interior, bounded},   // V1 a b above b
        {4, 0, 1, 0.01, 7.0, Interior, bounded},  // V1 a < 1: exactly b M
        // a is component 0; the gradient to the cell above, above the surface in the top cell
        {5, 0, 0, 0.4, 0.0, Interior,
         [](double, double a, double, double, double A, double aAbove, double V1) { return V1 * 1000 * A * (aAbove - a); }},
        {1001, 0, 0, 0.7, 0.0, Top, constant},
        {1002, 1, 0, 0.3, 0.0, Top, [](double C, double, double, double M, double, double, double V1) { return -V1 * M * C; }},
        {1003, 0, 1, 0.2, 0.0, Top, product},
        {1004, 0, 1, 0.01, 7.0, Top, bounded},
        {1012, 1, 0, -0.3, 0.0, Top, first},
        {2001, 0, 0, 0.7, 0.0, Bed, constant},
        {2002, 1, 0, -0.3, 0.0, Bed, first},
        {2003, 0, 1, 0.2, 0.0, Bed, product},
        {2004, 0, 1, 2.0, 7.0, Bed, bounded},
    };
    const int receiving = 2;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.type);
        NoTerms = 0;
        term(receiving, r.type, r.a, r.b, r.V1, r.V2);
        clearSource();
        addReactionTerms(receiving);
        for (int i = 2; i <= 3; ++i)
            for (int j = 2; j <= 3; ++j)
                for (int k = 2; k <= 4; ++k) {
                    const bool acts = r.cells == Interior || (r.cells == Top && k == 4) || (r.cells == Bed && k == 2);
                    const double a = comp[r.a][i][j][k], b = comp[r.b][i][j][k];
                    const double expected = acts ? r.term(comp[receiving][i][j][k], a, b, mass(i, j, k), m_armap[i][j],
                                                          comp[r.a][i][j][k + 1], r.V1)
                                                 : 0.0;
                    EXPECT_NEAR(source[i][j][k], expected, 1e-12 * std::fabs(expected)) << i << " " << j << " " << k;
                    if (r.type % 1000 == 4) {
                        EXPECT_GE(source[i][j][k], acts ? b * mass(i, j, k) : 0.0);
                    }
                }
        EXPECT_EQ(source[1][2][2], 0.0);
        EXPECT_EQ(source[2][2][5], 0.0);
    }
}

TEST_F(ReactionTerms, RecordsOfOtherOrMissingComponentsAddNothing) {
    term(3, 1, 0, 0, 1.0);        // component 3 of a run of 3
    term(1, 1, 0, 0, 1.0);        // another component
    term(2, 2, 5, 0, 1.0);        // a term reading a component that does not exist
    term(2, 77, 0, 0, 1.0);       // a type without a term
    clearSource();
    addReactionTerms(2);
    addReactionTerms(3);
    for (int i = 0; i <= 4; ++i)
        for (int j = 0; j <= 4; ++j)
            for (int k = 0; k <= 5; ++k) EXPECT_EQ(source[i][j][k], 0.0);
}

// The top cell receives the top-cell terms first, then the interior terms in
// record order: 1 + 1e16 - 1e16 is 0 in that order, 1 in any other.
TEST_F(ReactionTerms, TopThenBedThenInteriorScansEachInRecordOrder) {
    term(2, 1, 0, 0, 1e16 / 500.0);
    term(2, 1, 0, 0, -1e16 / 500.0);
    term(2, 1001, 0, 0, 1.0 / 500.0);
    term(2, 2001, 0, 0, 1.0 / 500.0);
    clearSource();
    addReactionTerms(2);
    EXPECT_EQ(source[2][2][4], 0.0);
    EXPECT_EQ(source[2][2][2], 0.0);
    EXPECT_EQ(source[2][2][3], 0.0);
}

}  // namespace
}  // namespace wqtest
