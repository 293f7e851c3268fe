#include "tests/zip/ZipTestUtil.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/support/TempRoot.h"

namespace tv::zip::test {
namespace {

const char* kPythonDump = R"PY(
import sys, zipfile
def raw(zi):
    if zi.flag_bits & 0x800:
        return zi.filename.encode('utf-8')
    return zi.orig_filename.encode('cp437')
with zipfile.ZipFile(sys.argv[1]) as z:
    for zi in z.infolist():
        y, mo, d, h, mi, s = zi.date_time
        dos = ((y - 1980) << 25) | (mo << 21) | (d << 16) | (h << 11) | (mi << 5) | (s // 2)
        print('E', raw(zi).hex(), zi.header_offset, zi.CRC, zi.compress_size, zi.file_size,
              zi.create_version, zi.create_system, zi.extract_version, zi.flag_bits,
              zi.compress_type, dos, zi.external_attr, zi.internal_attr, zi.volume,
              zi.comment.hex() or '-')
    print('C', z.comment.hex() or '-')
    if len(sys.argv) > 2:
        print('T', z.testzip())
)PY";

std::string ScriptPath() {
  static std::string path;
  if (path.empty()) {
    char name[] = "/tmp/zipdumpXXXXXX";
    int fd = ::mkstemp(name);
    if (fd >= 0) ::close(fd);
    std::ofstream(name) << kPythonDump;
    path = name;
  }
  return path;
}

int64_t NumberAfterColon(const std::string& line) {
  size_t colon = line.find(':');
  return std::strtoll(line.c_str() + colon + 1, nullptr, 10);
}

std::string WordAfterColon(const std::string& line) {
  std::istringstream in(line.substr(line.find(':') + 1));
  std::string word;
  in >> word;
  return word;
}

}  // namespace

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Unhex(const std::string& hex) {
  std::string out;
  if (hex == "-") return out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

PyArchive PythonZipDump(const std::string& nativePath) {
  int code = 0;
  std::string text =
      tv::test::RunCommand("python3 " + ScriptPath() + " '" + nativePath + "' t 2>&1", &code);
  EXPECT_EQ(code, 0) << text.substr(0, 2000);
  PyArchive result;
  std::istringstream in(text);
  std::string tag;
  while (in >> tag) {
    if (tag == "E") {
      PyEntry e;
      std::string name, comment;
      in >> name >> e.headerOffset >> e.crc >> e.compressedSize >> e.uncompressedSize >>
          e.createVersion >> e.createSystem >> e.extractVersion >> e.flagBits >> e.compressType >>
          e.dosDateTime >> e.externalAttr >> e.internalAttr >> e.volume >> comment;
      e.name = Unhex(name);
      e.comment = Unhex(comment);
      result.entries.push_back(e);
    } else if (tag == "C") {
      std::string comment;
      in >> comment;
      result.comment = Unhex(comment);
    } else if (tag == "T") {
      in >> result.testzip;
    }
  }
  return result;
}

InfoArchive ZipinfoDump(const std::string& nativePath) {
  std::string text = tv::test::RunCommand("zipinfo -v '" + nativePath + "' 2>&1");
  InfoArchive result;
  std::istringstream in(text);
  std::string line;
  bool wantName = false;
  bool wantOffset = false;
  while (std::getline(in, line)) {
    if (line.rfind("Central directory entry #", 0) == 0) {
      result.entries.emplace_back();
      wantName = true;
      continue;
    }
    if (wantName && line.size() > 2 && line.rfind("  ", 0) == 0 && line[2] != ' ' &&
        line.find("There are an extra") == std::string::npos) {
      result.entries.back().name = line.substr(2);
      wantName = false;
      continue;
    }
    if (line.find("central directory contains") != std::string::npos)
      result.totalEntries = std::strtoll(line.substr(line.find("contains") + 8).c_str(), nullptr, 10);
    if (line.find("The central directory is") != std::string::npos)
      result.centralSize = std::strtoll(line.substr(line.find(" is ") + 4).c_str(), nullptr, 10);
    if (wantOffset && line.rfind("  is ", 0) == 0) {
      result.centralOffset = std::strtoll(line.c_str() + 5, nullptr, 10);
      wantOffset = false;
    }
    if (line.find("and its (expected) offset in bytes") != std::string::npos) wantOffset = true;
    if (result.entries.empty()) continue;
    InfoEntry& e = result.entries.back();
    if (line.find("offset of local header from start") != std::string::npos)
      e.headerOffset = NumberAfterColon(line);
    else if (line.find("minimum software version required") != std::string::npos)
      e.versionNeeded = WordAfterColon(line);
    else if (line.find("32-bit CRC value (hex)") != std::string::npos)
      e.crcHex = WordAfterColon(line);
    else if (line.find("  compressed size:") != std::string::npos)
      e.compressedSize = NumberAfterColon(line);
    else if (line.find("uncompressed size:") != std::string::npos)
      e.uncompressedSize = NumberAfterColon(line);
    else if (line.find("length of filename:") != std::string::npos)
      e.filenameLength = static_cast<int>(NumberAfterColon(line));
    else if (line.find("length of extra field:") != std::string::npos)
      e.extraLength = static_cast<int>(NumberAfterColon(line));
    else if (line.find("length of file comment:") != std::string::npos)
      e.commentLength = static_cast<int>(NumberAfterColon(line));
    else if (line.find("disk number on which file begins:") != std::string::npos)
      e.diskNumber = std::atoi(line.substr(line.find("disk ", line.find(':')) + 5).c_str());
  }
  return result;
}

void ReadWithOurRecords(TStream& stream, OurArchive& out) {
  out.found = out.end.ReadFromStream(stream);
  if (!out.found) return;
  if (out.end.ZipCommentLength > 0) {
    std::string comment(out.end.ZipCommentLength, '\0');
    stream.Seek(out.end.ZipCommentPos, soFromBeginning);
    comment.resize(static_cast<size_t>(std::max(stream.Read(comment.data(), out.end.ZipCommentLength), 0)));
    out.comment = comment;
  }
  stream.Seek(out.end.GetCentralOffset(), soFromBeginning);
  TStream* current = &stream;
  for (int64_t i = 0; i < out.end.GetTotalEntries(); ++i) {
    auto entry = std::make_unique<TZipHeaderInfo>();
    if (!entry->ReadCentralFromStream(current, nullptr)) break;
    stream.Seek(entry->CentralExtraLength, soFromCurrent);
    if (entry->FileCommentLength > 0) {
      std::string comment(entry->FileCommentLength, '\0');
      stream.ReadBuffer(comment.data(), entry->FileCommentLength);
      entry->SetFileComment(comment);
    }
    out.entries.push_back(std::move(entry));
  }
}

uint32_t ReferenceCrc32(const std::string& bytes) {
  return static_cast<uint32_t>(
      ::crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

void WriteStoredArchive(TStream& stream, const std::vector<StoredFile>& files,
                        const std::string& comment) {
  std::vector<std::unique_ptr<TZipHeaderInfo>> entries;
  for (const StoredFile& f : files) {
    auto entry = std::make_unique<TZipHeaderInfo>();
    entry->OEMConvert = f.oem;
    entry->CompressionMethod = 0;
    entry->LastModFileDateTime = f.dosDateTime;
    size_t slash = f.name.rfind('\\');
    entry->SetDirectory(slash == std::string::npos ? "" : f.name.substr(0, slash + 1));
    entry->SetFilename(slash == std::string::npos ? f.name : f.name.substr(slash + 1));
    entry->CRC32 = ReferenceCrc32(f.data);
    entry->SetCompressedSize(static_cast<int64_t>(f.data.size()));
    entry->SetUncompressedSize(static_cast<int64_t>(f.data.size()));
    if (!f.comment.empty()) entry->SetFileComment(f.comment);
    if (!f.name.empty() && f.name.back() == '\\') entry->ExternalFileAttributes = 0x10;
    entry->SaveLocalToStream(stream);
    stream.WriteBuffer(f.data.data(), static_cast<int32_t>(f.data.size()));
    entries.push_back(std::move(entry));
  }
  int64_t centralStart = stream.Position();
  for (auto& entry : entries) entry->SaveCentralToStream(stream, nullptr);
  TEndCentral end;
  end.SetEntriesThisDisk(static_cast<uint32_t>(entries.size()));
  end.SetTotalEntries(static_cast<int64_t>(entries.size()));
  end.SetCentralSize(stream.Position() - centralStart);
  end.SetCentralOffset(centralStart);
  end.SetZipComment(comment);
  end.SaveToStream(stream);
}

}  // namespace tv::zip::test
