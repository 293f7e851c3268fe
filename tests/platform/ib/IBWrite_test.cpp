// Writing through TIBDataSet and TIBTransaction, checked with isql-fb.

#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "tests/platform/ib/IbTestSupport.h"

namespace tv {
namespace {

using test::IbTest;
using test::IsqlSelect;

class IBWriteTest : public IbTest {
 protected:
  void SetUp() override {
    IbTest::SetUp();
    path_ = MakeDb("w.fdb",
                   "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(40), "
                   "N4 NUMERIC(15,4), TS TIMESTAMP, MEMO BLOB SUB_TYPE TEXT, BIN BLOB);\n"
                   "INSERT INTO T (ID, V) VALUES (1, 'one');\n"
                   "INSERT INTO T (ID, V) VALUES (2, 'two');\n");
    db_ = Connect(path_);
    write_ = new TIBTransaction(db_.get());
    write_->SetDefaultDatabase(db_.get());
    write_->Params().SetText("read_committed\nrec_version\nnowait");
  }
  std::unique_ptr<TIBDataSet> Editable() {
    auto ds = Query(db_.get(), "SELECT ID, V, N4, TS FROM T ORDER BY ID");
    ds->SetTransaction(write_);
    ds->InsertSQL().SetText("INSERT INTO T (ID, V, N4, TS) VALUES (:ID, :V, :N4, :TS)");
    ds->ModifySQL().SetText("UPDATE T SET ID = :ID, V = :V, N4 = :N4 WHERE ID = :OLD_ID");
    ds->DeleteSQL().SetText("DELETE FROM T WHERE ID = :OLD_ID");
    return ds;
  }
  std::string Column(const std::string& select) {
    auto rows = IsqlSelect(path_, select);
    return rows.empty() ? "<none>" : rows[0].begin()->second;
  }
  std::string path_;
  std::unique_ptr<TIBDatabase> db_;
  TIBTransaction* write_ = nullptr;  // owned by db_
};

TEST_F(IBWriteTest, EditInsertDeleteRunTheUpdateStatements) {
  auto ds = Editable();
  ds->Open();
  ds->Edit();
  ds->FieldByName("V").SetAsString("один"_w);
  ds->FieldByName("ID").SetAsInteger(10);
  ds->Post();
  EXPECT_EQ(ds->RowsAffected(), 1);
  EXPECT_EQ(ds->FieldByName("V").AsString(), "один"_w);
  ds->Append();
  ds->FieldByName("ID").SetAsInteger(3);
  ds->FieldByName("V").SetAsString("№3"_w);
  ds->FieldByName("N4").SetAsFloat(2.71828);
  ds->FieldByName("TS").SetAsDateTime(EncodeDateTime(2024, 3, 2, 20, 0, 0, 0));
  ds->Post();
  EXPECT_EQ(ds->RecordCount(), 3);
  EXPECT_EQ(ds->RecNo(), 3);
  ASSERT_TRUE(ds->Locate("ID", Variant(2)));
  ds->Delete();
  EXPECT_EQ(ds->RecordCount(), 2);
  write_->Commit();
  EXPECT_FALSE(ds->Active()) << "commit closes the data sets of the transaction";

  auto rows = IsqlSelect(path_, "SELECT ID, V, N4, TS FROM T ORDER BY ID");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]["ID"], "3");
  EXPECT_EQ(rows[0]["V"], "№3"_w);
  EXPECT_EQ(rows[0]["N4"], "2.7183");
  EXPECT_EQ(rows[0]["TS"], "2024-03-02 20:00:00.0000");
  EXPECT_EQ(rows[1]["ID"], "10");
  EXPECT_EQ(rows[1]["V"], "один"_w);
}

TEST_F(IBWriteTest, FieldsChangeOnlyInEditOrInsertState) {
  auto ds = Editable();
  ds->Open();
  EXPECT_THROW(ds->FieldByName("V").SetAsString("x"), EDatabaseError);
  ds->Edit();
  ds->FieldByName("V").SetAsString("changed");
  ds->Cancel();
  EXPECT_EQ(ds->FieldByName("V").AsString(), "one");
  ds->Edit();
  EXPECT_THROW(ds->FieldByName("ID").SetAsString("x1"), EVariantError);
  ds->FieldByName("V").Clear();
  EXPECT_TRUE(ds->FieldByName("V").IsNull());
  ds->Cancel();
  ds->ModifySQL().Clear();
  ds->Edit();
  EXPECT_THROW(ds->Post(), EDatabaseError);
  EXPECT_EQ(ds->State(), TDataSetState::dsEdit) << "a failed Post keeps the edit";
}

TEST_F(IBWriteTest, ExecSqlWritesTextAndBinaryBlobs) {
  auto ds = Query(db_.get(), "INSERT INTO T (ID, MEMO, BIN, N4) VALUES (:ID, :MEMO, :BIN, :N4)");
  ds->SetTransaction(write_);
  std::string big(100000, 'x');
  big += "конец"_w;
  ds->ParamByName("ID").SetAsInteger(5);
  ds->ParamByName("MEMO").SetAsString(big);
  ds->ParamByName("BIN").SetAsString(std::string("\x00\x01\xFF", 3));
  ds->ParamByName("N4").SetAsString("12.5");
  ds->ExecSQL();
  EXPECT_EQ(ds->RowsAffected(), 1);
  write_->Commit();
  auto back = Query(db_.get(), "SELECT MEMO, BIN, N4 FROM T WHERE ID = 5");
  back->Open();
  EXPECT_EQ(back->FieldByName("MEMO").AsString(), big);
  EXPECT_EQ(back->FieldByName("BIN").AsString(), std::string("\x00\x01\xFF", 3));
  EXPECT_EQ(back->FieldByName("N4").AsCurrency().Raw(), 125000);
  EXPECT_EQ(Column("SELECT CHAR_LENGTH(MEMO) AS L FROM T WHERE ID = 5"), "100005");
}

// Every character of Windows-1251 goes in and comes back as the same byte
// (0x98 has no character in the code page and Firebird refuses it).
TEST_F(IBWriteTest, EveryWindows1251ByteRoundTrips) {
  std::string all;
  for (int c = 0x20; c <= 0xFF; ++c)
    if (c != 0x98) all += static_cast<char>(c);
  auto ins = Query(db_.get(), "INSERT INTO T (ID, MEMO) VALUES (9, :M)");
  ins->SetTransaction(write_);
  ins->ParamByName("M").SetAsString(all);
  ins->ExecSQL();
  auto upd = Query(db_.get(), "UPDATE T SET V = :V WHERE ID = 9");
  upd->SetTransaction(write_);
  upd->ParamByName("V").SetAsString(all.substr(all.size() - 40));
  upd->ExecSQL();
  write_->Commit();
  auto back = Query(db_.get(), "SELECT V, MEMO, CHAR_LENGTH(MEMO) AS N FROM T WHERE ID = 9");
  back->Open();
  EXPECT_EQ(back->FieldByName("MEMO").AsString(), all);
  EXPECT_EQ(back->FieldByName("V").AsString(), all.substr(all.size() - 40));
  EXPECT_EQ(back->FieldByName("N").AsInteger(), static_cast<int>(all.size()));
  EXPECT_EQ(Column("SELECT V FROM T WHERE ID = 9"), all.substr(all.size() - 40)) << "isql agrees";
}

TEST_F(IBWriteTest, RollbackAndDefaultActions) {
  auto ds = Query(db_.get(), "UPDATE T SET V = 'gone' WHERE ID = 1");
  ds->SetTransaction(write_);
  ds->ExecSQL();
  write_->Rollback();
  EXPECT_EQ(Column("SELECT V FROM T WHERE ID = 1"), "one");

  ds->ExecSQL();  // starts the transaction again
  EXPECT_TRUE(write_->InTransaction());
  write_->SetDefaultAction(TTransactionAction::taRollback);
  ds.reset();
  delete write_;  // ends with its default action
  write_ = nullptr;
  EXPECT_EQ(Column("SELECT V FROM T WHERE ID = 1"), "one");

  auto* keep = new TIBTransaction(db_.get());
  keep->SetDefaultDatabase(db_.get());
  auto upd = Query(db_.get(), "UPDATE T SET V = 'kept' WHERE ID = 2");
  upd->SetTransaction(keep);
  upd->ExecSQL();
  db_->Close();  // ends the transaction with commit, the default action
  EXPECT_FALSE(keep->InTransaction());
  EXPECT_EQ(Column("SELECT V FROM T WHERE ID = 2"), "kept");
}

TEST_F(IBWriteTest, RetainingKeepsTheRowsOpen) {
  auto ds = Editable();
  ds->Open();
  auto ins = Query(db_.get(), "INSERT INTO T (ID) VALUES (7)");
  ins->SetTransaction(write_);
  ins->ExecSQL();
  write_->CommitRetaining();
  EXPECT_TRUE(ds->Active());
  EXPECT_TRUE(write_->InTransaction());
  EXPECT_EQ(Column("SELECT COUNT(*) AS N FROM T"), "3");
}

TEST_F(IBWriteTest, TransactionOptions) {
  auto* ro = new TIBTransaction(db_.get());
  ro->SetDefaultDatabase(db_.get());
  ro->Params().SetText("read_committed\nrec_version\nnowait\nread");
  auto ds = Query(db_.get(), "DELETE FROM T");
  ds->SetTransaction(ro);
  try {
    ds->ExecSQL();
    FAIL() << "a read-only transaction wrote";
  } catch (const EIBInterBaseError& e) {
    EXPECT_NE(e.Message().find("read-only"), std::string::npos) << e.Message();
  }
  ro->Rollback();
  ro->Params().SetText("read\nno_such_option");
  EXPECT_THROW(ro->StartTransaction(), EIBClientError);
  ro->Params().SetText("concurrency\nlock_timeout=3\nwait");
  ro->StartTransaction();
  EXPECT_THROW(ro->StartTransaction(), EIBClientError);
  ro->Commit();
  EXPECT_THROW(ro->Commit(), EIBClientError);
}

// A row locked by another transaction: nowait fails at once with
// Firebird's lock-conflict text.
TEST_F(IBWriteTest, LockConflictNamesTheCause) {
  auto first = Query(db_.get(), "UPDATE T SET V = 'a' WHERE ID = 1");
  first->SetTransaction(write_);
  first->ExecSQL();
  auto* other = new TIBTransaction(db_.get());
  other->SetDefaultDatabase(db_.get());
  other->Params().SetText("read_committed\nrec_version\nnowait");
  auto second = Query(db_.get(), "UPDATE T SET V = 'b' WHERE ID = 1");
  second->SetTransaction(other);
  try {
    second->ExecSQL();
    FAIL();
  } catch (const EIBInterBaseError& e) {
    EXPECT_NE(e.Message().find("deadlock"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("\r\n"), std::string::npos) << "Firebird's lines joined by CR LF";
  }
}

}  // namespace
}  // namespace tv
