#include "foundation/SafeIniFiles.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/text/DateTime.h"
#include "platform/os/Files.h"
#include "platform/os/SysInfo.h"
#include "tests/support/ProcessUsage.h"
#include "tests/support/Processes.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

// The letters a..z in a fixed pattern; hashes of it were computed with an
// independent Python version of the hash.
std::string Pattern(std::size_t n) {
  std::string s(n, ' ');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 31 + 7) % 26);
  return s;
}

class SafeIniTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ForceDirectories("C:\\WINDOWS")); }
  std::string Stored() { return root.ReadFile("c/WINDOWS/cnf.ini"); }
  test::TempRoot root;
  const std::string path = "C:\\WINDOWS\\cnf.ini";
};

TEST(SafeIniFiles, HashHexAndMutexNames) {
  EXPECT_EQ(SafeIniFiles::StrHash(""), 0u);
  EXPECT_EQ(SafeIniFiles::StrHash("a"), 4294172769u);
  EXPECT_EQ(static_cast<int32_t>(SafeIniFiles::StrHash("abc")), 397824173);
  EXPECT_EQ(static_cast<int32_t>(SafeIniFiles::StrHash(Pattern(65532))), -215045074);
  EXPECT_EQ(SafeIniFiles::StrToHexStr("\xAB"
                                      "A"),
            "AB41");
  EXPECT_EQ(SafeIniFiles::HexStrToStr("41G2"), "A?");
  EXPECT_EQ(SafeIniFiles::HexStrToStr("414"), "A");
  EXPECT_EQ(SafeIniFiles::MakeMutexName("ini file lock mutex", "C:\\Windows\\cnf.INI"),
            "ini file lock mutexc__windows_cnf.ini");
  EXPECT_EQ(SafeIniFiles::MakeMutexName("", "C:\\\\\\FUEL\\Отчеты \"1\"|*?<>/.ini"_w),
            "c__fuel_отчеты _1_______.ini"_w);
}

TEST_F(SafeIniTest, StoresTheChunkFormatByteForByte) {
  TSafeIniFile ini(path);
  ini.WriteString("S", "Lines", "a\nb\r\nc\rd");
  ini.WriteString("S", "Pad", " x\"");
  ini.WriteString("S", "Empty", "");
  std::string big = Pattern(70000);
  ini.WriteString("S", "Big", big);
  std::string expected =
      "[S]\r\nLines=a<@\\n@>b<@\\n@>cd\r\nPad=\" x\"\"\r\nEmpty=\r\nBig=" + big.substr(0, 65532) +
      "\r\nBig__$Count=2\r\nBig__$Hash=-215045074\r\n" + "Big__$Line2=" + big.substr(65532) +
      "\r\n";
  EXPECT_EQ(Stored(), expected);
  EXPECT_EQ(ini.ReadString("S", "Lines", ""), "a\r\nb\r\ncd");  // lone CR dropped
  EXPECT_EQ(ini.ReadString("S", "Pad", ""), " x\"");
  EXPECT_EQ(ini.ReadString("S", "Big", ""), big);
  EXPECT_EQ(ini.ReadString("S", "Empty", "d"), "");
}

TEST_F(SafeIniTest, ChunkBoundaries) {
  TSafeIniFile ini(path);
  ini.WriteString("S", "K", Pattern(65532));
  EXPECT_EQ(Stored(), "[S]\r\nK=" + Pattern(65532) + "\r\n");
  ini.WriteString("S", "K", Pattern(65533));
  EXPECT_NE(Stored().find("K__$Count=2\r\n"), std::string::npos);
  // An escape never splits: 65530 letters and a line feed make two chunks.
  std::vector<std::string> chunks = TSafeIniFile::SplitValue(Pattern(65530) + "\n" + "z");
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0], Pattern(65530));
  EXPECT_EQ(chunks[1], "<@\\n@>z");
}

TEST_F(SafeIniTest, LongValuesWithLineBreaksRoundTrip) {
  TSafeIniFile ini(path);
  // Every byte but CR and LF, in CR LF lines, with blanks and quotes at
  // the chunk ends, three chunks long.
  std::string value;
  for (int i = 0; value.size() < 150000; ++i) {
    int b = (i * 131 + 17) % 256;
    if (b == '\r' || b == '\n') b = ' ';
    value += static_cast<char>(b);
    if (i % 97 == 0) value += "\r\n";
  }
  value = " \"" + value + "\" ";
  ini.WriteString("Long", "Value", value);
  EXPECT_EQ(ini.ReadString("Long", "Value", ""), value);
  EXPECT_EQ(ini.ReadInteger("Long", "Value__$Count", 0), 3);
  // A shorter value removes the companion keys of the longer one.
  ini.WriteString("Long", "Value", "short");
  TStringList keys;
  ini.ReadSection("Long", keys);
  EXPECT_EQ(keys.Text(), "Value\r\n");
  EXPECT_EQ(ini.ReadString("Long", "Value", ""), "short");
  ini.WriteString("Long", "Value", value);
  ini.DeleteKey("long", "VALUE");
  ini.ReadSection("Long", keys);
  EXPECT_EQ(keys.Count(), 0);
}

TEST_F(SafeIniTest, AHashMismatchReadsTheFirstChunkOnly) {
  TSafeIniFile ini(path);
  std::string big = Pattern(70000);
  ini.WriteString("S", "Big", big);
  std::string bytes = Stored();
  bytes[bytes.find("Big=") + 4] = 'Q';  // chunk 1 edited by hand
  root.WriteFile("c/WINDOWS/cnf.ini", bytes);
  EXPECT_EQ(ini.ReadString("S", "Big", ""), "Q" + big.substr(1, 65531));
  // A hash that is not a number counts as a mismatch as well.
  ini.WriteString("S", "Big", big);
  TIniFile(path).WriteString("S", "Big__$Hash", "x");
  EXPECT_EQ(ini.ReadString("S", "Big", ""), big.substr(0, 65532));
}

TEST_F(SafeIniTest, PlainModeStoresTheFirstChunkAlone) {
  TSafeIniFile ini(path);
  ini.PlainMode = true;
  ini.WriteString("S", "Big", Pattern(70000));
  EXPECT_EQ(Stored(), "[S]\r\nBig=" + Pattern(65532) + "\r\n");
  EXPECT_EQ(ini.ReadString("S", "Big", ""), Pattern(65532));
}

TEST_F(SafeIniTest, QuotedHexAndTypedReads) {
  root.WriteFile("c/WINDOWS/cnf.ini",
                 "[Organization]\r\nName=`ООО \"Ромашка\"`\r\nHalf=`x\r\nOne=`\r\n"
                 "[Reports]\r\nKKMSectionNames=C0C1\r\nMaxSize=$10\r\n"_w);
  TSafeIniFile ini("C:\\windows\\CNF.ini");
  EXPECT_EQ(ini.ReadQuotedString("organization", "name", "", '`'), "ООО \"Ромашка\""_w);
  EXPECT_EQ(ini.ReadQuotedString("Organization", "Half", "", '`'), "`x");
  EXPECT_EQ(ini.ReadQuotedString("Organization", "One", "", '`'), "");
  EXPECT_EQ(ini.ReadQuotedString("Organization", "None", "\"d\""), "d");
  EXPECT_EQ(ini.ReadHexString("Reports", "KKMSectionNames", ""), "АБ"_w);
  EXPECT_EQ(ini.ReadHexString("Reports", "Missing", "def"), "def");
  EXPECT_EQ(ini.ReadInteger("Reports", "MaxSize", 0), 16);
  TStringList values;
  ini.ReadSectionValues("Reports", values);
  EXPECT_EQ(values.Values("MaxSize"), "$10");
  EXPECT_TRUE(ini.ValueExists("REPORTS", "maxsize"));
}

TEST_F(SafeIniTest, TypedValuesUseTheFixedFormat) {
  TSafeIniFile ini(path);
  TDateTime when = EncodeDate(2011, 12, 31) + EncodeTime(10, 11, 12, 123);
  ini.WriteDate("T", "Date", when);
  ini.WriteDateTime("T", "DateTime", when);
  ini.WriteDateTime("T", "Midnight", EncodeDate(2011, 12, 31));
  ini.WriteTime("T", "Time", when);
  ini.WriteFloat("T", "Float", 1234.5);
  ini.WriteFloat("T", "Tiny", 0.00001);
  EXPECT_EQ(Stored(),
            "[T]\r\nDate=31.12.2011\r\nDateTime=31.12.2011 10:11:12.123\r\n"
            "Midnight=31.12.2011\r\nTime=10:11:12.123\r\nFloat=1234.5\r\nTiny=1E-5\r\n");
  EXPECT_EQ(ini.ReadDate("T", "Date", 0), EncodeDate(2011, 12, 31));
  EXPECT_NEAR(ini.ReadDateTime("T", "DateTime", 0), when, 1e-9);
  EXPECT_NEAR(ini.ReadTime("T", "Time", 0), EncodeTime(10, 11, 12, 123), 1e-9);
  EXPECT_EQ(ini.ReadFloat("T", "Float", 0), 1234.5);
  EXPECT_EQ(ini.ReadFloat("T", "Tiny", 0), 0.00001);
  // Texts that are no date or number, or nothing at all, give the default.
  TIniFile(path).WriteString("T", "Bad", "31.13.2011");
  EXPECT_EQ(ini.ReadDate("T", "Bad", 7), 7);
  EXPECT_EQ(ini.ReadFloat("T", "Bad", 2.5), 2.5);
  EXPECT_EQ(ini.ReadDateTime("T", "None", 3), 3);
  // A failing write names both operations.
  TSafeIniFile missing("C:\\NoDir\\x.ini");
  try {
    missing.WriteDate("S", "D", when);
    FAIL();
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message().rfind("TSafeIniFile.WriteDate -> TSafeIniFile.WriteString -> ", 0), 0u);
  }
}

TEST_F(SafeIniTest, BadInputGivesClearErrors) {
  TSafeIniFile ini(path);
  try {
    ini.ReadString("", "K", "");
    FAIL();
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), "TSafeIniFile.ReadString -> "_w +
                               "Не указано название секции. Имя файла: C:\\WINDOWS\\cnf.ini"_w);
  }
  try {
    ini.DeleteKey("S", "");
    FAIL();
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), "TSafeIniFile.DeleteKey -> "_w +
                               "Не указано название переменной. Имя файла: C:\\WINDOWS\\cnf.ini"_w);
  }
  TStringList list;
  EXPECT_THROW(ini.ReadSection("", list), EIniFileException);
  EXPECT_THROW(ini.ReadSectionValues("", list), EIniFileException);
  EXPECT_THROW(ini.EraseSection(""), EIniFileException);
  // A missing file reads as defaults; binary garbage as well.
  EXPECT_EQ(ini.ReadString("Reports", "MaxSize", "none"), "none");
  std::string garbage;
  for (int i = 0; i < 3000; ++i) garbage += static_cast<char>((i * 37 + 11) & 0xFF);
  root.WriteFile("c/WINDOWS/cnf.ini", garbage);
  EXPECT_EQ(ini.ReadInteger("Reports", "MaxSize", 7), 7);
  // A folder that does not exist fails at once with the system's text.
  TSafeIniFile missing("C:\\NoDir\\x.ini");
  uint32_t start = GetTickCount();
  try {
    missing.WriteString("S", "K", "v");
    FAIL();
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), "TSafeIniFile.WriteString -> "_w +
                               "Системе не удается найти указанный путь"_w +
                               " -> Unable to write to C:\\NoDir\\x.ini");
  }
  EXPECT_LT(GetTickCount() - start, 500u);
}

TEST_F(SafeIniTest, TheLockIsHeldAcrossProcessesAndReentrant) {
  TSafeIniFile ini(path);
  ASSERT_NE(ini.MutexHandle(), nullptr);
  ini.Lock();
  ini.WriteString("S", "K", "1");  // re-enters the held lock
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    TSafeIniFile other(path);
    uint32_t start = GetTickCount();
    other.WriteString("S", "K", "2");
    ::_exit(GetTickCount() - start >= 250 ? 0 : 1);
  }
  Sleep(300);
  EXPECT_EQ(ini.ReadString("S", "K", ""), "1");  // the child waits for us
  ini.Unlock();
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ini.ReadString("S", "K", ""), "2");
}

TEST_F(SafeIniTest, FourProcessesWritingDifferentKeysLoseNone) {
  const int kProcesses = 4;
  const int kWrites = 200;
  test::RunInChildren(kProcesses, [&](int p) {
    for (int i = 0; i < kWrites; ++i) {
      TSafeIniFile ini(path);  // one object per use, as the library does
      std::string value = "p" + std::to_string(p) + "\r\nv" + std::to_string(i);
      ini.WriteString("Shared", "P" + std::to_string(p) + "K" + std::to_string(i), value);
    }
    return 0;
  });
  TSafeIniFile ini(path);
  TStringList keys;
  ini.ReadSection("Shared", keys);
  EXPECT_EQ(keys.Count(), kProcesses * kWrites);
  for (int p = 0; p < kProcesses; ++p)
    for (int i = 0; i < kWrites; ++i)
      ASSERT_EQ(ini.ReadString("Shared", "P" + std::to_string(p) + "K" + std::to_string(i), ""),
                "p" + std::to_string(p) + "\r\nv" + std::to_string(i));
}

TEST_F(SafeIniTest, ObjectsOnOneFileLeaveNoDescriptors) {
  { TSafeIniFile(path).WriteString("S", "K", "v"); }
  const int before = test::OpenDescriptors();
  for (int i = 0; i < 500; ++i) ASSERT_EQ(TSafeIniFile(path).ReadString("S", "K", ""), "v");
  EXPECT_LE(test::OpenDescriptors() - before, 2) << "before: " << before;
}

// With no descriptor left the file cannot be locked: that is an error, and
// nothing is read without the lock that another process holds.
TEST_F(SafeIniTest, NoDescriptorsLeftIsAnErrorNotAnUnlockedRead) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer runtime checks memory through a pipe: it needs descriptors too";
#endif
  TSafeIniFile holder(path);
  holder.WriteString("S", "K", "v");
  holder.Lock();
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    rlimit limit{64, 64};
    ::setrlimit(RLIMIT_NOFILE, &limit);
    while (::dup(0) >= 0) {
    }
    try {
      TSafeIniFile ini(path);
      ini.ReadString("S", "K", "");
      ::_exit(2);  // read without the lock
    } catch (const Exception& e) {
      ::_exit(e.Message().rfind("Error CreateMutex: ", 0) == 0 ? 0 : 3);
    }
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  holder.Unlock();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: read unlocked, 3: another error";
}

}  // namespace
}  // namespace tv
