#pragma once
// TZipReader: the component through which the program reads ZIP archives.
// The owner sets the archive name, destination folder, selection and
// overwrite policy, calls ReadZip to load the directory and UnZip to
// extract the selected entries. Problems of one entry go to events and the
// work goes on; what stops the whole call raises an EZipException after
// clean-up.
//
// Nothing is ever written outside DestDir (or the current folder when
// DestDir is empty): stored folder names lose drive parts, leading
// separators and "." / ".." components.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zip/EndCentral.h"
#include "zip/SortedZip.h"
#include "zip/ZipCrypt.h"
#include "zip/ZipHeaderInfo.h"
#include "zip/ZipLib.h"
#include "zip/ZipStreams.h"

namespace tv::zip {

enum TUZOverwriteMode : uint8_t { Prompt, Always, Never, ifNewer, ifOlder };
enum TIncompleteZipMode : uint8_t { izAssumeMulti, izAssumeBad, izAssumeNotAZip };
enum TMultiMode : uint8_t { mmNone, mmSpan, mmBlocks };
enum TBlockMode : uint8_t { bmStandard, bmClassic };
enum TSplitPartType : uint8_t { spFirst, spMiddle, spLast };
enum TSkipReason : uint8_t {
  srBadPassword,
  srNoOverwrite,
  srFileOpenError,
  srCreateError,
  srExcludeList,
  srArchiveBitNotSet,
  srNoFileToFreshen,
  srSkippedInStartZip,
};

class TZipReader;
class TUnzipContext;

// Event handler types; the sender comes first, references carry answers.
using TStartUnzipInfo = std::function<void(TZipReader&, int32_t, int64_t, bool&)>;
using TFilePercentDone = std::function<void(TZipReader&, int32_t)>;
using TTotalPercentDone = std::function<void(TZipReader&, int32_t)>;
using TStartUnZipEvent = std::function<void(TZipReader&, int32_t, std::string&, bool&)>;
using TEndUnZipEvent = std::function<void(TZipReader&, int32_t, const std::string&)>;
using TPromptForOverwrite = std::function<void(TZipReader&, bool&, int32_t, std::string&)>;
using TSkippingFile =
    std::function<void(TZipReader&, TSkipReason, const std::string&, int32_t, bool&)>;
using TBadPassword = std::function<void(TZipReader&, int32_t, std::string&)>;
using TBadCRC = std::function<void(TZipReader&, int32_t, int32_t, int32_t)>;
using TIncompleteZip = std::function<void(TZipReader&, TIncompleteZipMode&)>;
using TGetNextDisk = std::function<void(TZipReader&, int32_t, std::string&)>;
using TUnZipComplete = std::function<void(TZipReader&, int32_t)>;
using TDecryptEvent = std::function<void(TZipReader&, uint8_t*, int32_t, const std::string&)>;
using TFileNameForSplitPartEvent =
    std::function<void(TZipReader&, std::string&, int32_t, TSplitPartType)>;
using THandleMessageEvent = std::function<void(TZipReader&, int32_t, const std::string&,
                                               const std::string&, uint32_t, int32_t&)>;

class TZipReader {
 public:
  TZipReader();
  virtual ~TZipReader();
  TZipReader(const TZipReader&) = delete;
  TZipReader& operator=(const TZipReader&) = delete;

  // Copies the settings and handlers of another reader (not its directory).
  void Assign(const TZipReader& source);

  // Properties with effects.
  int32_t ThisVersion() const { return 306; }
  void SetThisVersion(int32_t) {}
  int32_t ThisBuild() const { return 1; }
  void SetThisBuild(int32_t) {}
  const std::string& ZipName() const { return zipName_; }
  virtual void SetZipName(const std::string& name);
  const std::string& DestDir() const { return destDir_; }
  void SetDestDir(const std::string& folder);
  const std::string& RootDir() const { return rootDir_; }
  void SetRootDir(const std::string& folder);
  std::vector<std::string> RelativePathList;
  std::vector<std::string> FilesList;
  TZipSortMode SortMode = ByNone;
  bool RecreateDirs = false;
  TUZOverwriteMode OverwriteMode = Prompt;
  bool DoAll = false;
  TIncompleteZipMode IncompleteZipMode = izAssumeMulti;
  bool KeepZipOpen = false;
  bool DoProcessMessages = true;
  bool RetainAttributes = true;
  bool ReplaceReadOnly = false;
  bool FlushFilesOnClose = false;
  TBlockMode BlockMode = bmStandard;
  TOEMConvert OEMConvert = oemAlways;

  TStartUnzipInfo OnStartUnZipInfo;
  TFilePercentDone OnFilePercentDone;
  TTotalPercentDone OnTotalPercentDone;
  TStartUnZipEvent OnStartUnZip;
  TEndUnZipEvent OnEndUnZip;
  TPromptForOverwrite OnPromptForOverwrite;
  TSkippingFile OnSkippingFile;
  TBadPassword OnBadPassword;
  TBadCRC OnBadCRC;
  TIncompleteZip OnInCompleteZip;
  TGetNextDisk OnGetNextDisk;
  TUnZipComplete OnUnZipComplete;
  TDecryptEvent OnDecrypt;
  TFileNameForSplitPartEvent OnFileNameForSplitPart;
  THandleMessageEvent OnHandleMessage;

  // Run-time state.
  std::string Password;
  int32_t Count() const { return sorted_ != nullptr ? sorted_->Count() : 0; }
  int32_t NumDisks = 1;
  virtual TMultiMode GetMultiMode() const { return multiMode_; }
  virtual void SetMultiMode(TMultiMode mode) { multiMode_ = mode; }
  virtual bool GetCheckDiskLabels() const { return checkDiskLabels_; }
  virtual void SetCheckDiskLabels(bool check) { checkDiskLabels_ = check; }
  bool CancelOperation = false;
  bool PauseOperation = false;

  // Per-entry accessors over the sorted view; EListError "Index %d is out
  // of range" for a bad index.
  std::string Filename(int32_t index) const;
  TDateTime DateTime(int32_t index) const;
  std::string FileComment(int32_t index);
  void SetFileComment(int32_t index, const std::string& comment);
  const TZipHeaderInfo& Entry(int32_t index) const;
  std::string ZipComment();
  void SetZipComment(const std::string& comment);
  const TEndCentral& EndRecord() const { return end_; }

  // Removes the first RelativePathList line that prefixes the name.
  std::string RemoveRelativePath(const std::string& name) const;

  // Directory (see the archive-reading unit).
  void ReadZip();
  void OpenZip();
  void CloseZip();
  void ClearZip();
  void SetSortMode(TZipSortMode mode);
  // Extracts the selected entries; returns how many were extracted.
  int32_t UnZip();

  // Every question or message for the user passes here.
  int32_t DoHandleMessage(int32_t id, const std::string& text, const std::string& caption,
                          uint32_t flags);
  bool SetOperationFlag(bool value);
  bool SetReadingFlag(bool value);
  TZipHeaderInfo* NewHeaderInfo() const;
  void WaitWhileBusy();
  int32_t CurrentDisk() const { return currentDisk_; }
  bool LocalScanDone() const { return localScanDone_; }
  const std::string& SplitBaseName() const { return splitBaseName_; }

 protected:
  friend class TUnzipContext;

  void CheckIndex(int32_t index) const;
  void DropDirectory();
  void GetFileInfo(TStream*& stream);
  bool ScanLocalHeaders(TStream& stream);
  bool ReadDirectoryRecords(TStream*& stream, bool fromConfig);
  void ChooseMultiMode();
  TStream* DoSwitchDisk(int32_t part);
  void DoGetNextDisk(int32_t part, std::string& name);
  void DefaultGetNextDisk(int32_t part, std::string& name);
  void DoFileNameForSplitPart(std::string& name, int32_t part, TSplitPartType type);
  bool DiskLabelMatches(int32_t part);
  void OpenArchiveStream(const std::string& name, uint16_t mode, bool flush);
  std::string LoadComment(int64_t position, bool central, uint16_t length);
  void PumpMessages();
  int32_t UnZipFiles(TStream*& stream);

  std::string zipName_;
  std::string destDir_;
  std::string rootDir_;
  std::string splitBaseName_;
  TMultiMode multiMode_ = mmNone;
  bool checkDiskLabels_ = true;
  std::unique_ptr<TSortedZip> entries_;
  TSortedZip* sorted_ = nullptr;
  std::unique_ptr<TSortedZip> sortedView_;
  TEndCentral end_;
  std::unique_ptr<TLFNFileStream> stream_;
  int32_t currentDisk_ = 0;
  double zipFileDate_ = 0;
  std::unique_ptr<TZipHeaderInfo> scratch_;
  bool operationFlag_ = false;
  bool readingFlag_ = false;
  bool localScanDone_ = false;
  TZipKeys keys_;
  uint32_t crc_ = 0xFFFFFFFF;
  int64_t totalToDo_ = 0;
  int64_t totalDone_ = 0;
  int32_t fileBufferSize_ = 8192;
};

}  // namespace tv::zip
