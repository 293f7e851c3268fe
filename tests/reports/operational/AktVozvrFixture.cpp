#include "tests/reports/operational/AktVozvrFixture.h"

#include <stdlib.h>

#include <filesystem>
#include <regex>

#include "platform/os/Files.h"

namespace tv::test {

namespace {

std::string gGoodsRoot;  // the suite's goods databases, made once

const char* const Departments[] = {"SHOP", "CAFE"};

}  // namespace

void AktVozvrFixture::SetUpTestSuite() {
  StatementsFixture::SetUpTestSuite();
  ASSERT_FALSE(sampleDb_.empty());
  const std::string root = sampleDb_.substr(0, sampleDb_.size() - std::string("/c/FUEL/DB/Velmar.FDB").size());
  const std::string ddl =
      Utf8ToCp1251(ReadFileBytes(std::string(TOLVAREN_SOURCE_DIR) + "/db/goods.sql"));
  for (const char* dep : Departments) {
    const std::string dir = root + "/c/FUEL/" + dep;
    std::filesystem::create_directories(dir);
    CreateTestDatabase(dir + "/" + dep + ".FDB", ddl);
  }
  gGoodsRoot = root;
  AddToSample("add-sample-returns");
}

void AktVozvrFixture::SetUp() {
  ::setenv("TOLVAREN_NOW", "2024-04-13 09:00:00", 1);
  StatementsFixture::SetUp();
  for (const char* dep : Departments) {
    const std::string dir = root.Path() + "/c/FUEL/" + dep;
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(gGoodsRoot + "/c/FUEL/" + dep + "/" + dep + ".FDB",
                               dir + "/" + dep + ".FDB",
                               std::filesystem::copy_options::overwrite_existing);
  }
  root.WriteFile("c/FUEL/Departments.txt",
                 Utf8ToCp1251("Магазин=C:\\FUEL\\SHOP\r\nКафе=C:\\FUEL\\CAFE\r\n"));
  Variant kinds = VarArrayCreate({0, 13}, VarType::Variant);
  const int cash[] = {0, 2, 2, 2, 2, 6, 0, 5, 2, 2, 0, 6, 2, 6};
  for (int i = 0; i < 14; ++i) kinds[i] = Variant(cash[i]);
  host->Set(27, kinds);
  host->Set(18, Variant("0001234567012345"));
  host->Set(43, Variant("ШТРИХ-М-ПТК"_w));
  host->Set(44, Variant("00112233"));
  WriteSettings(false, "");
}

void AktVozvrFixture::TearDown() { ::unsetenv("TOLVAREN_NOW"); }

void AktVozvrFixture::WriteSettings(bool oneBRep, const std::string& backSales) {
  std::string ini = "[Reports]\nMaxSize=30\nMaxRows=30000\n";
  if (oneBRep) ini += "OneBRep=1\n";
  if (!backSales.empty()) ini += "PutTovarBackSalesToAkt=" + backSales + "\n";
  ini +=
      "[Organization]\nOrgName=ООО «Велмар-Север»\nINN=7714123456\n"
      "SubOrgName=АЗС №1\nAddress=г. Москва\nManagerName=Лебедев П.Р.\n"
      "OperatorName=Волков Д.А.\n";
  WriteCnfIni(ini);
}

Variant AktVozvrFixture::Request9(const Variant& selection, int flags, int client,
                                  const Variant& begin, const Variant& end, int smFrom, int smTo,
                                  int mode) {
  return A({selection, Variant(flags), Variant(client), begin, end, Variant(smFrom),
            Variant("Сидорова М.И."_w), Variant(smTo), Variant(mode)});
}

std::string AktVozvrFixture::GoodsDb(const std::string& name) const {
  return root.Path() + "/c/FUEL/" + name + "/" + name + ".FDB";
}

std::string AktVozvrFixture::GoodsValue(const std::string& name, const std::string& select) const {
  const std::vector<IsqlRow> rows = IsqlSelect(GoodsDb(name), Utf8ToCp1251(select));
  return rows.empty() ? std::string() : rows[0].begin()->second;
}

int AktVozvrFixture::TempFiles() const {
  const std::filesystem::path dir = root.Path() + "/c/TEMP";
  if (!std::filesystem::exists(dir)) return 0;
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) n += e.is_regular_file();
  return n;
}

std::vector<std::string> DataRows(const std::string& text) {
  std::vector<std::string> rows;
  const std::regex row(R"(^\|\s*\d+ \|.*)");
  for (const std::string& line : Lines(text))
    if (std::regex_match(line, row)) rows.push_back(line);
  return rows;
}

}  // namespace tv::test
