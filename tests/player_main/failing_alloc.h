// Allocation failures on demand for this test program: operator new is replaced by one that
// allocates as the library's does, and fails once when asked to.
#pragma once

#include <cstddef>

namespace failingalloc {

// The next allocation of exactly size bytes made by the calling thread throws std::bad_alloc.
void FailNextOnThisThread(size_t size);
// Whether the failure asked for has happened; Disarm forgets it (and one not yet made).
bool HasFailed();
void Disarm();

}  // namespace failingalloc
