// Parallel regions of the solvers and generators.
//
// GCC's OpenMP runtime is not instrumented for the thread sanitizer, which
// therefore cannot see the ordering that a region's start, its barriers and
// its end give. In a thread-sanitizer build these helpers state that ordering
// to the sanitizer; in every other build they are the plain OpenMP
// constructs.
#pragma once

#include <type_traits>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace par {

#if defined(__SANITIZE_THREAD__)
inline char syncTokens[3];  // fork, join, barrier
inline void release(int n) { __tsan_release(&syncTokens[n]); }
inline void acquire(int n) { __tsan_acquire(&syncTokens[n]); }
#else
inline void release(int) {}
inline void acquire(int) {}
#endif

namespace detail {
// The body of the region being opened. Handing it over through these globals
// rather than through the region's shared variables keeps every datum that
// the threads read written before the fork is marked.
inline void (*regionBody)(void*) = nullptr;
inline void* regionContext = nullptr;

inline void openRegion(int threads) {
#pragma omp parallel num_threads(threads)
    {
        acquire(0);
        regionBody(regionContext);
        release(1);
    }
}
}  // namespace detail

// Runs body() on every thread of a team of `threads` threads. Opened from
// the main thread outside any region.
template <typename Body>
void region(int threads, Body&& body) {
    using B = std::remove_reference_t<Body>;
    detail::regionBody = [](void* context) { (*static_cast<B*>(context))(); };
    detail::regionContext = const_cast<void*>(static_cast<const void*>(&body));
    release(0);
    detail::openRegion(threads);
    acquire(1);
}

// A barrier of all threads of the enclosing region.
inline void barrier() {
    release(2);
#pragma omp barrier
    acquire(2);
}

}  // namespace par
