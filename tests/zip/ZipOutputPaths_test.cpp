// Where extracted entries land: UTF-8 names (flag bit 11 and the 0x7075
// field), names that meet on one file, paths past the system's limit,
// deep paths, overlapping entries and files past the size limit. The
// archives are made by Python's zipfile or by Python byte for byte.

#include "zip/ZipOutputPaths.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "platform/text/Cp1251.h"
#include "tests/support/TempRoot.h"
#include "zip/ZipMessages.h"
#include "zip/ZipReader.h"

namespace tv::zip {
namespace {

namespace fs = std::filesystem;
using tv::test::RunCommand;
using tv::test::TempRoot;

// Runs a Python body with `out` bound to the archive's path.
std::string MakeArchive(const TempRoot& root, const std::string& body) {
  std::string archive = root.Path() + "/made.zip";
  root.WriteFile("make.py", "import struct, zipfile, zlib\nout = '" + archive + "'\n" + body);
  int code = 0;
  std::string log = RunCommand("python3 " + root.Path() + "/make.py 2>&1", &code);
  EXPECT_EQ(code, 0) << log;
  return archive;
}

struct ExtractRun {
  int32_t extracted = 0;
  std::vector<std::pair<TSkipReason, std::string>> skipped;
  std::vector<std::string> ended;
  std::set<std::string> onDisk;  // relative UTF-8 paths of the files
};

// `choose`, when given, may send an entry to another Windows path.
ExtractRun Extract(const std::string& archive, const std::string& dest,
                   const std::function<void(std::string&)>& choose = {}) {
  ExtractRun run;
  TZipReader reader;
  reader.SetZipName(archive);
  reader.SetDestDir(dest);
  reader.DoAll = true;
  reader.RecreateDirs = true;
  reader.OverwriteMode = Always;
  reader.OnSkippingFile = [&](TZipReader&, TSkipReason reason, const std::string& name, int32_t,
                              bool&) { run.skipped.emplace_back(reason, name); };
  reader.OnEndUnZip = [&](TZipReader&, int32_t, const std::string& name) {
    run.ended.push_back(name);
  };
  if (choose) reader.OnStartUnZip = [&](TZipReader&, int32_t, std::string& name, bool&) { choose(name); };
  run.extracted = reader.UnZip();
  if (fs::exists(dest))
    for (const auto& item : fs::recursive_directory_iterator(dest))
      if (item.is_regular_file()) run.onDisk.insert(fs::relative(item.path(), dest).string());
  return run;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ZipOutputPaths, Utf8NamesKeepTheirSpellingAndNeverMeet) {
  TempRoot root;
  std::string archive = MakeArchive(root, R"(
def unicode_path(ascii, real):
    i = zipfile.ZipInfo(ascii)
    data = struct.pack('<BI', 1, zlib.crc32(ascii.encode())) + real.encode()
    i.extra = struct.pack('<HH', 0x7075, len(data)) + data
    return i
with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
    for name in ['Отчёт.txt', 'café.txt', '日本.txt', '中国.txt', 'папка/файл.txt',
                 'Index.html', 'index.html']:
        z.writestr(name, 'text of ' + name)
    z.writestr(unicode_path('otchet2.txt', 'Отчёт2.txt'), 'from the extra field')
    bad = unicode_path('plain.txt', 'Другое.txt')
    bad.extra = bad.extra[:5] + b'\0\0\0\0' + bad.extra[9:]
    z.writestr(bad, 'the CRC does not match')
)");
  std::string dest = root.Path() + "/out";
  ExtractRun run = Extract(archive, dest);
  EXPECT_EQ(run.onDisk, (std::set<std::string>{"Отчёт.txt", "café.txt", "日本.txt", "中国.txt",
                                                "папка/файл.txt", "Index.html", "Отчёт2.txt",
                                                "plain.txt"}));
  EXPECT_EQ(Read(dest + "/日本.txt"), "text of 日本.txt");
  EXPECT_EQ(Read(dest + "/中国.txt"), "text of 中国.txt");
  EXPECT_EQ(Read(dest + "/Index.html"), "text of Index.html");
  EXPECT_EQ(Read(dest + "/Отчёт2.txt"), "from the extra field");
  // The second of two names that differ in letter case is reported, not merged.
  ASSERT_EQ(run.skipped.size(), 1u);
  EXPECT_EQ(run.skipped[0].first, srNoOverwrite);
  EXPECT_EQ(run.skipped[0].second, Utf8ToCp1251(dest) + "\\index.html");
  EXPECT_EQ(run.extracted, 8);
  // Events show what the code page can hold, with "?" for the rest.
  std::set<std::string> ended;
  for (const std::string& name : run.ended) ended.insert(ExtractFileName(name));
  EXPECT_EQ(ended.count("??.txt"), 1u);
  EXPECT_EQ(ended.count("Отчёт.txt"_w), 1u);
  EXPECT_EQ(ended.count("caf?.txt"), 1u);
}

// Entries listed in archive order, in reverse and shuffled, with folder
// entries between them, land where they belong with their own data, fresh
// and over the tree they left; the one name that meets another's file (in
// another letter case) is the one skipped.
TEST(ZipOutputPaths, EntriesInAnyListedOrderLandWithTheirOwnData) {
  for (const char* order : {"", "z.filelist.reverse()", "random.Random(7).shuffle(z.filelist)"}) {
    TempRoot root;
    std::string archive = MakeArchive(root, std::string(R"(
import random
with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
    for folder in ['a', 'b', 'c/d']:
        z.writestr(folder + '/', '')
        for i in range(30):
            name = folder + '/f%d.txt' % i
            z.writestr(name, 'text of ' + name * (i % 4))
    z.writestr('A/F7.TXT', 'meets a/f7.txt')
    )") + order + "\n");
    const std::string dest = root.Path() + "/out";
    for (int run = 0; run < 2; ++run) {
      ExtractRun result = Extract(archive, dest);
      ASSERT_EQ(result.skipped.size(), 1u) << order;
      EXPECT_EQ(result.skipped[0].first, srNoOverwrite);
      EXPECT_EQ(result.onDisk.size(), 90u);
      for (const char* folder : {"a", "b", "c/d"})
        for (int i = 0; i < 30; ++i) {
          std::string name = std::string(folder) + "/f" + std::to_string(i) + ".txt";
          std::string expected = "text of ";
          for (int k = 0; k < i % 4; ++k) expected += name;
          ASSERT_EQ(Read(dest + "/" + name), expected) << order << " " << name;
        }
    }
  }
}

// Local headers nested in another entry's extra field, and an entry whose
// header lies inside another's data: both archives are refused before a
// single file is written, though every CRC is right.
TEST(ZipOutputPaths, OverlappingEntriesAreRefusedBeforeWriting) {
  const char* shapes[] = {"extra", "data"};
  for (const char* shape : shapes) {
    TempRoot root;
    std::string archive = MakeArchive(root, std::string("shape = '") + shape + "'\n" + R"(
payload = b'x' * 1000
def local(name, data, extra=b''):
    return struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, 0, 0, 0, 0, zlib.crc32(data),
                       len(data), len(data), len(name), len(extra)) + name + extra + data
def central(name, data, offset):
    return struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 20, 20, 0, 0, 0, 0, zlib.crc32(data),
                       len(data), len(data), len(name), 0, 0, 0, 0, 0, offset) + name
inner = [local(b'in%d.bin' % i, payload) for i in range(4)]
if shape == 'extra':
    block = b''.join(inner)
    outer = local(b'outer.bin', payload, struct.pack('<HH', 0xCAFE, len(block)) + block)
    first = 30 + 9 + 4
else:
    block = b''.join(inner)
    outer = local(b'outer.bin', block)
    first = 30 + 9
offsets = [first + sum(len(x) for x in inner[:i]) for i in range(4)]
cd = central(b'outer.bin', payload if shape == 'extra' else block, 0)
cd += b''.join(central(b'in%d.bin' % i, payload, offsets[i]) for i in range(4))
end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 5, 5, len(cd), len(outer), 0)
open(out, 'wb').write(outer + cd + end)
)");
    std::string dest = root.Path() + "/out";
    EXPECT_THROW(Extract(archive, dest), EBadZipFile) << shape;
    EXPECT_FALSE(fs::exists(dest)) << shape;
  }
}

// A path longer than the system takes is skipped with an event; one a
// thousand folders deep is extracted.
TEST(ZipOutputPaths, PathLengthIsCappedAndDeepPathsExtract) {
  TempRoot root;
  std::string archive = MakeArchive(root, R"(
with zipfile.ZipFile(out, 'w') as z:
    z.writestr('a/' * 1000 + 'deep.txt', 'deep')
    z.writestr('b/' * 2100 + 'long.txt', 'too long')
    z.writestr('after.txt', 'after')
)");
  std::string dest = root.Path() + "/out";
  ExtractRun run = Extract(archive, dest);
  std::string deep;
  for (int i = 0; i < 1000; ++i) deep += "a/";
  EXPECT_EQ(Read(dest + "/" + deep + "deep.txt"), "deep");
  EXPECT_EQ(Read(dest + "/after.txt"), "after");
  ASSERT_EQ(run.skipped.size(), 1u);
  EXPECT_EQ(run.skipped[0].first, srCreateError);
  EXPECT_EQ(ExtractFileName(run.skipped[0].second), "long.txt");
  EXPECT_EQ(run.extracted, 2);
}

// Under a file-size limit an entry that outgrows it fails alone (the
// process is not ended by the signal), and a declared size that lies is
// never written ahead of the data.
TEST(ZipOutputPaths, FileSizeLimitFailsOnlyThatEntry) {
  TempRoot root;
  std::string archive = MakeArchive(root, R"(
with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('big.bin', b'\0' * (3 << 20))
    z.writestr('liar.txt', b'hello')
    z.writestr('small.txt', b'small')
data = bytearray(open(out, 'rb').read())
at = data.find(b'liar.txt')
struct.pack_into('<I', data, at - 8, 0xFFFFFFF0)
at = data.find(b'liar.txt', at + 1)
struct.pack_into('<I', data, at - 22, 0xFFFFFFF0)
open(out, 'wb').write(data)
)");
  std::string dest = root.Path() + "/out";
  struct rlimit old {};
  ::getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit limited = old;
  limited.rlim_cur = 1 << 20;
  ::setrlimit(RLIMIT_FSIZE, &limited);
  ExtractRun run = Extract(archive, dest);
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(run.onDisk, (std::set<std::string>{"liar.txt", "small.txt"}));
  EXPECT_EQ(fs::file_size(dest + "/liar.txt"), 5u);
  ASSERT_EQ(run.skipped.size(), 1u);
  EXPECT_EQ(run.skipped[0].first, srCreateError);
  EXPECT_EQ(ExtractFileName(run.skipped[0].second), "big.bin");
  EXPECT_EQ(run.extracted, 2);
}

// A handler that names another output (before the entry, or instead of
// overwriting) gets exactly that file, in any folder, and the entries
// after it land where they belong.
TEST(ZipOutputPaths, NamesChosenByHandlersAreHonoured) {
  TempRoot root;
  std::string archive = MakeArchive(root, R"(
with zipfile.ZipFile(out, 'w') as z:
    for name in ['Sub/moved.txt', 'Sub/kept.txt', 'Sub/asked.txt', 'Sub/after.txt']:
        z.writestr(name, 'text of ' + name)
)");
  root.WriteFile("c/Out/sub/ASKED.TXT", "old");
  TZipReader reader;
  reader.SetZipName(archive);
  reader.SetDestDir("C:\\Out");
  reader.DoAll = true;
  reader.RecreateDirs = true;
  reader.OnStartUnZip = [](TZipReader&, int32_t, std::string& name, bool&) {
    if (ExtractFileName(name) == "moved.txt") name = "C:\\Else\\Where\\moved.txt";
  };
  reader.OnPromptForOverwrite = [](TZipReader&, bool& overwrite, int32_t, std::string& name) {
    name = ExtractFilePath(name) + "answer.txt";
    overwrite = true;
  };
  EXPECT_EQ(reader.UnZip(), 4);
  EXPECT_EQ(root.ReadFile("c/Else/Where/moved.txt"), "text of Sub/moved.txt");
  EXPECT_EQ(root.ReadFile("c/Out/sub/kept.txt"), "text of Sub/kept.txt");
  EXPECT_EQ(root.ReadFile("c/Out/sub/ASKED.TXT"), "old");
  EXPECT_EQ(root.ReadFile("c/Out/sub/answer.txt"), "text of Sub/asked.txt");
  EXPECT_EQ(root.ReadFile("c/Out/sub/after.txt"), "text of Sub/after.txt");
}

// One run writes a file once, whether the entries meet on it by their own
// names or through a name that a handler chose, before or after.
TEST(ZipOutputPaths, AFileWrittenInTheRunIsNeverWrittenAgain) {
  const struct {
    const char* moved;  // the entry a handler sends elsewhere
    const char* to;     // and where, below C:\Out
    std::vector<std::string> skipped;  // as the events name them
    std::set<std::string> files;
  } cases[] = {{"", "", {"A.TXT"}, {"a.txt", "b.txt", "c.txt"}},
               {"b.txt", "a.txt", {"a.txt", "A.TXT"}, {"a.txt", "c.txt"}},
               {"a.txt", "C.txt", {"c.txt"}, {"A.TXT", "C.txt", "b.txt"}}};
  for (const auto& c : cases) {
    TempRoot root;
    std::string archive = MakeArchive(root, R"(
with zipfile.ZipFile(out, 'w') as z:
    for name in ['a.txt', 'b.txt', 'c.txt', 'A.TXT']:
        z.writestr(name, 'text of ' + name)
)");
    ExtractRun run = Extract(archive, root.Path() + "/c/Out", [&](std::string& name) {
      if (ExtractFileName(name) == c.moved) name = std::string("C:\\Out\\") + c.to;
    });
    std::vector<std::string> skipped;
    for (const auto& [reason, name] : run.skipped) {
      EXPECT_EQ(reason, srNoOverwrite);
      skipped.push_back(ExtractFileName(name));
    }
    EXPECT_EQ(run.onDisk, c.files) << c.moved;
    EXPECT_EQ(skipped, c.skipped) << c.moved;
  }
}

}  // namespace
}  // namespace tv::zip
