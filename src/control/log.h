// The run log `boogie`, the status texts and the one way out of the process.
#pragma once

#include <atomic>
#include <cstdio>

// Status texts mc_message, mc_program, mc_v1, mc_v2: control/state.h.
void setMessage(const char* text);  // copies into mc_message, truncated to fit
void setProgram(const char* text);  // copies into mc_program, truncated to fit

// A solver's numerical failure (divergence, continuity, a vanishing centre
// coefficient): called right after the solver has put its status text into
// mc_message. Sets FlagErrorBreak to 1 and, for the run's first failure,
// keeps that text, trimmed, in FailureMessage: later letters overwrite
// mc_message, and the run's last line names the first failure.
void noteNumericalFailure();

// Ends the process with the given exit code. Every error of every subsystem
// leaves through here. Open C streams are flushed by the runtime.
[[noreturn]] void endRun(int code);

// Tests replace the way out: the handler must not return (it throws).
using ExitHandler = void (*)(int code);
void setExitHandler(ExitHandler handler);  // nullptr restores std::exit

// An open handle on `boogie`. The constructor opens the log for appending
// (or creates it anew); when that fails it sets mc_message to
// "cannot open file 'boogie' " and ends the process with -3. Inside a
// parallel region it records that fault instead (see regionFault), and the
// handle stays closed: its writes do nothing.
class Log {
public:
    enum Mode { Append, Create };
    explicit Log(Mode mode = Append);
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    void printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void write(const char* text);  // literal text, no formatting
    FILE* file() const { return fp_; }
    void close();

private:
    FILE* fp_ = nullptr;
};

// True when `boogie` can be opened for appending.
bool logOpens();

// Opens the log once to see that it can be opened; otherwise sets mc_message
// to `failText` and ends the process with -3.
void requireLog(const char* failText);

// One formatted append to `boogie` (opens and closes the log).
void logf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Appends the formatted text to `boogie` and ends the process with `code`.
[[noreturn]] void failf(int code, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// A file that cannot be written is an error, the run would go on without it:
// sets mc_message to "cannot write file '<name>' ", appends
// "Error, cannot write file '<name>'" to `boogie` and ends the process with -3.
[[noreturn]] void failWrite(const char* name);
// Closes a written file; one that could not be written whole (or closed)
// ends the process as failWrite does. Returns the result of fclose (0).
int closeWritten(FILE* fp, const char* name);

// Faults found inside a parallel region. Nothing inside a region ends the
// process: the first fault of a region is recorded with its log text and
// exit code, every thread leaves the region normally (polling
// regionFaulted() where it could go on), and the main thread then ends the
// run through endRegionFault() (par::region does so after every region).
struct RegionFaultRecord {
    std::atomic<int> raised{0};  // 0 none, 1 being written, 2 recorded
    int code = 0;
    char text[400] = {};     // the lines for `boogie`
    char message[100] = {};  // the status text for mc_message, when the fault sets one
};
// Writers: regionFault, faultf, Log (a log that cannot be opened in a
// region), endRegionFault, clearRegionFault.
extern RegionFaultRecord regionFaultState;

// True inside a parallel region, whatever its team size (the main thread
// between regions: false).
bool inRegion();

// Records a fault (thread-safe); a later fault of the same region is dropped.
void regionFault(int code, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// A fault that may be found inside a region or outside one: inside, it is
// recorded as regionFault does and the call returns (the caller leaves the
// region); outside, the text is appended to `boogie` and the run ends with
// `code` at once, as failf does.
void faultf(int code, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// True once a fault is recorded (a relaxed read).
bool regionFaulted();
// Main thread, after the region: when a fault is recorded, clears the record,
// appends its text to `boogie` (sets mc_message when the fault carries a
// status text) and ends the run with its code.
void endRegionFault();
// Forgets a recorded fault (the reset of the engine).
void clearRegionFault();
