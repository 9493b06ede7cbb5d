#include "control/log.h"

#include "control/state.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include <omp.h>

namespace {
void copyStatus(char* dst, const char* text) {
    std::strncpy(dst, text, 99);
    dst[99] = '\0';
}
}  // namespace

void setMessage(const char* text) { copyStatus(mc_message, text); }
void setProgram(const char* text) { copyStatus(mc_program, text); }

void noteNumericalFailure() {
    FlagErrorBreak = 1;
    if (FailureMessage[0] != '\0') return;
    const char* b = mc_message;
    const char* e = mc_message + strnlen(mc_message, sizeof mc_message);
    while (b < e && std::isspace(static_cast<unsigned char>(*b))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(e[-1]))) --e;
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(e - b), sizeof FailureMessage - 1);
    std::memcpy(FailureMessage, b, n);
    FailureMessage[n] = '\0';
}

void setExitHandler(ExitHandler handler) { gExitHandler = handler; }

void endRun(int code) {
    if (gExitHandler) gExitHandler(code);
    std::exit(code);
}

namespace {
constexpr const char* kLogUnopened = "cannot open file 'boogie' ";

// Claims the record for the first fault of a region; false when a fault is
// already recorded.
bool claimRecord(int code) {
    int expected = 0;
    if (!regionFaultState.raised.compare_exchange_strong(expected, 1, std::memory_order_acq_rel)) return false;
    regionFaultState.code = code;
    regionFaultState.text[0] = '\0';
    regionFaultState.message[0] = '\0';
    return true;
}
void publishRecord() { regionFaultState.raised.store(2, std::memory_order_release); }

void recordFault(int code, const char* fmt, va_list ap) {
    if (!claimRecord(code)) return;
    std::vsnprintf(regionFaultState.text, sizeof regionFaultState.text, fmt, ap);
    publishRecord();
}
}  // namespace

Log::Log(Mode mode) {
    fp_ = std::fopen("boogie", mode == Create ? "w" : "a");
    if (fp_) return;
    if (inRegion()) {
        if (claimRecord(-3)) {
            std::snprintf(regionFaultState.message, sizeof regionFaultState.message, "%s", kLogUnopened);
            publishRecord();
        }
        return;
    }
    setMessage(kLogUnopened);
    endRun(-3);
}

Log::~Log() { close(); }

void Log::close() {
    if (fp_) std::fclose(fp_);
    fp_ = nullptr;
}

void Log::printf(const char* fmt, ...) {
    if (!fp_) return;
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(fp_, fmt, ap);
    va_end(ap);
}

void Log::write(const char* text) {
    if (fp_) std::fputs(text, fp_);
}

bool logOpens() {
    FILE* probe = std::fopen("boogie", "a");
    if (!probe) return false;
    std::fclose(probe);
    return true;
}

void requireLog(const char* failText) {
    if (logOpens()) return;
    setMessage(failText);
    endRun(-3);
}

void logf(const char* fmt, ...) {
    Log log;
    if (!log.file()) return;
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(log.file(), fmt, ap);
    va_end(ap);
}

void failf(int code, const char* fmt, ...) {
    {
        Log log;
        va_list ap;
        va_start(ap, fmt);
        std::vfprintf(log.file(), fmt, ap);
        va_end(ap);
    }
    endRun(code);
}

void failWrite(const char* name) {
    char text[64];
    std::snprintf(text, sizeof text, "cannot write file '%s' ", name);
    setMessage(text);
    failf(-3, "Error, cannot write file '%s'\n", name);
}

int closeWritten(FILE* fp, const char* name) {
    const bool failed = std::ferror(fp) != 0;
    const int closed = std::fclose(fp);
    if (failed || closed != 0) failWrite(name);
    return closed;
}

RegionFaultRecord regionFaultState;

bool inRegion() { return omp_get_level() > 0; }

void regionFault(int code, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    recordFault(code, fmt, ap);
    va_end(ap);
}

void faultf(int code, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    if (inRegion()) {
        recordFault(code, fmt, ap);
        va_end(ap);
        return;
    }
    char text[sizeof regionFaultState.text];
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    failf(code, "%s", text);
}

bool regionFaulted() { return regionFaultState.raised.load(std::memory_order_relaxed) != 0; }

void endRegionFault() {
    if (regionFaultState.raised.load(std::memory_order_acquire) != 2) return;
    char text[sizeof regionFaultState.text];
    char message[sizeof regionFaultState.message];
    std::memcpy(text, regionFaultState.text, sizeof text);
    std::memcpy(message, regionFaultState.message, sizeof message);
    const int code = regionFaultState.code;
    clearRegionFault();
    static_assert(sizeof message == sizeof mc_message);
    if (message[0] != '\0') std::memcpy(mc_message, message, sizeof mc_message);
    if (text[0] == '\0') endRun(code);
    failf(code, "%s", text);
}

void clearRegionFault() {
    regionFaultState.raised.store(0, std::memory_order_relaxed);
    regionFaultState.code = 0;
    regionFaultState.text[0] = '\0';
    regionFaultState.message[0] = '\0';
}
