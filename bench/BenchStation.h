#pragma once
// What every report benchmark sets up under its root folder: the log
// folder, a cnf.ini with the given [Reports] limits and a closed shift in
// the registry; and the process's peak resident memory for the counters.

#include <malloc.h>
#include <sys/resource.h>

#include <chrono>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/os/Files.h"
#include "platform/os/Registry.h"

namespace bench {

inline void PrepareStationRoot(const std::string& root, int maxSizeMb = 500, int maxRows = 1000000) {
  std::filesystem::create_directories(root + "/c/WINDOWS");
  std::filesystem::create_directories(root + "/c/FUEL/LogFiles");
  tv::WriteFileBytes(root + "/c/WINDOWS/cnf.ini", "[Reports]\r\nMaxSize=" + std::to_string(maxSizeMb) +
                                                     "\r\nMaxRows=" + std::to_string(maxRows) + "\r\n");
  tv::TRegistry reg;
  if (!reg.OpenKey("SOFTWARE\\Halvorsk\\AZS", true)) std::abort();
  reg.WriteInteger("IsSmenaOpen", 0);
}

// $TOLVAREN_BENCH_ROOT/<sub>, else <build folder>/<fallback>.
inline std::string BenchRoot(const std::string& sub, const std::string& buildFolder,
                             const std::string& fallback) {
  const char* root = std::getenv("TOLVAREN_BENCH_ROOT");
  return root != nullptr ? std::string(root) + "/" + sub : buildFolder + "/" + fallback;
}

inline double PeakRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

// Peak resident memory since the last ResetPeakRss (VmHWM), so that a
// fetch and the report run after it in one process get a peak each.
inline double PhasePeakRssMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
  return PeakRssMiB();
}

// Starts a new phase for PhasePeakRssMiB: the kernel sets the high-water
// mark back to the present resident size.
inline void ResetPeakRss() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

inline double MsSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// One phase of a benchmark (a fetch, or the report after it): its peak
// resident memory and its mean time per iteration, kept so that the next
// phase can print them beside its own. Memory freed by an earlier phase is
// handed back first, so that it does not count in this one.
struct TPhase {
  double PeakMiB = 0;
  double MeanMs = 0;
  int Runs = 0;
  std::chrono::steady_clock::time_point Started;

  void Begin() {
    malloc_trim(0);
    ResetPeakRss();
    PeakMiB = MeanMs = 0;
    Runs = 0;
  }
  void StartRun() { Started = std::chrono::steady_clock::now(); }
  void EndRun() {
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Started).count();
    MeanMs = (MeanMs * Runs + ms) / (Runs + 1);
    ++Runs;
  }
  void End() { PeakMiB = PhasePeakRssMiB(); }
};

}  // namespace bench
