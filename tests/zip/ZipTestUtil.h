#pragma once
// Shared helpers of the ZIP tests: what independent tools (Python's
// zipfile, Info-ZIP's zipinfo) say about an archive, and our own record
// readers' view of the same archive.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zip/EndCentral.h"
#include "zip/SortedZip.h"
#include "zip/ZipHeaderInfo.h"

namespace tv::zip::test {

// One entry as Python's zipfile reads it (raw name bytes, 64-bit values).
struct PyEntry {
  std::string name;
  int64_t headerOffset = 0;
  uint32_t crc = 0;
  int64_t compressedSize = 0;
  int64_t uncompressedSize = 0;
  int createVersion = 0;
  int createSystem = 0;
  int extractVersion = 0;
  int flagBits = 0;
  int compressType = 0;
  uint32_t dosDateTime = 0;
  uint32_t externalAttr = 0;
  int internalAttr = 0;
  int volume = 0;
  std::string comment;
};
struct PyArchive {
  std::vector<PyEntry> entries;
  std::string comment;
  std::string testzip;  // name of the first bad entry, or "None"
};
// Runs python3 on the native path; fails the test on a Python error.
PyArchive PythonZipDump(const std::string& nativePath);

// One entry as `zipinfo -v` reports it.
struct InfoEntry {
  std::string name;
  int64_t headerOffset = -1;
  std::string versionNeeded;  // "2.0", "4.5"
  std::string crcHex;
  int64_t compressedSize = -1;
  int64_t uncompressedSize = -1;
  int filenameLength = -1;
  int extraLength = -1;
  int commentLength = -1;
  int diskNumber = -1;  // 1-based, as zipinfo prints it
};
struct InfoArchive {
  std::vector<InfoEntry> entries;
  int64_t totalEntries = -1;
  int64_t centralSize = -1;
  int64_t centralOffset = -1;
};
InfoArchive ZipinfoDump(const std::string& nativePath);

// The directory as our records read it: the end record and every central
// record from the central offset on, with comments.
struct OurArchive {
  TEndCentral end;
  std::vector<std::unique_ptr<TZipHeaderInfo>> entries;
  std::string comment;
  bool found = false;
};
void ReadWithOurRecords(TStream& stream, OurArchive& out);

// CRC-32 of bytes (zlib's, as an independent reference).
uint32_t ReferenceCrc32(const std::string& bytes);

// A stored entry written with our records.
struct StoredFile {
  std::string name;  // Windows-1251, backslashes
  std::string data;
  std::string comment;
  uint32_t dosDateTime = 0x52B36000;  // 2021-05-19 12:00:00
  TOEMConvert oem = oemNever;
};
// Writes local headers, data, the central directory and the end record at
// the stream's position; returns the number of entries written.
void WriteStoredArchive(TStream& stream, const std::vector<StoredFile>& files,
                        const std::string& comment);

std::string Hex(const std::string& bytes);
std::string Unhex(const std::string& hex);

}  // namespace tv::zip::test
