// Opening an archive and reading its directory: the end record, the
// central records (across the parts of a set), the ".zfc" copy of a set's
// directory, and the rebuilding of a directory from local headers.

#include <sys/stat.h>

#include <cstdio>

#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "zip/ZipMatch.h"
#include "zip/ZipMessages.h"
#include "zip/ZipReader.h"

namespace tv::zip {
namespace {

// Attempts of ReadZip after the incomplete-archive event; a handler that
// changes nothing must not keep the reader in a loop.
constexpr int kMaxIncompleteRetries = 16;

double FileStamp(const std::string& name) {
  struct stat st {};
  if (::stat(MapPath(name).c_str(), &st) != 0) return 0;
  return static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9;
}

bool NeedsZip64(const TEndCentral& end) {
  return end.ThisDisk == kMax16 || end.StartCentralDisk == kMax16 ||
         end.EntriesThisDisk == kMax16 || end.TotalEntries == kMax16 ||
         end.CentralDirSize == kMax32 || end.CentralOffset == kMax32;
}

}  // namespace

void TZipReader::OpenArchiveStream(const std::string& name, uint16_t mode, bool flush) {
  stream_.reset();
  stream_ = std::make_unique<TLFNFileStream>(name, mode, flush, 8192);
}

void TZipReader::ReadZip() {
  CancelOperation = false;
  bool oldOperation = SetOperationFlag(true);
  bool oldReading = SetReadingFlag(true);
  try {
    for (int attempt = 0;; ++attempt) {
      try {
        OpenZip();
        break;
      } catch (const EIncompleteZip&) {
        bool keep = KeepZipOpen;
        KeepZipOpen = false;
        CloseZip();
        KeepZipOpen = keep;
        if (!OnInCompleteZip || attempt + 1 >= kMaxIncompleteRetries) break;
      } catch (...) {
        ClearZip();
        throw;
      }
    }
  } catch (...) {
    CloseZip();
    SetOperationFlag(oldOperation);
    SetReadingFlag(oldReading);
    throw;
  }
  CloseZip();
  SetOperationFlag(oldOperation);
  SetReadingFlag(oldReading);
}

void TZipReader::OpenZip() {
  if (!stream_) OpenArchiveStream(zipName_, fmOpenRead | fmShareDenyWrite, FlushFilesOnClose);
  if (!entries_ || FileStamp(zipName_) != zipFileDate_) {
    TStream* stream = stream_.get();
    GetFileInfo(stream);
  }
}

void TZipReader::CloseZip() {
  if (!KeepZipOpen) stream_.reset();
}

void TZipReader::ClearZip() {
  bool keep = KeepZipOpen;
  KeepZipOpen = false;
  CloseZip();
  KeepZipOpen = keep;
  sortedView_.reset();
  sorted_ = nullptr;
  entries_.reset();
  end_.Clear();
  zipFileDate_ = 0;
  localScanDone_ = false;
  NumDisks = 1;
  SetMultiMode(mmNone);
  zipName_.clear();
}

void TZipReader::SetSortMode(TZipSortMode mode) {
  sortedView_.reset();
  sorted_ = entries_.get();
  if (mode != ByNone && entries_) {
    sortedView_ = std::make_unique<TSortedZip>(dupAcceptObj);
    sortedView_->SortMode = mode;
    sortedView_->SetOwnsObjects(false);
    for (int32_t i = 0; i < entries_->Count(); ++i) sortedView_->Add(entries_->Get(i));
    sorted_ = sortedView_.get();
  }
  SortMode = mode;
}

void TZipReader::ChooseMultiMode() {
  if (end_.ThisDisk == 0) {
    SetMultiMode(mmNone);
    return;
  }
  if (GetMultiMode() != mmNone) return;
  std::string head = AnsiUpperCase(zipName_.substr(0, 3));
  bool removable = head.size() >= 2 && head[1] == ':' && IsRemovableDrive(head);
  SetMultiMode(removable ? mmSpan : mmBlocks);
}

void TZipReader::GetFileInfo(TStream*& stream) {
  bool oldReading = SetReadingFlag(true);
  std::unique_ptr<TLFNFileStream> config;
  try {
    zipFileDate_ = FileStamp(zipName_);
    end_.Clear();
    sortedView_.reset();
    sorted_ = nullptr;
    entries_.reset();
    bool found = end_.ReadFromStream(*stream) && end_.StartCentralDisk <= end_.ThisDisk;
    if (!found) {
      std::string configName = ChangeFileExt(zipName_, ".zfc");
      if (FileExistsEx(configName)) {
        config = std::make_unique<TLFNFileStream>(configName, fmOpenRead, false, 8192);
        found = end_.ReadFromStream(*config) && end_.StartCentralDisk <= end_.ThisDisk;
        if (!found) config.reset();
      }
    }
    bool scanned = false;
    if (found && end_.HasZip64Locator() && !end_.Zip64EndValid() && NeedsZip64(end_)) {
      // The classic record defers to a ZIP64 end record that is not there.
      if (GetMultiMode() != mmNone || !ScanLocalHeaders(*stream)) {
        ClearZip();
        throw EBadZipFile(LoadZipStr(kMsgNotAZipFile));
      }
      scanned = true;
    }
    if (!found) {
      if (OnInCompleteZip) OnInCompleteZip(*this, IncompleteZipMode);
      if (IncompleteZipMode == izAssumeNotAZip) throw ENotAZipFile(LoadZipStr(kMsgNotAZipFile));
      if (IncompleteZipMode == izAssumeMulti) throw EIncompleteZip(LoadZipStr(kMsgIncompleteZip));
      if (!ScanLocalHeaders(*stream)) {
        ClearZip();
        throw EBadZipFile(LoadZipStr(kMsgNotAZipFile));
      }
      scanned = true;
    }
    if (!scanned) {
      currentDisk_ = config ? 0 : end_.ThisDisk;
      ChooseMultiMode();
      // Known before any part switch, so that the last part gets its name.
      NumDisks = end_.ThisDisk + 1;
      if (end_.GetTotalEntries() > 0) {
        if (!config && GetMultiMode() != mmNone && end_.StartCentralDisk != currentDisk_)
          stream = DoSwitchDisk(end_.StartCentralDisk + 1);
        TStream& source = config ? static_cast<TStream&>(*config) : *stream;
        source.Seek(config ? 0 : end_.GetCentralOffset(), soFromBeginning);
      }
    }
    if (config) {
      TStream* configStream = config.get();
      ReadDirectoryRecords(configStream, true);
    } else {
      ReadDirectoryRecords(stream, false);
    }
    currentDisk_ = config ? 0 : end_.ThisDisk;
    SetSortMode(SortMode);
  } catch (...) {
    SetReadingFlag(oldReading);
    throw;
  }
  SetReadingFlag(oldReading);
}

bool TZipReader::ReadDirectoryRecords(TStream*& stream, bool fromConfig) {
  if (end_.ZipCommentLength > 0) {
    // The comment stands right after the end record, in the file where the
    // record was found; it is read while that file is at hand.
    int64_t back = stream->Position();
    std::string text(end_.ZipCommentLength, '\0');
    TStream& holder = fromConfig ? *stream : *stream_;
    holder.Seek(end_.ZipCommentPos, soFromBeginning);
    text.resize(static_cast<size_t>(std::max(holder.Read(text.data(), end_.ZipCommentLength), 0)));
    end_.SetZipComment(text);
    end_.EndFlag = false;
    stream->Seek(back, soFromBeginning);
  }
  if (!entries_) {
    entries_ = std::make_unique<TSortedZip>(dupRaiseObj);
    sorted_ = entries_.get();
  }
  NumDisks = end_.ThisDisk + 1;
  uint16_t previousExtra = 0;
  TZipHeaderInfo* previous = nullptr;
  TZipHeaderInfo::TPartSwitch partSwitch = [this](TZipHeaderInfo&, TStream*& s) {
    s = DoSwitchDisk(currentDisk_ + 2);
  };
  for (int64_t index = 0; index < end_.GetTotalEntries();) {
    PumpMessages();
    std::unique_ptr<TZipHeaderInfo> entry(NewHeaderInfo());
    bool useSwitch = !localScanDone_ && GetMultiMode() != mmNone && !fromConfig;
    bool ok = entry->ReadCentralFromStream(stream, useSwitch ? partSwitch : nullptr);
    if (!ok && previousExtra > 0 && previous != nullptr) {
      previous->CentralExtraLength = 0;
      stream->Seek(-static_cast<int64_t>(previousExtra), soFromCurrent);
      ok = entry->ReadCentralFromStream(stream, useSwitch ? partSwitch : nullptr);
    }
    if (!ok) {
      if (localScanDone_) break;
      if (GetMultiMode() == mmNone && !fromConfig && ScanLocalHeaders(*stream)) {
        index = 0;
        previousExtra = 0;
        previous = nullptr;
        continue;
      }
      ClearZip();
      throw EBadZipFile(LoadZipStr(kMsgNotAZipFile));
    }
    stream->Seek(entry->CentralExtraLength, soFromCurrent);
    if (entry->FileCommentLength > 0) {
      std::string comment(entry->FileCommentLength, '\0');
      comment.resize(
          static_cast<size_t>(std::max(stream->Read(comment.data(), entry->FileCommentLength), 0)));
      uint16_t declared = entry->FileCommentLength;
      entry->SetFileComment(comment);
      entry->FileCommentLength = declared;
    }
    if (localScanDone_) {
      int32_t at = 0;
      if (entries_->Find(entry.get(), at)) {
        TZipHeaderInfo& kept = *entries_->Entry(at);
        int64_t offset = kept.GetRelativeOffset();
        kept.Assign(*entry);
        kept.SetRelativeOffset(offset);
      }
      ++index;
      previousExtra = 0;
      previous = nullptr;
      continue;
    }
    try {
      entries_->Add(entry.get());
    } catch (const EListError&) {
      if (GetMultiMode() == mmNone && !fromConfig && ScanLocalHeaders(*stream)) {
        index = 0;
        previousExtra = 0;
        previous = nullptr;
        continue;
      }
      ClearZip();
      throw EBadZipFile(LoadZipStr(kMsgNotAZipFile));
    }
    previous = entry.release();
    previousExtra = previous->CentralExtraLength;
    if (previousExtra == 0) previous = nullptr;
    ++index;
  }
  return true;
}

bool TZipReader::ScanLocalHeaders(TStream& stream) {
  if (localScanDone_) return false;
  localScanDone_ = true;
  sortedView_.reset();
  sorted_ = nullptr;
  entries_.reset();
  const uint8_t* sig = ZipSignatures().localBytes;
  int64_t position = AnsiSameText(ExtractFileExt(zipName_), ".EXE") ? 14000 : 0;
  stream.Seek(position, soFromBeginning);
  uint8_t window[4] = {0, 0, 0, 0};
  int64_t examined = 0;
  bool found = false;
  uint8_t byte = 0;
  while (!found && stream.Read(&byte, 1) == 1) {
    window[0] = window[1];
    window[1] = window[2];
    window[2] = window[3];
    window[3] = byte;
    if (++examined % 10240 == 0) PumpMessages();
    if (examined < 4 || window[0] != sig[0] || window[1] != sig[1] || window[2] != sig[2] ||
        window[3] != sig[3])
      continue;
    uint8_t version[2];
    if (stream.Read(version, 2) != 2) break;
    if (version[1] < 10) {
      found = true;
      stream.Seek(-6, soFromCurrent);
    }
  }
  if (!found) return false;
  entries_ = std::make_unique<TSortedZip>(dupRaiseObj);
  sorted_ = entries_.get();
  int64_t size = stream.Size();
  for (;;) {
    std::unique_ptr<TZipHeaderInfo> entry(NewHeaderInfo());
    int64_t start = stream.Position();
    if (!entry->ReadLocalFromStream(stream)) break;
    PumpMessages();
    int64_t skip = entry->GetCompressedSize() + entry->LocalExtraLength +
                   (entry->HasDataDescriptor() ? 16 : 0);
    entries_->Add(entry.release());
    int64_t next = stream.Position();
    // A size that points backwards or past the end ends the scan here.
    if (skip < 0 || __builtin_add_overflow(next, skip, &next) || next > size || next <= start)
      break;
    stream.Seek(next, soFromBeginning);
  }
  end_.ThisDisk = 0;
  currentDisk_ = 0;
  end_.SetCentralOffset(stream.Position());
  end_.SetTotalEntries(entries_->Count());
  NumDisks = 1;
  return true;
}

TStream* TZipReader::DoSwitchDisk(int32_t part) {
  stream_.reset();
  std::string name = zipName_;
  if (GetMultiMode() == mmBlocks) {
    name = splitBaseName_;
    TSplitPartType type = readingFlag_ && part == NumDisks ? spLast
                          : part == 1                      ? spFirst
                                                           : spMiddle;
    DoFileNameForSplitPart(name, part, type);
  } else {
    for (int asked = 0;; ++asked) {
      DoGetNextDisk(part, name);
      if (asked > 1000) name.clear();
      if (!name.empty() && GetCheckDiskLabels() && !DiskLabelMatches(part)) continue;
      if (name.empty()) throw EUserCanceled("User canceled loading new disk.");
      if (FileExistsEx(name)) break;
    }
  }
  OpenArchiveStream(name, fmOpenRead | fmShareDenyNone, false);
  currentDisk_ = part - 1;
  zipFileDate_ = FileStamp(name);
  zipName_ = name;
  return stream_.get();
}

void TZipReader::DoGetNextDisk(int32_t part, std::string& name) {
  if (OnGetNextDisk)
    OnGetNextDisk(*this, part, name);
  else
    DefaultGetNextDisk(part, name);
}

void TZipReader::DefaultGetNextDisk(int32_t part, std::string& name) {
  if (GetMultiMode() != mmSpan) return;
  std::string text = LoadZipStr(kMsgInsertDisk) + std::to_string(part) + LoadZipStr(kMsgOfMultiDisk);
  if (DoHandleMessage(kMsgInsertDisk, text, "", kMbOkCancel) == kIdCancel) name.clear();
}

void TZipReader::DoFileNameForSplitPart(std::string& name, int32_t part, TSplitPartType type) {
  if (OnFileNameForSplitPart) {
    OnFileNameForSplitPart(*this, name, part, type);
    return;
  }
  char number[16];
  if (BlockMode == bmClassic) {
    std::snprintf(number, sizeof number, ".%03d", part);
    name += number;
  } else if (type == spLast) {
    name += ".zip";
  } else {
    std::snprintf(number, sizeof number, ".zip.z%02d", part);
    name += number;
  }
}

bool TZipReader::DiskLabelMatches(int32_t part) {
  if (GetMultiMode() != mmSpan) return true;
  std::string label;
  GetVolLabel(AnsiUpperCase(zipName_.substr(0, 3)), label);
  label = label.substr(0, 11);
  char number[16];
  std::snprintf(number, sizeof number, "%03d", part);
  return RightStr(label, 3) == number;
}

}  // namespace tv::zip
