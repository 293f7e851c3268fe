#include "tests/reports/shift/SmallFixture.h"

#include "platform/os/IniDocument.h"
#include "platform/os/Registry.h"
#include "platform/SysUtils.h"

namespace tv::test {

namespace {
std::string Quote(const std::string& s) { return "'" + s + "'"; }
const char* const Section = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorsk\\AZS\\Reports\\BonusRep";
}  // namespace

void SmallFixture::SetUpTestSuite() {
  ShiftFixture::SetUpTestSuite();
  AddToSample("add-sample-small");
  // The bonus sample's station rows (bonuses, receipts of the registers);
  // its department rows are not needed here.
  const std::string root =
      sampleDb_.substr(0, sampleDb_.size() - std::string("/c/FUEL/DB/Velmar.FDB").size());
  int rc = -1;
  const std::string out = RunCommand(
      "python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); import sampleload; "
      "sampleload.load(\"add-sample-bonus\", sys.argv[2], (\"c\", \"FUEL\", \"DB\", "
      "\"Velmar.FDB\"), \"sample-bonus.sql\")' " +
          Quote(std::string(TOLVAREN_SOURCE_DIR) + "/db") + " " + Quote(root) + " 2>&1",
      &rc);
  ASSERT_EQ(rc, 0) << out;
}

Variant SmallFixture::Kinds(std::initializer_list<int> kinds) {
  std::vector<std::tuple<int, std::string, std::string>> list;
  for (int kind : kinds) list.emplace_back(kind, "", "");
  return Paired(list);
}

Variant SmallFixture::Order(std::initializer_list<int> kinds) {
  std::vector<Variant> order(18, Variant(0));
  for (int kind : kinds) order[kind] = Variant(1);
  return VarArrayOf(order);
}

// Written as the store's own lines, so that values of every type can be
// planted, also those no writer of ours makes.
void SmallFixture::WriteBonusKey(const std::vector<TRegValue>& values) const {
  IniDocument doc(root.ReadFile("c/WINDOWS/registry.ini"));
  doc.EraseSection(Section);
  if (!values.empty()) doc.AddSection(Section);
  for (const auto& [name, value] : values) doc.Set(Section, name, value);
  root.WriteFile("c/WINDOWS/registry.ini", doc.Bytes());
}

std::string SmallFixture::BonusKey() const {
  std::string out;
  IniDocument doc(root.ReadFile("c/WINDOWS/registry.ini"));
  for (const std::string& key : doc.Keys(Section))
    out += key + "=" + *doc.Find(Section, key) + "\n";
  return out;
}

std::string D(int y, int m, int d, int h, int n) {
  return "d" + FloatToStr(EncodeDateTime(y, m, d, h, n, 0, 0));
}

}  // namespace tv::test
