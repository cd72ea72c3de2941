// TQCAL_ASSERT(condition): a precondition of an internal routine that its
// callers guarantee. The exports refuse a block whose tops or counters a
// host has damaged (consistency.h), so inside the engine a failing
// condition is a fault of the engine's own. A debug build (NDEBUG not
// defined; the sanitizer builds are debug builds) stops there; a release
// build compiles the check to nothing, so it costs the device nothing.
#pragma once

#include <cassert>

#define TQCAL_ASSERT(condition) assert(condition)
