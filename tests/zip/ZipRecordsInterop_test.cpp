// Our record readers and writers against independent archivers: Info-ZIP's
// zip builds archives that our readers must parse exactly as zipinfo and
// Python's zipfile report them; archives built from our records must read
// back in zipinfo and zipfile to the same fields.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>

#include "platform/text/Cp1251.h"
#include "tests/support/TempRoot.h"
#include "tests/zip/ZipTestUtil.h"
#include "zip/ZipStreams.h"

namespace tv::zip {
namespace {

using tv::test::HaveCommand;
using tv::test::RunCommand;
using tv::test::TempRoot;

bool HaveTools() { return HaveCommand("zip") && HaveCommand("zipinfo") && HaveCommand("python3"); }

// Compares our parse with Python's and zipinfo's, entry by entry.
void ExpectSameDirectory(const test::OurArchive& ours, const test::PyArchive& py,
                         const test::InfoArchive* info) {
  ASSERT_TRUE(ours.found);
  ASSERT_EQ(ours.entries.size(), py.entries.size());
  EXPECT_EQ(ours.end.GetTotalEntries(), static_cast<int64_t>(py.entries.size()));
  EXPECT_EQ(ours.comment, py.comment);
  for (size_t i = 0; i < py.entries.size(); ++i) {
    const TZipHeaderInfo& e = *ours.entries[i];
    const test::PyEntry& p = py.entries[i];
    std::string name = e.FullPath();
    for (char& c : name)
      if (c == '\\') c = '/';
    SCOPED_TRACE(p.name);
    EXPECT_EQ(name, p.name);
    EXPECT_EQ(e.GetRelativeOffset(), p.headerOffset);
    EXPECT_EQ(e.CRC32, p.crc);
    EXPECT_EQ(e.GetCompressedSize(), p.compressedSize);
    EXPECT_EQ(e.GetUncompressedSize(), p.uncompressedSize);
    EXPECT_EQ(e.VersionMadeBy & 0xFF, p.createVersion);
    EXPECT_EQ(e.VersionMadeBy >> 8, p.createSystem);
    EXPECT_EQ(e.VersionNeeded, p.extractVersion);
    EXPECT_EQ(e.BitFlag, p.flagBits);
    EXPECT_EQ(e.CompressionMethod, p.compressType);
    EXPECT_EQ(e.LastModFileDateTime, p.dosDateTime);
    EXPECT_EQ(e.ExternalFileAttributes, p.externalAttr);
    EXPECT_EQ(e.InternalFileAttributes, p.internalAttr);
    EXPECT_EQ(static_cast<int>(e.GetDiskStart()), p.volume);
    EXPECT_EQ(e.FileComment(), p.comment);
    if (info == nullptr || i >= info->entries.size()) continue;
    const test::InfoEntry& z = info->entries[i];
    EXPECT_EQ(e.GetRelativeOffset(), z.headerOffset);
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x", e.CRC32);
    EXPECT_EQ(crc, z.crcHex);
    EXPECT_EQ(e.GetCompressedSize(), z.compressedSize);
    EXPECT_EQ(e.GetUncompressedSize(), z.uncompressedSize);
    EXPECT_EQ(e.FilenameLength, z.filenameLength);
    EXPECT_EQ(e.CentralExtraLength, z.extraLength);
    EXPECT_EQ(e.FileCommentLength, z.commentLength);
    EXPECT_EQ(static_cast<int>(e.GetDiskStart()) + 1, z.diskNumber);
    char version[8];
    std::snprintf(version, sizeof version, "%d.%d", e.VersionNeeded / 10, e.VersionNeeded % 10);
    EXPECT_EQ(version, z.versionNeeded);
  }
  if (info != nullptr) {
    EXPECT_EQ(ours.end.GetTotalEntries(), info->totalEntries);
    EXPECT_EQ(ours.end.GetCentralSize(), info->centralSize);
    EXPECT_EQ(ours.end.GetCentralOffset(), info->centralOffset);
  }
}

void ReadNative(const std::string& native, test::OurArchive& ours) {
  TLFNFileStream in(native, fmOpenRead, false, 8192);
  test::ReadWithOurRecords(in, ours);
}

TEST(ZipRecordsInterop, InfoZipArchiveWithZip64CommentsAndFolders) {
  if (!HaveTools()) GTEST_SKIP() << "Info-ZIP zip/zipinfo or python3 is not installed";
  TempRoot root;
  root.WriteFile("src/a.txt", "hello\n");
  root.WriteFile("src/d/b.bin", std::string(5000, 'b') + "tail");
  root.WriteFile("src/d/e/empty", "");
  std::string dir = root.Path() + "/src";
  int code = 0;
  RunCommand("cd " + dir + " && printf 'first note\\n\\nthird\\n\\n\\n' | zip -q -c -fz -r ../z64.zip a.txt d",
             &code);
  ASSERT_EQ(code, 0);
  RunCommand("cd " + dir + " && echo 'archive words' | zip -q -z ../z64.zip", &code);
  ASSERT_EQ(code, 0);
  std::string path = root.Path() + "/z64.zip";
  test::OurArchive ours;
  ReadNative(path, ours);
  test::PyArchive py = test::PythonZipDump(path);
  test::InfoArchive info = test::ZipinfoDump(path);
  ASSERT_EQ(info.entries.size(), 5u);
  EXPECT_EQ(py.testzip, "None");
  // zip -fz adds a ZIP64 block to each record while the classic fields
  // still hold the values, so the block is present but not taken.
  EXPECT_FALSE(ours.end.HasZip64Locator());
  EXPECT_EQ(ours.comment, "archive words");
  EXPECT_EQ(ours.entries[0]->FileComment(), "first note");
  EXPECT_EQ(ours.entries[1]->Directory(), "d\\");
  EXPECT_EQ(ours.entries[1]->Filename(), "");
  EXPECT_EQ(ours.entries[0]->Zip64BlockLength, 12);
  EXPECT_FALSE(ours.entries[0]->HasZip64());
  ExpectSameDirectory(ours, py, &info);
  // The local headers agree with the central records.
  TLFNFileStream in(path, fmOpenRead, false, 4096);
  for (const auto& central : ours.entries) {
    in.Seek(central->GetRelativeOffset(), soFromBeginning);
    TZipHeaderInfo local;
    ASSERT_TRUE(local.ReadLocalFromStream(in));
    EXPECT_EQ(local.FullPath(), central->FullPath());
    EXPECT_EQ(local.GetRelativeOffset(), central->GetRelativeOffset());
    EXPECT_EQ(local.CRC32, central->CRC32);
    if (!local.HasDataDescriptor()) {
      EXPECT_EQ(local.GetUncompressedSize(), central->GetUncompressedSize());
      EXPECT_EQ(local.GetCompressedSize(), central->GetCompressedSize());
    }
  }
}

TEST(ZipRecordsInterop, InfoZipArchiveWithMoreThan65535Entries) {
  if (!HaveTools()) GTEST_SKIP() << "Info-ZIP zip/zipinfo or python3 is not installed";
  TempRoot root;
  std::string dir = root.Path() + "/many";
  int code = 0;
  RunCommand("python3 -c \"import os; os.makedirs('" + dir +
                 "'); [open('" + dir + "/f%05d' % i, 'w').write(str(i)) for i in range(65600)]\"",
             &code);
  ASSERT_EQ(code, 0);
  RunCommand("cd " + dir + " && zip -q -0 -r ../many.zip .", &code);
  ASSERT_EQ(code, 0);
  std::string path = root.Path() + "/many.zip";
  test::OurArchive ours;
  ReadNative(path, ours);
  ASSERT_TRUE(ours.found);
  EXPECT_EQ(ours.end.TotalEntries, 0xFFFF);
  EXPECT_TRUE(ours.end.Zip64EndValid());
  EXPECT_EQ(ours.end.GetTotalEntries(), 65600);
  test::PyArchive py = test::PythonZipDump(path);
  ExpectSameDirectory(ours, py, nullptr);
  std::string head = RunCommand("zipinfo -v '" + path + "' | head -40");
  EXPECT_NE(head.find("central directory contains 65600 entries"), std::string::npos) << head;
}

TEST(ZipRecordsInterop, OurRecordsReadBackInZipfileAndZipinfo) {
  if (!HaveTools()) GTEST_SKIP() << "Info-ZIP zip/zipinfo or python3 is not installed";
  TempRoot root;
  std::vector<test::StoredFile> files = {
      {"readme.txt", "first file\r\n", "its comment"},
      {"docs\\", "", ""},
      {"docs\\Отчёт.txt"_w, std::string(3000, 'r'), "", 0x4A6B7C21, oemAlways},
      {"docs\\empty.dat", "", ""},
  };
  {
    TLFNFileStream out(root.Path() + "/ours.zip", fmCreate, true, 4096);
    test::WriteStoredArchive(out, files, "archive comment");
  }
  std::string path = root.Path() + "/ours.zip";
  test::PyArchive py = test::PythonZipDump(path);
  EXPECT_EQ(py.testzip, "None");
  ASSERT_EQ(py.entries.size(), 4u);
  EXPECT_EQ(py.entries[2].name, "docs/" + Cp1251ToCp866("Отчёт.txt"_w));
  EXPECT_EQ(py.entries[2].dosDateTime, 0x4A6B7C21u);
  EXPECT_EQ(py.entries[1].externalAttr, 0x10u);
  EXPECT_EQ(py.entries[0].comment, "its comment");
  EXPECT_EQ(py.comment, "archive comment");
  test::InfoArchive info = test::ZipinfoDump(path);
  test::OurArchive ours;
  ReadNative(path, ours);
  ExpectSameDirectory(ours, py, &info);
  int code = 0;
  RunCommand("unzip -tqq '" + path + "'", &code);
  EXPECT_EQ(code, 0);
}

TEST(ZipRecordsInterop, OurZip64EndRecordForManyEntries) {
  if (!HaveTools()) GTEST_SKIP() << "Info-ZIP zip/zipinfo or python3 is not installed";
  TempRoot root;
  std::vector<test::StoredFile> files;
  for (int i = 0; i < 65540; ++i) files.push_back({"n" + std::to_string(i), std::to_string(i), ""});
  {
    TLFNFileStream out(root.Path() + "/many.zip", fmCreate, false, 65536);
    test::WriteStoredArchive(out, files, "");
  }
  std::string path = root.Path() + "/many.zip";
  test::PyArchive py = test::PythonZipDump(path);
  EXPECT_EQ(py.testzip, "None");
  ASSERT_EQ(py.entries.size(), 65540u);
  EXPECT_EQ(py.entries.back().name, "n65539");
  std::string head = RunCommand("zipinfo -v '" + path + "' | head -40");
  EXPECT_NE(head.find("central directory contains 65540 entries"), std::string::npos) << head;
  int code = 0;
  RunCommand("unzip -tqq '" + path + "'", &code);
  EXPECT_EQ(code, 0);
}

// A local header beyond 4 GiB, in a sparse file: the offset goes into the
// ZIP64 blocks and the ZIP64 end record.
TEST(ZipRecordsInterop, OffsetsBeyondFourGigabytes) {
  if (!HaveTools()) GTEST_SKIP() << "Info-ZIP zip/zipinfo or python3 is not installed";
  TempRoot root;
  std::string path = root.Path() + "/far.zip";
  std::string data = "data placed beyond four gigabytes";
  const int64_t gap = (int64_t{1} << 32) + 1000;
  {
    TLFNFileStream out(path, fmCreate, false, 4096);
    // A stored entry that covers the gap: its data is the hole of the file.
    TZipHeaderInfo first;
    first.SetFilename("hole.bin");
    first.CompressionMethod = 0;
    first.SetCompressedSize(gap);
    first.SetUncompressedSize(gap);
    first.CRC32 = 0;
    first.SaveLocalToStream(out);
    out.Seek(gap, soFromCurrent);
    TZipHeaderInfo second;
    second.SetFilename("far.txt");
    second.CompressionMethod = 0;
    second.CRC32 = test::ReferenceCrc32(data);
    second.SetCompressedSize(static_cast<int64_t>(data.size()));
    second.SetUncompressedSize(static_cast<int64_t>(data.size()));
    second.SaveLocalToStream(out);
    out.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
    int64_t central = out.Position();
    first.SaveCentralToStream(out, nullptr);
    second.SaveCentralToStream(out, nullptr);
    TEndCentral end;
    end.SetEntriesThisDisk(2);
    end.SetTotalEntries(2);
    end.SetCentralSize(out.Position() - central);
    end.SetCentralOffset(central);
    end.SaveToStream(out);
  }
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  if (static_cast<int64_t>(st.st_blocks) * 512 > (int64_t{1} << 30))
    GTEST_SKIP() << "the file system does not keep sparse files";
  int code = 0;
  std::string text = RunCommand(
      "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); i=z.getinfo('far.txt');"
      " print(i.header_offset, i.file_size, z.read('far.txt').decode())\" '" + path + "'", &code);
  ASSERT_EQ(code, 0) << text;
  EXPECT_EQ(text, std::to_string(gap + 30 + 8 + 20) + " " + std::to_string(data.size()) + " " +
                      data + "\n");
  test::OurArchive ours;
  ReadNative(path, ours);
  ASSERT_EQ(ours.entries.size(), 2u);
  EXPECT_EQ(ours.entries[1]->GetRelativeOffset(), gap + 30 + 8 + 20);
  EXPECT_EQ(ours.entries[0]->GetUncompressedSize(), gap);
  EXPECT_TRUE(ours.end.HasZip64Locator());
  std::string info = RunCommand("zipinfo -v '" + path + "' 2>&1");
  EXPECT_NE(info.find(std::to_string(gap + 58)), std::string::npos);
}

}  // namespace
}  // namespace tv::zip
