// Block joins of the depth-averaged plane: which cell stands next to which
// across a join. The face fluxes, the pressure correction, the solvers and
// the residual all follow these links.
//
// An attached block's first cell row meets a side wall of a run of host
// columns of the main block. Host column i has its partner B = (i', j')
// across wall j = 1 (Pj1MultiBlock) or wall j = ynumber (Pj2MultiBlock); B
// meets the join with its low i-face and its next cell inward is (i'+1, j').
// The host cell is (i, 2) or (i, ynumber), its next cell inward (i, 3) or
// (i, ynumber-1).
#pragma once

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "grid/geometry.h"

namespace joints2d {

// The attached blocks 1..n.
inline int blocks() { return geometry::attachedBlocks(); }

// Whether i-face i is a block seam: the face after the last cell row of the
// block before it, in front of an attached block's first row, which meets
// its host columns instead. Its flux is the block's joint flux.
inline bool seam(int i) {
    for (int b = 1; b <= blocks(); ++b)
        if (MBSkjot[b] == i) return true;
    return false;
}

struct Cell {
    int i = 0, j = 0;
    bool none() const { return i == 0; }
};

// Partner of host column i across wall j = 1, or none.
inline Cell lowPartner(int i) { return {Pj1MultiBlock[i][0], Pj1MultiBlock[i][1]}; }
// Partner of host column i across wall j = ynumber, or none.
inline Cell highPartner(int i) { return {Pj2MultiBlock[i][0], Pj2MultiBlock[i][1]}; }
// Main-block host cell of a cell of an attached block's first row, or none.
inline Cell hostOf(int i, int j) { return {Pi1MultiBlock[i][j][0], Pi1MultiBlock[i][j][1]}; }
// The host cell's next cell inward (the second neighbour of the partner), or none.
inline Cell hostInwardOf(int i, int j) { return {Pi1MultiBlock[i][j][0], Pi1MultiBlock[i][j][2]}; }
// Index of the join face among the j-faces of host cell (i, jm): 1 or ynumber.
inline int joinFace(int jm) { return jm == 2 ? 1 : ynumber; }

// The cells that the five-point equation of cell (i, j) couples to: plain
// index neighbours, or with `joined` those across the joins (the i-1
// neighbour of a partner is its host, the j-1 neighbour of a host cell on
// wall 1 and the j+1 neighbour of a host cell on wall ynumber are their
// partners). The second neighbours follow the same links: a partner reaches
// its host's next cell inward, the cell after a partner reaches that
// partner's host, a host cell reaches its partner's next cell inward and the
// host's next cell inward reaches the partner. i+1 and i+2 are never
// redirected.
struct Around {
    Cell w, e, s, n;
    Cell ww, ee, ss, nn;
};

inline Around around(int i, int j, bool joined) {
    Around a{{i - 1, j}, {i + 1, j}, {i, j - 1}, {i, j + 1}, {i - 2, j}, {i + 2, j}, {i, j - 2}, {i, j + 2}};
    if (!joined) return a;
    if (const Cell h = hostOf(i, j); !h.none()) {
        a.w = h;
        a.ww = hostInwardOf(i, j);
    } else if (const Cell hp = hostOf(i - 1, j); !hp.none()) {
        a.ww = hp;
    }
    if (const Cell b = lowPartner(i); !b.none()) {
        if (j == 2) {
            a.s = b;
            a.ss = {b.i + 1, b.j};
        } else if (j == 3) {
            a.ss = b;
        }
    }
    if (const Cell b = highPartner(i); !b.none()) {
        if (j == ynumber) {
            a.n = b;
            a.nn = {b.i + 1, b.j};
        } else if (j == ynumber - 1) {
            a.nn = b;
        }
    }
    return a;
}

}  // namespace joints2d
