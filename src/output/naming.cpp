#include <cstdio>

#include "control/state.h"
#include "control/log.h"
#include "output/series.h"

const OutputSeries kResultSeries{
    "result",
    "result",
    {"result.0000%d", "result.000%d", "result.00%d", "result.0%d.dat", "result.%d"},
    "cannot open file 'result' ",
    "have written result file  "};
const OutputSeries kTecplot3Series{
    "tec3",
    "tecplot3.dat",
    {"tec3_0000%d.dat", "tec3_000%d.dat", "tec3_00%d.dat", "tec3_0%d.dat", "tec3_%d.dat"},
    "cannot open file 'tecplot3.dat' ",
    "have written Tecplot 3D file  "};
const OutputSeries kTecplot2Series{
    "tec2",
    "tecplot2.dat",
    {"tec2_0000%d.dat", "tec2_000%d.dat", "tec2_00%d.dat", "tec2_0%d.dat", "tec2_%d.dat"},
    "cannot open file 'tecplot2.dat' ",
    "have written Tecplot 2D file  "};
const OutputSeries kParaView3Series{
    "pav3",
    "ParaView3.vtk",
    {"pav3_0000%d.vtk", "pav3_000%d.vtk", "pav3_00%d.vtk", "pav3_0%d.vtk", "pav3_%d.vtk"},
    "cannot open file 'ParaView3.vtk' ",
    "have written ParaView 3D file  "};
const OutputSeries kParaView2Series{
    "pav2",
    "ParaView2.vtk",
    {"pav2_0000%d.vtk", "pav2_000%d.vtk", "pav2_00%d.vtk", "pav2_0%d.vtk", "pav2_%d.vtk"},
    "cannot open file 'ParaView2.vtk' ",
    "have written ParaView 2D file  "};

const OutputSeries kTecplotCellsFile{
    "tecplot", "tecplot", {}, "cannot open file 'tecplot' ", "have written Tecplot file  "};

std::string seriesFileName(const OutputSeries& series, int n) {
    const int pattern = n < 10 ? 0 : n < 100 ? 1 : n < 1000 ? 2 : n < 10000 ? 3 : 4;
    char name[64];
    std::snprintf(name, sizeof name, series.formats[pattern], n);
    return name;
}

bool fileOpens(const char* name) {
    FILE* fp = std::fopen(name, "r");
    if (!fp) return false;
    std::fclose(fp);
    return true;
}

int freeSeriesNumber(const OutputSeries& series, bool (*exists)(const char* name)) {
    for (int n = 0; n < kSeriesNumberEnd; ++n)
        if (!exists(seriesFileName(series, n).c_str())) return n;
    return -1;
}

std::string outputFileName(const OutputSeries& series, bool (*exists)(const char* name)) {
    if (PrintRes == 0) return series.fixedName;
    const int n = freeSeriesNumber(series, exists);
    if (n < 0) {
        setMessage(series.openFailText);
        failf(-3, "Error, no free number in the series of %s\n", series.name);
    }
    return seriesFileName(series, n);
}

namespace {

FILE* openForWriting(const OutputSeries& series, const std::string& name) {
    FILE* fp = std::fopen(name.c_str(), "w");
    if (!fp) {
        setMessage(series.openFailText);
        endRun(-3);
    }
    return fp;
}

}  // namespace

FILE* openOutputFile(const OutputSeries& series, std::string& name) {
    name = outputFileName(series);
    return openForWriting(series, name);
}

FILE* openFixedOutputFile(const OutputSeries& series, std::string& name) {
    name = series.fixedName;
    return openForWriting(series, name);
}

void closeOutputFile(FILE* fp, const std::string& name, const OutputSeries& series) {
    closeWritten(fp, name.c_str());
    setMessage(series.doneText);
}
