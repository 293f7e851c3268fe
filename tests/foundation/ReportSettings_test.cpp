#include "foundation/ReportSettings.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

class ReportSettings : public ::testing::Test {
 protected:
  // Loads with a host that answers question 9 with `decimals`, counting the
  // questions.
  void Load(int decimals) {
    LoadReportSettings(
        [&](Variant& result, int code, int param) {
          questions.push_back(code * 100 + param);
          result = Variant(decimals);
        },
        repeatH, fs);
  }
  void Cnf(const std::string& text) { root.WriteFile("c/WINDOWS/cnf.ini", text); }

  test::TempRoot root;
  std::vector<int> questions;
  bool repeatH = false;
  TFormatSettings fs = DefaultFormatSettings();
};

TEST_F(ReportSettings, WithoutCnfIniEverySettingHasItsDefault) {
  Load(3);
  EXPECT_EQ(questions, (std::vector<int>{900, 900}));
  EXPECT_EQ(DecL, 2);
  EXPECT_EQ(DecKg, 2);
  EXPECT_EQ(DecL2, 3);
  EXPECT_EQ(DecKg2, 3);
  EXPECT_EQ(VolumeFormat, "%.3n");
  EXPECT_EQ(MassFormat, "%.3n");
  EXPECT_EQ(RepSmType, 0);
  EXPECT_EQ(SiloReportSortField, 0);
  EXPECT_TRUE(NotRoundRVal);
  EXPECT_FALSE(FinPrcDelim);
  EXPECT_FALSE(RezGrGSM);
  EXPECT_TRUE(repeatH);
  EXPECT_EQ(fs.DecimalSeparator, ',');
  EXPECT_EQ(fs.ThousandSeparator, '\xA0');
  EXPECT_EQ(CnfIniPath(), "C:\\WINDOWS\\cnf.INI");
}

TEST_F(ReportSettings, EveryKeyOfCnfIni) {
  Cnf("[Reports]\r\nDecL=3\r\nDecKg=1\r\nDecL2=3\r\nDecKg2=0\r\nDecimalSeparator="
      "2C\r\nThousandSeparator=20\r\n"
      "RepeatH=0\r\nFinPrcDelim=1\r\nRezGrGSM=1\r\n[Misc]\r\nRepSmType=258\r\n"
      "[SmenaRep]\r\nSiloReportSortField=2\r\nRoundRVal=1\r\n");
  fs.DecimalSeparator = '.';
  Load(5);
  EXPECT_EQ(questions.size(), 2u);  // asked even when the keys are there
  EXPECT_EQ(DecL, 3);
  EXPECT_EQ(DecKg, 1);
  EXPECT_EQ(VolumeFormat, "%.3n");
  EXPECT_EQ(MassFormat, "%.0n");
  EXPECT_EQ(RepSmType, 2);  // kept in one byte
  EXPECT_EQ(SiloReportSortField, 2);
  EXPECT_FALSE(NotRoundRVal);
  EXPECT_TRUE(FinPrcDelim);
  EXPECT_TRUE(RezGrGSM);
  EXPECT_FALSE(repeatH);
  EXPECT_EQ(fs.DecimalSeparator, ',');
  EXPECT_EQ(fs.ThousandSeparator, ' ');
}

TEST_F(ReportSettings, SeparatorsOtherThanOneHexCharacterKeepTheSystems) {
  for (const char* value : {"2C2E", "ZZ", "2", "", "2G"}) {
    Cnf(std::string("[Reports]\r\nDecimalSeparator=") + value + "\r\nThousandSeparator=" + value +
        "\r\n");
    fs.DecimalSeparator = 'x';
    fs.ThousandSeparator = 'y';
    Load(2);
    EXPECT_EQ(fs.DecimalSeparator, ',') << value;
    EXPECT_EQ(fs.ThousandSeparator, '\xA0') << value;
  }
  Cnf("[Reports]\r\nDecimalSeparator=2e\r\n");
  Load(2);
  EXPECT_EQ(fs.DecimalSeparator, '.');
}

TEST_F(ReportSettings, AFailingHostQuestionPassesOn) {
  EXPECT_THROW(
      LoadReportSettings([](Variant&, int, int) { throw Exception("no host"); }, repeatH, fs),
      Exception);
  EXPECT_THROW(LoadReportSettings([](Variant& r, int, int) { r = Variant("abc"); }, repeatH, fs),
               EVariantTypeCastError);
}

}  // namespace
}  // namespace tv
