// The memory copy of a query (CopyTableRows), read row by row as the shift
// reports read their ranges: every value and NULL comes back as the variant
// of the field's type, against values worked by hand from the rows inserted.
#include "library/IBSource.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "tests/platform/ib/IbTestSupport.h"

namespace tv {
namespace {

using IBSource = test::IbTest;

TEST_F(IBSource, CopyKeepsEveryValueAndNullAsTheFieldsType) {
  const std::string rows =
      "INSERT INTO T VALUES (1, -2, 9000000000, 1.25, 12.3456, '2024-03-01 08:30:15.123',"
      " '2024-03-01', '" +
      "Смена №1"_w +
      "');\n"
      "INSERT INTO T VALUES (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL);\n"
      "INSERT INTO T VALUES (3, 0, -1, -0.1, -0.0001, '1900-01-02 18:00:00', '1900-01-01', '');\n";
  const std::string path =
      MakeDb("copy.fdb",
             "CREATE TABLE T (N INTEGER, S SMALLINT, B BIGINT, D DOUBLE PRECISION, M NUMERIC(15,4),"
             " TS TIMESTAMP, DT DATE, V VARCHAR(20));\n" +
                 rows);
  auto db = Connect(path);
  auto q = Query(db.get(), "SELECT * FROM T ORDER BY N");
  q->SetUniDirectional(true);
  TRxMemoryData copy("T");
  CopyTableRows(*q, copy);

  const Variant null = Variant::Null();
  const std::vector<std::vector<Variant>> expected = {
      {Variant(1), Variant(-2), Variant(int64_t{9000000000}), Variant(1.25),
       Variant(Currency::FromRaw(123456)),
       Variant::FromDate(EncodeDateTime(2024, 3, 1, 8, 30, 15, 123)),
       Variant::FromDate(EncodeDate(2024, 3, 1)), Variant("Смена №1"_w)},
      {Variant(2), null, null, null, null, null, null, null},
      {Variant(3), Variant(0), Variant(int64_t{-1}), Variant(-0.1), Variant(Currency::FromRaw(-1)),
       Variant::FromDate(3.75), Variant::FromDate(2.0), Variant("")}};
  ASSERT_EQ(copy.RecordCount(), 3);
  ASSERT_EQ(copy.FieldCount(), 8);
  copy.First();
  for (const auto& row : expected) {
    for (int i = 0; i < 8; ++i) {
      SCOPED_TRACE(copy.Fields(i).FieldName() + " of row " + std::to_string(copy.RecNo()));
      const Variant got = copy.Fields(i).Value();
      EXPECT_EQ(copy.Fields(i).IsNull(), row[i].IsNull());
      ASSERT_EQ(got.Type(), row[i].Type());
      if (got.Type() == VarType::Double || got.Type() == VarType::Date) {
        EXPECT_DOUBLE_EQ(got.AsDouble(), row[i].AsDouble());
      } else if (!got.IsNull()) {
        EXPECT_EQ(got.RawImage(), row[i].RawImage());
        EXPECT_EQ(got.AsString(), row[i].AsString());
      }
    }
    copy.Next();
  }
  EXPECT_TRUE(copy.Eof());
}

}  // namespace
}  // namespace tv
