// Shared test support: a fresh working directory per test, the engine's exit
// turned into an exception, and a harness that runs the real `quird`.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quird_test {

// Thrown by the test exit handler in place of ending the process.
struct EngineExit {
    int code;
};

// Installs the throwing exit handler (idempotent).
void installExitHandler();

// Runs `body`; returns the exit code it ended the process with, or
// kNoExit when it returned normally.
constexpr int kNoExit = 12345;

int exitCodeOf(const std::function<void()>& body);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& text);
std::vector<std::string> readLines(const std::filesystem::path& path);

// A fresh temporary directory; the process works in it while the object lives.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path dir_;
    std::filesystem::path previous_;
};

// Fixture for in-process tests: fresh working directory, every global back at
// its state at process start (resetEngine), then the exit handler. Tests run
// alike one per process (ctest) and all in one process in any order.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    std::unique_ptr<TempDir> dir_;
};

// End-to-end: runs the built `quird` in `dir`; returns its exit status as
// the engine passed it to exit() (so -1 comes back as -1).
int runQuird(const std::filesystem::path& dir);

// A working directory with fixture files for one end-to-end run.
class Case {
public:
    Case();
    ~Case();
    const std::filesystem::path& dir() const { return dir_; }
    Case& file(const std::string& name, const std::string& text);
    // Copies every file of a fixture folder under tests/ (path relative to tests/).
    Case& fixture(const std::string& folder);
    int run();
    bool exists(const std::string& name) const;
    std::string read(const std::string& name) const;
    std::string boogie() const { return read("boogie"); }

private:
    std::filesystem::path dir_;
};

}  // namespace quird_test
