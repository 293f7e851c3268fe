// Engines on several threads at once: each engine is its own, and the
// process-wide replacement and variable lists are read by every Init while
// another thread keeps changing them under their lock.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engines/HTMLJet.h"
#include "platform/text/Cp1251.h"
#include "tests/engines/HTMLJetTestSupport.h"
#include "tests/support/TempRoot.h"

namespace tv::test {
namespace {

TEST(HTMLJetThreads, EightEnginesAtOnceGiveTheGoldenDocuments) {
  TempRoot root;
  JetSettingsScope settings;
  GlobalListsScope lists;
  const std::vector<std::string> cases = {"statement", "column_repeat",
                                          "inner_group_two_row_records", "outer_group_thead"};
  std::vector<std::string> expected;
  for (const std::string& name : cases) {
    GoldenRun(GoldenCasesDir() / name).InstallTemplates();
    expected.push_back(ReadTextFile(GoldenCasesDir() / name / "expected.html"));
  }

  std::atomic<bool> stop{false};
  std::thread writer([&] {
    // Names that no template uses: the documents must not change.
    for (int i = 0; !stop; ++i) {
      HTMLJet::SetGlobalVar("unused" + std::to_string(i % 7), std::to_string(i));
      HTMLJet::AddReplacement("[#unused" + std::to_string(i % 5) + "]", i % 2 ? "x" : "");
    }
  });
  std::atomic<int> mismatches{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < 8; ++t) {
    workers.emplace_back([&, t] {
      for (int round = 0; round < 12; ++round) {
        const std::size_t k = (t + round) % cases.size();
        GoldenRun run(GoldenCasesDir() / cases[k]);
        run.RunScript();
        if (!run.Ready()) run.MakeReady();
        if (ToUtf8Lf(run.Output()) != expected[k]) ++mismatches;
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  stop = true;
  writer.join();
  EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
}  // namespace tv::test
