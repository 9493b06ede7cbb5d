// The sediment restart files. The writer's layout: a two-line header, then
// one line per cell (conres.new, compres.new: i, j, k and the values of
// every size class or component) or per bed column (fracres.new: i, j, the
// active layer and then the inactive layer, thickness first), each value
// as "%e". The reader takes any white space where the header has some and
// every line by its own indices, so lines may come in any order.
#include "sediment/conres.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "control/log.h"
#include "control/state.h"
#include "sediment/state.h"
#include "waterquality/state.h"

namespace {

constexpr const char* kConcHeader1 = "Concentrations in volume fractions.\n";
constexpr const char* kConcHeader2 = " i, j, k, concentration(size):\n\n";
constexpr const char* kBedHeader = "Bed grain fractions(size) + i,j \n \n";

// A written file is whole when no write failed and it closed.
bool finish(FILE* fp) {
    const bool written = std::ferror(fp) == 0;
    return std::fclose(fp) == 0 && written;
}

// The number of values of a line of compres: one per component that exists.
int componentValues() { return comp.isNull() ? 0 : static_cast<int>(std::min<long long>(NoComponents, comp.extent(0))); }

bool writeCells(const char* name, int values, double (*value)(int n, int i, int j, int k)) {
    FILE* fp = std::fopen(name, "w");
    if (!fp) return false;
    std::fputs(kConcHeader1, fp);
    std::fputs(kConcHeader2, fp);
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int k = 2; k <= znumber; ++k) {
                std::fprintf(fp, "%d %d %d ", i, j, k);
                for (int n = 0; n < values; ++n) std::fprintf(fp, "%e ", value(n, i, j, k));
                std::fputc('\n', fp);
            }
    return finish(fp);
}

bool writeBed() {
    FILE* fp = std::fopen("fracres.new", "w");
    if (!fp) return false;
    std::fputs(kBedHeader, fp);
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j) {
            std::fprintf(fp, "%d %d ", i, j);
            for (int l = 0; l <= lnumber; ++l) std::fprintf(fp, "%e ", bedgrain[l][i][j]);
            for (int l = 0; l <= lnumber; ++l) std::fprintf(fp, "%e ", BedGrainOriginal[l][i][j]);
            std::fputc('\n', fp);
        }
    return finish(fp);
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

// A file's whole text and a read position. Reads stop at a NUL byte as at
// the end of the text.
struct Text {
    std::string s;
    std::size_t pos = 0;
    bool atEnd() const { return pos >= s.size(); }
};

bool slurp(const char* name, Text& t) {
    FILE* fp = std::fopen(name, "rb");
    if (!fp) return false;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, fp)) > 0) t.s.append(buffer, n);
    std::fclose(fp);
    return true;
}

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Matches a header as a scan pattern: white space in the pattern takes any
// run of white space (none included), every other character itself; the
// match stops at the first character that differs (false then).
bool matchPattern(Text& t, const char* pattern) {
    for (const char* p = pattern; *p; ++p) {
        if (isSpace(*p)) {
            while (!t.atEnd() && isSpace(t.s[t.pos])) ++t.pos;
        } else if (!t.atEnd() && t.s[t.pos] == *p) {
            ++t.pos;
        } else {
            return false;
        }
    }
    return true;
}

// Numbers read from a NUL-terminated text, each after any white space; a
// failed read leaves the position where it was.
bool readInt(const char*& p, long long& v) {
    char* end = nullptr;
    errno = 0;
    v = std::strtoll(p, &end, 10);  // beyond the range: the largest value, outside every grid
    if (end == p) return false;
    p = end;
    return true;
}

bool readDouble(const char*& p, double& v) {
    char* end = nullptr;
    v = std::strtod(p, &end);
    if (end == p) return false;
    p = end;
    return true;
}

bool nextLine(Text& t, std::string& line) {
    if (t.atEnd()) return false;
    std::size_t end = t.s.find('\n', t.pos);
    if (end == std::string::npos) end = t.s.size();
    line.assign(t.s, t.pos, end - t.pos);
    t.pos = end + 1;
    return true;
}

bool blank(const std::string& line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return isSpace(c); });
}

// The cell lines of conres or compres.pre, one entry per line: i, j, k and
// up to `values` numbers into slot(n, i, j, k), stopping at the first that
// cannot be read. A line whose indices cannot be read or lie outside
// 1..xnumber+1, 1..ynumber+1, 0..znumber+1 is skipped whole. At most
// (xnumber+1)(ynumber+1)(znumber+1) lines are taken, blank lines not
// counted. Returns the number of entries that stored a value.
template <class Slot>
long readCellLines(Text& t, int values, Slot slot) {
    const long long attempts = (xnumber + 1LL) * (ynumber + 1LL) * (znumber + 1LL);
    long stored = 0;
    std::string line;
    for (long long n = 0; n < attempts && nextLine(t, line);) {
        if (blank(line)) continue;
        ++n;
        const char* p = line.c_str();
        long long i, j, k;
        if (!readInt(p, i) || !readInt(p, j) || !readInt(p, k)) continue;
        if (i < 1 || i > xnumber + 1 || j < 1 || j > ynumber + 1 || k < 0 || k > znumber + 1) continue;
        int read = 0;
        for (double v; read < values && readDouble(p, v); ++read)
            slot(read, static_cast<int>(i), static_cast<int>(j), static_cast<int>(k)) = v;
        if (read > 0) ++stored;
    }
    return stored;
}

// A stream of numbers over the whole text, as a run of scans: once a read
// fails, every later read fails too.
struct Scanner {
    const char* p;
    bool failed = false;
    bool readInt(long long& v) { return !failed && (failed = !::readInt(p, v), !failed); }
    bool readDouble(double& v) { return !failed && (failed = !::readDouble(p, v), !failed); }
};

// fracres: (xnumber+1)(ynumber+1) entries of i, j and the values of both
// layers. False when an entry names a column outside the grid.
bool readBed(Text& t, long& stored) {
    Scanner in{t.s.c_str() + std::min(t.pos, t.s.size())};
    const long long entries = (xnumber + 1LL) * (ynumber + 1LL);
    for (long long n = 0; n < entries; ++n) {
        long long i, j;
        if (!in.readInt(i) || !in.readInt(j)) continue;
        if (i < 1 || i > xnumber + 1 || j < 1 || j > ynumber + 1) return false;
        bool any = false;
        for (auto* layer : {&bedgrain, &BedGrainOriginal})
            for (int l = 0; l <= lnumber; ++l) {
                double v;
                if (!in.readDouble(v)) break;
                (*layer)[l][i][j] = v;
                any = true;
            }
        if (any) ++stored;
    }
    return true;
}

}  // namespace

int writeConRes() {
    if (NoComponents > 0) {
        const bool ok = writeCells("compres.new", componentValues(),
                                   [](int c, int i, int j, int k) { return comp[c][i][j][k]; });
        if (!ok) setMessage("cannot open file 'compres.t' ");
        return ok ? 0 : 1;
    }
    if (!writeCells("conres.new", lnumber + 1, [](int l, int i, int j, int k) { return conc[l][i][j][k]; })) {
        setMessage("cannot open file 'conres.t' ");
        return 1;
    }
    if (!writeBed()) {
        setMessage("cannot open file 'fracres.new' ");
        return 1;
    }
    return 0;
}

void logConResWritten(int result) {
    const char* file = NoComponents > 0 ? "compres.t" : "conres.t";
    if (result == 0)
        logf("Have written %s file \n", file);
    else
        logf("Could not write %s file \n", file);
}

int readConRes(long* stored) {
    long entries = 0;
    if (stored) *stored = 0;

    Text con;
    if (slurp("conres", con)) {
        if (matchPattern(con, kConcHeader1)) matchPattern(con, kConcHeader2);  // one pattern
        entries += readCellLines(con, lnumber + 1, [](int l, int i, int j, int k) -> double& { return conc[l][i][j][k]; });
    } else {
        setMessage("have not used 'conres ' file ");
    }

    Text bed;
    if (slurp("fracres", bed)) {
        matchPattern(bed, kBedHeader);
        const bool inside = readBed(bed, entries);
        if (stored) *stored = entries;
        if (!inside) return 88;
        FlagReadFracres = 1;
    } else {
        setMessage("cannot open file 'fracres' ");
    }
    if (stored) *stored = entries;

    Text cmp;
    if (!slurp("compres.pre", cmp)) {
        setMessage("have not used 'compres.pre ' file ");
        return 0;
    }
    matchPattern(cmp, kConcHeader1);  // two patterns: the second is tried after a mismatch in the first
    matchPattern(cmp, kConcHeader2);
    readCellLines(cmp, componentValues(), [](int c, int i, int j, int k) -> double& { return comp[c][i][j][k]; });
    return 4;
}
