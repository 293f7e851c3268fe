#include "foundation/VidOpl.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/os/UserServices.h"

namespace tv {
namespace {

struct BeepLog {
  std::vector<std::pair<unsigned, unsigned>> beeps;
  BeepHandler previous;
  BeepLog() {
    previous = SetBeepHandler([this](unsigned f, unsigned d) { beeps.emplace_back(f, d); });
  }
  ~BeepLog() { SetBeepHandler(previous); }
};

Variant Names(int n) {
  Variant names = VarArrayCreate({0, n - 1}, VarType::Variant);
  for (int i = 0; i < n; ++i)
    names[i] = Variant(i < 14 ? DefaultVidOplNames()[i] : std::string("Extra ") + std::to_string(i));
  return names;
}

// The host's plain answer to code 57: per index, the payment code and the attribute.
THostQuery HostWithList(std::vector<std::pair<int, int>> rows) {
  return [rows](Variant& result, int code, int param) {
    EXPECT_EQ(code, hcVidOplList);
    EXPECT_EQ(param, 0);
    result = VarArrayCreate({0, static_cast<int>(rows.size()) - 1, 0, 1}, VarType::Variant);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
      result.At(i, 0) = Variant(rows[i].first);
      result.At(i, 1) = Variant(rows[i].second);
    }
  };
}

TEST(BuildVidOplArray, DefaultNamesWithoutAHostListUseTheIndexes) {
  BeepLog log;
  Variant table;
  BuildVidOplArray(Names(13), nullptr, table);
  ASSERT_EQ(table.HighBound(1), 12);
  ASSERT_EQ(table.HighBound(2), 3);
  for (int i = 0; i < 13; ++i) {
    EXPECT_EQ(table.At(i, 0).AsString(), DefaultVidOplNames()[i]);
    EXPECT_EQ(table.At(i, 1).AsString(), std::to_string(i));
    EXPECT_EQ(table.At(i, 2).AsString(), std::to_string(i));
    EXPECT_EQ(table.At(i, 3).AsString(), "-1");
  }
  EXPECT_TRUE(log.beeps.empty());
}

TEST(BuildVidOplArray, IndexesBeyondTwelveGetCodeZeroAndABeep) {
  BeepLog log;
  Variant table;
  // A host that has no list answers with a text.
  BuildVidOplArray(Names(15), [](Variant& r, int, int) { r = Variant(std::string("none")); }, table);
  EXPECT_EQ(table.At(13, 1).AsString(), "0");
  EXPECT_EQ(table.At(14, 2).AsString(), "0");
  EXPECT_EQ(table.At(14, 3).AsString(), "-1");
  ASSERT_EQ(log.beeps.size(), 2u);
  EXPECT_EQ(log.beeps[0], std::make_pair(500u, 100u));
}

TEST(BuildVidOplArray, HostCodesCarryTheirBaseKind) {
  BeepLog log;
  Variant table;
  BuildVidOplArray(Names(4), HostWithList({{0, 1}, {101, 0}, {4, 2}, {205, 7}}), table);
  EXPECT_EQ(table.At(3, 1).AsString(), "205");
  EXPECT_EQ(table.At(3, 2).AsString(), "5");
  EXPECT_EQ(table.At(3, 3).AsString(), "7");
  EXPECT_EQ(table.At(1, 2).AsString(), "1");
  EXPECT_TRUE(log.beeps.empty());
}

TEST(BuildVidOplArray, AFailingHostFallsBackToIndexes) {
  BeepLog log;
  Variant table;
  BuildVidOplArray(Names(3), [](Variant&, int, int) { throw Exception("host down"); }, table);
  EXPECT_EQ(table.At(2, 1).AsString(), "2");
  EXPECT_EQ(log.beeps.size(), 1u);
}

TEST(FindVidOplIndex, FirstMatchWinsAndMissesBeepOnlyForNonNegativeDefaults) {
  BeepLog log;
  Variant table;
  BuildVidOplArray(Names(4), HostWithList({{7, 0}, {104, 0}, {104, 0}, {3, 0}}), table);
  EXPECT_EQ(FindVidOplIndex(104, table, -1), 1);
  EXPECT_EQ(FindVidOplIndex(3, table, -1), 3);
  EXPECT_EQ(FindVidOplIndex(55, table, -1), -1);
  EXPECT_TRUE(log.beeps.empty());
  EXPECT_EQ(FindVidOplIndex(55, table, 0), 0);
  ASSERT_EQ(log.beeps.size(), 1u);
  EXPECT_EQ(log.beeps[0], std::make_pair(300u, 50u));
}

}  // namespace
}  // namespace tv
