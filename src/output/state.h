// State owned by the result output.
#pragma once

#include "output/output.h"

// Writers: resetEngine (the real writers); tests put doubles in.
extern OutputWriters outputWriters;
