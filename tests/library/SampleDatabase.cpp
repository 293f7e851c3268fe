#include "tests/library/SampleDatabase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/FirebirdTest.h"
#include "tests/support/TempRoot.h"

namespace tv::test {

namespace {

std::string folder;

void RemoveFolder() {
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

}  // namespace

const std::string& SampleStationDatabase() {
  static const std::string path = [] {
    UseFirebirdTestEngine();
    std::string tmpl =
        (std::filesystem::temp_directory_path() / "tolvaren-sampledb-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder = tmpl;
    std::atexit(RemoveFolder);
    int rc = 0;
    const std::string out = RunCommand(
        std::string(TOLVAREN_SOURCE_DIR) + "/db/create-sample-db --root '" + folder + "' 2>&1",
        &rc);
    if (rc != 0) throw std::runtime_error("db/create-sample-db failed: " + out);
    return folder + "/c/FUEL/DB/Velmar.FDB";
  }();
  return path;
}

void InstallSampleStationDatabase(const TempRoot& root) {
  const std::filesystem::path target = std::filesystem::path(root.Path()) / "c/FUEL/DB/Velmar.FDB";
  std::filesystem::create_directories(target.parent_path());
  std::filesystem::copy_file(SampleStationDatabase(), target,
                             std::filesystem::copy_options::overwrite_existing);
}

}  // namespace tv::test
