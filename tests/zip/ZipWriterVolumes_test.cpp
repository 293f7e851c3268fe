// Multi-volume output: fixed-size volume files and spanned removable disks
// (simulated drives), read back by our reader and checked by 7-Zip and
// Info-ZIP.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "tests/support/TempRoot.h"
#include "tests/zip/ZipTestUtil.h"
#include "zip/ZipDrives.h"
#include "zip/ZipMatch.h"
#include "zip/ZipWriter.h"

namespace tv::zip {
namespace {

namespace fs = std::filesystem;
using tv::test::HaveCommand;
using tv::test::RunCommand;
using tv::test::TempRoot;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void MakeSources(TempRoot& root) {
  std::mt19937 random(11);
  std::string noise(150000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "volume line " + std::to_string(i * 7) + "\r\n";
  root.WriteFile("c/src/noise1.bin", noise);
  root.WriteFile("c/src/noise2.bin", noise.substr(1000) + noise.substr(0, 1000));
  root.WriteFile("c/src/text.txt", text);
  root.WriteFile("c/src/small.txt", "small");
}

std::map<std::string, std::string> Extracted(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& item : fs::directory_iterator(folder)) files[item.path().filename()] = Slurp(item.path());
  return files;
}

TEST(ZipWriterVolumes, FixedSizeBlocks) {
  TempRoot root;
  MakeSources(root);
  TZipWriter w;
  w.SetZipName("C:\\out\\set.zip");
  ForceDirectories("C:\\out\\");
  w.MultiZipInfo.BlockSize = 100000;
  w.MultiZipInfo.FirstBlockSize = 60000;
  w.SetMultiMode(mmBlocks);
  w.FilesList = {"C:\\src\\*.*"};
  ASSERT_EQ(w.Zip(), 4);
  EXPECT_EQ(w.ZipName(), "C:\\out\\set.zip");
  int parts = w.NumDisks;
  ASSERT_GE(parts, 3);
  std::string out = root.Path() + "/c/out/";
  for (int n = 1; n < parts; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "set.zip.z%02d", n);
    ASSERT_TRUE(fs::exists(out + name)) << name;
    EXPECT_LE(fs::file_size(out + name), n == 1 ? 60000u : 100000u);
  }
  EXPECT_EQ(Slurp(out + "set.zip.z01").substr(0, 4), std::string("PK\x07\x08", 4));
  // Every local header lies whole on the volume its entry names.
  TZipReader r;
  r.SetZipName("C:\\out\\set.zip");
  r.ReadZip();
  ASSERT_EQ(r.Count(), 4);
  for (int i = 0; i < r.Count(); ++i) {
    const TZipHeaderInfo& e = r.Entry(i);
    char name[32];
    int part = static_cast<int>(e.GetDiskStart()) + 1;
    if (part == parts)
      std::snprintf(name, sizeof name, "set.zip");
    else
      std::snprintf(name, sizeof name, "set.zip.z%02d", part);
    TMemoryStream volume(Slurp(out + name));
    volume.Seek(e.GetRelativeOffset(), soFromBeginning);
    TZipHeaderInfo local;
    EXPECT_TRUE(local.ReadLocalFromStream(volume)) << e.Filename();
    EXPECT_EQ(local.Filename(), e.Filename());
  }
  r.SetDestDir("C:\\back");
  r.DoAll = true;
  EXPECT_EQ(r.UnZip(), 4);
  EXPECT_EQ(Extracted(root.Path() + "/c/back"), Extracted(root.Path() + "/c/src"));
  if (!HaveCommand("7z")) GTEST_SKIP() << "7z is not installed";
  // 7-Zip reads the set under Info-ZIP's names.
  for (int n = 1; n < parts; ++n) {
    char from[32];
    char to[32];
    std::snprintf(from, sizeof from, "set.zip.z%02d", n);
    std::snprintf(to, sizeof to, "info.z%02d", n);
    fs::copy_file(out + from, out + to);
  }
  fs::copy_file(out + "set.zip", out + "info.zip");
  int code = 0;
  std::string log = RunCommand("cd " + out + " && 7z x -y -o7z info.zip 2>&1", &code);
  EXPECT_EQ(code, 0) << log;
  EXPECT_EQ(Extracted(out + "7z"), Extracted(root.Path() + "/c/src"));
}

// A removable drive A: whose disks are folders kept aside by the test.
class SpannedDisks {
 public:
  explicit SpannedDisks(TempRoot& root) : root_(root) {
    SetDriveInfo('A', {DRIVE_REMOVABLE, "", 70000, 512});
    fs::create_directories(Drive());
  }
  ~SpannedDisks() { ResetDrives(); }
  std::string Drive() const { return root_.Path() + "/a"; }
  // Takes the disk out (keeping its files and label) and puts in a blank one.
  void Change() {
    std::string label;
    GetVolLabel("A:\\", label);
    disks_.push_back({Store(disks_.size()), label});
    fs::create_directories(disks_.back().first);
    for (const auto& item : fs::directory_iterator(Drive()))
      fs::rename(item.path(), disks_.back().first + "/" + item.path().filename().string());
    SetDriveInfo('A', {DRIVE_REMOVABLE, "", 70000, 512});
  }
  // Keeps the disk that is in the drive at the end.
  void KeepLast() { Change(); }
  // Stores what the drive holds now as disk n again.
  void SaveBack(size_t n) {
    for (const auto& item : fs::directory_iterator(Drive()))
      fs::copy(item.path(), disks_[n - 1].first + "/" + item.path().filename().string(),
               fs::copy_options::overwrite_existing);
  }
  // Puts disk n (1-based) into the drive.
  void Insert(size_t n) {
    for (const auto& item : fs::directory_iterator(Drive())) fs::remove_all(item.path());
    for (const auto& item : fs::directory_iterator(disks_[n - 1].first))
      fs::copy(item.path(), Drive() + "/" + item.path().filename().string());
    SetDriveInfo('A', {DRIVE_REMOVABLE, disks_[n - 1].second, 70000, 512});
  }
  size_t Count() const { return disks_.size(); }
  const std::string& Label(size_t n) const { return disks_[n - 1].second; }
  std::string Files(size_t n) const {
    std::string names;
    for (const auto& item : fs::directory_iterator(disks_[n - 1].first))
      names += item.path().filename().string() + " ";
    return names;
  }

 private:
  std::string Store(size_t n) const { return root_.Path() + "/disks/" + std::to_string(n + 1); }
  TempRoot& root_;
  std::vector<std::pair<std::string, std::string>> disks_;
};

TEST(ZipWriterVolumes, SpannedRemovableDisks) {
  TempRoot root;
  MakeSources(root);
  SpannedDisks disks(root);
  TZipWriter w;
  w.SetZipName("A:\\backup.zip");
  w.SetMultiMode(mmSpan);
  w.MultiZipInfo.SaveZipInfoOnFirstDisk = true;
  std::vector<int32_t> asked;
  w.OnGetNextDisk = [&](TZipReader&, int32_t disk, std::string& name) {
    asked.push_back(disk);
    if (disk > 1) disks.Change();
    if (disk == 1 && asked.size() > 1) {
      disks.KeepLast();
      disks.Insert(1);
    }
    EXPECT_EQ(name, "A:\\backup.zip");
  };
  std::vector<int32_t> prepared;
  w.OnPrepareNextDisk = [&](TZipWriter&, int32_t disk) { prepared.push_back(disk); };
  w.FilesList = {"C:\\src\\*.*"};
  ASSERT_EQ(w.Zip(), 4);
  int32_t count = w.NumDisks;
  ASSERT_GE(count, 3);
  // The writer asked for the first disk again to leave the ".zfc" there.
  EXPECT_EQ(asked.back(), 1);
  disks.SaveBack(1);
  EXPECT_EQ(prepared.size(), static_cast<size_t>(count));
  ASSERT_EQ(disks.Count(), static_cast<size_t>(count));
  for (size_t n = 1; n <= disks.Count(); ++n) {
    char label[16];
    std::snprintf(label, sizeof label, "PKBACK# %03zu", n);
    EXPECT_EQ(disks.Label(n), label);
  }
  EXPECT_EQ(disks.Files(1).find("backup.zfc") != std::string::npos, true) << disks.Files(1);
  // Reading: the last disk holds the directory; the reader asks for the others.
  TZipReader r;
  disks.Insert(disks.Count());
  r.OnGetNextDisk = [&](TZipReader&, int32_t disk, std::string&) { disks.Insert(disk); };
  r.SetZipName("A:\\backup.zip");
  r.SetDestDir("C:\\back");
  r.DoAll = true;
  EXPECT_EQ(r.UnZip(), 4);
  EXPECT_EQ(r.GetMultiMode(), mmSpan);
  EXPECT_EQ(Extracted(root.Path() + "/c/back"), Extracted(root.Path() + "/c/src"));
  // With only the first disk, the ".zfc" copy gives the directory.
  disks.Insert(1);
  TZipReader first;
  first.SetZipName("A:\\backup.zip");
  first.ReadZip();
  EXPECT_EQ(first.Count(), 4);
  EXPECT_EQ(first.CurrentDisk(), 0);
}

TEST(ZipWriterVolumes, DeclinedDiskCancelsAndSmallSetsAreMarkedSingle) {
  TempRoot root;
  MakeSources(root);
  SpannedDisks disks(root);
  TZipWriter w;
  w.SetZipName("A:\\backup.zip");
  w.SetMultiMode(mmSpan);
  w.OnGetNextDisk = [&](TZipReader&, int32_t disk, std::string& name) {
    if (disk > 1) name.clear();
  };
  w.FilesList = {"C:\\src\\*.*"};
  try {
    w.Zip();
    FAIL();
  } catch (const EUserCanceled& e) {
    EXPECT_EQ(e.Message(), "User canceled Zip operation");
  }
  TZipWriter small;
  small.SetZipName("C:\\small.zip");
  small.SetMultiMode(mmBlocks);
  small.FilesList = {"C:\\src\\small.txt"};
  ASSERT_EQ(small.Zip(), 1);
  std::string bytes = root.ReadFile("c/small.zip");
  EXPECT_EQ(bytes.substr(0, 4), std::string("PK00", 4));
  int code = 0;
  RunCommand("unzip -tqq " + root.Path() + "/c/small.zip", &code);
  EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace tv::zip
