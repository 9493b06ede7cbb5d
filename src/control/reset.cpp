#include "control/reset.h"

#include "control/engine.h"
#include "control/log.h"
#include "output/state.h"

void resetEngine() {
    clearRegionFault();
    SetArraysZero();
    outputWriters = defaultOutputWriters();
}
