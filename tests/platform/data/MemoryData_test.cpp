#include "platform/data/MemoryData.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"

namespace tv {
namespace {

TRxMemoryData& ShiftLog(TRxMemoryData& d) {
  d.FieldDefs().Add("SMNUM", TFieldType::ftInteger);
  d.FieldDefs().Add("BegTime", TFieldType::ftDateTime);
  d.FieldDefs().Add("Operator", TFieldType::ftString, 10);
  d.FieldDefs().Add("Summa", TFieldType::ftBCD);
  d.FieldDefs().Add("Closed", TFieldType::ftBoolean);
  d.Open();
  return d;
}

TEST(MemoryData, AppendPostAndReadByNameIgnoringCase) {
  TRxMemoryData d("SmLog");
  ShiftLog(d);
  d.Append();
  d.FieldByName("smnum").SetValue(
      Variant(std::string("12")));  // text converted to the field's type
  d.FieldByName("BEGTIME").SetAsDateTime(EncodeDateTime(2024, 3, 1, 8, 0, 0, 0));
  d.FieldByName("operator").SetAsString("Иванова Мария"_w);  // cut to 10 bytes
  d.FieldByName("summa").SetValue(Variant(1234.56789));
  d.Post();
  d.Append();
  d.FieldByName("SmNum").SetAsInteger(13);
  d.Post();

  ASSERT_EQ(d.RecordCount(), 2);
  d.First();
  EXPECT_EQ(d.FieldByName("SmNum").AsInteger(), 12);
  EXPECT_EQ(d.FieldByName("Operator").AsString(), "Иванова Ма"_w);
  EXPECT_EQ(d.FieldByName("Summa").AsCurrency().Raw(), 12345679);  // four decimals, rounded
  EXPECT_DOUBLE_EQ(d.FieldByName("BegTime").AsDateTime(), EncodeDateTime(2024, 3, 1, 8, 0, 0, 0));
  d.Next();
  EXPECT_FALSE(d.Eof());
  EXPECT_EQ(d.FieldByName("SmNum").AsInteger(), 13);
  // Fields never set read as null: 0, "" and False, Value is Null.
  EXPECT_TRUE(d.FieldByName("Operator").IsNull());
  EXPECT_EQ(d.FieldByName("Operator").AsString(), "");
  EXPECT_EQ(d.FieldByName("Summa").AsFloat(), 0.0);
  EXPECT_FALSE(d.FieldByName("Closed").AsBoolean());
  EXPECT_TRUE(d.FieldByName("BegTime").Value().IsNull());
  d.Next();
  EXPECT_TRUE(d.Eof());
}

TEST(MemoryData, ErrorsNameTheDataSetAndTheField) {
  TRxMemoryData d("SmTrk");
  d.FieldDefs().Add("N", TFieldType::ftSmallint);
  EXPECT_THROW(d.FieldDefs().Add("n", TFieldType::ftInteger), EDatabaseError);
  EXPECT_THROW(d.Append(), EDatabaseError);  // closed
  d.Open();
  d.FieldDefs().Add("Later", TFieldType::ftInteger);  // for the next Open only
  EXPECT_EQ(d.FieldCount(), 1);
  EXPECT_EQ(d.FindField("Later"), -1);
  try {
    d.FieldByName("Missing");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "SmTrk: Field 'Missing' not found");
  }
  try {
    d.FieldByName("N").SetAsInteger(1);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "SmTrk: Dataset not in edit or insert mode");
  }
  d.Append();
  EXPECT_THROW(d.FieldByName("N").SetAsInteger(40000), EDatabaseError);
  EXPECT_THROW(d.FieldByName("N").SetAsString("abc"), EVariantTypeCastError);
  d.Cancel();
  EXPECT_EQ(d.RecordCount(), 0);
}

TEST(MemoryData, PendingRowIsPostedByAppendAndByMoving) {
  TRxMemoryData d;
  d.FieldDefs().Add("K", TFieldType::ftInteger, 0, true);
  d.Open();
  d.Append();
  d.FieldByName("K").SetAsInteger(1);
  d.Append();  // posts row 1
  d.FieldByName("K").SetAsInteger(2);
  d.First();  // posts row 2
  EXPECT_EQ(d.RecordCount(), 2);
  d.Append();
  EXPECT_THROW(d.Post(), EDatabaseError);  // required field without a value
  d.Cancel();
  EXPECT_EQ(d.RecordCount(), 2);
}

TEST(MemoryData, EditDeleteLocateAndDateKinds) {
  TRxMemoryData d;
  d.FieldDefs().Add("ID", TFieldType::ftInteger);
  d.FieldDefs().Add("D", TFieldType::ftDate);
  d.FieldDefs().Add("T", TFieldType::ftTime);
  d.Open();
  const TDateTime when = EncodeDateTime(2023, 12, 31, 23, 59, 58, 500);
  for (int id = 1; id <= 3; ++id) {
    d.Append();
    d.FieldByName("ID").SetAsInteger(id);
    d.FieldByName("D").SetAsDateTime(when);
    d.FieldByName("T").SetAsDateTime(when);
    d.Post();
  }
  ASSERT_TRUE(d.Locate("id", Variant(std::string("2"))));
  EXPECT_EQ(d.RecNo(), 2);
  EXPECT_DOUBLE_EQ(d.FieldByName("D").AsDateTime(), EncodeDate(2023, 12, 31));
  EXPECT_NEAR(d.FieldByName("T").AsDateTime(), EncodeTime(23, 59, 58, 500), 1e-9);
  EXPECT_EQ(d.FieldByName("D").AsString(), "31.12.2023");
  d.Edit();
  d.FieldByName("ID").SetAsInteger(20);
  d.Post();
  EXPECT_TRUE(d.Locate("ID", Variant(20)));
  EXPECT_FALSE(d.Locate("ID", Variant(2)));
  EXPECT_FALSE(d.Locate("ID", Variant::Null()));
  d.Delete();
  EXPECT_EQ(d.RecordCount(), 2);
  EXPECT_EQ(d.FieldByName("ID").AsInteger(), 3);  // the next row became current
  d.Close();
  EXPECT_EQ(d.RecordCount(), 0);
  EXPECT_EQ(d.FieldCount(), 3);  // definitions stay
}

// Each kind of field keeps its values and NULLs through Delete and Edit:
// the rows after a deleted one keep every column in line.
TEST(MemoryData, EveryFieldKindSurvivesDeleteAndEdit) {
  const std::vector<std::pair<TFieldType, Variant>> kinds = {
      {TFieldType::ftInteger, Variant(-7)},
      {TFieldType::ftLargeint, Variant(int64_t{1} << 40)},
      {TFieldType::ftBoolean, Variant(true)},
      {TFieldType::ftFloat, Variant(-0.1)},
      {TFieldType::ftBCD, Variant(Currency::FromRaw(-12345))},
      {TFieldType::ftDateTime, Variant::FromDate(45351.75)},
      {TFieldType::ftMemo, Variant(std::string("a\0b", 3))}};
  TRxMemoryData d;
  for (std::size_t i = 0; i < kinds.size(); ++i)
    d.FieldDefs().Add("F" + std::to_string(i), kinds[i].first);
  d.Open();
  for (int row = 0; row < 3; ++row) {
    d.Append();
    for (std::size_t i = 0; i < kinds.size(); ++i)
      if (row != 1) d.Fields(static_cast<int>(i)).SetValue(kinds[i].second);
    d.Post();
  }
  d.First();
  d.Next();
  d.Delete();  // the row of NULLs
  ASSERT_EQ(d.RecordCount(), 2);
  d.Edit();
  d.Fields(0).Clear();
  d.Post();
  for (int row = 0; row < 2; ++row) {
    d.First();
    if (row == 1) d.Next();
    for (std::size_t i = 0; i < kinds.size(); ++i) {
      const Variant v = d.Fields(static_cast<int>(i)).Value();
      if (row == 1 && i == 0) {
        EXPECT_TRUE(v.IsNull());
        continue;
      }
      EXPECT_EQ(v.Type(), kinds[i].second.Type()) << i;
      EXPECT_EQ(v.RawImage(), kinds[i].second.RawImage()) << i;
      EXPECT_EQ(v.AsString(), kinds[i].second.AsString()) << i;
    }
  }
}

// The bulk append converts as SetValue does and adds no row when a value
// does not fit or a required field stays empty.
TEST(MemoryData, AppendFromConvertsLikeSetValueAndFailsWithoutARow) {
  TRxMemoryData source;
  for (const char* name : {"K", "S", "M", "T", "B"})
    source.FieldDefs().Add(name, TFieldType::ftString);
  source.Open();
  const std::vector<std::vector<const char*>> rows = {{"7", "-300", "2,5", "abcdef", "True"},
                                                      {"8", "40000", "1", "x", "False"},
                                                      {"", "1", "1", "y", "True"}};
  for (const auto& row : rows) {
    source.Append();
    for (int i = 0; i < 5; ++i)
      if (*row[i] != 0) source.Fields(i).SetAsString(row[i]);
    source.Post();
  }
  TRxMemoryData target("T");
  target.FieldDefs().Add("K", TFieldType::ftInteger, 0, true);
  target.FieldDefs().Add("S", TFieldType::ftSmallint);
  target.FieldDefs().Add("M", TFieldType::ftBCD);
  target.FieldDefs().Add("T", TFieldType::ftString, 4);
  target.FieldDefs().Add("B", TFieldType::ftBoolean);
  target.Open();
  source.First();
  target.AppendFrom(source);
  EXPECT_EQ(target.FieldByName("K").Value().Type(), VarType::Integer);
  EXPECT_EQ(target.FieldByName("K").AsInteger(), 7);
  EXPECT_EQ(target.FieldByName("S").AsInteger(), -300);
  EXPECT_EQ(target.FieldByName("M").AsCurrency().Raw(), 25000);
  EXPECT_EQ(target.FieldByName("T").AsString(), "abcd");
  EXPECT_TRUE(target.FieldByName("B").AsBoolean());
  source.Next();
  EXPECT_THROW(target.AppendFrom(source), EDatabaseError);  // 40000 is no Smallint
  source.Next();
  EXPECT_THROW(target.AppendFrom(source), EDatabaseError);  // K is required
  EXPECT_EQ(target.RecordCount(), 1);
  EXPECT_EQ(target.FieldByName("T").AsString(), "abcd");
}

}  // namespace
}  // namespace tv
