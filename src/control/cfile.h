// A file of the C runtime that closes itself when it goes out of scope.
#pragma once

#include <cstdio>
#include <memory>

struct CloseFile {
    void operator()(FILE* fp) const { std::fclose(fp); }
};
using File = std::unique_ptr<FILE, CloseFile>;
