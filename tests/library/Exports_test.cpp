// The five exports through dlopen and their names, as a host calls them:
// start-up, InitReports, UpdateVidOpl, the special request codes,
// GetReportVars, DCOMServerOnCreate, and every export before InitReports.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>
#include <vector>

#include "library/RepVarsGSM.h"
#include "platform/os/Files.h"
#include "tests/library/LibraryFixture.h"

namespace tv::test {
namespace {

class Exports : public LibraryFixture {};

TEST_F(Exports, TheLibraryExportsOnlyItsCEntryPoints) {
  if (!HaveCommand("nm")) GTEST_SKIP() << "nm is not installed";
  int rc = 0;
  const std::string out = RunCommand(
      std::string("nm -D --defined-only '") + TOLVAREN_LIBRARY + "' | awk '{print $3}'", &rc);
  ASSERT_EQ(rc, 0);
  std::set<std::string> names;
  std::istringstream in(out);
  for (std::string n; in >> n;) names.insert(n);
  const std::set<std::string> expected = {"InitReports",
                                          "GetReportsInStringEx",
                                          "GetReportVars",
                                          "UpdateVidOpl",
                                          "DCOMServerOnCreate",
                                          "AddRepDataToQueryFile",
                                          "ProcessQueryFile",
                                          "ProcessTTNTable",
                                          "tv_variant_set_empty",
                                          "tv_variant_set_null",
                                          "tv_variant_set_int",
                                          "tv_variant_set_int64",
                                          "tv_variant_set_double",
                                          "tv_variant_set_bool",
                                          "tv_variant_set_date",
                                          "tv_variant_set_currency",
                                          "tv_variant_set_string",
                                          "tv_variant_set_olestr",
                                          "tv_variant_set_array",
                                          "tv_variant_item",
                                          "tv_variant_item2",
                                          "tv_variant_clear",
                                          "tv_text_set",
                                          "tv_text_free",
                                          "tv_wide_free",
                                          "tv_last_error",
                                          "tv_md_field_count",
                                          "tv_md_field_name",
                                          "tv_md_field_type",
                                          "tv_md_add_field",
                                          "tv_md_append",
                                          "tv_md_set",
                                          "tv_md_post",
                                          "tv_md_record_count",
                                          "tv_owner_create",
                                          "tv_owner_free",
                                          "tv_provider_get_records",
                                          "tv_provider_apply_delta"};
  EXPECT_EQ(names, expected);
}

TEST_F(Exports, EveryExportBeforeInitReportsFailsCleanly) {
  Load();
  // '7' right after load: empty text, True.
  const auto html = host->Request('7', Variant());
  EXPECT_EQ(html.Result, TV_REPORT_TRUE);
  EXPECT_EQ(html.Text, "");
  EXPECT_TRUE(Logged(" [инф] [Tolvaren] Запрошена HTML-версия отчета"_w));
  lib->UpdateVidOpl();
  EXPECT_EQ(State("VidOplCount"), "0");
  // A report cannot ask the host anything: the request fails before the
  // creator exists, with a clear text, and nothing crashes.
  for (const char code : {'-', '#', '\x0B', '/'}) {
    const auto r = host->Request(code, A({Variant(14), Variant(1)}), "earlier");
    EXPECT_EQ(r.Result, TV_REPORT_FALSE) << int(code);
    EXPECT_EQ(
        r.Text,
        "Ошибка при формировании отчета: Программа-хост не передала процедуру запросов (запрос 46)"_w);
  }
  // The special codes that need no host still work.
  EXPECT_EQ(host->Request('#', A({Variant(1000), Variant(0)}), "x").Result, TV_REPORT_FALSE);
  EXPECT_EQ(State("AltTemplatesFixed"), "true");
  const auto custom = host->Request('#', A({Variant(17), Variant(1), Variant()}));
  EXPECT_EQ(custom.Result, TV_REPORT_TRUE);
  EXPECT_EQ(custom.Text, "raw:00000003#00000000#00000001#00000000");
  uint16_t* vars = lib->GetReportVars();
  ASSERT_NE(vars, nullptr);
  EXPECT_EQ(Utf16ToCp1251(reinterpret_cast<const char16_t*>(vars)),
            "[main]\r\nRepCount=0\r\n\r\n[CommonVars]\r\nRepName=Общие\r\n\r\n"_w);
  lib->WideFree(vars);
  // DCOMServerOnCreate cannot ask the host mode: it logs and creates nothing.
  int owner = 0;
  lib->DCOMServerOnCreate(&owner);
  EXPECT_TRUE(Logged(
      " [ошиб] [Tolvaren] Ошибка DCOMServerOnCreate: Программа-хост не передала процедуру запросов (запрос 46)"_w));
  EXPECT_EQ(Calls(), "CallFunction(1, Un)\n");
  EXPECT_TRUE(host->Events.empty());
}

TEST_F(Exports, InitReportsAsksModeCurrencyDecimalsThenPaymentTypes) {
  Load();
  host->Set(23, A({Variant("&Наличные"_w), Variant(""), Variant("Карты"_w)}));
  host->Set(57, A({}));
  ASSERT_EQ(host->Init(), 1);
  EXPECT_EQ(host->Questions(),
            (std::vector<std::string>{"Q46/0", "Q87/3", "Q88/0", "Q23/0", "Q57/0"}));
  EXPECT_TRUE(
      Logged(" [вним] [Tolvaren] Библиотека форм отчетов не найдена."_w));  // the form check ran
  const auto s = State();
  EXPECT_EQ(s.at("OfficeHost"), "false");
  EXPECT_EQ(s.at("valuta"), "руб."_w);
  EXPECT_EQ(s.at("MoneyFormat"), "%.2n");
  EXPECT_EQ(s.at("VidOplCount"), "3");
  EXPECT_EQ(s.at("VidOplNames"), "[\"Наличные\", \"Вид оплаты без имени\", \"Карты\"]"_w);
  EXPECT_EQ(s.at("VidOplArray1"), "Вид оплаты без имени|1|1|-1"_w);
  EXPECT_TRUE(DirectoryExists("C:\\FUEL\\FORMS\\REPORT\\"));
  EXPECT_TRUE(DirectoryExists("C:\\FUEL\\FORMS\\WEBREP\\"));
}

TEST_F(Exports, ABeepOfThePaymentTypeTableGoesToTheReportLog) {
  Load();
  host->Set(23, A({Variant("Наличные"_w)}));
  host->Fail(57);  // the host keeps no list: the table beeps and numbers the types
  ASSERT_EQ(host->Init(), 1);
  EXPECT_TRUE(Logged(" [вним] [Tolvaren] Звуковой сигнал 500 Гц, 100 мс"_w));
  EXPECT_EQ(State("VidOplArray0"), "Наличные|0|0|-1"_w);
}

TEST_F(Exports, InitReportsTakesTheHostsCurrencyDecimalsModeAndDefaultNames) {
  Load();
  host->Set(87, Variant("грн."_w));
  host->Set(88, Variant(3));
  host->Set(46, Variant(3));
  host->Set(23, Variant("нет списка"_w));  // not an array: the 13 default names
  ASSERT_EQ(host->Init(), 1);
  auto s = State();
  EXPECT_EQ(s.at("valuta"), "грн."_w);
  EXPECT_EQ(s.at("MoneyFormat"), "%.3n");
  EXPECT_EQ(s.at("OfficeHost"), "true");
  EXPECT_EQ(s.at("VidOplCount"), "13");
  EXPECT_EQ(s.at("VidOplNames").rfind("[\"Наличные\", \"Платеж. терминал\", "_w, 0), 0u);
  // Blanks only keep the earlier word; a failing question keeps the rest.
  host->Set(87, Variant("   "));
  host->Fail(88);
  host->Throw(46);
  ASSERT_EQ(host->Init(), 1);
  s = State();
  EXPECT_EQ(s.at("valuta"), "грн."_w);
  EXPECT_EQ(s.at("MoneyFormat"), "%.3n");
  EXPECT_EQ(s.at("OfficeHost"), "true");
}

TEST_F(Exports, InitReportsWithoutProceduresAsksNothingButMakesFoldersAndChecksForms) {
  Load();
  ASSERT_EQ(lib->InitReports(nullptr, nullptr, nullptr), 1);
  EXPECT_TRUE(host->Events.empty());
  EXPECT_EQ(State("VidOplCount"), "0");
  EXPECT_EQ(State("valuta"), "руб."_w);
  EXPECT_TRUE(DirectoryExists("C:\\FUEL\\FORMS\\WEBREP\\"));
  EXPECT_TRUE(Logged("Библиотека форм отчетов не найдена."_w));
  // Still no host: a report request fails with the clear text.
  EXPECT_EQ(
      host->Request('-', A({Variant(1), Variant(1), EmptyArray()})).Text,
      "Ошибка при формировании отчета: Программа-хост не передала процедуру запросов (запрос 46)"_w);
}

TEST_F(Exports, AFreshRootGetsItsFormsAtTheFirstInitReports) {
  Load(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  ASSERT_EQ(host->Init(), 1);
  EXPECT_TRUE(FileExists("C:\\FUEL\\FORMS\\REPORT\\Smena1.frm"));
  EXPECT_TRUE(FileExists("C:\\FUEL\\FORMS\\REPORT\\vdPeriod.frm"));
  EXPECT_FALSE(Logged("Библиотека форм отчетов не найдена."_w));
}

TEST_F(Exports, AFolderThatCannotBeMadeReachesTheHostAsAFailure) {
  Load();
  root.WriteFile("c/FUEL/FORMS", "a file where the folder belongs");
  EXPECT_EQ(host->Init(), 0);
  EXPECT_STREQ(lib->LastError(), "Ошибка создания каталога C:\\FUEL\\FORMS\\REPORT\\"_w.c_str());
  EXPECT_FALSE(Logged("Библиотека форм отчетов"_w));  // the form check does not run
}

// One library per process: a host that cannot answer anything, failing
// with a result or with a C++ exception.
class FailingHost : public LibraryFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(FailingHost, NeverBreaksTheLibrary) {
  Load();
  host->FailEverything(GetParam());
  ASSERT_EQ(host->Init(), 1);
  EXPECT_EQ(host->Questions().size(), 4u);  // 46, 87, 88, 23; the names failed, so no table
  EXPECT_EQ(State("VidOplCount"), "0");
  EXPECT_EQ(State("OfficeHost"), "false");
  const auto r = host->Request('-', A({Variant(1), Variant(2), EmptyArray()}));
  EXPECT_EQ(r.Result, TV_REPORT_FALSE);
  EXPECT_EQ(r.Text, "Ошибка при формировании отчета: Программа-хост не ответила на запрос 46"_w);
  int owner = 0;
  lib->DCOMServerOnCreate(&owner);
  EXPECT_TRUE(Logged("Ошибка DCOMServerOnCreate: Программа-хост не ответила на запрос 46"_w));
  lib->UpdateVidOpl();
  EXPECT_EQ(State("VidOplCount"), "0");
}

INSTANTIATE_TEST_SUITE_P(ByResultAndByException, FailingHost, ::testing::Bool());

TEST_F(Exports, AHostsFailureMessageBecomesTheErrorText) {
  Load();
  host->Fail(46, "Смена не открыта"_w);
  ASSERT_EQ(host->Init(), 1);
  EXPECT_EQ(host->Request('\x03', EmptyArray()).Text,
            "Ошибка при формировании отчета: Смена не открыта"_w);
}

TEST_F(Exports, TemplateVariantRequestFixesTheVariantForGood) {
  Load();
  WriteShift(true, 5, 45000);
  ASSERT_EQ(host->Init(), 1);
  const auto r = host->Request('#', A({Variant(1000), Variant(0)}), "before");
  EXPECT_EQ(r.Result, TV_REPORT_FALSE);
  EXPECT_EQ(r.Text, "");
  EXPECT_EQ(State("UseAltTemplates"), "true");
  host->Set(56, Variant(1));  // the host says "ordinary", but the variant is fixed
  host->Request('\x03', EmptyArray());
  EXPECT_EQ(State("UseAltTemplates"), "true");
  EXPECT_EQ(State("UseAltForms"), "true");
  host->Request('#', A({Variant(1000), Variant(5)}));
  host->Set(56, Variant(0));
  host->Request('\x03', EmptyArray());
  EXPECT_EQ(State("UseAltTemplates"), "false");
  EXPECT_EQ(State("AltTemplatesFixed"), "true");
}

TEST_F(Exports, SpecialCodesWithUnusableParametersReachTheHostAsRaised) {
  Load();
  ASSERT_EQ(host->Init(), 1);
  const auto noArray = host->Request('#', Variant(5), "kept");
  EXPECT_EQ(noArray.Result, TV_REPORT_RAISED);
  EXPECT_EQ(noArray.Text, "kept");
  EXPECT_EQ(noArray.Error, "Params[0]: Invalid argument");
  const auto shortOne = host->Request('#', A({Variant(1000)}), "kept");
  EXPECT_EQ(shortOne.Result, TV_REPORT_RAISED);
  EXPECT_EQ(shortOne.Error, "Params[1]: Variant or safe array index out of bounds");
  EXPECT_EQ(host->Request('#', A({Variant("x")})).Result, TV_REPORT_RAISED);
  // A malformed C variant and a missing text are refused at the boundary.
  TVVariant bad{};
  bad.vt = 77;
  EXPECT_EQ(host->RequestRaw('-', &bad).Result, TV_REPORT_RAISED);
  EXPECT_EQ(std::string(lib->LastError()), "Params: Invalid variant type");
  // A bad element is named by its indices, from the array's own bounds.
  TVVariant inner[2]{};
  inner[1].vt = TV_VT_STRING;
  inner[1].u.str.len = 5;  // and no bytes
  TVVariant items[4]{};
  items[3].vt = 77;
  items[1].vt = TV_VT_ARRAY;
  items[1].u.arr = {inner, 1, {0, 1, 0, 0}};
  TVVariant outer{};
  outer.vt = TV_VT_ARRAY;
  outer.u.arr = {items, 1, {0, 3, 0, 0}};
  EXPECT_EQ(host->RequestRaw('-', &outer).Result, TV_REPORT_RAISED);
  EXPECT_EQ(std::string(lib->LastError()), "Params[1][1]: Invalid argument");
  inner[1] = TVVariant{};
  EXPECT_EQ(host->RequestRaw('-', &outer).Result, TV_REPORT_RAISED);
  EXPECT_EQ(std::string(lib->LastError()), "Params[3]: Invalid variant type");
  outer.u.arr.bounds[0] = 5;
  outer.u.arr.bounds[1] = 8;
  EXPECT_EQ(host->RequestRaw('-', &outer).Result, TV_REPORT_RAISED);
  EXPECT_EQ(std::string(lib->LastError()), "Params[8]: Invalid variant type");
  EXPECT_EQ(lib->GetReportsInStringEx('7', nullptr, nullptr), TV_REPORT_RAISED);
}

TEST_F(Exports, CustomFunctionsGetCommandAndArguments) {
  Load();
  ASSERT_EQ(host->Init(), 1);
  ResetCalls();
  const auto r = host->Request('#', A({Variant(17), Variant(2), A({Variant(1), Variant("x")})}));
  EXPECT_EQ(r.Result, TV_REPORT_TRUE);
  EXPECT_EQ(Calls(), "CallFunction(2, [1, \"x\"])\n");
  EXPECT_EQ(r.Text, "raw:00000000#00000000#00000000#00000000");  // the result stayed unassigned
}

TEST_F(Exports, DCOMServerOnCreateCreatesTheModuleForStationAndOfficeHostsOnly) {
  Load();
  ASSERT_EQ(host->Init(), 1);
  int owner = 0;
  for (const int mode : {0, 2, 3}) {
    ResetCalls();
    host->Set(46, Variant(mode));
    lib->DCOMServerOnCreate(&owner);
    EXPECT_EQ(Calls(), mode == 2 ? "" : "CreateDCOMDataModule(owner)\n") << mode;
  }
  ResetCalls();
  lib->DCOMServerOnCreate(nullptr);
  EXPECT_EQ(Calls(), "");
  EXPECT_FALSE(Logged("DCOMServerOnCreate"));  // mode 2 logs nothing either
}

// The catalogue through the exported name, turned back into Windows-1251:
// the library's own text, before InitReports (no host is asked), from
// several threads at once, and after InitReports.
TEST_F(Exports, TheRealLibraryHandsOverTheVariableCatalogue) {
  LoadReal();
  const std::string expected = ReportVarsText();
  const auto catalogue = [&] {
    uint16_t* vars = lib->GetReportVars();
    if (vars == nullptr) return std::string("(null) ") + lib->LastError();
    std::string text = Utf16ToCp1251(reinterpret_cast<const char16_t*>(vars));
    lib->WideFree(vars);
    return text;
  };
  EXPECT_EQ(catalogue(), expected);
  EXPECT_TRUE(host->Questions().empty());
  std::atomic<int> differing{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10; ++i)
        if (catalogue() != expected) ++differing;
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(differing.load(), 0);
  ASSERT_EQ(host->Init(), 1);
  EXPECT_EQ(catalogue(), expected);
}

// Before its root folder exists the library still hands out the catalogue
// (it needs no file); InitReports, a report ('-', with its error text) and
// '7' (which logs) fail with a text that names the folder and says how it is
// set, and nothing is made there.
TEST_F(Exports, WithoutItsRootFolderOnlyTheCallsThatNeedNoFileAnswer) {
  const std::string missing = root.Path() + "/not-prepared";
  ::setenv("TOLVAREN_ROOT", missing.c_str(), 1);  // the fixture's root puts it back
  LoadReal();
  uint16_t* vars = lib->GetReportVars();
  ASSERT_NE(vars, nullptr) << lib->LastError();
  EXPECT_EQ(Utf16ToCp1251(reinterpret_cast<const char16_t*>(vars)), ReportVarsText());
  lib->WideFree(vars);
  const auto report = host->Request('-', A({Variant(1), Variant(1)}));
  EXPECT_EQ(report.Result, TV_REPORT_FALSE);
  EXPECT_EQ(report.Text.rfind("Ошибка при формировании отчета: "_w, 0), 0u) << report.Text;
  EXPECT_EQ(host->Init(), 0);
  const std::string initText = lib->LastError();
  EXPECT_EQ(host->Request('7', Variant()).Result, TV_REPORT_RAISED);
  for (const std::string& text : {report.Text, initText, std::string(lib->LastError())}) {
    for (const std::string& part :
         {"\"" + missing + "\"", std::string("TOLVAREN_ROOT"), std::string("host/prepare-root")})
      EXPECT_NE(text.find(part), std::string::npos) << text;
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(Exports, TheRealLibraryCountsItsCustomFunctions) {
  LoadReal();
  ASSERT_EQ(host->Init(), 1);
  const auto custom = host->Request('#', A({Variant(17), Variant(1), Variant()}));
  EXPECT_EQ(custom.Result, TV_REPORT_TRUE);
  EXPECT_EQ(custom.Text, "raw:00000003#00000000#00000001#00000000");
}

// The client library of the database engine takes SIGINT and SIGTERM for
// itself at its first connection. A host keeps them: the test runs itself
// again as a fresh process (the engine's client takes the signals once per
// process) that sets SIGTERM to a handler of its own, leaves SIGINT at the
// default, loads the library and runs a report that reads the database.
volatile sig_atomic_t guestCaughtSigterm = 0;

TEST(ExportsGuest, DISABLED_TheHostsSignalsStayTheHosts) {
  struct sigaction own {};
  own.sa_handler = [](int) { guestCaughtSigterm = 1; };
  sigemptyset(&own.sa_mask);
  ASSERT_EQ(::sigaction(SIGTERM, &own, nullptr), 0);
  ASSERT_NE(::signal(SIGINT, SIG_DFL), SIG_ERR);
  TestLibrary lib(TOLVAREN_LIBRARY);
  TestHost host(lib, "C:\\FUEL\\DB\\");
  ASSERT_EQ(host.Init(), 1);
  const auto sql = host.Request('#', A({Variant(3), Variant("SELECT COUNT(*) AS N FROM LOGTRAN"),
                                        Variant(0), Variant(""), Variant("")}));
  ASSERT_EQ(sql.Result, TV_REPORT_TRUE) << sql.Text << sql.Error;
  EXPECT_NE(host.Request('7', Variant()).Text.find("<td><b>N</b></td>"), std::string::npos);
  struct sigaction now {};
  ASSERT_EQ(::sigaction(SIGINT, nullptr, &now), 0);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
  ASSERT_EQ(::sigaction(SIGTERM, nullptr, &now), 0);
  EXPECT_EQ(now.sa_handler, own.sa_handler);
  ASSERT_EQ(::raise(SIGTERM), 0);
  EXPECT_EQ(guestCaughtSigterm, 1);
}

TEST_F(Exports, AHostKeepsItsSignalsAfterAReportThatReadsTheDatabase) {
  WriteShift(true, 5, 45000);
  const std::string log = root.Path() + "/guest.txt";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (std::freopen(log.c_str(), "w", stdout) == nullptr) ::_exit(126);
    ::dup2(::fileno(stdout), 2);
    ::execl("/proc/self/exe", "guest", "--gtest_also_run_disabled_tests",
            "--gtest_filter=ExportsGuest.DISABLED_TheHostsSignalsStayTheHosts", nullptr);
    ::_exit(127);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  const std::string out = root.ReadFile("guest.txt");
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
  EXPECT_NE(out.find("[  PASSED  ] 1 test."), std::string::npos) << out;
}

}  // namespace
}  // namespace tv::test
