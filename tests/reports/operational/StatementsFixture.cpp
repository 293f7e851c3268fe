#include "tests/reports/operational/StatementsFixture.h"

#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <regex>

#include "platform/os/Files.h"
#include "tests/library/SampleDatabase.h"

namespace tv::test {

std::string StatementsFixture::sampleDb_;

namespace {

std::string gSampleRoot;

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string SqlQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

}  // namespace

Variant DateVar(int y, int m, int d, int h, int n, int s) {
  return Variant::FromDate(EncodeDateTime(y, m, d, h, n, s, 0));
}
Variant PeriodBegin() { return DateVar(2024, 2, 5); }
Variant PeriodEnd() { return DateVar(2024, 2, 6, 23, 59, 59); }

void StatementsFixture::SetUpTestSuite() {
  // The library tests' sample station database, with the statement sales
  // added once for the program.
  std::string folder = (std::filesystem::temp_directory_path() / "tolvaren-stmt-XXXXXX").string();
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  gSampleRoot = folder;
  const std::string db = folder + "/c/FUEL/DB/Velmar.FDB";
  std::filesystem::create_directories(folder + "/c/FUEL/DB");
  std::filesystem::copy_file(SampleStationDatabase(), db);
  int rc = -1;
  const std::string out =
      RunCommand(std::string(TOLVAREN_SOURCE_DIR) + "/db/add-sample-statements --root " +
                     ShellQuote(folder) + " 2>&1",
                 &rc);
  ASSERT_EQ(rc, 0) << out;
  sampleDb_ = db;
}

void StatementsFixture::AddToSample(const std::string& script) {
  int rc = -1;
  const std::string out = RunCommand(std::string(TOLVAREN_SOURCE_DIR) + "/db/" + script +
                                         " --root " + ShellQuote(gSampleRoot) + " 2>&1",
                                     &rc);
  ASSERT_EQ(rc, 0) << out;
}

void StatementsFixture::TearDownTestSuite() {
  std::error_code ec;
  if (!gSampleRoot.empty()) std::filesystem::remove_all(gSampleRoot, ec);
  sampleDb_.clear();
}

void StatementsFixture::SetUp() {
  ASSERT_FALSE(sampleDb_.empty()) << "the sample station database was not made";
  std::filesystem::copy_file(sampleDb_, DbPath(),
                             std::filesystem::copy_options::overwrite_existing);
  WriteCnf("[Reports]\nMaxSize=30\nMaxRows=30000\n");
  WriteShift(true, 7, EncodeDateTime(2024, 2, 6, 0, 0, 0, 0));
  Load(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  host->Set(0, Variant(7));
  host->Set(1, DateVar(2024, 2, 6));
  host->Set(2, Variant("Петрова Анна Сергеевна"_w));
  host->Set(13, Variant("АЗС №1"_w));
  host->Set(8, Variant(false));  // no office reports
  SetPaymentTypes(StationPaymentTypes());
  ASSERT_EQ(host->Init(), 1);
}

std::vector<std::pair<std::string, int>> StatementsFixture::StationPaymentTypes() {
  const char* const names[] = {"Наличные",    "Платеж. терминал", "Товарные карты",
                               "Безналичные", "Ведомость +",      "Мерник",
                               "ЛНР",         "Самообслуживание", "Договорной",
                               "Талоны",      "Дисконтные карты", "Переливы",
                               "ЛБР"};
  std::vector<std::pair<std::string, int>> types;
  for (int i = 0; i < 13; ++i) types.emplace_back(names[i], i);
  types.emplace_back("Ведомость по договорам", 104);
  return types;
}

void StatementsFixture::SetPaymentTypes(const std::vector<std::pair<std::string, int>>& types) {
  const int n = static_cast<int>(types.size());
  Variant names = VarArrayCreate({0, n - 1}, VarType::Variant);
  Variant list = VarArrayCreate({0, n - 1, 0, 1}, VarType::Variant);
  for (int i = 0; i < n; ++i) {
    names[i] = Variant(Utf8ToCp1251(types[i].first));
    list.At(i, 0) = Variant(types[i].second);
    list.At(i, 1) = Variant(0);
  }
  host->Set(23, names);
  host->Set(57, list);
}

TestHost::Reply StatementsFixture::Request(char code, const Variant& params) {
  TestHost::Reply r = host->Request(code, params);
  r.Text = Cp1251ToUtf8(r.Text);
  r.Error = Cp1251ToUtf8(r.Error);
  return r;
}

std::string StatementsFixture::Report(char code, const Variant& params) {
  const TestHost::Reply r = Request(code, params);
  EXPECT_EQ(r.Result, TV_REPORT_TRUE) << r.Text << r.Error;
  EXPECT_EQ(r.Text.find("Ошибка"), std::string::npos) << r.Text;
  return r.Text;
}

std::string StatementsFixture::Html() { return host->Request('7', Variant()).Text; }

namespace {

std::vector<std::vector<std::string>> CellRows(const std::string& script, const std::string& html,
                                               const std::string& folder, bool wellFormed) {
  const std::string file = folder + "/report.html";
  const std::string problems = folder + "/report.problems";
  WriteFileBytes(file, html);
  int rc = -1;
  const std::string out = RunCommand(
      "python3 " +
          ShellQuote(std::string(TOLVAREN_SOURCE_DIR) + "/tests/reports/operational/" + script) +
          " " + ShellQuote(file) + " 2>" + ShellQuote(problems),
      &rc);
  if (wellFormed) {
    EXPECT_EQ(rc, 0) << "the HTML version is not well-formed: " << ReadFileBytes(problems);
  }
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : Lines(out)) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t');; tab = line.find('\t', start)) {
      cells.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    rows.push_back(std::move(cells));
  }
  return rows;
}

}  // namespace

std::vector<std::vector<std::string>> StatementsFixture::HtmlRows(bool wellFormed) {
  return CellRows("html_cells.py", Html(), root.Path(), wellFormed);
}

std::vector<std::vector<std::string>> StatementsFixture::HtmlSpanRows() {
  return CellRows("html_spans.py", Html(), root.Path(), true);
}

std::string StatementsFixture::DbPath() const { return root.Path() + "/c/FUEL/DB/Velmar.FDB"; }

std::vector<IsqlRow> StatementsFixture::Sql(const std::string& utf8Select) const {
  std::vector<IsqlRow> rows = IsqlSelect(DbPath(), Utf8ToCp1251(utf8Select));
  for (IsqlRow& row : rows)
    for (auto& [name, value] : row) value = Cp1251ToUtf8(value);
  return rows;
}

void StatementsFixture::Exec(const std::string& utf8Statement) const {
  int rc = -1;
  const std::string out =
      Isql("SET NAMES WIN1251;\nCONNECT " + SqlQuote(DbPath()) + " USER 'SYSDBA';\n" +
               Utf8ToCp1251(utf8Statement) + ";\nCOMMIT;\n",
           &rc);
  ASSERT_EQ(rc, 0) << Cp1251ToUtf8(out);
}

std::string ExpectedText(const std::string& name) {
  std::string text =
      ReadFileBytes(std::string(TOLVAREN_TESTDATA_DIR) + "/reports/operational/" + name);
  // The files keep plain line ends; the reports end their lines with CR LF.
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string MaskPrintTime(std::string text) {
  const std::size_t eol = text.find("\r\n");
  std::string first = text.substr(0, eol);
  first = std::regex_replace(first, std::regex(R"(\d\d\.\d\d\.\d{4})"), "dd.mm.yyyy",
                             std::regex_constants::format_first_only);
  // The hour has one digit before ten: its slot pads one blank more, which
  // the mask takes back so that the line reads as at any other hour.
  std::smatch time;
  if (std::regex_search(first, time, std::regex(R"((\d{1,2}):\d\d:\d\d( ?))"))) {
    const bool oneDigit = time[1].length() == 1 && time[2].length() == 1;
    first.replace(static_cast<std::size_t>(time.position(0)),
                  static_cast<std::size_t>(time.length(0)), oneDigit ? "h:mm:ss" : "h:mm:ss" + time[2].str());
  }
  return first + (eol == std::string::npos ? std::string() : text.substr(eol));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

double Num(std::string text) {
  std::string digits;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == ' ') continue;
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xA0) {
      ++i;  // the no-break space of the thousands
      continue;
    }
    digits += c == ',' ? '.' : static_cast<char>(c);
  }
  if (digits.empty()) return std::nan("");
  char* end = nullptr;
  const double value = std::strtod(digits.c_str(), &end);
  return *end == '\0' ? value : std::nan("");
}

}  // namespace tv::test
