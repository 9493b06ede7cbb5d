#include "control/records_support.h"

#include <cstdio>
#include <filesystem>
#include <ostream>

#include "control/engine.h"
#include "control/state.h"
#include "control/readers.h"
#include "grid/state.h"

namespace quird_test {

namespace {

DataSetReader numbered(bool (*read)(int, FILE*), char letter, int number) {
    return [=](FILE* fp) { EXPECT_TRUE(read(number, fp)) << letter << ' ' << number << " has no reader"; };
}

}  // namespace

DataSetReader dataSet(char letter, int number) {
    switch (letter) {
    case 'G': return numbered(readDataSetG, letter, number);
    case 'H': return numbered(readDataSetH, letter, number);
    case 'K': return numbered(readDataSetK, letter, number);
    case 'P': return numbered(readDataSetP, letter, number);
    case 'W': return number == 5 ? DataSetReader(readDataSetW5) : numbered(readDataSetW, letter, number);
    case 'I': return readDataSetI;
    case 'L': return readDataSetL;
    case 'N': return readDataSetN;
    case 'Q': return readDataSetQ;
    case 'S': return readDataSetS;
    case 'T': return readDataSetT;
    case 'B': return readDataSetB;
    }
    ADD_FAILURE() << "no data set " << letter;
    return [](FILE*) {};
}

int readRepeated(const std::string& text, int times, const DataSetReader& reader) {
    std::string all;
    for (int n = 0; n < times; ++n) all += text;
    writeFile("input", all);
    FILE* fp = std::fopen("input", "r");
    int code = kNoExit;
    for (int n = 0; n < times && code == kNoExit; ++n) code = exitCodeOf([&] { reader(fp); });
    std::fclose(fp);
    return code;
}

int readText(const std::string& text, const DataSetReader& reader) { return readRepeated(text, 1, reader); }

std::string boogieText() { return std::filesystem::exists("boogie") ? readFile("boogie") : std::string(); }

void RecordsTest::SetUp() {
    EngineTest::SetUp();
    setRecordDefaults();
    xnumber = 10;
    ynumber = 8;
    znumber = 6;
    lnumber = 2;
    NoComponents = 3;
}

void allocateArrays() {
    ASSERT_EQ(sialloc(), 0);
    std::remove("boogie");
    for (int i = 0; i <= xnumber + 1; ++i) ManArray[i] = ManningInit;
}

void PrintTo(const Refused& r, std::ostream* os) { *os << r.letter << ' ' << r.number << ' ' << r.text; }

TEST_P(RefusedDataSet, EndsTheRunWithItsMessage) {
    const Refused& r = GetParam();
    if (r.arrays) allocateArrays();
    EXPECT_EQ(readText(r.text, dataSet(r.letter, r.number)), r.code);
    EXPECT_EQ(boogieText(), r.log);
}

}  // namespace quird_test
