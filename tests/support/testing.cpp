#include "support/testing.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "control/state.h"
#include "run/reset.h"

namespace quird_test {

namespace fs = std::filesystem;

namespace {
[[noreturn]] void throwExit(int code) { throw EngineExit{code}; }

fs::path makeTempDir() {
    static std::atomic<int> counter{0};
    const fs::path base = fs::temp_directory_path();
    for (;;) {
        fs::path p = base / ("quird-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::error_code ec;
        if (fs::create_directory(p, ec)) return p;
        if (ec) throw std::runtime_error("cannot create " + p.string());
    }
}
}  // namespace

void installExitHandler() { setExitHandler(throwExit); }

int exitCodeOf(const std::function<void()>& body) {
    installExitHandler();
    try {
        body();
    } catch (const EngineExit& e) {
        return e.code;
    }
    return kNoExit;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::vector<std::string> readLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TempDir::TempDir() : dir_(makeTempDir()), previous_(fs::current_path()) { fs::current_path(dir_); }

TempDir::~TempDir() {
    std::error_code ec;
    fs::current_path(previous_, ec);
    fs::remove_all(dir_, ec);
}

void EngineTest::SetUp() {
    dir_ = std::make_unique<TempDir>();
    resetEngine();
    installExitHandler();
}

int runQuird(const fs::path& dir) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(120);
        // The engine writes nothing useful to the terminal; keep test output clean.
        if (!freopen("/dev/null", "w", stdout)) _exit(121);
        execl(QUIRD_EXE, "quird", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status)) return -1000 - (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    return static_cast<signed char>(WEXITSTATUS(status));
}

Case::Case() : dir_(makeTempDir()) {}

Case::~Case() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

Case& Case::file(const std::string& name, const std::string& text) {
    writeFile(dir_ / name, text);
    return *this;
}

Case& Case::fixture(const std::string& folder) {
    for (const auto& entry : fs::directory_iterator(fs::path(QUIRD_SOURCE_DIR) / "tests" / folder))
        fs::copy_file(entry.path(), dir_ / entry.path().filename(), fs::copy_options::overwrite_existing);
    return *this;
}

int Case::run() { return runQuird(dir_); }

bool Case::exists(const std::string& name) const { return fs::exists(dir_ / name); }

std::string Case::read(const std::string& name) const { return readFile(dir_ / name); }

}  // namespace quird_test
