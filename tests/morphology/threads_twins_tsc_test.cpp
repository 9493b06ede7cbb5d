// The transient term of the morphology driver with the bed-layer equation
// on the thread team of F 206 against its serial form: the same bits of
// `source` for every team, also with more threads than planes.
#include <random>
#include <vector>

#include "control/state.h"
#include "equations/state.h"
#include "grid/state.h"
#include "morphology/tsc_driver.h"
#include "sediment/state.h"
#include "support/bits.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

class TscThreads : public EngineTest {};

TEST_F(TscThreads, TransientTermTheSameOnEveryTeam) {
    FlagTSC = 2;  // conc_old is allocated
    lnumber = 2;
    boxGrid(6, 4, 5, 1.0, 0.5, 0.2);  // 5 planes i 2..6
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0.1, 1.0);
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) {
            m_armap[i][j] = u(rng);
            for (int k = 0; k <= znumber + 1; ++k) m_dist_z[i][j][k] = 0.1 * u(rng);
        }
    for (int l = 0; l <= lnumber; ++l)
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber + 1; ++k) conc_old[l][i][j][k] = 1e-3 * u(rng);
    TimeStep = 7.0;
    std::vector<double> start(source.size());
    for (double& v : start) v = u(rng);
    auto run = [&](int team) {
        NoProcessesSolver = team;
        std::copy(start.begin(), start.end(), source.data());
        tsc::S2TimeSource(2, team != 0);
        return bitsOf({&source});
    };
    const std::vector<unsigned char> serial = run(0);
    // The serial form adds V/dt conc_old to every interior cell and nothing
    // else.
    NoProcessesSolver = 0;
    const double added = 2.0 * m_armap[4][3] * m_dist_z[4][3][2] / 7.0 * conc_old[2][4][3][2];
    EXPECT_NEAR(source[4][3][2] - start[&source[4][3][2] - source.data()], added, 1e-9 * added);
    EXPECT_EQ(source[1][3][2], start[&source[1][3][2] - source.data()]);
    EXPECT_EQ(source[4][3][znumber + 1], start[&source[4][3][znumber + 1] - source.data()]);
    for (int team : {1, 3, 8}) {  // 8 threads over 5 planes
        SCOPED_TRACE(team);
        EXPECT_EQ(run(team), serial);
    }
}

}  // namespace
