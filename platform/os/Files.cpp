#include "platform/os/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/os/OsError.h"
#include "platform/os/Paths.h"
#include "platform/os/SysInfo.h"

namespace tv {
namespace {

std::string ParentOf(const std::string& native) {
  std::string s = native;
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  std::size_t p = s.rfind('/');
  if (p == std::string::npos) return ".";
  return p == 0 ? "/" : s.substr(0, p);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string QuotedFileError(const char* what, std::string_view path) {
  return std::string(what) + " \"" + std::string(path) + "\". " + SysErrorMessage(GetLastError());
}

std::atomic<unsigned> gTempCounter{0};

}  // namespace

int SetLastErrorForPath(int err, const std::string& native) {
  if (err == ENOENT) {
    struct stat st;
    std::string parent = ParentOf(native);
    if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      SetLastError(kErrorPathNotFound);
      return kErrorPathNotFound;
    }
  }
  return SetLastErrorFromErrno(err);
}

bool FileExists(std::string_view path) {
  struct stat st;
  return ::stat(MapPath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
  struct stat st;
  return ::stat(MapPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(std::string_view path) {
  std::string native = MapPath(path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  if (native.empty()) {
    SetLastError(kErrorInvalidName);
    return false;
  }
  for (std::size_t i = 1; i <= native.size(); ++i) {
    if (i != native.size() && native[i] != '/') continue;
    std::string part = native.substr(0, i);
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
      SetLastErrorForPath(errno, part);
      return false;
    }
  }
  struct stat st;
  if (::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
  SetLastError(kErrorAlreadyExists);
  return false;
}

// Appends everything left in `fd` to `out`; false (last error set) on a
// read failure.
static bool ReadToEnd(int fd, std::string& out) {
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastErrorFromErrno(errno);
      return false;
    }
    if (n == 0) return true;
    out.append(buf, static_cast<std::size_t>(n));
  }
}

bool TryReadFileBytes(std::string_view path, std::string& out) {
  out.clear();
  std::string native = MapPath(path);
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetLastErrorForPath(errno, native);
    return false;
  }
  // A folder fails here as well (EISDIR).
  const bool ok = ReadToEnd(fd, out);
  ::close(fd);
  if (!ok) out.clear();
  return ok;
}

std::string ReadFileBytes(std::string_view path) {
  std::string native = MapPath(path);
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (fd >= 0 && (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) {
    ::close(fd);
    fd = -1;
    errno = EACCES;
  }
  if (fd < 0) {
    SetLastErrorForPath(errno, native);
    throw EFOpenError(QuotedFileError("Cannot open file", path));
  }
  std::string out;
  out.reserve(static_cast<std::size_t>(st.st_size));
  const bool ok = ReadToEnd(fd, out);
  ::close(fd);
  if (!ok) throw EReadError(QuotedFileError("Cannot read file", path));
  return out;
}

void WriteFileBytes(std::string_view path, std::string_view bytes) {
  std::string native = MapPath(path);
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".~%u.%u.%u", GetCurrentProcessId(), GetCurrentThreadId(),
                gTempCounter.fetch_add(1));
  std::string temp = native + suffix;
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    SetLastErrorForPath(errno, native);
    throw EFCreateError(QuotedFileError("Cannot create file", path));
  }
  // Keep the mode of the file being replaced.
  struct stat st;
  if (::stat(native.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
  bool ok = WriteAll(fd, bytes) && ::fdatasync(fd) == 0;
  int err = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::rename(temp.c_str(), native.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    SetLastErrorForPath(err, native);
    throw EFCreateError(QuotedFileError("Cannot create file", path));
  }
}

void AppendFileBytes(std::string_view path, std::string_view bytes) {
  std::string native = MapPath(path);
  int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) {
    SetLastErrorForPath(errno, native);
    throw EFCreateError(QuotedFileError("Cannot create file", path));
  }
  bool ok = WriteAll(fd, bytes);
  int err = errno;
  ::close(fd);
  if (!ok) {
    SetLastErrorFromErrno(err);
    throw EWriteError(QuotedFileError("Cannot write file", path));
  }
}

bool DeleteFile(std::string_view path) {
  std::string native = MapPath(path);
  struct stat st;
  if (::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    SetLastError(kErrorAccessDenied);
    return false;
  }
  if (::unlink(native.c_str()) == 0) return true;
  SetLastErrorForPath(errno, native);
  return false;
}

bool RenameFile(std::string_view from, std::string_view to) {
  std::string src = MapPath(from);
  std::string dst = MapPath(to);
  struct stat st;
  if (::lstat(dst.c_str(), &st) == 0 && src != dst) {
    SetLastError(kErrorAlreadyExists);
    return false;
  }
  if (::rename(src.c_str(), dst.c_str()) == 0) return true;
  SetLastErrorForPath(errno, errno == ENOENT && ::lstat(src.c_str(), &st) == 0 ? dst : src);
  return false;
}

bool CopyFile(std::string_view from, std::string_view to, bool failIfExists) {
  if (failIfExists && FileExists(to)) {
    SetLastError(kErrorFileExists);
    return false;
  }
  try {
    WriteFileBytes(to, ReadFileBytes(from));
  } catch (const Exception&) {
    return false;  // the last error tells why
  }
  return true;
}

int64_t FileSize(std::string_view path) {
  struct stat st;
  if (::stat(MapPath(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

std::string GetTempFileName(std::string_view dir, std::string_view prefix) {
  std::string base = IncludeTrailingPathDelimiter(dir);
  std::string nativeDir = MapPath(base);
  static thread_local std::mt19937 rng(std::random_device{}() ^ GetCurrentThreadId());
  for (int attempt = 0; attempt < 1000; ++attempt) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(rng() & 0xFFFFFF));
    std::string name = std::string(prefix) + hex + ".tmp";
    std::string native = nativeDir + Cp1251ToUtf8(name);
    int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return base + name;
    }
    if (errno != EEXIST) {
      SetLastErrorForPath(errno, native);
      return {};
    }
  }
  SetLastError(kErrorFileExists);
  return {};
}

std::vector<std::string> ListFolder(std::string_view dir) {
  std::vector<std::string> out;
  std::string native = MapPath(dir);
  DIR* d = ::opendir(native.empty() ? "." : native.c_str());
  if (d == nullptr) {
    SetLastErrorForPath(errno, native);
    return out;
  }
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    out.push_back(Utf8ToCp1251(name));
  }
  ::closedir(d);
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace tv
