#pragma once
// Windows error codes on Linux: the thread's last error, the mapping from
// errno, and the system's texts for the codes (those of a Russian Windows
// installation, in Windows-1251), as callers put them into messages.

#include <string>

namespace tv {

// Windows error codes the library meets.
enum WinError : int {
  kErrorSuccess = 0,
  kErrorInvalidFunction = 1,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorTooManyOpenFiles = 4,
  kErrorAccessDenied = 5,
  kErrorInvalidHandle = 6,
  kErrorNotEnoughMemory = 8,
  kErrorNotSameDevice = 17,
  kErrorNoMoreFiles = 18,
  kErrorWriteProtect = 19,
  kErrorGenFailure = 31,
  kErrorSharingViolation = 32,
  kErrorLockViolation = 33,
  kErrorHandleDiskFull = 39,
  kErrorNotSupported = 50,
  kErrorFileExists = 80,
  kErrorInvalidParameter = 87,
  kErrorBufferOverflow = 111,
  kErrorDiskFull = 112,
  kErrorInsufficientBuffer = 122,
  kErrorInvalidName = 123,
  kErrorDirNotEmpty = 145,
  kErrorAlreadyExists = 183,
  kErrorFilenameExcedRange = 206,
  kErrorFileTooLarge = 223,
  kWaitTimeout = 258,
  kErrorNotOwner = 288,
  kErrorIoDevice = 1117,
  kErrorTimeout = 1460,
};

// The calling thread's last error (as the Windows call of the same name).
int GetLastError();
void SetLastError(int winError);

// The Windows code that corresponds to an errno value. ENOENT gives 2 (file
// not found); callers that know the folder is missing report 3 themselves.
int ErrnoToWinError(int err);
// SetLastError(ErrnoToWinError(err)); returns the Windows code.
int SetLastErrorFromErrno(int err);

// The system's text for a code: the Russian Windows message without its
// trailing dot and line break; empty for a code we have no text for.
std::string SysErrorMessage(int winError);

// Raises EOSError "System Error.  Code: N.\r\n<text>" for a non-zero code,
// and "A call to an OS function failed" for 0.
[[noreturn]] void RaiseLastOSError(int winError);
[[noreturn]] void RaiseLastOSError();

}  // namespace tv
