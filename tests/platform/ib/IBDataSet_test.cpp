// Reading through TIBDataSet: every column type against hand-worked values
// and against isql-fb, parameters, navigation, locate.

#include "platform/ib/IBDataSet.h"

#include <cmath>

#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/SysUtils.h"
#include "tests/platform/ib/IbTestSupport.h"

namespace tv {
namespace {

using test::IbTest;

const std::string& TypesDdl() {
  static const std::string ddl =
      "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, S SMALLINT, I INTEGER, B BIGINT, "
      "N4 NUMERIC(15,4), N2 NUMERIC(9,2), N6 NUMERIC(18,6), F FLOAT, D DOUBLE PRECISION, "
      "TS TIMESTAMP, DT DATE, TM TIME, C CHAR(5), V VARCHAR(40), MEMO BLOB SUB_TYPE TEXT, "
      "BIN BLOB SUB_TYPE BINARY, BOOL BOOLEAN);\n"
      "INSERT INTO T VALUES (1, -12, 123456, 9000000000, 1234.5678, -99.95, 0.000123, 1.5, 3.25, "
      "'2024-03-01 08:15:30.250', '2024-03-01', '23:59:59.999', 'ab', '" +
      "Привет №1"_w + "', 'line1' || ASCII_CHAR(13) || ASCII_CHAR(10) || '" + "строка2"_w +
      "', x'00FF10', TRUE);\n"
      "INSERT INTO T (ID) VALUES (2);\n"
      "INSERT INTO T (ID, V, I) VALUES (3, '42', 7);\n"
      "INSERT INTO T (ID, V, I) VALUES (4, 'abc', 7);\n";
  return ddl;
}

class IBDataSetTest : public IbTest {
 protected:
  void SetUp() override {
    IbTest::SetUp();
    path_ = MakeDb("types.fdb", TypesDdl());
    db_ = Connect(path_);
  }
  std::unique_ptr<TIBDataSet> Row(int id) {
    auto ds = Query(db_.get(), "SELECT * FROM T WHERE ID = " + std::to_string(id));
    ds->Open();
    return ds;
  }
  std::string path_;
  std::unique_ptr<TIBDatabase> db_;
};

TEST_F(IBDataSetTest, IntegerColumns) {
  auto ds = Row(1);
  EXPECT_EQ(ds->FieldByName("S").DataType(), TFieldType::ftSmallint);
  EXPECT_EQ(ds->FieldByName("S").AsInteger(), -12);
  EXPECT_EQ(ds->FieldByName("S").AsVariant().Type(), VarType::Smallint);
  EXPECT_EQ(ds->FieldByName("i").AsInteger(), 123456) << "names ignore letter case";
  EXPECT_EQ(ds->FieldByName("I").AsString(), "123456");
  EXPECT_EQ(ds->FieldByName("I").AsCurrency().Raw(), 1234560000);
  EXPECT_EQ(ds->FieldByName("B").DataType(), TFieldType::ftLargeint);
  EXPECT_EQ(ds->FieldByName("B").AsInt64(), 9000000000LL);
  EXPECT_EQ(ds->FieldByName("B").AsVariant().Type(), VarType::Int64);
  EXPECT_THROW(ds->FieldByName("B").AsInteger(), ERangeError);
  EXPECT_THROW(ds->FieldByName("I").AsDateTime(), EDatabaseError);
}

TEST_F(IBDataSetTest, NumericColumnsAreCurrencyUpToFourDecimals) {
  auto ds = Row(1);
  TIBField& n4 = ds->FieldByName("N4");
  EXPECT_EQ(n4.DataType(), TFieldType::ftBCD);
  EXPECT_EQ(n4.Size(), 4);
  EXPECT_EQ(n4.AsCurrency().Raw(), 12345678);
  EXPECT_EQ(n4.AsVariant().Type(), VarType::Currency);
  EXPECT_EQ(n4.AsString(), "1234,5678");
  EXPECT_DOUBLE_EQ(n4.AsFloat(), 1234.5678);
  EXPECT_EQ(n4.AsInteger(), 1235);
  TIBField& n2 = ds->FieldByName("N2");
  EXPECT_EQ(n2.AsCurrency().Raw(), -999500);
  EXPECT_EQ(n2.AsString(), "-99,95");
  EXPECT_EQ(n2.AsInteger(), -100);
  TIBField& n6 = ds->FieldByName("N6");
  EXPECT_EQ(n6.DataType(), TFieldType::ftFloat);
  EXPECT_DOUBLE_EQ(n6.AsFloat(), 0.000123);
  EXPECT_EQ(n6.AsVariant().Type(), VarType::Double);
}

TEST_F(IBDataSetTest, FloatingColumns) {
  auto ds = Row(1);
  EXPECT_DOUBLE_EQ(ds->FieldByName("F").AsFloat(), 1.5);
  EXPECT_DOUBLE_EQ(ds->FieldByName("D").AsFloat(), 3.25);
  EXPECT_EQ(ds->FieldByName("D").AsString(), "3,25");
  EXPECT_EQ(ds->FieldByName("D").AsCurrency().Raw(), 32500);
  EXPECT_EQ(ds->FieldByName("D").AsInteger(), 3);
}

TEST_F(IBDataSetTest, DateAndTimeColumns) {
  auto ds = Row(1);
  TIBField& ts = ds->FieldByName("TS");
  EXPECT_EQ(ts.DataType(), TFieldType::ftDateTime);
  EXPECT_NEAR(ts.AsDateTime(), EncodeDateTime(2024, 3, 1, 8, 15, 30, 250), 1e-10);
  EXPECT_EQ(ts.AsString(), "01.03.2024 8:15:30");
  EXPECT_EQ(ts.AsVariant().Type(), VarType::Date);
  EXPECT_THROW(ts.AsInteger(), EDatabaseError);
  EXPECT_EQ(ds->FieldByName("DT").DataType(), TFieldType::ftDate);
  EXPECT_DOUBLE_EQ(ds->FieldByName("DT").AsDateTime(), EncodeDate(2024, 3, 1));
  EXPECT_EQ(ds->FieldByName("DT").AsString(), "01.03.2024");
  EXPECT_NEAR(ds->FieldByName("TM").AsDateTime(), EncodeTime(23, 59, 59, 999), 1e-12);
  EXPECT_EQ(ds->FieldByName("TM").AsString(), "23:59:59");
}

TEST_F(IBDataSetTest, TextAndBlobColumnsKeepWindows1251Bytes) {
  auto ds = Row(1);
  EXPECT_EQ(ds->FieldByName("C").AsString(), "ab   ") << "CHAR keeps its padding";
  EXPECT_EQ(ds->FieldByName("V").AsString(), "Привет №1"_w);
  EXPECT_EQ(ds->FieldByName("V").Size(), 40);
  EXPECT_EQ(ds->FieldByName("MEMO").DataType(), TFieldType::ftMemo);
  EXPECT_EQ(ds->FieldByName("MEMO").AsString(), "line1\r\n"_w + "строка2"_w);
  EXPECT_EQ(ds->FieldByName("BIN").DataType(), TFieldType::ftBlob);
  EXPECT_EQ(ds->FieldByName("BIN").AsString(), std::string("\x00\xFF\x10", 3));
  EXPECT_TRUE(ds->FieldByName("BOOL").AsBoolean());
  EXPECT_EQ(ds->FieldByName("BOOL").AsString(), "True");
  EXPECT_THROW(ds->FieldByName("BOOL").AsInteger(), EDatabaseError);
  auto three = Row(3);
  EXPECT_EQ(three->FieldByName("V").AsInteger(), 42);
  EXPECT_THROW(Row(4)->FieldByName("V").AsInteger(), EConvertError);
}

TEST_F(IBDataSetTest, NullReadsAsZeroOrEmpty) {
  auto ds = Row(2);
  for (const char* name : {"S", "I", "B", "N4", "D", "TS", "V", "MEMO", "BOOL"}) {
    SCOPED_TRACE(name);
    TIBField& f = ds->FieldByName(name);
    EXPECT_TRUE(f.IsNull());
    EXPECT_EQ(f.AsString(), "");
    EXPECT_TRUE(f.AsVariant().IsNull());
  }
  EXPECT_EQ(ds->FieldByName("I").AsInteger(), 0);
  EXPECT_EQ(ds->FieldByName("N4").AsCurrency().Raw(), 0);
  EXPECT_EQ(ds->FieldByName("TS").AsDateTime(), 0);
}

// isql-fb prints what Firebird holds; the layer must read the same values.
TEST_F(IBDataSetTest, ValuesMatchIsql) {
  auto reference = test::IsqlSelect(path_, "SELECT S, I, B, N4, N2, D, V, C FROM T WHERE ID = 1");
  ASSERT_EQ(reference.size(), 1u);
  auto ds = Row(1);
  for (const char* name : {"S", "I", "B", "N4", "N2", "D"})
    EXPECT_DOUBLE_EQ(ds->FieldByName(name).AsFloat(), std::stod(reference[0][name])) << name;
  EXPECT_EQ(ds->FieldByName("V").AsString(), reference[0]["V"]);
  EXPECT_EQ(ds->FieldByName("C").AsString(), reference[0]["C"]);
}

TEST_F(IBDataSetTest, ParametersTakeAnyTypeAndRepeat) {
  auto ds = Query(db_.get(), "SELECT ID FROM T WHERE I = :I OR ID = :I ORDER BY ID");
  ASSERT_EQ(ds->Params().Count(), 1);
  ds->ParamByName("i").SetAsInteger(3);
  ds->Open();
  ds->FetchAll();
  EXPECT_EQ(ds->RecordCount(), 1) << "the second place of :I is bound too";
  ds->Close();
  ds->ParamByName("I").SetAsInteger(7);
  ds->Open();
  ds->FetchAll();
  EXPECT_EQ(ds->RecordCount(), 2);
  ds->Close();
  ds->ParamByName("I").SetAsString("123456");
  ds->Open();
  EXPECT_EQ(ds->Fields(0).AsInteger(), 1);
  ds->Close();
  ds->ParamByName("I").Clear();
  ds->Open();
  EXPECT_TRUE(ds->IsEmpty()) << "NULL equals nothing";
  ds->Close();

  auto period = Query(db_.get(), "SELECT COUNT(*) FROM T WHERE TS BETWEEN :Data1 AND :Data2");
  period->ParamByName("Data1").SetAsDateTime(EncodeDateTime(2024, 3, 1, 8, 15, 30, 250));
  period->ParamByName("Data2").SetAsDateTime(EncodeDateTime(2024, 3, 1, 8, 15, 30, 250));
  period->Open();
  EXPECT_EQ(period->Fields(0).AsInteger(), 1) << "milliseconds survive the round trip";

  auto money = Query(db_.get(), "SELECT ID FROM T WHERE N4 = :C AND V = :V");
  money->ParamByName("C").SetAsCurrency(Currency::FromRaw(12345678));
  money->ParamByName("V").SetAsString("Привет №1"_w);
  money->Open();
  EXPECT_FALSE(money->IsEmpty());
  EXPECT_THROW(money->ParamByName("NOPE"), EDatabaseError);

  auto literal = Query(db_.get(), "SELECT ':x' AS A, '--' AS B FROM RDB$DATABASE -- :y\n");
  EXPECT_EQ(literal->Params().Count(), 0);
  literal->Open();
  EXPECT_EQ(literal->FieldByName("A").AsString(), ":x");
}

TEST_F(IBDataSetTest, NavigationFetchesAsItMoves) {
  auto ds = Query(db_.get(), "SELECT ID FROM T ORDER BY ID");
  ds->Open();
  EXPECT_TRUE(ds->Bof());
  EXPECT_FALSE(ds->Eof());
  EXPECT_EQ(ds->RecordCount(), 1) << "only the first row is fetched by Open";
  std::vector<int> seen;
  for (; !ds->Eof(); ds->Next()) seen.push_back(ds->FieldByName("ID").AsInteger());
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(ds->FieldByName("ID").AsInteger(), 4) << "Eof stays on the last row";
  ds->Prior();
  EXPECT_EQ(ds->RecNo(), 3);
  ds->First();
  EXPECT_TRUE(ds->Bof());
  EXPECT_EQ(ds->FieldByName("ID").AsInteger(), 1);
  ds->Last();
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(ds->RecordCount(), 4);

  auto empty = Query(db_.get(), "SELECT ID FROM T WHERE ID < 0");
  empty->Open();
  EXPECT_TRUE(empty->Eof());
  EXPECT_TRUE(empty->Bof());
  EXPECT_TRUE(empty->IsEmpty());
  EXPECT_TRUE(empty->FieldByName("ID").IsNull());
  empty->Next();
  EXPECT_TRUE(empty->Eof());
}

TEST_F(IBDataSetTest, UniDirectionalKeepsOnlyTheCurrentRow) {
  auto ds = Query(db_.get(), "SELECT ID FROM T ORDER BY ID");
  ds->SetUniDirectional(true);
  ds->Open();
  int sum = 0;
  for (; !ds->Eof(); ds->Next()) sum += ds->Fields(0).AsInteger();
  EXPECT_EQ(sum, 10);
  EXPECT_EQ(ds->RecordCount(), 4);
  EXPECT_THROW(ds->Prior(), EDatabaseError);
  EXPECT_THROW(ds->SetUniDirectional(false), EDatabaseError);
}

TEST_F(IBDataSetTest, LocateByOneOrSeveralFields) {
  auto ds = Query(db_.get(), "SELECT ID, I, V FROM T ORDER BY ID");
  ds->Open();
  EXPECT_TRUE(ds->Locate("I", Variant(7)));
  EXPECT_EQ(ds->FieldByName("ID").AsInteger(), 3) << "the first match";
  EXPECT_TRUE(ds->Locate("I;V", VarArrayOf({Variant(7), Variant("abc")})));
  EXPECT_EQ(ds->FieldByName("ID").AsInteger(), 4);
  EXPECT_FALSE(ds->Locate("I;V", VarArrayOf({Variant(8), Variant("abc")})));
  EXPECT_EQ(ds->FieldByName("ID").AsInteger(), 4) << "a failed Locate stays";
  EXPECT_FALSE(ds->Locate("V", Variant("ПРИВЕТ"_w)));
  EXPECT_TRUE(ds->Locate("V", Variant("ПРИВЕТ"_w), loCaseInsensitive | loPartialKey));
  EXPECT_EQ(ds->FieldByName("ID").AsInteger(), 1);
  EXPECT_TRUE(ds->Locate("ID", Variant("2")));
  EXPECT_TRUE(ds->Locate("I", Variant::Null()));
  EXPECT_EQ(ds->FieldByName("ID").AsInteger(), 2);
  EXPECT_THROW(ds->Locate("ID;I", Variant(1)), EDatabaseError);
}

TEST_F(IBDataSetTest, FieldNamesAndLookups) {
  auto ds = Query(db_.get(), "");
  ds->SetName("Probe");
  ds->SelectSQL().SetText("SELECT ID, ID, I AS \"" + "Число"_w + "\" FROM T WHERE ID = 1");
  ds->Open();
  ASSERT_EQ(ds->FieldCount(), 3);
  EXPECT_EQ(ds->Fields(1).FieldName(), "ID_1");
  EXPECT_EQ(ds->FieldByName("число"_w).AsInteger(), 123456);
  EXPECT_EQ(ds->FindField("NOPE"), nullptr);
  try {
    ds->FieldByName("NOPE");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Probe: Field 'NOPE' not found");
  }
  TIBField& id = ds->FieldByName("ID");
  ds->Close();
  EXPECT_EQ(ds->FindField("ID"), nullptr);
  EXPECT_THROW(id.AsInteger(), EDatabaseError);
  ds->Open();
  EXPECT_EQ(id.AsInteger(), 1) << "the same field again after reopening";
}

}  // namespace
}  // namespace tv
