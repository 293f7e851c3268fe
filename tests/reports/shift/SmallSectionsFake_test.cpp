// What the small sections and the open shift's reports hand to their
// builders: a test build where those builders record their calls.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text/Cp1251.h"
#include "platform/os/LockFile.h"
#include "platform/os/Paths.h"
#include "platform/os/Registry.h"
#include "platform/SysUtils.h"
#include "tests/reports/shift/SmallFixture.h"

namespace tv::test {
namespace {

const std::string Op102 = "Волков Дмитрий Андреевич";
const std::string OpenOp = "Морозов Антон Юрьевич";

class SmallFake : public SmallFixture {
 protected:
  std::string Calls8() const { return Cp1251ToUtf8(Calls()); }
  // The recorded call of `name` (UTF-8), or "" when there is none.
  std::string Call(const std::string& name) const {
    const std::string calls = Calls8();
    for (std::size_t at = 0, next; at < calls.size(); at = next + 1) {
      next = calls.find('\n', at);
      const std::string line = calls.substr(at, next - at);
      if (line.rfind(name + "(", 0) == 0) return line;
      if (next == std::string::npos) break;
    }
    return {};
  }
  // The bonus builder's call after a report of shift 102 with kinds 16, 17.
  TestHost::Reply BonusRun() {
    ResetCalls();
    return Request('-', A({Variant(102), Variant(102), Kinds({16, 17})}));
  }
  // The host's questions from the first of the open shift's begin on.
  std::vector<std::string> OpenShiftQuestions() const {
    std::vector<std::string> q = host->Questions();
    while (!q.empty() && q.front() != "Q1/0") q.erase(q.begin());
    return q;
  }
};

std::string Zeros(int from, int to) {
  std::string out;
  for (int i = from; i < to; ++i) out += ", 0";
  return out;
}

TEST_F(SmallFake, EachSectionPassesTheRangeAndItsPeriod) {
  for (const char* dep : {"c/FUEL/SHOP/.keep", "c/FUEL/CAFE/.keep"}) root.WriteFile(dep, "");
  root.WriteFile("c/FUEL/Departments.txt",
                 "Магазин=C:\\FUEL\\SHOP\r\nКафе=C:\\FUEL\\CAFE\r\nСклад=C:\\FUEL\\NONE\r\n"_w);
  Report('-', A({Variant(102), Variant(102),
                 Paired({{13, "F13", "H13"},
                         {14, "F14", "H14"},
                         {15, "F15", "H15"},
                         {16, "F16", "H16"},
                         {17, "F17", "H17"}})}));
  const std::string beg = D(2024, 4, 1, 16), end = D(2024, 4, 2, 0);
  const auto vo = SqlNumbers("SELECT COUNT(*) AS N FROM SILOVO WHERE SMNUM = 102");
  EXPECT_EQ(Call("GetFinKKMReport"), "GetFinKKMReport(1, " + std::to_string(int(vo.at("N"))) +
                                         ", false, " + beg + ", " + end +
                                         ", \"\", true, 2, \"F13\", \"H13\")");
  EXPECT_EQ(Call("MakeBackCardReport"), "MakeBackCardReport(102, true, " + beg + ", " + end +
                                            ", \"" + Op102 + "\", 102, \"F14\", \"H14\")");
  EXPECT_EQ(Call("MakeVdPeriodReport"), "MakeVdPeriodReport(\"102\", \"" + Op102 + "\", " + beg +
                                            ", " + end +
                                            ", -1, \"102\", Un, \"\", \"\", \"\", Un)");
  EXPECT_EQ(Call("BuildBonusReport"),
            "BuildBonusReport(102, [1" + Zeros(1, 13) + "], false, 102, true, true, false, Un)");
  EXPECT_EQ(Call("MakeResetTrkReports"),
            "MakeResetTrkReports(102, 102, " + beg + ", " + end + ", \"H17\")");
}

TEST_F(SmallFake, ARangeHasNoOperatorAndTheRequestsSelectionsReachTheStatements) {
  const Variant sel = A({Variant(0), Variant(1)}), codes = A({Variant(4)});
  Report('-', A({Variant(101), Variant(103), Kinds({14, 15}), Variant(-1), Variant(0), Variant(""),
                 Variant(false), sel, Variant(0), codes}));
  const std::string beg = D(2024, 4, 1, 8), end = D(2024, 4, 2, 8);
  EXPECT_EQ(Call("MakeBackCardReport"),
            "MakeBackCardReport(101, true, " + beg + ", " + end + ", \"\", 103, \"\", \"\")");
  EXPECT_EQ(Call("MakeVdPeriodReport"), "MakeVdPeriodReport(\"101\", \"\", " + beg + ", " + end +
                                            ", -1, \"103\", [0, 1], \"\", \"\", \"\", [4])");
}

// The open shift's period ends now; the host's operator is the shift's.
TEST_F(SmallFake, TheOpenShiftRunsToNow) {
  SetOpenShiftFill();
  Report('-', A({Variant(104), Variant(104), Kinds({14, 17})}));
  EXPECT_EQ(Call("MakeBackCardReport"), "MakeBackCardReport(104, true, " + D(2024, 4, 2, 8) + ", " +
                                            D(2024, 4, 2, 10, 30) + ", \"" + OpenOp +
                                            "\", 104, \"\", \"\")");
}

TEST_F(SmallFake, FailingBuildersAreContainedByTheirSections) {
  FailBuilders("сбой"_w);
  const std::string text =
      Request('-', A({Variant(102), Variant(102), Kinds({13, 14, 15, 16, 17, 13})})).Text;
  const std::string expected =
      "сбой"
      "Ошибка при формировании сменного отчета по непроизведенным возвратам на терминал: сбой"
      "Ошибка при формировании сменного отчета по ведомостям: сбой"
      "Ошибка при формировании отчета по бонусам и скидкам: сбой"
      "Ошибка при формировании отчета \"Информация по перезагрузкам\": сбой"
      "сбой";
  EXPECT_EQ(text, expected);
  const std::string html = Cp1251ToUtf8(Html());
  EXPECT_NE(html.find("<br><br>Ошибка при формировании отчета по бонусам и скидкам: сбой<br><br>"),
            std::string::npos);
  EXPECT_TRUE(Logged("Ошибка при формировании сменного отчета по ведомостям: сбой"_w));
}

struct TBonusCase {
  const char* name;
  std::vector<SmallFixture::TRegValue> key;  // empty: no key at all
  std::string call;                          // the builder's call, or
  std::string error;                         // the section's text
};

TEST_F(SmallFake, BonusSettingsComeFromTheRegistry) {
  const std::string bad = "Ошибка при формировании отчета по бонусам и скидкам: ";
  const std::vector<TBonusCase> cases = {
      {"no key", {}, "[1" + Zeros(1, 13) + "], false, 102, true, true, false", ""},
      {"set",
       {{"PayType0", "dword:00000000"},
        {"PayType2", "dword:00000001"},
        {"PayType4", "dword:00000001"},
        {"NullStr", "dword:00000001"},
        {"CBAllVO", "dword:00000000"},
        {"ShowGSMItog", "dword:00000000"}},
       "[0, 0, 1, 0, 1" + Zeros(5, 13) + "], true, 102, false, true, false",
       ""},
      {"all",
       {{"CBAllVO", "dword:00000001"},
        {"PayType12", "dword:00000002"},
        {"ShowSubVidoplItog", "dword:00000000"}},
       "[0" + Zeros(1, 13) + "], false, 102, true, false, true",
       ""},
      {"text", {{"PayType2", "sz:\"1\""}}, "", "Invalid data type for 'PayType2'"},
      {"binary", {{"NullStr", "hex:01"}}, "", "Invalid data type for 'NullStr'"},
      {"expand", {{"CBAllVO", "expand_sz:\"1\""}}, "", "Invalid data type for 'CBAllVO'"},
      {"switch", {{"ShowGSMItog", "sz:\"True\""}}, "", "Invalid data type for 'ShowGSMItog'"},
      {"switch2",
       {{"ShowSubVidoplItog", "hex:00"}},
       "",
       "Invalid data type for 'ShowSubVidoplItog'"},
  };
  for (const TBonusCase& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBonusKey(c.key);
    const TestHost::Reply r = BonusRun();
    if (c.error.empty()) {
      EXPECT_EQ(Call("BuildBonusReport"), "BuildBonusReport(102, " + c.call + ", Un)");
    } else {
      EXPECT_EQ(Call("BuildBonusReport"), "");
      EXPECT_EQ(r.Text, bad + c.error + " ");  // the restarts section follows, whole
      EXPECT_NE(Call("MakeResetTrkReports"), "");
    }
  }
}

TEST_F(SmallFake, TheFirstBonusSectionCreatesTheKey) {
  BonusRun();
  EXPECT_EQ(BonusKey(), "PayType0=dword:00000001\n");
}

// A store that cannot be written (its lock cannot be taken) leaves the
// defaults; one of binary garbage is a store without the key.
TEST_F(SmallFake, AnUnusableStoreLeavesTheDefaults) {
  const std::string lock = LockFilePath("ini", AnsiLowerCase(MapPath(TRegistry::StoreFileName())));
  std::filesystem::remove(lock);
  std::filesystem::create_directories(lock);
  BonusRun();
  std::filesystem::remove(lock);
  EXPECT_EQ(Call("BuildBonusReport"),
            "BuildBonusReport(102, [0" + Zeros(1, 13) + "], false, 102, true, true, false, Un)");
  std::filesystem::remove(root.Path() + "/c/WINDOWS/registry.ini");
  WriteShift(true, 104, EncodeDateTime(2024, 4, 2, 8, 0, 0, 0));
  root.WriteFile("c/WINDOWS/registry.ini", std::string("\x00\xff[\x01\xfe=\n\x80\x00", 10) +
                                               root.ReadFile("c/WINDOWS/registry.ini"));
  BonusRun();
  EXPECT_EQ(Call("BuildBonusReport"),
            "BuildBonusReport(102, [1" + Zeros(1, 13) + "], false, 102, true, true, false, Un)");
}

struct TCurCase {
  char code;
  Variant params;
  std::string call;  // "" : the request fails on a missing element
};

TEST_F(SmallFake, OpenShiftReportsAskTheHostAndRunToNow) {
  const std::string period = "\"104\", " + D(2024, 4, 2, 8) + ", " + D(2024, 4, 2, 10, 30);
  const std::string agent = "MakeVdAgentReport(\"Агент\", " + period + ", \"" + OpenOp + "\", ";
  const Variant ag = Variant("Агент"_w), sel = A({Variant(1)});
  const Variant t = Variant(true), f = Variant(false);
  const std::vector<TCurCase> cases = {
      {'\x11', A({ag}), agent + "Un, 2, false, false, true, \"\", Un)"},
      {'\x11', A({ag, sel}), ""},
      {'\x11', A({ag, sel, t, t}), ""},
      {'\x11', A({ag, sel, t, t, f}), agent + "[1], 2, true, true, false, \"\", Un)"},
      {'\x11', A({ag, sel, t, t, f, Variant(4)}), agent + "[1], 2, true, true, false, \"\", Un)"},
      {'\x11', A({ag, sel, t, t, f, Variant(4), Variant(5)}),
       agent + "[1], 2, true, true, false, \"\", 4)"},
      {'\x12', Variant(),
       "MakeBackCardReport(104, false, " + D(2024, 4, 2, 8) + ", " + D(2024, 4, 2, 10, 30) +
           ", \"" + OpenOp + "\", 104, \"\", \"\")"},
      {'\x1A', A({Variant(0)}),
       "MakeBNEReport(" + period.substr(0, 5) + ", \"" + OpenOp + "\", " + period.substr(7) +
           ", 2, Un, Un)"},
      {'\x1A', A({Variant(0), Variant("x"), Variant("y")}),
       "MakeBNEReport(\"104\", \"" + OpenOp + "\", " + period.substr(7) + ", 2, \"x\", Un)"},
      {'\x1A', A({Variant(0), Variant("x"), Variant("y"), Variant("z")}),
       "MakeBNEReport(\"104\", \"" + OpenOp + "\", " + period.substr(7) + ", 2, \"x\", \"y\")"},
  };
  for (const TCurCase& c : cases) {
    SCOPED_TRACE(std::to_string(int(c.code)) + " " + c.call);
    ResetCalls();
    const TestHost::Reply r = Request(c.code, c.params);
    EXPECT_EQ(r.Result, TV_REPORT_TRUE);
    if (c.call.empty()) {
      EXPECT_EQ(Calls8(), "");
      EXPECT_EQ(r.Text.rfind("Ошибка при формировании отчета \"Отпуск по контрагенту по текущей "
                             "смене\": ",
                             0),
                0u)
          << r.Text;
      continue;
    }
    EXPECT_EQ(Calls8(), c.call + "\n");
    std::vector<std::string> asked = {"Q1/0", "Q2/0", "Q0/0"};
    if (c.code == '\x12') asked.push_back("Q0/0");
    EXPECT_EQ(OpenShiftQuestions(), asked);
  }
}

TEST_F(SmallFake, AHostFailureReachesTheDispatcher) {
  const std::vector<std::pair<int, Variant>> answers = {
      {1, DateVar(2024, 4, 2, 8)}, {2, Variant(Utf8ToCp1251(OpenOp))}, {0, Variant(104)}};
  for (const auto& [code, answer] : answers) {
    SCOPED_TRACE(code);
    host->Fail(code, "нет ответа"_w);
    ResetCalls();
    const TestHost::Reply r = Request('\x1A', A({Variant(0)}));
    EXPECT_EQ(r.Result, TV_REPORT_TRUE);
    EXPECT_EQ(r.Text.rfind("Ошибка при формировании отчета \"Отпуск по договорам по текущей "
                           "смене\": ",
                           0),
              0u)
        << r.Text;
    EXPECT_EQ(Calls8(), "");
    host->Set(code, answer);
  }
}

}  // namespace
}  // namespace tv::test
