#include "zip/ZipHeaderInfo.h"

#include <cstring>
#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "zip/ZipBytes.h"
#include "zip/ZipCrypt.h"
#include "zip/ZipLib.h"

namespace tv::zip {
namespace {

TZipSignatures& Signatures() {
  static TZipSignatures signatures;
  return signatures;
}

void SplitStoredPath(const std::string& path, std::string& directory, std::string& filename) {
  size_t slash = path.rfind('\\');
  directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  filename = slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

const TZipSignatures& ZipSignatures() { return Signatures(); }

void SetZipSignatures(uint32_t central, uint32_t local, uint32_t end) {
  TZipSignatures& s = Signatures();
  s.central = central != 0 ? central : 0x02014B50;
  s.local = local != 0 ? local : 0x04034B50;
  s.end = end != 0 ? end : 0x06054B50;
  for (int i = 0; i < 4; ++i) s.localBytes[i] = static_cast<uint8_t>(s.local >> (8 * i));
  s.endFirstByte = static_cast<uint8_t>(s.end & 0xFF);
}

void TZipHeaderInfo::Clear() {
  VersionMadeBy = 45;
  VersionNeeded = 20;
  BitFlag = 0;
  CompressionMethod = 8;
  LastModFileDateTime = 0;
  CRC32 = 0xFFFFFFFF;
  CompressedSize = 0;
  UncompressedSize = 0;
  FilenameLength = 0;
  CentralExtraLength = 0;
  LocalExtraLength = 0;
  FileCommentLength = 0;
  DiskNumberStart = 0;
  InternalFileAttributes = 1;
  ExternalFileAttributes = 0x20;
  RelativeOffset = 0;
  CentralRecordPosition = 0;
  EntryFlagA = false;
  OEMConvert = oemNever;
  zip64_.reset();
  filename_.clear();
  directory_.clear();
  comment_.clear();
  unicodePath_.clear();
}

TZip64Record& TZipHeaderInfo::Zip64Info() {
  if (!zip64_) zip64_ = std::make_unique<TZip64Record>();
  return *zip64_;
}

int64_t TZipHeaderInfo::GetUncompressedSize() const {
  if (UncompressedSize == kMax32 && zip64_) return static_cast<int64_t>(zip64_->uncompressedSize);
  return UncompressedSize;
}

void TZipHeaderInfo::SetUncompressedSize(int64_t value) {
  if (value >= 0 && static_cast<uint64_t>(value) >= kMax32) {
    Zip64Info().uncompressedSize = static_cast<uint64_t>(value);
    UncompressedSize = kMax32;
  } else {
    UncompressedSize = static_cast<uint32_t>(value);
  }
}

int64_t TZipHeaderInfo::GetCompressedSize() const {
  if (CompressedSize == kMax32 && zip64_) return static_cast<int64_t>(zip64_->compressedSize);
  return CompressedSize;
}

void TZipHeaderInfo::SetCompressedSize(int64_t value) {
  if (value >= 0 && static_cast<uint64_t>(value) >= kMax32) {
    Zip64Info().compressedSize = static_cast<uint64_t>(value);
    CompressedSize = kMax32;
  } else {
    CompressedSize = static_cast<uint32_t>(value);
  }
}

int64_t TZipHeaderInfo::GetRelativeOffset() const {
  if (RelativeOffset == kMax32 && zip64_) return static_cast<int64_t>(zip64_->relativeOffset);
  return RelativeOffset;
}

void TZipHeaderInfo::SetRelativeOffset(int64_t value) {
  if (value >= 0 && static_cast<uint64_t>(value) >= kMax32) {
    Zip64Info().relativeOffset = static_cast<uint64_t>(value);
    RelativeOffset = kMax32;
  } else {
    RelativeOffset = static_cast<uint32_t>(value);
  }
}

uint32_t TZipHeaderInfo::GetDiskStart() const {
  if (DiskNumberStart == kMax16 && zip64_) return zip64_->diskStart;
  return DiskNumberStart;
}

void TZipHeaderInfo::SetDiskStart(uint32_t value) {
  if (value >= kMax16) {
    Zip64Info().diskStart = value;
    DiskNumberStart = kMax16;
  } else {
    DiskNumberStart = static_cast<uint16_t>(value);
  }
}

void TZipHeaderInfo::SetFilename(const std::string& name) {
  if (name == filename_) return;
  filename_ = name;
  unicodePath_.clear();
  FilenameLength = static_cast<uint16_t>(directory_.size() + filename_.size());
}

void TZipHeaderInfo::SetDirectory(const std::string& directory) {
  std::string value = directory;
  if (!value.empty() && value.back() != '\\') value += '\\';
  if (value == directory_) return;
  directory_ = value;
  unicodePath_.clear();
  FilenameLength = static_cast<uint16_t>(directory_.size() + filename_.size());
}

void TZipHeaderInfo::SetFileComment(const std::string& comment) {
  comment_ = comment.substr(0, comment.find('\0'));
  FileCommentLength = static_cast<uint16_t>(comment_.size());
}

uint16_t TZipHeaderInfo::Zip64DataSize(THeaderKind kind) const {
  uint16_t size = 0;
  if (UncompressedSize == kMax32) size += 8;
  if (CompressedSize == kMax32 || (kind == hkLocal && UncompressedSize == kMax32)) size += 8;
  if (RelativeOffset == kMax32) size += 8;
  if (DiskNumberStart == kMax16) size += 4;
  return size;
}

void TZipHeaderInfo::WriteZip64Extra(TStream& stream, THeaderKind kind) const {
  uint16_t size = Zip64DataSize(kind);
  TZip64Record none;
  const TZip64Record& z = zip64_ ? *zip64_ : none;
  std::string block;
  PutLE(block, 1, 2);
  PutLE(block, size, 2);
  if (UncompressedSize == kMax32) PutLE(block, z.uncompressedSize, 8);
  if (CompressedSize == kMax32)
    PutLE(block, z.compressedSize, 8);
  else if (kind == hkLocal && UncompressedSize == kMax32)
    PutLE(block, CompressedSize, 8);
  if (RelativeOffset == kMax32) PutLE(block, z.relativeOffset, 8);
  if (DiskNumberStart == kMax16) PutLE(block, z.diskStart, 4);
  stream.Write(block.data(), static_cast<int32_t>(block.size()));
}

void TZipHeaderInfo::ReadExtraField(TStream& stream, std::string* unicodeName, uint32_t nameCrc) {
  std::vector<uint8_t> extra(CentralExtraLength);
  int32_t got = stream.Read(extra.data(), CentralExtraLength);
  size_t length = got > 0 ? static_cast<size_t>(got) : 0;
  Zip64BlockLength = 0;
  size_t pos = 0;
  while (pos + 4 <= length) {
    uint16_t tag = GetLE16(&extra[pos]);
    uint16_t size = GetLE16(&extra[pos + 2]);
    if (pos + 4 + size > length) break;
    if (tag == 1) {
      Zip64BlockLength = static_cast<uint16_t>(size + 4);
      const uint8_t* data = &extra[pos + 4];
      size_t at = 0;
      auto take = [&](uint64_t& field, size_t bytes) {
        if (at + bytes > size) return;
        field = bytes == 8 ? GetLE64(data + at) : GetLE32(data + at);
        at += bytes;
      };
      uint64_t disk = 0;
      if (UncompressedSize == kMax32) take(Zip64Info().uncompressedSize, 8);
      if (CompressedSize == kMax32) take(Zip64Info().compressedSize, 8);
      if (RelativeOffset == kMax32) take(Zip64Info().relativeOffset, 8);
      if (DiskNumberStart == kMax16) {
        disk = Zip64Info().diskStart;
        take(disk, 4);
        Zip64Info().diskStart = static_cast<uint32_t>(disk);
      }
    } else if (tag == 0x7075 && unicodeName != nullptr && size >= 5 && extra[pos + 4] == 1 &&
               GetLE32(&extra[pos + 5]) == nameCrc) {
      unicodeName->assign(reinterpret_cast<const char*>(&extra[pos + 9]), size - 5);
    }
    pos += 4 + size;
  }
}

std::string TZipHeaderInfo::ReadName(const std::string& raw, bool mayConvert) const {
  std::string name = raw;
  UnixToDOSFilename(name);
  if (!mayConvert) return name;
  bool convert = OEMConvert == oemAlways ||
                 (OEMConvert == oemFlexible && (VersionMadeBy & 0x0B00) != 0x0B00);
  return convert ? Cp866ToCp1251(name) : name;
}

void TZipHeaderInfo::SetUtf8Name(const std::string& raw) {
  std::string path = raw;
  UnixToDOSFilename(path);
  std::string text = Utf8ToCp1251(path);
  SplitStoredPath(text, directory_, filename_);
  // Ill-formed UTF-8 is no name to give a file: its "?" stand-ins are.
  unicodePath_ = !IsValidUtf8(path) || Cp1251ToUtf8(text) == path ? std::string() : path;
}

void TZipHeaderInfo::SetFromCentral(const uint8_t* r, const std::string& name) {
  VersionMadeBy = GetLE16(r + 4);
  VersionNeeded = GetLE16(r + 6);
  BitFlag = GetLE16(r + 8);
  CompressionMethod = GetLE16(r + 10);
  LastModFileDateTime = FixDosDateTime(GetLE32(r + 12));
  CRC32 = GetLE32(r + 16);
  CompressedSize = GetLE32(r + 20);
  UncompressedSize = GetLE32(r + 24);
  CentralExtraLength = GetLE16(r + 30);
  FileCommentLength = GetLE16(r + 32);
  DiskNumberStart = GetLE16(r + 34);
  InternalFileAttributes = GetLE16(r + 36);
  ExternalFileAttributes = GetLE32(r + 38);
  RelativeOffset = GetLE32(r + 42);
  CentralRecordPosition = 0;
  SplitStoredPath(name, directory_, filename_);
  FilenameLength = GetLE16(r + 28);
  comment_.clear();
  EntryFlagA = false;
}

void TZipHeaderInfo::SetFromLocal(const uint8_t* h, const std::string& name) {
  VersionMadeBy = 0;
  VersionNeeded = GetLE16(h + 4);
  BitFlag = GetLE16(h + 6);
  CompressionMethod = GetLE16(h + 8);
  LastModFileDateTime = FixDosDateTime(GetLE32(h + 10));
  CRC32 = GetLE32(h + 14);
  CompressedSize = GetLE32(h + 18);
  UncompressedSize = GetLE32(h + 22);
  FilenameLength = GetLE16(h + 26);
  LocalExtraLength = GetLE16(h + 28);
  FileCommentLength = 0;
  DiskNumberStart = 0;
  InternalFileAttributes = 0;
  ExternalFileAttributes = 0;
  RelativeOffset = 0;
  CentralRecordPosition = 0;
  SplitStoredPath(name, directory_, filename_);
  comment_.clear();
  EntryFlagA = false;
}

bool TZipHeaderInfo::ReadCentralFromStream(TStream*& stream, const TPartSwitch& onPartSwitch) {
  int64_t start = stream->Position();
  uint8_t record[46];
  int32_t got = std::max(stream->Read(record, 46), 0);
  bool partial = got == 0 || (got >= 4 && got < 46 && GetLE32(record) == ZipSignatures().central);
  if (partial && onPartSwitch) {
    onPartSwitch(*this, stream);
    got += std::max(stream->Read(record + got, 46 - got), 0);
  }
  if (got != 46 || GetLE32(record) != ZipSignatures().central) {
    stream->Seek(start, soFromBeginning);
    return false;
  }
  uint16_t nameLength = GetLE16(record + 28);
  std::string raw(nameLength, '\0');
  if (nameLength > 0 && stream->Read(raw.data(), nameLength) != nameLength) {
    stream->Seek(start, soFromBeginning);
    return false;
  }
  bool utf8 = (GetLE16(record + 8) & kUtf8NameFlag) != 0;
  SetFromCentral(record, utf8 ? std::string() : ReadName(raw, record[5] == 0));
  if (utf8) SetUtf8Name(raw);
  CentralRecordPosition = start;
  ExtraSourceLength = 0;
  Zip64BlockLength = 0;
  if (CentralExtraLength > 0) {
    ExtraSourcePosition = stream->Position();
    ExtraSourceLength = CentralExtraLength;
    std::string unicodeName;
    uint32_t nameCrc = ~UpdateCRC(0xFFFFFFFF, reinterpret_cast<const uint8_t*>(raw.data()), raw.size());
    ReadExtraField(*stream, &unicodeName, nameCrc);
    if (!utf8 && !unicodeName.empty()) SetUtf8Name(unicodeName);
    stream->Seek(ExtraSourcePosition, soFromBeginning);
  }
  return true;
}

bool TZipHeaderInfo::ReadLocalFromStream(TStream& stream) {
  int64_t start = stream.Position();
  uint8_t header[30];
  if (stream.Read(header, 30) != 30 || GetLE32(header) != ZipSignatures().local) {
    stream.Seek(start, soFromBeginning);
    return false;
  }
  uint16_t nameLength = GetLE16(header + 26);
  std::string raw(nameLength, '\0');
  if (nameLength > 0 && stream.Read(raw.data(), nameLength) != nameLength) {
    stream.Seek(start, soFromBeginning);
    return false;
  }
  bool utf8 = (GetLE16(header + 6) & kUtf8NameFlag) != 0;
  SetFromLocal(header, utf8 ? std::string() : ReadName(raw, true));
  if (utf8) SetUtf8Name(raw);
  SetRelativeOffset(start);
  if (LocalExtraLength > 0) {
    int64_t extraStart = stream.Position();
    std::vector<uint8_t> extra(LocalExtraLength);
    size_t length = static_cast<size_t>(std::max(stream.Read(extra.data(), LocalExtraLength), 0));
    for (size_t pos = 0; pos + 4 <= length;) {
      uint16_t size = GetLE16(&extra[pos + 2]);
      if (pos + 4 + size > length) break;
      if (GetLE16(&extra[pos]) == 1) {
        size_t at = pos + 4;
        size_t end = at + size;
        if (UncompressedSize == kMax32 && at + 8 <= end) {
          Zip64Info().uncompressedSize = GetLE64(&extra[at]);
          at += 8;
        }
        if (CompressedSize == kMax32 && at + 8 <= end) Zip64Info().compressedSize = GetLE64(&extra[at]);
        break;
      }
      pos += 4 + size;
    }
    stream.Seek(extraStart, soFromBeginning);
  }
  return true;
}

std::string TZipHeaderInfo::StoredName() {
  std::string name = directory_ + filename_;
  DOSToUnixFilename(name);
  // An entry taken over from an archive that flags UTF-8 names keeps them.
  if ((BitFlag & kUtf8NameFlag) != 0) {
    std::string utf8 = unicodePath_.empty() ? Cp1251ToUtf8(name) : unicodePath_;
    DOSToUnixFilename(utf8);
    return utf8;
  }
  if (OEMConvert == oemAlways) return Cp1251ToCp866(name);
  if (OEMConvert == oemFlexible) {
    std::string oem = Cp1251ToCp866(name);
    if (Cp866ToCp1251(oem) == name) return oem;
    VersionMadeBy = static_cast<uint16_t>((VersionMadeBy & 0x00FF) | (11 << 8));
  }
  return name;
}

void TZipHeaderInfo::SaveLocalToStream(TStream& stream) {
  SetRelativeOffset(stream.Position());
  std::string name = StoredName();
  uint16_t z = Zip64DataSize(hkLocal);
  VersionNeeded = z > 0 ? 45 : 20;
  std::string h;
  PutLE(h, ZipSignatures().local, 4);
  PutLE(h, VersionNeeded, 2);
  PutLE(h, BitFlag, 2);
  PutLE(h, CompressionMethod, 2);
  PutLE(h, LastModFileDateTime, 4);
  PutLE(h, CRC32, 4);
  PutLE(h, UncompressedSize == kMax32 ? kMax32 : CompressedSize, 4);
  PutLE(h, UncompressedSize, 4);
  PutLE(h, FilenameLength, 2);
  PutLE(h, LocalExtraLength + (z > 0 ? z + 4 : 0), 2);
  h += name.substr(0, FilenameLength);
  stream.Write(h.data(), static_cast<int32_t>(h.size()));
  if (z > 0) WriteZip64Extra(stream, hkLocal);
}

void TZipHeaderInfo::SaveCentralToStream(TStream& stream, TStream* extraSource) {
  std::string name = StoredName();
  uint16_t z = Zip64DataSize(hkCentral);
  if (z == 0) zip64_.reset();
  VersionNeeded = z > 0 ? 45 : 20;
  // Foreign extra blocks of the entry's source survive the rewrite; a block
  // that runs past the field's end is dropped so the length stays true.
  std::string foreign;
  if (ExtraSourceLength > 0 && extraSource != nullptr) {
    std::vector<uint8_t> extra(ExtraSourceLength);
    extraSource->Seek(ExtraSourcePosition, soFromBeginning);
    size_t length =
        static_cast<size_t>(std::max(extraSource->Read(extra.data(), ExtraSourceLength), 0));
    for (size_t pos = 0; pos + 4 <= length;) {
      size_t size = GetLE16(&extra[pos + 2]);
      if (pos + 4 + size > length) break;
      if (GetLE16(&extra[pos]) != 1)
        foreign.append(reinterpret_cast<const char*>(&extra[pos]), 4 + size);
      pos += 4 + size;
    }
  }
  CentralExtraLength = static_cast<uint16_t>(foreign.size() + (z > 0 ? z + 4 : 0));
  FileCommentLength = static_cast<uint16_t>(comment_.size());
  std::string r;
  PutLE(r, ZipSignatures().central, 4);
  PutLE(r, VersionMadeBy, 2);
  PutLE(r, VersionNeeded, 2);
  PutLE(r, BitFlag, 2);
  PutLE(r, CompressionMethod, 2);
  PutLE(r, LastModFileDateTime, 4);
  PutLE(r, CRC32, 4);
  PutLE(r, CompressedSize, 4);
  PutLE(r, UncompressedSize, 4);
  PutLE(r, FilenameLength, 2);
  PutLE(r, CentralExtraLength, 2);
  PutLE(r, FileCommentLength, 2);
  PutLE(r, DiskNumberStart, 2);
  PutLE(r, InternalFileAttributes, 2);
  PutLE(r, ExternalFileAttributes, 4);
  PutLE(r, RelativeOffset, 4);
  r += name.substr(0, FilenameLength);
  r += foreign;
  stream.Write(r.data(), static_cast<int32_t>(r.size()));
  if (z > 0) WriteZip64Extra(stream, hkCentral);
  if (!comment_.empty()) stream.Write(comment_.data(), static_cast<int32_t>(comment_.size()));
}

void TZipHeaderInfo::CopyFrom(const TZipHeaderInfo& s) {
  VersionMadeBy = s.VersionMadeBy;
  VersionNeeded = s.VersionNeeded;
  BitFlag = s.BitFlag;
  CompressionMethod = s.CompressionMethod;
  LastModFileDateTime = s.LastModFileDateTime;
  CRC32 = s.CRC32;
  CompressedSize = s.CompressedSize;
  UncompressedSize = s.UncompressedSize;
  FilenameLength = s.FilenameLength;
  CentralExtraLength = s.CentralExtraLength;
  LocalExtraLength = s.LocalExtraLength;
  FileCommentLength = s.FileCommentLength;
  DiskNumberStart = s.DiskNumberStart;
  InternalFileAttributes = s.InternalFileAttributes;
  ExternalFileAttributes = s.ExternalFileAttributes;
  RelativeOffset = s.RelativeOffset;
  CentralRecordPosition = s.CentralRecordPosition;
  zip64_ = s.zip64_ ? std::make_unique<TZip64Record>(*s.zip64_) : nullptr;
  SetFilename(s.filename_);
  SetDirectory(s.directory_);
  unicodePath_ = s.unicodePath_;
  FilenameLength = s.FilenameLength;
  comment_ = s.FileCommentLength > 0 ? s.comment_ : std::string();
  EntryFlagA = s.EntryFlagA;
}

void TZipHeaderInfo::Assign(const TPersistent& source) {
  if (auto* entry = dynamic_cast<const TZipHeaderInfo*>(&source)) {
    if (entry != this) CopyFrom(*entry);
    return;
  }
  TPersistent::Assign(source);
}

void TZipHeaderInfo::AssignTo(TPersistent& target) const {
  if (auto* entry = dynamic_cast<TZipHeaderInfo*>(&target)) {
    if (entry != this) entry->CopyFrom(*this);
    return;
  }
  TPersistent::AssignTo(target);
}

}  // namespace tv::zip
