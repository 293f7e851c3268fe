#include "zip/ZipWriter.h"

#include <memory>

#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "zip/ZipDirSearch.h"
#include "zip/ZipMatch.h"
#include "zip/ZipMessages.h"
#include "zip/ZipWriterPass.h"

namespace tv::zip {
namespace {

bool MatchesPattern(const std::string& pattern, const std::string& name) {
  std::string p = AnsiLowerCase(pattern);
  std::string subject = p.find('\\') != std::string::npos ? name : ExtractFileName(name);
  return IsMatch(p, AnsiLowerCase(subject));
}

}  // namespace

TZipWriter::TZipWriter() = default;
TZipWriter::~TZipWriter() = default;

void TZipWriter::Assign(const TZipReader& source) {
  TZipReader::Assign(source);
  const auto* w = dynamic_cast<const TZipWriter*>(&source);
  if (w == nullptr || w == this) return;
  PackLevel = w->PackLevel;
  Recurse = w->Recurse;
  Dispose = w->Dispose;
  storePaths_ = w->storePaths_;
  relativePaths_ = w->relativePaths_;
  storeVolumes_ = w->storeVolumes_;
  ZipAction = w->ZipAction;
  MultiZipInfo = w->MultiZipInfo;
  Store83Names = w->Store83Names;
  TempPath = w->TempPath;
  SkipIfArchiveBitNotSet = w->SkipIfArchiveBitNotSet;
  ResetArchiveBitOnZip = w->ResetArchiveBitOnZip;
  ExcludeList = w->ExcludeList;
  NoCompressList = w->NoCompressList;
  AddDirEntriesOnRecurse = w->AddDirEntriesOnRecurse;
  OnStartZip = w->OnStartZip;
  OnStartZipInfo = w->OnStartZipInfo;
  OnEndZip = w->OnEndZip;
  OnDisposeFile = w->OnDisposeFile;
  OnDeleteEntry = w->OnDeleteEntry;
  OnNoSuchFile = w->OnNoSuchFile;
  OnZipComplete = w->OnZipComplete;
  OnUpdate = w->OnUpdate;
}

void TZipWriter::SetStorePaths(bool value) {
  if (value == storePaths_) return;
  storePaths_ = value;
  if (!value) {
    storeVolumes_ = false;
    relativePaths_ = false;
  }
}

void TZipWriter::SetRelativePaths(bool value) {
  if (value == relativePaths_) return;
  relativePaths_ = value;
  if (value) {
    storePaths_ = true;
    Recurse = true;
  }
}

void TZipWriter::SetStoreVolumes(bool value) {
  if (value == storeVolumes_) return;
  storeVolumes_ = value;
  if (value) storePaths_ = true;
}

void TZipWriter::SetAttributeBit(int32_t bit, bool on) {
  attributes_ = on ? attributes_ | bit : attributes_ & ~bit;
}

void TZipWriter::SetZipName(const std::string& name) {
  if (AnsiSameText(name, ZipName())) return;
  TZipReader::SetZipName(name);
}

void TZipWriter::SetMultiMode(TMultiMode mode) {
  MultiZipInfo.MultiMode = mode;
  TZipReader::SetMultiMode(mode);
}

void TZipWriter::SetCheckDiskLabels(bool check) {
  MultiZipInfo.CheckDiskLabels = check;
  TZipReader::SetCheckDiskLabels(check);
}

int32_t TZipWriter::Zip() {
  bool old = SetOperationFlag(true);
  int32_t count = 0;
  try {
    count = ProcessFiles();
  } catch (...) {
    SetOperationFlag(old);
    throw;
  }
  SetOperationFlag(old);
  if (OnZipComplete) OnZipComplete(*this, count);
  return count;
}

bool TZipWriter::IsInExcludeList(const std::string& name) const {
  for (const std::string& pattern : ExcludeList)
    if (MatchesPattern(pattern, name)) return true;
  return false;
}

bool TZipWriter::IsInNoCompressList(const std::string& name) const {
  for (const std::string& pattern : NoCompressList)
    if (MatchesPattern(pattern, name)) return true;
  return false;
}

std::string TZipWriter::GetStoredPath(const std::string& name) const {
  if (!storePaths_) return {};
  std::string folder = ExtractFilePath(name);
  if (relativePaths_) return folder.substr(std::min(folder.size(), RootDir().size()));
  if (!storeVolumes_ && folder.size() >= 2 && folder[1] == ':') return folder.substr(3);
  return folder;
}

std::string TZipWriter::StoredFolder(const std::string& name) const {
  if (!storePaths_) return {};
  std::string folder = RemoveTrailingBackslash(ExtractFilePath(name)) + "\\";
  if (folder.size() >= 2 && folder.substr(folder.size() - 2) == "\\\\") folder.pop_back();
  if (relativePaths_ && !RelativePathList.empty()) folder = RemoveRelativePath(folder);
  if (!storeVolumes_ && !folder.empty()) {
    if (folder.size() >= 2 && folder[1] == ':') {
      folder = folder.substr(2);
    } else if (folder.rfind("\\\\", 0) == 0) {
      size_t server = folder.find('\\', 2);
      size_t share = server == std::string::npos ? server : folder.find('\\', server + 1);
      folder = share == std::string::npos ? std::string() : folder.substr(share);
    }
    if (!folder.empty() && folder[0] == '\\') folder.erase(0, 1);
  }
  return folder;
}

bool TZipWriter::EntryMatchesListItem(const std::string& line, const TZipHeaderInfo& entry) const {
  std::string name = line;
  if (OEMConvert == oemAlways) OemFilter(name);
  std::string stored = GetStoredPath(name) + ExtractFileName(name);
  return AnsiSameText(stored, entry.FullPath());
}

std::string TZipWriter::GetTempFolder() const {
  if (!TempPath.empty() && DirExists(TempPath)) return TempPath;
  return GetTempDir();
}

bool TZipWriter::PresentInArchive(const std::string& name) {
  if (!entries_) return false;
  std::unique_ptr<TZipHeaderInfo> probe(NewHeaderInfo());
  std::string filtered = name;
  if (OEMConvert == oemAlways) OemFilter(filtered);
  probe->SetFilename(ExtractFileName(filtered));
  probe->SetDirectory(GetStoredPath(filtered));
  int32_t at = 0;
  return sorted_ != nullptr && sorted_->Find(probe.get(), at);
}

// The archive-bit and freshen rules of a file about to be listed.
bool TZipWriter::KeepListFile(TPass& pass, const std::string& name, const TSearchRec& rec) {
  bool retry = false;
  if (SkipIfArchiveBitNotSet && (rec.Attr & faArchive) == 0) {
    if (OnSkippingFile) OnSkippingFile(*this, srArchiveBitNotSet, name, -1, retry);
    return false;
  }
  if (ZipAction == zaFreshen && !PresentInArchive(name)) {
    if (OnSkippingFile) OnSkippingFile(*this, srNoFileToFreshen, name, -1, retry);
    return false;
  }
  pass.totalBytes += rec.Size;
  return true;
}

void TZipWriter::ExpandFilesList(TPass& pass) {
  pass.totalBytes = 0;
  if (ZipAction == zaFreshen) SetSortMode(ByName);
  std::vector<std::string> searches;
  std::vector<std::string> kept;
  bool retry = false;
  for (std::string line : FilesList) {
    if (!line.empty() && line.back() == '\\') {
      kept.push_back(line);
      continue;
    }
    if (HasWildcards(line)) {
      searches.push_back(line);
      continue;
    }
    if (ExtractFilePath(line).empty()) line = RootDir() + line;
    if (IsInExcludeList(line)) {
      if (OnSkippingFile) OnSkippingFile(*this, srExcludeList, line, -1, retry);
      continue;
    }
    TSearchRec rec;
    int found = FindFirst(line, attributes_, rec);
    FindClose(rec);
    if (found != 0 || (rec.Attr & faDirectory) != 0) {
      if (OnNoSuchFile) OnNoSuchFile(*this, line);
      continue;
    }
    if (KeepListFile(pass, line, rec)) kept.push_back(line);
  }
  for (std::string line : searches) {
    bool recurse = Recurse;
    if (line[0] == '|' || line[0] == '>') {
      recurse = line[0] == '>';
      line.erase(0, 1);
    }
    std::string folder = ExtractFilePath(line);
    if (folder.empty()) folder = RootDir();
    if (!HasWildcards(folder) && !DirExists(folder)) {
      if (OnNoSuchFile) OnNoSuchFile(*this, line);
      continue;
    }
    std::string pattern = ExtractFileName(line);
    if (pattern == "*.*") pattern = "*";
    TDirSearch search(folder, attributes_, recurse, pattern);
    TSearchRec rec;
    std::string name;
    for (search.NextFile(rec, name); !name.empty(); search.NextFile(rec, name)) {
      if (OnRecursingFile) OnRecursingFile(*this, name);
      if (name.back() == '\\') {
        if (recurse && AddDirEntriesOnRecurse) kept.push_back(name);
        continue;
      }
      if (IsInExcludeList(name)) {
        if (OnSkippingFile) OnSkippingFile(*this, srExcludeList, name, -1, retry);
        continue;
      }
      PumpMessages();
      if (AnsiSameText(MapPath(name), MapPath(ZipName()))) continue;
      if (KeepListFile(pass, name, rec)) kept.push_back(name);
    }
  }
  FilesList = kept;
  pass.nameEstimate = 0;
  if (MultiVolume() && MultiZipInfo.SaveZipInfoOnFirstDisk && storePaths_ && !kept.empty()) {
    for (const std::string& name : kept) pass.nameEstimate += static_cast<int64_t>(name.size()) - 2;
    pass.nameEstimate = pass.nameEstimate > 0 ? pass.nameEstimate / static_cast<int64_t>(kept.size())
                                              : 0;
  }
  if (ZipAction == zaFreshen) SetSortMode(ByNone);
}

}  // namespace tv::zip
