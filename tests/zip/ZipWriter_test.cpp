// Archives our writer makes, checked by Info-ZIP (unzip -t, zipinfo),
// Python's zipfile and 7-Zip, and read back by our reader; updates keep
// untouched entries and never lose the original archive.

#include "zip/ZipWriter.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/time.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/text/Cp1251.h"
#include "tests/support/TempRoot.h"
#include "tests/zip/ZipTestUtil.h"

namespace tv::zip {
namespace {

namespace fs = std::filesystem;
using tv::test::HaveCommand;
using tv::test::RunCommand;
using tv::test::TempRoot;

bool HaveTools() {
  return HaveCommand("zip") && HaveCommand("unzip") && HaveCommand("zipinfo") &&
         HaveCommand("python3");
}

void Touch(const std::string& path, int64_t mtime) {
  struct timeval t[2] = {{static_cast<time_t>(mtime), 0}, {static_cast<time_t>(mtime), 0}};
  ::utimes(path.c_str(), t);
}

class WriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools()) GTEST_SKIP() << "Info-ZIP or python3 is not installed";
    std::mt19937 random(5);
    std::string binary(200000, '\0');
    for (char& c : binary) c = static_cast<char>(random());
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "entry " + std::to_string(i) + " of the shift\r\n";
    root_.WriteFile("c/src/text.txt", text);
    root_.WriteFile("c/src/noise.bin", binary);
    root_.WriteFile("c/src/empty.dat", "");
    root_.WriteFile("c/src/sub/inner.txt", text.substr(0, 999));
    root_.WriteFile("c/src/" + Cp1251ToUtf8("Отчёт.txt"_w), "cyrillic name");
    root_.WriteFile("c/src/packed.zip", binary.substr(0, 5000));
    for (const char* f : {"text.txt", "noise.bin", "empty.dat", "sub/inner.txt", "packed.zip"})
      Touch(root_.Path() + "/c/src/" + f, 1600000000);
    archive_ = "C:\\out\\new.zip";
    fs::create_directories(root_.Path() + "/c/out");
    native_ = root_.Path() + "/c/out/new.zip";
  }
  int32_t ZipFiles(TZipWriter& w, const std::vector<std::string>& files) {
    w.SetZipName(archive_);
    w.SetRootDir("C:\\src");
    w.FilesList = files;
    return w.Zip();
  }
  void ExpectToolsAccept(const std::string& password = "") {
    int code = 0;
    std::string pw = password.empty() ? "" : " -P " + password;
    std::string log = RunCommand("unzip -tqq" + pw + " '" + native_ + "' 2>&1", &code);
    EXPECT_EQ(code, 0) << log;
    if (password.empty()) {
      test::PyArchive py = test::PythonZipDump(native_);
      EXPECT_EQ(py.testzip, "None");
      if (HaveCommand("7z")) {
        RunCommand("7z t '" + native_ + "' >/dev/null 2>&1", &code);
        EXPECT_EQ(code, 0);
      }
    }
  }
  TempRoot root_;
  std::string archive_;
  std::string native_;
};

TEST_F(WriterTest, DefaultsAndCoupledSetters) {
  TZipWriter w;
  EXPECT_EQ(w.PackLevel, 6);
  EXPECT_EQ(w.ZipAction, zaUpdate);
  EXPECT_EQ(w.AttributeMask(), 57);
  w.SetIncludeHiddenFiles(true);
  EXPECT_EQ(w.AttributeMask(), 59);
  EXPECT_TRUE(w.IncludeHiddenFiles());
  w.SetRelativePaths(true);
  EXPECT_TRUE(w.StorePaths());
  EXPECT_TRUE(w.Recurse);
  w.SetStorePaths(false);
  EXPECT_FALSE(w.RelativePaths());
  EXPECT_FALSE(w.StoreVolumes());
  w.SetStoreVolumes(true);
  EXPECT_TRUE(w.StorePaths());
  TMultiZipInfo info;
  info.BlockSize = 1000;
  w.MultiZipInfo = info;
  w.SetMultiMode(mmBlocks);
  EXPECT_EQ(w.GetMultiMode(), mmBlocks);
  EXPECT_EQ(w.MultiZipInfo.BlockSize, 1000);
  TZipWriter copy;
  w.OnUpdate = [](TZipWriter&, TUpdateAction, int32_t) {};
  w.OnPrepareNextDisk = [](TZipWriter&, int32_t) {};
  copy.Assign(w);
  EXPECT_TRUE(static_cast<bool>(copy.OnUpdate));
  EXPECT_FALSE(static_cast<bool>(copy.OnPrepareNextDisk));
  w.SetStoreVolumes(false);
  EXPECT_EQ(w.StoredFolder("C:\\data\\sub\\a.txt"), "data\\sub\\");
  w.SetStoreVolumes(true);
  EXPECT_EQ(w.StoredFolder("C:\\data\\sub\\a.txt"), "C:\\data\\sub\\");
}

TEST_F(WriterTest, NewArchiveIsAcceptedByEveryTool) {
  TZipWriter w;
  w.SetStorePaths(true);
  w.NoCompressList = {"*.zip"};
  int ends = 0;
  w.OnEndZip = [&ends](TZipWriter&, const std::string&, int32_t, int32_t, int32_t) { ++ends; };
  EXPECT_EQ(ZipFiles(w, {"text.txt", "noise.bin", "empty.dat", "C:\\src\\sub\\inner.txt",
                         "Отчёт.txt"_w, "packed.zip", "C:\\src\\sub\\"}),
            7);
  EXPECT_EQ(ends, 7);
  ExpectToolsAccept();
  test::PyArchive py = test::PythonZipDump(native_);
  ASSERT_EQ(py.entries.size(), 7u);
  EXPECT_EQ(py.entries[0].name, "src/text.txt");
  EXPECT_EQ(py.entries[0].compressType, 8);
  EXPECT_EQ(py.entries[0].flagBits, 0);
  EXPECT_EQ(py.entries[4].name, "src/" + Cp1251ToCp866("Отчёт.txt"_w));
  EXPECT_EQ(py.entries[5].compressType, 0);  // *.zip is stored
  EXPECT_EQ(py.entries[6].name, "src/sub/");
  EXPECT_EQ(py.entries[6].compressType, 0);
  // Our reader gives the same bytes back.
  TZipReader r;
  r.SetZipName(archive_);
  r.SetDestDir("C:\\back");
  r.DoAll = true;
  r.RecreateDirs = true;
  EXPECT_EQ(r.UnZip(), 7);
  EXPECT_EQ(root_.ReadFile("c/back/src/text.txt"), root_.ReadFile("c/src/text.txt"));
  EXPECT_EQ(root_.ReadFile("c/back/src/noise.bin"), root_.ReadFile("c/src/noise.bin"));
  EXPECT_EQ(root_.ReadFile("c/back/src/" + Cp1251ToUtf8("Отчёт.txt"_w)), "cyrillic name");
  EXPECT_EQ(fs::last_write_time(root_.Path() + "/c/back/src/text.txt"),
            fs::last_write_time(root_.Path() + "/c/src/text.txt"));
}

TEST_F(WriterTest, LevelsFlagsAndEncryption) {
  for (int level : {0, 1, 6, 9}) {
    SCOPED_TRACE(level);
    fs::remove(native_);
    TZipWriter w;
    w.PackLevel = level;
    ASSERT_EQ(ZipFiles(w, {"text.txt", "empty.dat"}), 2);
    ExpectToolsAccept();
    test::PyArchive py = test::PythonZipDump(native_);
    int flags = (level <= 2 ? 4 : 0) | (level >= 8 ? 2 : 0);
    EXPECT_EQ(py.entries[0].flagBits, flags);
    EXPECT_EQ(py.entries[0].compressType, level == 0 ? 0 : 8);
    EXPECT_EQ(py.entries[1].crc, 0u);
  }
  fs::remove(native_);
  TZipWriter secret;
  secret.Password = "s3cret";
  ASSERT_EQ(ZipFiles(secret, {"text.txt", "noise.bin"}), 2);
  ExpectToolsAccept("s3cret");
  int code = 0;
  std::string text = RunCommand("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]);"
                                " print(len(z.read('noise.bin', pwd=b's3cret')))\" '" + native_ + "'",
                                &code);
  EXPECT_EQ(text, "200000\n");
  TZipReader r;
  r.SetZipName(archive_);
  r.SetDestDir("C:\\dec");
  r.DoAll = true;
  r.Password = "s3cret";
  EXPECT_EQ(r.UnZip(), 2);
  EXPECT_TRUE(r.Entry(0).IsEncrypted());
  EXPECT_TRUE(root_.ReadFile("c/dec/noise.bin") == root_.ReadFile("c/src/noise.bin"));
}

TEST_F(WriterTest, WildcardsExclusionsAndMissingFiles) {
  TZipWriter w;
  w.ExcludeList = {"*.bin"};
  std::vector<std::string> missing;
  std::vector<std::string> skipped;
  w.OnNoSuchFile = [&](TZipWriter&, const std::string& n) { missing.push_back(n); };
  w.OnSkippingFile = [&](TZipReader&, TSkipReason, const std::string& n, int32_t, bool&) {
    skipped.push_back(n);
  };
  EXPECT_EQ(ZipFiles(w, {"C:\\src\\*.*", "nothere.txt"}), 4);
  EXPECT_EQ(missing, std::vector<std::string>{"C:\\src\\nothere.txt"});
  EXPECT_EQ(skipped, std::vector<std::string>{"C:\\src\\noise.bin"});
  fs::remove(native_);
  TZipWriter deep;
  deep.SetStorePaths(true);
  EXPECT_EQ(ZipFiles(deep, {">C:\\src\\*.txt"}), 3);
  test::PyArchive py = test::PythonZipDump(native_);
  ASSERT_EQ(py.entries.size(), 3u);
  EXPECT_EQ(py.entries[0].name, "src/sub/inner.txt");
}

// Whatever the depth, every file of the tree goes in; a folder link is
// followed unless it leads back to a folder already being searched, whose
// files are in the archive under their real path.
TEST_F(WriterTest, RecursionTakesEveryFileOnceAtAnyDepth) {
  std::string deep = "tree";
  for (int i = 0; i < 25; ++i) deep += "/d" + std::to_string(i);
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> links;  // link, target
    std::vector<std::string> files;
    std::vector<std::string> names;  // what unzip -Z1 lists
    std::string search = ">C:\\tree\\*.*";
  } cases[] = {
      {"25 folders deep", {}, {deep + "/last.txt"}, {deep + "/last.txt"}},
      {"link back up",
       {{"tree/a/up", ".."}},
       {"tree/top.txt", "tree/a/f.txt"},
       {"tree/a/", "tree/a/f.txt", "tree/top.txt"}},
      {"links elsewhere",
       {{"tree/out", "../elsewhere"}, {"tree/a/b", "../b"}},
       {"elsewhere/e.txt", "tree/b/x.txt", "tree/a/f.txt"},
       {"tree/a/", "tree/a/b/", "tree/a/b/x.txt", "tree/a/f.txt", "tree/b/", "tree/b/x.txt",
        "tree/out/", "tree/out/e.txt"}},
      {"wildcard folder part",
       {{"tree/self", "."}},
       {"tree/top.txt", "tree/a/f.txt"},
       {"tree/a/f.txt"},
       "|C:\\tree\\*\\*.*"},
  };
  for (std::string folder = deep; folder != "tree"; folder = fs::path(folder).parent_path())
    cases[0].names.push_back(folder + "/");
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(root_.Path() + "/c/tree");
    fs::remove_all(root_.Path() + "/c/elsewhere");
    fs::remove(native_);
    for (const std::string& f : c.files) root_.WriteFile("c/" + f, f);
    for (const auto& [link, target] : c.links)
      fs::create_directory_symlink(target, root_.Path() + "/c/" + link);
    TZipWriter w;
    w.SetStorePaths(true);
    w.AddDirEntriesOnRecurse = true;
    w.SetZipName(archive_);
    w.FilesList = {c.search};
    EXPECT_EQ(w.Zip(), static_cast<int32_t>(c.names.size()));
    int code = 0;
    std::string listed = RunCommand("unzip -Z1 '" + native_ + "'", &code);
    EXPECT_EQ(code, 0);
    std::vector<std::string> names;
    for (size_t at = 0, end; (end = listed.find('\n', at)) != std::string::npos; at = end + 1)
      names.push_back(listed.substr(at, end - at));
    std::sort(names.begin(), names.end());
    std::sort(c.names.begin(), c.names.end());
    EXPECT_EQ(names, c.names);
    RunCommand("unzip -tqq '" + native_ + "'", &code);
    EXPECT_EQ(code, 0);
  }
}

TEST_F(WriterTest, UpdateKeepsUntouchedEntriesByteForByte) {
  TZipWriter first;
  ASSERT_EQ(ZipFiles(first, {"text.txt", "noise.bin", "empty.dat"}), 3);
  test::OurArchive before;
  {
    TLFNFileStream in(native_, fmOpenRead, false, 4096);
    test::ReadWithOurRecords(in, before);
  }
  std::string original = root_.ReadFile("c/out/new.zip");
  // text.txt is newer now; noise.bin is not; inner.txt is new.
  root_.WriteFile("c/src/text.txt", "changed text");
  Touch(root_.Path() + "/c/src/text.txt", 1700000000);
  TZipWriter update;
  std::vector<std::string> actions;
  update.OnUpdate = [&actions](TZipWriter&, TUpdateAction a, int32_t i) {
    actions.push_back((a == uaReplacing ? "replace " : "keep ") + std::to_string(i));
  };
  EXPECT_EQ(ZipFiles(update, {"text.txt", "noise.bin", "C:\\src\\sub\\inner.txt"}), 2);
  EXPECT_EQ(actions, (std::vector<std::string>{"replace 0", "keep 1", "keep 2"}));
  ExpectToolsAccept();
  test::OurArchive after;
  {
    TLFNFileStream in(native_, fmOpenRead, false, 4096);
    test::ReadWithOurRecords(in, after);
  }
  ASSERT_EQ(after.entries.size(), 4u);
  std::string updated = root_.ReadFile("c/out/new.zip");
  for (int k : {1, 2}) {
    const TZipHeaderInfo& a = *before.entries[k];
    const TZipHeaderInfo& b = *after.entries[k];
    SCOPED_TRACE(a.FullPath());
    EXPECT_EQ(b.FullPath(), a.FullPath());
    EXPECT_EQ(b.CRC32, a.CRC32);
    EXPECT_EQ(b.GetCompressedSize(), a.GetCompressedSize());
    EXPECT_EQ(b.GetUncompressedSize(), a.GetUncompressedSize());
    EXPECT_EQ(b.LastModFileDateTime, a.LastModFileDateTime);
    EXPECT_EQ(b.CompressionMethod, a.CompressionMethod);
    EXPECT_EQ(b.BitFlag, a.BitFlag);
    EXPECT_EQ(b.ExternalFileAttributes, a.ExternalFileAttributes);
    size_t dataA = static_cast<size_t>(a.GetRelativeOffset() + 30 + a.FilenameLength);
    size_t dataB = static_cast<size_t>(b.GetRelativeOffset() + 30 + b.FilenameLength);
    EXPECT_TRUE(updated.substr(dataB, static_cast<size_t>(b.GetCompressedSize())) ==
                original.substr(dataA, static_cast<size_t>(a.GetCompressedSize())));
  }
  // A replaced entry takes its old place; new files follow the kept ones.
  EXPECT_EQ(after.entries[0]->Filename(), "text.txt");
  EXPECT_EQ(after.entries[0]->GetUncompressedSize(), 12);
  EXPECT_EQ(after.entries[3]->Filename(), "inner.txt");
}

TEST_F(WriterTest, FailedUpdateLeavesTheOriginal) {
  TZipWriter first;
  ASSERT_EQ(ZipFiles(first, {"text.txt", "noise.bin"}), 2);
  std::string original = root_.ReadFile("c/out/new.zip");
  TZipWriter failing;
  failing.OnEndZip = [](TZipWriter&, const std::string&, int32_t, int32_t, int32_t) {
    throw EUserCanceled("stopped by the owner");
  };
  root_.WriteFile("c/src/new.txt", "new");
  EXPECT_THROW(ZipFiles(failing, {"new.txt"}), EUserCanceled);
  EXPECT_EQ(root_.ReadFile("c/out/new.zip"), original);
  EXPECT_TRUE(failing.FilesList.empty());
  // No temporary file is left behind.
  for (const char* temp : {"/c/TEMP", "/c/temp"}) {
    if (!fs::exists(root_.Path() + temp)) continue;
    for (const auto& item : fs::directory_iterator(root_.Path() + temp))
      ADD_FAILURE() << "left behind: " << item.path();
  }
  TZipWriter stopped;
  stopped.OnStartZipInfo = [](TZipWriter&, int32_t, int64_t, TEndCentral*, bool& stop) {
    stop = true;
  };
  EXPECT_THROW(ZipFiles(stopped, {"new.txt"}), EUserCanceled);
  EXPECT_EQ(root_.ReadFile("c/out/new.zip"), original);
}

TEST_F(WriterTest, MoreThan65535Entries) {
  int code = 0;
  RunCommand("python3 -c \"import os; d='" + root_.Path() + "/c/many'; os.makedirs(d);"
             " [open(d+'/f%05d' % i, 'w').write(str(i)) for i in range(65600)]\"", &code);
  ASSERT_EQ(code, 0);
  TZipWriter w;
  w.PackLevel = 1;
  w.SetZipName(archive_);
  w.FilesList = {"C:\\many\\*.*"};
  EXPECT_EQ(w.Zip(), 65600);
  EXPECT_EQ(w.Count(), 65600);
  ExpectToolsAccept();
  TZipReader r;
  r.SetZipName(archive_);
  r.ReadZip();
  EXPECT_EQ(r.Count(), 65600);
  EXPECT_EQ(r.EndRecord().TotalEntries, 0xFFFF);
}

TEST_F(WriterTest, FileOverFourGigabytes) {
  struct statvfs vfs {};
  ::statvfs(root_.Path().c_str(), &vfs);
  if (static_cast<double>(vfs.f_bavail) * vfs.f_frsize < 2.0 * (1 << 30))
    GTEST_SKIP() << "not enough free space";
  std::string big = root_.Path() + "/c/src/big.bin";
  fs::resize_file(root_.Path() + "/c/src/empty.dat", 0);
  { std::ofstream(big, std::ios::binary).put('x'); }
  fs::resize_file(big, (int64_t{1} << 32) + 4096);  // sparse: zeros after the first byte
  TZipWriter w;
  w.PackLevel = 1;
  ASSERT_EQ(ZipFiles(w, {"big.bin", "text.txt"}), 2);
  test::PyArchive py = test::PythonZipDump(native_);
  ASSERT_EQ(py.entries.size(), 2u);
  EXPECT_EQ(py.entries[0].uncompressedSize, (int64_t{1} << 32) + 4096);
  EXPECT_EQ(py.testzip, "None");
  int code = 0;
  RunCommand("unzip -tqq '" + native_ + "'", &code);
  EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace tv::zip

namespace tv::zip {
namespace {

// Limits the size of files this process may write, as a full disk would;
// writes past the limit fail instead of raising SIGXFSZ.
class FullDisk {
 public:
  explicit FullDisk(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FullDisk() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, previous_);
  }

 private:
  struct rlimit old_ {};
  void (*previous_)(int) = nullptr;
};

TEST_F(WriterTest, FullDiskDuringUpdateLeavesTheOriginal) {
  TZipWriter first;
  ASSERT_EQ(ZipFiles(first, {"text.txt"}), 1);
  std::string original = root_.ReadFile("c/out/new.zip");
  std::mt19937 random(3);
  std::string big(1 << 20, '\0');
  for (char& c : big) c = static_cast<char>(random());
  root_.WriteFile("c/src/big.bin", big);
  {
    FullDisk full(300000);
    TZipWriter update;
    EXPECT_THROW(ZipFiles(update, {"big.bin"}), ENotEnoughRoom);
  }
  EXPECT_EQ(root_.ReadFile("c/out/new.zip"), original);
  for (const char* temp : {"/c/TEMP", "/c/temp"}) {
    if (!fs::exists(root_.Path() + temp)) continue;
    for (const auto& item : fs::directory_iterator(root_.Path() + temp))
      ADD_FAILURE() << "left behind: " << item.path();
  }
  // Extraction onto a full disk: the output cannot take the entry's size,
  // so the entry is skipped and no partial file stays.
  TZipWriter bigZip;
  ZipFiles(bigZip, {"big.bin"});
  TZipReader reader;
  reader.SetZipName(archive_);
  reader.SetDestDir("C:\\full");
  reader.FilesList = {"big.bin"};
  std::vector<TSkipReason> skips;
  reader.OnSkippingFile = [&skips](TZipReader&, TSkipReason r, const std::string&, int32_t, bool&) {
    skips.push_back(r);
  };
  {
    FullDisk full(300000);
    EXPECT_EQ(reader.UnZip(), 0);
  }
  EXPECT_EQ(skips, std::vector<TSkipReason>{srCreateError});
  EXPECT_FALSE(fs::exists(root_.Path() + "/c/full/big.bin"));
}

TEST_F(WriterTest, SourceThatVanishesIsReportedAndTheRestIsZipped) {
  TZipWriter w;
  std::vector<std::string> missing;
  w.OnStartZipInfo = [this](TZipWriter&, int32_t files, int64_t, TEndCentral*, bool&) {
    EXPECT_EQ(files, 2);
    fs::remove(root_.Path() + "/c/src/empty.dat");
  };
  w.OnNoSuchFile = [&missing](TZipWriter&, const std::string& n) { missing.push_back(n); };
  EXPECT_EQ(ZipFiles(w, {"text.txt", "empty.dat"}), 1);
  EXPECT_EQ(missing, std::vector<std::string>{"C:\\src\\empty.dat"});
  ExpectToolsAccept();
}

}  // namespace
}  // namespace tv::zip
