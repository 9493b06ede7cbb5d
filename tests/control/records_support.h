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
std::string boogie();

// A fixture with defaults set and a grid of 10 x 8 x 6 lines and 2 size fractions.
class ReaderTest : public EngineTest {
protected:
    void SetUp() override;
};

}  // namespace quird_test
