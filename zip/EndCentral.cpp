#include "zip/EndCentral.h"

#include <vector>

#include "zip/ZipBytes.h"
#include "zip/ZipHeaderInfo.h"

namespace tv::zip {

void TEndCentral::Clear() {
  Signature = ZipSignatures().end;
  ThisDisk = 0;
  StartCentralDisk = 0;
  EntriesThisDisk = 0;
  TotalEntries = 0;
  CentralDirSize = 0;
  CentralOffset = 0;
  ZipCommentLength = 0;
  ZipCommentPos = 0;
  EndFlag = false;
  comment_.clear();
}

TZip64EndRecord& TEndCentral::Zip64End() {
  if (!zip64End_) zip64End_ = std::make_unique<TZip64EndRecord>();
  return *zip64End_;
}

TZip64Locator& TEndCentral::Zip64Locator() {
  if (!locator_) locator_ = std::make_unique<TZip64Locator>();
  return *locator_;
}

uint32_t TEndCentral::GetThisDisk() const {
  return ThisDisk == kMax16 && zip64End_ ? zip64End_->thisDisk : ThisDisk;
}

void TEndCentral::SetThisDisk(uint32_t value) {
  if (value > 65534) {
    Zip64End().thisDisk = value;
    ThisDisk = kMax16;
  } else {
    ThisDisk = static_cast<uint16_t>(value);
  }
}

uint32_t TEndCentral::GetStartCentralDisk() const {
  return StartCentralDisk == kMax16 && zip64End_ ? zip64End_->startCentralDisk : StartCentralDisk;
}

void TEndCentral::SetStartCentralDisk(uint32_t value) {
  if (value > 65534) {
    Zip64End().startCentralDisk = value;
    StartCentralDisk = kMax16;
  } else {
    StartCentralDisk = static_cast<uint16_t>(value);
  }
}

uint32_t TEndCentral::GetEntriesThisDisk() const {
  if (EntriesThisDisk == kMax16 && zip64End_)
    return static_cast<uint32_t>(zip64End_->entriesThisDisk);
  return EntriesThisDisk;
}

void TEndCentral::SetEntriesThisDisk(uint32_t value) {
  if (value > 65534) {
    Zip64End().entriesThisDisk = value;
    EntriesThisDisk = kMax16;
  } else {
    EntriesThisDisk = static_cast<uint16_t>(value);
    if (zip64End_) zip64End_->entriesThisDisk = value;
  }
}

int64_t TEndCentral::GetTotalEntries() const {
  if (TotalEntries == kMax16 && zip64End_) return static_cast<int64_t>(zip64End_->totalEntries);
  return TotalEntries;
}

void TEndCentral::SetTotalEntries(int64_t value) {
  if (value >= 65535) {
    Zip64End().totalEntries = static_cast<uint64_t>(value);
    TotalEntries = kMax16;
  } else {
    TotalEntries = static_cast<uint16_t>(value);
    if (zip64End_) zip64End_->totalEntries = static_cast<uint64_t>(value);
  }
}

int64_t TEndCentral::GetCentralSize() const {
  if (CentralDirSize == kMax32 && zip64End_) return static_cast<int64_t>(zip64End_->centralDirSize);
  return CentralDirSize;
}

void TEndCentral::SetCentralSize(int64_t value) {
  if (value >= 0 && static_cast<uint64_t>(value) >= kMax32) {
    Zip64End().centralDirSize = static_cast<uint64_t>(value);
    CentralDirSize = kMax32;
  } else {
    CentralDirSize = static_cast<uint32_t>(value);
    if (zip64End_) zip64End_->centralDirSize = static_cast<uint64_t>(value);
  }
}

int64_t TEndCentral::GetCentralOffset() const {
  if (CentralOffset == kMax32 && zip64End_) return static_cast<int64_t>(zip64End_->centralOffset);
  return CentralOffset;
}

void TEndCentral::SetCentralOffset(int64_t value) {
  if (value >= 0 && static_cast<uint64_t>(value) >= kMax32) {
    Zip64End().centralOffset = static_cast<uint64_t>(value);
    CentralOffset = kMax32;
  } else {
    CentralOffset = static_cast<uint32_t>(value);
  }
}

void TEndCentral::SetZipComment(const std::string& comment) {
  comment_ = comment.substr(0, comment.find('\0'));
  ZipCommentLength = static_cast<uint16_t>(comment_.size());
}

void TEndCentral::SaveToStream(TStream& stream) {
  bool needed = false;
  if (zip64End_) {
    TZip64Locator& locator = Zip64Locator();
    locator.endRecordOffset = static_cast<uint64_t>(stream.Position());
    locator.endRecordDisk = ThisDisk;
    locator.totalDisks = ThisDisk + 1u;
    TZip64EndRecord& z = *zip64End_;
    auto copy16 = [&needed](uint16_t field, auto& target) {
      if (field == kMax16)
        needed = true;
      else
        target = field;
    };
    auto copy32 = [&needed](uint32_t field, auto& target) {
      if (field == kMax32)
        needed = true;
      else
        target = field;
    };
    copy16(StartCentralDisk, z.startCentralDisk);
    copy16(ThisDisk, z.thisDisk);
    copy16(EntriesThisDisk, z.entriesThisDisk);
    copy16(TotalEntries, z.totalEntries);
    copy32(CentralDirSize, z.centralDirSize);
    copy32(CentralOffset, z.centralOffset);
  }
  std::string out;
  if (needed) {
    const TZip64EndRecord& z = *zip64End_;
    PutLE(out, ZipSignatures().zip64End, 4);
    PutLE(out, z.recordSize, 8);
    PutLE(out, z.versionMadeBy, 2);
    PutLE(out, z.versionNeeded, 2);
    PutLE(out, z.thisDisk, 4);
    PutLE(out, z.startCentralDisk, 4);
    PutLE(out, z.entriesThisDisk, 8);
    PutLE(out, z.totalEntries, 8);
    PutLE(out, z.centralDirSize, 8);
    PutLE(out, z.centralOffset, 8);
    const TZip64Locator& l = *locator_;
    PutLE(out, ZipSignatures().zip64Locator, 4);
    PutLE(out, l.endRecordDisk, 4);
    PutLE(out, l.endRecordOffset, 8);
    PutLE(out, l.totalDisks, 4);
  } else {
    zip64End_.reset();
    locator_.reset();
  }
  PutLE(out, Signature, 4);
  PutLE(out, ThisDisk, 2);
  PutLE(out, StartCentralDisk, 2);
  PutLE(out, EntriesThisDisk, 2);
  PutLE(out, TotalEntries, 2);
  PutLE(out, CentralDirSize, 4);
  PutLE(out, CentralOffset, 4);
  PutLE(out, comment_.size(), 2);
  out += comment_;
  stream.Write(out.data(), static_cast<int32_t>(out.size()));
}

bool TEndCentral::ReadFromStream(TStream& stream) {
  int64_t size = stream.Size();
  if (size < kRecordSize) return size == 0;
  int64_t n = size < kMaxSearch ? size : kMaxSearch;
  std::vector<uint8_t> tail(static_cast<size_t>(n));
  stream.Seek(size - n, soFromBeginning);
  if (stream.Read(tail.data(), static_cast<int32_t>(n)) != n) return false;
  const uint32_t signature = ZipSignatures().end;
  int64_t hit = -1;
  for (int64_t i = n - kRecordSize; i >= 0; --i) {
    if (tail[static_cast<size_t>(i)] != ZipSignatures().endFirstByte) continue;
    if (GetLE32(&tail[static_cast<size_t>(i)]) == signature) {
      hit = i;
      break;
    }
  }
  if (hit < 0) return false;
  const uint8_t* r = &tail[static_cast<size_t>(hit)];
  Signature = signature;
  ThisDisk = GetLE16(r + 4);
  StartCentralDisk = GetLE16(r + 6);
  EntriesThisDisk = GetLE16(r + 8);
  TotalEntries = GetLE16(r + 10);
  CentralDirSize = GetLE32(r + 12);
  CentralOffset = GetLE32(r + 16);
  ZipCommentLength = GetLE16(r + 20);
  ZipCommentPos = size - n + hit + kRecordSize;
  zip64EndValid_ = false;
  if (hit >= 20 && GetLE32(r - 20) == ZipSignatures().zip64Locator) {
    TZip64Locator& l = Zip64Locator();
    l.signature = GetLE32(r - 20);
    l.endRecordDisk = GetLE32(r - 16);
    l.endRecordOffset = GetLE64(r - 12);
    l.totalDisks = GetLE32(r - 4);
    ReadZip64End(stream);
  }
  return true;
}

void TEndCentral::ReadZip64End(TStream& stream) {
  uint8_t raw[56] = {};
  int32_t got = 0;
  uint64_t offset = locator_->endRecordOffset;
  if (offset <= static_cast<uint64_t>(INT64_MAX) && stream.Seek(static_cast<int64_t>(offset),
                                                                soFromBeginning) >= 0)
    got = stream.Read(raw, 56);
  TZip64EndRecord& z = Zip64End();
  z.signature = GetLE32(raw);
  z.recordSize = GetLE64(raw + 4);
  z.versionMadeBy = GetLE16(raw + 12);
  z.versionNeeded = GetLE16(raw + 14);
  z.thisDisk = GetLE32(raw + 16);
  z.startCentralDisk = GetLE32(raw + 20);
  z.entriesThisDisk = GetLE64(raw + 24);
  z.totalEntries = GetLE64(raw + 32);
  z.centralDirSize = GetLE64(raw + 40);
  z.centralOffset = GetLE64(raw + 48);
  zip64EndValid_ = got == 56 && z.signature == ZipSignatures().zip64End;
}

void TEndCentral::Assign(const TPersistent& source) {
  if (auto* end = dynamic_cast<const TEndCentral*>(&source)) {
    end->AssignTo(*this);
    return;
  }
  TPersistent::Assign(source);
}

void TEndCentral::AssignTo(TPersistent& target) const {
  auto* end = dynamic_cast<TEndCentral*>(&target);
  if (end == nullptr) {
    TPersistent::AssignTo(target);
    return;
  }
  if (end == this) return;
  end->Signature = Signature;
  end->ThisDisk = ThisDisk;
  end->StartCentralDisk = StartCentralDisk;
  end->EntriesThisDisk = EntriesThisDisk;
  end->TotalEntries = TotalEntries;
  end->CentralDirSize = CentralDirSize;
  end->CentralOffset = CentralOffset;
  end->SetZipComment(comment_);
  end->ZipCommentPos = ZipCommentPos;
}

}  // namespace tv::zip
