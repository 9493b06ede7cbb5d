#include "support/outputs.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "support/testing.h"

namespace quird_test {

namespace fs = std::filesystem;

namespace {

struct Token {
    std::string text;
    bool number;
};

bool digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Length of the number that starts at s[p], 0 when none does.
std::size_t numberAt(const std::string& s, std::size_t p) {
    std::size_t q = p;
    if (q < s.size() && (s[q] == '+' || s[q] == '-')) ++q;
    const std::size_t mantissa = q;
    while (q < s.size() && digit(s[q])) ++q;
    bool digits = q > mantissa;
    if (q < s.size() && s[q] == '.') {
        const std::size_t fraction = ++q;
        while (q < s.size() && digit(s[q])) ++q;
        digits = digits || q > fraction;
    }
    if (!digits) return 0;
    if (q < s.size() && (s[q] == 'e' || s[q] == 'E')) {
        std::size_t e = q + 1;
        if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
        if (e < s.size() && digit(s[e])) {
            while (e < s.size() && digit(s[e])) ++e;
            q = e;
        }
    }
    return q - p;
}

// A line as runs of text and numbers.
std::vector<Token> tokens(const std::string& line) {
    std::vector<Token> out;
    std::size_t p = 0;
    while (p < line.size()) {
        if (const std::size_t n = numberAt(line, p)) {
            out.push_back({line.substr(p, n), true});
            p += n;
            continue;
        }
        if (out.empty() || out.back().number) out.push_back({"", false});
        out.back().text += line[p++];
    }
    return out;
}

bool agree(const Token& a, const Token& b, double tol) {
    if (a.number != b.number) return false;
    if (a.text == b.text) return true;
    if (!a.number || tol <= 0.0) return false;
    const double x = std::strtod(a.text.c_str(), nullptr), y = std::strtod(b.text.c_str(), nullptr);
    return std::fabs(x - y) <= tol * std::max(std::fabs(x), std::fabs(y));
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    if (!text.empty() && text.back() != '\n') out.back() += "<no end of line>";
    return out;
}

// Whether two lines differ; when they do, va and vb are the first differing
// values (numbers or runs of text) of each.
bool firstDifference(const std::string& a, const std::string& b, double tol, std::string& va, std::string& vb) {
    if (a == b) return false;
    const std::vector<Token> ta = tokens(a), tb = tokens(b);
    for (std::size_t n = 0; n < std::max(ta.size(), tb.size()); ++n) {
        if (n < ta.size() && n < tb.size() && agree(ta[n], tb[n], tol)) continue;
        // A line that goes on where the other ends shows all of its rest.
        auto value = [n](const std::vector<Token>& t, const std::vector<Token>& other) {
            if (n >= t.size()) return std::string("<end of line>");
            if (n < other.size()) return "'" + t[n].text + "'";
            std::string rest;
            for (std::size_t m = n; m < t.size(); ++m) rest += t[m].text;
            return "'" + rest + "'";
        };
        va = value(ta, tb);
        vb = value(tb, ta);
        return true;
    }
    return false;
}

}  // namespace

std::string compareOutput(const std::string& name, const std::string& expected, const std::string& produced,
                          double tol, int limit) {
    const std::vector<std::string> want = lines(expected), got = lines(produced);
    std::ostringstream report;
    int found = 0;
    for (std::size_t n = 0; n < std::max(want.size(), got.size()); ++n) {
        const std::string a = n < want.size() ? want[n] : "<end of file>";
        const std::string b = n < got.size() ? got[n] : "<end of file>";
        std::string va, vb;
        if (n < want.size() && n < got.size()) {
            if (!firstDifference(a, b, tol, va, vb)) continue;
        } else {
            va = n < want.size() ? "'" + a + "'" : a;
            vb = n < got.size() ? "'" + b + "'" : b;
        }
        if (++found > limit) continue;
        report << name << ", line " << n + 1 << ": expected " << va << ", produced " << vb
               << " (relative tolerance " << tol << ")\n  expected: " << a << "\n  produced: " << b << "\n";
    }
    if (found > limit) report << name << ": " << found - limit << " more differing lines\n";
    return report.str();
}

std::string compareOutputFolder(const fs::path& expected, const fs::path& produced, double tol) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(expected))
        if (e.is_regular_file()) files.push_back(fs::relative(e.path(), expected));
    std::sort(files.begin(), files.end());
    std::string report;
    for (const fs::path& f : files) {
        if (!fs::is_regular_file(produced / f)) {
            report += f.string() + ": not produced\n";
            continue;
        }
        report += compareOutput(f.string(), readFile(expected / f), readFile(produced / f), tol);
    }
    return report;
}

}  // namespace quird_test
