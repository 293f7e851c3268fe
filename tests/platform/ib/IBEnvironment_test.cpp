#include "platform/ib/IBEnvironment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/FirebirdTest.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using test::Isql;
using test::RunCommand;
using test::TempRoot;

class IBEnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override { test::UseFirebirdTestEngine(); }
  TempRoot root_;
};

TEST_F(IBEnvironmentTest, EngineFolderHoldsConfigurationCharsetModuleAndLockFolder) {
  const std::string folder = root_.Path() + "/engine";
  WriteFirebirdEngineFolder(folder, EmbeddedFirebirdConf());
  EXPECT_EQ(root_.ReadFile("engine/firebird.conf"), std::string(EmbeddedFirebirdConf()));
  EXPECT_NE(root_.ReadFile("engine/firebird.conf").find("ServerMode = SuperClassic"),
            std::string::npos);
  EXPECT_TRUE(fs::is_directory(folder + "/lock"));
  // The character-set module must be a real file: loaded through a link it
  // leaves WIN1251 "not installed".
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder + "/intl/libfbintl.so")));
  EXPECT_TRUE(fs::exists(folder + "/firebird.msg"));

  const auto before = fs::last_write_time(folder + "/firebird.conf");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  WriteFirebirdEngineFolder(folder, EmbeddedFirebirdConf());
  EXPECT_EQ(fs::last_write_time(folder + "/firebird.conf"), before) << "rewritten unchanged";
}

TEST_F(IBEnvironmentTest, TwoProcessesWriteAndReadOneDatabase) {
  const std::string db = root_.Path() + "/shared.fdb";
  test::CreateTestDatabase(db, "CREATE TABLE T (ID INTEGER, NAME VARCHAR(20));");
  // The first isql keeps its attachment while the second one writes; with
  // the default ServerMode the second attach fails with "lock" I/O errors.
  const std::string holder = root_.Path() + "/holder.out";
  const std::string script = root_.Path() + "/holder.sql";
  root_.WriteFile("holder.sql", "CONNECT '" + db +
                                    "' USER 'SYSDBA';\nSELECT COUNT(*) AS N1 FROM T;\n"
                                    "SHELL sleep 2;\nCOMMIT;\nSELECT COUNT(*) AS N2 FROM T;\n");
  RunCommand("isql-fb -q -i '" + script + "' > '" + holder + "' 2>&1 &");
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  int rc = 0;
  std::string out = Isql("CONNECT '" + db +
                             "' USER 'SYSDBA';\nINSERT INTO T VALUES (1, 'x');\n"
                             "INSERT INTO T VALUES (2, 'y');\nCOMMIT;\n",
                         &rc);
  EXPECT_EQ(rc, 0) << out;
  for (int i = 0; i < 50 && root_.ReadFile("holder.out").find("N2") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const std::string held = root_.ReadFile("holder.out");
  EXPECT_EQ(held.find("Statement failed"), std::string::npos) << held;
  EXPECT_NE(held.find("N2"), std::string::npos) << held;
  EXPECT_NE(held.substr(held.find("N2")).find(" 2"), std::string::npos) << held;
}

// A process that finds no FIREBIRD in its environment makes the engine
// folder under its root folder and works there.
TEST_F(IBEnvironmentTest, DefaultEngineFolderLivesUnderTheRootFolder) {
  const std::string db = root_.Path() + "/data.fdb";
  test::CreateTestDatabase(db, "CREATE TABLE T (ID INTEGER); INSERT INTO T VALUES (7);");
  const std::string env = "env -u FIREBIRD -u FIREBIRD_LOCK TOLVAREN_ROOT='" + root_.Path() + "' ";
  EXPECT_EQ(RunCommand(env + IB_PROBE " folder"), root_.Path() + "/firebird\n");
  int rc = -1;
  EXPECT_EQ(RunCommand(env + IB_PROBE " count '" + db + "' T 2>&1", &rc), "1\n");
  EXPECT_EQ(rc, 0);
  EXPECT_TRUE(fs::is_directory(root_.Path() + "/firebird/lock"));
}

// Tests may run as root; the station's programs do not. Run the probe as
// "nobody" on a root folder that user owns.
TEST_F(IBEnvironmentTest, WorksWithoutRootPrivileges) {
  if (::geteuid() != 0) GTEST_SKIP() << "already unprivileged: the other tests cover it";
  if (!test::HaveCommand("setpriv")) GTEST_SKIP() << "setpriv (util-linux) not installed";
  const std::string db = root_.Path() + "/data.fdb";
  test::CreateTestDatabase(db, "CREATE TABLE T (ID INTEGER); INSERT INTO T VALUES (1);");
  RunCommand("chown -R 65534:65534 '" + root_.Path() + "'");
  const std::string cmd = "env -u FIREBIRD -u FIREBIRD_LOCK TOLVAREN_ROOT='" + root_.Path() +
                          "' setpriv --reuid=65534 --regid=65534 --clear-groups " IB_PROBE;
  int rc = -1;
  EXPECT_EQ(RunCommand(cmd + " count '" + db + "' T 2>&1", &rc), "1\n");
  EXPECT_EQ(rc, 0);
  struct stat st {};
  ASSERT_EQ(::stat((root_.Path() + "/firebird/lock").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
}

}  // namespace
}  // namespace tv
