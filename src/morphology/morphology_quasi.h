// The sweeps of the quasi-steady morphology pass that act on BedMove alone
// (morphology_quasi.cpp).
#pragma once

class Log;

namespace quasimorph {

// F 23: the deposit scaled up to FillPart of the water volume W (when it
// is less), the first row evened out (ADFlag 1), ADConvNo spreading sweeps.
void fillAcceleration(Log& log, double W);
// Every open bed cell of row i = 2 takes the row's area-weighted mean.
void evenFirstRow();
// The excess above depth - FillCriteria handed on with the outgoing flow.
void spreadSweep();
// F 28: one smearing sweep of the excesses over the interior neighbours.
void smearSweep();

}  // namespace quasimorph
