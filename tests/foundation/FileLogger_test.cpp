#include "foundation/FileLogger.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <regex>
#include <set>
#include <thread>
#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

const std::string kLog = "C:\\FUEL\\LogFiles\\Reports.log";

class FileLoggerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ForceDirectories("C:\\FUEL\\LogFiles")); }
  std::string Stored() { return root.ReadFile("c/FUEL/LogFiles/Reports.log"); }
  test::TempRoot root;
};

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = text.find("\r\n", i);
    if (j == std::string::npos) {
      lines.push_back(text.substr(i) + "<no line end>");
      break;
    }
    lines.push_back(text.substr(i, j - i));
    i = j + 2;
  }
  return lines;
}

TEST_F(FileLoggerTest, LineFormatAndLevels) {
  TFileLogger log(kLog);
  log.SetPrefix("[Tolvaren]");
  std::time_t before = std::time(nullptr);
  log.Log("  text\t\r\n", 2);
  log.Log("plain");
  log.Log("   ");   // an empty line
  log.Log("x", 8);  // no such level
  log.LevelMask = 0xFF & ~(1 << 4);
  log.Log("masked", 4);
  log.ShowLevelSign = true;
  log.ShowProcessId = true;
  log.ShowThreadId = true;
  log.Log("ids", 1);
  std::vector<std::string> lines = SplitLines(Stored());
  ASSERT_EQ(lines.size(), 4u);
  const std::string stamp = R"((\d\d)\.(\d\d)\.(\d{4}) (\d\d):(\d\d):(\d\d)\.\d{3})";
  std::smatch m;
  ASSERT_TRUE(std::regex_match(
      lines[0], m,
      std::regex("^" + stamp + Utf8ToCp1251(" \\[ошиб\\]") + " \\[Tolvaren\\] text$")));
  // The timestamp is local time, checked against the C library's clock.
  std::tm tm{};
  localtime_r(&before, &tm);
  EXPECT_EQ(std::stoi(m[3]), tm.tm_year + 1900);
  EXPECT_EQ(std::stoi(m[2]), tm.tm_mon + 1);
  int seconds = std::stoi(m[4]) * 3600 + std::stoi(m[5]) * 60 + std::stoi(m[6]);
  int expected = tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
  EXPECT_LE(std::abs(seconds - expected), 2);
  EXPECT_TRUE(std::regex_match(lines[1], std::regex("^" + stamp + " \\[Tolvaren\\] plain$")));
  EXPECT_EQ(lines[2], "");
  EXPECT_TRUE(std::regex_match(
      lines[3], std::regex("^\\+ " + stamp + Utf8ToCp1251(" \\[инф\\]") +
                           " \\[Tolvaren\\] <P:" + std::to_string(::getpid()) + ";T:\\d+> ids$")));
}

TEST_F(FileLoggerTest, AMultiLineMessageGivesOneRecordPerLine) {
  TFileLogger log(kLog);
  log.SetPrefix("[Tolvaren]");
  log.Log("Ошибка -> Dynamic SQL Error\r\nSQL error code = -104\n\nToken unknown\r"_w, 2);
  const std::vector<std::string> lines = SplitLines(Stored());
  ASSERT_EQ(lines.size(), 3u);
  const std::string head = R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3})" +
                           Utf8ToCp1251(" \\[ошиб\\]") + " \\[Tolvaren\\] ";
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(head + Utf8ToCp1251("Ошибка") + " -> Dynamic SQL Error$")));
  EXPECT_TRUE(std::regex_match(lines[1], std::regex(head + "SQL error code = -104$")));
  EXPECT_TRUE(std::regex_match(lines[2], std::regex(head + "Token unknown$")));
}

TEST_F(FileLoggerTest, LogFmtQuotesABadFormat) {
  TFileLogger log(kLog);
  log.LogFmt("%s=%d", {"a", 5});
  EXPECT_NE(Stored().find(" a=5\r\n"), std::string::npos);
  try {
    log.LogFmt("%d items", {"x"});
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              "Error args for string [%d items]: Format '%d items' invalid or "
              "incompatible with argument");
  }
}

TEST_F(FileLoggerTest, NamesWithoutAFolderGoBesideTheProgram) {
  TFileLogger log("x.log");
  EXPECT_EQ(log.FileName(), ExtractFilePath(GetHostExeName()) + "x.log");
  EXPECT_TRUE(log.HasMutex());
  TFileLogger other(kLog);
  other.SetFileName("C:\\fuel\\LOGFILES\\reports.LOG");  // same name, other case: unchanged
  EXPECT_EQ(other.FileName(), kLog);
}

TEST_F(FileLoggerTest, AnUnwritableFolderGoesToTheErrorsWriter) {
  WriteFileBytes("C:\\FUEL\\blocked", "not a folder");
  TFileLogger log("C:\\FUEL\\blocked\\x.log");
  EXPECT_NO_THROW(log.Log("lost line", 2));
  std::string errors = ReadFileBytes(GetTempDir() + "FileLoggerErrorsWriter.log");
  EXPECT_NE(errors.find("Ошибка при попытке записи (fmCreate) в лог \"C:\\FUEL\\blocked\\x.log\" "
                        "строки ["_w),
            std::string::npos)
      << errors;
  EXPECT_NE(errors.find("lost line]: Cannot create file \"C:\\FUEL\\blocked\\x.log\". "_w +
                        "Системе не удается найти указанный путь <EFCreateError>\r\n"_w),
            std::string::npos)
      << errors;
  // The recent-lines copy notes the failure.
  int notified = 0;
  log.SetNotifyWindow([&](uint32_t message) { notified += message == 1345 ? 1 : 100; });
  log.Log("again");
  EXPECT_EQ(notified, 1);
  ASSERT_EQ(log.RecentLines().size(), 1u);
  EXPECT_NE(log.RecentLines()[0].find("again <Ошибка при записи в лог>"_w), std::string::npos);
}

// A file of `size` bytes made of numbered lines of 100 bytes.
std::string NumberedLines(std::size_t size) {
  std::string text;
  for (int n = 0; text.size() < size; ++n) {
    std::string line = "line " + std::to_string(n) + " ";
    line.resize(98, '.');
    text += line + "\r\n";
  }
  text.resize(size);
  return text;
}

TEST_F(FileLoggerTest, TheCutKeepsTheLastMebibyteFromALineStart) {
  TFileLogger log(kLog);
  // After one line of 100 bytes (23 of time stamp, a blank, 74 of text,
  // CR LF) the file holds exactly 1398101 bytes: not cut yet.
  root.WriteFile("c/FUEL/LogFiles/Reports.log", NumberedLines(1398101 - 100));
  log.Log(std::string(74, 'y'));
  const std::string atLimit = Stored();
  ASSERT_EQ(atLimit.size(), 1398101u);
  log.Log("next");
  const std::string all = atLimit + SplitLines(Stored()).back() + "\r\n";
  // Expected: the last 1 MiB of what was written, moved back to just after
  // the line break before that point.
  std::size_t from = all.size() - 1048576;
  std::size_t lineStart = all.find_last_of("\r\n", from - 1) + 1;
  EXPECT_EQ(Stored(), all.substr(lineStart));
  EXPECT_GT(Stored().size(), 1048576u);
  EXPECT_EQ(Stored().substr(0, 5), "line ");
}

TEST_F(FileLoggerTest, WithoutLineBreaksTheCutIsExactlyMaxSize) {
  TFileLogger log(kLog);
  log.MaxSize = 4096;
  std::string blob(6000, 'z');
  root.WriteFile("c/FUEL/LogFiles/Reports.log", blob);
  log.Log("tail");
  std::string stored = Stored();
  EXPECT_EQ(stored.size(), 4096u);
  EXPECT_EQ(stored.substr(stored.size() - 6), "tail\r\n");
  EXPECT_EQ(ListFolder("C:\\FUEL\\LogFiles"), std::vector<std::string>{"Reports.log"});
}

TEST_F(FileLoggerTest, CopyModeRotatesNumberedFiles) {
  for (int i = 0; i <= 9; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "C:\\FUEL\\LogFiles\\Reports.log%03d", i);
    WriteFileBytes(name, std::to_string(i));
  }
  WriteFileBytes("C:\\FUEL\\LogFiles\\Reports.logx", "not a copy");
  TFileLogger log(kLog);
  log.TruncateOnLimit = false;
  log.MaxSize = 300;
  root.WriteFile("c/FUEL/LogFiles/Reports.log", std::string(400, 'a'));
  log.Log("rotate");
  EXPECT_FALSE(FileExists(kLog));
  EXPECT_EQ(ReadFileBytes(kLog + "010"), "9");
  EXPECT_EQ(ReadFileBytes(kLog + "001"), "0");
  EXPECT_EQ(ReadFileBytes(kLog + "000").substr(0, 400), std::string(400, 'a'));
  root.WriteFile("c/FUEL/LogFiles/Reports.log", std::string(400, 'b'));
  log.Log("again");
  EXPECT_EQ(ReadFileBytes(kLog + "010"), "8");  // the old 010 went first
  EXPECT_EQ(ReadFileBytes(kLog + "001").substr(0, 1), "a");
  EXPECT_EQ(ReadFileBytes("C:\\FUEL\\LogFiles\\Reports.logx"), "not a copy");
}

TEST_F(FileLoggerTest, TheAgeLimitCutsLinesOlderThanMaxAge) {
  TFileLogger log(kLog);
  log.MaxAgeDays = 1;
  const TFormatSettings& fs = LoggerFormatSettings();
  std::string text;
  TDateTime now = Now();
  for (int i = 0; text.size() < 40000; ++i)
    text += FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", now - 3, fs) + " old " + std::to_string(i) +
            std::string(60, '.') + "\r\n";
  std::size_t youngStart = text.size();
  for (int i = 0; text.size() < 80000; ++i)
    text += FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", now - 0.5, fs) + " young " +
            std::to_string(i) + std::string(60, '.') + "\r\n";
  root.WriteFile("c/FUEL/LogFiles/Reports.log", text);
  log.Log("new");
  std::string stored = Stored();
  EXPECT_EQ(stored.substr(0, text.size() - youngStart), text.substr(youngStart));
  // Checked at most once a minute: older text added now stays.
  root.WriteFile("c/FUEL/LogFiles/Reports.log", text);
  log.Log("new");
  EXPECT_GT(Stored().size(), text.size());
}

TEST_F(FileLoggerTest, ProcessesAndThreadsWriteWholeLinesOnly) {
  const int kProcesses = 4;
  const int kThreads = 2;
  const int kLines = 250;  // 500 lines per process
  for (int64_t maxSize : {int64_t{1048576}, int64_t{16384}}) {
    DeleteFile(kLog);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
      pid_t pid = ::fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        TFileLogger log(kLog);
        log.MaxSize = maxSize;
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
          threads.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i)
              log.Log("p" + std::to_string(p) + " t" + std::to_string(t) + " i" +
                      std::to_string(i) + " " + std::string(40, 'x'));
          });
        for (auto& th : threads) th.join();
        ::_exit(0);
      }
      children.push_back(pid);
    }
    for (pid_t pid : children) ::waitpid(pid, nullptr, 0);
    std::vector<std::string> lines = SplitLines(Stored());
    std::regex whole(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3} p(\d) t(\d) i(\d+) x{40}$)");
    std::set<std::string> seen;
    for (const std::string& line : lines) {
      std::smatch m;
      ASSERT_TRUE(std::regex_match(line, m, whole)) << line;
      EXPECT_TRUE(seen.insert(m[1].str() + "/" + m[2].str() + "/" + m[3].str()).second) << line;
    }
    if (maxSize == 1048576) {
      EXPECT_EQ(seen.size(), static_cast<std::size_t>(kProcesses * kThreads * kLines));
    } else {
      // Cut many times, what is left is the latest part of the one order
      // of writes: for every writer in it, a gapless run of its last lines.
      EXPECT_LE(Stored().size(), static_cast<std::size_t>(16384 + 16384 / 3));
      std::map<std::string, std::vector<int>> byWriter;
      for (const std::string& key : seen) {
        std::size_t slash = key.rfind('/');
        byWriter[key.substr(0, slash)].push_back(std::stoi(key.substr(slash + 1)));
      }
      EXPECT_FALSE(byWriter.empty());
      for (auto& [writer, numbers] : byWriter) {
        std::sort(numbers.begin(), numbers.end());
        EXPECT_EQ(numbers.back(), kLines - 1) << writer;
        EXPECT_EQ(numbers.back() - numbers.front() + 1, static_cast<int>(numbers.size())) << writer;
      }
    }
  }
}

}  // namespace
}  // namespace tv
