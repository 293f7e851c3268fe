#include "foundation/ReportUtils.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <limits>

#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/RtlMath.h"

namespace tv {
namespace {

static_assert(std::numeric_limits<long double>::digits == 64,
              "RoundTo needs the 80-bit extended type of x86");

// A little more than a half, so that amounts stored a hair below the half in
// binary (2.675 is 2.67499999999999982...) still round up.
constexpr long double kHalfUp = 0.5000000001L;

// Cut toward zero to a 64-bit integer (EInvalidOp beyond its range).
long double TruncTo64(long double v) { return static_cast<long double>(Trunc(v)); }

// The rounding of a non-negative value. Each step is a separate extended
// operation; a single power of ten would round differently in the last bit.
long double RoundNonNegative(int8_t n, long double x) {
  if (n > 0) {
    for (int i = 0; i < n; ++i) x = x * 10.0L;
    long double r = TruncTo64(x + kHalfUp);
    for (int i = 0; i < n; ++i) r = r / 10.0L;
    return r;
  }
  if (n < 0) {
    for (int i = 0; i < -n; ++i) x = x / 10.0L;
    long double r = TruncTo64(x + kHalfUp);
    for (int i = 0; i < -n; ++i) r = r * 10.0L;
    return r;
  }
  return TruncTo64(x + kHalfUp);
}

bool IsHeadStop(char c) {
  return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ' || c == ';';
}

bool IsTailStop(char c) {
  return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ' || c == '-';
}

}  // namespace

std::string GetTempFileNameXM() { return GetTempFileName(GetTempDir(), "XM"); }

void RemoveStaleTempFilesXM() {
  namespace fs = std::filesystem;
  const auto limit = fs::file_time_type::clock::now() - std::chrono::hours(24);
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(MapPath(GetTempDir()), ec)) {
    const std::string name = entry.path().filename().string();
    // Exactly the names GetTempFileNameXM makes: "XM", hex digits, ".tmp".
    if (name.size() < 7 || name.size() > 14 || name.compare(0, 2, "XM") != 0 ||
        name.compare(name.size() - 4, 4, ".tmp") != 0 ||
        name.find_first_not_of("0123456789ABCDEF", 2) != name.size() - 4)
      continue;
    if (entry.is_regular_file(ec) && entry.last_write_time(ec) < limit && !ec)
      fs::remove(entry.path(), ec);
  }
}

long double RoundTo(int8_t n, long double x) {
  // Adding the half and cutting toward zero is only right for x >= 0; a
  // negative amount (a shortage, a difference) rounds as its mirror image.
  if (x < 0) {
    long double r = RoundNonNegative(n, -x);
    return r == 0 ? 0.0L : -r;
  }
  return RoundNonNegative(n, x);
}

std::string HeadUntil(std::string_view s) {
  if (s.empty()) return {};
  std::size_t end = 1;
  while (end < s.size() && !IsHeadStop(s[end])) ++end;
  return std::string(s.substr(0, end));
}

std::string TailFrom(std::string_view s) {
  if (s.empty()) return {};
  std::size_t begin = s.size() - 1;
  while (begin > 0 && !IsTailStop(s[begin - 1])) --begin;
  return std::string(s.substr(begin));
}

}  // namespace tv
