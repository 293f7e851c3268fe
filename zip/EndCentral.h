#pragma once
// The end of central directory record of an archive, with the ZIP64 end
// record and its locator when the archive needs them: found and read by the
// reader, filled and written by the writer.

#include <cstdint>
#include <memory>
#include <string>

#include "zip/RtlStreams.h"
#include "zip/ZipLists.h"

namespace tv::zip {

// The 56-byte ZIP64 end of central directory record.
struct TZip64EndRecord {
  uint32_t signature = 0x06064B50;
  uint64_t recordSize = 44;
  uint16_t versionMadeBy = 45;
  uint16_t versionNeeded = 45;
  uint32_t thisDisk = 0;
  uint32_t startCentralDisk = 0;
  uint64_t entriesThisDisk = 0;
  uint64_t totalEntries = 0;
  uint64_t centralDirSize = 0;
  uint64_t centralOffset = 0;
};

// The 20-byte ZIP64 end of central directory locator.
struct TZip64Locator {
  uint32_t signature = 0x07064B50;
  uint32_t endRecordDisk = 0;
  uint64_t endRecordOffset = 0;
  uint32_t totalDisks = 1;
};

class TEndCentral : public TPersistent {
 public:
  static constexpr int64_t kRecordSize = 22;
  static constexpr int64_t kMaxSearch = 65557;  // largest comment + the record

  TEndCentral() { Clear(); }
  std::string ClassName() const override { return "TEndCentral"; }
  void Clear();
  void Assign(const TPersistent& source) override;

  uint32_t Signature;
  uint16_t ThisDisk;
  uint16_t StartCentralDisk;
  uint16_t EntriesThisDisk;
  uint16_t TotalEntries;
  uint32_t CentralDirSize;
  uint32_t CentralOffset;
  uint16_t ZipCommentLength;
  int64_t ZipCommentPos;
  bool EndFlag;

  uint32_t GetThisDisk() const;
  void SetThisDisk(uint32_t value);
  uint32_t GetStartCentralDisk() const;
  void SetStartCentralDisk(uint32_t value);
  uint32_t GetEntriesThisDisk() const;
  void SetEntriesThisDisk(uint32_t value);
  int64_t GetTotalEntries() const;
  void SetTotalEntries(int64_t value);
  int64_t GetCentralSize() const;
  void SetCentralSize(int64_t value);
  int64_t GetCentralOffset() const;
  void SetCentralOffset(int64_t value);
  uint32_t GetTotalDisks() const { return locator_ ? locator_->totalDisks : 0; }

  bool HasZipComment() const { return ZipCommentLength > 0; }
  const std::string& ZipComment() const { return comment_; }
  void SetZipComment(const std::string& comment);
  int64_t EndCentralSize() const { return kRecordSize + ZipCommentLength; }

  TZip64EndRecord& Zip64End();
  TZip64Locator& Zip64Locator();
  bool HasZip64End() const { return zip64End_ != nullptr; }
  bool HasZip64Locator() const { return locator_ != nullptr; }
  // True when the ZIP64 end record named by the locator was read whole and
  // begins with its signature.
  bool Zip64EndValid() const { return zip64EndValid_; }

  // Finds the record in the last 65557 bytes; False when it is not there
  // (never raises on bad data; an empty stream is an empty archive).
  bool ReadFromStream(TStream& stream);
  // Writes the ZIP64 records when a value needs them, then the record and
  // the comment, at the stream's position.
  void SaveToStream(TStream& stream);

 protected:
  void AssignTo(TPersistent& target) const override;

 private:
  void ReadZip64End(TStream& stream);

  std::string comment_;
  std::unique_ptr<TZip64EndRecord> zip64End_;
  std::unique_ptr<TZip64Locator> locator_;
  bool zip64EndValid_ = false;
};

}  // namespace tv::zip
