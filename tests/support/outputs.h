// Comparison of a produced output file with its stored reference: text
// exactly, numbers within a relative tolerance.
#pragma once

#include <filesystem>
#include <string>

namespace quird_test {

// The differences between the reference text `expected` and the produced
// text `produced` of the file `name`, one paragraph per differing line
// (at most `limit` of them, then a count of the rest); "" when they agree.
// Lines are compared in order. Outside numbers the text must agree exactly;
// a number (optional sign, digits, optional fraction, optional exponent)
// agrees with the number at the same place when |a - b| <= tol max(|a|, |b|),
// and, when tol is 0, only when it is written the same. A paragraph names
// the file, the line number, the first differing value on each side and
// both lines.
std::string compareOutput(const std::string& name, const std::string& expected, const std::string& produced,
                          double tol, int limit = 5);

// Every file under the folder `expected` (recursively) against the file of
// the same relative path under `produced`, as compareOutput does; a file
// that was not produced is a difference. "" when every file agrees.
std::string compareOutputFolder(const std::filesystem::path& expected, const std::filesystem::path& produced,
                                double tol);

}  // namespace quird_test
