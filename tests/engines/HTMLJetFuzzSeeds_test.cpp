// Replays the fuzz target's seed inputs (and every golden template) in the
// normal test run: each must finish without a crash or a foreign exception.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/engines/HTMLJetTestSupport.h"
#include "tests/engines/fuzz/HTMLJetFuzzTarget.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

TEST(HTMLJetFuzzSeeds, EverySeedRunsThrough) {
  TempRoot root;
  JetSettingsScope settings;
  int inputs = 0;
  for (const fs::path& dir : {GoldenCasesDir().parent_path() / "fuzz", GoldenCasesDir()}) {
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      if (!entry.is_regular_file() || entry.path().filename() == "rows.txt") continue;
      SCOPED_TRACE(entry.path().string());
      EXPECT_NO_THROW(fuzz::RunHTMLJetOnInput(ReadTextFile(entry.path())));
      ++inputs;
    }
  }
  EXPECT_GE(inputs, 20);
}

}  // namespace
}  // namespace tv::test
