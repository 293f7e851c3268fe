// The reader's properties, accessors, selection, overwrite rules and event
// order, on archives built with our own records.

#include "zip/ZipReader.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include <filesystem>

#include "platform/os/Paths.h"
#include "tests/support/TempRoot.h"
#include "tests/zip/ZipTestUtil.h"

namespace tv::zip {
namespace {

namespace fs = std::filesystem;
using tv::test::TempRoot;

void WriteArchive(const std::string& path, const std::vector<test::StoredFile>& files,
                  const std::string& comment = "") {
  TLFNFileStream out(path, fmCreate, false, 4096);
  test::WriteStoredArchive(out, files, comment);
}

TEST(TZipReader, PropertiesAndTheirEffects) {
  TZipReader r;
  r.SetThisVersion(5);
  EXPECT_EQ(r.ThisVersion(), 306);
  EXPECT_EQ(r.ThisBuild(), 1);
  EXPECT_EQ(r.OverwriteMode, Prompt);
  EXPECT_EQ(r.OEMConvert, oemAlways);
  EXPECT_TRUE(r.DoProcessMessages);
  EXPECT_TRUE(r.GetCheckDiskLabels());
  r.SetZipName("C:\\Data\\arch.old.zip");
  EXPECT_EQ(r.SplitBaseName(), "C:\\Data\\arch");
  r.SetZipName("arch.zip");
  EXPECT_EQ(r.SplitBaseName(), "arch");
  r.SetZipName("C:\\Data.dir\\archive");
  EXPECT_EQ(r.SplitBaseName(), "C:\\Data.dir\\archive");
  r.SetDestDir("C:\\out\\");
  EXPECT_EQ(r.DestDir(), "C:\\out");
  r.SetDestDir("C:\\");
  EXPECT_EQ(r.DestDir(), "C:");
  r.SetRootDir("C:\\base");
  EXPECT_EQ(r.RootDir(), "C:\\base\\");
  EXPECT_EQ(r.RelativePathList, std::vector<std::string>{"C:\\base\\"});
  EXPECT_EQ(r.RemoveRelativePath("c:\\BASE\\sub\\f.txt"), "sub\\f.txt");
  EXPECT_EQ(r.RemoveRelativePath("D:\\x"), "D:\\x");
  EXPECT_THROW(r.SetDestDir("?"), EUserCanceled);
  EXPECT_EQ(r.DestDir(), "C:");
  try {
    r.SetZipName("C:\\?");
    FAIL();
  } catch (const EUserCanceled& e) {
    EXPECT_EQ(e.Message(), "User canceled setting zip file name.");
  }
  TZipReader copy;
  r.RecreateDirs = true;
  r.Password = "secret";
  copy.Assign(r);
  EXPECT_TRUE(copy.RecreateDirs);
  EXPECT_EQ(copy.DestDir(), "C:");
  EXPECT_EQ(copy.Password, "");
}

TEST(TZipReader, DirectoryAccessorsAndComments) {
  TempRoot root;
  std::string path = root.Path() + "/a.zip";
  WriteArchive(path, {{"dir\\one.txt", "1", "first comment"}, {"two.txt", "22", ""}},
               "archive comment");
  TZipReader r;
  r.SetZipName(path);
  r.ReadZip();
  ASSERT_EQ(r.Count(), 2);
  EXPECT_EQ(r.Filename(0), "one.txt");
  EXPECT_EQ(r.Entry(0).Directory(), "dir\\");
  EXPECT_EQ(r.FileComment(0), "first comment");
  EXPECT_EQ(r.FileComment(1), "");
  EXPECT_EQ(r.ZipComment(), "archive comment");
  EXPECT_FALSE(r.EndRecord().EndFlag);
  r.SetFileComment(1, "new");
  EXPECT_TRUE(r.EndRecord().EndFlag);
  try {
    r.Filename(2);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "Index 2 is out of range");
  }
  EXPECT_THROW(r.Filename(-1), EListError);
  // The same path in other letters keeps the loaded directory.
  std::string upper = path;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  r.SetZipName(upper);
  EXPECT_EQ(r.Count(), 2);
  r.SortMode = ByName;
  r.SetZipName(path + ".other");
  EXPECT_EQ(r.Count(), 0);
}

TEST(TZipReader, SortedViewAndInvalidDates) {
  TempRoot root;
  std::string path = root.Path() + "/s.zip";
  test::StoredFile bad{"b.txt", "x", ""};
  bad.dosDateTime = 0x52A06000;  // month 0 in the stored date
  WriteArchive(path, {{"c.txt", "ccc", ""}, {"a.txt", "a", ""}, bad});
  TZipReader r;
  r.SortMode = ByName;
  r.SetZipName(path);
  r.ReadZip();
  EXPECT_EQ(r.Filename(0), "a.txt");
  EXPECT_EQ(r.Filename(2), "c.txt");
  r.SetSortMode(ByUnCompressedSize);
  EXPECT_EQ(r.Filename(0), "c.txt");
  // A stored month 0 is fixed to January when read; day 0 of a valid month
  // is fixed too, so the value converts.
  EXPECT_GT(r.DateTime(1), 0);
  TZipReader empty;
  root.WriteFile("e.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  empty.SetZipName(root.Path() + "/e.zip");
  empty.ReadZip();
  EXPECT_EQ(empty.Count(), 0);
  empty.DoAll = true;
  empty.SetDestDir(root.Path() + "/eo");
  EXPECT_EQ(empty.UnZip(), 0);
}

class ExtractionEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    archive_ = root_.Path() + "/ev.zip";
    WriteArchive(archive_, {{"docs\\", "", ""},
                            {"docs\\a.txt", "alpha", ""},
                            {"b.dat", "beta", ""},
                            {"docs\\c.txt", "gamma", ""}});
    reader_.SetZipName(archive_);
    reader_.SetDestDir(root_.Path() + "/out");
    reader_.OnStartUnZipInfo = [this](TZipReader&, int32_t n, int64_t bytes, bool& stop) {
      log_ += "info " + std::to_string(n) + " " + std::to_string(bytes) + ";";
      stop = stop_;
    };
    reader_.OnStartUnZip = [this](TZipReader&, int32_t i, std::string& name, bool&) {
      log_ += "start " + std::to_string(i) + " " + ExtractFileName(name) + ";";
    };
    reader_.OnEndUnZip = [this](TZipReader&, int32_t i, const std::string&) {
      log_ += "end " + std::to_string(i) + ";";
    };
    reader_.OnSkippingFile = [this](TZipReader&, TSkipReason r, const std::string&, int32_t i,
                                    bool&) {
      log_ += "skip " + std::to_string(i) + " " + std::to_string(r) + ";";
    };
    reader_.OnUnZipComplete = [this](TZipReader&, int32_t n) {
      log_ += "complete " + std::to_string(n) + ";";
    };
  }
  TempRoot root_;
  std::string archive_;
  TZipReader reader_;
  std::string log_;
  bool stop_ = false;
};

TEST_F(ExtractionEvents, SelectionByPatternAndEventOrder) {
  reader_.FilesList = {"*.TXT"};
  EXPECT_EQ(reader_.UnZip(), 2);
  EXPECT_EQ(log_, "info 2 10;start 1 a.txt;end 1;start 3 c.txt;end 3;complete 2;");
  EXPECT_TRUE(reader_.FilesList.empty());
  EXPECT_TRUE(fs::exists(root_.Path() + "/out/a.txt"));
  EXPECT_FALSE(fs::exists(root_.Path() + "/out/b.dat"));
}

TEST_F(ExtractionEvents, FolderEntriesCountOnlyWhenRecreated) {
  reader_.DoAll = true;
  EXPECT_EQ(reader_.UnZip(), 3);
  EXPECT_EQ(log_.substr(0, 9), "info 3 14");
  log_.clear();
  reader_.RecreateDirs = true;
  reader_.DoAll = true;
  reader_.OverwriteMode = Always;
  EXPECT_EQ(reader_.UnZip(), 4);
  EXPECT_EQ(log_.substr(0, 9), "info 4 14");
  EXPECT_TRUE(fs::exists(root_.Path() + "/out/docs/c.txt"));
}

TEST_F(ExtractionEvents, StopNowAndOverwriteRules) {
  stop_ = true;
  reader_.DoAll = true;
  EXPECT_EQ(reader_.UnZip(), 0);
  EXPECT_EQ(log_, "info 3 14;complete 0;");
  stop_ = false;
  root_.WriteFile("out/b.dat", "old");
  // The existing file has the entry's date: ifNewer skips it.
  struct timeval times[2] = {{static_cast<time_t>(DosDateTimeToUnixTime(0x52B36000)), 0},
                             {static_cast<time_t>(DosDateTimeToUnixTime(0x52B36000)), 0}};
  ::utimes((root_.Path() + "/out/b.dat").c_str(), times);
  log_.clear();
  reader_.DoAll = true;
  reader_.OverwriteMode = ifNewer;
  EXPECT_EQ(reader_.UnZip(), 2);
  EXPECT_NE(log_.find("skip 2 1;"), std::string::npos);
  EXPECT_EQ(root_.ReadFile("out/b.dat"), "old");
  // Prompt without a handler asks through the message hook.
  int asked = 0;
  reader_.OnHandleMessage = [&asked](TZipReader&, int32_t id, const std::string& text,
                                     const std::string& caption, uint32_t flags, int32_t& answer) {
    ++asked;
    EXPECT_EQ(id, 196);
    EXPECT_EQ(text, "Replace existing file b.dat?");
    EXPECT_EQ(caption, "File Exists Alert");
    EXPECT_EQ(flags, 4u);
    answer = kIdYes;
  };
  reader_.OverwriteMode = Prompt;
  reader_.DoAll = false;
  reader_.FilesList = {"b.dat"};
  EXPECT_EQ(reader_.UnZip(), 1);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(root_.ReadFile("out/b.dat"), "beta");
}

TEST_F(ExtractionEvents, ProgressReachesOneHundred) {
  TempRoot big;
  std::string data(32768 * 2 + 100, 'p');
  WriteArchive(big.Path() + "/big.zip", {{"big.bin", data, ""}});
  TZipReader r;
  r.SetZipName(big.Path() + "/big.zip");
  r.SetDestDir(big.Path() + "/o");
  r.DoAll = true;
  std::vector<int32_t> percents;
  r.OnFilePercentDone = [&percents](TZipReader&, int32_t p) { percents.push_back(p); };
  EXPECT_EQ(r.UnZip(), 1);
  EXPECT_EQ(percents, (std::vector<int32_t>{50, 100, 100}));
}

}  // namespace
}  // namespace tv::zip
