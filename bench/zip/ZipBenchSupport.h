#pragma once
// What both ZIP benchmarks share: a deterministic corpus of mixed text and
// binary files, a stopwatch and a shell call.

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

namespace zipbench {

namespace fs = std::filesystem;

inline void MakeCorpus(const std::string& dir, int megabytes) {
  fs::create_directories(dir);
  std::mt19937_64 random(7);
  int64_t left = int64_t{megabytes} << 20;
  for (int n = 0; left > 0; ++n) {
    std::string data;
    int64_t size = std::min<int64_t>(left, (n % 3 == 0 ? 8 : 2) << 20);
    data.reserve(static_cast<size_t>(size));
    if (n % 4 == 3) {
      while (static_cast<int64_t>(data.size()) < size) {
        uint64_t v = random();
        data.append(reinterpret_cast<const char*>(&v), 8);
      }
    } else {
      while (static_cast<int64_t>(data.size()) < size)
        data += "row " + std::to_string(random() % 100000) + ";station " +
                std::to_string(random() % 40) + ";fuel AI-95;volume " +
                std::to_string(random() % 10000) + "." + std::to_string(random() % 100) + "\r\n";
    }
    data.resize(static_cast<size_t>(size));
    std::ofstream(dir + "/part" + std::to_string(n) + (n % 4 == 3 ? ".bin" : ".txt"),
                  std::ios::binary)
        << data;
    left -= size;
  }
}

inline double Seconds(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline int Run(const std::string& command) { return std::system(command.c_str()); }

}  // namespace zipbench
