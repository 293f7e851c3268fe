// Replays the seed inputs of the fuzz targets under tests/zip/fuzz, so that
// every test run (and the sanitizer build) goes through them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int ZipOpenFuzzOne(const uint8_t* data, size_t size);

namespace {

using FuzzTarget = int (*)(const uint8_t*, size_t);

int ReplaySeeds(const char* folder, FuzzTarget target) {
  std::filesystem::path dir = std::filesystem::path(TOLVAREN_TESTDATA_DIR) / "zip/fuzz" / folder;
  int seeds = 0;
  for (const auto& file : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(file.path(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ++seeds;
    // Every prefix and every single-byte change of a small seed is a
    // damaged archive the readers must survive.
    for (size_t cut = 0; cut <= bytes.size(); ++cut)
      target(reinterpret_cast<const uint8_t*>(bytes.data()), cut);
    for (size_t i = 0; i < bytes.size(); ++i) {
      std::string damaged = bytes;
      damaged[i] = static_cast<char>(damaged[i] ^ 0xFF);
      target(reinterpret_cast<const uint8_t*>(damaged.data()), damaged.size());
    }
  }
  return seeds;
}

TEST(ZipFuzzSeeds, RecordReadersSurviveEverySeedAndItsCuts) {
  EXPECT_GE(ReplaySeeds("records", LLVMFuzzerTestOneInput), 5);
}

TEST(ZipFuzzSeeds, OpeningAndExtractingSurviveEverySeedAndItsCuts) {
  EXPECT_GE(ReplaySeeds("open", ZipOpenFuzzOne), 5);
}

}  // namespace
