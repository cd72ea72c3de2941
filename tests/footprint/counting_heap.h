// Counts calls of the C allocator and of operator new and delete while a
// measured region is open. The test executable defines malloc, calloc,
// realloc, free and every form of operator new and delete itself; the
// dynamic linker binds the engine's library to these definitions as well,
// so an allocation anywhere in the engine (or in anything it calls) counts.
#pragma once

namespace counting_heap {

// Opens the measured region: the counters start from zero.
void Begin();
// Closes it and returns how many allocator calls it saw.
long End();

}  // namespace counting_heap
