// One report request through the creator: open shift from the registry,
// configuration file, template variant, size limits and report settings
// read fresh for each request, the four log lines and the error texts;
// the host's fill and report procedures as builders use them.
#include "platform/os/Files.h"
#include "tests/library/LibraryFixture.h"

namespace tv::test {
namespace {

class ReportCreator : public LibraryFixture {
 protected:
  void SetUp() override {
    Load();
    ASSERT_EQ(host->Init(), 1);
  }
  // Code 18 records the creator's open-shift facts.
  std::string ShiftFacts() {
    ResetCalls();
    const auto r = host->Request('\x12', Variant());
    EXPECT_EQ(r.Result, TV_REPORT_TRUE) << Cp1251ToUtf8(r.Text);
    return Calls();
  }
  std::string Fill(int kind) {
    return Cp1251ToUtf8(lib->Get<const char* (*)(int)>("tv_test_fill")(kind));
  }
  std::string Section(int code) {
    return Cp1251ToUtf8(lib->Get<const char* (*)(int)>("tv_test_section")(code));
  }
};

TEST_F(ReportCreator, StationHostReadsTheOpenShiftFromTheRegistryForEveryRequest) {
  const auto missing = host->Request('\x12', Variant(), "x");
  EXPECT_EQ(missing.Result, TV_REPORT_FALSE);
  EXPECT_EQ(
      missing.Text,
      "Ошибка при формировании отчета: TReportCreator.CollectSmenaInfo: Не удалось прочесть данные из реестра!"_w);
  EXPECT_FALSE(Logged("НЕ сформирован"_w));  // nothing is logged for a creator that failed
  WriteShift(false, 9, 45000.25);
  EXPECT_EQ(ShiftFacts(), "GetCurSmenaBackCardReport(false, -1, d0)\n");
  WriteShift(true, 9, 45000.25);
  EXPECT_EQ(ShiftFacts(), "GetCurSmenaBackCardReport(true, 9, d45000,25)\n");
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Halvorsk\\AZS", false));
    reg.DeleteValue("SmenaBeginTime");
  }
  EXPECT_EQ(ShiftFacts(), "GetCurSmenaBackCardReport(true, 9, d0)\n");
  EXPECT_EQ(State("CnfIniFileName"), "C:\\WINDOWS\\cnf.ini");
}

TEST_F(ReportCreator, AStationDatabaseThatCannotBeOpenedFailsBeforeTheBuilder) {
  WriteShift(true, 5, 45000);
  root.WriteFile("c/FUEL/DB/Velmar.FDB", "not a database");
  ResetCalls();
  const auto r = host->Request('\x12', Variant(), "x");
  EXPECT_EQ(r.Result, TV_REPORT_FALSE);
  EXPECT_EQ(r.Text.rfind("Ошибка при формировании отчета: "_w, 0), 0u);
  EXPECT_NE(r.Text.find("Velmar.FDB"), std::string::npos) << Cp1251ToUtf8(r.Text);
  EXPECT_EQ(Calls(), "");
  // The data folder is the host's answer, used as it is.
  host->Set(5, Variant(root.Path() + "/nowhere/"));
  EXPECT_EQ(host->Request('\x12', Variant()).Result, TV_REPORT_FALSE);
}

TEST_F(ReportCreator, OfficeHostSkipsTheRegistryAndUsesItsDataFolder) {
  host->Set(46, Variant(3));
  ASSERT_EQ(host->Init(), 1);
  ResetCalls();
  EXPECT_EQ(ShiftFacts(), "GetCurSmenaBackCardReport(false, -1, d0)\n");
  EXPECT_EQ(State("CnfIniFileName"), "C:\\FUEL\\DB\\cnf.ini");
  // The payment types are read twice: by the creator (office) and the request.
  host->Events.clear();
  host->Request('\x12', Variant());
  const auto q = host->Questions();
  EXPECT_EQ(std::count(q.begin(), q.end(), "Q23/0"), 2);
}

TEST_F(ReportCreator, QuestionsOfOneRequestInOrder) {
  WriteShift(true, 5, 45000);
  host->Events.clear();
  host->Request('\x12', Variant());
  EXPECT_EQ(host->Questions(),
            (std::vector<std::string>{"Q46/0", "Q5/0", "Q23/0", "Q56/0", "Q9/0", "Q9/0"}));
}

TEST_F(ReportCreator, TemplateVariantFromTheHostEachRequest) {
  WriteShift(true, 5, 45000);
  host->Set(56, Variant(1));
  host->Request('\x12', Variant());
  EXPECT_EQ(State("UseAltTemplates"), "false");
  host->Set(56, Variant(0));
  host->Request('\x12', Variant());
  EXPECT_EQ(State("UseAltTemplates"), "true");
  EXPECT_EQ(State("UseAltForms"), "true");
  host->Throw(56);
  host->Set(8, Variant(true));
  host->Request('\x12', Variant());
  EXPECT_EQ(State("UseAltTemplates"), "true");
  host->Fail(8);
  host->Request('\x12', Variant());
  EXPECT_EQ(State("UseAltTemplates"), "false");
  EXPECT_EQ(State("UseAltForms"), "false");
}

TEST_F(ReportCreator, SizeLimitsAndSettingsComeFromCnfIniOfEachRequest) {
  WriteShift(true, 5, 45000);
  host->Set(9, Variant(3));
  host->Request('\x12', Variant());
  auto s = State();
  EXPECT_EQ(s.at("MaxReportSizeMB"), "30");
  EXPECT_EQ(s.at("MaxReportRows"), "30000");
  EXPECT_EQ(s.at("DecL"), "2");
  EXPECT_EQ(s.at("DecL2"), "3");
  EXPECT_EQ(s.at("DecKg2"), "3");
  EXPECT_EQ(s.at("VolumeFormat"), "%.3n");
  EXPECT_EQ(s.at("NotRoundRVal"), "true");
  EXPECT_EQ(s.at("RepeatH"), "true");
  WriteCnf(
      "[Reports]\nMaxSize=10\nMaxRows=500\nDecL=4\nDecKg2=1\nDecimalSeparator="
      "2E\nThousandSeparator=20\n"
      "RepeatH=0\nFinPrcDelim=1\n[SmenaRep]\nRoundRVal=1\nSiloReportSortField=2\n[Misc]\nRepSmType="
      "3\n");
  host->Request('\x12', Variant());
  s = State();
  EXPECT_EQ(s.at("MaxReportSizeMB"), "10");
  EXPECT_EQ(s.at("MaxReportRows"), "500");
  EXPECT_EQ(s.at("DecL"), "4");
  EXPECT_EQ(s.at("MassFormat"), "%.1n");
  EXPECT_EQ(s.at("VolumeFormat"), "%.3n");
  EXPECT_EQ(s.at("DecimalSeparator"), ".");
  EXPECT_EQ(s.at("ThousandSeparator"), " ");
  EXPECT_EQ(s.at("RepeatH"), "false");
  EXPECT_EQ(s.at("FinPrcDelim"), "true");
  EXPECT_EQ(s.at("NotRoundRVal"), "false");
  EXPECT_EQ(s.at("SiloReportSortField"), "2");
  EXPECT_EQ(s.at("RepSmType"), "3");
  // The '7' request reads nothing anew.
  WriteCnf("[Reports]\nMaxSize=1\n");
  host->Request('7', Variant());
  EXPECT_EQ(State("MaxReportSizeMB"), "10");
}

TEST_F(ReportCreator, LogLinesAndErrorTextsOfTheFourOutcomes) {
  WriteShift(true, 5, 45000);
  auto r = host->Request('-', A({Variant(5), Variant(7), EmptyArray()}));
  EXPECT_EQ(r.Result, TV_REPORT_TRUE);
  EXPECT_EQ(r.Text, "OUT CreateCloseSmenaReport");
  EXPECT_TRUE(Logged(" [инф] [Tolvaren] Отчет \"Сменный отчет\" (45) сформирован за "_w));

  r = host->Request('\x01', A({}), "unchanged");
  EXPECT_EQ(r.Result, TV_REPORT_FALSE);
  EXPECT_EQ(r.Text, "unchanged");
  EXPECT_TRUE(Logged(" [инф] [Tolvaren] Отчет \"Неизвестный отчет\" (1) НЕ сформирован!"_w));
  EXPECT_EQ(host->Request('7', Variant()).Text, "HTML-отчет не сформирован!"_w);

  FailBuilders("X");
  r = host->Request('-', A({Variant(5), Variant(7), EmptyArray()}));
  EXPECT_EQ(r.Result, TV_REPORT_TRUE);
  EXPECT_EQ(r.Text, "Ошибка при формировании отчета \"Сменный отчет\": X"_w);
  EXPECT_EQ(host->Request('7', Variant()).Text, r.Text);
  EXPECT_TRUE(Logged(" [ошиб] [Tolvaren] Ошибка формирования отчета \"Сменный отчет\" №45: X"_w));

  // A failure before the builder: False and the short error text.
  host->Fail(5, "Нет папки"_w);
  r = host->Request('-', A({Variant(5), Variant(7), EmptyArray()}));
  EXPECT_EQ(r.Result, TV_REPORT_FALSE);
  EXPECT_EQ(r.Text, "Ошибка при формировании отчета: Нет папки"_w);
}

TEST_F(ReportCreator, TheHostFillsDataSetsByFieldName) {
  host->SetFillRows(1, {{{"smnum", Variant(std::string("5"))},
                         {"BegTime", Variant::FromDate(EncodeDateTime(2024, 3, 2, 20, 0, 0, 0))},
                         {"Operator", Variant("Иванова Мария Петровна"_w)},
                         {"SUMMA", Variant(12.34567)}},
                        {{"SMNUM", Variant(6)}}});
  EXPECT_EQ(Fill(1), "5|02.03.2024 20:00:00|Иванова Мария Петров|12,3457\n6|||\n");
  EXPECT_EQ(host->FillFields.back(), "SMNUM,BEGTIME,OPERATOR,SUMMA");
  // An unknown field or a value that does not convert fails the fill.
  host->SetFillRows(2, {{{"NOSUCH", Variant(1)}}});
  EXPECT_EQ(Fill(2), "error: Программа-хост не заполнила данные смены (вид 2)");
  host->SetFillRows(3, {{{"SMNUM", Variant("abc")}}});
  EXPECT_EQ(Fill(3), "error: Программа-хост не заполнила данные смены (вид 3)");
  // A second InitReports without a fill procedure keeps the first one.
  ASSERT_EQ(lib->InitReports(nullptr, TestHost::Query(), nullptr), 1);
  EXPECT_EQ(Fill(1).substr(0, 2), "5|");
}

TEST_F(ReportCreator, DataSetFunctionsRefuseMisuseWithATextAndNeverCrash) {
  auto append = lib->Get<decltype(&::tv_md_append)>("tv_md_append");
  auto set = lib->Get<decltype(&::tv_md_set)>("tv_md_set");
  auto post = lib->Get<decltype(&::tv_md_post)>("tv_md_post");
  auto add = lib->Get<decltype(&::tv_md_add_field)>("tv_md_add_field");
  auto count = lib->Get<decltype(&::tv_md_record_count)>("tv_md_record_count");
  auto type = lib->Get<decltype(&::tv_md_field_type)>("tv_md_field_type");
  auto name = lib->Get<decltype(&::tv_md_field_name)>("tv_md_field_name");
  std::vector<std::string> seen;
  host->SetFillProc(5, [&](TVMemoryData* data) {
    TVVariant v{};
    lib->Put(Variant(7), &v);
    const auto note = [&](int32_t rc) {
      seen.push_back(std::to_string(rc) + " " + lib->LastError());
    };
    note(set(data, "SMNUM", &v));                // no appended row
    note(add(data, "EXTRA", TV_FT_STRING, 4));   // no rows yet: allowed
    note(add(data, "SMNUM", TV_FT_INTEGER, 0));  // a second field of the name
    note(add(data, "", TV_FT_INTEGER, 0));
    note(append(data));
    note(set(data, "extra", &v));
    note(set(data, "SMNUM", nullptr));  // null pointer: an empty value
    note(post(data));
    note(add(data, "LATE", TV_FT_INTEGER, 0));  // rows exist now
    note(count(data));
    note(type(data, 4));
    note(type(data, 9));
    note(set(nullptr, "SMNUM", &v));
    seen.push_back(name(data, 4) == nullptr ? "nil" : name(data, 4));
    seen.push_back(name(data, -1) == nullptr ? "nil" : "?");
    lib->Clear(&v);
    return TV_HOST_OK;
  });
  EXPECT_EQ(Fill(5), "||||7\n");
  EXPECT_EQ(seen,
            (std::vector<std::string>{
                "-1 No appended row to set a field of", "0 No appended row to set a field of",
                "-1 Duplicate field name 'SMNUM'", "-1 A field needs a name",
                "0 A field needs a name", "0 A field needs a name", "0 A field needs a name",
                "0 A field needs a name", "-1 Fields can be added only to a data set without rows",
                "1 Fields can be added only to a data set without rows",
                "1 Fields can be added only to a data set without rows",
                "0 Fields can be added only to a data set without rows", "-1 No data set", "EXTRA",
                "nil"}));
}

class WithoutProcedures : public ReportCreator {
 protected:
  void SetUp() override { Load(); }
};

TEST_F(WithoutProcedures, BuildersGetAClearError) {
  ASSERT_EQ(lib->InitReports(nullptr, TestHost::Query(), nullptr), 1);
  EXPECT_EQ(Fill(1), "error: Программа-хост не передала процедуру заполнения данных (вид 1)");
  EXPECT_EQ(Section(29), "error: Программа-хост не передала процедуру отчетов (код 29)");
}

TEST_F(ReportCreator, TheHostReturnsSectionTexts) {
  host->SetSection(29, "Раздел А\r\n"_w);
  EXPECT_EQ(Section(29), "Раздел А\r\n");
  EXPECT_EQ(host->Events.back(), "R29 [5, 7, 0, \"C:\\x.html\"]");
  host->FailEverything(true);
  EXPECT_EQ(Section(30), "error: Программа-хост не ответила на запрос отчета 30");
}

}  // namespace
}  // namespace tv::test
