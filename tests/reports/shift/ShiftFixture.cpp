#include "tests/reports/shift/ShiftFixture.h"

#include <cstdlib>
#include <filesystem>

#include "platform/os/Files.h"
#include "platform/SysUtils.h"

namespace tv::test {

namespace {

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// The sample's open shift 104 as the host fills it (a subset of columns).
std::vector<std::map<std::string, Variant>> OpenShiftRows(int kind) {
  const auto date = [](int h) { return DateVar(2024, 4, 2, h, 0, 0); };
  switch (kind) {
    case 1:
      return {{{"SMNUM", Variant(104)},
               {"BEGTIME", date(8)},
               {"OPERATOR", Variant("Морозов Антон Юрьевич"_w)}}};
    case 2:
      return {{{"SMNUM", Variant(104)}, {"TRKINDEX", Variant(1)}, {"PISTOLET", Variant(1)},
               {"SILONUM", Variant(0)}, {"GSMNAME", Variant("АИ-92"_w)},
               {"GSMPRICE", Variant(51.5)}, {"TRKBEG", Variant(128000.0)},
               {"TRKEND", Variant(128500.0)}, {"BEGELCOUNTER", Variant(503015.0)},
               {"ENDELCOUNTER", Variant(503515.0)}, {"ELCOUNTER", Variant(500.0)},
               {"TRKSMENA", Variant(500.0)}}};
    case 3:
      return {{{"SMNUM", Variant(104)}, {"SILONUM", Variant(0)},
               {"SILONAME", Variant("Резервуар №1-92"_w)}, {"GSMNAME", Variant("АИ-92"_w)},
               {"GSMPRICE", Variant(51.5)}, {"MAXVOLUME", Variant(20000.0)},
               {"SILOBEGL", Variant(8240.0)}, {"SILOENDL", Variant(7740.0)},
               {"UDVES", Variant(0.7505)}, {"UDVESEND", Variant(0.7505)},
               {"UDVESBEG", Variant(0.7505)}, {"SILOTEMPER", Variant(15.0)}}};
    default:
      return {{{"SMNUM", Variant(104)}, {"SILONUM", Variant(0)}, {"VIDOPL", Variant(0)},
               {"CHECKTYPE", Variant(0)}, {"LITRE", Variant(500.0)}, {"KG", Variant(375.25)},
               {"SUMMA", Variant(25750.0)}}};
  }
}

// The parts of `line` between `sep`, blanks trimmed when `trim`.
std::vector<std::string> Split(const std::string& line, char sep, bool trim) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t p = line.find(sep);; p = line.find(sep, start)) {
    std::string part = line.substr(start, p - start);
    if (trim) {
      const std::size_t b = part.find_first_not_of(' ');
      part = b == std::string::npos ? std::string() : part.substr(b, part.find_last_not_of(' ') - b + 1);
    }
    parts.push_back(std::move(part));
    if (p == std::string::npos) break;
    start = p + 1;
  }
  return parts;
}

}  // namespace

void ShiftFixture::SetUpTestSuite() {
  StatementsFixture::SetUpTestSuite();
  const std::string root = sampleDb_.substr(0, sampleDb_.size() - std::string("/c/FUEL/DB/Velmar.FDB").size());
  int rc = -1;
  const std::string out = RunCommand(
      std::string(TOLVAREN_SOURCE_DIR) + "/db/add-sample-shifts --root " + Quote(root) + " 2>&1",
      &rc);
  ASSERT_EQ(rc, 0) << out;
}

void ShiftFixture::SetUp() {
  ASSERT_FALSE(sampleDb_.empty()) << "the sample station database was not made";
  ::setenv("TOLVAREN_NOW", "2024-04-02 10:30:00", 1);
  std::filesystem::copy_file(sampleDb_, DbPath(),
                             std::filesystem::copy_options::overwrite_existing);
  Cnf("");
  WriteShift(true, 104, EncodeDateTime(2024, 4, 2, 8, 0, 0, 0));
  Load(TOLVAREN_LIBRARY, TOLVAREN_REPORTFORMS_LIBRARY);
  host->Set(0, Variant(104));
  host->Set(1, DateVar(2024, 4, 2, 8));
  host->Set(2, Variant("Морозов Антон Юрьевич"_w));
  host->Set(9, Variant(2));
  host->Set(13, Variant("АЗС №1"_w));
  host->Set(8, Variant(false));
  host->Set(45, Variant(false));
  host->Set(56, Variant(1));
  host->Set(88, Variant(2));
  std::vector<std::pair<std::string, int>> types = StationPaymentTypes();
  types.pop_back();  // the 13 default kinds, codes 0 .. 12
  SetPaymentTypes(types);
  ASSERT_EQ(host->Init(WithFill()), 1);
}

void ShiftFixture::TearDown() { ::unsetenv("TOLVAREN_NOW"); }

void ShiftFixture::Cnf(const std::string& extra) const {
  WriteCnf("[Reports]\nMaxSize=30\nMaxRows=30000\nDecL2=2\nDecKg2=2\n" + extra);
}

void ShiftFixture::SetOpenShiftFill() {
  for (int kind : {1, 2, 3, 6}) host->SetFillRows(kind, OpenShiftRows(kind));
}

Variant ShiftFixture::Paired(const std::vector<std::tuple<int, std::string, std::string>>& list) {
  std::vector<Variant> items;
  for (const auto& [kind, form, html] : list) {
    const std::string name = "Раздел "_w + IntToStr(kind);
    for (const Variant& v : {Variant(name), Variant(kind), Variant(Utf8ToCp1251(form)),
                             Variant(name), Variant(0), Variant(Utf8ToCp1251(html))})
      items.push_back(v);
  }
  return VarArrayOf(items);
}

std::string ShiftFixture::ShiftReport(int from, int to, const Variant& sections) {
  return Report('-', A({Variant(from), Variant(to), sections}));
}

std::map<std::string, double> ShiftFixture::SqlNumbers(const std::string& utf8Select) const {
  std::map<std::string, double> out;
  const std::vector<IsqlRow> rows = Sql(utf8Select);
  EXPECT_EQ(rows.size(), 1u) << utf8Select;
  if (rows.empty()) return out;
  for (const auto& [name, value] : rows[0]) out[name] = value.empty() ? 0 : std::stod(value);
  return out;
}

std::vector<std::vector<std::string>> ShiftFixture::HtmlCells(bool wellFormed) {
  const std::string file = root.Path() + "/report.html";
  const std::string problems = root.Path() + "/report.problems";
  WriteFileBytes(file, Html());
  int rc = -1;
  const std::string out =
      RunCommand("python3 " + Quote(std::string(TOLVAREN_SOURCE_DIR) +
                                    "/tests/reports/operational/html_cells.py") +
                     " " + Quote(file) + " 2>" + Quote(problems),
                 &rc);
  if (wellFormed) {
    EXPECT_EQ(rc, 0) << "the HTML version is not well-formed: " << ReadFileBytes(problems);
  }
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : Lines(out)) rows.push_back(Split(line, '\t', false));
  return rows;
}

int ShiftFixture::TempFiles() const {
  int n = 0;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(root.Path() + "/c/TEMP", ec))
    if (e.path().filename().string().rfind("XM", 0) == 0) ++n;
  return n;
}

std::string Plain(std::string text) {
  for (std::size_t p; (p = text.find("\xc2\xa0")) != std::string::npos;) text.replace(p, 2, " ");
  return text;
}

std::vector<std::vector<std::string>> Fields(const std::string& text) {
  std::vector<std::vector<std::string>> out;
  for (const std::string& line : Lines(Plain(text)))
    if (line.find(';') != std::string::npos) out.push_back(Split(line, ';', true));
  return out;
}

std::string TestForm(const std::string& name) {
  return std::string(TOLVAREN_TESTDATA_DIR) + "/reports/shift/" + name;
}

std::string ExpectedShiftText(const std::string& name) {
  std::string text = ReadFileBytes(std::string(TOLVAREN_TESTDATA_DIR) + "/reports/shift/" + name);
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace tv::test
