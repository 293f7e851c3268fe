#include "tests/reports/operational/LimitsFixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/library/SampleDatabase.h"

namespace tv::test {

std::string LimitsFixture::sampleOffice_;

namespace fs = std::filesystem;

void LimitsFixture::SetUpTestSuite() {
  StatementsFixture::SetUpTestSuite();
  ASSERT_FALSE(sampleDb_.empty());
  // sampleDb_ is <root>/c/FUEL/DB/Velmar.FDB; the office database goes
  // beside it under the same root, where the script finds both.
  const fs::path root = fs::path(sampleDb_).parent_path().parent_path().parent_path().parent_path();
  const fs::path made = fs::path(SampleStationDatabase()).parent_path().parent_path();
  const fs::path office = root / "c/FUEL/OfficeDB/OFFICE.FDB";
  fs::create_directories(office.parent_path());
  fs::copy_file(made / "OfficeDB/OFFICE.FDB", office, fs::copy_options::overwrite_existing);
  int rc = -1;
  const std::string out = RunCommand(std::string(TOLVAREN_SOURCE_DIR) +
                                         "/db/add-sample-limits --root '" + root.string() + "' 2>&1",
                                     &rc);
  ASSERT_EQ(rc, 0) << out;
  sampleOffice_ = office.string();
}

void LimitsFixture::SetUp() {
  StatementsFixture::SetUp();
  ASSERT_FALSE(sampleOffice_.empty()) << "the sample office database was not made";
  fs::create_directories(fs::path(OfficePath()).parent_path());
  fs::copy_file(sampleOffice_, OfficePath(), fs::copy_options::overwrite_existing);
}

std::string LimitsFixture::OfficePath() const {
  return root.Path() + "/c/FUEL/OfficeDB/OFFICE.FDB";
}

std::vector<IsqlRow> LimitsFixture::OfficeSql(const std::string& utf8Select) const {
  std::vector<IsqlRow> rows = IsqlSelect(OfficePath(), Utf8ToCp1251(utf8Select));
  for (IsqlRow& row : rows)
    for (auto& [name, value] : row) value = Cp1251ToUtf8(value);
  return rows;
}

void LimitsFixture::UseNBTemplate(const std::string& name, const std::string& utf8Text) {
  const fs::path folder = fs::path(root.Path()) / "c/FUEL/FORMS/WEBREPNB";
  fs::create_directories(folder);
  std::ofstream((folder / name).string(), std::ios::binary) << Utf8ToCp1251(utf8Text);
  host->Set(80, Variant(true));
}

void LimitsFixture::ExpectError(char code, const Variant& params, const std::string& fragment) {
  const TestHost::Reply reply = Request(code, params);
  EXPECT_EQ(reply.Result, TV_REPORT_TRUE);
  EXPECT_EQ(reply.Text.rfind("Ошибка при формировании отчета", 0), 0u) << reply.Text;
  EXPECT_NE(reply.Text.find(fragment), std::string::npos) << reply.Text;
  EXPECT_EQ(Cp1251ToUtf8(Html()), reply.Text);
}

std::vector<std::vector<std::string>> RowsStartingWith(
    const std::vector<std::vector<std::string>>& rows, const std::string& first) {
  std::vector<std::vector<std::string>> out;
  for (const auto& row : rows)
    if (!row.empty() && row[0] == first) out.push_back(row);
  return out;
}

double SqlNum(const std::vector<IsqlRow>& rows, const std::string& column) {
  if (rows.empty() || rows[0].at(column) == "<null>") return 0;
  return std::stod(rows[0].at(column));
}

std::string BuiltInTemplate(const std::string& name) {
  std::ifstream in(std::string(TOLVAREN_SOURCE_DIR) + "/templates/web/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace tv::test
