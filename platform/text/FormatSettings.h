#pragma once
// Number, currency and date-time conventions of a locale: the record that
// every formatting and parsing routine of the library takes.
//
// The process default is that of a Russian Windows installation, defined in
// DefaultFormatSettings() and nowhere else:
//   decimal ','  thousands 0xA0 (no-break space)  date '.'  time ':'
//   short date "dd.mm.yyyy"  long date "d mmmm yyyy 'г.'"
//   short time "h:mm"  long time "h:mm:ss" (hours without a leading zero)
//   currency "р." after the number with a blank ("1 р."), negative "-1 р.",
//   two decimals; month names nominative and capitalised ("Январь"), short
//   month names "янв".."дек", day names "воскресенье".., short "Вс"..;
//   AM/PM strings empty, as that locale has none.
// Copies of the record with a few fields changed serve as the other
// settings records (INI, database, logger, report).

#include <array>
#include <cstdint>
#include <string>

namespace tv {

struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat, LongDateFormat, ShortTimeFormat, LongTimeFormat;
  std::string CurrencyString;
  uint8_t CurrencyFormat = 0;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  uint8_t NegCurrFormat = 0;   // 0..15, the Windows negative currency layouts
  uint8_t CurrencyDecimals = 2;
  std::array<std::string, 12> ShortMonthNames, LongMonthNames;
  std::array<std::string, 7> ShortDayNames, LongDayNames;  // [0] = Sunday
  std::string TimeAMString, TimePMString;
};

// The process default (Russian Windows); built once, never changed.
const TFormatSettings& DefaultFormatSettings();

}  // namespace tv
