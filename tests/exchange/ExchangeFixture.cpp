#include "tests/exchange/ExchangeFixture.h"

#include <filesystem>

#include "exchange/TTNUnit.h"
#include "foundation/FBUtils.h"

namespace tv::test {

void ExchangeTest::SetUp() {
  UseFirebirdTestEngine();
  // By path: a test program does not lie beside the library.
  FBUtils::Initialize(FBUTILS_FULL);
  TTNUnit::ResetTTNIDCounter();
  TTNUnit::FinalizeConnectionData();
}

void ExchangeTest::TearDown() {
  TTNUnit::FinalizeConnectionData();
  FBUtils::Finalize();
}

std::string ExchangeTest::MakeDatabase(const std::string& relative, const std::string& ddl) {
  const std::string path = root_.Path() + "/" + relative;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  CreateTestDatabase(path, ddl);
  return path;
}

std::unique_ptr<TIBDatabase> ExchangeTest::Connect(const std::string& path) {
  return std::unique_ptr<TIBDatabase>(FBUtils::CreateDatabase(
      path, FBUtils::GetFBPassword(), FBUtils::GetFBPort(), true, nullptr, "SYSDBA", "127.0.0.1",
      true, "", "WIN1251"));
}

THostQuery ExchangeTest::Host(int mode) {
  return [mode](Variant& result, int code, int) {
    if (code != 46) throw Exception("unexpected host question " + std::to_string(code));
    result = Variant(mode);
  };
}

std::string ExchangeTest::MakeSampleStation(const std::string& root, const std::string& options) {
  int rc = -1;
  const std::string out = RunCommand(std::string(TOLVAREN_SOURCE_DIR) +
                                         "/db/create-sample-db --only station --root '" + root +
                                         "' " + options + " 2>&1",
                                     &rc);
  EXPECT_EQ(rc, 0) << out;
  return root + "/c/FUEL/DB/Velmar.FDB";
}

std::string ExchangeTest::Script(const std::string& args) {
  int rc = -1;
  const std::string out = RunCommand(
      "python3 " + std::string(TOLVAREN_SOURCE_DIR) + "/tests/exchange/exchange_file.py " + args +
          " 2>&1",
      &rc);
  EXPECT_EQ(rc, 0) << out;
  return out;
}

std::string ExchangeTest::Dump(const std::string& path) {
  std::string dump;
  for (const char* sql :
       {"SELECT TTN_ID, OFCTTNID, ISDELETE, TTNSER, INDEXSALE FROM TTN ORDER BY TTN_ID",
        "SELECT TTN_ID, ID, NAME FROM TTNDETAIL ORDER BY TTN_ID, ID"}) {
    for (const IsqlRow& row : IsqlSelect(path, sql)) {
      for (const auto& [k, v] : row) dump += k + "=" + v + " ";
      dump += "\n";
    }
  }
  return dump;
}

}  // namespace tv::test
