#include "control/log.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

char mc_message[100];
char mc_program[100];
char mc_v1[100];
char mc_v2[100];

namespace {
ExitHandler gExitHandler = nullptr;

void copyStatus(char* dst, const char* text) {
    std::strncpy(dst, text, 99);
    dst[99] = '\0';
}
}  // namespace

void setMessage(const char* text) { copyStatus(mc_message, text); }
void setProgram(const char* text) { copyStatus(mc_program, text); }

void setExitHandler(ExitHandler handler) { gExitHandler = handler; }

void endRun(int code) {
    if (gExitHandler) gExitHandler(code);
    std::exit(code);
}

Log::Log(Mode mode) {
    fp_ = std::fopen("boogie", mode == Create ? "w" : "a");
    if (!fp_) {
        setMessage("cannot open file 'boogie' ");
        endRun(-3);
    }
}

Log::~Log() { close(); }

void Log::close() {
    if (fp_) std::fclose(fp_);
    fp_ = nullptr;
}

void Log::printf(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(fp_, fmt, ap);
    va_end(ap);
}

void Log::write(const char* text) { std::fputs(text, fp_); }

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
