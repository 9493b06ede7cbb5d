// Grid geometry and initial flow state: the routines that the run driver and the start-up call.
#pragma once

void initial();
void initial_tunnel();
void MultiBlockInit();
void smetric();
void startup();
void ReadXCYC();
// Writes the current nodes to `koordina.new` (and `koosurf` with the transient free surface).
void writekoor();

// Plan-grid generator: each routine works on the current plan nodes (xval,
// yval and, but for elliptic, the bed node zval[..][..][1]) and keeps the
// fixed nodes of W 6 and the node lines at block joints. No run calls them.
void sides();         // straight, evenly spaced boundary lines between anchors
void Itransfinite();  // the same along the inner node lines i = 2..xnumber-1
void Jtransfinite();  // the same along the inner node lines j = 2..ynumber-1
void Mtransfinite();  // interior from the four boundaries
void transfinite();   // interior smoothed by repeated diagonal averaging
void elliptic();      // interior smoothed by elliptic generation with the W 7 attractions

// Vertical grid change: re-reads `control` for the Z data sets (node levels
// per box of node columns) and P 3, then recomputes the initial state.
// No run calls it.
void gridchange();
