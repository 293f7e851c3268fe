#include "zip/ZipDrives.h"

#include <sys/statvfs.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <mutex>

#include "platform/os/Paths.h"

namespace tv::zip {
namespace {

std::mutex& DrivesLock() {
  static std::mutex lock;
  return lock;
}

std::map<char, TDriveInfo>& Drives() {
  static std::map<char, TDriveInfo> drives;
  return drives;
}

TDriveInfo InfoOf(const std::string& root) {
  char letter = DriveLetterOf(root);
  std::lock_guard guard(DrivesLock());
  auto it = Drives().find(letter);
  return it == Drives().end() ? TDriveInfo{} : it->second;
}

std::string FolderOf(const std::string& root) {
  char letter = DriveLetterOf(root);
  if (letter == 0) return MapPath(root);
  return MapPath(std::string(1, letter) + ":\\");
}

bool FolderExists(const std::string& folder) {
  std::error_code ec;
  return std::filesystem::is_directory(folder, ec);
}

int64_t BytesUnder(const std::string& folder) {
  int64_t total = 0;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file(ec)) total += static_cast<int64_t>(it->file_size(ec));
  }
  return total;
}

}  // namespace

void SetDriveInfo(char letter, const TDriveInfo& info) {
  std::lock_guard guard(DrivesLock());
  Drives()[static_cast<char>(std::tolower(static_cast<unsigned char>(letter)))] = info;
}

void ResetDrives() {
  std::lock_guard guard(DrivesLock());
  Drives().clear();
}

char DriveLetterOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
    return static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
  return 0;
}

int GetDriveKind(const std::string& root) {
  if (!FolderExists(FolderOf(root)) && DriveLetterOf(root) != 0) {
    TDriveInfo info = InfoOf(root);
    // A removable drive without a disk still has its kind.
    return info.kind == DRIVE_FIXED ? DRIVE_NO_ROOT_DIR : info.kind;
  }
  return InfoOf(root).kind;
}

bool GetVolumeLabel(const std::string& root, std::string& label) {
  label.clear();
  if (!FolderExists(FolderOf(root))) return false;
  label = InfoOf(root).label;
  return true;
}

bool SetVolumeLabel(const std::string& root, const std::string& label) {
  char letter = DriveLetterOf(root);
  if (letter == 0 || !FolderExists(FolderOf(root))) return false;
  TDriveInfo info = InfoOf(root);
  info.label = label.substr(0, 11);
  SetDriveInfo(letter, info);
  return true;
}

int64_t DiskFreeSpace(const std::string& root) {
  std::string folder = FolderOf(root);
  if (!FolderExists(folder)) return -1;
  TDriveInfo info = InfoOf(root);
  if (info.capacity >= 0) return std::max<int64_t>(info.capacity - BytesUnder(folder), 0);
  struct statvfs vfs {};
  if (::statvfs(folder.c_str(), &vfs) != 0) return -1;
  return static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
}

int64_t DiskClusterBytes(const std::string& root) {
  std::string folder = FolderOf(root);
  if (!FolderExists(folder)) return -1;
  TDriveInfo info = InfoOf(root);
  if (info.clusterSize > 0) return info.clusterSize;
  struct statvfs vfs {};
  if (::statvfs(folder.c_str(), &vfs) != 0) return -1;
  return static_cast<int64_t>(vfs.f_frsize);
}

}  // namespace tv::zip
