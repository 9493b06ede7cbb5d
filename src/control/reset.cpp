#include "control/reset.h"

#include "control/engine.h"
#include "control/log.h"

void resetEngine() {
    clearRegionFault();
    SetArraysZero();
}
