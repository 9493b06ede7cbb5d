// The allocator of the field arrays. The field arrays themselves are declared
// by their owners, each in its folder's state.h; the allocator creates them in
// one fixed order. Declared here because the reader of `control` allocates
// between its two passes; defined in run/engine.cpp, the one place that walks
// every owner's list, and built into the state library that every folder
// links (see CMakeLists.txt).
#pragma once

#include <cstdint>

#include "control/fieldarray.h"

// Number of the field arrays that the allocator creates (the F entries of the
// owners' lists).
constexpr int kFieldArrayCount = 147;

// ---------------------------------------------------------------------------
// Allocator.
// ---------------------------------------------------------------------------
// Sets every field-array pointer to null (releasing blocks of an earlier start).
void SetArraysZero();
// Creates every array whose pointer is null and whose condition holds.
// 0 on success, -1 when `boogie` cannot be opened or an allocation fails.
int sialloc();
// Visits every field array of the owners' lists (name, handle).
void forEachFieldArray(void (*visit)(const char* name, FieldArrayBase& array, void* ctx), void* ctx);
