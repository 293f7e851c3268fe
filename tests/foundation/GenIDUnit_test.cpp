// Record ids against real Firebird tables, with several processes drawing
// ids for one table at once.

#include "foundation/GenIDUnit.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/Paths.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"
#include "tests/support/FirebirdTest.h"
#include "tests/support/Processes.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

const char kDdl[] =
    "CREATE TABLE SCANDOCUMENTS (ID INTEGER NOT NULL, NAME VARCHAR(20));\n"
    "CREATE TABLE SCANDOCTYPES (ID INTEGER NOT NULL);\n"
    "CREATE TABLE EMPTYTAB (ID INTEGER);\n"
    "INSERT INTO SCANDOCUMENTS VALUES (41, 'a');\n"
    "INSERT INTO SCANDOCUMENTS VALUES (7, 'b');\n"
    "INSERT INTO SCANDOCTYPES VALUES (3);\n";

class GenIDTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseFirebirdTestEngine();
    dbPath_ = root_.Path() + "/genid.fdb";
    test::CreateTestDatabase(dbPath_, kDdl);
    // Each test names its database differently: counters are machine-wide.
    dbName_ = "C:\\TEST\\" + std::to_string(::getpid()) + "\\" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  void TearDown() override { GenIDUnit::ReleaseViews(); }

  struct Connection {
    TIBDatabase db;
    TIBTransaction tr;
    explicit Connection(const std::string& path) {
      db.SetDatabaseName(path);
      db.Params().Add("user_name=SYSDBA");
      db.Params().Add("lc_ctype=WIN1251");
      tr.SetDefaultDatabase(&db);
      db.SetDefaultTransaction(&tr);
      db.Open();
    }
  };

  int32_t Gen(Connection& c, const std::string& table, const std::string& field, int32_t min,
              const std::string& dbName = {}) {
    return GenIDUnit::GenID(dbName.empty() ? dbName_ : dbName, &c.db, &c.tr, table, field, min);
  }

  test::TempRoot root_;
  std::string dbPath_;
  std::string dbName_;
};

TEST_F(GenIDTest, MappingNamesAreSafeAndCaseFree) {
  EXPECT_EQ(GenIDUnit::MappingName("C:\\FUEL\\DB\\", "SCANDOCUMENTS", "ID"),
            "C__FUEL_DB___SCANDOCUMENTS__ID");
  EXPECT_EQ(GenIDUnit::MappingName("c:\\fuel\\db", "scandocuments", "id"),
            "C__FUEL_DB___SCANDOCUMENTS__ID");
  EXPECT_EQ(GenIDUnit::MakeSafeName("a\"b*c/d:e<f=g>h?i\\j|k l"), "a_b_c_d_e_f_g_h_i_j_k l");
}

TEST_F(GenIDTest, SeedsFromTheTableMaximumAndCountsOnWithoutAsking) {
  Connection c(dbPath_);
  EXPECT_EQ(Gen(c, "SCANDOCUMENTS", "ID", 1), 42);
  // Rows stored meanwhile by someone else do not matter while the counter lives.
  int rc = -1;
  const std::string out = test::Isql(
      "CONNECT '" + dbPath_ + "' USER SYSDBA; INSERT INTO SCANDOCUMENTS VALUES (500, 'x'); COMMIT;", &rc);
  ASSERT_EQ(rc, 0) << out;
  EXPECT_EQ(Gen(c, "scandocuments", "id", 1), 43);  // letter case shares the counter
  EXPECT_EQ(Gen(c, "SCANDOCUMENTS", "ID", 1), 44);
  // Once every holder lets go, the next request reads the table again.
  GenIDUnit::ReleaseViews();
  c.tr.Commit();  // GenID leaves its transaction active; a new one sees the row
  EXPECT_EQ(Gen(c, "SCANDOCUMENTS", "ID", 1), 501);
}

TEST_F(GenIDTest, MinValueAndEmptyTables) {
  Connection c(dbPath_);
  EXPECT_EQ(Gen(c, "EMPTYTAB", "ID", 1), 1);
  EXPECT_EQ(Gen(c, "SCANDOCTYPES", "ID", 100), 100);
  EXPECT_EQ(Gen(c, "SCANDOCTYPES", "ID", 1), 101);
}

TEST_F(GenIDTest, DatabasesHaveSeparateCounters) {
  Connection c(dbPath_);
  EXPECT_EQ(Gen(c, "SCANDOCUMENTS", "ID", 1, dbName_ + "A"), 42);
  EXPECT_EQ(Gen(c, "SCANDOCUMENTS", "ID", 1, dbName_ + "B"), 42);
  EXPECT_EQ(Gen(c, "SCANDOCUMENTS", "ID", 1, dbName_ + "A"), 43);
}

TEST_F(GenIDTest, ADatabaseFailureGivesUpTheNewCounter) {
  Connection c(dbPath_);
  try {
    Gen(c, "NOSUCHTABLE", "ID", 1);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("Генерация ID -> "_w, 0), 0u) << e.Message();
    EXPECT_NE(e.Message().find("NOSUCHTABLE"), std::string::npos) << e.Message();
  }
  // The failed seeding left no counter behind: the next call reads again.
  EXPECT_THROW(Gen(c, "NOSUCHTABLE", "ID", 1), Exception);
}

TEST_F(GenIDTest, ProcessesDrawDistinctConsecutiveKeys) {
  constexpr int kProcesses = 4, kKeys = 500;
  const std::string out = root_.Path() + "/keys";
  // This process keeps the counter alive: without any holder a later
  // process would seed from the table again (the keys are not stored).
  {
    Connection c(dbPath_);
    ASSERT_EQ(Gen(c, "SCANDOCUMENTS", "ID", 1), 42);
  }
  test::RunInChildren(kProcesses, [&](int p) {
    Connection c(dbPath_);
    std::ofstream f(out + std::to_string(p));
    for (int i = 0; i < kKeys; ++i) f << Gen(c, "SCANDOCUMENTS", "ID", 1) << '\n';
    return f.good() ? 0 : 1;
  });
  std::vector<int> keys;
  for (int p = 0; p < kProcesses; ++p) {
    std::ifstream f(out + std::to_string(p));
    int k;
    while (f >> k) keys.push_back(k);
  }
  ASSERT_EQ(keys.size(), static_cast<size_t>(kProcesses * kKeys));
  std::sort(keys.begin(), keys.end());
  for (size_t i = 0; i < keys.size(); ++i) ASSERT_EQ(keys[i], static_cast<int>(43 + i));
}

TEST_F(GenIDTest, AHolderThatDiesDoesNotStopTheOthersAndTheWaitEnds) {
  Connection c(dbPath_);
  EXPECT_EQ(Gen(c, "SCANDOCTYPES", "ID", 1), 4);
  // A child takes the mutex and holds it: the wait ends with the error.
  int pipeFd[2];
  ASSERT_EQ(::pipe(pipeFd), 0);
  pid_t pid = ::fork();
  if (pid == 0) {
    auto m = NamedMutex::Create(std::string("Global\\") + GenIDUnit::kMutexName);
    m->Wait();
    char ok = 1;
    (void)!::write(pipeFd[1], &ok, 1);
    ::pause();
    ::_exit(0);
  }
  char ready = 0;
  ASSERT_EQ(::read(pipeFd[0], &ready, 1), 1);
  const uint32_t saved = GenIDUnit::WaitTimeoutMs;
  GenIDUnit::WaitTimeoutMs = 300;
  try {
    Gen(c, "SCANDOCTYPES", "ID", 1);
    ADD_FAILURE() << "no error while another process holds the mutex";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("Генерация ID -> "_w, 0), 0u) << e.Message();
    EXPECT_NE(e.Message().find("<# EOSError #>"), std::string::npos) << e.Message();
  }
  // The holder dies: one caller learns of it, the next ones go on.
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  int32_t key = 0;
  for (int attempt = 0; attempt < 2 && key == 0; ++attempt) {
    try {
      key = Gen(c, "SCANDOCTYPES", "ID", 1);
    } catch (const Exception&) {
    }
  }
  GenIDUnit::WaitTimeoutMs = saved;
  EXPECT_EQ(key, 5);
  EXPECT_EQ(Gen(c, "SCANDOCTYPES", "ID", 1), 6);
}

}  // namespace
}  // namespace tv
