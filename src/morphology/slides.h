// The sand-slide step of the bed-level update and its pieces: each works on
// the target bed levels zval[..][..][0] and the node columns.
#pragma once

namespace slides {

// Sum of the plan areas of the open bed cells among the four cells around
// node (a, b): (a, b), (a + 1, b), (a, b + 1), (a + 1, b + 1).
double nodeOpenArea(int a, int b);
// The top index of the re-stretch of node column (i, j): LowerFixedLevel
// with G 23 boxes, znumber without.
int fixedTop(int i, int j);
// Moves the target of node column (i, j) by d and the nodes 1..T-1 in
// proportion to their height below the top index T (the bed node by d).
void shiftColumn(int i, int j, double d);
// One pass along i and one along j over every neighbouring node pair,
// limiting each level difference to AngleAvalanche times the line length.
void pairwiseSweep();
// Turns the bed plane of cell (i, j) to the normal z component c about the
// cell centre, writing the four corner targets.
void rotateCell(int i, int j, double c);
// The plane methods 200 and 201 (IterAvalanche).
void planeMethod(int method);

// The slide step of the bed-level update, chosen by IterAvalanche,
// FlagSlideDLL and QZfunc.
void sandSlides();

}  // namespace slides

// Slides against the near-bed flow direction (QZfunc > 0): IterAvalanche
// sweeps turning each cell steeper than its critical angle to 2 degrees
// below it.
void computeSlide1Vrem();
