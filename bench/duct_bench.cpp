// The flow-solver benchmark: a straight duct, steady, k-epsilon, defaults.
// Writes the case (control and a generated koordina) into fresh temporary
// folders, runs the engine in a child process per run (the library's
// quirdMain in the case folder) and prints, per thread count and solver
// variant (the Gauss-Seidel variant F 164 31 and the line TDMA on the first
// and last thread count), the seconds per outer iteration from the difference of two run
// lengths, the speed-up, the allocator's and the peak resident bytes per
// cell, the bandwidth of the solver sweeps beside a triad bandwidth measured
// here, the profile of one outer iteration from the `otime` stamps of the
// logged iterations (F 1 P), the time to solution per setting (the defaults
// and settings built from the engine's own options: K 9, K 3, K 5, K 4, F 59,
// K 10) on the first and last thread count, with the goals of the
// recommended settings, and the machine. The tables are appended to
// bench/results.md.
//
//   duct_bench            the full benchmark (1.2 M cells, 1 2 4 8 threads)
//   duct_bench --smoke    a few iterations on a small duct, in seconds
//   options: --threads 1,2,4,8  --lengths 10,40  --results FILE  --no-results
//            --solution-cap N (iterations of the time-to-solution runs)
//            --run-limit S (a run still going after S seconds is stopped)
//            --large-solution (also the time to solution of the 1.2 M duct)
//            --solution-only (the time-to-solution table alone)
//            --settings 0,8 (rows of the settings table to run; the defaults, row 0, always run)
#include <omp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "control/control.h"
#include "run/reset.h"
#include "control/state.h"
#include "flow3d/state.h"

#ifndef QUIRD_SOURCE_DIR
#define QUIRD_SOURCE_DIR "."
#endif
#ifndef QUIRD_BENCH_FLAGS
#define QUIRD_BENCH_FLAGS "?"
#endif

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------------------
// The case.
// ---------------------------------------------------------------------------
struct Duct {
    int cx, cy, cz;  // cells along i, j, k
    double length = 100.0, width = 10.0, depth = 2.0, discharge = 20.0;
    long cells() const { return long(cx) * cy * cz; }
};

struct Variant {
    const char* name;
    int rapSolver;  // F 164
    char lcray;     // K 10
    int blockcorrP = 0;  // K 5 entry of p' (0: none, the default)
};
const Variant kVariants[] = {
    {"point Gauss-Seidel, F 164 0 (default)", 0, 'Y'},
    {"point Gauss-Seidel, F 164 31", 31, 'Y'},
    {"line TDMA, K 10 N", 0, 'N'},
};

// Time to solution: the defaults and settings built from the engine's own
// options, each as the control lines it adds to the case. The recommended
// settings for steady open-channel runs carry `recommended`; the goals are
// theirs.
struct Setting {
    const char* name;   // the table's label
    const char* lines;  // control lines added to the case
    bool recommended = false;
};
const Setting kSettings[] = {
    {"defaults (SIMPLE, K 3 0.8 0.8 0.8 0.2 0.5 0.5)", ""},
    {"K 5 0 0 0 1 0 0 (block correction of p')", "K 5 0 0 0 1 0 0\n"},
    {"K 5 0 0 0 4 0 0 (threaded block correction)", "K 5 0 0 0 4 0 0\n"},
    {"K 5 0 0 0 5 0 0 (planes k, j, i before the first sweep)", "K 5 0 0 0 5 0 0\n"},
    {"K 5 0 0 0 6 0 0 (planes j, i before the first sweep)", "K 5 0 0 0 6 0 0\n"},
    {"K 5 0 0 0 7 0 0 (planes i before the first sweep)", "K 5 0 0 0 7 0 0\n"},
    {"K 3 0.8 0.8 0.8 0.2 0.9 0.9, K 5 0 0 0 1 0 0", "K 3 0.8 0.8 0.8 0.2 0.9 0.9\nK 5 0 0 0 1 0 0\n"},
    {"K 9 N, K 3 0.9 0.9 0.9 1.0 0.9 0.9 (SIMPLEC)", "K 9 N\nK 3 0.9 0.9 0.9 1.0 0.9 0.9\n"},
    {"SIMPLEC, K 5 0 0 0 1 0 0", "K 9 N\nK 3 0.9 0.9 0.9 1.0 0.9 0.9\nK 5 0 0 0 1 0 0\n"},
    {"SIMPLEC, K 5 0 0 0 4 0 0", "K 9 N\nK 3 0.9 0.9 0.9 1.0 0.9 0.9\nK 5 0 0 0 4 0 0\n"},
    {"SIMPLEC, K 5 0 0 0 1 0 0, K 4 1 1 1 2 1 1", "K 9 N\nK 3 0.9 0.9 0.9 1.0 0.9 0.9\nK 5 0 0 0 1 0 0\nK 4 1 1 1 2 1 1\n"},
    {"SIMPLEC, K 5 0 0 0 1 0 0, F 59 5", "K 9 N\nK 3 0.9 0.9 0.9 1.0 0.9 0.9\nK 5 0 0 0 1 0 0\nF 59 5\n"},
    {"SIMPLEC, K 5 0 0 0 1 0 0, K 10 N (line TDMA)", "K 9 N\nK 3 0.9 0.9 0.9 1.0 0.9 0.9\nK 5 0 0 0 1 0 0\nK 10 N\n"},
    {"K 9 N, K 3 0.8 0.8 0.8 1.0 0.8 0.8, K 5 0 0 0 1 0 0", "K 9 N\nK 3 0.8 0.8 0.8 1.0 0.8 0.8\nK 5 0 0 0 1 0 0\n",
     true},
};

struct Run {
    int threads;
    long iterations;
    const Variant* variant;
    bool timed;  // F 211 0: never converged; else the default criterion
    const char* extra = "";  // further data sets (a planted divergence)
};

std::string controlText(const Duct& d, const Run& r) {
    std::ostringstream s;
    s << "T duct benchmark\nF 2 W\nF 1 P\nF 15 5\nF 36 4\nF 206 " << r.threads << "\n";
    if (r.timed) s << "F 211 0\n";
    s << "F 53 100 1000000 1 1\n";
    if (r.variant->rapSolver != 0) s << "F 164 " << r.variant->rapSolver << "\n";
    if (r.variant->lcray != 'Y') s << "K 10 " << r.variant->lcray << "\n";
    if (r.variant->blockcorrP != 0) s << "K 5 0 0 0 " << r.variant->blockcorrP << " 0 0\n";
    s << "G 1 " << d.cx + 1 << " " << d.cy + 1 << " " << d.cz + 1 << " 1\nG 3";
    char v[64];
    for (int k = 0; k <= d.cz; ++k) {
        std::snprintf(v, sizeof v, " %.10g", 100.0 * k / d.cz);
        s << v;
    }
    std::snprintf(v, sizeof v, "%.10g", d.discharge);
    s << "\nG 7 0 1 2 " << d.cy + 1 << " 2 " << d.cz + 1 << " 0 0 " << v << " 1.0 0.0 0.0\n";
    s << "G 7 1 -1 2 " << d.cy + 1 << " 2 " << d.cz + 1 << " 0 1 " << v << " 1.0 0.0 0.0\n";
    s << "W 1 40.0 " << v << " " << d.depth << "\nW 2 0\n";
    s << "K 1 " << r.iterations << " 50000\nK 2 0 1\n" << r.extra;
    return s.str();
}

// The grid lines of the horizontal bed at level 0: one line "i j x y z" per node.
void writeKoordina(const Duct& d, const fs::path& file) {
    std::FILE* fp = std::fopen(file.c_str(), "w");
    if (!fp) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        std::exit(2);
    }
    for (int i = 1; i <= d.cx + 1; ++i)
        for (int j = 1; j <= d.cy + 1; ++j)
            std::fprintf(fp, "%d %d %.10g %.10g 0.0\n", i, j, d.length * (i - 1) / d.cx, d.width * (j - 1) / d.cy);
    std::fclose(fp);
}

// ---------------------------------------------------------------------------
// One run in a child process.
// ---------------------------------------------------------------------------
constexpr int kSlots = 34;  // otime stamps 0..33
constexpr const char* kOutletFile = "outlet.bin";

// The turbulence step followed by one record of the outlet profile: the
// clock, the iteration and u of the last interior i-plane.
void turbulenceThenOutlet() {
    defaultFlowSteps().turbulence();
    std::FILE* fp = std::fopen(kOutletFile, "ab");
    if (!fp) return;
    const double head[2] = {omp_get_wtime(), static_cast<double>(Iter)};
    std::fwrite(head, sizeof(double), 2, fp);
    for (int j = 2; j <= ynumber; ++j) std::fwrite(&xvel[xnumber][j][2], sizeof(double), znumber - 1, fp);
    std::fclose(fp);
}

struct Result {
    double seconds = 0.0;  // wall clock of the whole run
    double startClock = 0.0;
    long peakKB = 0;
    int status = -1;
    bool killed = false;  // ended by the benchmark's run limit
    int usedThreads = 0;
    double allocatedMB = 0.0;
    std::map<long, std::vector<double>> stamps;  // logged iteration -> otime[d] - otime[0]
    struct Sample {
        double clock;
        long iter;
        std::vector<double> u;
    };
    std::vector<Sample> outlet;
    // From the log: the end of the flow computation.
    bool converged = false;  // "Solution converged"
    bool failed = false;     // a numerical failure
    long failedAt = -1;      // the last logged iteration at the first failure
    std::string failure;     // "diverged", or "failed (<its log line>)"
};

void parseBoogie(const fs::path& file, Result& r) {
    std::ifstream in(file);
    std::string line;
    long iter = -1;
    while (std::getline(in, line)) {
        int n;
        double x;
        long it;
        if (std::sscanf(line.c_str(), "Using %d threads", &n) == 1) r.usedThreads = n;
        if (std::sscanf(line.c_str(), "Have allocated %lf Mbytes", &x) == 1) r.allocatedMB = x;
        if (std::sscanf(line.c_str(), "Iter: %ld,", &it) == 1) iter = it;
        if (line == "Solution converged") r.converged = true;
        const bool failureLine = line == "Solution diverged" || line.rfind("Error in continuity", 0) == 0 ||
                             line.rfind("Error, wap(", 0) == 0;
        if (failureLine && !r.failed) {
            r.failed = true;
            r.failedAt = iter;
            r.failure = line == "Solution diverged" ? "diverged" : "failed (" + line + ")";
        }
        if (iter > 0 && std::sscanf(line.c_str(), "OpenMP %d = %lf", &n, &x) == 2 && n > 0 && n < kSlots) {
            std::vector<double>& s = r.stamps[iter];
            s.resize(kSlots, NAN);
            s[n] = x;
        }
    }
}

void readOutlet(const fs::path& file, const Duct& d, Result& r) {
    std::FILE* fp = std::fopen(file.c_str(), "rb");
    if (!fp) return;
    const std::size_t n = std::size_t(d.cy) * d.cz;
    double head[2];
    while (std::fread(head, sizeof(double), 2, fp) == 2) {
        Result::Sample s{head[0], long(head[1]), std::vector<double>(n)};
        if (std::fread(s.u.data(), sizeof(double), n, fp) != n) break;
        r.outlet.push_back(std::move(s));
    }
    std::fclose(fp);
}

Result runCase(const Duct& d, const Run& run, bool monitor, double limit) {
    char pattern[] = "/tmp/quird-duct-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    const fs::path dir = pattern;
    std::ofstream(dir / "control") << controlText(d, run);
    writeKoordina(d, dir / "koordina");

    Result r;
    std::fflush(nullptr);
    r.startClock = omp_get_wtime();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(120);
        std::freopen("/dev/null", "w", stdout);
        resetEngine();
        if (monitor) flowSteps.turbulence = turbulenceThenOutlet;
        const int code = quirdMain();
        std::exit(code);
    }
    int status = 0;
    rusage use{};
    bool killed = false;
    while (wait4(pid, &status, WNOHANG, &use) == 0) {
        if (limit > 0 && omp_get_wtime() - r.startClock > limit && !killed) {
            kill(pid, SIGKILL);
            killed = true;
        }
        usleep(20000);
    }
    r.seconds = omp_get_wtime() - r.startClock;
    r.killed = killed;
    r.peakKB = use.ru_maxrss;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    parseBoogie(dir / "boogie", r);
    if (monitor) readOutlet(dir / kOutletFile, d, r);
    fs::remove_all(dir);
    return r;
}

// ---------------------------------------------------------------------------
// The profile of one outer iteration from the stamps. Slots 1..9 hold the
// momentum step of w (u and v stamp the same slots before it), 10..17 the
// pressure correction, 18..31 k and epsilon, 32..33 the end of the pass.
// ---------------------------------------------------------------------------
struct Phase {
    const char* name;
    int from, to;  // stamp slots; from 0: the previous iteration's slot 33
    double factor;  // 3: the w phase stands for u, v and w
};
const Phase kPhases[] = {
    {"momentum: clear equation (u, v, w)", 1, 2, 3},
    {"momentum: wall laws (u, v, w)", 2, 3, 3},
    {"momentum: pressure source (u, v, w)", 3, 4, 3},
    {"momentum: time term (u, v, w)", 4, 5, 3},
    {"momentum: relaxation, couplings (u, v, w)", 5, 6, 3},
    {"momentum: residual (u, v, w)", 6, 7, 3},
    {"momentum: block correction (u, v, w)", 7, 8, 3},
    {"momentum: sweeps (u, v, w)", 8, 9, 3},
    {"momentum: end of step", 9, 10, 1},
    {"p': face fluxes", 10, 11, 1},
    {"p': coefficients", 11, 12, 1},
    {"p': centre coefficients", 12, 13, 1},
    {"p': residual", 13, 14, 1},
    {"p': set-up", 14, 15, 1},
    {"p': sweeps", 15, 16, 1},
    {"p': corrections", 16, 17, 1},
    {"p': continuity", 17, 18, 1},
    {"k: flux update", 18, 19, 1},
    {"k: viscosity", 19, 20, 1},
    {"k: coefficients", 20, 21, 1},
    {"k: sources", 21, 22, 1},
    {"k: wall laws", 22, 23, 1},
    {"k: time term", 23, 24, 1},
    {"k: relaxation", 24, 25, 1},
    {"k: residual", 25, 26, 1},
    {"k: block correction", 26, 27, 1},
    {"k: sweeps", 27, 28, 1},
    {"epsilon: viscosity, coefficients, sources, wall laws, relaxation, residual", 28, 29, 1},
    {"epsilon: block correction", 29, 30, 1},
    {"epsilon: sweeps", 30, 31, 1},
    {"end of pass, temperature", 31, 33, 1},
};
// Start of pass to slot 1 less twice the w step: boundary, viscosity and
// the momentum coefficients (shared by u, v, w), estimated.
constexpr const char* kMomentumCoefficients = "momentum: boundary, viscosity, coefficients (est.)";

struct Profile {
    std::vector<double> seconds;  // per kPhases entry, then the coefficients
    double pass = 0.0;            // one whole pass
    double sweeps = 0.0;          // all sweep phases
    int samples = 0;
};

Profile profileOf(const Result& r) {
    Profile p;
    const std::size_t n = std::size(kPhases);
    p.seconds.assign(n + 1, 0.0);
    for (long it = 3; it <= 9; ++it) {
        auto cur = r.stamps.find(it), prev = r.stamps.find(it - 1);
        if (cur == r.stamps.end() || prev == r.stamps.end()) continue;
        const std::vector<double>& t = cur->second;
        bool complete = !std::isnan(prev->second[33]);
        for (int s = 1; s <= 33; ++s) complete = complete && !std::isnan(t[s]);
        if (!complete) continue;
        double rest = t[33] - prev->second[33];
        p.pass += rest;
        for (std::size_t q = 0; q < n; ++q) {
            const double dt = kPhases[q].factor * (t[kPhases[q].to] - t[kPhases[q].from]);
            p.seconds[q] += dt;
            rest -= dt;
        }
        p.seconds[n] += rest;
        ++p.samples;
    }
    if (p.samples == 0) return p;
    for (double& s : p.seconds) s /= p.samples;
    p.pass /= p.samples;
    for (std::size_t q = 0; q < n; ++q)
        if (std::strstr(kPhases[q].name, "sweeps")) p.sweeps += p.seconds[q];
    return p;
}

// ---------------------------------------------------------------------------
// Triad bandwidth a = b + s c on `threads` threads, best of several passes,
// 24 bytes per element (reads of b and c, the write of a).
// ---------------------------------------------------------------------------
double triadBandwidth(int threads, std::size_t n) {
    std::vector<double> a(n), b(n), c(n);
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::size_t m = 0; m < n; ++m) a[m] = 0.0, b[m] = 1.0, c[m] = 2.0;
    double best = 1e30;
    for (int rep = 0; rep < 6; ++rep) {
        const double t0 = omp_get_wtime();
#pragma omp parallel for num_threads(threads) schedule(static)
        for (std::size_t m = 0; m < n; ++m) a[m] = b[m] + 3.0 * c[m];
        best = std::min(best, omp_get_wtime() - t0);
    }
    if (a[n / 2] != 7.0) std::fprintf(stderr, "triad check failed\n");
    return 24.0 * double(n) / best;
}

// The triad in a child process: the benchmark itself starts no threads, so
// that the engine's own team starts cleanly in every later child.
double triadInChild(int threads, std::size_t n) {
    int fd[2];
    if (pipe(fd) != 0) return 0.0;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fd[0]);
        const double bw = triadBandwidth(threads, n);
        const ssize_t w = write(fd[1], &bw, sizeof bw);
        _exit(w == sizeof bw ? 0 : 1);
    }
    close(fd[1]);
    double bw = 0.0;
    if (read(fd[0], &bw, sizeof bw) != sizeof bw) bw = 0.0;
    close(fd[0]);
    waitpid(pid, nullptr, 0);
    return bw;
}

// ---------------------------------------------------------------------------
// Time to solution: the first iteration from which on every outlet velocity
// stays within 0.5 % (of the profile's largest |u|) of its final value.
// ---------------------------------------------------------------------------
struct Solution {
    long iteration = -1, last = 0;
    double seconds = 0.0;
};

Solution solutionOf(const Result& r) {
    Solution s;
    if (r.outlet.empty()) return s;
    const std::vector<double>& fin = r.outlet.back().u;
    double peak = 0.0;
    for (double u : fin) peak = std::max(peak, std::fabs(u));
    const double tol = 0.005 * peak;
    std::size_t first = 0;
    for (std::size_t m = 0; m < r.outlet.size(); ++m) {
        double dev = 0.0;
        for (std::size_t c = 0; c < fin.size(); ++c) dev = std::max(dev, std::fabs(r.outlet[m].u[c] - fin[c]));
        if (dev > tol) first = m + 1;
    }
    first = std::min(first, r.outlet.size() - 1);
    s.iteration = r.outlet[first].iter;
    s.last = r.outlet.back().iter;
    s.seconds = r.outlet[first].clock - r.startClock;
    return s;
}

// How the run ended, from its log: a numerical failure, a convergence, or
// the iteration cap.
std::string runEnd(const Result& r, const Solution& s) {
    char text[200];
    if (r.killed)
        std::snprintf(text, sizeof text, "stopped at the run limit");
    else if (r.failed)  // the outlet monitor records the failing iteration too
        std::snprintf(text, sizeof text, "%s at iteration %ld", r.failure.c_str(), std::max(r.failedAt, s.last));
    else if (r.converged)
        std::snprintf(text, sizeof text, "converged after %ld iterations", s.last);
    else
        std::snprintf(text, sizeof text, "cap reached after %ld iterations", s.last);
    return text;
}

// One setting's run for the time-to-solution table.
struct SettingRun {
    const Setting* setting;
    Result result;
    Solution solution;
    double offReference = NAN;  // largest |final u - the defaults' final u| / the defaults' largest |u|
    bool solved = false;        // settled, no failure, on the defaults' solution
    bool settled = false;       // the outlet stayed within 0.5 % before the run's last record
};

// Whether the run reached the solution: it ended without a numerical failure
// or the run limit, its outlet settled before its last record, and its final
// profile is within 0.5 % of the defaults' (a run can settle on the wrong
// solution).
void judge(SettingRun& sr, const std::vector<double>& reference) {
    const Result& r = sr.result;
    if (r.outlet.size() >= 2) sr.settled = sr.solution.iteration < r.outlet.back().iter;
    if (!r.outlet.empty() && reference.size() == r.outlet.back().u.size()) {
        double peak = 0.0, dev = 0.0;
        for (std::size_t c = 0; c < reference.size(); ++c) {
            peak = std::max(peak, std::fabs(reference[c]));
            dev = std::max(dev, std::fabs(r.outlet.back().u[c] - reference[c]));
        }
        if (peak > 0.0) sr.offReference = dev / peak;
    }
    sr.solved = !r.failed && !r.killed && sr.settled && sr.offReference <= 0.005;
}

// ---------------------------------------------------------------------------
// Output.
// ---------------------------------------------------------------------------
// Prints to stdout and appends to the results file as it goes, so that a
// stopped benchmark keeps the tables it finished.
struct Out {
    std::FILE* results = nullptr;
    void printf(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        char buf[1024];
        va_list ap;
        va_start(ap, fmt);
        std::vsnprintf(buf, sizeof buf, fmt, ap);
        va_end(ap);
        for (std::FILE* fp : {stdout, results})
            if (fp) {
                std::fputs(buf, fp);
                std::fflush(fp);
            }
    }
};

std::string firstLine(const char* cmd) {
    std::string s;
    if (std::FILE* p = popen(cmd, "r")) {
        char buf[512];
        if (std::fgets(buf, sizeof buf, p)) s = buf;
        pclose(p);
    }
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

void machine(Out& o, const std::string& commit) {
    std::string model = firstLine("grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'");
    std::string mem = firstLine("grep -m1 MemTotal /proc/meminfo | awk '{printf \"%.1f GiB\", $2/1048576}'");
    o.printf("- processor: %s, %u cores visible, memory %s\n", model.c_str(), std::thread::hardware_concurrency(),
             mem.c_str());
    o.printf("- compiler: g++ %s, flags: %s\n", __VERSION__, QUIRD_BENCH_FLAGS);
    o.printf("- commit: %s\n", commit.empty() ? "?" : commit.c_str());
    o.printf("- load average at start (1, 5, 15 min): %s\n", loadAverage().c_str());
}

std::vector<long> listOf(const char* text) {
    std::vector<long> v;
    std::stringstream s(text);
    std::string item;
    while (std::getline(s, item, ',')) v.push_back(std::atol(item.c_str()));
    return v;
}

void printProfile(Out& o, const Profile& p, int threads) {
    const std::size_t n = std::size(kPhases);
    o.printf("\nProfile of one outer iteration, %d thread(s), mean of %d logged iterations (3..9): %.4f s\n\n",
             threads, p.samples, p.pass);
    o.printf("| phase | s | share |\n|---|---:|---:|\n");
    auto row = [&](const char* name, double s) {
        o.printf("| %s | %.4f | %.1f %% |\n", name, s, p.pass > 0 ? 100.0 * s / p.pass : 0.0);
    };
    row(kMomentumCoefficients, p.seconds[n]);
    for (std::size_t q = 0; q < n; ++q) row(kPhases[q].name, p.seconds[q]);
}

// The settings' rows of one duct and thread count; the fastest solved run marked.
void printSettingTable(Out& o, const Duct& d, long threads, const std::vector<SettingRun>& group) {
    const SettingRun* fastest = nullptr;
    for (const SettingRun& sr : group)
        if (sr.solved && (!fastest || sr.solution.seconds < fastest->solution.seconds)) fastest = &sr;
    o.printf("\n%d x %d x %d duct, %ld cells, %ld thread(s):\n\n", d.cx, d.cy, d.cz, d.cells(), threads);
    o.printf("| setting | iterations | seconds | final vs defaults | run |\n|---|---:|---:|---:|---|\n");
    for (const SettingRun& sr : group) {
        const Result& r = sr.result;
        char its[32], secs[48], off[32];
        if (r.failed || r.killed) {
            std::snprintf(its, sizeof its, "%s", r.failed && r.failure == "diverged" ? "diverged" : "failed");
            std::snprintf(secs, sizeof secs, "-");
        } else if (!sr.settled) {
            std::snprintf(its, sizeof its, "not settled");
            std::snprintf(secs, sizeof secs, "-");
        } else {
            std::snprintf(its, sizeof its, "%ld", sr.solution.iteration);
            std::snprintf(secs, sizeof secs, "%.1f%s", sr.solution.seconds, &sr == fastest ? " **fastest**" : "");
        }
        if (std::isnan(sr.offReference))
            std::snprintf(off, sizeof off, "-");
        else
            std::snprintf(off, sizeof off, "%.2f %%", 100.0 * sr.offReference);
        o.printf("| %s%s | %s | %s | %s | %s, exit %d |\n", sr.setting->name,
                 sr.setting->recommended ? " (recommended)" : "", its, secs, off, runEnd(r, sr.solution).c_str(),
                 r.status);
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool smoke = false, writeResults = true, largeSolution = false, solutionOnly = false;
    std::vector<long> settingRows;  // rows of kSettings to run (the defaults always), empty: all
    std::vector<long> threads = {1, 2, 4, 8}, lengths = {10, 40};
    long solutionCap = 3000;
    double runLimit = 0.0;  // seconds per run, 0: none
    std::string results = std::string(QUIRD_SOURCE_DIR) + "/bench/results.md";
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        const bool value = a + 1 < argc;
        if (arg == "--smoke") {
            smoke = true;
        } else if (arg == "--threads" && value) {
            threads = listOf(argv[++a]);
        } else if (arg == "--lengths" && value) {
            lengths = listOf(argv[++a]);
        } else if (arg == "--results" && value) {
            results = argv[++a];
        } else if (arg == "--no-results") {
            writeResults = false;
        } else if (arg == "--solution-cap" && value) {
            solutionCap = std::atol(argv[++a]);
        } else if (arg == "--run-limit" && value) {
            runLimit = std::atof(argv[++a]);
        } else if (arg == "--large-solution") {
            largeSolution = true;
        } else if (arg == "--solution-only") {
            solutionOnly = true;
        } else if (arg == "--settings" && value) {
            settingRows = listOf(argv[++a]);
        } else {
            std::fprintf(stderr, "usage: %s [--smoke] [--threads 1,2,4,8] [--lengths 10,40] [--results FILE | "
                                 "--no-results] [--solution-cap N] [--run-limit SECONDS] [--large-solution] [--solution-only] [--settings 0,8,13]\n", argv[0]);
            return 2;
        }
    }
    Duct duct{400, 100, 30};
    Duct small{80, 40, 20};
    if (smoke) {
        duct = Duct{24, 8, 6};
        small = Duct{12, 6, 5};
        if (threads == std::vector<long>{1, 2, 4, 8}) threads = {1, 2};
        solutionCap = std::min(solutionCap, 200L);
        writeResults = writeResults && std::find(argv, argv + argc, std::string("--results")) != argv + argc;
    }
    if (lengths.size() != 2 || lengths[0] < 10 || lengths[1] <= lengths[0] || threads.empty()) {
        std::fprintf(stderr, "two run lengths of at least 10 iterations, the second longer, and a thread list\n");
        return 2;
    }
    // The run's own sweep counts: the case sets none, so the defaults hold.
    resetEngine();
    int solverCalls = 0;
    for (int e = 1; e <= 6; ++e) solverCalls += sweeps[e];
    const int pairs = GaussIter;

    // The commit before the results file is appended to (which would mark it dirty).
    const std::string commit =
        firstLine("git -C " QUIRD_SOURCE_DIR " describe --always --dirty --abbrev=10 2>/dev/null");
    Out o;
    if (writeResults) {
        o.results = std::fopen(results.c_str(), "a");
        if (!o.results) {
            std::fprintf(stderr, "cannot append to %s\n", results.c_str());
            return 2;
        }
    }
    const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    char when[64];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    o.printf("\n## Duct benchmark %s%s\n\n", when, smoke ? " (smoke)" : "");
    machine(o, commit);
    o.printf("- case: duct %g m x %g m x %g m, %d x %d x %d = %ld cells, %g m3/s, k-epsilon, F 15 5, F 36 4, "
             "K 2 0 1, F 211 0, run lengths %ld and %ld outer iterations\n",
             duct.length, duct.width, duct.depth, duct.cx, duct.cy, duct.cz, duct.cells(), duct.discharge,
             lengths[0], lengths[1]);
    o.printf("- sweeps per outer iteration: %d solver calls (K 4) x %d Gauss-Seidel pairs (F 59) = %d point "
             "sweeps at 80 B per cell; a TDMA call solves 6 lines through every cell (3 directions, there and "
             "back), 80 B each\n",
             solverCalls, pairs, solverCalls * 2 * pairs);

    const std::size_t triadN = smoke ? (std::size_t(1) << 22) : (std::size_t(1) << 25);
    std::map<long, double> triad;
    if (!solutionOnly)
        for (long t : threads) triad[t] = triadInChild(int(t), triadN);
    constexpr double kAssemblyBytes = 3000.0;  // per cell and outer iteration, outside the sweeps

    for (const Variant& v : kVariants) {
        if (solutionOnly) break;
        // The variants on the first and last thread count (their profiles are the point).
        std::vector<long> runThreads = threads;
        if (&v != &kVariants[0] && threads.size() > 2) runThreads = {threads.front(), threads.back()};
        const double sweepBytes = (v.lcray == 'Y' ? 2.0 * pairs : 6.0) * solverCalls * 80.0;
        const double passBytes = sweepBytes + kAssemblyBytes;
        o.printf("\n### %s\n\n", v.name);
        o.printf("Bytes per cell and outer iteration: %.0f in the sweeps + %.0f assembly (estimate) = %.0f\n\n",
                 sweepBytes, kAssemblyBytes, passBytes);
        o.printf("| threads (used) | s/iteration | cell-it/s | speed-up | efficiency | goal >= 0.7 bound (M) "
                 "| alloc B/cell | peak B/cell | sweep GB/s | triad GB/s | sweep/triad (goal >= 0.5) |\n");
        o.printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
        double one = 0.0;
        std::map<long, Profile> profiles;
        for (long t : runThreads) {
            const Result a = runCase(duct, {int(t), lengths[0], &v, true}, false, runLimit);
            const Result b = runCase(duct, {int(t), lengths[1], &v, true}, false, runLimit);
            if (a.killed || b.killed) {
                o.printf("| %ld | stopped at the run limit of %.0f s | | | | | | | | | |\n", t, runLimit);
                continue;
            }
            if (a.status != 1 || b.status != 1)  // 1: the engine's normal end
                o.printf("(runs ended with exit codes %d and %d)\n", a.status, b.status);
            const double perIter = (b.seconds - a.seconds) / double(lengths[1] - lengths[0]);
            const double rate = double(duct.cells()) / perIter;
            if (one == 0.0) one = perIter * double(t);  // the first thread count's time on one thread
            const double speedUp = threads.front() == 1 ? one / perIter : 0.0;
            const Profile p = profileOf(b);
            profiles[t] = p;
            const double sweepBW = p.sweeps > 0 ? sweepBytes * double(duct.cells()) / p.sweeps : 0.0;
            const double bound = triad[t] / passBytes;
            o.printf("| %ld (%d) | %.3f | %.3g M | %.2f | %.0f %% | %.2f / %.2f %s | %.0f | %.0f | %.2f | %.2f | "
                     "%.2f %s |\n",
                     t, b.usedThreads, perIter, rate * 1e-6, speedUp, 100.0 * speedUp / double(t),
                     rate * 1e-6, 0.7 * bound * 1e-6, rate >= 0.7 * bound ? "met" : "not met",
                     b.allocatedMB * 1e6 / double(duct.cells()), b.peakKB * 1024.0 / double(duct.cells()),
                     sweepBW * 1e-9, triad[t] * 1e-9, sweepBW / triad[t], sweepBW >= 0.5 * triad[t] ? "met" : "not met");
        }
        if (one > 0.0 && threads.front() == 1)
            o.printf("\nGoal on one core: >= 1.0 M cell-iterations/s: %s\n",
                     double(duct.cells()) / one >= 1e6 ? "met" : "not met");
        o.printf("Memory goal <= 1000 B per cell (peak resident): see the peak column.\n");
        printProfile(o, profiles[threads.front()], int(threads.front()));
        if (threads.size() > 1) printProfile(o, profiles[threads.back()], int(threads.back()));
    }

    std::vector<Duct> solutionDucts = {small};
    if (largeSolution || smoke) solutionDucts.push_back(duct);
    std::vector<long> ends = {threads.front()};
    if (threads.back() != threads.front()) ends.push_back(threads.back());
    o.printf("\n### Time to solution per setting (outlet u within 0.5 %% of its final value)\n\n");
    o.printf("Each run goes on to the engine's own criterion (F 211, 1e-3) or to the cap of %ld outer iterations; "
             "its time to solution is the first iteration from which on the outlet profile stays within 0.5 %% of "
             "its final value. \"final vs defaults\": the largest difference between its final outlet profile and "
             "that of the defaults on %ld thread(s), in %% of the largest outlet velocity; only runs within 0.5 %% of "
             "it are counted as solved. The fastest solved run per thread count is marked.\n",
             solutionCap, ends.front());
    auto chosen = [&](const Setting& setting) {
        const long row = &setting - kSettings;
        return row == 0 || settingRows.empty() ||
               std::find(settingRows.begin(), settingRows.end(), row) != settingRows.end();
    };
    const Setting* rec =
        std::find_if(std::begin(kSettings), std::end(kSettings), [](const Setting& s) { return s.recommended; });
    for (const Duct& d : solutionDucts) {
        std::map<long, double> recommendedSeconds;
        long recommendedIterations = -1;
        std::vector<double> reference;  // the defaults' final outlet profile on the first thread count
        for (const long t : ends) {
            std::vector<SettingRun> group;
            for (const Setting& setting : kSettings) {
                if (!chosen(setting)) continue;
                std::fprintf(stderr, "%d x %d x %d, %ld thread(s): %s\n", d.cx, d.cy, d.cz, t, setting.name);
                const Run run{int(t), solutionCap, &kVariants[0], false, setting.lines};
                SettingRun sr{&setting, runCase(d, run, true, runLimit), {}};
                sr.solution = solutionOf(sr.result);
                if (reference.empty() && &setting == &kSettings[0] && !sr.result.outlet.empty())
                    reference = sr.result.outlet.back().u;
                judge(sr, reference);
                group.push_back(std::move(sr));
            }
            printSettingTable(o, d, t, group);
            for (const SettingRun& sr : group)
                if (sr.setting->recommended && sr.solved) {
                    recommendedSeconds[t] = sr.solution.seconds;
                    if (t == ends.front()) recommendedIterations = sr.solution.iteration;
                }
        }
        // The goals of the recommended settings.
        if (!chosen(*rec)) continue;
        const bool large = d.cells() >= duct.cells() && !smoke;
        const long goal = large ? 150 : 50;
        if (recommendedIterations < 0)
            o.printf("\nGoal: at most %ld outer iterations with the recommended settings (%s): not solved, not met\n",
                     goal, rec->name);
        else
            o.printf("\nGoal: at most %ld outer iterations with the recommended settings (%s): %ld, %s\n", goal,
                     rec->name, recommendedIterations, recommendedIterations <= goal ? "met" : "not met");
        if (ends.size() == 2 && recommendedSeconds.count(ends.front()) && recommendedSeconds.count(ends.back())) {
            const double ratio = recommendedSeconds[ends.back()] / recommendedSeconds[ends.front()];
            o.printf("Time to solution of the recommended settings on %ld against %ld thread(s): %.1f s against "
                     "%.1f s, ratio %.2f%s\n",
                     ends.back(), ends.front(), recommendedSeconds[ends.back()], recommendedSeconds[ends.front()],
                     ratio, large ? (ratio <= 1.0 / 3.0 ? " (goal <= 1/3: met)" : " (goal <= 1/3: not met)")
                                  : " (the goal of at most 1/3 is the 1.2 M duct's)");
        }
    }
    if (smoke) {
        // A planted divergence: the table must say so, never "converged".
        const Run over{int(threads.front()), solutionCap, &kVariants[0], false, "K 3 1.99 1.99 1.99 1.99 0.5 0.5\n"};
        const Result r = runCase(small, over, true, runLimit);
        o.printf("\nPlanted divergence, %d x %d x %d, K 3 1.99 1.99 1.99 1.99 0.5 0.5, %ld thread(s): %s, exit %d\n",
                 small.cx, small.cy, small.cz, threads.front(), runEnd(r, solutionOf(r)).c_str(), r.status);
    }
    o.printf("\nLoad average at the end (1, 5, 15 min): %s\n", loadAverage().c_str());

    if (o.results) {
        std::fclose(o.results);
        std::printf("\nappended to %s\n", results.c_str());
    }
    return 0;
}
