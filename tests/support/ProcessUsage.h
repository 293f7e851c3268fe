#pragma once
// What this process holds right now, read from /proc: open descriptors and
// resident memory. The endurance tests and the benchmarks compare them over
// many requests.

#include <cstddef>

namespace tv::test {

// The entries of /proc/self/fd (the listing's own descriptor not counted).
int OpenDescriptors();
// Resident set size in bytes (/proc/self/statm).
std::size_t ResidentBytes();

}  // namespace tv::test
