// Output files of fixed name and numbered series. With P 10 at 0 a writer
// writes over its fixed name; otherwise every call adds the next file of the
// writer's series. A number has at least five digits; the name's pattern
// changes with the size of the number (five formats per series).
#pragma once

#include <cstdio>
#include <string>

struct OutputSeries {
    const char* name;          // the series in messages
    const char* fixedName;     // the file written while P 10 is 0
    const char* formats[5];    // numbers 0-9, 10-99, 100-999, 1000-9999, 10000 and up
    const char* openFailText;  // status text when a file cannot be opened
    const char* doneText;      // status text after the file is written
};

extern const OutputSeries kResultSeries;
extern const OutputSeries kTecplot3Series;
extern const OutputSeries kTecplot2Series;
extern const OutputSeries kParaView3Series;
extern const OutputSeries kParaView2Series;
// `tecplot`, the table of the cell centres: always its fixed name.
extern const OutputSeries kTecplotCellsFile;

// Numbers 0 to kSeriesNumberEnd - 1 are probed.
constexpr int kSeriesNumberEnd = 999999;

// The name of file n of the series.
std::string seriesFileName(const OutputSeries& series, int n);

// True when the file opens for reading.
bool fileOpens(const char* name);

// The lowest number of the series without a file, as `exists` reports the
// names; -1 when every number is taken.
int freeSeriesNumber(const OutputSeries& series, bool (*exists)(const char* name) = fileOpens);

// The name to write at this call: the fixed name while P 10 is 0, else the
// lowest free number. A series without a free number ends the run with -3
// ("Error, no free number in the series of <name>"): a stored file is never
// written over.
std::string outputFileName(const OutputSeries& series, bool (*exists)(const char* name) = fileOpens);

// Opens the file of this call for writing and returns it with its name. A
// file that cannot be opened sets the series' status text and ends the run
// with -3, without a log line.
FILE* openOutputFile(const OutputSeries& series, std::string& name);
// The same for the fixed name whatever P 10 holds.
FILE* openFixedOutputFile(const OutputSeries& series, std::string& name);

// Closes a file opened by openOutputFile and sets the series' status text;
// a file not written whole ends the run with -3 ("Error, cannot write file").
void closeOutputFile(FILE* fp, const std::string& name, const OutputSeries& series);
