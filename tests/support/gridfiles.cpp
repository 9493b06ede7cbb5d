#include "support/gridfiles.h"

#include <cstdarg>

#include "control/engine.h"
#include "grid/state.h"

namespace quird_test {

namespace {
void appendf(std::string& s, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string& s, const char* fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    s += buf;
}
}  // namespace

std::string koosurfText() {
    std::string s;
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            appendf(s, "%d %d %lf %lf %lf %lf\n", i, j, xval[i][j], yval[i][j], zval[i][j][0], zval[i][j][znumber]);
    return s;
}

std::string xcycText(const double* xcBlock, const double* ycBlock) {
    std::string s;
    appendf(s, " %3d %3d %3d\n", xnumber, ynumber, znumber);
    appendf(s, " %6ld %6ld\n", 40000L, 50000L);
    appendf(s, " %2d %2d\n", FlagWall, FlagRoof);
    for (int e = 1; e <= 6; ++e) appendf(s, " %4.2lf ", relax[e]);
    s += "\n";
    for (const int* table : {sweeps, blockcorr, sou}) {
        for (int e = 1; e <= 6; ++e) appendf(s, " %2d", table[e]);
        s += "\n";
    }
    s += " 0 0 0 0 0 0";
    s += "   0\n   2\n   0\n";
    appendf(s, " %7.4lf %8.6lf %8.6lf %8.6lf\n", 1.0, 0.5, 0.25, 0.125);
    for (int n = 0; n < (ynumber - 1) * (znumber - 1); ++n)
        appendf(s, " %6.4lf   %6.4lf   %lf   %10.8lf\n", 0.1, 0.2, 0.3, 0.4);
    int n = 0;
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            for (int k = 1; k <= znumber; ++k, ++n) appendf(s, " %8.4lf", xcBlock ? xcBlock[n] : xval[i][j]);
    s += "\n";
    n = 0;
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            for (int k = 1; k <= znumber; ++k, ++n) appendf(s, " %8.4lf", ycBlock ? ycBlock[n] : yval[i][j]);
    s += "\n";
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            for (int k = 1; k <= znumber; ++k) appendf(s, " %8.5lf", zval[i][j][k]);
    s += "\n";
    return s;
}

}  // namespace quird_test
