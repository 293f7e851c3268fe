// libFuzzer entry for THTML_Jet::Init and the filling that follows.
// Build (clang):
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug \
//     -DTOLVAREN_BUILD_FUZZ=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address
//   cmake --build build-fuzz --target html_jet_fuzz
//   build-fuzz/tests/engines/html_jet_fuzz -max_total_time=300 <corpus dir> \
//     tests/data/engines/html/fuzz
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/engines/fuzz/HTMLJetFuzzTarget.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Include loops write a debug copy under the root: keep it in a scratch
  // folder of the fuzz run.
  std::string root = (std::filesystem::temp_directory_path() / "tolvaren-fuzz-XXXXXX").string();
  if (::mkdtemp(root.data()) != nullptr) ::setenv("TOLVAREN_ROOT", root.c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tv::fuzz::RunHTMLJetOnInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
