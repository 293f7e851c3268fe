#pragma once
// The station host of the report benchmarks: no office reports, the 13
// payment types of a station (codes 0 .. 12) and a statement type with
// code 104, then InitReports.

#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>

#include <benchmark/benchmark.h>

#include "platform/text/Cp1251.h"
#include "bench/BenchStation.h"
#include "platform/data/Variant.h"
#include "platform/os/Files.h"
#include "tests/library/TestHost.h"

namespace bench {

// False, with the reply's text as the benchmark's error, when a request did
// not make its report.
inline bool Made(benchmark::State& state, const tv::test::TestHost::Reply& reply) {
  using namespace tv::literals;
  if (reply.Result == TV_REPORT_TRUE && reply.Text.find("Ошибка"_w) == std::string::npos) return true;
  state.SkipWithError(tv::Cp1251ToUtf8(reply.Text.substr(0, 300)).c_str());
  return false;
}

// The host of the close-of-shift benchmarks (host questions 0, 8 and 9),
// then InitReports.
inline void InitShiftHost(tv::test::TestHost& host) {
  using tv::Variant;
  host.Set(0, Variant(1));
  host.Set(8, Variant(false));
  host.Set(9, Variant(2));
  if (host.Init() != 1) std::abort();
}

inline void InitStationHost(tv::test::TestHost& host) {
  using tv::Variant;
  host.Set(8, Variant(false));
  const int n = 14;
  Variant names = tv::VarArrayCreate({0, n - 1}, tv::VarType::Variant);
  Variant list = tv::VarArrayCreate({0, n - 1, 0, 1}, tv::VarType::Variant);
  for (int i = 0; i < n; ++i) {
    names[i] = Variant(std::string(i == 13 ? "Statement 104" : "Payment type"));
    list.At(i, 0) = Variant(i == 13 ? 104 : i);
    list.At(i, 1) = Variant(0);
  }
  host.Set(23, names);
  host.Set(57, list);
  if (host.Init() != 1) std::abort();
}

// The HTML version as the host receives it ('7'), read in the library's
// buffer without a copy of the bench's own: its peak, size and hash.
// TOLVAREN_BENCH_HTML names a file for the document, to compare runs (its
// head carries the time of the run).
struct THandOver {
  double PeakMiB = 0;
  std::size_t Bytes = 0, Hash = 0;
};

inline THandOver HandOverHtml(tv::test::TestLibrary& lib) {
  ResetPeakRss();
  TVVariant none{};
  TVText html{};
  if (lib.GetReportsInStringEx('7', &none, &html) != TV_REPORT_TRUE) std::abort();
  THandOver result;
  result.PeakMiB = PhasePeakRssMiB();
  const std::string_view text(html.data, html.length);
  result.Bytes = text.size();
  result.Hash = std::hash<std::string_view>{}(text);
  if (const char* file = std::getenv("TOLVAREN_BENCH_HTML")) tv::WriteFileBytes(file, text);
  lib.TextFree(&html);
  return result;
}

}  // namespace bench
