#pragma once
// The runtime's date-time: a double counting days from 30.12.1899, the
// fraction being the time of day. For negative values the fraction still
// counts forward from midnight: -1.25 is 29.12.1899 06:00.
//
// FormatDateTime pictures (letters ignore case):
//   d dd ddd dddd  day, two-digit day, short and long day name
//   ddddd dddddd   the short and the long date format of the settings
//   m mm mmm mmmm  month, two-digit month, short and long month name;
//                  m right after an h or hh means minutes
//   yy yyyy        two- and four-digit year (one or two y: two digits)
//   h hh n nn s ss hour, minute, second, one or two digits
//   z zzz          milliseconds, one or three digits ("zzzz" is three)
//   t tt           short and long time format; c = short date, then the
//                  long time unless the time is 00:00:00
//   am/pm a/p      12-hour clock with that text; ampm uses the settings'
//                  AM/PM strings; aaa aaaa short and long day name
//   / :            the settings' date and time separators
//   "..." '...'    literal text; any other character stands for itself
// An empty picture means "c". Pictures inside pictures (c, t, ddddd)
// nest at most two levels deep.
//
// Parsing (StrToDate and friends) follows the order of the short date
// format (day-month-year here), numbers separated by the date separator,
// the year optional (this year) and two-digit years within 50 years back
// of the current year; a time is h[:n[:s[<decimal separator>ms]]] with an
// optional am/pm. Failures raise EConvertError "'<text>' is not a valid
// date" (time, date and time).

#include <string>
#include <string_view>

#include "platform/text/FormatSettings.h"

namespace tv {

using TDateTime = double;

constexpr double kMSecsPerDay = 86400000.0;

// EConvertError "Invalid argument to date encode" / "... time encode".
TDateTime EncodeDate(int y, int m, int d);
TDateTime EncodeTime(int h, int n, int s, int ms);
bool TryEncodeDate(int y, int m, int d, TDateTime& out);
bool TryEncodeTime(int h, int n, int s, int ms, TDateTime& out);
TDateTime EncodeDateTime(int y, int m, int d, int h, int n, int s, int ms);

void DecodeDate(TDateTime v, int& y, int& m, int& d);
void DecodeTime(TDateTime v, int& h, int& n, int& s, int& ms);
bool IsLeapYear(int y);
int DaysInMonth(int y, int m);

// The clock of the whole library: local time, milliseconds included; Date()
// is today at 00:00, Time() the time of day only. When the environment
// variable TOLVAREN_NOW holds a time "yyyy-mm-dd hh:nn:ss" the clock stands
// at that time instead (tests and demos with stable output); a value that
// does not read as such a time is ignored.
TDateTime Now();
TDateTime Date();
TDateTime Time();
int DayOfWeek(TDateTime v);  // 1 = Sunday .. 7 = Saturday

std::string FormatDateTime(std::string_view fmt, TDateTime v,
                           const TFormatSettings& fs = DefaultFormatSettings());
std::string DateToStr(TDateTime v, const TFormatSettings& fs = DefaultFormatSettings());
std::string TimeToStr(TDateTime v, const TFormatSettings& fs = DefaultFormatSettings());
std::string DateTimeToStr(TDateTime v, const TFormatSettings& fs = DefaultFormatSettings());

TDateTime StrToDate(std::string_view s, const TFormatSettings& fs = DefaultFormatSettings());
TDateTime StrToTime(std::string_view s, const TFormatSettings& fs = DefaultFormatSettings());
TDateTime StrToDateTime(std::string_view s, const TFormatSettings& fs = DefaultFormatSettings());
bool TryStrToDate(std::string_view s, TDateTime& out,
                  const TFormatSettings& fs = DefaultFormatSettings());
bool TryStrToTime(std::string_view s, TDateTime& out,
                  const TFormatSettings& fs = DefaultFormatSettings());
bool TryStrToDateTime(std::string_view s, TDateTime& out,
                      const TFormatSettings& fs = DefaultFormatSettings());

}  // namespace tv
