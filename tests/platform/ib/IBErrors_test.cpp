// Failures of the embedded engine and misuse of the layer: Firebird's text
// in the exception, and nothing left open on the server afterwards.

#include <ibase.h>
#include <pthread.h>

#include <cstdio>

#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "tests/platform/ib/IbTestSupport.h"
#include "tests/support/Processes.h"

namespace tv {
namespace {

using test::IbTest;

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "<no exception>";
}

class IBErrorsTest : public IbTest {
 protected:
  // Statements this attachment holds on the server, seen through the
  // monitoring tables (the monitoring query itself excluded): with an open
  // cursor, or also those only prepared.
  int OpenStatements(TIBDatabase* db, bool activeOnly = true) {
    auto ds = Query(db, std::string("SELECT COUNT(*) FROM MON$STATEMENTS WHERE MON$ATTACHMENT_ID "
                                    "= CURRENT_CONNECTION") +
                            (activeOnly ? " AND MON$STATE <> 0" : ""));
    auto* tr = new TIBTransaction(ds.get());
    tr->SetDefaultDatabase(db);
    tr->Params().SetText("concurrency");
    ds->SetTransaction(tr);
    ds->Open();
    const int active = ds->Fields(0).AsInteger() - 1;
    return active;
  }
};

TEST_F(IBErrorsTest, MissingFileGivesFirebirdsTextWithTheNativePath) {
  TIBDatabase db;
  db.SetDatabaseName("C:\\FUEL\\DB\\Нет такой.FDB"_w);
  db.Params().Add("user_name=SYSDBA");
  const std::string message = MessageOf([&] { db.Open(); });
  EXPECT_NE(message.find("I/O error during \"open\" operation for file"), std::string::npos)
      << message;
  EXPECT_NE(message.find("/c/FUEL/DB/"), std::string::npos) << message;
  EXPECT_NE(message.find("Нет такой.FDB"_w), std::string::npos) << "Windows-1251 again";
  EXPECT_NE(message.find("\r\n"), std::string::npos);
  EXPECT_FALSE(db.Connected());
  EXPECT_THROW(db.Open(), EIBInterBaseError);
}

TEST_F(IBErrorsTest, FileThatIsNoDatabase) {
  root_.WriteFile("junk.fdb", std::string(16384, 'J'));
  TIBDatabase db;
  db.SetDatabaseName(root_.Path() + "/junk.fdb");
  db.Params().Add("user_name=SYSDBA");
  const std::string message = MessageOf([&] { db.Open(); });
  EXPECT_NE(message.find("not a valid database"), std::string::npos) << message;
  EXPECT_FALSE(db.Connected());
}

TEST_F(IBErrorsTest, BadParametersAreRefusedBeforeConnecting) {
  TIBDatabase db;
  EXPECT_THROW(db.Open(), EIBClientError) << "no name";
  db.SetDatabaseName(MakeDb("a.fdb", "CREATE TABLE T (ID INTEGER);"));
  db.Params().Add("user_name=SYSDBA");
  db.Params().Add("colour=blue");
  EXPECT_EQ(MessageOf([&] { db.Open(); }), "Unknown database parameter \"colour=blue\"");
  db.Params().Delete(1);
  db.Open();
  EXPECT_THROW(db.SetDatabaseName("other.fdb"), EIBClientError);
}

TEST_F(IBErrorsTest, SyntaxErrorLeavesNothingOpen) {
  auto db = Connect(MakeDb("s.fdb", "CREATE TABLE T (ID INTEGER); INSERT INTO T VALUES (1);"));
  auto ds = Query(db.get(), "SELEC ID FROM T");
  try {
    ds->Open();
    FAIL();
  } catch (const EIBInterBaseError& e) {
    EXPECT_EQ(e.SQLCode(), -104);
    EXPECT_NE(e.Message().find("Token unknown - line 1, column 1"), std::string::npos);
    EXPECT_STREQ(e.ClassName(), "EIBInterBaseError");
  }
  EXPECT_FALSE(ds->Active());
  ds->SelectSQL().SetText("SELECT NOPE FROM T");
  EXPECT_NE(MessageOf([&] { ds->Open(); }).find("Column unknown"), std::string::npos);
  ds->SelectSQL().SetText("SELECT ID FROM T WHERE ID = :ID");
  ds->ParamByName("ID").SetAsString("abc");
  EXPECT_NE(MessageOf([&] { ds->Open(); }).find("conversion error"), std::string::npos);
  EXPECT_FALSE(ds->Active());
  EXPECT_EQ(OpenStatements(db.get()), 0);
  ds->ParamByName("ID").SetAsInteger(1);
  ds->Open();
  EXPECT_EQ(ds->Fields(0).AsInteger(), 1) << "the data set works after its failures";
  EXPECT_EQ(OpenStatements(db.get()), 1);
  ds->Close();
  EXPECT_EQ(OpenStatements(db.get()), 0);
  ds->UnPrepare();
  EXPECT_EQ(OpenStatements(db.get(), false), 0) << "no prepared statement is left behind";
}

// Once the engine has shut down, as it does when a host gets SIGTERM, every
// call into it fails: the next fetch raises the engine's error instead of
// handing back the last row again, and so do a new query, a statement and a
// commit. Each case runs in a process of its own: the shutdown is for good.
TEST_F(IBErrorsTest, AfterTheEngineShutsDownEveryCallRaises) {
  const std::string path = MakeDb(
      "down.fdb",
      "CREATE TABLE T (ID INTEGER); INSERT INTO T (ID) WITH RECURSIVE R AS (SELECT 1 AS N FROM "
      "RDB$DATABASE UNION ALL SELECT N + 1 FROM R WHERE N < 1000) SELECT N FROM R;");
  const std::function<void(TIBDatabase&, TIBDataSet&)> cases[] = {
      [](TIBDatabase&, TIBDataSet& rows) {
        for (int i = 0; i < 5; ++i) rows.Next();
      },
      [this](TIBDatabase& db, TIBDataSet&) { Query(&db, "SELECT COUNT(*) FROM T")->Open(); },
      [this](TIBDatabase& db, TIBDataSet&) { Query(&db, "UPDATE T SET ID = ID")->ExecSQL(); },
      [](TIBDatabase& db, TIBDataSet&) { db.DefaultTransaction()->Commit(); },
  };
  test::RunInChildren(std::size(cases), [&](int i) {
    auto db = Connect(path);
    auto rows = Query(db.get(), "SELECT ID FROM T ORDER BY ID");
    rows->SetUniDirectional(true);
    rows->Open();
    rows->Next();
    if (fb_shutdown(0, fb_shutrsn_app_stopped) != 0) return 4;
    const std::string message = MessageOf([&] { cases[i](*db, *rows); });
    std::fprintf(stderr, "case %d: %s\n", i, message.c_str());
    return message.find("shutdown") != std::string::npos ? 0 : 1;
  });
}

TEST_F(IBErrorsTest, MisuseOfTheDataSet) {
  auto db = Connect(MakeDb("m.fdb", "CREATE TABLE T (ID INTEGER);"));
  TIBDataSet ds;
  ds.SetName("Q");
  ds.SelectSQL().SetText("SELECT ID FROM T");
  EXPECT_EQ(MessageOf([&] { ds.Open(); }), "Q: Database not assigned");
  TIBDatabase noTransaction;
  noTransaction.SetDatabaseName(db->DatabaseName());
  ds.SetDatabase(&noTransaction);
  EXPECT_EQ(MessageOf([&] { ds.Open(); }), "Q: Transaction not assigned");
  ds.SetDatabase(db.get());
  EXPECT_EQ(MessageOf([&] { ds.First(); }), "Q: Cannot perform this operation on a closed dataset");
  ds.SelectSQL().Clear();
  EXPECT_EQ(MessageOf([&] { ds.Open(); }), "Q: SQL statement is empty");
  ds.SelectSQL().SetText("DELETE FROM T");
  EXPECT_NE(MessageOf([&] { ds.Open(); }).find("ExecSQL"), std::string::npos);
  ds.SelectSQL().SetText("SELECT ID FROM T");
  ds.Open();
  EXPECT_THROW(ds.ExecSQL(), EDatabaseError);
  EXPECT_THROW(ds.Delete(), EDatabaseError) << "empty";
}

TEST_F(IBErrorsTest, ClosingOrFreeingTheDatabaseReleasesItsDataSets) {
  auto db = Connect(MakeDb("c.fdb", "CREATE TABLE T (ID INTEGER); INSERT INTO T VALUES (1);"));
  auto ds = Query(db.get(), "SELECT ID FROM T");
  ds->Open();
  db->Close();
  EXPECT_FALSE(ds->Active());
  EXPECT_FALSE(db->DefaultTransaction()->InTransaction());
  ds->Open();  // connects again
  EXPECT_TRUE(db->Connected());
  db.reset();
  EXPECT_EQ(ds->Database(), nullptr);
  EXPECT_FALSE(ds->Active());
  EXPECT_THROW(ds->Open(), EDatabaseError);
}

TEST_F(IBErrorsTest, OwnerFreesWhatItOwns) {
  const std::string path = MakeDb("o.fdb", "CREATE TABLE T (ID INTEGER);");
  auto owner = std::make_unique<TComponent>();
  auto* db = new TIBDatabase(owner.get());
  db->SetDatabaseName(path);
  db->Params().Add("user_name=SYSDBA");
  auto* tr = new TIBTransaction(db);
  db->SetDefaultTransaction(tr);
  auto* ds = new TIBDataSet(owner.get());
  ds->SetDatabase(db);
  ds->SelectSQL().SetText("SELECT ID FROM T");
  ds->Open();
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(db->ComponentCount(), 1);
  delete db;  // the data set and the transaction let go of it
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(ds->Database(), nullptr);
  owner.reset();  // frees the data set; ASan reports anything left
}

TEST_F(IBErrorsTest, AttachNameSplitsRemoteNamesFromPaths) {
  struct Case {
    std::string name;
    std::string expected;  // "<mapped>" + rest: rest mapped under the root
  };
  const std::string big(100000, 'x');
  const Case cases[] = {
      {"server:/data/a.fdb", "server:/data/a.fdb"},
      {"server/3051:/data/a.fdb", "server/3051:/data/a.fdb"},
      {"server/3051:C:\\DB\\a.fdb", "server/3051:C:\\DB\\a.fdb"},
      {"localhost/3051:/data/a.fdb", "localhost/3051:/data/a.fdb"},
      {"/data/a.fdb", "/data/a.fdb"},
      {"C:\\FUEL\\DB\\a.fdb", "<mapped>C:\\FUEL\\DB\\a.fdb"},
      {"server/:x", "<mapped>server/:x"},    // empty port
      {"server:", "<mapped>server:"},        // empty path
      {"se/rv/er:x", "<mapped>se/rv/er:x"},  // a second "/"
      {"server:a\nb", "<mapped>server:a\nb"},
      {big, "<mapped>" + big},
      {big + ":" + big, big + ":" + big},
      {"h/" + big + ":p", "h/" + big + ":p"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.substr(0, 40));
    TIBDatabase db;
    db.SetDatabaseName(c.name);
    const std::string mapped = "<mapped>";
    const std::string expected = c.expected.rfind(mapped, 0) == 0
                                     ? MapPath(c.expected.substr(mapped.size()))
                                     : c.expected;
    EXPECT_EQ(db.AttachName(), expected);
  }
  TIBDatabase loopback;
  loopback.SetDatabaseName("localhost:C:\\FUEL\\a.fdb");
  EXPECT_EQ(loopback.AttachName(), "localhost:" + MapPath("C:\\FUEL\\a.fdb"));
}

// A host thread may have a small stack: a long name from the host must give
// Firebird's error there, not overflow it.
TEST_F(IBErrorsTest, LongNamesOnASmallStackGiveAnError) {
  struct Run {
    std::string name;
    std::string message;
  };
  for (const std::string& name :
       {std::string(100000, 'd'), "localhost:" + std::string(100000, 'p'),
        "C:\\" + std::string(100000, 'q') + "\\Velmar.FDB"}) {
    Run run{name, {}};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 256 * 1024);
    pthread_t thread;
    auto body = [](void* arg) -> void* {
      auto* r = static_cast<Run*>(arg);
      TIBDatabase db;
      db.SetDatabaseName(r->name);
      db.Params().Add("user_name=SYSDBA");
      r->message = MessageOf([&] { db.Open(); });
      return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, body, &run), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_NE(run.message, "<no exception>");
    EXPECT_FALSE(run.message.empty());
  }
}

}  // namespace
}  // namespace tv
