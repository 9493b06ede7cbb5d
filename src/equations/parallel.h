// Parallel regions of the solvers and generators.
//
// Nothing inside a region ends the process: a fault found there is recorded
// (regionFault, faultf in control/log.h), every thread leaves the region
// normally, and region() ends the run from the main thread after the region
// when a fault was recorded.
//
// GCC's OpenMP runtime is not instrumented for the thread sanitizer, which
// therefore cannot see the ordering that a region's start, its barriers and
// its end give. In a thread-sanitizer build these helpers state that ordering
// to the sanitizer; in every other build they are the plain OpenMP
// constructs.
#pragma once

#include <type_traits>

#include "control/log.h"
#include "equations/state.h"

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
// The body of the region being opened is handed over through the globals
// regionBody and regionContext (equations/state.h) rather than through the
// region's shared variables, so that every datum that the threads read is
// written before the fork is marked.

inline void openRegion(int threads) {
#pragma omp parallel num_threads(threads)
    {
        acquire(0);
        ::regionBody(::regionContext);
        release(1);
    }
}
}  // namespace detail

// Runs body() on every thread of a team of `threads` threads. Opened from
// the main thread outside any region. When a thread recorded a fault, the
// run ends after the region, on the main thread, with its text and code
// (endRegionFault).
template <typename Body>
void region(int threads, Body&& body) {
    using B = std::remove_reference_t<Body>;
    ::regionBody = [](void* context) { (*static_cast<B*>(context))(); };
    ::regionContext = const_cast<void*>(static_cast<const void*>(&body));
    release(0);
    detail::openRegion(threads);
    acquire(1);
    endRegionFault();
}

// A barrier of all threads of the enclosing region.
inline void barrier() {
    release(2);
#pragma omp barrier
    acquire(2);
}

// Whether a fault of the region is recorded, the same answer on every
// thread, so that the team leaves together and no thread waits at a barrier
// that the others skip. Called by every thread of the team: the first
// barrier lets every thread finish the checks before it, the second keeps
// any thread from recording a later fault before all have read. Outside a
// region it is one read.
inline bool faulted() {
    barrier();
    const bool seen = regionFaulted();
    barrier();
    return seen;
}

}  // namespace par
