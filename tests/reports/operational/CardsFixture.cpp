#include "tests/reports/operational/CardsFixture.h"

#include <filesystem>

#include "tests/library/SampleDatabase.h"

namespace tv::test {

std::string CardsFixture::officeDb_;

namespace {

const char* const kOffice = "/c/FUEL/OfficeDB/OFFICE.FDB";

// <root> of a path <root>/c/FUEL/DB/Velmar.FDB.
std::string RootOf(const std::string& stationDb) {
  return std::filesystem::path(stationDb).parent_path().parent_path().parent_path().parent_path();
}

}  // namespace

Variant CardsBegin() { return DateVar(2024, 1, 20); }
Variant CardsEnd() { return DateVar(2024, 1, 20, 23, 59, 59); }

void CardsFixture::SetUpTestSuite() {
  StatementsFixture::SetUpTestSuite();
  if (sampleDb_.empty()) return;
  const std::string root = RootOf(sampleDb_);
  std::filesystem::create_directories(root + "/c/FUEL/OfficeDB");
  std::filesystem::copy_file(RootOf(SampleStationDatabase()) + kOffice, root + kOffice,
                             std::filesystem::copy_options::overwrite_existing);
  int rc = -1;
  const std::string out = RunCommand(
      std::string(TOLVAREN_SOURCE_DIR) + "/db/add-sample-cards --root '" + root + "' 2>&1", &rc);
  ASSERT_EQ(rc, 0) << out;
  officeDb_ = root + kOffice;
}

void CardsFixture::SetUp() {
  StatementsFixture::SetUp();
  ASSERT_FALSE(officeDb_.empty());
  std::filesystem::create_directories(root.Path() + "/c/FUEL/OfficeDB");
  std::filesystem::copy_file(officeDb_, OfficeDbPath(),
                             std::filesystem::copy_options::overwrite_existing);
  SetPaymentTypes(CardPaymentTypes());
  ASSERT_EQ(host->Init(), 1);
}

std::vector<std::pair<std::string, int>> CardsFixture::CardPaymentTypes() {
  auto types = StationPaymentTypes();
  types.emplace_back("Талоны ЛУКОЙЛ", 109);
  return types;
}

std::string CardsFixture::OfficeDbPath() const { return root.Path() + kOffice; }

std::vector<IsqlRow> CardsFixture::OfficeSql(const std::string& utf8Select) const {
  std::vector<IsqlRow> rows = IsqlSelect(OfficeDbPath(), Utf8ToCp1251(utf8Select));
  for (IsqlRow& row : rows)
    for (auto& [name, value] : row) value = Cp1251ToUtf8(value);
  return rows;
}

}  // namespace tv::test
