// In-process runs of the reader of `control` on a small grid.
#pragma once

#include <string>

#include "control/control.h"
#include "control/state.h"
#include "control/kread.h"
#include "support/testing.h"

namespace quird_test {

// The grid of every control that ReaderTest reads: sizes as the entry point
// pre-reads them, the data sets that state them, and a matching koordina.
inline const char* kGridDataSets = "G 1 5 4 4 2\nG 3 0 20 60 100\n";

class ReaderTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        xnumber = 5;
        ynumber = 4;
        znumber = 4;
        lnumber = 2;
        writeDefaultGrid();
        dataSetReaders = defaultDataSetReaders();
    }

    // Writes `control` (the grid data sets first, then `body`) and reads it;
    // returns the exit code, kNoExit when kread returned.
    int read(const std::string& body) { return readExactly(kGridDataSets + body); }
    int readExactly(const std::string& control) {
        writeFile("control", control);
        return exitCodeOf(kread);
    }
    std::string boogie() const { return readFile("boogie"); }
    bool boogieEndsWith(const std::string& tail) const {
        const std::string log = boogie();
        return log.size() >= tail.size() && log.compare(log.size() - tail.size(), tail.size(), tail) == 0;
    }
};

}  // namespace quird_test
