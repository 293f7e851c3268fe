// The close-of-shift report through the exported names: the section
// request layouts, the codes and their parameter arrays, the open shift
// from the host's fill, the host sections, the goods library stand-in and
// error containment.

#include <dlfcn.h>

#include <filesystem>

#include "platform/os/Files.h"
#include "platform/SysUtils.h"
#include "tests/reports/shift/ShiftFixture.h"

namespace tv::test {
namespace {

// The sections of a text in the order they appear, by their forms' words.
std::string SectionsOf(const std::string& text) {
  const std::pair<char, std::string> marks[] = {{'0', "СМЕННЫЙ ОТЧЕТ ПО АЗС"},
                                                {'1', "Состав смены"},
                                                {'2', "Топливнораздаточные колонки"},
                                                {'3', "Резервуары"}};
  std::vector<std::pair<std::size_t, char>> found;
  for (const auto& [kind, mark] : marks)
    for (std::size_t p = text.find(mark); p != std::string::npos; p = text.find(mark, p + 1))
      found.emplace_back(p, kind);
  std::sort(found.begin(), found.end());
  std::string out;
  for (const auto& f : found) out += f.second;
  return out;
}

Variant V(const std::string& utf8) { return Variant(Utf8ToCp1251(utf8)); }


using CloseSmenaReport = ShiftFixture;

TEST_F(CloseSmenaReport, LayoutsOfTheSectionRequest) {
  const Variant names = V("Раздел");
  struct Case {
    const char* what;
    Variant sections;
    std::string order;
    bool publishesHtml;
  };
  const Case cases[] = {
      {"order [2, 0, 1, 1, 0]", A({Variant(2), Variant(0), Variant(1), Variant(1), Variant(0)}),
       "230", false},
      {"order as texts", A({V("1"), V("0"), V("0"), V("2")}), "03", false},
      {"order with ties and values of 0 or less", A({Variant(1), Variant(-5), Variant(1)}), "02",
       false},
      {"empty: header, dispensers, tanks", EmptyArray(), "023", false},
      {"paired with templates",
       Paired({{3, "", "Информация о резервуарах.html"}, {2, "", "Информация о ТРК.html"}}), "32",
       true},
      {"paired with a form", Paired({{1, "SmenaEnd.FRM", ""}}), "1", true},
      {"paired, kind 18 and -1 build nothing", Paired({{18, "", ""}, {-1, "", ""}, {2, "", ""}}),
       "2", true},
      {"triple with bare names",
       A({names, Variant(2), V("Smena1.FRM"), V("Другой"), Variant(1), V("SmenaEnd.FRM")}), "21",
       true},
      {"triple on drive s:", A({names, Variant(3), V("s:\\FUEL\\FORMS\\REPORT\\Smena2.FRM"),
                                V("Другой"), Variant(0), V("S:\\FUEL\\FORMS\\REPORT\\SmenaBeg.FRM")}),
       "30", true},
      {"three elements are one triple", A({names, Variant(3), V("Smena2.FRM")}), "3", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string text = ShiftReport(101, 101, c.sections);
    EXPECT_EQ(SectionsOf(text), c.order) << text;
    const std::string html = Html();
    EXPECT_EQ(html == Utf8ToCp1251("HTML-отчет не сформирован!"), !c.publishesHtml);
  }
}

TEST_F(CloseSmenaReport, TripleLayoutPublishesOneTemplateMessagePerSection) {
  ShiftReport(101, 101, A({V("a"), Variant(2), V("Smena1.FRM"), V("b"), Variant(3),
                           V("Smena2.FRM")}));
  const std::string html = Cp1251ToUtf8(Html());
  EXPECT_EQ(html, "Ошибка при открытии файла шаблона отчета \"C:\\FUEL\\FORMS\\WEBREP\\\": Файл не "
                  "найден!Ошибка при открытии файла шаблона отчета \"C:\\FUEL\\FORMS\\WEBREP\\\": "
                  "Файл не найден!");
}

TEST_F(CloseSmenaReport, RequestsThatEndTheReport) {
  const std::string prefix = "Ошибка при формировании отчета \"Сменный отчет\": Формирование "
                             "сменного отчета -> ";
  struct Case {
    const char* what;
    Variant sections;
  };
  const Case cases[] = {
      {"a kind that does not convert", A({V("a"), V("abc"), V("Smena1.FRM")})},
      {"paired layout short of element 5", A({V("a"), Variant(2), V(""), V("a"), Variant(0)})},
      {"not an array", Variant(5)},
      {"two dimensions", VarArrayCreate({0, 1, 0, 1}, VarType::Variant)},
      {"a Null element", A({Variant(1), Variant::Null()})},
      {"an Empty element", A({Variant(1), Variant()})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int before = TempFiles();
    const TestHost::Reply r = Request('-', A({Variant(101), Variant(101), c.sections}));
    EXPECT_EQ(r.Result, TV_REPORT_TRUE);
    EXPECT_EQ(r.Text.rfind(prefix, 0), 0u) << r.Text;
    EXPECT_EQ(TempFiles(), before);
  }
}

TEST_F(CloseSmenaReport, CodesAndTheirParameterArrays) {
  const std::string nozzle = "|1   |АИ-92 |   50,00 |  125 000 |  126 000 |1 000,00 |  750,50 |";
  EXPECT_NE(Plain(Report(2, A({Variant(101)}))).find(nozzle), std::string::npos);
  EXPECT_EQ(SectionsOf(Report(4, A({Variant(101), Variant(103)}))), "023");
  SetOpenShiftFill();
  EXPECT_EQ(SectionsOf(Report(3, EmptyArray())), "023");
  EXPECT_EQ(SectionsOf(Report(3, Variant())), "023");
  EXPECT_EQ(Html(), Utf8ToCp1251("HTML-отчет не сформирован!"));
  const std::string log = Cp1251ToUtf8(Log());
  EXPECT_NE(log.find("Отчет \"Неизвестный отчет\" (2) сформирован"), std::string::npos) << log;
  EXPECT_NE(log.find("Отчет \"Неизвестный отчет\" (3) сформирован"), std::string::npos);
  EXPECT_NE(log.find("Отчет \"Неизвестный отчет\" (4) сформирован"), std::string::npos);

  const Variant s = A({Variant(1)});  // the header alone
  const Variant dir(Utf8ToCp1251(root.Path()));
  const std::vector<Variant> lengths[] = {
      {Variant(101), Variant(101), s, Variant(-1), Variant(0)},
      {Variant(101), Variant(101), s, Variant(-1), Variant(0), dir, Variant(false)},
      {Variant(101), Variant(101), s, Variant(-1), Variant(0), dir, Variant(false), Variant()},
      {Variant(101), Variant(101), s, Variant(-1), Variant(0), dir, Variant(false), Variant(),
       Variant(0)},
      {Variant(101), Variant(101), s, Variant(-1), Variant(0), dir, Variant(false), Variant(),
       Variant(0), Variant()},
  };
  for (const auto& params : lengths) {
    SCOPED_TRACE(params.size());
    EXPECT_EQ(SectionsOf(Report('-', VarArrayOf(params))), "0");
  }
  const TestHost::Reply six =
      Request('-', A({Variant(101), Variant(101), s, Variant(-1), Variant(0), dir}));
  EXPECT_EQ(six.Result, TV_REPORT_TRUE);
  EXPECT_EQ(six.Text.rfind("Ошибка при формировании отчета \"Сменный отчет\": ", 0), 0u) << six.Text;
  EXPECT_NE(Cp1251ToUtf8(Log()).find("Отчет \"Сменный отчет\" (45) сформирован"),
            std::string::npos);
}

TEST_F(CloseSmenaReport, HeaderShowsTheCashRegisterOfKKMIndex) {
  host->Set(43, V("ШТРИХ-М-ПТК"));
  host->Set(44, V("00112233"));
  host->Set(18, V("0001234567012345"));
  const std::string text = Report(
      '-', A({Variant(101), Variant(101), A({V("a"), Variant(0), V(TestForm("HeaderKKM.frm"))}),
              Variant(1)}));
  const auto fields = Fields(text);
  ASSERT_EQ(fields.size(), 1u) << text;
  EXPECT_EQ(fields[0], (std::vector<std::string>{"ШТРИХ-М-ПТК", "00112233", "0001234567012345", ""}));
}

TEST_F(CloseSmenaReport, OpenShiftComesFromTheHost) {
  SetOpenShiftFill();
  const std::string trk = TestForm("TrkAll.frm");
  host->Events.clear();
  const std::string text = ShiftReport(-1, -1, A({V("a"), Variant(2), V(trk)}));
  std::vector<std::string> fills;
  for (const std::string& e : host->Events)
    if (e[0] == 'F') fills.push_back(e);
  EXPECT_EQ(fills, (std::vector<std::string>{"F1", "F2", "F3", "F6"}));
  const auto fields = Fields(text);
  ASSERT_GE(fields.size(), 2u) << text;
  EXPECT_EQ(fields[0], (std::vector<std::string>{"SmNum=104", "Beg=02.04.2024 08:00",
                                                  "End=не закрыта", "EndT=",
                                                  "Op=Морозов Антон Юрьевич"}));
  EXPECT_EQ(std::vector<std::string>(fields[1].begin(), fields[1].begin() + 4),
            (std::vector<std::string>{"1", "1", "1", "АИ-92"}));

  // The HTML header of the open shift says so too.
  ShiftReport(-1, -1, Paired({{0, "", "Шапка сменного отчета.html"}}));
  const std::string html = Cp1251ToUtf8(Html());
  EXPECT_NE(html.find("не закрыта"), std::string::npos);
  EXPECT_NE(html.find(">104<"), std::string::npos) << html;

  // The goods section's period of the open shift ends now (the fixed clock).
  host->Events.clear();
  ShiftReport(104, 104, A({V("a"), Variant(11), V("G.FRM")}));
  std::string goods;
  for (const std::string& e : host->Events)
    if (e.rfind("R89 ", 0) == 0) goods = e;
  EXPECT_EQ(goods, "R89 [104, 104, d45384,3333333333, d45384,4375, \"C:\\FUEL\\FORMS\\REPORT\\G.FRM\"]");
}

TEST_F(CloseSmenaReport, ClosedShiftNumberedAsTheOpenOneIsReadFromTheDatabase) {
  host->Set(0, Variant(101));
  host->Events.clear();
  const std::string text = Report(2, A({Variant(101)}));
  for (const std::string& e : host->Events) EXPECT_NE(e[0], 'F') << e;
  EXPECT_NE(Plain(text).find("125 000"), std::string::npos);
}

TEST_F(CloseSmenaReport, FillFailingOnKind3EndsTheReport) {
  SetOpenShiftFill();
  host->SetFillProc(3, [](TVMemoryData*) { return TV_HOST_FAILED; });
  const int before = TempFiles();
  const TestHost::Reply r = Request(3, EmptyArray());
  EXPECT_EQ(r.Result, TV_REPORT_TRUE);
  EXPECT_EQ(r.Text, "Ошибка при формировании отчета \"Неизвестный отчет\": Формирование сменного "
                    "отчета -> Программа-хост не заполнила данные смены (вид 3) <# "
                    "EHostCallbackError #>");
  EXPECT_EQ(TempFiles(), before);
}

TEST_F(CloseSmenaReport, HostSectionsGetTheirParams) {
  host->SetSection(29, "A-текст"_w);
  host->SetSection(30, "B-текст"_w);
  host->SetSection(89, "G-текст"_w);
  host->SetSection(255, "<p>G</p>");
  host->Events.clear();
  const std::string text = ShiftReport(
      101, 103,
      A({V("a"), Variant(8), V("F8.FRM"), V("b"), Variant(9), V("F9.FRM"), V("c"), Variant(11),
         V("F11.FRM")}));
  std::vector<std::string> sections;
  for (const std::string& e : host->Events)
    if (e[0] == 'R') sections.push_back(e);
  const std::vector<std::string> expected = {
      "R29 [101, 103, 0, \"C:\\FUEL\\FORMS\\REPORT\\F8.FRM\"]",
      "R30 [101, 103, \"C:\\FUEL\\FORMS\\REPORT\\F9.FRM\"]",
      "R89 [101, 103, d45383,3333333333, d45384,3333333333, \"C:\\FUEL\\FORMS\\REPORT\\F11.FRM\"]",
      "R255 []"};
  EXPECT_EQ(sections, expected);
  EXPECT_EQ(text, "A-текстB-текстG-текст");
  EXPECT_EQ(Html(), "<p>G</p>");
}

TEST_F(CloseSmenaReport, FailingHostSectionLeavesItsMessageAlone) {
  host->FailSection(29, "хост не может"_w);
  host->SetSection(30, "B");
  const std::string text =
      ShiftReport(101, 101, A({V("a"), Variant(8), V("x"), V("b"), Variant(9), V("y")}));
  EXPECT_EQ(text, "хост не можетB") << text;
}

TEST_F(CloseSmenaReport, GoodsLibraryIsCalledOnlyWhenTheHostLoadedIt) {
  const Variant goods = A({V("a"), Variant(11), V("x")});
  const Variant dir(Utf8ToCp1251(root.Path() + "/"));
  const auto request = [&](const Variant& path) {
    return Report('-', A({Variant(101), Variant(101), goods, Variant(-1), Variant(0), path,
                          Variant(false)}));
  };
  request(dir);  // not loaded: nothing to call
  EXPECT_EQ(::dlopen("libTovarRep.so", RTLD_NOW | RTLD_NOLOAD), nullptr)
      << "the report loaded the goods library";

  void* noAlias = ::dlopen(TOVARREP_NOALIAS_LIBRARY, RTLD_NOW);
  ASSERT_NE(noAlias, nullptr) << ::dlerror();
  request(dir);
  auto noAliasCalls = reinterpret_cast<const char* (*)()>(::dlsym(noAlias, "TovarRepCalls"));
  EXPECT_STREQ(noAliasCalls(), "");
  ::dlclose(noAlias);

  void* module = ::dlopen(TOVARREP_LIBRARY, RTLD_NOW);
  ASSERT_NE(module, nullptr) << ::dlerror();
  auto calls = reinterpret_cast<const char* (*)()>(::dlsym(module, "TovarRepCalls"));
  request(dir);
  request(V("/no/such/folder"));
  EXPECT_EQ(std::string(calls()), root.Path() + "\n\n");
  ::dlclose(module);
}

TEST_F(CloseSmenaReport, SectionFailuresAreContained) {
  // A missing header form: the header's own text, one log line, the rest whole.
  const std::string text =
      Request('-', A({Variant(101), Variant(101),
                      A({V("a"), Variant(0), V("C:\\FUEL\\FORMS\\REPORT\\NoSuch.FRM"), V("b"),
                         Variant(2), V("Smena1.FRM")})}))
          .Text;
  EXPECT_EQ(text.rfind("Ошибка при формировании заголовка сменного отчета: ", 0), 0u) << text;
  EXPECT_EQ(SectionsOf(text), "2");
  EXPECT_EQ(Html().find("<br><br>"), 0u);
  const std::string log = Cp1251ToUtf8(Log());
  EXPECT_NE(log.find("Ошибка при формировании заголовка сменного отчета: "), std::string::npos);

  // A form that is a folder, and binary garbage.
  const std::string garbage = root.Path() + "/garbage.frm";
  WriteFileBytes(garbage, std::string("\x00\x01\xff@Group\x00~X", 11));
  const std::string folder =
      Request('-', A({Variant(101), Variant(101), A({V("a"), Variant(3), V(root.Path())})})).Text;
  EXPECT_EQ(folder.rfind("Ошибка при формировании отчета по резервуарам: ", 0), 0u) << folder;
  const TestHost::Reply r = Request('-', A({Variant(101), Variant(101), A({V("a"), Variant(3), V(garbage)})}));
  EXPECT_EQ(r.Result, TV_REPORT_TRUE);
  EXPECT_EQ(TempFiles(), 0);
}

TEST_F(CloseSmenaReport, BackwardsRangeAndRangeWithoutData) {
  const std::string count = Sql("SELECT COUNT(*) AS N FROM SILOVO")[0].at("N");
  for (const auto& [from, to, smNum] : {std::tuple(7, 5, "SmNum=7 - 5"), std::tuple(500, 600, "SmNum=500 - 600")}) {
    const auto fields = Fields(ShiftReport(from, to, A({V("a"), Variant(2), V(TestForm("TrkAll.frm"))})));
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[0][0], smNum);
    EXPECT_EQ(fields[1], std::vector<std::string>(9, "0,00"));
  }
  EXPECT_EQ(Sql("SELECT COUNT(*) AS N FROM SILOVO")[0].at("N"), count);  // nothing written
}

TEST_F(CloseSmenaReport, FillRowWithTextInANumericField) {
  SetOpenShiftFill();
  host->SetFillRows(2, {{{"SMNUM", Variant(104)}, {"TRKSMENA", V("много")}}});
  const int before = TempFiles();
  const TestHost::Reply r = Request(3, EmptyArray());
  EXPECT_EQ(r.Result, TV_REPORT_TRUE);
  EXPECT_EQ(r.Text.rfind("Ошибка при формировании отчета \"Неизвестный отчет\": Формирование "
                         "сменного отчета -> ",
                         0),
            0u)
      << r.Text;
  EXPECT_EQ(TempFiles(), before);
}

TEST_F(CloseSmenaReport, TemplateWithUnpairedRowsFailsTheDispenserSection) {
  // The built-in dispenser template with the record row's "</tr>" dropped.
  std::string tpl = ReadFileBytes(
      Utf8ToCp1251(std::string(TOLVAREN_SOURCE_DIR) + "/templates/web/Информация о ТРК.html"));
  const std::size_t row = tpl.find("&lt;#TN&gt;");
  ASSERT_NE(row, std::string::npos);
  tpl.erase(tpl.find("</tr>", row), 5);
  root.WriteFile("c/FUEL/FORMS/WEBREP/bad.html", Utf8ToCp1251(tpl));
  const std::string text =
      Request('-', A({Variant(101), Variant(101),
                      Paired({{2, "", "bad.html"}, {3, "", "Информация о резервуарах.html"}})}))
          .Text;
  EXPECT_EQ(text.rfind("Ошибка при формировании отчета по ТРК: ", 0), 0u) << text;
  EXPECT_NE(text.find("Резервуары"), std::string::npos);
  EXPECT_EQ(TempFiles(), 0);
}

TEST_F(CloseSmenaReport, OfficeModeOnTheOlderSchema) {
  // A station database of the older schema with the shift sample.
  const std::string old = root.Path() + "/old";
  int rc = -1;
  const std::string out = RunCommand(
      std::string(TOLVAREN_SOURCE_DIR) + "/db/create-sample-db --only station --schema old --root '" +
          old + "' >/dev/null 2>&1 && " + TOLVAREN_SOURCE_DIR +
          "/db/add-sample-shifts --schema old --root '" + old + "' 2>&1",
      &rc);
  ASSERT_EQ(rc, 0) << out;
  std::filesystem::copy_file(old + "/c/FUEL/DB/Velmar.FDB", DbPath(),
                             std::filesystem::copy_options::overwrite_existing);
  host->Set(56, Variant(0));
  host->Set(8, Variant(true));
  const std::string text =
      Request('-', A({Variant(101), Variant(101), Paired({{3, "", ""}, {2, "", ""}})})).Text;
  const std::string chain = "ЗаполнитьСписокРезервуаров -> ДанныеПоНачалуДиапазона -> ";
  EXPECT_EQ(text.rfind(chain, 0), 0u) << text;
  EXPECT_NE(text.find("Топливнораздаточные колонки"), std::string::npos) << text;
  EXPECT_EQ(TempFiles(), 0);
}

class ShiftReportWithoutFill : public ShiftFixture {
 protected:
  bool WithFill() const override { return false; }
};

TEST_F(ShiftReportWithoutFill, EmptyTablesAndASuccessfulReport) {
  const std::string text = Report(3, EmptyArray());
  EXPECT_EQ(SectionsOf(text), "023");
  // The fill would have given the open shift's number: the request's -1 stays.
  EXPECT_NE(text.find("|-1       |"), std::string::npos) << text;
}

}  // namespace
}  // namespace tv::test
