// Parallel execution of the flow solver: the serial or threaded choice of a
// step, the division of the interior i-planes into one block per thread, the
// block dispatcher and the plane kernel, and the wall-clock stamps.
//
// Every region is opened through par::region and synchronised inside by
// par::barrier (equations/parallel.h), so that the thread sanitizer sees it.
// The threaded form of a step computes, cell for cell, the arithmetic of its
// serial form: a run gives the same bits for every thread count.
#pragma once

#include <omp.h>

#include <algorithm>

#include "control/state.h"
#include "control/log.h"
#include "equations/kernels.h"
#include "equations/parallel.h"
#include "flow3d/state.h"

namespace flowpar {

// The components of G 50 (FlagOpenMP); an entry 1 keeps its step serial.
enum Component : int {
    kCoefficients = 1,
    kWallLaws = 2,
    kFluxes = 3,
    kCorrections = 4,
    kTurbulenceSources = 5,
    kPressureCoefficients = 6,
};

// Threads are on (F 206 above 0; 0 or below runs every step serially).
inline bool threadsOn() { return NoProcessesSolver > 0; }
// The step of this component runs per block on the thread team.
inline bool threaded(Component c) { return threadsOn() && FlagOpenMP[c] != 1; }

// Wall-clock stamp of a phase of a logged iteration.
inline void stamp(int slot) {
    if (FlagPrint == 0) otime[slot] = omp_get_wtime();
}

// Block p of `blocks` blocks of width w = (xnumber - 1) / blocks: the planes
// w p + 2 .. w (p+1) + 1, the last block ending at xnumber. With w = 0 every
// block but the last is empty (first > last).
struct Block {
    int first, last;
};
inline Block blockOf(int p, int blocks, int w) {
    return {w * p + 2, p == blocks - 1 ? xnumber : w * (p + 1) + 1};
}

// Block dispatcher: one region of NoProcessesSolver threads; the block
// numbers are dealt by the static schedule, which with a full team gives
// thread p the block p. body(first, last) runs once per block and may hold
// barriers of the whole team. A team of another size is an inconsistency
// (-8 after the region): the team leaves before any block runs.
template <typename Body>
void dispatchBlocks(const char* who, Body&& body) {
    const int blocks = NoProcessesSolver;
    if (blocks <= 0) failf(-8, "Error - %s dispatched without threads (F 206 = %d)\n", who, blocks);
    const int w = (xnumber - 1) / blocks;  // the region's only shared argument
    par::region(blocks, [&body, blocks, w, who] {
        eqk::requireTeam(who);
        if (par::faulted()) return;
        const int T = omp_get_num_threads(), t = omp_get_thread_num();
        const int q = (blocks + T - 1) / T;
        for (int p = t * q; p < std::min(t * q + q, blocks); ++p) {
            const Block b = blockOf(p, blocks, w);
            body(b.first, b.last);
        }
    });
}

// Plane kernel: the planes first..last dealt in chunks of ceil(n / T) to the
// threads of the team (one thread when F 206 is 0 or below); fn(i) computes
// plane i from the plane's own cells only.
template <typename Fn>
void planeKernel(int first, int last, Fn&& fn) {
    const int n = last - first + 1;
    if (n <= 0) return;
    par::region(std::max(NoProcessesSolver, 1), [&fn, first, n] {
        const eqk::Chunk c = eqk::chunkOf(omp_get_thread_num(), omp_get_num_threads(), n);
        for (int s = c.s; s < c.e; ++s) fn(first + s);
    });
}

// Plane kernel over the interior cells: fn(i, j, k) for i 2..xnumber,
// j 2..ynumber, k 2..znumber.
template <typename Fn>
void interiorKernel(Fn&& fn) {
    const int Y = ynumber, Z = znumber;
    planeKernel(2, xnumber, [&fn, Y, Z](int i) {
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) fn(i, j, k);
    });
}

}  // namespace flowpar
