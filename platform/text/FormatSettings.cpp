#include "platform/text/FormatSettings.h"

#include "platform/text/Cp1251.h"

namespace tv {
namespace {

TFormatSettings MakeRussian() {
  TFormatSettings fs;
  fs.DecimalSeparator = ',';
  fs.ThousandSeparator = '\xA0';
  fs.DateSeparator = '.';
  fs.TimeSeparator = ':';
  fs.ShortDateFormat = "dd.mm.yyyy";
  fs.LongDateFormat = "d mmmm yyyy 'г.'"_w;
  fs.ShortTimeFormat = "h:mm";
  fs.LongTimeFormat = "h:mm:ss";
  fs.CurrencyString = "р."_w;
  fs.CurrencyFormat = 3;
  fs.NegCurrFormat = 8;
  fs.CurrencyDecimals = 2;
  fs.LongMonthNames = {"Январь"_w, "Февраль"_w, "Март"_w,     "Апрель"_w,  "Май"_w,    "Июнь"_w,
                       "Июль"_w,   "Август"_w,  "Сентябрь"_w, "Октябрь"_w, "Ноябрь"_w, "Декабрь"_w};
  fs.ShortMonthNames = {"янв"_w, "фев"_w, "мар"_w, "апр"_w, "май"_w, "июн"_w,
                        "июл"_w, "авг"_w, "сен"_w, "окт"_w, "ноя"_w, "дек"_w};
  fs.LongDayNames = {"воскресенье"_w, "понедельник"_w, "вторник"_w, "среда"_w,
                     "четверг"_w,     "пятница"_w,     "суббота"_w};
  fs.ShortDayNames = {"Вс"_w, "Пн"_w, "Вт"_w, "Ср"_w, "Чт"_w, "Пт"_w, "Сб"_w};
  return fs;
}

}  // namespace

const TFormatSettings& DefaultFormatSettings() {
  static const TFormatSettings settings = MakeRussian();
  return settings;
}

}  // namespace tv
