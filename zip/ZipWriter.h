#pragma once
// TZipWriter: creates and updates ZIP archives. It is a TZipReader with one
// more operation, Zip, which turns FilesList into entries of the archive
// ZipName (through a temporary file when the archive exists, so that a
// failed pass leaves the archive as it was).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zip/ZipReader.h"

namespace tv::zip {

enum TZipAction : uint8_t { zaUpdate, zaReplace, zaFreshen };
enum TUpdateAction : uint8_t { uaReplacing, uaKeeping };

// Multi-volume settings.
struct TMultiZipInfo {
  int64_t BlockSize = 1457600;
  int64_t FirstBlockSize = 0;
  int64_t SaveOnFirstDisk = 0;
  bool SaveZipInfoOnFirstDisk = false;
  TMultiMode MultiMode = mmNone;
  bool CheckDiskLabels = true;
  bool WriteDiskLabels = true;
};

class TZipWriter;
using TStartZipEvent = std::function<void(TZipWriter&, const std::string&, TZipHeaderInfo&, bool&)>;
using TStartZipInfo = std::function<void(TZipWriter&, int32_t, int64_t, TEndCentral*, bool&)>;
using TEndZipFileEvent =
    std::function<void(TZipWriter&, const std::string&, int32_t, int32_t, int32_t)>;
using TDisposeEvent = std::function<void(TZipWriter&, const std::string&, bool&)>;
using TDeleteEvent = std::function<void(TZipWriter&, const std::string&, bool&)>;
using TNoSuchFileEvent = std::function<void(TZipWriter&, const std::string&)>;
using TZipComplete = std::function<void(TZipWriter&, int32_t)>;
using TUpdateEvent = std::function<void(TZipWriter&, TUpdateAction, int32_t)>;
using TPrepareNextDisk = std::function<void(TZipWriter&, int32_t)>;
using TOnRecursingFile = std::function<void(TZipWriter&, const std::string&)>;
using TEncryptEvent = std::function<void(TZipWriter&, uint8_t*, int32_t, const std::string&)>;
using TOnStartSpanCopy = std::function<void(TZipWriter&, const std::string&, int64_t)>;
using TOnGetNextStreamEvent = std::function<void(TZipWriter&, TStream*&, std::string&)>;

class TZipWriter : public TZipReader {
 public:
  TZipWriter();
  ~TZipWriter() override;

  // Copies the settings and handlers of another writer (or reader).
  void Assign(const TZipReader& source);
  // One zip pass; returns the number of entries added or replaced.
  int32_t Zip();

  int32_t PackLevel = 6;
  bool Recurse = false;
  bool Dispose = false;
  bool StorePaths() const { return storePaths_; }
  void SetStorePaths(bool value);
  bool RelativePaths() const { return relativePaths_; }
  void SetRelativePaths(bool value);
  bool StoreVolumes() const { return storeVolumes_; }
  void SetStoreVolumes(bool value);
  TZipAction ZipAction = zaUpdate;
  TMultiZipInfo MultiZipInfo;
  bool Store83Names = false;
  std::string TempPath;
  bool SkipIfArchiveBitNotSet = false;
  bool ResetArchiveBitOnZip = false;
  std::vector<std::string> ExcludeList;
  std::vector<std::string> NoCompressList;
  bool AddDirEntriesOnRecurse = false;
  bool IncludeHiddenFiles() const { return (attributes_ & faHidden) != 0; }
  void SetIncludeHiddenFiles(bool v) { SetAttributeBit(faHidden, v); }
  bool IncludeSysFiles() const { return (attributes_ & faSysFile) != 0; }
  void SetIncludeSysFiles(bool v) { SetAttributeBit(faSysFile, v); }
  bool IncludeReadOnlyFiles() const { return (attributes_ & faReadOnly) != 0; }
  void SetIncludeReadOnlyFiles(bool v) { SetAttributeBit(faReadOnly, v); }
  bool IncludeArchiveFiles() const { return (attributes_ & faArchive) != 0; }
  void SetIncludeArchiveFiles(bool v) { SetAttributeBit(faArchive, v); }
  int32_t AttributeMask() const { return attributes_; }

  TStartZipEvent OnStartZip;
  TStartZipInfo OnStartZipInfo;
  TEndZipFileEvent OnEndZip;
  TDisposeEvent OnDisposeFile;
  TDeleteEvent OnDeleteEntry;
  TNoSuchFileEvent OnNoSuchFile;
  TZipComplete OnZipComplete;
  TUpdateEvent OnUpdate;
  TPrepareNextDisk OnPrepareNextDisk;
  TOnRecursingFile OnRecursingFile;
  TEncryptEvent OnEncrypt;
  TOnStartSpanCopy OnStartSpanCopy;
  TOnGetNextStreamEvent OnGetNextStream;

  void SetZipName(const std::string& name) override;
  TMultiMode GetMultiMode() const override { return MultiZipInfo.MultiMode; }
  void SetMultiMode(TMultiMode mode) override;
  bool GetCheckDiskLabels() const override { return MultiZipInfo.CheckDiskLabels; }
  void SetCheckDiskLabels(bool check) override;

  // Name rules (file list unit).
  bool IsInExcludeList(const std::string& name) const;
  bool IsInNoCompressList(const std::string& name) const;
  std::string GetStoredPath(const std::string& name) const;
  std::string StoredFolder(const std::string& name) const;
  bool EntryMatchesListItem(const std::string& line, const TZipHeaderInfo& entry) const;
  std::string GetTempFolder() const;

 private:
  struct TPass;

  void SetAttributeBit(int32_t bit, bool on);
  void ExpandFilesList(TPass& pass);
  bool KeepListFile(TPass& pass, const std::string& name, const TSearchRec& rec);
  bool PresentInArchive(const std::string& name);
  int32_t ProcessFiles();
  void RunPass(TPass& pass);
  void FinishPass(TPass& pass);
  void OpenOutputArchive(TPass& pass);
  void MergeWithExistingArchive(TPass& pass);
  void ZipListItem(TPass& pass, size_t index);
  void AddToNewDirectory(TPass& pass, std::unique_ptr<TZipHeaderInfo> header,
                         const std::string& line);
  void CopyExistingEntry(TPass& pass, TZipHeaderInfo& header);
  void CopyStreamWithProgress(TPass& pass, TStream& source, TStream& target, int64_t count);
  void ReplaceArchiveFile(TPass& pass);
  void DisposeSourceFiles(TPass& pass);
  bool ZipOneFile(TPass& pass, TZipHeaderInfo& header, const std::string& name);
  void WriteFileData(TPass& pass, TZipHeaderInfo& header, TStream& source, const std::string& name,
                     int64_t size);
  int64_t DeflateToStream(TPass& pass, TStream& source, int64_t& bytesRead);
  void StoreToStream(TPass& pass, TStream& source, int64_t& bytesRead);
  int32_t ReadSourceBytes(TPass& pass, TStream& source, uint8_t* buffer, int32_t size);
  void WriteArchiveBytes(TPass& pass, uint8_t* buffer, int32_t count, bool encrypt);
  void WriteEncryptionHeader(TPass& pass, uint32_t crc);
  uint32_t PrecomputeCRC(TStream& source);
  void PumpWriter();
  // Multi-volume output.
  bool MultiVolume() const { return GetMultiMode() != mmNone; }
  std::string FirstVolumeName();
  void PrepareVolumes(TPass& pass);
  int64_t RoomLeft(TPass& pass);
  void CloseVolume(TPass& pass);
  void NextVolume(TPass& pass);
  void CopySpanTempToVolumes(TPass& pass, const TZipHeaderInfo& header);
  void WriteCentralDirectory(TPass& pass);
  void FinishVolumes(TPass& pass);
  int64_t DiskFreeOnZipDrive() const;
  void WriteDiskLabel();
  void SaveZipConfigFile(TPass& pass, const std::string& name);

  bool storePaths_ = false;
  bool relativePaths_ = false;
  bool storeVolumes_ = false;
  int32_t attributes_ = 57;
  TPass* pass_ = nullptr;
};

}  // namespace tv::zip
