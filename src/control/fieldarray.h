// FieldArray: one zeroed, contiguous block in row-major order (last index
// fastest), indexed like a nested array: a[i][j][k].
//
// A FieldArray is a handle. It is null until the allocator creates it, and
// copies of a handle see the same block (the equation workspace points `f` at
// the field being solved). Blocks live until the process ends; only
// SetArraysZero (a new start, as in the unit tests) releases them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#ifdef QUIRD_CHECK_INDEX
#define QUIRD_INDEX_CHECK(i, n)                                                          \
    do {                                                                                 \
        if ((i) < 0 || (i) >= (n)) {                                                     \
            std::fprintf(stderr, "field index %lld out of range 0..%lld\n", (long long)(i), \
                         (long long)(n) - 1);                                            \
            std::abort();                                                                \
        }                                                                                \
    } while (0)
#else
#define QUIRD_INDEX_CHECK(i, n) ((void)0)
#endif

namespace fieldarray_detail {

#ifdef QUIRD_CHECK_INDEX
template <typename T>
struct Row {
    T* p;
    std::int64_t n;
    T& operator[](std::int64_t k) const {
        QUIRD_INDEX_CHECK(k, n);
        return p[k];
    }
    operator T*() const { return p; }
};
#endif

// One level of a FieldArray below the top: base pointer, extents and strides
// of the remaining indices.
template <typename T, int R>
struct View {
    T* p;
    const std::int64_t* ext;
    const std::int64_t* stride;
    auto operator[](std::int64_t i) const {
        QUIRD_INDEX_CHECK(i, ext[0]);
        if constexpr (R == 2) {
#ifdef QUIRD_CHECK_INDEX
            return Row<T>{p + i * stride[0], ext[1]};
#else
            return p + i * stride[0];
#endif
        } else {
            return View<T, R - 1>{p + i * stride[0], ext + 1, stride + 1};
        }
    }
};

}  // namespace fieldarray_detail

// Everything the allocator needs to know of an array, whatever its element type.
struct FieldArrayBase {
    void* data_ = nullptr;
    int rank_ = 0;
    std::int64_t ext_[4] = {0, 0, 0, 0};
    std::int64_t stride_[4] = {0, 0, 0, 0};

    explicit operator bool() const { return data_ != nullptr; }
    bool isNull() const { return data_ == nullptr; }
    std::int64_t extent(int d) const { return ext_[d]; }
    // Number of elements of the data block.
    std::int64_t size() const { return data_ ? ext_[0] * stride_[0] : 0; }
    // Forget the block (it stays allocated; see SetArraysZero).
    void setNull() { data_ = nullptr; }
};

template <typename T, int R>
class FieldArray : public FieldArrayBase {
    static_assert(R >= 1 && R <= 4, "FieldArray rank is 1 to 4");

public:
    using value_type = T;
    static constexpr int rank = R;

    FieldArray() { rank_ = R; }

    T* data() const { return static_cast<T*>(data_); }

    decltype(auto) operator[](std::int64_t i) const {
        QUIRD_INDEX_CHECK(i, ext_[0]);
        if constexpr (R == 1) {
            return data()[i];
        } else if constexpr (R == 2) {
#ifdef QUIRD_CHECK_INDEX
            return fieldarray_detail::Row<T>{data() + i * stride_[0], ext_[1]};
#else
            return data() + i * stride_[0];
#endif
        } else {
            return fieldarray_detail::View<T, R - 1>{data() + i * stride_[0], ext_ + 1, stride_ + 1};
        }
    }

    // Flat offset of an element, for loops that walk the block directly.
    std::int64_t offset(std::int64_t i, std::int64_t j = 0, std::int64_t k = 0, std::int64_t l = 0) const {
        std::int64_t o = i * stride_[0];
        if constexpr (R > 1) o += j * stride_[1];
        if constexpr (R > 2) o += k * stride_[2];
        if constexpr (R > 3) o += l * stride_[3];
        return o;
    }
};

// Byte count of a FieldArray as the allocator reports it: the data block plus
// one table of 8-byte pointers per level above the data (e1, e1*e2, ...).
std::int64_t fieldArrayBytes(int rank, const std::int64_t* ext, std::size_t elemSize);

enum class CreateResult { Ok, OutOfMemory, TooLarge };

// Obtains a zeroed block for `a` with the given extents. TooLarge when the
// element count or the byte count does not fit in 64 bits.
CreateResult createFieldArray(FieldArrayBase& a, std::size_t elemSize, const std::int64_t* ext);

// Convenience for tests and tools: create an array outside the allocator.
template <typename T, int R, typename... E>
CreateResult createArray(FieldArray<T, R>& a, E... extents) {
    static_assert(sizeof...(E) == R, "one extent per index");
    const std::int64_t ext[4] = {static_cast<std::int64_t>(extents)...};
    return createFieldArray(a, sizeof(T), ext);
}

// Frees every block obtained through createFieldArray (used by SetArraysZero).
void releaseAllFieldArrays();
