// The total-load and bed-load transport formulas, one row per formula keyed
// by its letter (F 10), and the depth integral of velocity times the relative
// concentration profile that turns a transport rate into a bed reference
// concentration.
#pragma once

namespace transport {

// What a formula reads of a column.
struct Column {
    double s;      // relative density of the sediment
    double d;      // grain diameter (m)
    double w;      // fall velocity (m/s)
    double tb;     // bed shear stress (N/m2), > 0
    double ustar;  // shear velocity sqrt(tb / 1000)
    double h;      // water depth (m), > 0
    double Ubar;   // depth-mean speed (m/s)
    double S;      // energy slope tb / (rho g h)
    double theta;  // Shields number
    double tc;     // critical shear stress (N/m2)
};

// A formula's figure Q as it gives it, and the transport rate per unit width
// (kg/(m s)) that the profile must carry.
struct Figure {
    double Q;
    double rate;
    bool outsideRange;  // the formula was used outside its range (logged)
};

struct Formula {
    char letter;
    const char* name;
    bool needsExcessShear;   // 0 at and below the critical shear
    bool perBedCellFlux;     // divided by the bed cell's flux instead of the depth integral
    double reportAbove;      // concentrations above this are reported (not capped)
    const char* outsideText; // the log line of outsideRange, or nullptr
    Figure (*figure)(const Column&);
};

// The row of the letter; nullptr for a letter that is no formula of this table.
const Formula* formula(char letter);

// Ackers and White's dimensionless grain diameter.
double ackersWhiteDgr(double s, double d);

// Depth integral (m2/s) of speed times the relative concentration of a
// Rouse profile anchored at the bed cell: the bed cell contributes
// |U| 2 dz[2]; cell k = 3..top a log-law speed (0 where 30 z < ks) times the
// Rouse ratio at its centre. dz[k] the half cell heights, speedBed the bed
// cell's speed, a the reference level, Z the Rouse number.
double depthIntegral(const double* dz, int top, double speedBed, double ustar, double ks, double a, double Z);

}  // namespace transport
