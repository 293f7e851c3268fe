#include "host/HostRequest.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/text/Cp1251.h"
#include "tests/library/TestHost.h"

namespace tv::host {
namespace {

TEST(HostRequest, ReportCodesAreCharactersOrOrdinals) {
  EXPECT_EQ(ParseReportCode("-"), '-');
  EXPECT_EQ(ParseReportCode("4"), '4');  // the character, ordinal 52
  EXPECT_EQ(ParseReportCode("04"), '\x04');
  EXPECT_EQ(ParseReportCode("17"), '\x11');
  EXPECT_EQ(ParseReportCode("200"), static_cast<char>(200));
  for (const char* bad : {"", "ab", "256", "-1", "1234"})
    EXPECT_THROW(ParseReportCode(bad), std::invalid_argument) << bad;
}

class Params : public ::testing::Test {
 protected:
  std::string Build(const std::vector<std::string>& args) {
    TVVariant v{};
    BuildParams(lib, args, &v);
    const std::string text = test::Render(&v);
    lib.Clear(&v);
    return text;
  }
  TolvarenLibrary lib{TOLVAREN_LIBRARY};
};

TEST_F(Params, TypedAndUntypedElementsAndNestedArrays) {
  EXPECT_EQ(Build({}), "[]");
  EXPECT_EQ(Build({"5", "i:-7", "f:1.25", "b:1", "b:false", "empty", "null"}),
            "[5, -7, 1,25, true, false, empty, null]");
  EXPECT_EQ(Build({"d:2024-03-01", "2024-03-01 12:00"}), "[d45352, d45352,5]");
  EXPECT_EQ(Build({"s:12", "Агент", "s:"}), "[\"12\", \"" + Utf8ToCp1251("Агент") + "\", \"\"]");
  EXPECT_EQ(Build({"7", "[", "9", "10", "[", "]", "]", "x"}), "[7, [9, 10, []], \"x\"]");
}

TEST_F(Params, BadElementsNameThemselves) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"i:x"}, "parameter \"i:x\": not a 32-bit integer"},
      {{"i:99999999999"}, "parameter \"i:99999999999\": not a 32-bit integer"},
      {{"f:1,5"}, "parameter \"f:1,5\": not a number (use a decimal point)"},
      {{"b:yes"}, "parameter \"b:yes\": not 0, 1, true or false"},
      {{"d:2024-13-01"}, "parameter \"d:2024-13-01\": not a date YYYY-MM-DD[ HH:MM[:SS]]"},
      {{"[", "1"}, "a \"[\" without its \"]\""},
      {{"1", "]"}, "a \"]\" without its \"[\""},
  };
  for (const auto& [args, message] : cases) {
    TVVariant v{};
    try {
      BuildParams(lib, args, &v);
      ADD_FAILURE() << message;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
    EXPECT_EQ(v.vt, TV_VT_EMPTY);
  }
}

}  // namespace
}  // namespace tv::host
