#include "zip/ZipExtract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "platform/os/SignalKept.h"
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

// An output file that outgrows what the system allows a process: the
// entry fails, the run goes on.
struct TEntryTooLarge {};

bool IsFile(const std::string& native) {
  struct stat st {};
  return ::stat(native.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

TDateTime NativeFileDateTime(const std::string& native) {
  struct stat st {};
  uint32_t dos = ::stat(native.c_str(), &st) == 0
                     ? UnixTimeToDosDateTime(static_cast<int64_t>(st.st_mtime))
                     : 0xFFFFFFFF;
  TDateTime result = 0;
  return TryDosDateTimeToDateTime(FixDosDateTime(dos), result) ? result : NowDateTime();
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
    : reader_(reader), archive_(archive), user_(::geteuid()) {}

int32_t TUnzipContext::UnZipFiles() {
  TZipReader& r = reader_;
  bool oldReading = r.SetReadingFlag(true);
  r.CancelOperation = false;
  bool keepOpen = r.KeepZipOpen;
  r.KeepZipOpen = true;
  TZipSortMode oldSort = r.SortMode;
  bool sortChanged = false;
  // Writing past the file-size limit fails the write with EFBIG instead of
  // ending the process, for the length of one run.
  const TSignalKept fileSizeSignal(SIGXFSZ);
  fileSizeSignal.Ignore();
  try {
    work_.assign(32780, 0);
    in_.assign(kChunk + 1, 0);
    out_.assign(kChunk + 1, 0);
    auto* file = dynamic_cast<TLFNFileStream*>(archive_);
    archiveHandle_ = r.end_.ThisDisk == 0 && file != nullptr ? file->GetHandle() : -1;
    CheckOverlaps();
    if (!r.destDir_.empty() && !DirExists(r.destDir_)) CreateDirectories(r.destDir_);
    paths_ = std::make_unique<TOutputPaths>(r.destDir_);
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
    // A folder entry has nothing to make in one folder; an entry without
    // any name stays chosen, to be skipped with its event.
    if (entry.Filename().empty() && !entry.Directory().empty() && !r.RecreateDirs) {
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

void TUnzipContext::CheckOverlaps() {
  // Entries whose bytes (local header, name, extra field and data) share
  // part of the archive would multiply its data on extraction: such an
  // archive is refused as a whole before anything is written.
  TZipReader& r = reader_;
  struct Span {
    uint32_t disk;
    int64_t start;
    int64_t end;
    const TZipHeaderInfo* entry;
    uint32_t lengths;  // of the local name and extra field
    bool read;         // lengths read from the local header
  };
  std::vector<Span> spans;
  int32_t count = r.entries_ ? r.entries_->Count() : 0;
  spans.reserve(static_cast<size_t>(count));
  // The headers come in archive order: one read serves all that lie in
  // the same few kilobytes.
  std::vector<uint8_t> block(4096);
  int64_t blockStart = 0;
  int64_t blockEnd = 0;
  for (int32_t i = 0; i < count; ++i) {
    const TZipHeaderInfo* entry = r.entries_->Entry(i);
    int64_t start = entry->GetRelativeOffset();
    int64_t header = 30 + entry->FilenameLength;
    uint32_t lengths = 0;
    bool read = false;
    if (archiveHandle_ >= 0) {
      if (start < blockStart || start + 30 > blockEnd) {
        SeekArchive(start);
        blockStart = start;
        blockEnd = start + ReadArchive(block.data(), static_cast<int32_t>(block.size()));
      }
      if (start + 30 <= blockEnd) {
        const uint8_t* local = block.data() + (start - blockStart);
        lengths = GetLE16(local + 26) | (static_cast<uint32_t>(GetLE16(local + 28)) << 16);
        read = true;
        header = 30 + GetLE16(local + 26) + GetLE16(local + 28);
      }
    }
    int64_t end = 0;
    if (__builtin_add_overflow(start, header + std::max<int64_t>(entry->GetCompressedSize(), 0), &end))
      end = INT64_MAX;
    spans.push_back({entry->GetDiskStart(), start, end, entry, lengths, read});
  }
  // Archives mostly list their entries in the order they are stored.
  const auto before = [](const Span& a, const Span& b) {
    return a.disk != b.disk ? a.disk < b.disk : a.start < b.start;
  };
  if (!std::is_sorted(spans.begin(), spans.end(), before)) std::sort(spans.begin(), spans.end(), before);
  const Span* reach = nullptr;  // the span reaching furthest on its disk so far
  for (const Span& span : spans) {
    if (reach != nullptr && span.disk == reach->disk && span.start < reach->end)
      throw EBadZipFile("entry \"" + span.entry->FullPath() + "\" at offset " +
                        std::to_string(span.start) + " lies inside entry \"" +
                        reach->entry->FullPath() + "\" at offset " + std::to_string(reach->start) +
                        " -> " + LoadZipStr(kMsgNotAZipFile));
    if (reach == nullptr || span.disk != reach->disk || span.end > reach->end) reach = &span;
  }
  localLengths_.clear();
  localLengthIndex_.clear();
  localNext_ = 0;
  for (const Span& span : spans)
    if (span.read) localLengths_.emplace_back(span.entry, span.lengths);
}

bool TUnzipContext::KnownLocalLengths(const TZipHeaderInfo& listed, uint32_t& lengths) {
  // Folder entries, which have no data to locate, may come between.
  for (std::size_t i = localNext_; i < std::min(localNext_ + 8, localLengths_.size()); ++i) {
    if (localLengths_[i].first == &listed) {
      lengths = localLengths_[i].second;
      localNext_ = i + 1;
      return true;
    }
  }
  if (localLengthIndex_.empty())
    localLengthIndex_.insert(localLengths_.begin(), localLengths_.end());
  const auto known = localLengthIndex_.find(&listed);
  if (known == localLengthIndex_.end()) return false;
  lengths = known->second;
  return true;
}

void TUnzipContext::LocateData(const TZipHeaderInfo& listed) {
  TZipReader& r = reader_;
  const TZipHeaderInfo& entry = *r.scratch_;
  if (r.end_.ThisDisk != 0 && static_cast<int32_t>(entry.GetDiskStart()) != r.currentDisk_)
    archive_ = r.DoSwitchDisk(static_cast<int32_t>(entry.GetDiskStart()) + 1);
  if (uint32_t known = 0; KnownLocalLengths(listed, known)) {
    localNameLength_ = static_cast<uint16_t>(known & 0xFFFF);
    localExtraLength_ = static_cast<uint16_t>(known >> 16);
  } else {
    uint8_t local[30] = {};
    SeekArchive(entry.GetRelativeOffset());
    ReadArchive(local, 30);
    localNameLength_ = GetLE16(local + 26);
    localExtraLength_ = GetLE16(local + 28);
  }
  SeekArchive(entry.GetRelativeOffset() + 30 + localNameLength_ + localExtraLength_);
}

void TUnzipContext::UnZipFile(int32_t index) {
  TZipReader& r = reader_;
  retry_ = false;
  TZipHeaderInfo& entry = *r.scratch_;
  const TZipHeaderInfo& listed = *r.sorted_->Entry(index);
  entry.Assign(listed);
  encrypted_ = entry.IsEncrypted();
  // The system would cut a name at its NUL and make another file or folder
  // than the one stored; an entry without a name, or named "." or "..", is
  // no file at all. Such entries are skipped with an event that shows the
  // NUL as "?".
  if ((entry.Directory().empty() && entry.Filename().empty()) || entry.Filename() == "." ||
      entry.Filename() == ".." || entry.Directory().find('\0') != std::string::npos ||
      entry.Filename().find('\0') != std::string::npos) {
    std::string path = entry.FullPath();
    std::replace(path.begin(), path.end(), '\0', '?');
    Skip(srCreateError, path, index);
    return;
  }
  if (!entry.Filename().empty()) LocateData(listed);
  std::string folder = GetOutputFileName();
  if (entry.Filename().empty()) {
    bool exists = false;
    if (r.RecreateDirs)
      paths_->Prepare(TOutputPaths::Relative(entry, true, entry.Directory().size() -
                                                            r.RemoveRelativePath(entry.Directory()).size()),
                      outputPath_, exists);
    ++filesDone_;
    return;
  }
  std::string name = folder + entry.Filename();
  if (!PrepareOutput(index, name)) return;
  toRead_ = entry.GetCompressedSize();
  if (encrypted_ && !CheckPassword(index)) return;
  compressedLeft_ = toRead_;
  uncompressedSize_ = entry.GetUncompressedSize();
  if (!CreateOutput(index, name)) return;
  bool decoded = false;
  if (DecodeData(index, name, decoded)) FinishEntry(index, name, decoded);
}

bool TUnzipContext::PrepareOutput(int32_t index, std::string& name) {
  TZipReader& r = reader_;
  const TZipHeaderInfo& entry = *r.scratch_;
  const std::string proposed = name;
  bool skip = false;
  if (r.OnStartUnZip) r.OnStartUnZip(r, index, name, skip);
  if (skip) return false;
  bool withFolder = r.RecreateDirs && !entry.Directory().empty();
  size_t cut = withFolder ? entry.Directory().size() - r.RemoveRelativePath(entry.Directory()).size() : 0;
  bool exists = false;
  bool ready = name == proposed
                   ? paths_->Prepare(TOutputPaths::Relative(entry, withFolder, cut), outputPath_, exists)
                   : paths_->PrepareChosen(name, outputPath_, exists);
  if (!ready) {
    // No folder for it, or a path longer than the system takes.
    Skip(srCreateError, name, index);
    return false;
  }
  outputExisted_ = exists;
  return true;
}

bool TUnzipContext::CheckPassword(int32_t index) {
  TZipReader& r = reader_;
  const TZipHeaderInfo& entry = *r.scratch_;
  uint8_t expected = entry.HasDataDescriptor()
                         ? static_cast<uint8_t>((entry.LastModFileDateTime >> 8) & 0xFF)
                         : static_cast<uint8_t>(entry.CRC32 >> 24);
  for (;;) {
    uint8_t header[12] = {};
    ReadArchive(header, 12);
    toRead_ -= 12;
    if (r.keys_.DecryptHeader(r.Password, header) == expected) return true;
    std::string offered = r.Password;
    if (r.OnBadPassword) r.OnBadPassword(r, index, offered);
    if (!r.OnBadPassword || offered == r.Password) {
      Skip(srBadPassword, entry.FullPath(), index);
      return false;
    }
    r.Password = offered;
    SeekArchive(ArchivePosition() - 12);
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
      TDateTime existing = NativeFileDateTime(outputPath_);
      return r.OverwriteMode == ifNewer ? stored > existing : stored < existing;
    }
    default:
      return false;
  }
}

bool TUnzipContext::CreateOutput(int32_t index, const std::string& name) {
  TZipReader& r = reader_;
  // A file this run wrote already is never replaced: two entries whose
  // names land on one file are reported, not merged.
  if (paths_->WrittenBefore(outputPath_)) {
    Skip(srNoOverwrite, name, index);
    return false;
  }
  if (r.OverwriteMode != Always && outputExisted_ && IsFile(outputPath_)) {
    std::string chosen = name;
    if (!DecideOverwrite(index, chosen)) {
      Skip(srNoOverwrite, chosen, index);
      return false;
    }
    if (chosen != name) {
      if (!paths_->PrepareChosen(chosen, outputPath_, outputExisted_) ||
          paths_->WrittenBefore(outputPath_)) {
        Skip(outputExisted_ ? srNoOverwrite : srCreateError, chosen, index);
        return false;
      }
    }
  }
  keptMode_ = 0;
  if (outputExisted_ && !RemoveReplaced(keptMode_)) {
    Skip(srCreateError, name, index);
    return false;
  }
  // Written as decoded, never sized ahead: a declared size is no promise.
  output_ = ::open(outputPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                   keptMode_ != 0 ? keptMode_ : 0644);
  if (output_ < 0) {
    Skip(srCreateError, name, index);
    return false;
  }
  if (!outputExisted_) paths_->Created(outputPath_);
  return true;
}

bool TUnzipContext::RemoveReplaced(mode_t& keptMode) {
  // A file that an entry replaces is removed and made anew, as unzip does:
  // rewriting it in place would make the file system flush it at close
  // (and would write through a link or into every hard link of it). The
  // new file keeps the old one's permissions.
  struct stat st {};
  if (::lstat(outputPath_.c_str(), &st) != 0) return true;  // gone meanwhile
  if (S_ISDIR(st.st_mode)) return false;
  if (S_ISREG(st.st_mode)) {
    keptMode = st.st_mode & 0777;  // never a set-id bit on new content
    // Only a file without write permission, or someone else's, may be one
    // the run could not have rewritten.
    const bool writable = st.st_uid == user_ && (st.st_mode & S_IWUSR) != 0;
    if (!writable && ::access(outputPath_.c_str(), W_OK) != 0) {
      // A read-only file is replaced only when the reader is told to.
      if (errno != EACCES || !reader_.ReplaceReadOnly || (st.st_mode & 0222) != 0) return false;
      keptMode |= S_IWUSR;
    }
  }
  return ::unlink(outputPath_.c_str()) == 0 || errno == ENOENT;
}

bool TUnzipContext::DecodeData(int32_t index, const std::string& name, bool& decoded) {
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
  SeekArchive(entry.GetRelativeOffset() + 30 + localNameLength_ + localExtraLength_ +
              (encrypted_ ? 12 : 0));
  decoded = true;
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
  } catch (const TEntryTooLarge&) {
    DiscardOutput();
    Skip(srCreateError, name, index);
    return false;
  } catch (...) {
    // The entry is broken off: its file must not stay behind looking whole.
    DiscardOutput();
    throw;
  }
  CloseOutput(decoded);
  return true;
}

void TUnzipContext::CloseOutput(bool stamp) {
  if (output_ < 0) return;
  const TZipHeaderInfo& entry = *reader_.scratch_;
  if (stamp) {
    // The local-time conversion reads the zone file each time: once per
    // distinct date-time is enough.
    uint32_t dos = FixDosDateTime(entry.LastModFileDateTime);
    auto known = fileTimes_.find(dos);
    if (known == fileTimes_.end())
      known = fileTimes_.emplace(dos, DosDateTimeToUnixTime(dos)).first;
    auto t = static_cast<time_t>(known->second);
    struct timespec times[2] = {{t, 0}, {t, 0}};
    ::futimens(output_, times);
    const bool retain = reader_.RetainAttributes;
    const bool readOnly = ReadOnlyOf(entry);
    struct stat st {};
    // A new file is writable as made; only a read-only entry or one that
    // takes over a replaced file's permissions (which the umask may have
    // narrowed) may need its mode changed.
    if (((retain && readOnly) || keptMode_ != 0) && ::fstat(output_, &st) == 0) {
      const mode_t mode = st.st_mode & 07777;
      mode_t wanted = keptMode_ != 0 ? keptMode_ : mode;
      if (retain) wanted = readOnly ? wanted & ~(S_IWUSR | S_IWGRP | S_IWOTH) : wanted | S_IWUSR;
      if (wanted != mode) ::fchmod(output_, wanted);
    }
  }
  int closed = ::close(output_);
  output_ = -1;
  if (closed != 0 && errno != EINTR) throw ECantWriteUCF(LoadZipStr(kMsgCantWriteUcf));
}

void TUnzipContext::DiscardOutput() {
  if (output_ >= 0) ::close(output_);
  output_ = -1;
  ::unlink(outputPath_.c_str());
}

void TUnzipContext::FinishEntry(int32_t index, const std::string& name, bool decoded) {
  TZipReader& r = reader_;
  const TZipHeaderInfo& entry = *r.scratch_;
  uint32_t crc = ~r.crc_;
  (void)decoded;
  if (crc == entry.CRC32) {
    paths_->Written(outputPath_);
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
  ::unlink(outputPath_.c_str());
  if (!retry_) --filesToDo_;
}

void TUnzipContext::SeekArchive(int64_t position) {
  if (archiveHandle_ >= 0)
    readPosition_ = position;
  else
    archive_->Seek(position, soFromBeginning);
}

int64_t TUnzipContext::ArchivePosition() const {
  return archiveHandle_ >= 0 ? readPosition_ : archive_->Position();
}

int32_t TUnzipContext::ReadArchive(uint8_t* buffer, int32_t count) {
  if (archiveHandle_ < 0) return std::max(archive_->Read(buffer, count), 0);
  constexpr int32_t kWindow = 65536;
  if (count <= kWindow / 4) {
    const int64_t windowEnd = windowStart_ + static_cast<int64_t>(window_.size());
    if (readPosition_ < windowStart_ || readPosition_ + count > windowEnd) {
      window_.resize(kWindow);
      size_t got = 0;
      while (got < window_.size()) {
        ssize_t n = ::pread(archiveHandle_, window_.data() + got, window_.size() - got,
                            static_cast<off_t>(readPosition_ + static_cast<int64_t>(got)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
      }
      window_.resize(got);
      windowStart_ = readPosition_;
    }
    const int64_t available = windowStart_ + static_cast<int64_t>(window_.size()) - readPosition_;
    const auto n = static_cast<int32_t>(std::min<int64_t>(count, std::max<int64_t>(available, 0)));
    std::memcpy(buffer, window_.data() + (readPosition_ - windowStart_), static_cast<size_t>(n));
    readPosition_ += n;
    return n;
  }
  int32_t done = 0;
  while (done < count) {
    ssize_t n = ::pread(archiveHandle_, buffer + done, static_cast<size_t>(count - done),
                        static_cast<off_t>(readPosition_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
    readPosition_ += n;
  }
  return done;
}

void TUnzipContext::ChunkRead(uint8_t* buffer, int32_t count) {
  TZipReader& r = reader_;
  int32_t got = ReadArchive(buffer, count);
  while (got < count) {
    if (r.end_.ThisDisk == 0 || r.currentDisk_ + 1 >= r.NumDisks)
      throw EFatalUnzipError(LoadZipStr(kMsgPrematureEnd));
    archive_ = r.DoSwitchDisk(r.currentDisk_ + 2);
    if (archive_ == nullptr) throw EUserCanceled(LoadZipStr(kMsgUserAborted));
    got += ReadArchive(buffer + got, count - got);
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
  const uint8_t* data = out_.data();
  for (size_t left = static_cast<size_t>(outCount_); left > 0;) {
    ssize_t n = ::write(output_, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EFBIG) throw TEntryTooLarge{};
    if (n <= 0) throw ECantWriteUCF(LoadZipStr(kMsgCantWriteUcf));
    data += n;
    left -= static_cast<size_t>(n);
  }
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
