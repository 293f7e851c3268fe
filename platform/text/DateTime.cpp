#include "platform/text/DateTime.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/Exceptions.h"
#include "platform/RtlMath.h"

namespace tv {
namespace {

// Days from 01.01.0001 (day 1) to 30.12.1899.
constexpr int kDateDelta = 693594;
constexpr int64_t kMSecsPerDayInt = 86400000;

// Date as days since 01.01.0001 (1-based) and time as milliseconds of the
// day: the runtime's split, with the time counted forward even for
// negative values.
struct TimeStamp {
  int64_t date;
  int64_t time;
};

TimeStamp ToTimeStamp(TDateTime v) {
  int64_t ms = Round(static_cast<long double>(v) * kMSecsPerDay);
  return {kDateDelta + ms / kMSecsPerDayInt, (ms < 0 ? -ms : ms) % kMSecsPerDayInt};
}

const int kDaysBefore[2][13] = {{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
                                {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

void DecodeDays(int64_t days, int& y, int& m, int& d) {
  if (days <= 0) {
    y = m = d = 0;
    return;
  }
  int64_t t = days - 1;
  int64_t year = 1 + 400 * (t / 146097);
  t %= 146097;
  int64_t centuries = t / 36524;
  if (centuries == 4) centuries = 3;
  t -= centuries * 36524;
  year += centuries * 100 + 4 * (t / 1461);
  t %= 1461;
  int64_t years = t / 365;
  if (years == 4) years = 3;
  t -= years * 365;
  year += years;
  y = static_cast<int>(year);
  const int* table = kDaysBefore[IsLeapYear(y) ? 1 : 0];
  m = 1;
  while (t >= table[m]) ++m;
  d = static_cast<int>(t - table[m - 1]) + 1;
}

}  // namespace

bool IsLeapYear(int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

int DaysInMonth(int y, int m) {
  const int* table = kDaysBefore[IsLeapYear(y) ? 1 : 0];
  return table[m] - table[m - 1];
}

bool TryEncodeDate(int y, int m, int d, TDateTime& out) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
  int64_t i = y - 1;
  int64_t days =
      i * 365 + i / 4 - i / 100 + i / 400 + kDaysBefore[IsLeapYear(y) ? 1 : 0][m - 1] + d;
  out = static_cast<TDateTime>(days - kDateDelta);
  return true;
}

bool TryEncodeTime(int h, int n, int s, int ms, TDateTime& out) {
  if (h < 0 || h > 23 || n < 0 || n > 59 || s < 0 || s > 59 || ms < 0 || ms > 999) return false;
  out = (h * 3600000.0 + n * 60000.0 + s * 1000.0 + ms) / kMSecsPerDay;
  return true;
}

TDateTime EncodeDate(int y, int m, int d) {
  TDateTime v;
  if (!TryEncodeDate(y, m, d, v)) throw EConvertError("Invalid argument to date encode");
  return v;
}

TDateTime EncodeTime(int h, int n, int s, int ms) {
  TDateTime v;
  if (!TryEncodeTime(h, n, s, ms, v)) throw EConvertError("Invalid argument to time encode");
  return v;
}

TDateTime EncodeDateTime(int y, int m, int d, int h, int n, int s, int ms) {
  TDateTime date = EncodeDate(y, m, d);
  TDateTime time = EncodeTime(h, n, s, ms);
  return date >= 0 ? date + time : date - time;
}

void DecodeDate(TDateTime v, int& y, int& m, int& d) { DecodeDays(ToTimeStamp(v).date, y, m, d); }

void DecodeTime(TDateTime v, int& h, int& n, int& s, int& ms) {
  int64_t t = ToTimeStamp(v).time;
  h = static_cast<int>(t / 3600000);
  n = static_cast<int>(t / 60000 % 60);
  s = static_cast<int>(t / 1000 % 60);
  ms = static_cast<int>(t % 1000);
}

int DayOfWeek(TDateTime v) {
  int64_t date = ToTimeStamp(v).date;
  int64_t r = date % 7;
  if (r < 0) r += 7;
  return static_cast<int>(r) + 1;
}

namespace {

// TOLVAREN_NOW as a time, when it holds a valid "yyyy-mm-dd hh:nn:ss".
bool FixedNow(TDateTime& out) {
  const char* text = std::getenv("TOLVAREN_NOW");
  if (text == nullptr) return false;
  int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, used = 0;
  if (std::sscanf(text, "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &m, &d, &h, &n, &s, &used) != 6 ||
      text[used] != '\0')
    return false;
  TDateTime date = 0, time = 0;
  if (!TryEncodeDate(y, m, d, date) || !TryEncodeTime(h, n, s, 0, time)) return false;
  out = date + time;
  return true;
}

}  // namespace

TDateTime Now() {
  TDateTime fixed = 0;
  if (FixedNow(fixed)) return fixed;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                    static_cast<int>(ts.tv_nsec / 1000000));
}

TDateTime Date() { return std::floor(Now()); }

TDateTime Time() {
  TDateTime now = Now();
  return now - std::floor(now);
}

}  // namespace tv
