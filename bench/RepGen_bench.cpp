// Filling a text form with many rows and reading the report back: the
// time must grow linearly with the rows.
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTOLVAREN_BUILD_BENCH=ON
//   cmake --build build-bench --target repgen_bench && build-bench/bench/repgen_bench

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engines/RepGen.h"
#include "platform/text/Cp1251.h"

namespace tv {
namespace {

constexpr int kColumns = 10;

// A table of ten columns with two slots each: 20 slots a row.
std::string MakeForm() {
  std::string border = "+";
  std::string heading = "|";
  std::string row = "|";
  for (int c = 0; c < kColumns; ++c) {
    border += std::string(17, '-') + "+";
    heading += "Колонка "_w + std::to_string(c) + std::string(c < 10 ? 8 : 7, ' ') + "|";
    row += "~A" + std::to_string(c) + "~ ~B" + std::to_string(c) + "~" + std::string(8, ' ') + "|";
  }
  std::string form = "@Page\r\n" + border + "\r\n" + heading + "\r\n" + border + "\r\n";
  form += "@Group\r\n@Repeat\r\n" + row + "\r\n@EndRepeat\r\n@EndGroup\r\n";
  form += border + "\r\nИтого строк: ~Rows~\r\n@EndPage\r\n"_w;
  return form;
}

class Root {
 public:
  Root() {
    char tmpl[] = "/tmp/tolvaren-bench-XXXXXX";
    path_ = ::mkdtemp(tmpl);
    ::setenv("TOLVAREN_ROOT", path_.c_str(), 1);
    std::filesystem::create_directories(path_ + "/c/TEMP");
    std::filesystem::create_directories(path_ + "/c/FUEL/FORMS/REPORT");
    std::ofstream(path_ + "/c/FUEL/FORMS/REPORT/bench.frm", std::ios::binary) << MakeForm();
  }
  ~Root() { std::filesystem::remove_all(path_); }

 private:
  std::string path_;
};

void BM_FillFormAndReadBack(benchmark::State& state) {
  static Root root;
  const int rows = static_cast<int>(state.range(0));
  std::vector<std::string> names;
  for (int c = 0; c < kColumns; ++c) {
    for (char prefix : {'A', 'B'}) {
      std::string name(1, prefix);
      name += std::to_string(c);
      names.push_back(std::move(name));
    }
  }
  std::size_t bytes = 0;
  for (auto _ : state) {
    {
      TFileRepGen gen("C:\\FUEL\\FORMS\\REPORT\\bench.frm", "C:\\TEMP\\bench.txt", true, 0, 1);
      for (int r = 0; r < rows; ++r) {
        const std::string value = std::to_string(r);
        for (const std::string& name : names) gen.SetVar(name, value);
        gen.PrintRepeat();
      }
      gen.SetVar("Rows", std::to_string(rows));
      gen.EndReport();
    }
    const std::string text = RepGen::ReadFileText("C:\\TEMP\\bench.txt");
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetComplexityN(rows);
}

BENCHMARK(BM_FillFormAndReadBack)
    ->Arg(10000)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace tv

BENCHMARK_MAIN();
