// Several processes on one embedded database: a second process reads while
// this one writes, and sees committed data only.

#include <chrono>
#include <future>
#include <set>
#include <thread>

#include "tests/platform/ib/IbTestSupport.h"

namespace tv {
namespace {

using test::IbTest;
using test::RunCommand;

class IBSharedTest : public IbTest {
 protected:
  std::string Probe(const std::string& args) {
    int rc = -1;
    std::string out = RunCommand(std::string(IB_PROBE) + " " + args + " 2>&1", &rc);
    EXPECT_EQ(rc, 0) << out;
    return out;
  }
};

TEST_F(IBSharedTest, AnotherProcessSeesOnlyCommittedRows) {
  const std::string path = MakeDb("s.fdb", "CREATE TABLE T (ID INTEGER);");
  auto db = Connect(path);
  auto* write = new TIBTransaction(db.get());
  write->SetDefaultDatabase(db.get());
  write->Params().SetText("read_committed\nrec_version\nnowait");
  auto ins = Query(db.get(), "INSERT INTO T SELECT FIRST 500 RDB$RELATION_ID FROM RDB$RELATIONS");
  ins->SetTransaction(write);
  ins->ExecSQL();
  const std::string pending = std::to_string(ins->RowsAffected());
  EXPECT_EQ(Probe("count '" + path + "' T"), "0\n") << "uncommitted rows stay invisible";
  write->Commit();
  EXPECT_EQ(Probe("count '" + path + "' T"), pending + "\n");
}

// Money moves between two accounts in many transactions while another
// process sums them in snapshot transactions: every sum it sees is the same.
TEST_F(IBSharedTest, ReadersSeeConsistentTotalsWhileOneWrites) {
  const std::string path = MakeDb("acc.fdb",
                                  "CREATE TABLE ACC (ID INTEGER NOT NULL PRIMARY KEY, "
                                  "AMOUNT NUMERIC(15,2));\n"
                                  "INSERT INTO ACC VALUES (1, 1000);\n"
                                  "INSERT INTO ACC VALUES (2, 0);\n");
  auto reader = std::async(std::launch::async, [&] { return Probe("sums '" + path + "' 300"); });
  auto db = Connect(path);
  auto* write = new TIBTransaction(db.get());
  write->SetDefaultDatabase(db.get());
  write->Params().SetText("concurrency\nwait");
  auto from = Query(db.get(), "UPDATE ACC SET AMOUNT = AMOUNT - :X WHERE ID = 1");
  auto to = Query(db.get(), "UPDATE ACC SET AMOUNT = AMOUNT + :X WHERE ID = 2");
  from->SetTransaction(write);
  to->SetTransaction(write);
  for (int i = 0; i < 300; ++i) {
    from->ParamByName("X").SetAsInteger(3);
    to->ParamByName("X").SetAsInteger(3);
    from->ExecSQL();
    to->ExecSQL();
    write->Commit();
  }
  EXPECT_EQ(reader.get(), "1000\n");
  auto check = Query(db.get(), "SELECT AMOUNT FROM ACC WHERE ID = 2");
  check->Open();
  EXPECT_EQ(check->Fields(0).AsInteger(), 900);
}

}  // namespace
}  // namespace tv
