// Formatted input of the data-set readers of `control`.
//
// Each read skips leading blanks and line ends and returns true when its
// value converted; a value that does not convert leaves the target as it was
// (a field keeps its earlier value). A number never starts at a letter: a
// missing value in front of the next data set leaves that letter for the
// scanner (the C conversion of "%lf" would swallow the I or N of a following
// data set while it looks for "inf" or "nan").
#pragma once

#include <cstdio>
#include <initializer_list>
#include <span>

bool readInt(FILE* fp, int& value);        // "%d"
bool readLong(FILE* fp, long& value);      // "%ld"
bool readDouble(FILE* fp, double& value);  // "%lf"
bool readChar(FILE* fp, char& value);      // "%c": the next character, blank or not

// A character that the text readers of F 2, F 7 and T take as text (the
// first one that is not printable ends the text); the writer of `control`
// keeps to the same rule.
inline bool printable(int c) { return c >= 32 && c <= 126; }
void skipSpace(FILE* fp);                  // " ": blanks and line ends

// The end of a file and a byte 0xFF both end a character scan of an input file.
inline bool endOfScan(int c) { return c == EOF || c == 0xFF; }

// Reads the integers in a row; returns how many converted before the first failure.
int readInts(FILE* fp, std::initializer_list<int*> values);
// The same for numbers ("%lf" each).
int readDoubles(FILE* fp, std::initializer_list<double*> values);

// A numbered family: the reader of each number that has one.
struct NumberedReader {
    int number;
    void (*read)(FILE* fp);
};
// Runs the reader of `number`; false when the number has none.
bool runNumberedReader(std::span<const NumberedReader> table, int number, FILE* fp);

// The extents across a direction 1 (i), 2 (j) or 3 (k): the size along it and
// the sizes of the two other directions in i, j, k order.
struct DirectionSizes {
    int along, first, second;
};
DirectionSizes sizesAcross(int direction);
