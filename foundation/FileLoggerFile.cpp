#include "foundation/FileLoggerFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Exceptions.h"
#include "platform/os/Files.h"
#include "platform/os/OsError.h"
#include "platform/os/Paths.h"
#include "platform/os/SysInfo.h"

namespace tv {

TFileLogger::File::File(const std::string& windowsPath, bool create, int timeoutMs)
    : path_(windowsPath) {
  if (timeoutMs < 0) timeoutMs = 200;
  std::string native = MapPath(windowsPath);
  uint32_t start = GetTickCount();
  for (;;) {
    fd_ = ::open(native.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
    if (fd_ >= 0) return;
    int code = SetLastErrorForPath(errno, native);
    bool busy = code == kErrorSharingViolation || code == kErrorLockViolation;
    if (!busy && create)
      throw EFCreateError("Cannot create file \"" + windowsPath + "\". " + SysErrorMessage(code));
    if (!busy)
      throw EFOpenError("Cannot open file \"" + windowsPath + "\". " + SysErrorMessage(code));
    if (GetTickCount() - start >= static_cast<uint32_t>(timeoutMs))
      throw Exception("Log file open timeout: " + std::to_string(timeoutMs) + " ms (" +
                      SysErrorMessage(code) + ")");
    Sleep(10);
  }
}

TFileLogger::File::~File() { Close(); }

void TFileLogger::File::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void TFileLogger::File::Fail(const char* what) {
  SetLastErrorFromErrno(errno);
  throw EWriteError(std::string(what) + " \"" + path_ + "\". " + SysErrorMessage(GetLastError()));
}

int64_t TFileLogger::File::Append(std::string_view bytes) {
  off_t end = ::lseek(fd_, 0, SEEK_END);
  if (end < 0) Fail("Cannot seek file");
  WriteAt(end, bytes);
  return static_cast<int64_t>(end) + static_cast<int64_t>(bytes.size());
}

std::string TFileLogger::File::ReadAt(int64_t offset, int64_t count) {
  std::string out(static_cast<std::size_t>(count), '\0');
  std::size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, offset + done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("Cannot read file");
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  out.resize(done);
  return out;
}

void TFileLogger::File::WriteAt(int64_t offset, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, offset + done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("Cannot write file");
    done += static_cast<std::size_t>(n);
  }
}

void TFileLogger::File::SetSize(int64_t size) {
  if (::ftruncate(fd_, size) != 0) Fail("Cannot set the size of file");
}

}  // namespace tv
