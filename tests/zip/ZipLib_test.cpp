#include "zip/ZipLib.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/os/Paths.h"
#include "tests/support/TempRoot.h"
#include "zip/ZipDirSearch.h"
#include "zip/ZipDrives.h"
#include "zip/ZipMatch.h"

namespace tv::zip {
namespace {

// Runs the body with TZ set to a zone, then restores the previous value.
class ZoneGuard {
 public:
  explicit ZoneGuard(const char* zone) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ZoneGuard() {
    if (had_)
      ::setenv("TZ", old_.c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

void SetMTime(const std::string& native, int64_t unixTime) {
  struct timeval times[2] = {{static_cast<time_t>(unixTime), 0}, {static_cast<time_t>(unixTime), 0}};
  ASSERT_EQ(::utimes(native.c_str(), times), 0);
}

constexpr uint32_t Dos(int y, int mo, int d, int h, int mi, int s) {
  return (static_cast<uint32_t>(((y - 1980) << 9) | (mo << 5) | d) << 16) |
         static_cast<uint32_t>((h << 11) | (mi << 5) | (s / 2));
}

TEST(ZipLibDosDates, FixClampsEachField) {
  EXPECT_EQ(FixDosDateTime(0), Dos(1980, 1, 1, 0, 0, 0));
  EXPECT_EQ(FixDosDateTime(0xFFFFFFFF), Dos(2099, 12, 31, 23, 59, 58));
  EXPECT_EQ(FixDosDateTime(Dos(2021, 6, 15, 12, 30, 44)), Dos(2021, 6, 15, 12, 30, 44));
  // Month 0 becomes January; a year above 2099 becomes 2099; day 31 of
  // February is not compared with the month's length.
  EXPECT_EQ(FixDosDateTime(Dos(2001, 0, 5, 1, 2, 4)), Dos(2001, 1, 5, 1, 2, 4));
  EXPECT_EQ(FixDosDateTime(Dos(2105, 3, 5, 1, 2, 4)), Dos(2099, 3, 5, 1, 2, 4));
  EXPECT_EQ(FixDosDateTime(Dos(2001, 2, 31, 1, 2, 4)), Dos(2001, 2, 31, 1, 2, 4));
  TDateTime t = 0;
  EXPECT_FALSE(TryDosDateTimeToDateTime(Dos(2001, 2, 31, 1, 2, 4), t));
  ASSERT_TRUE(TryDosDateTimeToDateTime(FixDosDateTime(0xFFFFFFFF), t));
  EXPECT_DOUBLE_EQ(t, 73050 + (23 * 3600 + 59 * 60 + 58) / 86400.0);
  ASSERT_TRUE(TryDosDateTimeToDateTime(FixDosDateTime(0), t));
  EXPECT_DOUBLE_EQ(t, 29221);
  EXPECT_EQ(DateTimeToDosDateTime(t), Dos(1980, 1, 1, 0, 0, 0));
}

// Local time as the archives store it, across the spring change of
// Central Europe (2021-03-28 01:00 UTC: 02:00 CET becomes 03:00 CEST).
TEST(ZipLibDosDates, FollowsLocalTimeAcrossDaylightSaving) {
  ZoneGuard zone("Europe/Berlin");
  const int64_t change = 1616893200;  // 2021-03-28 01:00:00 UTC
  EXPECT_EQ(UnixTimeToDosDateTime(change - 2), Dos(2021, 3, 28, 1, 59, 58));
  EXPECT_EQ(UnixTimeToDosDateTime(change), Dos(2021, 3, 28, 3, 0, 0));
  EXPECT_EQ(DosDateTimeToUnixTime(Dos(2021, 3, 28, 3, 0, 0)), change);
  EXPECT_EQ(DosDateTimeToUnixTime(Dos(2021, 3, 28, 1, 59, 58)), change - 2);
  // Summer and winter of the same zone differ by the hour the zone moves.
  EXPECT_EQ(UnixTimeToDosDateTime(1625140800), Dos(2021, 7, 1, 14, 0, 0));  // 12:00 UTC
  EXPECT_EQ(UnixTimeToDosDateTime(1609502400), Dos(2021, 1, 1, 13, 0, 0));  // 12:00 UTC
}

TEST(ZipLibDosDates, RangeLimitsOfFileDates) {
  ZoneGuard zone("UTC");
  test::TempRoot root;
  root.WriteFile("c/f.txt", "x");
  std::string native = root.Path() + "/c/f.txt";
  SetMTime(native, 315532799);  // 1979-12-31 23:59:59
  EXPECT_EQ(GetFileDosDateTime("C:\\f.txt"), 0xFFFFFFFFu);
  SetMTime(native, 315532800);  // 1980-01-01 00:00:00
  EXPECT_EQ(GetFileDosDateTime("C:\\f.txt"), Dos(1980, 1, 1, 0, 0, 0));
  SetMTime(native, 4354819198);  // 2107-12-31 23:59:58
  EXPECT_EQ(GetFileDosDateTime("C:\\f.txt"), Dos(2107, 12, 31, 23, 59, 58));
  SetMTime(native, 4354819200);  // 2108-01-01
  EXPECT_EQ(GetFileDosDateTime("C:\\f.txt"), 0xFFFFFFFFu);
  // A missing file reads as the clamped all-bits value.
  EXPECT_DOUBLE_EQ(GetFileDateTime("C:\\missing.txt\\"),
                   73050 + (23 * 3600 + 59 * 60 + 58) / 86400.0);
  SetMTime(native, 1000000000);  // 2001-09-09 01:46:40 UTC
  EXPECT_EQ(DateTimeToDosDateTime(GetFileDateTime("C:\\f.txt")), Dos(2001, 9, 9, 1, 46, 40));
}

TEST(ZipLibHelpers, NumbersAndStrings) {
  EXPECT_EQ(Percentage64(3, 2), 67);
  EXPECT_EQ(Percentage64(0, 5), 0);
  EXPECT_EQ(Percentage64(-1, 5), 0);
  EXPECT_EQ(Percentage64(3, 7), 100);
  EXPECT_EQ(Percentage64(8, 1), 12);  // 12.5 to even
  EXPECT_EQ(Percentage64(8, 3), 38);  // 37.5 to even
  EXPECT_EQ(Percentage64(int64_t{5} << 32, int64_t{1} << 32), 20);
  EXPECT_EQ(Min64(int64_t{1} << 40, 3), 3);
  EXPECT_EQ(Max64(-5, -7), -5);
  EXPECT_EQ(RightStr("abc", 5), "abc");
  EXPECT_EQ(RightStr("abcdef", 2), "ef");
  EXPECT_EQ(LeftStr("abcdef", 2), "ab");
  EXPECT_TRUE(HasWildcards("a<b"));
  EXPECT_TRUE(HasWildcards("a|b"));
  EXPECT_FALSE(HasWildcards("C:\\a\\b.txt"));
  std::string name = "a\\b/c";
  DOSToUnixFilename(name);
  EXPECT_EQ(name, "a/b/c");
  UnixToDOSFilename(name);
  EXPECT_EQ(name, "a\\b\\c");
  std::string oem = "№ ‰ Ёж"_w;
  OemFilter(oem);
  EXPECT_EQ(oem, "№ ? Ёж"_w);
  TSearchRec rec;
  rec.FindDataSizeHigh = 1;
  rec.FindDataSizeLow = 5;
  EXPECT_EQ(GetSearchRecSize64(rec), (int64_t{1} << 32) + 5);
}

std::vector<std::string> Collect(TDirSearch& search) {
  std::vector<std::string> names;
  TSearchRec rec;
  std::string full;
  for (search.NextFile(rec, full); !full.empty(); search.NextFile(rec, full)) names.push_back(full);
  return names;
}

class DirSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_.WriteFile("c/data/top.txt", "1");
    root_.WriteFile("c/data/README", "2");
    root_.WriteFile("c/data/a/logs/x.txt", "3");
    root_.WriteFile("c/data/b/logs/y.log", "4");
    root_.WriteFile("c/data/b/other/z.txt", "5");
    root_.WriteFile("c/data/b/w.txt", "6");
  }
  test::TempRoot root_;
};

TEST_F(DirSearchTest, WildcardFolderPartBecomesMasks) {
  TDirSearch search("C:\\data\\*\\logs\\", faAnyFile, false, "*.*");
  EXPECT_EQ(search.StartDirectory(), "C:\\data\\");
  EXPECT_EQ(search.DirectoryMasks(), (std::vector<std::string>{"*", "logs"}));
  EXPECT_EQ(Collect(search),
            (std::vector<std::string>{"C:\\data\\a\\logs\\x.txt", "C:\\data\\b\\logs\\y.log"}));
}

TEST_F(DirSearchTest, RecursionReportsFoldersBeforeTheirFiles) {
  TDirSearch flat("C:\\data", faAnyFile, false, "*.*");
  EXPECT_EQ(Collect(flat), (std::vector<std::string>{"C:\\data\\README", "C:\\data\\top.txt"}));
  TDirSearch deep("C:\\data\\", faAnyFile, true, "*.txt");
  EXPECT_EQ(Collect(deep), (std::vector<std::string>{
                               "C:\\data\\a\\", "C:\\data\\a\\logs\\", "C:\\data\\a\\logs\\x.txt",
                               "C:\\data\\b\\", "C:\\data\\b\\logs\\", "C:\\data\\b\\other\\",
                               "C:\\data\\b\\other\\z.txt", "C:\\data\\b\\w.txt",
                               "C:\\data\\top.txt"}));
}

TEST_F(DirSearchTest, DotPatternSelectsNamesWithoutExtension) {
  TDirSearch search("C:\\data\\", faAnyFile, false, "*.");
  TSearchRec rec;
  std::string full;
  search.NextFile(rec, full);
  EXPECT_EQ(full, "C:\\data\\README");
  EXPECT_EQ(rec.Name, "README");
  EXPECT_EQ(rec.Size, 1);
  search.NextFile(rec, full);
  EXPECT_EQ(full, "");
  TDirSearch missing("C:\\nowhere\\", faAnyFile, true, "*.*");
  EXPECT_TRUE(Collect(missing).empty());
}

TEST(ZipLibFiles, MoveAndCopy) {
  test::TempRoot root;
  root.WriteFile("c/src.txt", "source");
  root.WriteFile("c/dst.txt", "old");
  EXPECT_TRUE(MoveFileOnSameDrive("C:\\src.txt", "c:\\dst.txt"));
  EXPECT_EQ(root.ReadFile("c/dst.txt"), "source");
  EXPECT_FALSE(FileExistsEx("C:\\src.txt"));
  EXPECT_FALSE(FileExistsEx("C:\\dst.txt$$$"));
  ForceDirectories("D:\\");
  EXPECT_FALSE(MoveFileOnSameDrive("C:\\dst.txt", "D:\\dst.txt"));
  FileCopy("C:\\dst.txt", "D:\\copy.txt");
  EXPECT_EQ(root.ReadFile("d/copy.txt"), "source");
  EXPECT_TRUE(FileExistsEx("C:\\dst.txt"));  // another drive: copied, not moved
  root.WriteFile("c/empty.txt", "");
  try {
    FileCopy("C:\\empty.txt", "D:\\empty.txt");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Error: Could not copy from C:\\empty.txt -> D:\\empty.txt");
  }
  EXPECT_TRUE(DirExists("C:\\"));
  EXPECT_FALSE(DirExists("C:\\dst.txt"));
  CreateDirectories("C:\\x\\y\\");
  EXPECT_TRUE(DirExists("C:\\X\\Y"));
}

TEST(ZipLibFiles, TempFilesAndPathNames) {
  test::TempRoot root;
  root.WriteFile("c/Data/Sub/File.TXT", "1");
  std::string temp = GetTempFileNameIn("C:\\Data");
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.substr(0, 11), "C:\\Data\\ZTM");
  EXPECT_EQ(temp.substr(temp.size() - 4), ".TMP");
  EXPECT_TRUE(FileExistsEx(temp));
  EXPECT_NE(GetTempFileNameIn("C:\\Data\\"), temp);
  EXPECT_EQ(ConvertPathName("C:data\\sub\\", 0), "C:\\data\\sub\\");
  EXPECT_EQ(ConvertPathName("c:\\DATA\\sub\\file.txt", 1), "c:\\Data\\Sub\\File.TXT");
  EXPECT_EQ(ConvertPathName("\\a\\b", 0), "\\a\\b");
}

TEST(ZipLibDrives, SimulatedRemovableDisk) {
  test::TempRoot root;
  ResetDrives();
  EXPECT_FALSE(IsRemovableDrive("C:\\"));
  SetDriveInfo('A', {DRIVE_REMOVABLE, "BACKUP001", 1000, 512});
  EXPECT_TRUE(IsRemovableDrive("A:\\"));  // even with no disk in it
  std::string label = "x";
  GetVolLabel("A:\\", label);
  EXPECT_EQ(label, "");  // no disk: the folder is missing
  EXPECT_THROW(DiskClusterSize64("A:\\"), EOSError);
  ForceDirectories("A:\\");
  GetVolLabel("A:\\", label);
  EXPECT_EQ(label, "BACKUP001");
  EXPECT_EQ(DiskClusterSize64("a:\\"), 512);
  EXPECT_EQ(DiskFreeSpace("A:\\"), 1000);
  root.WriteFile("a/part.zip", std::string(300, 'z'));
  EXPECT_EQ(DiskFreeSpace("A:\\"), 700);
  EXPECT_TRUE(SetVolLabel("A:\\", "PKBACK# 002"));
  GetVolLabel("A:\\", label);
  EXPECT_EQ(label, "PKBACK# 002");
  SetDriveInfo('e', {DRIVE_CDROM, "", -1, 0});
  EXPECT_TRUE(IsRemovableDrive("E:\\"));
  ResetDrives();
  ForceDirectories("C:\\");
  EXPECT_GT(DiskClusterSize64("C:\\"), 0);
}

}  // namespace
}  // namespace tv::zip
