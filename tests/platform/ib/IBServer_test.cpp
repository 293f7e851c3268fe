// The "host/port:path" road: a Firebird server started for the test on a
// free loopback port.

#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"
#include "tests/platform/ib/IbTestSupport.h"
#include "tests/support/FirebirdServer.h"

namespace tv {
namespace {

using test::FirebirdServer;
using test::IbTest;

class IBServerTest : public IbTest {
 protected:
  void SetUp() override {
    const std::string why = FirebirdServer::Unavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    IbTest::SetUp();
    MakeDb("c/DB/A.FDB",
           "CREATE TABLE T (ID INTEGER, NAME VARCHAR(20));\n"
           "SET TERM ^ ;\n"
           "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 100000) DO BEGIN "
           "INSERT INTO T VALUES (:I, 'Строка'); I = I + 1; END END^\n"
           "SET TERM ; ^\n"_w);
    server_ = std::make_unique<FirebirdServer>();
  }
  std::unique_ptr<TIBDatabase> Remote(const std::string& password) {
    auto db = std::make_unique<TIBDatabase>();
    db->SetDatabaseName("127.0.0.1/" + std::to_string(server_->Port()) + ":C:\\DB\\A.FDB");
    db->Params().Add("user_name=SYSDBA");
    db->Params().Add("password=" + password);
    db->Params().Add("lc_ctype=WIN1251");
    db->SetDefaultTransaction(new TIBTransaction(db.get()));
    return db;
  }
  std::unique_ptr<FirebirdServer> server_;
};

TEST_F(IBServerTest, ConnectsThroughThePortWithThePathMapped) {
  auto db = Remote(server_->Password());
  EXPECT_EQ(db->AttachName(),
            "127.0.0.1/" + std::to_string(server_->Port()) + ":" + root_.Path() + "/c/DB/A.FDB");
  db->Open();
  auto ds = Query(db.get(),
                  "SELECT MON$REMOTE_PROTOCOL, (SELECT COUNT(*) FROM T), (SELECT FIRST 1 NAME "
                  "FROM T) FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION");
  ds->Open();
  EXPECT_EQ(TrimRight(ds->Fields(0).AsString()), "TCPv4");
  EXPECT_EQ(ds->Fields(1).AsInteger(), 100000);
  EXPECT_EQ(ds->Fields(2).AsString(), "Строка"_w);
  db->Close();
}

TEST_F(IBServerTest, WrongPassword) {
  auto db = Remote("wrong");
  try {
    db->Open();
    FAIL();
  } catch (const EIBInterBaseError& e) {
    EXPECT_NE(e.Message().find("Your user name and password are not defined"), std::string::npos)
        << e.Message();
  }
  EXPECT_FALSE(db->Connected());
}

TEST_F(IBServerTest, ServerNotRunning) {
  auto db = Remote(server_->Password());
  server_.reset();  // stopped and gone
  try {
    db->Open();
    FAIL();
  } catch (const EIBInterBaseError& e) {
    EXPECT_NE(e.Message().find("Unable to complete network request to host \"127.0.0.1\""),
              std::string::npos)
        << e.Message();
  }
}

// The server dies while rows are still coming: the fetch fails with
// Firebird's text, the data set is closed, and closing the connection drops
// it even though the server cannot answer.
TEST_F(IBServerTest, LostConnectionDuringFetch) {
  auto db = Remote(server_->Password());
  db->Open();
  auto ds = Query(db.get(), "SELECT ID, NAME FROM T");
  ds->Open();
  ds->Next();
  server_->Kill();
  try {
    ds->FetchAll();
    FAIL() << "fetched " << ds->RecordCount() << " rows from a dead server";
  } catch (const EIBInterBaseError& e) {
    EXPECT_FALSE(e.Message().empty());
  }
  EXPECT_FALSE(ds->Active());
  EXPECT_THROW(db->Close(), EIBInterBaseError);
  EXPECT_FALSE(db->Connected());
}

}  // namespace
}  // namespace tv
