#include "zip/ZipReader.h"

#include <unistd.h>

#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "zip/ZipBytes.h"
#include "zip/ZipMatch.h"
#include "zip/ZipMessages.h"

namespace tv::zip {

TZipReader::TZipReader() : scratch_(NewHeaderInfo()) {}

TZipReader::~TZipReader() {
  try {
    ClearZip();
  } catch (...) {
    // Releasing never fails in a way the owner could act on.
  }
}

void TZipReader::Assign(const TZipReader& s) {
  if (&s == this) return;
  zipName_ = s.zipName_;
  destDir_ = s.destDir_;
  rootDir_ = s.rootDir_;
  SortMode = s.SortMode;
  RecreateDirs = s.RecreateDirs;
  OverwriteMode = s.OverwriteMode;
  FilesList = s.FilesList;
  RelativePathList = s.RelativePathList;
  DoAll = s.DoAll;
  IncompleteZipMode = s.IncompleteZipMode;
  KeepZipOpen = s.KeepZipOpen;
  DoProcessMessages = s.DoProcessMessages;
  RetainAttributes = s.RetainAttributes;
  ReplaceReadOnly = s.ReplaceReadOnly;
  OnStartUnZipInfo = s.OnStartUnZipInfo;
  OnFilePercentDone = s.OnFilePercentDone;
  OnTotalPercentDone = s.OnTotalPercentDone;
  OnStartUnZip = s.OnStartUnZip;
  OnEndUnZip = s.OnEndUnZip;
  OnPromptForOverwrite = s.OnPromptForOverwrite;
  OnSkippingFile = s.OnSkippingFile;
  OnBadPassword = s.OnBadPassword;
  OnBadCRC = s.OnBadCRC;
  OnInCompleteZip = s.OnInCompleteZip;
  OnGetNextDisk = s.OnGetNextDisk;
  OnUnZipComplete = s.OnUnZipComplete;
  OnGetNextDisk = s.OnGetNextDisk;
  OnFileNameForSplitPart = s.OnFileNameForSplitPart;
}

void TZipReader::SetZipName(const std::string& name) {
  if (AnsiSameText(name, zipName_)) return;
  // There is no file dialog here: asking for a name is a cancelled choice.
  if (!name.empty() && name.back() == '?') throw EUserCanceled(LoadZipStr(kMsgCancelZipName));
  zipName_ = name;
  std::string file = ExtractFileName(name);
  size_t dot = file.find('.');
  splitBaseName_ =
      dot == std::string::npos ? name : name.substr(0, name.size() - file.size() + dot);
  DropDirectory();
}

void TZipReader::DropDirectory() {
  sortedView_.reset();
  sorted_ = nullptr;
  entries_.reset();
  zipFileDate_ = 0;
  end_.Clear();
  stream_.reset();
  localScanDone_ = false;
}

void TZipReader::SetDestDir(const std::string& folder) {
  if (folder == "?") throw EUserCanceled(LoadZipStr(kMsgCancelDestDir));
  destDir_ = folder;
  if (!destDir_.empty() && destDir_.back() == '\\') destDir_.pop_back();
}

void TZipReader::SetRootDir(const std::string& folder) {
  rootDir_ = folder;
  if (!rootDir_.empty() && rootDir_.back() != '\\') rootDir_ += '\\';
  RelativePathList.assign(1, rootDir_);
}

std::string TZipReader::RemoveRelativePath(const std::string& name) const {
  for (const std::string& prefix : RelativePathList) {
    if (prefix.size() <= name.size() && AnsiSameText(name.substr(0, prefix.size()), prefix))
      return name.substr(prefix.size());
  }
  return name;
}

void TZipReader::CheckIndex(int32_t index) const {
  if (index < 0 || index >= Count()) throw EListError(FormatZipStr(kMsgIndexOutOfRange, index));
}

const TZipHeaderInfo& TZipReader::Entry(int32_t index) const {
  CheckIndex(index);
  return *sorted_->Entry(index);
}

std::string TZipReader::Filename(int32_t index) const { return Entry(index).Filename(); }

TDateTime TZipReader::DateTime(int32_t index) const {
  TDateTime value = 0;
  if (TryDosDateTimeToDateTime(Entry(index).LastModFileDateTime, value)) return value;
  return NowDateTime();
}

std::string TZipReader::LoadComment(int64_t position, bool central, uint16_t length) {
  OpenZip();
  TStream& s = *stream_;
  int64_t back = s.Position();
  std::string text;
  try {
    s.Seek(position, soFromBeginning);
    if (central) {
      uint8_t record[46];
      s.ReadBuffer(record, 46);
      s.Seek(GetLE16(record + 28) + GetLE16(record + 30), soFromCurrent);
      length = GetLE16(record + 32);
    }
    text.resize(length);
    text.resize(static_cast<size_t>(std::max(s.Read(text.data(), length), 0)));
  } catch (...) {
    s.Seek(back, soFromBeginning);
    if (GetMultiMode() == mmNone) CloseZip();
    throw;
  }
  s.Seek(back, soFromBeginning);
  if (GetMultiMode() == mmNone) CloseZip();
  return text;
}

std::string TZipReader::FileComment(int32_t index) {
  CheckIndex(index);
  TZipHeaderInfo& entry = *sorted_->Entry(index);
  if (entry.FileCommentLength == 0) return {};
  if (!entry.FileComment().empty()) return entry.FileComment();
  std::string text = LoadComment(entry.CentralRecordPosition, true, 0);
  bool flag = end_.EndFlag;
  SetFileComment(index, text);
  end_.EndFlag = flag;
  return entry.FileComment();
}

void TZipReader::SetFileComment(int32_t index, const std::string& comment) {
  CheckIndex(index);
  TZipHeaderInfo& entry = *sorted_->Entry(index);
  if (comment == entry.FileComment()) return;
  entry.SetFileComment(comment);
  end_.EndFlag = true;
}

std::string TZipReader::ZipComment() {
  if (end_.ZipCommentLength == 0) return {};
  if (!end_.ZipComment().empty()) return end_.ZipComment();
  std::string text = LoadComment(end_.ZipCommentPos, false, end_.ZipCommentLength);
  bool flag = end_.EndFlag;
  SetZipComment(text);
  end_.EndFlag = flag;
  return end_.ZipComment();
}

void TZipReader::SetZipComment(const std::string& comment) {
  if (comment == end_.ZipComment()) return;
  end_.SetZipComment(comment);
  end_.EndFlag = true;
}

int32_t TZipReader::DoHandleMessage(int32_t id, const std::string& text,
                                    const std::string& caption, uint32_t flags) {
  if (OnHandleMessage) {
    int32_t answer = 0;
    OnHandleMessage(*this, id, text, caption, flags, answer);
    return answer;
  }
  // No one to ask: an OK box is acknowledged, a question is declined.
  if (flags == kMbYesNo) return kIdNo;
  if (flags == kMbOkCancel) return kIdCancel;
  return kIdOk;
}

bool TZipReader::SetOperationFlag(bool value) {
  bool old = operationFlag_;
  operationFlag_ = value;
  return old;
}

bool TZipReader::SetReadingFlag(bool value) {
  bool old = readingFlag_;
  readingFlag_ = value;
  return old;
}

TZipHeaderInfo* TZipReader::NewHeaderInfo() const {
  auto* entry = new TZipHeaderInfo;
  entry->OEMConvert = OEMConvert;
  return entry;
}

void TZipReader::WaitWhileBusy() {
  do {
    ::sleep(1);
    YieldProcess();
  } while (PauseOperation);
}

void TZipReader::PumpMessages() {
  if (!DoProcessMessages) return;
  YieldProcess();
  if (CancelOperation) {
    CancelOperation = false;
    throw EUserCanceled(LoadZipStr(kMsgUserAborted));
  }
  if (PauseOperation) WaitWhileBusy();
}

int32_t TZipReader::UnZip() {
  bool oldFlag = SetOperationFlag(true);
  CancelOperation = false;
  int32_t result = 0;
  try {
    if (destDir_ != "?") {
      ReadZip();
      OpenZip();
      if (stream_) {
        TStream* stream = stream_.get();
        result = UnZipFiles(stream);
      }
      CloseZip();
    }
  } catch (...) {
    SetOperationFlag(oldFlag);
    CancelOperation = false;
    throw;
  }
  SetOperationFlag(oldFlag);
  CancelOperation = false;
  return result;
}

}  // namespace tv::zip
