#include "tests/reports/operational/VehiclesFixture.h"

#include <filesystem>

namespace tv::test {

Variant VehiclesBegin() { return DateVar(2024, 1, 10); }
Variant VehiclesEnd() {
  return Variant::FromDate(EncodeDateTime(2024, 1, 11, 23, 59, 59, 999));
}

void VehiclesFixture::SetUpTestSuite() {
  StatementsFixture::SetUpTestSuite();
  if (sampleDb_.empty()) return;
  // sampleDb_ is <root>/c/FUEL/DB/Velmar.FDB.
  const std::string root =
      std::filesystem::path(sampleDb_).parent_path().parent_path().parent_path().parent_path();
  int rc = -1;
  const std::string out = RunCommand(
      std::string(TOLVAREN_SOURCE_DIR) + "/db/add-sample-vehicles --root '" + root + "' 2>&1", &rc);
  ASSERT_EQ(rc, 0) << out;
}

void VehiclesFixture::SetUp() {
  StatementsFixture::SetUp();
  SetPaymentTypes(VehiclePaymentTypes());
  ASSERT_EQ(host->Init(), 1);
}

std::vector<std::pair<std::string, int>> VehiclesFixture::VehiclePaymentTypes() {
  auto types = StationPaymentTypes();
  types.emplace_back("Ведомость ВО", 204);
  types.emplace_back("Договор Север", 108);
  types.emplace_back("Договор без продаж", 208);
  return types;
}

int VehiclesFixture::Row(int code) {
  const auto types = VehiclePaymentTypes();
  for (std::size_t i = 0; i < types.size(); ++i)
    if (types[i].second == code) return static_cast<int>(i);
  return -1;
}

}  // namespace tv::test
