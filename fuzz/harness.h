// Shared frame of the fuzz targets: each input is the content of one input
// file, read in process in a private working directory, from the one reset
// of the engine, with the engine's exit turned into an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quird_fuzz {

// Creates a private temporary directory and makes it the working directory
// (once per process). The fuzzer's own arguments that name files or folders
// relative to the starting directory (corpus folders, inputs, -dict=,
// -artifact_prefix=, ...) are made absolute first, so that they keep their meaning.
void enterPrivateDirectory(int* argc, char*** argv);

// Writes `name` in the working directory.
void writeFile(const char* name, const std::string& text);
void writeFile(const char* name, const std::uint8_t* data, std::size_t size);

// The engine as at process start: reset, arrays released, the throwing exit
// handler, the real reader and task tables, grid sizes cleared.
void startClean();

// Runs the entry point's preparation (pre-read of G 1) and the reader of
// `control` through the grid stage; returns the exit code the engine ended
// with, or kReturned. Inputs whose grid or tables would need more memory than
// a fuzzing run has are passed over (kPassedOver) before anything is allocated.
constexpr int kReturned = 12345;
constexpr int kPassedOver = 12346;
int readControl();

// As readControl, with no `koordina`: the entry point's default grid is
// written first (from the extent of `geodata` when there is one).
int readControlOnDefaultGrid();

// The start-up of a run as the run driver makes it: pre-read of G 1, the
// reader of `control`, the initial state and `startup` (which read
// `loggfil.pre`, `bedrough` and `innflow` when they exist).
int startUp();

// Runs `body` with the engine's exit caught: its exit code, or kReturned.
int exitCodeOf(void (*body)());

// A reader under a target of the common kind: its input file, the options
// of the fixed flume `control` beside it, and how far a run goes.
enum class Stage {
    Control,      // pre-read of G 1 and the reader of `control` through the grid stage
    DefaultGrid,  // the same without `koordina`: the entry point writes the default grid first
    StartUp,      // the start-up of a run (startUp)
    Restart,      // the start-up, then the restart read of run letter R
    SedimentRestart,  // the start-up, then the reader of the sediment restart files
};
struct Reader {
    const char* file;
    const char* options;
    Stage stage;
};
// LLVMFuzzerInitialize of such a target: the private directory and the fixed files.
int prepare(const Reader& reader, int* argc, char*** argv);
// LLVMFuzzerTestOneInput of such a target: the input as the reader's file, one run.
int fuzz(const Reader& reader, const std::uint8_t* data, std::size_t size);

// The fixed companion files: a 5 x 4 node flume and a `control` for it
// (`options` stands before the run string).
std::string flumeGrid();
std::string flumeControl(const std::string& options = "");

}  // namespace quird_fuzz
