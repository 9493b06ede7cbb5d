// Support for the tests of the data-set readers: a reader runs on the text
// that follows its number (or letter), as the scanner of `control` leaves it.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "support/testing.h"

namespace quird_test {

using DataSetReader = std::function<void(FILE*)>;

// The reader of a data set: letter F..W with its number (ignored for the
// unnumbered letters), or B and 5 (W 5) of the second pass. A numbered
// reader that declines its number fails the test.
DataSetReader dataSet(char letter, int number = 0);

// Writes `text` to a file, runs `reader` on it and returns the exit code
// (kNoExit when the reader returned).
int readText(const std::string& text, const DataSetReader& reader);

// Runs `reader` `times` times on one stream holding `text` that often; returns
// the exit code of the last call, or kNoExit.
int readRepeated(const std::string& text, int times, const DataSetReader& reader);

// The text of boogie (empty when there is none).
std::string boogieText();

// A fixture with defaults set, a grid of 10 x 8 x 6 lines, 2 size fractions
// and 3 water-quality components.
class RecordsTest : public EngineTest {
protected:
    void SetUp() override;
};

// The arrays as the reader leaves them for the second pass: allocated, the
// Manning number spread over ManArray, no log.
void allocateArrays();

// A data set that ends the run: its text, the exit code and the whole log.
struct Refused {
    char letter;
    int number;  // of the numbered letters and H
    std::string text;
    int code;
    std::string log;
    bool arrays = false;  // read in the second pass
};
void PrintTo(const Refused& r, std::ostream* os);

// Instantiated with a table of cases per family.
class RefusedDataSet : public RecordsTest, public ::testing::WithParamInterface<Refused> {};

}  // namespace quird_test
