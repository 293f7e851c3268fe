#include "platform/os/LockFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "platform/os/OsError.h"
#include "platform/os/Paths.h"

namespace tv {
namespace {

bool SafeNameChar(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_';
}

}  // namespace

uint64_t Fnv1a64(std::string_view bytes) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string LockFolder() {
  std::string dir = RootFolder() + "/.locks";
  if (::mkdir(dir.c_str(), 0777) == 0) ::chmod(dir.c_str(), 0777);
  return dir;
}

std::string LockFilePath(std::string_view kind, std::string_view name) {
  // Percent-encoding keeps names readable in the folder; a leading dot is
  // encoded too, so no name can become "." or "..".
  std::string enc;
  enc.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (SafeNameChar(c) && !(i == 0 && c == '.')) {
      enc += static_cast<char>(c);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      enc += buf;
    }
  }
  if (enc.size() > 180) {
    char buf[20];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(Fnv1a64(name)));
    enc = enc.substr(0, 150) + "~" + buf;
  }
  return LockFolder() + "/" + std::string(kind) + "." + enc;
}

int OpenLockFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    SetLastErrorFromErrno(errno);
    return -1;
  }
  // The umask must not narrow who may open it: every account may.
  ::fchmod(fd, 0666);
  return fd;
}

FileLock::FileLock(const std::string& lockPath) {
  fd_ = OpenLockFile(lockPath);
  if (fd_ < 0) RaiseLastOSError();
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      int err = errno;
      ::close(fd_);
      SetLastErrorFromErrno(err);
      RaiseLastOSError();
    }
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing drops the flock
}

}  // namespace tv
