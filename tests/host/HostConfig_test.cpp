#include "host/HostConfig.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "tests/support/TempRoot.h"

namespace tv::host {
namespace {

TEST(HostConfig, ReadsUtf8AndAnswersInWindows1251WithDefaults) {
  test::TempRoot root;
  root.WriteFile("h.ini",
                 "\xEF\xBB\xBF[Host]\nStationName=АЗС №1\nMode=3\n[Shift]\nBegin=2024-03-02 20:00\n"
                 "Number=x\n[KKM0]\nModel=ШТРИХ\n");
  const THostConfig c = THostConfig::Load(root.Path() + "/h.ini");
  EXPECT_EQ(c.Text("Host", "StationName", ""), "АЗС №1"_w);
  EXPECT_EQ(c.Text("KKM0", "Model", ""), "ШТРИХ"_w);
  EXPECT_EQ(c.Int("Host", "Mode", 0), 3);
  EXPECT_EQ(c.Int("Shift", "Number", 7), 7);  // not a number: the default
  EXPECT_EQ(c.Text("Host", "DataFolder", "C:\\FUEL\\DB\\"), "C:\\FUEL\\DB\\");
  EXPECT_DOUBLE_EQ(c.Date("Shift", "Begin", 0), EncodeDateTime(2024, 3, 2, 20, 0, 0, 0));
  EXPECT_DOUBLE_EQ(c.Date("Shift", "End", 1.5), 1.5);
  EXPECT_THROW(THostConfig::Load(root.Path() + "/missing.ini"), Exception);
}

TEST(HostConfig, DatesInThreeFormsOnly) {
  TDateTime d = 0;
  EXPECT_TRUE(ParseHostDate("2024-02-29", d));
  EXPECT_DOUBLE_EQ(d, EncodeDate(2024, 2, 29));
  EXPECT_TRUE(ParseHostDate("2024-02-29T23:59:58", d));
  EXPECT_DOUBLE_EQ(d, EncodeDateTime(2024, 2, 29, 23, 59, 58, 0));
  for (const char* bad : {"2023-02-29", "2024-03-01 25:00", "01.03.2024", "2024-03-01x",
                          "2024-03-01 08:00:00 1", ""}) {
    EXPECT_FALSE(ParseHostDate(bad, d)) << bad;
  }
  test::TempRoot root;
  root.WriteFile("h.ini", "[Shift]\nBegin=вчера\n");
  const THostConfig c = THostConfig::Load(root.Path() + "/h.ini");
  EXPECT_THROW(c.Date("Shift", "Begin", 0), Exception);
}

}  // namespace
}  // namespace tv::host
