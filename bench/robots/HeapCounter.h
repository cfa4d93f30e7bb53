#pragma once

#include <cstdint>

// Heap bytes of the whole process, counted by this program's own malloc, calloc, realloc, the
// aligned allocators and free (each forwards to the C library and notes the block's usable size).
// Every library of the process (Qt included) allocates through them.
namespace heap {

std::int64_t live();
std::int64_t peak();
// Starts a new peak at the current live bytes.
void resetPeak();

} // namespace heap

// The process's resident set from /proc/self/status, in bytes; resetResidentPeak() restarts the
// high-water mark (VmHWM) at the current resident size.
namespace rss {

std::int64_t current();
std::int64_t peak();
bool resetPeak();

} // namespace rss
