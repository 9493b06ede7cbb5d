// The reader of `control`: its scanner hands every data set to a reader.
// The readers of the F data sets live in readers_f.cpp, the others in
// readers_g.cpp, readers_kpw.cpp and readers_letters.cpp (see readers.h).
#pragma once

#include <cstdio>

// Defaults of the F parameters and of the state that no data set sets
// (the F part of the defaults block; setRecordDefaults does the rest).
void setParameterDefaults();

// Reads the F data set `number` at the current position of `control`;
// false when the number has no reader (the scanner then ignores the letter).
// A rejected data set ends the process.
bool readDataSetF(int number, FILE* fp);

// Consumes what the reader of F 2 (run string) or F 7 (option letters) would,
// storing nothing; false for the other numbers, which it leaves alone.
bool stepOverTextF(int number, FILE* fp);

// The readers the scanner dispatches to, in one table so that tests can
// watch what the scanner hands over and where.
struct DataSetReaders {
    bool (*F)(int, FILE*);
    bool (*G)(int, FILE*);
    bool (*H)(int, FILE*);
    bool (*K)(int, FILE*);
    bool (*P)(int, FILE*);
    bool (*W)(int, FILE*);
    void (*I)(FILE*);
    void (*L)(FILE*);
    void (*N)(FILE*);
    void (*Q)(FILE*);
    void (*S)(FILE*);
    void (*T)(FILE*);
    // Second pass.
    void (*W5)(FILE*);
    void (*B)(FILE*);
};
extern DataSetReaders dataSetReaders;
DataSetReaders defaultDataSetReaders();

// Each pass examines at most this many characters of `control` (the ones
// that the readers consume do not count).
constexpr long kControlPassLimit = 300000;

// The pre-read of G 1 looks at no more than this many characters.
constexpr long kPreReadLimit = 59999;

// The scan of the first pass over `fp` with the given readers, up to `limit`
// characters: the pre-read of G 1 uses it with readers that only step over
// the texts, so that both find the same data sets.
void scanDataSets(FILE* fp, const DataSetReaders& readers, long limit);
