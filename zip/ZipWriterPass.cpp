// One zip pass: the file list becomes entries of a new archive, or of a
// temporary copy of an existing one that then takes the archive's place.
// Until that last step the existing archive is never touched.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "zip/ZipBytes.h"
#include "zip/ZipMatch.h"
#include "zip/ZipMessages.h"
#include "zip/ZipWriter.h"
#include "zip/ZipWriterPass.h"

namespace tv::zip {
namespace {

void DeleteFileQuietly(const std::string& name) {
  if (!name.empty()) ::unlink(MapPath(name).c_str());
}

std::string Trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(" \t");
  size_t b = s.find_last_not_of(" \t");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

}  // namespace

int32_t TZipWriter::ProcessFiles() {
  CancelOperation = false;
  if (Trimmed(ZipName()).empty()) return 0;
  bool oldOperation = SetOperationFlag(true);
  bool oldReading = SetReadingFlag(false);
  TZipSortMode oldSort = SortMode;
  bool oldKeep = KeepZipOpen;
  sortedView_.reset();
  sorted_ = entries_.get();
  SortMode = ByNone;
  KeepZipOpen = true;
  TPass pass;
  pass.disposing = Dispose;
  pass_ = &pass;
  auto restore = [&]() {
    pass_ = nullptr;
    if (SortMode != oldSort && entries_) SetSortMode(oldSort);
    SortMode = oldSort;
    KeepZipOpen = oldKeep;
    CloseZip();
    SetOperationFlag(oldOperation);
    FilesList.clear();
    SetReadingFlag(oldReading);
  };
  try {
    RunPass(pass);
  } catch (...) {
    pass.output.reset();
    pass.inOrder.reset();
    DeleteFileQuietly(pass.outputName);
    if (entries_) {
      sortedView_.reset();
      sorted_ = entries_.get();
    }
    restore();
    throw;
  }
  FinishPass(pass);
  if (oldSort != ByNone) SetSortMode(oldSort);
  SortMode = oldSort;
  pass_ = nullptr;
  KeepZipOpen = oldKeep;
  CloseZip();
  SetOperationFlag(oldOperation);
  FilesList.clear();
  SetReadingFlag(oldReading);
  return pass.count;
}

void TZipWriter::RunPass(TPass& pass) {
  if (!FilesList.empty()) ExpandFilesList(pass);
  if (!FilesList.empty() && OnStartZipInfo) {
    bool stop = false;
    OnStartZipInfo(*this, static_cast<int32_t>(FilesList.size()), pass.totalBytes, nullptr, stop);
    if (stop) throw EUserCanceled(LoadZipStr(kMsgCancelZip));
  }
  currentDisk_ = 0;
  if (FileExistsEx(ZipName()) && !MultiVolume()) {
    pass.updating = true;
    pass.outputName = GetTempFileNameIn(GetTempFolder());
    if (pass.outputName.empty())
      throw EFCreateError("Cannot create a temporary file in " + GetTempFolder());
    OpenOutputArchive(pass);
    OpenZip();
    MergeWithExistingArchive(pass);
  } else {
    pass.outputName = MultiVolume() ? FirstVolumeName() : ZipName();
    OpenOutputArchive(pass);
    if (MultiVolume()) PrepareVolumes(pass);
  }
  for (size_t i = 0; i < FilesList.size(); ++i) ZipListItem(pass, i);
  WriteCentralDirectory(pass);
  CloseVolume(pass);
}

void TZipWriter::FinishPass(TPass& pass) {
  std::string name = ZipName();
  if (pass.updating) ClearZip();
  if (GetMultiMode() == mmBlocks) {
    FinishVolumes(pass);
    name = zipName_;
  }
  zipName_.clear();
  SetZipName(name);
  if (pass.updating) ReplaceArchiveFile(pass);
  if (pass.disposing) DisposeSourceFiles(pass);
  end_.Assign(*pass.newEnd);
  end_.EndFlag = false;
  entries_ = std::move(pass.inOrder);
  sortedView_.reset();
  sorted_ = entries_.get();
  SortMode = ByNone;
  zipFileDate_ = 0;
  localScanDone_ = false;
  // The date the next OpenZip compares with: the new file's.
  struct stat st {};
  if (::stat(MapPath(ZipName()).c_str(), &st) == 0)
    zipFileDate_ = static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9;
  NumDisks = currentDisk_ + 1;
  if (OnTotalPercentDone) OnTotalPercentDone(*this, 100);
  if (MultiVolume() && MultiZipInfo.SaveZipInfoOnFirstDisk && end_.ThisDisk > 0) {
    if (GetMultiMode() == mmSpan) DoSwitchDisk(1);
    SaveZipConfigFile(pass, ChangeFileExt(ZipName(), ".zfc"));
  }
}

void TZipWriter::OpenOutputArchive(TPass& pass) {
  pass.output = std::make_unique<TLFNFileStream>(pass.outputName, fmCreate, FlushFilesOnClose,
                                                 65536);
  currentDisk_ = 0;
  pass.byName = std::make_unique<TSortedZip>(dupAcceptObj);
  pass.byName->SortMode = ByName;
  pass.byName->SetOwnsObjects(false);
  pass.inOrder = std::make_unique<TSortedZip>(dupAcceptObj);
  pass.newEnd = std::make_unique<TEndCentral>();
  if (pass.updating || end_.EndFlag) {
    if (end_.ZipCommentLength > 0 && end_.ZipComment().empty() && entries_) ZipComment();
    pass.newEnd->Assign(end_);
    pass.newEnd->SetTotalEntries(0);
    pass.newEnd->SetEntriesThisDisk(0);
    pass.newEnd->EndFlag = false;
  }
}

void TZipWriter::MergeWithExistingArchive(TPass& pass) {
  if (!entries_) return;
  for (int32_t i = 0; i < entries_->Count(); ++i) {
    const TZipHeaderInfo& entry = *entries_->Entry(i);
    auto header = std::unique_ptr<TZipHeaderInfo>(NewHeaderInfo());
    header->Assign(entry);
    header->ExtraSourcePosition = entry.ExtraSourcePosition;
    header->ExtraSourceLength = entry.ExtraSourceLength;
    header->Zip64BlockLength = entry.Zip64BlockLength;
    // A name that was not converted on reading is written back as it was.
    if ((entry.VersionMadeBy >> 8) != 0) header->OEMConvert = oemNever;
    size_t match = FilesList.size();
    for (size_t k = 0; k < FilesList.size(); ++k) {
      if (CancelOperation) {
        CancelOperation = false;
        throw EUserCanceled(LoadZipStr(kMsgUserAborted));
      }
      if (EntryMatchesListItem(FilesList[k], entry)) {
        match = k;
        break;
      }
    }
    if (match < FilesList.size()) {
      std::string line = FilesList[match];
      TDateTime stored = 0;
      TryDosDateTimeToDateTime(entry.LastModFileDateTime, stored);
      bool replace = ZipAction == zaReplace || GetFileDateTime(line) > stored;
      FilesList.erase(FilesList.begin() + static_cast<std::ptrdiff_t>(match));
      if (replace) {
        if (OnUpdate) OnUpdate(*this, uaReplacing, i);
        auto fresh = std::unique_ptr<TZipHeaderInfo>(NewHeaderInfo());
        if (ZipOneFile(pass, *fresh, line)) {
          AddToNewDirectory(pass, std::move(fresh), line);
          continue;
        }
        // The file could not be zipped: the old entry stays rather than
        // vanishing from the archive.
      } else {
        if (pass.disposing) pass.disposeList.push_back(line);
        TSearchRec rec;
        if (FindFirst(line, attributes_, rec) == 0)
          pass.totalBytes += entry.GetCompressedSize() - rec.Size;
        FindClose(rec);
      }
    }
    if (OnUpdate) OnUpdate(*this, uaKeeping, i);
    CopyExistingEntry(pass, *header);
    pass.byName->Add(header.get());
    pass.inOrder->Add(header.release());
    pass.newEnd->SetTotalEntries(pass.newEnd->GetTotalEntries() + 1);
    pass.newEnd->SetEntriesThisDisk(pass.newEnd->GetEntriesThisDisk() + 1);
  }
}

void TZipWriter::ZipListItem(TPass& pass, size_t index) {
  auto header = std::unique_ptr<TZipHeaderInfo>(NewHeaderInfo());
  std::string line = FilesList[index];
  if (ZipOneFile(pass, *header, line)) AddToNewDirectory(pass, std::move(header), line);
}

void TZipWriter::AddToNewDirectory(TPass& pass, std::unique_ptr<TZipHeaderInfo> header,
                                   const std::string& line) {
  pass.byName->Add(header.get());
  pass.inOrder->Add(header.release());
  ++pass.count;
  pass.newEnd->SetTotalEntries(pass.newEnd->GetTotalEntries() + 1);
  pass.newEnd->SetEntriesThisDisk(pass.newEnd->GetEntriesThisDisk() + 1);
  if (pass.disposing) pass.disposeList.push_back(line);
}

void TZipWriter::CopyExistingEntry(TPass& pass, TZipHeaderInfo& header) {
  TStream& in = *stream_;
  uint8_t local[30] = {};
  in.Seek(header.GetRelativeOffset(), soFromBeginning);
  in.ReadBuffer(local, 30);
  in.Seek(GetLE16(local + 26), soFromCurrent);
  header.LocalExtraLength = GetLE16(local + 28);
  header.BitFlag = static_cast<uint16_t>(header.BitFlag & ~8);
  header.SaveLocalToStream(*pass.output);
  CopyStreamWithProgress(pass, in, *pass.output, header.LocalExtraLength + header.GetCompressedSize());
}

void TZipWriter::CopyStreamWithProgress(TPass& pass, TStream& source, TStream& target,
                                        int64_t count) {
  std::vector<uint8_t> buffer(16384);
  int64_t done = 0;
  while (done < count) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count - done, 16384));
    source.ReadBuffer(buffer.data(), n);
    if (target.Write(buffer.data(), n) != n) throw ENotEnoughRoom(LoadZipStr(kMsgNotEnoughRoom));
    done += n;
    pass.bytesDone += n;
    if (OnFilePercentDone) OnFilePercentDone(*this, Percentage64(count, done));
    if (OnTotalPercentDone) OnTotalPercentDone(*this, Percentage64(pass.totalBytes, pass.bytesDone));
    PumpWriter();
  }
}

// The new archive takes the old one's place in one rename, so that no
// moment leaves neither; across file systems it is first copied beside the
// archive.
void TZipWriter::ReplaceArchiveFile(TPass& pass) {
  std::string target = MapPath(ZipName());
  std::string temp = MapPath(pass.outputName);
  if (::rename(temp.c_str(), target.c_str()) == 0) return;
  if (errno != EXDEV) throw EWriteError("Cannot replace " + ZipName() + " by " + pass.outputName);
  std::string beside = ZipName() + ".$$$";
  FileCopy(pass.outputName, beside);
  if (::rename(MapPath(beside).c_str(), target.c_str()) != 0) {
    DeleteFileQuietly(beside);
    throw EWriteError("Cannot replace " + ZipName() + " by " + pass.outputName);
  }
  DeleteFileQuietly(pass.outputName);
}

void TZipWriter::DisposeSourceFiles(TPass& pass) {
  for (const std::string& name : pass.disposeList) {
    bool skip = false;
    if (OnDisposeFile) OnDisposeFile(*this, name, skip);
    if (!skip) DeleteFileQuietly(name);
  }
  pass.disposeList.clear();
}

void TZipWriter::PumpWriter() { PumpMessages(); }

}  // namespace tv::zip
