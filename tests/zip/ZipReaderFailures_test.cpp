// Hostile and damaged archives: names that try to leave the target folder,
// entries that inflate past their declared size, wrong passwords and CRCs,
// truncated and bit-flipped archives. Each ends in the documented event or
// exception and leaves nothing half-written behind.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/statvfs.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "tests/support/TempRoot.h"
#include "tests/zip/ZipTestUtil.h"
#include "zip/ZipBytes.h"
#include "zip/ZipReader.h"

namespace tv::zip {
namespace {

namespace fs = std::filesystem;
using tv::test::HaveCommand;
using tv::test::RunCommand;
using tv::test::TempRoot;

std::set<std::string> FilesUnder(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& item : fs::recursive_directory_iterator(dir))
    if (item.is_regular_file()) names.insert(fs::relative(item.path(), dir).string());
  return names;
}

void WriteArchive(const std::string& path, const std::vector<test::StoredFile>& files) {
  TLFNFileStream out(path, fmCreate, false, 4096);
  test::WriteStoredArchive(out, files, "");
}

struct Outcome {
  int32_t extracted = 0;
  std::vector<TSkipReason> skips;
  std::vector<std::string> skipped;  // the names the events give
  int badCrc = 0;
  int badPassword = 0;
};

Outcome Extract(TZipReader& reader, const std::string& archive, const std::string& dest) {
  Outcome o;
  reader.SetZipName(archive);
  reader.SetDestDir(dest);
  reader.DoAll = true;
  reader.OverwriteMode = Always;
  reader.OnSkippingFile = [&o](TZipReader&, TSkipReason r, const std::string& name, int32_t,
                               bool&) {
    o.skips.push_back(r);
    o.skipped.push_back(name);
  };
  reader.OnBadCRC = [&o](TZipReader&, int32_t, int32_t, int32_t) { ++o.badCrc; };
  o.extracted = reader.UnZip();
  return o;
}

TEST(ZipReaderSafety, StoredNamesNeverLeaveTheTargetFolder) {
  TempRoot root;
  std::string archive = root.Path() + "/evil.zip";
  WriteArchive(archive, {{"..\\escape.txt", "1", ""},
                         {"\\abs\\x.txt", "2", ""},
                         {"C:\\drive\\y.txt", "3", ""},
                         {"a\\..\\..\\z.txt", "4", ""},
                         {"ok\\fine.txt", "5", ""},
                         {"dots\\..", "6", ""}});
  std::string dest = root.Path() + "/dest";
  TZipReader reader;
  reader.RecreateDirs = true;
  Outcome o = Extract(reader, archive, dest);
  EXPECT_EQ(o.extracted, 5);
  EXPECT_EQ(o.skips, std::vector<TSkipReason>{srCreateError});  // the entry named ".."
  EXPECT_EQ(FilesUnder(dest), (std::set<std::string>{"escape.txt", "abs/x.txt", "drive/y.txt",
                                                      "a/z.txt", "ok/fine.txt"}));
  EXPECT_EQ(FilesUnder(root.Path()).size(), 6u);  // the archive and the five files
  EXPECT_FALSE(fs::exists("/abs/x.txt"));
  std::string flat = root.Path() + "/flat";
  TZipReader plain;
  Outcome p = Extract(plain, archive, flat);
  EXPECT_EQ(p.extracted, 5);
  EXPECT_EQ(FilesUnder(flat),
            (std::set<std::string>{"escape.txt", "x.txt", "y.txt", "z.txt", "fine.txt"}));
}

// A name is never read as something it only imitates: ill-formed UTF-8
// shows "?" (never a dot or a separator); a file or folder name that a NUL
// would cut short, and an entry with no name at all, are skipped with an
// event that names them and are not counted. (Names are stored byte for
// byte; Info-ZIP cannot make them.)
TEST(ZipReaderSafety, ForgedNamesAreShownAsTheyAreNeverAsTheyPretend) {
  const struct {
    std::string name;
    bool utf8;
    std::string made;  // what it makes below the target, or the event's name
    bool skipped;
  } cases[] = {{"\xC0\xAE\xC0\xAE\\evil.txt", true, "???\?/evil.txt", false},  // "\?": no trigraph
               {"\xE0\x80\xAE\\\xED\xA0\x80x.txt", true, "??\?/???x.txt", false},
               {"\xC0\xAF\x61.txt", true, "??a.txt", false},
               {"folder\\", false, "folder", false},
               {std::string("..\\evil.txt\0.safe", 17), false, "..\\evil.txt?.safe", true},
               {std::string("d\\\0x", 4), true, "d\\?x", true},
               {std::string("d\0ir\\", 5), false, "d?ir\\", true},
               {std::string("..\\..\\evildir\0x\\", 16), false, "..\\..\\evildir?x\\", true},
               {"", false, "", true}};
  for (const auto& c : cases) {
    TempRoot root;
    WriteArchive(root.Path() + "/forged.zip", {{c.name, "", ""}, {"ok.txt", "data", ""}});
    std::string bytes = root.ReadFile("forged.zip");
    if (c.utf8) {
      for (const auto& [signature, flagByte] : {std::pair{"PK\3\4", 7}, std::pair{"PK\1\2", 9}})
        bytes[bytes.find(signature) + flagByte] |= 0x08;  // general-purpose bit 11
    }
    root.WriteFile("forged.zip", bytes);
    TZipReader reader;
    reader.RecreateDirs = true;
    Outcome o = Extract(reader, root.Path() + "/forged.zip", root.Path() + "/dest");
    std::set<std::string> made = {"ok.txt"};
    for (fs::path p = c.made; !c.skipped && !p.empty(); p = p.parent_path()) made.insert(p);
    std::set<std::string> found;
    for (const auto& item : fs::recursive_directory_iterator(root.Path() + "/dest"))
      found.insert(fs::relative(item.path(), root.Path() + "/dest").string());
    EXPECT_EQ(found, made) << test::Hex(c.name);
    EXPECT_EQ(o.skipped, c.skipped ? std::vector<std::string>{c.made} : std::vector<std::string>{})
        << test::Hex(c.name);
    EXPECT_EQ(o.extracted, c.skipped ? 1 : 2) << test::Hex(c.name);
  }
  // Into one folder, an entry without a name is reported all the same.
  TempRoot root;
  WriteArchive(root.Path() + "/flat.zip", {{"", "", ""}, {"ok.txt", "data", ""}});
  TZipReader flat;
  Outcome o = Extract(flat, root.Path() + "/flat.zip", root.Path() + "/dest");
  EXPECT_EQ(o.skipped, std::vector<std::string>{""});
  EXPECT_EQ(o.extracted, 1);
}

// An entry that replaces a file removes it and makes a new one, as unzip
// does: another hard link to the old file keeps the old bytes, a symbolic
// link is replaced, never written through; the new file keeps the old one's
// permissions.
TEST(ZipReaderSafety, AReplacedFileIsMadeAnewAsUnzipDoes) {
  TempRoot root;
  const std::string archive = root.Path() + "/new.zip";
  WriteArchive(archive, {{"a.txt", "new bytes", ""}});
  for (const std::string tool : {"ours", "unzip"}) {
    if (tool == "unzip" && !HaveCommand("unzip")) continue;
    for (const std::string link : {"hard", "soft"}) {
      const std::string sub = tool + link, dest = root.Path() + "/" + sub;
      root.WriteFile(sub + "/old.txt", "old");
      fs::permissions(dest + "/old.txt", fs::perms(0640));
      if (link == "hard") fs::create_hard_link(dest + "/old.txt", dest + "/a.txt");
      if (link == "soft") fs::create_symlink("old.txt", dest + "/a.txt");
      TZipReader reader;
      if (tool == "ours") Extract(reader, archive, dest);
      if (tool == "unzip") RunCommand("unzip -qo '" + archive + "' -d '" + dest + "'");
      EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dest + "/a.txt"))) << sub;
      EXPECT_EQ(root.ReadFile(sub + "/a.txt"), "new bytes") << sub;
      EXPECT_EQ(root.ReadFile(sub + "/old.txt"), "old") << sub;
      if (sub == "ourshard") {
        EXPECT_EQ(fs::status(dest + "/a.txt").permissions(), fs::perms(0640));
      }
    }
  }
}

TEST(ZipReaderSafety, EntryThatInflatesPastItsSizeStopsThere) {
  if (!HaveCommand("python3")) GTEST_SKIP() << "python3 is not installed";
  TempRoot root;
  std::string archive = root.Path() + "/bomb.zip";
  // 50 MB of zeros deflated, with both headers claiming 1000 bytes.
  int code = 0;
  std::string log = RunCommand(
      "python3 -c \"import zipfile,struct,sys\n"
      "p=sys.argv[1]\n"
      "with zipfile.ZipFile(p,'w',zipfile.ZIP_DEFLATED) as z: z.writestr('bomb.bin', bytes(50000000))\n"
      "b=bytearray(open(p,'rb').read())\n"
      "struct.pack_into('<I',b,22,1000)\n"
      "c=b.find(b'PK\\\\x01\\\\x02'); struct.pack_into('<I',b,c+24,1000)\n"
      "open(p,'wb').write(b)\" '" + archive + "' 2>&1", &code);
  ASSERT_EQ(code, 0) << log;
  std::string dest = root.Path() + "/dest";
  TZipReader reader;
  int64_t written = 0;
  reader.OnFilePercentDone = [&written](TZipReader&, int32_t) { ++written; };
  Outcome o = Extract(reader, archive, dest);
  EXPECT_EQ(o.extracted, 0);
  EXPECT_EQ(o.badCrc, 1);
  EXPECT_EQ(written, 0);  // the first 32 KB already exceeded the 1000 bytes
  EXPECT_TRUE(FilesUnder(dest).empty());
}

TEST(ZipReaderFailures, WrongPasswordAndNewPassword) {
  if (!HaveCommand("zip")) GTEST_SKIP() << "Info-ZIP zip is not installed";
  TempRoot root;
  root.WriteFile("src/a.txt", std::string(10000, 'a') + "end");
  std::string archive = root.Path() + "/pw.zip";
  int code = 0;
  RunCommand("cd " + root.Path() + "/src && zip -q -P right '" + archive + "' a.txt", &code);
  ASSERT_EQ(code, 0);
  TZipReader wrong;
  wrong.Password = "wrong";
  int asked = 0;
  wrong.OnBadPassword = [&asked](TZipReader&, int32_t, std::string&) { ++asked; };
  Outcome o = Extract(wrong, archive, root.Path() + "/out1");
  EXPECT_EQ(o.extracted, 0);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(o.skips, std::vector<TSkipReason>{srBadPassword});
  EXPECT_TRUE(FilesUnder(root.Path() + "/out1").empty());
  TZipReader retry;
  retry.Password = "wrong";
  retry.OnBadPassword = [](TZipReader&, int32_t, std::string& pw) { pw = "right"; };
  Outcome r = Extract(retry, archive, root.Path() + "/out2");
  EXPECT_EQ(r.extracted, 1);
  EXPECT_EQ(root.ReadFile("out2/a.txt"), std::string(10000, 'a') + "end");
}

TEST(ZipReaderFailures, CrcMismatchRemovesTheFile) {
  TempRoot root;
  std::string archive = root.Path() + "/crc.zip";
  WriteArchive(archive, {{"good.txt", "good", ""}, {"bad.txt", "bad data", ""}});
  // Change one data byte of the second entry.
  std::string bytes = root.ReadFile("crc.zip");
  bytes[bytes.find("bad data")] = 'B';
  root.WriteFile("crc.zip", bytes);
  TZipReader reader;
  int32_t calc = 0;
  int32_t stored = 0;
  Outcome o;
  reader.OnBadCRC = [&](TZipReader&, int32_t c, int32_t s, int32_t) {
    calc = c;
    stored = s;
  };
  reader.SetZipName(archive);
  reader.SetDestDir(root.Path() + "/out");
  reader.DoAll = true;
  EXPECT_EQ(reader.UnZip(), 1);
  EXPECT_EQ(static_cast<uint32_t>(stored), test::ReferenceCrc32("bad data"));
  EXPECT_EQ(static_cast<uint32_t>(calc), test::ReferenceCrc32("Bad data"));
  EXPECT_EQ(FilesUnder(root.Path() + "/out"), std::set<std::string>{"good.txt"});
}

TEST(ZipReaderFailures, MissingEndRecordPolicies) {
  TempRoot root;
  std::string archive = root.Path() + "/cut.zip";
  WriteArchive(archive, {{"one.txt", "first entry", ""}, {"two.txt", std::string(5000, 't'), ""}});
  std::string bytes = root.ReadFile("cut.zip");
  size_t central = bytes.find(std::string("PK\x01\x02", 4));
  root.WriteFile("cut.zip", bytes.substr(0, central));  // no directory at all
  TZipReader multi;
  multi.SetZipName(archive);
  multi.ReadZip();
  EXPECT_EQ(multi.Count(), 0);
  multi.DoAll = true;
  multi.SetDestDir(root.Path() + "/o");
  EXPECT_THROW(multi.UnZip(), EIncompleteZip);
  TZipReader notZip;
  notZip.IncompleteZipMode = izAssumeNotAZip;
  notZip.SetZipName(archive);
  EXPECT_THROW(notZip.OpenZip(), ENotAZipFile);
  TZipReader bad;
  bad.IncompleteZipMode = izAssumeBad;
  bad.SetZipName(archive);
  bad.ReadZip();
  ASSERT_EQ(bad.Count(), 2);
  EXPECT_TRUE(bad.LocalScanDone());
  EXPECT_EQ(bad.Filename(1), "two.txt");
  bad.ReadZip();  // the file did not change: the rebuilt directory stays
  EXPECT_EQ(bad.Count(), 2);
  Outcome o = Extract(bad, archive, root.Path() + "/scan");
  EXPECT_EQ(o.extracted, 2);
  // Cut inside the second entry's data: that entry cannot be completed.
  root.WriteFile("cut.zip", bytes.substr(0, central - 100));
  TZipReader cut;
  cut.IncompleteZipMode = izAssumeBad;
  EXPECT_THROW(Extract(cut, archive, root.Path() + "/cutout"), EFatalUnzipError);
  EXPECT_EQ(FilesUnder(root.Path() + "/cutout"), std::set<std::string>{"one.txt"});
  root.WriteFile("junk.zip", std::string(1000, 'j'));
  TZipReader junk;
  junk.IncompleteZipMode = izAssumeBad;
  junk.SetZipName(root.Path() + "/junk.zip");
  EXPECT_THROW(junk.ReadZip(), EBadZipFile);
  EXPECT_EQ(junk.ZipName(), "");
}

TEST(ZipReaderFailures, EndRecordPointingOutsideTheFile) {
  TempRoot root;
  std::string archive = root.Path() + "/far.zip";
  WriteArchive(archive, {{"one.txt", "content", ""}});
  std::string bytes = root.ReadFile("far.zip");
  size_t end = bytes.rfind(std::string("PK\x05\x06", 4));
  std::string moved = bytes;
  moved[end + 16] = '\x7F';  // central offset far beyond the end
  root.WriteFile("far.zip", moved);
  TZipReader recovered;
  recovered.SetZipName(archive);
  recovered.ReadZip();  // the local headers still describe the entry
  EXPECT_EQ(recovered.Count(), 1);
  EXPECT_TRUE(recovered.LocalScanDone());
  // Without local headers there is nothing to recover from.
  std::string noLocal = moved;
  noLocal[0] = 'X';
  root.WriteFile("far.zip", noLocal);
  TZipReader broken;
  broken.SetZipName(archive);
  EXPECT_THROW(broken.ReadZip(), EBadZipFile);
  // A ZIP64 locator that points nowhere, no local headers: the same.
  std::string locator = std::string("PK\x06\x07", 4) + std::string(4, '\0') +
                        std::string("\xF0\xFF\xFF\xFF\xFF\x00\x00\x00", 8) + std::string("\x01\x00\x00\x00", 4);
  std::string record = std::string("PK\x05\x06", 4) + std::string(4, '\0') +
                       std::string("\xFF\xFF\xFF\xFF", 4) + std::string(8, '\xFF') + std::string(2, '\0');
  root.WriteFile("loc.zip", std::string(50, 'x') + locator + record);
  TZipReader z64;
  z64.SetZipName(root.Path() + "/loc.zip");
  EXPECT_THROW(z64.ReadZip(), EBadZipFile);
  // A comment length beyond the end gives the bytes that are there.
  std::string commented = bytes;
  commented[commented.size() - 2] = '\xF4';
  commented[commented.size() - 1] = '\x01';
  root.WriteFile("far.zip", commented + "tail");
  TZipReader comment;
  comment.SetZipName(archive);
  comment.ReadZip();
  EXPECT_EQ(comment.Count(), 1);
  EXPECT_EQ(comment.ZipComment(), "tail");
}

TEST(ZipReaderFailures, BitFlippedDeflateDataNeverCrashes) {
  if (!HaveCommand("zip")) GTEST_SKIP() << "Info-ZIP zip is not installed";
  TempRoot root;
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "row " + std::to_string(i * 7919 % 1000) + ";";
  root.WriteFile("src/t.txt", text);
  std::string archive = root.Path() + "/f.zip";
  int code = 0;
  RunCommand("cd " + root.Path() + "/src && zip -q -9 '" + archive + "' t.txt", &code);
  ASSERT_EQ(code, 0);
  std::string original = root.ReadFile("f.zip");
  int failures = 0;
  for (size_t at = 60; at < 60 + 400; at += 7) {
    std::string damaged = original;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
    root.WriteFile("f.zip", damaged);
    TZipReader reader;
    try {
      Outcome o = Extract(reader, archive, root.Path() + "/out");
      if (o.extracted == 0) ++failures;
      if (o.extracted == 1) {
        EXPECT_EQ(root.ReadFile("out/t.txt"), text);
      }
    } catch (const EZipException&) {
      ++failures;
    } catch (const EZLibError&) {
      ++failures;
    }
    fs::remove_all(root.Path() + "/out");
  }
  EXPECT_GT(failures, 50);
}

// Deflate data cut short by a smaller compressed size (in both headers) is
// a decoder error, whatever inflate the build uses, and leaves no file;
// the whole data, decoded in windows of 32 KiB, extracts.
TEST(ZipReaderFailures, DeflateDataThatEndsEarly) {
  if (!HaveCommand("zip")) GTEST_SKIP() << "Info-ZIP zip is not installed";
  TempRoot root;
  std::string text;
  for (int i = 0; i < 40000; ++i) text += std::to_string(i * 7919 % 100003) + ",";
  root.WriteFile("src/t.txt", text);
  std::string archive = root.Path() + "/f.zip";
  int code = 0;
  RunCommand("cd " + root.Path() + "/src && zip -q -6 '" + archive + "' t.txt", &code);
  ASSERT_EQ(code, 0);
  const std::string original = root.ReadFile("f.zip");
  uint32_t size = GetLE32(reinterpret_cast<const uint8_t*>(original.data()) + 18);
  for (uint32_t kept : {size, size / 2, 1u}) {
    std::string cut = original;
    size_t central = cut.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    for (size_t field : {size_t{18}, central + 20})
      for (int b = 0; b < 4; ++b) cut[field + b] = static_cast<char>(kept >> (8 * b));
    root.WriteFile("f.zip", cut);
    TZipReader reader;
    if (kept == size) {
      EXPECT_EQ(Extract(reader, archive, root.Path() + "/out").extracted, 1);
      EXPECT_EQ(root.ReadFile("out/t.txt"), text);
    } else {
      EXPECT_THROW(Extract(reader, archive, root.Path() + "/out"), EZCompressionError) << kept;
      EXPECT_FALSE(fs::exists(root.Path() + "/out/t.txt")) << kept;
    }
    fs::remove_all(root.Path() + "/out");
  }
}

TEST(ZipReaderMemory, OneGigabyteEntryInBoundedMemory) {
  if (!HaveCommand("zip")) GTEST_SKIP() << "Info-ZIP zip is not installed";
  TempRoot root;
  struct statvfs vfs {};
  ::statvfs(root.Path().c_str(), &vfs);
  if (static_cast<double>(vfs.f_bavail) * vfs.f_frsize < 4.0 * (1 << 30))
    GTEST_SKIP() << "less than 4 GiB free for the 1 GiB test";
  int code = 0;
  RunCommand("cd " + root.Path() + " && truncate -s 1G big.bin && zip -q -1 big.zip big.bin && rm big.bin",
             &code);
  ASSERT_EQ(code, 0);
  struct rusage before {};
  ::getrusage(RUSAGE_SELF, &before);
  TZipReader reader;
  Outcome o = Extract(reader, root.Path() + "/big.zip", root.Path() + "/out");
  struct rusage after {};
  ::getrusage(RUSAGE_SELF, &after);
  EXPECT_EQ(o.extracted, 1);
  EXPECT_EQ(fs::file_size(root.Path() + "/out/big.bin"), uint64_t{1} << 30);
  // ru_maxrss is in kilobytes; the peak may only have grown by a few MB.
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 16 * 1024);
}

}  // namespace
}  // namespace tv::zip
