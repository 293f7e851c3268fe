#pragma once
// Drives as the ZIP component sees them. A Windows drive "X:\" is the folder
// x/ under the root folder (tv::MapPath); its kind, volume label, capacity
// and allocation-unit size are held here, so that a removable disk and the
// change of one disk for another can be played out in a folder.
//
// A drive nobody described is a fixed disk without a label whose free space
// and cluster size are those of the file system under it. Native paths
// ("/...") belong to no drive letter and behave the same way.

#include <cstdint>
#include <string>

namespace tv::zip {

// Drive types as the platform numbers them.
enum TDriveKind : int {
  DRIVE_UNKNOWN = 0,
  DRIVE_NO_ROOT_DIR = 1,
  DRIVE_REMOVABLE = 2,
  DRIVE_FIXED = 3,
  DRIVE_REMOTE = 4,
  DRIVE_CDROM = 5,
  DRIVE_RAMDISK = 6,
};

struct TDriveInfo {
  int kind = DRIVE_FIXED;
  std::string label;
  int64_t capacity = -1;  // bytes the disk holds; -1: the file system's own
  int64_t clusterSize = 0;  // bytes per allocation unit; 0: the file system's own
};

// Describes (or re-describes, as after a disk change) a drive by letter.
void SetDriveInfo(char letter, const TDriveInfo& info);
// Forgets every description.
void ResetDrives();

// The drive letter of a path ("a" for "A:\x"), or 0 when it has none.
char DriveLetterOf(const std::string& path);
int GetDriveKind(const std::string& root);
// False when the drive's folder does not exist (no disk in the drive).
bool GetVolumeLabel(const std::string& root, std::string& label);
bool SetVolumeLabel(const std::string& root, const std::string& label);
// Free bytes on the drive, or -1 when the drive's folder does not exist.
int64_t DiskFreeSpace(const std::string& root);
// Bytes per allocation unit, or -1 when the drive's folder does not exist.
int64_t DiskClusterBytes(const std::string& root);

}  // namespace tv::zip
