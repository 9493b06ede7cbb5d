// The raw bits of field arrays, for the tests that compare two runs exactly
// (the threaded forms against the serial ones; NaN and -0.0 included).
#pragma once

#include <vector>

#include "control/fieldarray.h"

namespace quird_test {

using Arrays = std::vector<FieldArray<double, 3>*>;

inline std::vector<unsigned char> bitsOf(const Arrays& arrays) {
    std::vector<unsigned char> out;
    for (const FieldArray<double, 3>* a : arrays) {
        const auto* p = reinterpret_cast<const unsigned char*>(a->data());
        out.insert(out.end(), p, p + a->size() * sizeof(double));
    }
    return out;
}

}  // namespace quird_test
