// Fuzz target of opening an archive and extracting its first entry: the
// directory reading with its recovery paths, the data path and every
// decoder. Built as a libFuzzer program with clang (TOLVAREN_ZIP_FUZZ) and,
// in every test run, replayed over its seed inputs.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "zip/ZipMessages.h"
#include "zip/ZipReader.h"

namespace {

std::string ScratchFolder() {
  static std::string folder;
  if (folder.empty()) {
    char name[] = "/tmp/zipopenfuzzXXXXXX";
    folder = ::mkdtemp(name) != nullptr ? name : "/tmp";
  }
  return folder;
}

}  // namespace

extern "C" int ZipOpenFuzzOne(const uint8_t* data, size_t size) {
  using namespace tv::zip;
  std::string folder = ScratchFolder();
  std::string archive = folder + "/in.zip";
  std::string out = folder + "/out";
  std::ofstream(archive, std::ios::binary).write(reinterpret_cast<const char*>(data),
                                                 static_cast<std::streamsize>(size));
  try {
    TZipReader reader;
    reader.DoProcessMessages = false;
    reader.IncompleteZipMode = size % 2 == 0 ? izAssumeBad : izAssumeMulti;
    reader.RecreateDirs = true;
    reader.OverwriteMode = Always;
    reader.DoAll = true;
    reader.Password = "pw";
    reader.SetZipName(archive);
    reader.SetDestDir(out);
    reader.OnStartUnZip = [](TZipReader&, int32_t index, std::string&, bool& skip) {
      skip = index != 0;
    };
    reader.UnZip();
  } catch (const tv::Exception&) {
    // Every failure of a damaged archive is one of the component's
    // exceptions; anything else escapes and stops the fuzzer.
  }
  std::error_code ec;
  std::filesystem::remove_all(out, ec);
  return 0;
}

#ifdef TOLVAREN_ZIP_FUZZ_MAIN
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return ZipOpenFuzzOne(data, size);
}
#endif
