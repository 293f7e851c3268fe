#pragma once
// One entry of an archive's directory in memory: what the central directory
// record and the entry's local header say about one file, with the ZIP64
// values. The reader fills one per central record; the writer builds one
// per file and writes it as local header and as central record.
//
// Names are held with backslashes, split into Directory (ending in a
// backslash) and Filename; on disk they carry forward slashes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "zip/RtlStreams.h"
#include "zip/ZipLists.h"

namespace tv::zip {

// Record signatures, process-wide.
struct TZipSignatures {
  uint32_t central = 0x02014B50;
  uint32_t local = 0x04034B50;
  uint32_t end = 0x06054B50;
  uint32_t zip64End = 0x06064B50;
  uint32_t zip64Locator = 0x07064B50;
  uint8_t localBytes[4] = {0x50, 0x4B, 0x03, 0x04};
  uint8_t endFirstByte = 0x50;
};
const TZipSignatures& ZipSignatures();
// A value of 0 selects the default for that signature.
void SetZipSignatures(uint32_t central, uint32_t local, uint32_t end);

enum TOEMConvert : uint8_t { oemAlways, oemNever, oemFlexible };

// The entry's ZIP64 values: the extra block with every field present.
struct TZip64Record {
  uint16_t tag = 1;
  uint16_t dataSize = 0;
  uint64_t uncompressedSize = 0;
  uint64_t compressedSize = 0;
  uint64_t relativeOffset = 0;
  uint32_t diskStart = 0;
};

constexpr uint32_t kMax32 = 0xFFFFFFFF;
// General-purpose flag bit 11: the name (and comment) are UTF-8.
constexpr uint16_t kUtf8NameFlag = 0x0800;
constexpr uint16_t kMax16 = 0xFFFF;

class TZipHeaderInfo : public TPersistent {
 public:
  // Called when a central record runs off the end of a part: moves to the
  // next part and may replace the stream.
  using TPartSwitch = std::function<void(TZipHeaderInfo& entry, TStream*& stream)>;
  enum THeaderKind { hkCentral, hkLocal };

  TZipHeaderInfo() { Clear(); }
  std::string ClassName() const override { return "TZipHeaderInfo"; }

  void Clear();
  void Assign(const TPersistent& source) override;

  uint16_t VersionMadeBy;
  uint16_t VersionNeeded;
  uint16_t BitFlag;
  uint16_t CompressionMethod;
  uint32_t LastModFileDateTime;
  uint32_t CRC32;
  uint32_t CompressedSize;
  uint32_t UncompressedSize;
  uint16_t FilenameLength;
  uint16_t CentralExtraLength;
  uint16_t LocalExtraLength;
  uint16_t FileCommentLength;
  uint16_t DiskNumberStart;
  uint16_t InternalFileAttributes;
  uint32_t ExternalFileAttributes;
  uint32_t RelativeOffset;
  int64_t CentralRecordPosition;
  bool EntryFlagA;
  TOEMConvert OEMConvert = oemNever;
  int64_t ExtraSourcePosition = 0;
  uint16_t ExtraSourceLength = 0;
  uint16_t Zip64BlockLength = 0;

  int64_t GetUncompressedSize() const;
  void SetUncompressedSize(int64_t value);
  int64_t GetCompressedSize() const;
  void SetCompressedSize(int64_t value);
  int64_t GetRelativeOffset() const;
  void SetRelativeOffset(int64_t value);
  uint32_t GetDiskStart() const;
  void SetDiskStart(uint32_t value);
  // The ZIP64 record, created zero-filled when absent.
  TZip64Record& Zip64Info();
  bool HasZip64() const { return zip64_ != nullptr; }

  const std::string& Filename() const { return filename_; }
  const std::string& Directory() const { return directory_; }
  void SetFilename(const std::string& name);
  // Adds a trailing backslash to a non-empty value.
  void SetDirectory(const std::string& directory);
  // Directory + Filename.
  std::string FullPath() const { return directory_ + filename_; }
  // The stored path in UTF-8 (backslashes) when the archive gave it in
  // UTF-8 and Windows-1251 cannot hold it (Directory and Filename then
  // show "?" in its place); empty otherwise.
  const std::string& UnicodePath() const { return unicodePath_; }

  const std::string& FileComment() const { return comment_; }
  void SetFileComment(const std::string& comment);
  bool HasComment() const { return FileCommentLength > 0; }
  bool IsEncrypted() const { return (BitFlag & 1) != 0; }
  bool HasDataDescriptor() const { return (BitFlag & 8) != 0; }
  int64_t LocalSize() const { return 30 + FilenameLength + LocalExtraLength; }
  int64_t CentralSize() const {
    return 46 + FilenameLength + CentralExtraLength + FileCommentLength;
  }
  // Bytes of ZIP64 data a header of that kind needs; 0: no ZIP64 block.
  uint16_t Zip64DataSize(THeaderKind kind) const;

  // Takes the fixed fields of a 46-byte central record / 30-byte local
  // header and the stored name (with backslashes).
  void SetFromCentral(const uint8_t* record, const std::string& name);
  void SetFromLocal(const uint8_t* header, const std::string& name);
  // Reads CentralExtraLength bytes and takes the ZIP64 values. With
  // `unicodeName`, also the UTF-8 name of a Unicode-path block (0x7075)
  // whose CRC-32 equals `nameCrc`, the CRC of the header's own name bytes.
  void ReadExtraField(TStream& stream, std::string* unicodeName = nullptr, uint32_t nameCrc = 0);

  // Readers never raise on bad data: False with the stream back at the
  // record's start.
  bool ReadCentralFromStream(TStream*& stream, const TPartSwitch& onPartSwitch);
  bool ReadLocalFromStream(TStream& stream);
  // Writers; the local header's position becomes the relative offset.
  void SaveCentralToStream(TStream& stream, TStream* extraSource);
  void SaveLocalToStream(TStream& stream);

 protected:
  void AssignTo(TPersistent& target) const override;

 private:
  std::string StoredName();
  std::string ReadName(const std::string& raw, bool mayConvert) const;
  // Takes a UTF-8 stored name (forward slashes).
  void SetUtf8Name(const std::string& raw);
  void WriteZip64Extra(TStream& stream, THeaderKind kind) const;
  void CopyFrom(const TZipHeaderInfo& source);

  std::string filename_;
  std::string directory_;
  std::string comment_;
  std::string unicodePath_;
  std::unique_ptr<TZip64Record> zip64_;
};

}  // namespace tv::zip
