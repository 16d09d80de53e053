#pragma once
// Large memory pages for large buffers that are about to be written.

#include <cstddef>

// Asks the system to back the buffer with large pages where it has them: a
// list of millions of notes then costs a few page faults instead of
// thousands, which on some machines cost more than filling the list. Only
// advice: where the system has no such pages nothing changes.
void AdviseLargePages(void* data, std::size_t bytes) noexcept;
