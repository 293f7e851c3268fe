#pragma once
// Failures and user-visible texts of the ZIP component.
//
// Every English text the component shows or raises comes from one numbered
// table, so that a message hook sees the same id for the same question.
// The exception classes carry only their message; callers tell failures
// apart by class.

#include <cstdint>
#include <string>

#include "platform/Exceptions.h"

namespace tv::zip {

TV_EXCEPTION_CLASS(EZipException, Exception);
TV_EXCEPTION_CLASS(EBadZipFile, EZipException);
TV_EXCEPTION_CLASS(EIncompleteZip, EZipException);
TV_EXCEPTION_CLASS(ENotAZipFile, EZipException);
TV_EXCEPTION_CLASS(EFatalUnzipError, EZipException);
TV_EXCEPTION_CLASS(EUserCanceled, EZipException);
TV_EXCEPTION_CLASS(EBiggerThanUncompressed, EZipException);
TV_EXCEPTION_CLASS(ENotEnoughRoom, EZipException);
TV_EXCEPTION_CLASS(ECantWriteUCF, EZipException);
TV_EXCEPTION_CLASS(ECanceledUnzipToBuffer, EZipException);
TV_EXCEPTION_CLASS(EConfigFileSaveError, EZipException);
TV_EXCEPTION_CLASS(EZLibError, Exception);
TV_EXCEPTION_CLASS(EZCompressionError, EZLibError);

// Runtime classes the component raises besides its own.
TV_EXCEPTION_CLASS(EStreamError, Exception);
TV_EXCEPTION_CLASS(EClassNotFound, Exception);

// Message ids of the table.
enum ZipMessageId : int {
  kMsgOpenZipTitle = 176,
  kMsgOpenZipFilter = 177,
  kMsgCancelDestDir = 178,
  kMsgIndexOutOfRange = 179,
  kMsgUserAborted = 181,
  kMsgIncompleteZip = 182,
  kMsgNotAZipFile = 183,
  kMsgInsertDisk = 184,
  kMsgOfMultiDisk = 185,
  kMsgCancelZipName = 186,
  kMsgCancelZip = 187,
  kMsgSeekError = 190,
  kMsgInvalidOrigin = 191,
  kMsgPutbackOverflow = 192,
  kMsgInflateMemory = 193,
  kMsgPrematureEnd = 194,
  kMsgReplaceFile = 195,
  kMsgFileExists = 196,
  kMsgUnknownMethod = 197,
  kMsgZipError = 198,
  kMsgBiggerThanUncompressed = 199,
  kMsgCouldNotCopy = 202,
  kMsgError = 203,
  kMsgNotEnoughRoom = 204,
  kMsgCantWriteUcf = 207,
};

// The text of a message id; an id without an entry gives an empty text.
std::string LoadZipStr(int id);

// The text of an id with its one "%d" replaced by the number.
std::string FormatZipStr(int id, int64_t value);

// Message-box flags and answers as the platform defines them.
constexpr int kMbOk = 0;
constexpr int kMbOkCancel = 1;
constexpr int kMbYesNo = 4;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

}  // namespace tv::zip
