#include "platform/os/Files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/os/OsError.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

TEST(Files, ReadWriteAndCaseInsensitiveNames) {
  test::TempRoot root;
  EXPECT_TRUE(ForceDirectories("C:\\FUEL\\LogFiles\\Старые"_w));
  EXPECT_TRUE(DirectoryExists("c:\\fuel\\logfiles\\СТАРЫЕ"_w));
  WriteFileBytes("C:\\FUEL\\LogFiles\\Reports.log", std::string("a\0b", 3));
  EXPECT_TRUE(FileExists("C:\\fuel\\LOGFILES\\reports.LOG"));
  EXPECT_FALSE(FileExists("C:\\FUEL\\LogFiles"));
  EXPECT_EQ(ReadFileBytes("C:\\FUEL\\LogFiles\\REPORTS.log"), std::string("a\0b", 3));
  EXPECT_EQ(FileSize("C:\\FUEL\\LogFiles\\Reports.log"), 3);
  EXPECT_EQ(FileSize("C:\\FUEL\\none"), -1);
  AppendFileBytes("C:\\FUEL\\LogFiles\\Reports.log", "cd");
  EXPECT_EQ(FileSize("C:\\FUEL\\LogFiles\\Reports.log"), 5);
  // The atomic replace leaves no temporary file behind.
  EXPECT_EQ(ListFolder("C:\\FUEL\\LogFiles"),
            (std::vector<std::string>{"Reports.log", "Старые"_w}));
}

TEST(Files, FailuresCarryTheWindowsCode) {
  test::TempRoot root;
  ForceDirectories("C:\\FUEL");
  try {
    ReadFileBytes("C:\\FUEL\\none.ini");
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(GetLastError(), 2);
    EXPECT_EQ(e.Message(),
              "Cannot open file \"C:\\FUEL\\none.ini\". "_w + "Не удается найти указанный файл"_w);
  }
  EXPECT_THROW(ReadFileBytes("C:\\NoFolder\\x"), EFOpenError);
  EXPECT_EQ(GetLastError(), 3);
  EXPECT_THROW(WriteFileBytes("C:\\NoFolder\\x", "1"), EFCreateError);
  EXPECT_EQ(GetLastError(), 3);
  EXPECT_FALSE(DeleteFile("C:\\FUEL\\none.ini"));
  EXPECT_EQ(GetLastError(), 2);
  if (::geteuid() != 0) {
    ForceDirectories("C:\\ro");
    ::chmod((root.Path() + "/c/ro").c_str(), 0555);
    EXPECT_THROW(WriteFileBytes("C:\\ro\\x", "1"), EFCreateError);
    EXPECT_EQ(GetLastError(), 5);
    ::chmod((root.Path() + "/c/ro").c_str(), 0755);
  }
}

TEST(Files, CopyRenameDeleteAndTemporaryNames) {
  test::TempRoot root;
  ForceDirectories("C:\\T");
  WriteFileBytes("C:\\T\\a.txt", "A");
  WriteFileBytes("C:\\T\\b.txt", "B");
  EXPECT_FALSE(CopyFile("C:\\T\\a.txt", "C:\\T\\b.txt", true));
  EXPECT_EQ(GetLastError(), 80);
  EXPECT_TRUE(CopyFile("C:\\T\\a.txt", "C:\\T\\b.txt", false));
  EXPECT_EQ(ReadFileBytes("C:\\T\\b.txt"), "A");
  EXPECT_FALSE(RenameFile("C:\\T\\a.txt", "C:\\T\\b.txt"));  // target exists
  EXPECT_EQ(GetLastError(), 183);
  EXPECT_TRUE(RenameFile("C:\\T\\a.txt", "C:\\T\\c.txt"));
  EXPECT_TRUE(DeleteFile("C:\\T\\c.txt"));
  EXPECT_FALSE(FileExists("C:\\T\\c.txt"));
  std::string t1 = GetTempFileName("C:\\T", "XM");
  std::string t2 = GetTempFileName("C:\\T\\", "XM");
  EXPECT_NE(t1, t2);
  EXPECT_EQ(t1.substr(0, 7), "C:\\T\\XM");
  EXPECT_EQ(t1.substr(t1.size() - 4), ".tmp");
  EXPECT_EQ(FileSize(t1), 0);
  EXPECT_EQ(GetTempFileName("C:\\Missing", "XM"), "");
  EXPECT_EQ(GetLastError(), 3);
}

TEST(OsError, MapsErrnoAndGivesRussianTexts) {
  EXPECT_EQ(ErrnoToWinError(ENOENT), 2);
  EXPECT_EQ(ErrnoToWinError(EACCES), 5);
  EXPECT_EQ(ErrnoToWinError(ENOSPC), 112);
  EXPECT_EQ(ErrnoToWinError(EAGAIN), 33);
  EXPECT_EQ(SysErrorMessage(5), "Отказано в доступе"_w);
  EXPECT_EQ(SysErrorMessage(183), "Невозможно создать файл, так как он уже существует"_w);
  EXPECT_EQ(SysErrorMessage(99999), "");
  for (int code : {2, 3, 5, 32, 33, 80, 111, 112, 123, 183}) {
    std::string text = SysErrorMessage(code);
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_NE(text.back(), '.') << code;
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(text)), text) << code;
  }
  try {
    RaiseLastOSError(5);
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message(), "System Error.  Code: 5.\r\n"_w + "Отказано в доступе"_w);
  }
  try {
    RaiseLastOSError(0);
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message(), "A call to an OS function failed");
  }
}

TEST(OsError, LastErrorBelongsToTheThread) {
  SetLastError(32);
  int other = -1;
  std::thread t([&] {
    other = GetLastError();
    SetLastError(5);
  });
  t.join();
  EXPECT_EQ(other, 0);
  EXPECT_EQ(GetLastError(), 32);
}

}  // namespace
}  // namespace tv
