#include "harness.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "control/control.h"
#include "control/engine.h"
#include "control/state.h"
#include "control/kread.h"
#include "control/log.h"
#include "control/readers.h"
#include "run/reset.h"
#include "output/output.h"
#include "sediment/conres.h"

namespace quird_fuzz {

namespace {

struct EngineExit {
    int code;
};
struct PassedOver {};

[[noreturn]] void throwExit(int code) { throw EngineExit{code}; }

// Limits of a fuzzing run: grids and time series beyond these are valid input
// but only test the allocator, which has its own tests.
constexpr long long kMaxCells = 20000;
constexpr int kMaxTimeSteps = 2000;
constexpr int kMaxStressLoops = 100;

// Sizes not yet checked may be anything (negative ones count as 0 here); the
// count stops at the limit so that it cannot overflow.
void passOverHugeGrid() {
    long long cells = 1;
    for (const int n : {xnumber, ynumber, znumber}) {
        cells *= (n < 0 ? 0LL : n) + 3LL;
        if (cells > kMaxCells) throw PassedOver{};
    }
}

bool watchedG(int number, FILE* fp) {
    const bool read = readDataSetG(number, fp);
    if (number == 1) passOverHugeGrid();
    return read;
}

bool watchedF(int number, FILE* fp) {
    const bool read = readDataSetF(number, fp);
    if (ArrayTimeSteps > kMaxTimeSteps || AllocStress1DLL > kMaxStressLoops) throw PassedOver{};
    return read;
}

// An argument as it reads from the starting directory.
char* absoluteArgument(char* arg) {
    namespace fs = std::filesystem;
    std::string text = arg;
    std::string flag;
    if (text.rfind("-", 0) == 0) {
        const std::size_t eq = text.find('=');
        if (eq == std::string::npos) return arg;
        flag = text.substr(0, eq + 1);
        text = text.substr(eq + 1);
    }
    if (text.empty() || text[0] == '/') return arg;
    // A prefix names a folder and the start of a file name; other values name files or folders.
    const bool prefix = flag == "-artifact_prefix=";
    std::error_code ec;
    if (!prefix && !fs::exists(text, ec)) return arg;
    const std::string absolute = flag + (fs::current_path() / text).string();
    return strdup(absolute.c_str());  // lives as long as the process
}

}  // namespace

void enterPrivateDirectory(int* argc, char*** argv) {
    static bool entered = false;
    if (entered) return;
    if (argc && argv)
        for (int n = 1; n < *argc; ++n) (*argv)[n] = absoluteArgument((*argv)[n]);
    static char dir[] = "/tmp/quird-fuzz-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) {
        std::perror("quird fuzz: private directory");
        std::abort();
    }
    entered = true;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    });
}

void writeFile(const char* name, const std::uint8_t* data, std::size_t size) {
    FILE* fp = std::fopen(name, "wb");
    if (!fp) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, fp) != size) std::abort();
    std::fclose(fp);
}

void writeFile(const char* name, const std::string& text) {
    writeFile(name, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

void startClean() {
    resetEngine();
    SetArraysZero();
    setExitHandler(throwExit);
    dataSetReaders = defaultDataSetReaders();
    dataSetReaders.G = watchedG;
    dataSetReaders.F = watchedF;
    runTasks = defaultRunTasks();
    xnumber = ynumber = znumber = lnumber = 0;  // as in a new process: no G 1 pre-read yet
}

namespace {

// The pre-read of G 1, `before` (if any), then `read`; the exit code, or
// kReturned, or kPassedOver.
int preReadThen(void (*before)(), void (*read)()) {
    try {
        preReadG1("control");
        passOverHugeGrid();
        if (before) before();
        read();
    } catch (const EngineExit& e) {
        return e.code;
    } catch (const PassedOver&) {
        return kPassedOver;
    }
    return kReturned;
}

}  // namespace

int readControl() { return preReadThen(nullptr, kread); }

int readControlOnDefaultGrid() { return preReadThen(writeDefaultGrid, kread); }

int startUp() {
    return preReadThen(nullptr, [] {
        if (!startupSequence()) throw EngineExit{kReturned};
    });
}

int exitCodeOf(void (*body)()) {
    try {
        body();
    } catch (const EngineExit& e) {
        return e.code;
    }
    return kReturned;
}

std::string flumeGrid() {
    std::string s;
    char line[80];
    for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 4; ++j) {
            std::snprintf(line, sizeof line, "%d %d %lf %lf %lf\n", i, j, (i - 1) * 1.0, (j - 1) * 0.5,
                          0.004 * (5 - i));
            s += line;
        }
    return s;
}

std::string flumeControl(const std::string& options) {
    return "T fuzz flume\nG 1 5 4 4 2\nG 3 0 20 60 100\n"
           "G 7 0 1 2 4 2 4 0 0 1.0 1.0 0.0 0.0\nG 7 1 -1 2 4 2 4 0 0 1.0 1.0 0.0 0.0\n"
           "W 1 40.0 1.0 0.5\nW 2 3 1 3 5\nK 2 0 1\n" +
           options + "F 2 A\n";
}

int prepare(const Reader& reader, int* argc, char*** argv) {
    enterPrivateDirectory(argc, argv);
    writeFile("control", flumeControl(reader.options));
    if (reader.stage != Stage::DefaultGrid) writeFile("koordina", flumeGrid());
    return 0;
}

int fuzz(const Reader& reader, const std::uint8_t* data, std::size_t size) {
    startClean();
    switch (reader.stage) {
    case Stage::Control:
        writeFile(reader.file, data, size);
        readControl();
        break;
    case Stage::DefaultGrid:
        std::remove("koordina");
        writeFile(reader.file, data, size);
        readControlOnDefaultGrid();
        break;
    case Stage::StartUp:
        writeFile(reader.file, data, size);
        startUp();
        break;
    case Stage::Restart:
        if (startUp() != kReturned) std::abort();  // the fixed files are sound
        writeFile(reader.file, data, size);
        exitCodeOf(readres);
        break;
    case Stage::SedimentRestart:
        if (startUp() != kReturned) std::abort();  // the fixed files are sound
        writeFile(reader.file, data, size);
        exitCodeOf([] { readConRes(); });
        std::remove(reader.file);
        break;
    }
    return 0;
}

}  // namespace quird_fuzz
