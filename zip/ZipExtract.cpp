#include "zip/ZipExtract.h"

#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/Cp1251.h"
#include "platform/Paths.h"
#include "zip/ZipBytes.h"
#include "zip/ZipMatch.h"
#include "zip/ZipMessages.h"

namespace tv::zip {
namespace {

// The stored folder as a path below the target: no drive part, no leading
// separator and no "." or ".." component can lead out of it.
std::string ContainedFolder(const std::string& folder) {
  std::string result;
  size_t pos = folder.size() >= 2 && folder[1] == ':' ? 2 : 0;
  while (pos < folder.size()) {
    size_t end = folder.find('\\', pos);
    if (end == std::string::npos) end = folder.size();
    std::string part = folder.substr(pos, end - pos);
    if (!part.empty() && part != "." && part != "..") result += part + "\\";
    pos = end + 1;
  }
  return result;
}

void SetFileTimeFromDos(const std::string& name, uint32_t dos) {
  int64_t t = DosDateTimeToUnixTime(FixDosDateTime(dos));
  struct timeval times[2] = {{static_cast<time_t>(t), 0}, {static_cast<time_t>(t), 0}};
  ::utimes(MapPath(name).c_str(), times);
}

// The read-only attribute of an entry: the DOS attribute byte, or, for an
// entry made on Unix, the owner's write permission of its mode.
bool ReadOnlyOf(const TZipHeaderInfo& entry) {
  uint32_t mode = entry.ExternalFileAttributes >> 16;
  if ((entry.VersionMadeBy >> 8) == 3 && mode != 0) return (mode & 0200) == 0;
  return (entry.ExternalFileAttributes & faReadOnly) != 0;
}

}  // namespace

int32_t TZipReader::UnZipFiles(TStream*& stream) {
  TUnzipContext context(*this, stream);
  return context.UnZipFiles();
}

TUnzipContext::TUnzipContext(TZipReader& reader, TStream*& archive)
    : reader_(reader), archive_(archive) {}

int32_t TUnzipContext::UnZipFiles() {
  TZipReader& r = reader_;
  bool oldReading = r.SetReadingFlag(true);
  r.CancelOperation = false;
  bool keepOpen = r.KeepZipOpen;
  r.KeepZipOpen = true;
  TZipSortMode oldSort = r.SortMode;
  bool sortChanged = false;
  try {
    work_.assign(32780, 0);
    in_.assign(kChunk + 1, 0);
    out_.assign(kChunk + 1, 0);
    if (!r.destDir_.empty() && !DirExists(r.destDir_)) CreateDirectories(r.destDir_);
    if (r.end_.ThisDisk != 0 && r.SortMode != ByNone) {
      r.SetSortMode(ByNone);
      sortChanged = true;
    }
    r.totalToDo_ = 0;
    r.totalDone_ = 0;
    Select();
    bool stop = false;
    if (r.OnStartUnZipInfo) r.OnStartUnZipInfo(r, filesToDo_, r.totalToDo_, stop);
    if (filesToDo_ > 0 && !stop) {
      for (int32_t i = 0; i < r.Count(); ++i) {
        if (!r.sorted_->Entry(i)->EntryFlagA) continue;
        do UnZipFile(i);
        while (retry_);
      }
    }
  } catch (...) {
    r.FilesList.clear();
    if (sortChanged) r.SetSortMode(oldSort);
    if (r.OnUnZipComplete) r.OnUnZipComplete(r, filesDone_);
    r.KeepZipOpen = keepOpen;
    r.SetReadingFlag(oldReading);
    throw;
  }
  r.FilesList.clear();
  if (sortChanged) r.SetSortMode(oldSort);
  if (r.OnUnZipComplete) r.OnUnZipComplete(r, filesDone_);
  r.KeepZipOpen = keepOpen;
  r.SetReadingFlag(oldReading);
  return filesDone_;
}

void TUnzipContext::Select() {
  TZipReader& r = reader_;
  filesToDo_ = r.Count();
  std::vector<std::string> patterns;
  for (const std::string& line : r.FilesList) patterns.push_back(AnsiLowerCase(line));
  for (int32_t i = 0; i < r.Count(); ++i) {
    r.PumpMessages();
    TZipHeaderInfo& entry = *r.sorted_->Entry(i);
    entry.EntryFlagA = r.DoAll;
    if (entry.Filename().empty() && !r.RecreateDirs) {
      entry.EntryFlagA = false;
      --filesToDo_;
      continue;
    }
    if (!r.DoAll) {
      std::string name = AnsiLowerCase(entry.FullPath());
      entry.EntryFlagA = std::any_of(patterns.begin(), patterns.end(),
                                     [&](const std::string& p) { return IsMatch(p, name); });
      if (!entry.EntryFlagA) {
        --filesToDo_;
        continue;
      }
    }
    r.totalToDo_ += entry.GetUncompressedSize();
  }
}

std::string TUnzipContext::GetOutputFileName() const {
  const TZipReader& r = reader_;
  const TZipHeaderInfo& entry = *r.scratch_;
  // Everything goes below DestDir, or below the current folder without one.
  std::string base = r.destDir_.empty() ? std::string(".") : r.destDir_;
  if (r.RecreateDirs && !entry.Directory().empty())
    return base + "\\" + ContainedFolder(r.RemoveRelativePath(entry.Directory()));
  return base + "\\";
}

void TUnzipContext::Skip(TSkipReason reason, const std::string& name, int32_t index) {
  TZipReader& r = reader_;
  if (r.OnSkippingFile) r.OnSkippingFile(r, reason, name, index, skipRetry_);
  r.totalToDo_ -= r.scratch_->GetUncompressedSize();
  --filesToDo_;
}

void TUnzipContext::UnZipFile(int32_t index) {
  TZipReader& r = reader_;
  retry_ = false;
  TZipHeaderInfo& entry = *r.scratch_;
  entry.Assign(*r.sorted_->Entry(index));
  encrypted_ = entry.IsEncrypted();
  if (!entry.Filename().empty()) {
    if (r.end_.ThisDisk != 0 && static_cast<int32_t>(entry.GetDiskStart()) != r.currentDisk_)
      archive_ = r.DoSwitchDisk(static_cast<int32_t>(entry.GetDiskStart()) + 1);
    uint8_t local[30] = {};
    archive_->Seek(entry.GetRelativeOffset(), soFromBeginning);
    archive_->Read(local, 30);
    localNameLength_ = GetLE16(local + 26);
    localExtraLength_ = GetLE16(local + 28);
    archive_->Seek(localNameLength_ + localExtraLength_, soFromCurrent);
  }
  std::string folder = GetOutputFileName();
  if (entry.Filename().empty()) {
    if (r.RecreateDirs && !DirExists(folder)) CreateDirectories(folder);
    ++filesDone_;
    return;
  }
  std::string name = folder + entry.Filename();
  if (entry.Filename() == "." || entry.Filename() == "..") {
    Skip(srCreateError, entry.FullPath(), index);
    return;
  }
  bool skip = false;
  if (r.OnStartUnZip) r.OnStartUnZip(r, index, name, skip);
  if (skip) return;
  std::string nameFolder = ExtractFilePath(name);
  if (!nameFolder.empty() && !DirExists(nameFolder)) CreateDirectories(nameFolder);
  toRead_ = entry.GetCompressedSize();
  if (encrypted_ && !CheckPassword(index)) return;
  compressedLeft_ = toRead_;
  uncompressedSize_ = entry.GetUncompressedSize();
  if (r.OverwriteMode != Always && FileExistsEx(name) && !DecideOverwrite(index, name)) {
    Skip(srNoOverwrite, name, index);
    return;
  }
  if (!CreateOutput(index, name)) return;
  bool decoded = DecodeData(name);
  FinishEntry(index, name, decoded);
}

bool TUnzipContext::CheckPassword(int32_t index) {
  TZipReader& r = reader_;
  const TZipHeaderInfo& entry = *r.scratch_;
  uint8_t expected = entry.HasDataDescriptor()
                         ? static_cast<uint8_t>((entry.LastModFileDateTime >> 8) & 0xFF)
                         : static_cast<uint8_t>(entry.CRC32 >> 24);
  for (;;) {
    uint8_t header[12] = {};
    archive_->Read(header, 12);
    toRead_ -= 12;
    if (r.keys_.DecryptHeader(r.Password, header) == expected) return true;
    std::string offered = r.Password;
    if (r.OnBadPassword) r.OnBadPassword(r, index, offered);
    if (!r.OnBadPassword || offered == r.Password) {
      Skip(srBadPassword, entry.FullPath(), index);
      return false;
    }
    r.Password = offered;
    archive_->Seek(-12, soFromCurrent);
    toRead_ += 12;
  }
}

bool TUnzipContext::DecideOverwrite(int32_t index, std::string& name) {
  TZipReader& r = reader_;
  const TZipHeaderInfo& entry = *r.scratch_;
  switch (r.OverwriteMode) {
    case Prompt: {
      bool overwrite = false;
      if (r.OnPromptForOverwrite) {
        r.OnPromptForOverwrite(r, overwrite, index, name);
        return overwrite;
      }
      std::string text = (LoadZipStr(kMsgReplaceFile) + entry.Filename() + "?").substr(0, 300);
      return r.DoHandleMessage(kMsgFileExists, text, LoadZipStr(kMsgFileExists), kMbYesNo) ==
             kIdYes;
    }
    case ifNewer:
    case ifOlder: {
      TDateTime stored = 0;
      TryDosDateTimeToDateTime(FixDosDateTime(entry.LastModFileDateTime), stored);
      TDateTime existing = GetFileDateTime(name);
      return r.OverwriteMode == ifNewer ? stored > existing : stored < existing;
    }
    default:
      return false;
  }
}

bool TUnzipContext::CreateOutput(int32_t index, const std::string& name) {
  TZipReader& r = reader_;
  for (int attempt = 0;; ++attempt) {
    try {
      output_ = std::make_unique<TLFNFileStream>(name, fmCreate, r.FlushFilesOnClose,
                                                 r.fileBufferSize_);
      output_->SetSize(uncompressedSize_);
      output_->Seek(0, soFromBeginning);
      return true;
    } catch (const EFCreateError&) {
      output_.reset();
      int32_t attr = FileGetAttr(name);
      if (r.ReplaceReadOnly && attempt == 0 && attr >= 0 && (attr & faReadOnly) != 0) {
        FileSetAttr(name, attr & ~faReadOnly);
        continue;
      }
    } catch (const Exception&) {
      output_.reset();
      ::unlink(MapPath(name).c_str());
    }
    Skip(srCreateError, name, index);
    return false;
  }
}

bool TUnzipContext::DecodeData(const std::string& name) {
  TZipReader& r = reader_;
  const TZipHeaderInfo& entry = *r.scratch_;
  bitBuffer_ = 0;
  bitCount_ = 0;
  endOfInput_ = 0;
  inCount_ = 0;
  inPos_ = 0;
  outCount_ = 0;
  bytesWritten_ = 0;
  r.crc_ = 0xFFFFFFFF;
  archive_->Seek(entry.GetRelativeOffset() + 30 + localNameLength_ + localExtraLength_ +
                     (encrypted_ ? 12 : 0),
                 soFromBeginning);
  bool decoded = true;
  try {
    switch (entry.CompressionMethod) {
      case 0:
        CopyStored();
        break;
      case 1:
        UnShrink();
        break;
      case 2:
      case 3:
      case 4:
      case 5:
        UnReduce();
        break;
      case 6:
        Explode();
        break;
      case 8:
        InflateFile();
        break;
      default:
        r.DoHandleMessage(kMsgUnknownMethod, LoadZipStr(kMsgUnknownMethod),
                          LoadZipStr(kMsgZipError), kMbOk);
        decoded = false;
        break;
    }
  } catch (const EBiggerThanUncompressed&) {
    decoded = false;
  } catch (...) {
    // The entry is broken off: its file must not stay behind looking whole.
    CloseOutput(false);
    ::unlink(MapPath(name).c_str());
    throw;
  }
  CloseOutput(true);
  if (decoded) {
    SetFileTimeFromDos(name, entry.LastModFileDateTime);
    if (r.RetainAttributes) {
      int32_t attr = FileGetAttr(name);
      if (attr >= 0) FileSetAttr(name, (attr & ~faReadOnly) | (ReadOnlyOf(entry) ? faReadOnly : 0));
    }
  }
  return decoded;
}

void TUnzipContext::CloseOutput(bool keep) {
  if (!output_) return;
  bool failed = false;
  if (keep && output_->BufferMode() == TS_BufferStream::bmWriting) failed = !output_->FlushBuffer();
  failed = failed || output_->FlushFailed();
  output_.reset();
  if (failed && keep) throw ECantWriteUCF(LoadZipStr(kMsgCantWriteUcf));
}

void TUnzipContext::FinishEntry(int32_t index, const std::string& name, bool decoded) {
  TZipReader& r = reader_;
  const TZipHeaderInfo& entry = *r.scratch_;
  uint32_t crc = ~r.crc_;
  (void)decoded;
  if (crc == entry.CRC32) {
    if (r.OnEndUnZip) r.OnEndUnZip(r, index, name);
    ++filesDone_;
    return;
  }
  if (encrypted_) {
    std::string offered = r.Password;
    if (r.OnBadPassword) {
      r.OnBadPassword(r, index, offered);
      if (offered != r.Password) {
        r.Password = offered;
        retry_ = true;
      }
    }
    if (!retry_ && r.OnSkippingFile)
      r.OnSkippingFile(r, srBadPassword, entry.FullPath(), index, skipRetry_);
  } else if (r.OnBadCRC) {
    r.OnBadCRC(r, static_cast<int32_t>(crc), static_cast<int32_t>(entry.CRC32), index);
  }
  ::unlink(MapPath(name).c_str());
  if (!retry_) --filesToDo_;
}

void TUnzipContext::ChunkRead(uint8_t* buffer, int32_t count) {
  TZipReader& r = reader_;
  int32_t got = std::max(archive_->Read(buffer, count), 0);
  while (got < count) {
    if (r.end_.ThisDisk == 0 || r.currentDisk_ + 1 >= r.NumDisks)
      throw EFatalUnzipError(LoadZipStr(kMsgPrematureEnd));
    archive_ = r.DoSwitchDisk(r.currentDisk_ + 2);
    if (archive_ == nullptr) throw EUserCanceled(LoadZipStr(kMsgUserAborted));
    got += std::max(archive_->Read(buffer + got, count - got), 0);
  }
}

void TUnzipContext::Refill() {
  TZipReader& r = reader_;
  r.PumpMessages();
  int32_t n = static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(toRead_, 0), kChunk));
  toRead_ -= n;
  ChunkRead(in_.data(), n);
  inCount_ = n;
  inPos_ = 0;
  if (encrypted_ && n > 0) {
    if (r.OnDecrypt)
      r.OnDecrypt(r, in_.data(), n, r.Password);
    else
      r.keys_.DecryptBuffer(in_.data(), static_cast<size_t>(n));
  }
}

int TUnzipContext::ReadInput(uint16_t& byte) {
  if (compressedLeft_ <= 0) {
    --compressedLeft_;
    return 0;
  }
  --compressedLeft_;
  if (inCount_ == 0) Refill();
  if (inCount_ == 0) return 0;
  byte = in_[static_cast<size_t>(inPos_++)];
  --inCount_;
  return 8;
}

void TUnzipContext::FlushOutput() {
  if (outCount_ == 0) return;
  TZipReader& r = reader_;
  const TZipHeaderInfo& entry = *r.scratch_;
  if (encrypted_ && !r.Password.empty() && entry.CompressionMethod == 0)
    r.keys_.DecryptBuffer(out_.data(), static_cast<size_t>(outCount_));
  if (bytesWritten_ + outCount_ > uncompressedSize_)
    throw EBiggerThanUncompressed(LoadZipStr(kMsgBiggerThanUncompressed));
  if (output_->Write(out_.data(), outCount_) != outCount_ || output_->FlushFailed())
    throw ECantWriteUCF(LoadZipStr(kMsgCantWriteUcf));
  r.crc_ = UpdateCRC(r.crc_, out_.data(), static_cast<size_t>(outCount_));
  bytesWritten_ += outCount_;
  if (r.OnFilePercentDone) r.OnFilePercentDone(r, Percentage64(uncompressedSize_, bytesWritten_));
  r.totalDone_ += outCount_;
  if (r.OnTotalPercentDone)
    r.OnTotalPercentDone(r, Percentage64(r.totalToDo_, r.totalDone_));
  outCount_ = 0;
}

void TUnzipContext::CopyStored() {
  while (toRead_ > 0) {
    reader_.PumpMessages();
    int32_t n = static_cast<int32_t>(std::min<int64_t>(toRead_, kChunk));
    toRead_ -= n;
    ChunkRead(out_.data(), n);
    outCount_ = n;
    FlushOutput();
  }
}

uint32_t TUnzipContext::GetBits(int n) {
  if (static_cast<uint32_t>(n) > bitCount_) {
    endOfInput_ = -1;
    uint16_t byte = 0;
    while (bitCount_ < 25 && ReadInput(byte) != 0) {
      bitBuffer_ |= static_cast<uint32_t>(byte) << bitCount_;
      bitCount_ += 8;
      endOfInput_ = 0;
    }
  }
  uint32_t value = bitBuffer_ & ((1u << n) - 1);
  bitBuffer_ >>= n;
  bitCount_ = bitCount_ >= static_cast<uint32_t>(n) ? bitCount_ - n : 0;
  return value;
}

}  // namespace tv::zip
