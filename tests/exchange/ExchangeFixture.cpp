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

}  // namespace tv::test
