#include "platform/os/SharedMemory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/Exceptions.h"
#include "platform/os/LockFile.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/OsError.h"
#include "platform/os/Paths.h"

namespace tv {
namespace {

// POSIX names are machine-wide; the root folder is part of the name so
// that separate roots (test runs, installations) never meet.
std::string ShmName(const std::string& name) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "/tolvaren.%016llx.%016llx",
                static_cast<unsigned long long>(Fnv1a64(RootFolder())),
                static_cast<unsigned long long>(Fnv1a64(name)));
  return buf;
}

[[noreturn]] void Fail(int err, int closeFd) {
  if (closeFd >= 0) ::close(closeFd);
  SetLastErrorFromErrno(err);
  RaiseLastOSError();
}

// Opens the block; a new one is made empty (zero-filled) of `size` bytes.
int OpenBlock(const std::string& shmName, size_t size, bool fresh) {
  int fd = -1;
  if (!fresh) fd = ::shm_open(shmName.c_str(), O_RDWR | O_CLOEXEC, 0666);
  if (fd < 0) {
    ::shm_unlink(shmName.c_str());
    fd = ::shm_open(shmName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    ::fchmod(fd, 0666);
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 ||
      (static_cast<size_t>(st.st_size) < size && ::ftruncate(fd, static_cast<off_t>(size)) != 0)) {
    int err = errno;
    ::close(fd);
    errno = err;
    return -1;
  }
  return fd;
}

}  // namespace

SharedMemory::SharedMemory(std::string name, void* data, size_t size, int refFd)
    : name_(std::move(name)), data_(data), size_(size), refFd_(refFd) {}

std::unique_ptr<SharedMemory> SharedMemory::Create(const std::string& fullName, size_t size,
                                                   int* lastError) {
  std::string name = StripNamespacePrefix(fullName);
  if (name.empty() || size == 0) {
    SetLastError(name.empty() ? kErrorInvalidName : kErrorInvalidParameter);
    RaiseLastOSError();
  }
  FileLock guard(LockFilePath("shm-guard", name));
  int refFd = OpenLockFile(LockFilePath("shm", name));
  if (refFd < 0) RaiseLastOSError();
  bool existed = ::flock(refFd, LOCK_EX | LOCK_NB) != 0;
  std::string shmName = ShmName(name);
  int fd = OpenBlock(shmName, size, !existed);
  if (fd < 0) Fail(errno, refFd);
  void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  int err = errno;
  ::close(fd);
  if (data == MAP_FAILED) Fail(err, refFd);
  ::flock(refFd, LOCK_SH);
  int code = existed ? kErrorAlreadyExists : kErrorSuccess;
  SetLastError(code);
  if (lastError != nullptr) *lastError = code;
  return std::unique_ptr<SharedMemory>(new SharedMemory(name, data, size, refFd));
}

SharedMemory::~SharedMemory() {
  ::munmap(data_, size_);
  try {
    FileLock guard(LockFilePath("shm-guard", name_));
    ::close(refFd_);
    // The last holder removes the block, so no memory stays behind.
    int probe = OpenLockFile(LockFilePath("shm", name_));
    if (probe >= 0) {
      if (::flock(probe, LOCK_EX | LOCK_NB) == 0) ::shm_unlink(ShmName(name_).c_str());
      ::close(probe);
    }
  } catch (const Exception&) {
    ::close(refFd_);
  }
}

}  // namespace tv
