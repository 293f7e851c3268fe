// Archives made by Info-ZIP zip, Python's zipfile and 7-Zip extract with
// our reader to the same bytes, names, dates and write permission as
// Info-ZIP's unzip gives.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "tests/support/TempRoot.h"
#include "zip/ZipReader.h"

namespace tv::zip {
namespace {

namespace fs = std::filesystem;
using tv::test::HaveCommand;
using tv::test::RunCommand;
using tv::test::TempRoot;

void WriteFileAt(const std::string& path, const std::string& bytes, int64_t mtime) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
  struct timeval times[2] = {{static_cast<time_t>(mtime), 0}, {static_cast<time_t>(mtime), 0}};
  ::utimes(path.c_str(), times);
}

// A tree of text, binary, empty and read-only files with even-second dates
// (DOS dates keep two-second steps).
void MakeTree(const std::string& dir) {
  std::mt19937 random(42);
  std::string binary(300000, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  std::string text;
  for (int i = 0; i < 4000; ++i) text += "line " + std::to_string(i) + " of the report\r\n";
  WriteFileAt(dir + "/text.txt", text, 1600000000);
  WriteFileAt(dir + "/data.bin", binary, 1500000002);
  WriteFileAt(dir + "/empty.dat", "", 1400000004);
  WriteFileAt(dir + "/sub/inner.txt", text.substr(0, 70000), 1600000010);
  WriteFileAt(dir + "/sub/deeper/small.txt", "small", 1600000020);
  WriteFileAt(dir + "/readonly.txt", "do not touch", 1600000030);
  ::chmod((dir + "/readonly.txt").c_str(), 0444);
}

struct FileFacts {
  std::string bytes;
  int64_t mtime = 0;
  bool writable = true;
  bool operator==(const FileFacts& o) const {
    return bytes == o.bytes && mtime == o.mtime && writable == o.writable;
  }
};

std::map<std::string, FileFacts> Facts(const std::string& dir) {
  std::map<std::string, FileFacts> facts;
  for (const auto& item : fs::recursive_directory_iterator(dir)) {
    if (!item.is_regular_file()) continue;
    struct stat st {};
    ::stat(item.path().c_str(), &st);
    std::ifstream in(item.path(), std::ios::binary);
    FileFacts f;
    f.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    f.mtime = static_cast<int64_t>(st.st_mtime);
    f.writable = (st.st_mode & S_IWUSR) != 0;
    facts[fs::relative(item.path(), dir).string()] = f;
  }
  return facts;
}

int32_t OurExtract(const std::string& archive, const std::string& dest,
                   const std::string& password = "") {
  TZipReader reader;
  reader.SetZipName(archive);
  reader.SetDestDir(dest);
  reader.DoAll = true;
  reader.RecreateDirs = true;
  reader.OverwriteMode = Always;
  reader.Password = password;
  return reader.UnZip();
}

// Extracts with unzip and with our reader and compares the two trees.
void ExpectSameAsUnzip(const std::string& archive, const std::string& root,
                       const std::string& password = "", size_t expectedFiles = 0) {
  std::string theirs = root + "/unzip-out";
  std::string ours = root + "/our-out";
  fs::remove_all(theirs);
  fs::remove_all(ours);
  int code = 0;
  std::string pw = password.empty() ? "" : " -P " + password;
  std::string log = RunCommand("unzip -qq -o" + pw + " '" + archive + "' -d " + theirs + " 2>&1", &code);
  ASSERT_EQ(code, 0) << log;
  int32_t count = OurExtract(archive, ours, password);
  auto a = Facts(theirs);
  auto b = Facts(ours);
  EXPECT_GT(count, 0);
  if (expectedFiles > 0) {
    EXPECT_EQ(b.size(), expectedFiles);
  }
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [name, facts] : a) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(b.count(name));
    EXPECT_EQ(b[name].bytes, facts.bytes);
    EXPECT_EQ(b[name].mtime, facts.mtime);
    EXPECT_EQ(b[name].writable, facts.writable);
  }
}

class ExtractInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveCommand("zip") || !HaveCommand("unzip")) GTEST_SKIP() << "Info-ZIP is not installed";
    src_ = root_.Path() + "/src";
    MakeTree(src_);
  }
  void Zip(const std::string& options, const std::string& archive) {
    int code = 0;
    std::string log =
        RunCommand("cd " + src_ + " && zip -q -r " + options + " '" + archive + "' . 2>&1", &code);
    ASSERT_EQ(code, 0) << log;
  }
  TempRoot root_;
  std::string src_;
};

TEST_F(ExtractInterop, InfoZipStoredAndDeflatedLevels) {
  for (const char* level : {"-0", "-1", "-9"}) {
    SCOPED_TRACE(level);
    std::string archive = root_.Path() + "/l" + std::string(level + 1) + ".zip";
    Zip(level, archive);
    ExpectSameAsUnzip(archive, root_.Path(), "", 6);
  }
}

TEST_F(ExtractInterop, InfoZipCommentsZip64AndEncryption) {
  std::string archive = root_.Path() + "/c.zip";
  Zip("-fz -9", archive);
  RunCommand("echo 'the comment' | zip -q -z '" + archive + "'");
  ExpectSameAsUnzip(archive, root_.Path());
  TZipReader reader;
  reader.SetZipName(archive);
  reader.ReadZip();
  EXPECT_EQ(reader.ZipComment(), "the comment");
  std::string secret = root_.Path() + "/secret.zip";
  Zip("-P s3cret -6", secret);
  ExpectSameAsUnzip(secret, root_.Path(), "s3cret");
  std::string secretStored = root_.Path() + "/secret0.zip";
  Zip("-P s3cret -0", secretStored);
  ExpectSameAsUnzip(secretStored, root_.Path(), "s3cret");
}

TEST_F(ExtractInterop, InfoZipStreamedInputWithDataDescriptor) {
  std::string archive = root_.Path() + "/streamed.zip";
  int code = 0;
  RunCommand("cat " + src_ + "/text.txt | zip -q - - | cat > '" + archive + "'", &code);
  ASSERT_EQ(code, 0);
  TZipReader reader;
  reader.SetZipName(archive);
  reader.ReadZip();
  ASSERT_EQ(reader.Count(), 1);
  EXPECT_TRUE(reader.Entry(0).HasDataDescriptor());
  ExpectSameAsUnzip(archive, root_.Path());
}

// zip -s writes parts name.z01, name.z02, ... and name.zip; our default
// names the parts name.zip.z01, ...; the test renames them that way.
TEST_F(ExtractInterop, InfoZipSplitArchive) {
  std::string archive = root_.Path() + "/split.zip";
  Zip("-s 64k -6", archive);
  int parts = 0;
  for (int n = 1; n < 100; ++n) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "%02d", n);
    std::string part = root_.Path() + "/split.z" + suffix;
    if (!fs::exists(part)) break;
    fs::copy_file(part, root_.Path() + "/ours.zip.z" + suffix);
    ++parts;
  }
  ASSERT_GT(parts, 2);
  fs::copy_file(archive, root_.Path() + "/ours.zip");
  // unzip cannot read the set itself; it extracts the same tree zipped
  // whole with the same options.
  std::string whole = root_.Path() + "/whole.zip";
  Zip("-6", whole);
  std::string theirs = root_.Path() + "/unzip-out";
  int code = 0;
  RunCommand("unzip -qq -o '" + whole + "' -d " + theirs, &code);
  ASSERT_EQ(code, 0);
  std::string ours = root_.Path() + "/our-out";
  TZipReader reader;
  reader.SetZipName(root_.Path() + "/ours.zip");
  reader.SetDestDir(ours);
  reader.DoAll = true;
  reader.RecreateDirs = true;
  EXPECT_EQ(reader.UnZip(), 8);  // six files and two folders
  EXPECT_EQ(reader.GetMultiMode(), mmBlocks);
  EXPECT_EQ(reader.NumDisks, parts + 1);
  EXPECT_EQ(Facts(ours), Facts(theirs));
}

TEST_F(ExtractInterop, PythonZipfileAndSevenZip) {
  std::string py = root_.Path() + "/py.zip";
  int code = 0;
  std::string log = RunCommand(
      "cd " + src_ + " && python3 -c \"import zipfile,os\n"
      "with zipfile.ZipFile('" + py + "','w',zipfile.ZIP_DEFLATED) as z:\n"
      "  for d,_,fs in os.walk('.'):\n"
      "    for f in fs: z.write(os.path.join(d,f))\n\" 2>&1", &code);
  ASSERT_EQ(code, 0) << log;
  ExpectSameAsUnzip(py, root_.Path(), "", 6);
  if (!HaveCommand("7z")) GTEST_SKIP() << "7z is not installed";
  std::string seven = root_.Path() + "/7z.zip";
  log = RunCommand("cd " + src_ + " && 7z a -tzip -mx=5 '" + seven + "' . >/dev/null 2>&1", &code);
  ASSERT_EQ(code, 0) << log;
  ExpectSameAsUnzip(seven, root_.Path(), "", 6);
}

}  // namespace
}  // namespace tv::zip
