// GetReportVars through the exported name, as a host calls it: 1 000 calls
// of the catalogue (built, rendered, converted to UTF-16, freed by the
// host), timed per call, with the process's resident memory before and
// after the run so that growth shows. Aim: under 2 ms per call.
//
// usage: repvars_bench [path of libtolvaren.so]

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

long ResidentKiB() {
  std::ifstream in("/proc/self/statm");
  long pages = 0, resident = 0;
  in >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : TOLVAREN_LIBRARY;
  void* lib = dlopen(path, RTLD_NOW);
  if (lib == nullptr) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  using GetVars = uint16_t* (*)();
  using WideFree = void (*)(uint16_t*);
  const auto getVars = reinterpret_cast<GetVars>(dlsym(lib, "GetReportVars"));
  const auto wideFree = reinterpret_cast<WideFree>(dlsym(lib, "tv_wide_free"));
  if (getVars == nullptr || wideFree == nullptr) return 1;
  // The first call builds the catalogue's fixed data once per process.
  uint16_t* first = getVars();
  if (first == nullptr) return 1;
  std::size_t units = 0;
  while (first[units] != 0) ++units;
  wideFree(first);
  constexpr int kCalls = 1000;
  const long before = ResidentKiB();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kCalls; ++i) {
    uint16_t* text = getVars();
    if (text == nullptr) return 1;
    wideFree(text);
  }
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("GetReportVars: %zu UTF-16 units, %d calls, %.3f ms per call\n", units, kCalls,
              ms / kCalls);
  std::printf("resident memory: %ld KiB before the calls, %ld KiB after\n", before, ResidentKiB());
  return 0;
}
