#include "control/record_scan.h"

#include <cctype>
#include <cstdlib>

#include "control/state.h"

namespace {

// Skips white space; true when the next character can begin a number.
bool numberAhead(FILE* fp) {
    skipSpace(fp);
    const int c = std::fgetc(fp);
    if (c == EOF) return false;
    std::ungetc(c, fp);
    return !std::isalpha(c);
}

// Reads the values in a row with `read`; how many converted before the first failure.
template <typename T>
int readRow(FILE* fp, std::initializer_list<T*> values, bool (*read)(FILE*, T&)) {
    int n = 0;
    for (T* v : values) {
        if (!read(fp, *v)) break;
        ++n;
    }
    return n;
}

}  // namespace

void skipSpace(FILE* fp) {
    int c;
    do c = std::fgetc(fp);
    while (c != EOF && std::isspace(c));
    if (c != EOF) std::ungetc(c, fp);
}

bool readInt(FILE* fp, int& value) { return numberAhead(fp) && std::fscanf(fp, "%d", &value) == 1; }

bool readLong(FILE* fp, long& value) { return numberAhead(fp) && std::fscanf(fp, "%ld", &value) == 1; }

bool readDouble(FILE* fp, double& value) { return numberAhead(fp) && std::fscanf(fp, "%lf", &value) == 1; }

bool readChar(FILE* fp, char& value) {
    const int c = std::fgetc(fp);
    if (c == EOF) return false;
    value = static_cast<char>(c);
    return true;
}

int readInts(FILE* fp, std::initializer_list<int*> values) { return readRow(fp, values, readInt); }

int readDoubles(FILE* fp, std::initializer_list<double*> values) { return readRow(fp, values, readDouble); }

bool runNumberedReader(std::span<const NumberedReader> table, int number, FILE* fp) {
    for (const NumberedReader& r : table) {
        if (r.number == number) {
            r.read(fp);
            return true;
        }
    }
    return false;
}

DirectionSizes sizesAcross(int direction) {
    switch (std::abs(direction)) {
    case 1: return {xnumber, ynumber, znumber};
    case 2: return {ynumber, xnumber, znumber};
    default: return {znumber, xnumber, ynumber};
    }
}
