#include "control/fieldarray.h"

#include <limits>
#include <vector>

#include "control/state.h"

namespace {
// The list fieldArrayBlocks (control/state.h) is created on the first block
// and never destroyed while it holds blocks: blocks whose handle was set null
// stay reachable (and releasable) until the process ends.
std::vector<void*>& blocks() {
    if (!fieldArrayBlocks) fieldArrayBlocks = new std::vector<void*>;
    return *fieldArrayBlocks;
}

bool mulFits(std::int64_t a, std::int64_t b, std::int64_t& out) {
    return !__builtin_mul_overflow(a, b, &out);
}
}  // namespace

std::int64_t fieldArrayBytes(int rank, const std::int64_t* ext, std::size_t elemSize) {
    std::int64_t count = 1, tables = 0;
    for (int d = 0; d < rank; ++d) {
        count *= ext[d];
        if (d < rank - 1) tables += count;
    }
    return count * static_cast<std::int64_t>(elemSize) + tables * 8;
}

CreateResult createFieldArray(FieldArrayBase& a, std::size_t elemSize, const std::int64_t* ext) {
    std::int64_t count = 1;
    for (int d = 0; d < a.rank_; ++d) {
        if (ext[d] < 0 || !mulFits(count, ext[d], count)) return CreateResult::TooLarge;
    }
    std::int64_t bytes = 0;
    if (!mulFits(count, static_cast<std::int64_t>(elemSize), bytes) ||
        static_cast<std::uint64_t>(bytes) > std::numeric_limits<std::size_t>::max() / 2)
        return CreateResult::TooLarge;
    // calloc of 0 elements may return null: always ask for at least one.
    void* p = std::calloc(count > 0 ? static_cast<std::size_t>(count) : 1, elemSize);
    if (!p) return CreateResult::OutOfMemory;
    blocks().push_back(p);
    for (int d = 0; d < a.rank_; ++d) a.ext_[d] = ext[d];
    std::int64_t s = 1;
    for (int d = a.rank_ - 1; d >= 0; --d) {
        a.stride_[d] = s;
        s *= ext[d];
    }
    a.data_ = p;
    return CreateResult::Ok;
}

void releaseAllFieldArrays() {
    if (!fieldArrayBlocks) return;
    for (void* p : *fieldArrayBlocks) std::free(p);
    delete fieldArrayBlocks;
    fieldArrayBlocks = nullptr;
}
