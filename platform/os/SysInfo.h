#pragma once
// Process facts and timing in the Windows shape: the 32-bit millisecond tick
// counter (wraps after 49.7 days; compute differences in uint32_t), process
// and thread ids, and Sleep.

#include <cstdint>

namespace tv {

// Milliseconds since boot, truncated to 32 bits (sleep time included).
uint32_t GetTickCount();
uint32_t GetCurrentProcessId();
// The kernel's thread id (unique machine-wide while the thread lives).
uint32_t GetCurrentThreadId();
void Sleep(uint32_t ms);

}  // namespace tv
