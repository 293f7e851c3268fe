// FBUtils with the real support library (libfbUtils.so and builds of it
// that leave entries out) on databases made by db/create-sample-db.

#include "foundation/FBUtils.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/Paths.h"
#include "platform/SysUtils.h"
#include "platform/ib/IBDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBTransaction.h"
#include "tests/support/FirebirdServer.h"
#include "tests/support/FirebirdTest.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

using test::RunCommand;
using test::TempRoot;

const char kStation[] = "C:\\FUEL\\DB\\Velmar.FDB";

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message();
  }
  return "<no exception>";
}

class FBUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseFirebirdTestEngine();
    // By path: a test program does not lie beside the library, and a
    // sanitizer build ignores the program's search path.
    FBUtils::Initialize(FBUTILS_FULL);
  }
  void TearDown() override {
    FBUtils::SetTickSource(nullptr);
    FBUtils::Finalize();
  }
  void MakeStation() {
    int rc = -1;
    const std::string out =
        RunCommand(std::string(TOLVAREN_SOURCE_DIR) +
                       "/db/create-sample-db --only station --root '" + root_.Path() + "' 2>&1",
                   &rc);
    ASSERT_EQ(rc, 0) << out;
  }
  TIBDatabase* Station(TComponent* owner = nullptr) {
    return FBUtils::CreateDatabase(kStation, FBUtils::GetFBPassword(), FBUtils::GetFBPort(), true,
                                   owner, "SYSDBA", "127.0.0.1", true, "RepGSM", "WIN1251");
  }
  std::string SupportLog() { return root_.ReadFile("c/FUEL/LogFiles/fbUtils.log"); }

  TempRoot root_;
};

TEST(FBUtilsMutexName, HostPathLowerCasedWithUnsafeCharactersReplaced) {
  EXPECT_EQ(FBUtils::MakeMutexName("C:\\\\Prog\\\\Host.exe"), "FBUtilsMutexc__prog_host.exe");
  EXPECT_EQ(FBUtils::MakeMutexName("C:\\Prog\\Host.exe"), "FBUtilsMutexc__prog_host.exe");
  EXPECT_EQ(FBUtils::MakeMutexName("C:\\\\\\\\A\\B"), "FBUtilsMutexc__a_b");
  EXPECT_EQ(FBUtils::MakeMutexName("/opt/x<y>|\"*?.bin"), "FBUtilsMutex_opt_x_y_____.bin");
  EXPECT_EQ(FBUtils::MakeMutexName("D:\\АЗС\\Хост.exe"_w), "FBUtilsMutexd__азс_хост.exe"_w);
}

TEST_F(FBUtilsTest, BindsTheEntriesTheLibraryOffers) {
  for (const char* name :
       {"FBConnectDB", "FBDisconnectDB", "FBCreateTransaction", "FBCreateDataSetForRead",
        "FBCreateDataSetForRead2", "FBCreateDataSetForWrite", "FBCreateDataSetForWrite2",
        "FBLogMessage", "GetFBPassword", "GetFBPort"})
    EXPECT_TRUE(FBUtils::IsEntryBound(name)) << name;
  for (const char* name : {"FBStartTransaction", "FBGetIBDataBaseFromPool", "FBSetGSMBaseConnect"})
    EXPECT_FALSE(FBUtils::IsEntryBound(name)) << name;
  EXPECT_EQ(FBUtils::ModuleName(), "fbutils_tests");
  const auto where = FBUtils::SupportLibraryCandidates("libfbUtils.so");
  ASSERT_EQ(where.size(), 3u);
  EXPECT_EQ(where[0], std::string(TEST_BINARY_DIR) + "/libfbUtils.so") << "beside this module";
  EXPECT_EQ(where[2], "libfbUtils.so") << "then the system's search";
  EXPECT_EQ(FBUtils::SupportLibraryCandidates("/x/y.so"), std::vector<std::string>{"/x/y.so"});
}

TEST_F(FBUtilsTest, CreateDatabaseConfiguresTheConnection) {
  std::unique_ptr<TIBDatabase> db(FBUtils::CreateDatabase(
      "C:\\DB\\A.FDB", "pw", 0, true, nullptr, "SYSDBA", "127.0.0.1", false, "", "WIN1251"));
  EXPECT_EQ(db->DatabaseName(), "C:\\DB\\A.FDB");
  EXPECT_EQ(db->Params().Text(), "user_name=SYSDBA\r\npassword=pw\r\nlc_ctype=WIN1251\r\n");
  EXPECT_FALSE(db->LoginPrompt());
  EXPECT_FALSE(db->Connected());
  EXPECT_EQ(db->Name(), "");
  ASSERT_NE(db->DefaultTransaction(), nullptr);
  EXPECT_EQ(db->DefaultTransaction()->Name(), "DefTran_RO");
  EXPECT_EQ(db->DefaultTransaction()->Owner(), db.get());
  EXPECT_NE(db->DefaultTransaction()->Params().IndexOf("read"), -1);

  std::unique_ptr<TIBDatabase> remote(FBUtils::CreateDatabase("C:\\DB\\A.FDB", "pw", 3050, false,
                                                              nullptr, "SYSDBA", "127.0.0.1", false,
                                                              "TovarDB", "WIN1251"));
  EXPECT_EQ(remote->DatabaseName(), "127.0.0.1/3050:C:\\DB\\A.FDB");
  EXPECT_EQ(remote->Name(), "TovarDB");
  EXPECT_EQ(remote->DefaultTransaction(), nullptr);
}

TEST_F(FBUtilsTest, ReadsTheSampleStationThroughTheSupportLibrary) {
  MakeStation();
  TIBDatabase* db = Station();
  EXPECT_TRUE(db->Connected());
  TComponent owner;
  TIBDataSet* ds = FBUtils::FBCreateDataSetForRead(db, true, nullptr, &owner, "Sales");
  EXPECT_EQ(ds->Name(), "Sales");
  EXPECT_EQ(ds->Owner(), &owner);
  EXPECT_EQ(ds->Database(), db);
  EXPECT_EQ(ds->Transaction(), db->DefaultTransaction());
  EXPECT_FALSE(ds->Active());
  ds->SelectSQL().SetText("SELECT GSMNAME, SUM(LITER) AS L FROM LOGTRAN GROUP BY GSMNAME");
  ds->Open();
  FBUtils::FetchAllLogged(ds);
  auto reference = test::IsqlSelect(
      MapPath(kStation), "SELECT GSMNAME, SUM(LITER) AS L FROM LOGTRAN GROUP BY GSMNAME");
  ASSERT_EQ(ds->RecordCount(), static_cast<int>(reference.size()));
  for (ds->First(); !ds->Eof(); ds->Next()) {
    const auto& row = reference[ds->RecNo() - 1];
    EXPECT_EQ(TrimRight(ds->FieldByName("GSMNAME").AsString()), TrimRight(row.at("GSMNAME")));
    EXPECT_DOUBLE_EQ(ds->FieldByName("L").AsFloat(), std::stod(row.at("L")));
  }
  TIBDataSet* write = FBUtils::FBCreateDataSetForWrite(db, true, nullptr, nullptr, "");
  ASSERT_NE(write->Transaction(), nullptr) << "a write data set gets a transaction of its own";
  EXPECT_NE(write->Transaction(), db->DefaultTransaction());
  write->SelectSQL().SetText("UPDATE SMLOG SET OPERATOR3 = 'Test' WHERE SMNUM = 1");
  write->ExecSQL();
  write->Transaction()->Commit();
  delete write;
  FBUtils::FreeDatabase(db);
  EXPECT_EQ(
      test::IsqlSelect(MapPath(kStation), "SELECT OPERATOR3 FROM SMLOG WHERE SMNUM = 1")[0].at(
          "OPERATOR3"),
      "Test");
}

TEST_F(FBUtilsTest, FailedConnectionFreesTheObjectAndPassesFirebirdsError) {
  TComponent owner;
  const std::string message = MessageOf([&] { Station(&owner); });
  EXPECT_NE(message.find("EIBInterBaseError: I/O error during \"open\""), std::string::npos)
      << message;
  EXPECT_EQ(owner.ComponentCount(), 0) << "no half-made connection object is left";
  EXPECT_NE(SupportLog().find("FBConnectDB C:\\FUEL\\DB\\Velmar.FDB: I/O error"), std::string::npos)
      << SupportLog();
  FBUtils::FreeDatabase(nullptr);
}

// A report adds its context in front of Firebird's text; the class stays.
TEST_F(FBUtilsTest, FirebirdErrorsKeepTheirClassInTheContextChain) {
  MakeStation();
  TIBDatabase* db = Station();
  std::unique_ptr<TIBDataSet> ds(FBUtils::FBCreateDataSetForRead(db, true, nullptr, nullptr, ""));
  ds->SelectSQL().SetText("SELECT NOPE FROM LOGTRAN");
  try {
    try {
      ds->Open();
    } catch (const Exception& e) {
      MakeContextException(e, "ФормирСпискаГСМ"_w)->Raise();
    }
    FAIL();
  } catch (const EIBInterBaseError& e) {
    EXPECT_EQ(e.Message().rfind("ФормирСпискаГСМ -> Dynamic SQL Error\r\n"_w, 0), 0u);
    EXPECT_NE(e.Message().find("Column unknown\r\nNOPE"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find(" <# EIBInterBaseError #>"), std::string::npos);
  }
  ds.reset();
  FBUtils::FreeDatabase(db);
}

TEST_F(FBUtilsTest, PasswordAndPortComeFromTheSupportLibrarysSettings) {
  EXPECT_EQ(FBUtils::GetFBPassword(), "");
  EXPECT_EQ(FBUtils::GetFBPort(), 0);
  root_.WriteFile("c/FUEL/fbUtils.ini", "[fbUtils]\r\nPassword=Пароль1\r\nPort=3050\r\n"_w);
  EXPECT_EQ(FBUtils::GetFBPassword(), "Пароль1"_w);
  EXPECT_EQ(FBUtils::GetFBPort(), 3050);
}

// Without the library's own connect entries, connecting waits for the
// machine-wide FBUtils mutex.
TEST_F(FBUtilsTest, WithoutConnectEntriesTheMutexSerialises) {
  MakeStation();
  FBUtils::BindSupportLibrary(FBUTILS_NO_CONNECT);
  EXPECT_FALSE(FBUtils::IsEntryBound("FBConnectDB"));
  EXPECT_FALSE(FBUtils::IsEntryBound("FBCreateDataSetForRead2"));
  std::atomic<bool> held{false};
  std::thread holder([&] {
    auto mutex = CreateGlobalMutex(FBUtils::MakeMutexName(GetHostExeName()));
    ASSERT_EQ(mutex->Wait(), NamedMutex::Signaled);
    held = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    mutex->Release();
  });
  while (!held) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const auto start = std::chrono::steady_clock::now();
  TIBDatabase* db = Station();
  const auto waited = std::chrono::steady_clock::now() - start;
  holder.join();
  EXPECT_TRUE(db->Connected());
  EXPECT_GE(waited, std::chrono::milliseconds(300));
  TIBDataSet* ds = FBUtils::FBCreateDataSetForRead(db, true, nullptr, nullptr, "PrxQ");
  EXPECT_EQ(ds->Name(), "PrxQ") << "named after the plain entry made it";
  delete ds;
  EXPECT_FALSE(FBUtils::IsEntryBound("FBLogMessage"));
  FBUtils::FBLogMessage("lost", 0);  // no log entry: the line is dropped, nothing breaks
  EXPECT_EQ(SupportLog().find("lost"), std::string::npos);
  FBUtils::FreeDatabase(db);
}

// A mutex whose owner ended without releasing it is reported as the
// runtime's system error, and given back, so the next connection works.
TEST_F(FBUtilsTest, AnAbandonedMutexFailsOnceAndIsGivenBack) {
  MakeStation();
  FBUtils::BindSupportLibrary(FBUTILS_NO_CONNECT);
  std::thread([] {
    auto mutex = CreateGlobalMutex(FBUtils::MakeMutexName(GetHostExeName()));
    ASSERT_EQ(mutex->Wait(), NamedMutex::Signaled);
  }).join();  // ends owning it
  std::unique_ptr<TIBDatabase> db(FBUtils::CreateDatabase(kStation, "", 0, true, nullptr, "SYSDBA",
                                                          "127.0.0.1", false, "", "WIN1251"));
  EXPECT_THROW(FBUtils::FBConnectDB(db.get()), EOSError);
  EXPECT_FALSE(db->Connected());
  std::thread second([&] { FBUtils::FBConnectDB(db.get()); });
  second.join();  // would wait for ever if the mutex had been kept
  EXPECT_TRUE(db->Connected());
  FBUtils::FBDisconnectDB(db.get());
  EXPECT_FALSE(db->Connected());
}

TEST_F(FBUtilsTest, MissingEntriesRaiseTheirMessage) {
  FBUtils::BindSupportLibrary(FBUTILS_BARE);
  const std::string text = "Функция \"%s\" в библиотеке \"fbUtils.dll\" не найдена!"_w;
  auto expected = [&](const char* entry) {
    return "Exception: " + StringReplace(text, "%s", entry, rfReplaceAll);
  };
  TIBDatabase db;
  EXPECT_EQ(MessageOf([&] { FBUtils::FBCreateDataSetForRead(&db, true, nullptr, nullptr, ""); }),
            expected("FBCreateDataSetForRead"));
  EXPECT_EQ(MessageOf([&] { FBUtils::FBCreateDataSetForWrite(&db, true, nullptr, nullptr, "x"); }),
            expected("FBCreateDataSetForWrite"));
  EXPECT_EQ(MessageOf([&] { FBUtils::FBCreateTransaction(&db, true, "T", nullptr); }),
            expected("FBCreateTransaction"));
  EXPECT_EQ(MessageOf([&] { FBUtils::GetFBPassword(); }), expected("GetFBPassword"));
  EXPECT_EQ(MessageOf([&] { FBUtils::GetFBPort(); }), expected("GetFBPort"));
  TComponent owner;
  EXPECT_EQ(MessageOf([&] {
              FBUtils::CreateDatabase("C:\\X.FDB", "", 0, true, &owner, "SYSDBA", "127.0.0.1",
                                      false, "", "WIN1251");
            }),
            expected("FBCreateTransaction"));
  EXPECT_EQ(owner.ComponentCount(), 0);
  FBUtils::FBLogMessage("still logged", 3);
  EXPECT_NE(SupportLog().find(" 3 [fbutils_tests] still logged\r\n"), std::string::npos);
}

uint32_t gFakeTicks[2];
int gFakeCalls = 0;
uint32_t FakeTicks() { return gFakeTicks[gFakeCalls++ % 2]; }

TEST_F(FBUtilsTest, FetchAllLoggedLogsFetchesOverThreeSeconds) {
  MakeStation();
  TIBDatabase* db = Station();
  TIBDataSet* ds = FBUtils::FBCreateDataSetForRead(db, true, nullptr, nullptr, "Slow");
  ds->SelectSQL().SetText("SELECT * FROM LOGTRAN");
  FBUtils::SetTickSource(&FakeTicks);
  auto fetch = [&](uint32_t start, uint32_t end) {
    gFakeTicks[0] = start;
    gFakeTicks[1] = end;
    gFakeCalls = 0;
    ds->Close();
    ds->Open();
    FBUtils::FetchAllLogged(ds);
  };
  fetch(1000, 4000);
  EXPECT_EQ(ds->RecordCount(), 133);
  EXPECT_EQ(SupportLog().find("TAB:FETCHALL"), std::string::npos) << "3000 ms is not slow";
  fetch(1000, 4001);
  const std::string line =
      "TAB:FETCHALL (d" + std::to_string(reinterpret_cast<intptr_t>(db)) + ", Slow, 3001 ms)";
  EXPECT_NE(SupportLog().find(" 0 [fbutils_tests] " + line + "\r\n"), std::string::npos)
      << SupportLog();
  fetch(0xFFFFFF00u, 0x00000C00u);  // the tick count wrapped: 3328 ms
  EXPECT_NE(SupportLog().find(", Slow, 3328 ms)"), std::string::npos);
  delete ds;
  FBUtils::FreeDatabase(db);
}

// The station refuses to start without its support library: message on
// standard error and in the report log, and an exit status of failure.
TEST_F(FBUtilsTest, MissingLibraryEndsTheProcess) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::dup2(pipeFds[1], 2);
    ::close(pipeFds[0]);
    FBUtils::BindSupportLibrary(root_.Path() + "/nowhere/libfbUtils.so");
    std::_Exit(99);  // not reached when the process is ended as it should be
  }
  ::close(pipeFds[1]);
  std::string err;
  char buffer[512];
  ssize_t n;
  while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) err.append(buffer, n);
  ::close(pipeFds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(err.rfind("Модуль fbUtils.dll не загружен. В запуске приложения отказано!\n", 0), 0u)
      << err;
  EXPECT_NE(err.find("nowhere/libfbUtils.so"), std::string::npos) << err;
  const std::string log = root_.ReadFile("c/FUEL/LogFiles/Reports.log");
  EXPECT_NE(log.find("[Tolvaren]"), std::string::npos) << log;
  EXPECT_NE(log.find("Модуль fbUtils.dll не загружен. В запуске приложения отказано!"_w),
            std::string::npos);
}

// Port and password from the support library lead to a server.
TEST_F(FBUtilsTest, ThePortSendsConnectionsToTheServer) {
  const std::string why = test::FirebirdServer::Unavailable();
  if (!why.empty()) GTEST_SKIP() << why;
  MakeStation();
  test::FirebirdServer server;
  root_.WriteFile("c/FUEL/fbUtils.ini", "[fbUtils]\r\nPassword=" + server.Password() +
                                            "\r\nPort=" + std::to_string(server.Port()) + "\r\n");
  TIBDatabase* db = Station();
  TIBDataSet* ds = FBUtils::FBCreateDataSetForRead(db, true, nullptr, nullptr, "");
  ds->SelectSQL().SetText(
      "SELECT MON$REMOTE_PROTOCOL FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = "
      "CURRENT_CONNECTION");
  ds->Open();
  EXPECT_EQ(TrimRight(ds->Fields(0).AsString()), "TCPv4");
  delete ds;
  server.Kill();
  // The server is gone: disconnecting fails, the object is freed all the
  // same (the sanitizer build reports anything left).
  EXPECT_THROW(FBUtils::FreeDatabase(db), EIBInterBaseError);
}

}  // namespace
}  // namespace tv
