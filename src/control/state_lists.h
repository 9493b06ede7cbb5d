// The lists that the state headers keep their globals in. Each folder's
// state.h holds one list macro LIST(V, A, I, F) whose entries are
//   V(type, name, start)              a value and its value at process start
//   A(type, name, extents)            a table, all zero at process start
//   I(type, name, extents, values...) a table with its values at process start
//   F(type, rank, name)               a field array of the allocator (null at start)
// The same list gives the declarations (state.h), the definitions (the
// folder's state.cpp) and the reset (resetEngine), so that a global added to
// a list is declared, defined and reset alike.
#pragma once

#include <cstring>
#include <type_traits>

#include "control/fieldarray.h"

// A handle on a rank-3 field that the allocator does not create (a V entry).
using FieldHandle3 = FieldArray<double, 3>;

#define QUIRD_STATE_DECLARE_V(T, N, D) extern T N;
#define QUIRD_STATE_DECLARE_A(T, N, E) extern T N E;
#define QUIRD_STATE_DECLARE_I(T, N, E, ...) extern T N E;
#define QUIRD_STATE_DECLARE_F(T, R, N) extern FieldArray<T, R> N;
#define QUIRD_DECLARE_STATE(LIST) \
    LIST(QUIRD_STATE_DECLARE_V, QUIRD_STATE_DECLARE_A, QUIRD_STATE_DECLARE_I, QUIRD_STATE_DECLARE_F)

#define QUIRD_STATE_DEFINE_V(T, N, D) T N = D;
#define QUIRD_STATE_DEFINE_A(T, N, E) T N E{};
#define QUIRD_STATE_DEFINE_I(T, N, E, ...) T N E = {__VA_ARGS__};
#define QUIRD_STATE_DEFINE_F(T, R, N) FieldArray<T, R> N;
#define QUIRD_DEFINE_STATE(LIST) \
    LIST(QUIRD_STATE_DEFINE_V, QUIRD_STATE_DEFINE_A, QUIRD_STATE_DEFINE_I, QUIRD_STATE_DEFINE_F)

// A value takes a fresh object (a container gives back its memory).
template <typename T>
void resetStateValue(T& value, T start) {
    value = static_cast<T&&>(start);
}
#define QUIRD_STATE_RESET_V(T, N, D) resetStateValue<T>(N, D);
#define QUIRD_STATE_RESET_A(T, N, E)                                                  \
    static_assert(std::is_trivially_copyable_v<std::remove_all_extents_t<decltype(N)>>); \
    std::memset(static_cast<void*>(&N), 0, sizeof N);
#define QUIRD_STATE_RESET_I(T, N, E, ...)                   \
    {                                                       \
        static const T start E = {__VA_ARGS__};             \
        std::memcpy(static_cast<void*>(&N), start, sizeof N); \
    }
#define QUIRD_STATE_RESET_F(T, R, N) N.setNull();
#define QUIRD_RESET_STATE(LIST) \
    LIST(QUIRD_STATE_RESET_V, QUIRD_STATE_RESET_A, QUIRD_STATE_RESET_I, QUIRD_STATE_RESET_F)

// Visits the field arrays of a list: visit(name, handle, ctx).
#define QUIRD_STATE_SKIP_V(T, N, D)
#define QUIRD_STATE_SKIP_A(T, N, E)
#define QUIRD_STATE_SKIP_I(T, N, E, ...)
#define QUIRD_STATE_VISIT_F(T, R, N) visit(#N, N, ctx);
#define QUIRD_VISIT_FIELD_ARRAYS(LIST) \
    LIST(QUIRD_STATE_SKIP_V, QUIRD_STATE_SKIP_A, QUIRD_STATE_SKIP_I, QUIRD_STATE_VISIT_F)
