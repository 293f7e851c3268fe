#include "tests/support/ProcessUsage.h"

#include <dirent.h>
#include <unistd.h>

#include <fstream>

namespace tv::test {

int OpenDescriptors() {
  DIR* d = ::opendir("/proc/self/fd");
  if (d == nullptr) return -1;
  int count = 0;
  while (const dirent* e = ::readdir(d))
    if (e->d_name[0] != '.') ++count;
  ::closedir(d);
  return count - 1;
}

std::size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::size_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace tv::test
