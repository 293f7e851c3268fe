#include "platform/text/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

TDateTime At(int y, int m, int d, int h = 0, int n = 0, int s = 0, int ms = 0) {
  return EncodeDateTime(y, m, d, h, n, s, ms);
}

TEST(DateTime, EncodeCountsDaysFrom18991230) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(2012, 5, 31), 41060);
  EXPECT_EQ(EncodeDate(2011, 12, 31), 40908);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
  for (auto [y, m, d] : {std::tuple{1900, 2, 29},
                         {2001, 2, 29},
                         {2012, 13, 1},
                         {2012, 4, 31},
                         {0, 1, 1},
                         {10000, 1, 1},
                         {2012, 1, 0}}) {
    TDateTime v;
    EXPECT_FALSE(TryEncodeDate(y, m, d, v)) << y << "-" << m << "-" << d;
  }
  try {
    EncodeDate(2001, 2, 29);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to date encode");
  }
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
}

// Python's proleptic Gregorian calendar is the reference for the day count
// of every 13th day from year 1 to 9999.
TEST(DateTime, DecodeAgreesWithPythonCalendar) {
  if (!test::HaveCommand("python3")) GTEST_SKIP() << "python3 is not installed";
  std::string out = test::RunCommand(
      "python3 -c \"import datetime as d\n"
      "b=d.date(1899,12,30).toordinal()\n"
      "for o in range(1, d.date(9999,12,31).toordinal()+1, 13):\n"
      "  x=d.date.fromordinal(o); print(o-b, x.year, x.month, x.day, x.isoweekday()%7+1)\"");
  std::stringstream in(out);
  int serial, y, m, d, dow, checked = 0;
  while (in >> serial >> y >> m >> d >> dow) {
    int yy, mm, dd;
    DecodeDate(serial, yy, mm, dd);
    ASSERT_EQ(std::tuple(yy, mm, dd), std::tuple(y, m, d)) << serial;
    ASSERT_EQ(EncodeDate(y, m, d), serial);
    // For negative values the fraction runs forward from that day's midnight.
    TDateTime evening = serial >= 0 ? serial + 0.75 : serial - 0.75;
    ASSERT_EQ(DayOfWeek(evening), dow) << serial;
    DecodeDate(evening, yy, mm, dd);
    ASSERT_EQ(std::tuple(yy, mm, dd), std::tuple(y, m, d)) << evening;
    ++checked;
  }
  EXPECT_GT(checked, 250000);
}

TEST(DateTime, NegativeValuesCountTheTimeForward) {
  int y, m, d, h, n, s, ms;
  DecodeDate(-1.25, y, m, d);
  DecodeTime(-1.25, h, n, s, ms);
  EXPECT_EQ(std::tuple(y, m, d, h, n, s, ms), std::tuple(1899, 12, 29, 6, 0, 0, 0));
  EXPECT_DOUBLE_EQ(At(1899, 12, 29, 6), -1.25);
  DecodeTime(At(2012, 5, 31, 23, 59, 59, 999), h, n, s, ms);
  EXPECT_EQ(std::tuple(h, n, s, ms), std::tuple(23, 59, 59, 999));
  EXPECT_EQ(DayOfWeek(0), 7);                        // 30.12.1899 was a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2012, 5, 31)), 5);  // Thursday
}

TEST(DateTime, NowIsLocalTimeWithMilliseconds) {
  TDateTime before = Now();
  TDateTime today = Date();
  EXPECT_EQ(today, std::floor(today));
  EXPECT_GE(before, today);
  EXPECT_LT(before - today, 1.0);
  EXPECT_GT(today, EncodeDate(2020, 1, 1));
  EXPECT_GE(Time(), 0);
  EXPECT_LT(Time(), 1);
}

// TOLVAREN_NOW stops the clock at a valid time; anything else leaves it
// running.
TEST(DateTime, FixedClockFromTheEnvironment) {
  struct Case {
    const char* value;
    bool fixed;
  };
  const Case cases[] = {{"2011-12-31 23:59:58", true}, {"2011-12-31", false},
                        {"2011-02-30 10:00:00", false}, {"2011-12-31 24:00:00", false},
                        {"2011-12-31 10:00:00x", false}, {"", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    ::setenv("TOLVAREN_NOW", c.value, 1);
    const TDateTime now = Now();
    const TDateTime date = Date();
    const TDateTime time = Time();
    ::unsetenv("TOLVAREN_NOW");
    if (c.fixed) {
      EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", now), "31.12.2011 23:59:58.000");
      EXPECT_EQ(date, EncodeDate(2011, 12, 31));
      EXPECT_NEAR(time, EncodeTime(23, 59, 58, 0), 1e-9);
    } else {
      EXPECT_GT(now, EncodeDate(2020, 1, 1));
    }
  }
}

TEST(DateTime, PicturesOfTheSystem) {
  TDateTime t = At(2012, 5, 31, 8, 5, 3, 7);
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy", t), "31.05.2012");
  EXPECT_EQ(FormatDateTime("dd.mm.yy", t), "31.05.12");
  EXPECT_EQ(FormatDateTime("hh:nn", t), "08:05");
  EXPECT_EQ(FormatDateTime("hh:nn:ss", t), "08:05:03");
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss", t), "31.05.2012 08:05:03");
  EXPECT_EQ(FormatDateTime("dd.mm.yy hh:nn", t), "31.05.12 08:05");
  EXPECT_EQ(FormatDateTime("   hh:nn", t), "   08:05");
  EXPECT_EQ(FormatDateTime("dd", t), "31");
  EXPECT_EQ(FormatDateTime("mm", t), "05");
  EXPECT_EQ(FormatDateTime("mmm", t), "май"_w);
  EXPECT_EQ(FormatDateTime("yy", t), "12");
  EXPECT_EQ(FormatDateTime("yyyy", t), "2012");
  EXPECT_EQ(FormatDateTime("dd mmmm yyyy", At(2011, 12, 31)), "31 Декабрь 2011"_w);
  EXPECT_EQ(FormatDateTime("dd.mm.yy", 0), "30.12.99");
  EXPECT_EQ(FormatDateTime("hh:nn:ss.zzzz", At(2026, 12, 6, 8, 16, 11, 123)), "08:16:11.123");
  TFormatSettings logger = DefaultFormatSettings();
  logger.DateSeparator = '.';
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", At(2026, 12, 6, 8, 16, 11, 123), logger),
            "06.12.2026 08:16:11.123");
  TFormatSettings db = DefaultFormatSettings();
  db.DateSeparator = '-';
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss.zzz", At(2012, 5, 31, 8), db),
            "2012-05-31 08:00:00.000");
}

TEST(DateTime, PictureGrammar) {
  TDateTime t = At(2012, 5, 31, 13, 5, 3, 7);
  EXPECT_EQ(FormatDateTime("d.m.y", At(2012, 5, 1)), "1.5.12");
  EXPECT_EQ(FormatDateTime("h:m:s", t), "13:5:3");  // m after h is minutes
  EXPECT_EQ(FormatDateTime("hh mm", t), "13 05");
  EXPECT_EQ(FormatDateTime("mm hh", t), "05 13");  // before h it is the month
  EXPECT_EQ(FormatDateTime("z|zzz", t), "7|007");
  EXPECT_EQ(FormatDateTime("ddd dddd", t), "Чт четверг"_w);
  EXPECT_EQ(FormatDateTime("aaa aaaa", t), "Чт четверг"_w);
  EXPECT_EQ(FormatDateTime("hh \"h\" nn 'mm'", t), "13 h 05 mm");
  EXPECT_EQ(FormatDateTime("h:nn am/pm", t), "1:05 pm");
  EXPECT_EQ(FormatDateTime("h:nn AM/PM", At(2012, 5, 31, 0, 30)), "12:30 AM");
  EXPECT_EQ(FormatDateTime("h a/p", t), "1 p");
  EXPECT_EQ(FormatDateTime("hh ampm", t), "01 ");  // this locale has no AM/PM strings
  EXPECT_EQ(FormatDateTime("hh 'am/pm'", t), "13 am/pm");
  EXPECT_EQ(FormatDateTime("yyyy", At(5, 1, 1)), "0005");
  EXPECT_EQ(FormatDateTime("ddddd", t), "31.05.2012");
  EXPECT_EQ(FormatDateTime("dddddd", t), "31 Май 2012 г."_w);
  EXPECT_EQ(FormatDateTime("t|tt", t), "13:05|13:05:03");
  EXPECT_EQ(FormatDateTime("c", t), "31.05.2012 13:05:03");
  EXPECT_EQ(FormatDateTime("", At(2012, 5, 31)), "31.05.2012");
  EXPECT_EQ(FormatDateTime("Дата: dd/mm"_w, t), "Дата: 31.05"_w);
  EXPECT_EQ(FormatDateTime("'unterminated", t), "unterminated");
  TFormatSettings loop = DefaultFormatSettings();
  loop.ShortDateFormat = "c";  // refers to itself: stops two levels deep
  EXPECT_NO_THROW(FormatDateTime("c", t, loop));
}

TEST(DateTime, TextsOfTheSettings) {
  EXPECT_EQ(DateTimeToStr(At(2012, 5, 31, 8)), "31.05.2012 8:00:00");
  EXPECT_EQ(DateTimeToStr(At(2012, 5, 31)), "31.05.2012");
  EXPECT_EQ(DateToStr(At(2012, 5, 31, 8)), "31.05.2012");
  EXPECT_EQ(TimeToStr(At(2012, 5, 31, 8, 5, 3)), "8:05:03");
}

TEST(DateTime, ParsesTextsInTheSettingsOrder) {
  EXPECT_EQ(StrToDate("31.05.2012"), EncodeDate(2012, 5, 31));
  EXPECT_EQ(StrToDate(" 31.05.2012 "), EncodeDate(2012, 5, 31));
  EXPECT_EQ(StrToDate("1.5.2012"), EncodeDate(2012, 5, 1));
  EXPECT_EQ(StrToDate("31.5.12"), EncodeDate(2012, 5, 31));
  EXPECT_EQ(StrToDate("01.01.99"), EncodeDate(1999, 1, 1));
  int y, m, d;
  DecodeDate(Now(), y, m, d);
  EXPECT_EQ(StrToDate("31.05"), EncodeDate(y, 5, 31));
  EXPECT_DOUBLE_EQ(StrToTime("8:05:03"), EncodeTime(8, 5, 3, 0));
  EXPECT_DOUBLE_EQ(StrToTime("08:05"), EncodeTime(8, 5, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("8:05:03,250"), EncodeTime(8, 5, 3, 250));
  EXPECT_DOUBLE_EQ(StrToTime("1:05 PM"), EncodeTime(13, 5, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("12:05 am"), EncodeTime(0, 5, 0, 0));
  EXPECT_DOUBLE_EQ(StrToDateTime("31.05.2012 8:00:00"), At(2012, 5, 31, 8));
  EXPECT_DOUBLE_EQ(StrToDateTime("31.05.2012"), At(2012, 5, 31));
  EXPECT_DOUBLE_EQ(StrToDateTime("8:30"), EncodeTime(8, 30, 0, 0));
  EXPECT_DOUBLE_EQ(StrToDateTime("29.12.1899 6:00"), -1.25);
  TFormatSettings ini = DefaultFormatSettings();
  ini.DecimalSeparator = '.';
  EXPECT_DOUBLE_EQ(StrToDateTime("01.02.2024 10:11:12.345", ini), At(2024, 2, 1, 10, 11, 12, 345));
  TFormatSettings ymd = DefaultFormatSettings();
  ymd.ShortDateFormat = "yyyy/mm/dd";
  ymd.DateSeparator = '-';
  EXPECT_EQ(StrToDate("2012-05-31", ymd), EncodeDate(2012, 5, 31));
  TFormatSettings mdy = DefaultFormatSettings();
  mdy.ShortDateFormat = "m/d/yyyy";
  mdy.DateSeparator = '/';
  EXPECT_EQ(StrToDate("5/31/2012", mdy), EncodeDate(2012, 5, 31));
}

TEST(DateTime, BadTextsRaiseConvertError) {
  for (const char* bad :
       {"", "abc", "32.05.2012", "31.05.2012 x", "31-05-2012", "31.", "1.2.3.4"}) {
    TDateTime v;
    EXPECT_FALSE(TryStrToDate(bad, v)) << bad;
  }
  for (const char* bad : {"", "25:00", "8:60", "8:", "13:00 PM", "8:00:00,1000", "x"}) {
    TDateTime v;
    EXPECT_FALSE(TryStrToTime(bad, v)) << bad;
  }
  auto message = [](auto fn, const char* text) {
    try {
      fn(text, DefaultFormatSettings());
    } catch (const EConvertError& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(message(StrToDate, "30.02.2012"), "'30.02.2012' is not a valid date");
  EXPECT_EQ(message(StrToTime, "8-00"), "'8-00' is not a valid time");
  EXPECT_EQ(message(StrToDateTime, "31.05.2012 25:00"),
            "'31.05.2012 25:00' is not a valid date and time");
  EXPECT_EQ(message(StrToDate, "99999999999999.1.2000"),
            "'99999999999999.1.2000' is not a valid date");
}

}  // namespace
}  // namespace tv
