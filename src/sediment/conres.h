// The sediment restart files: conres.new and fracres.new (or, in a run with
// water-quality components, compres.new) written at the end of a morphology
// run; conres, fracres and compres.pre read back by the sediment
// initialisation. Text files, one cell or column per line with its indices.
#pragma once

// Writes conres.new and fracres.new (NoComponents 0) or compres.new (else).
// 0 when every file was written whole; 1 when one could not be opened or
// written, with its status text in mc_message. Ends nothing: the caller logs
// logConResWritten(result) and ends the run after its other end steps.
int writeConRes();

// The caller's log line for the result of writeConRes: "Have written
// conres.t file " or "Could not write conres.t file " (compres.t in a run
// with water-quality components).
void logConResWritten(int result);

// Reads conres, fracres and compres.pre where they exist. Returns 0 when
// compres.pre does not exist, 4 when it was read, 88 when fracres names a
// column outside the grid (the rest of fracres and compres.pre unread).
// `stored`, when given, receives the number of entries of conres and
// fracres that were stored.
int readConRes(long* stored = nullptr);
