#pragma once
// File search and attributes in the manner of the Windows find calls: a
// search over one folder with an attribute mask, entries in name order
// (letter case ignored), names in Windows-1251.
//
// Attributes on Linux: a folder has faDirectory, a file faArchive; a name
// that starts with "." is faHidden; an entry without the owner's write
// permission is faReadOnly.

#include <cstdint>
#include <memory>
#include <string>

namespace tv::zip {

constexpr int32_t faReadOnly = 0x01;
constexpr int32_t faHidden = 0x02;
constexpr int32_t faSysFile = 0x04;
constexpr int32_t faVolumeID = 0x08;
constexpr int32_t faDirectory = 0x10;
constexpr int32_t faArchive = 0x20;
constexpr int32_t faAnyFile = 0x3F;

struct TFindState;

// The runtime's search record.
struct TSearchRec {
  int32_t Time = 0;  // DOS date-time of the last write, local time
  int64_t Size = 0;
  int32_t Attr = 0;
  std::string Name;
  int32_t ExcludeAttr = 0;
  uint32_t FindDataSizeHigh = 0;  // the size as the platform's find data holds it
  uint32_t FindDataSizeLow = 0;
  int64_t MTime = 0;  // last write, seconds since 1970 (UTC)
  // Where the entry (a link's target) lives on disk: two names of one
  // folder share these, which is how a search sees a link lead back.
  uint64_t Device = 0;
  uint64_t Inode = 0;
  std::shared_ptr<TFindState> FindHandle;
};

// Starts a search; the last component of path is a wildcard mask ("*.*" for
// everything). Returns 0 and fills rec with the first entry, or an error
// code (non-zero) when nothing is found.
int FindFirst(const std::string& path, int32_t attr, TSearchRec& rec);
// The next entry: 0, or non-zero when the search is over.
int FindNext(TSearchRec& rec);
// Releases the search.
void FindClose(TSearchRec& rec);

// Attributes of a file or folder, or -1 when it does not exist.
int32_t FileGetAttr(const std::string& path);
// Sets the read-only bit (the only attribute a Linux file keeps); 0 on
// success, an error code otherwise.
int FileSetAttr(const std::string& path, int32_t attr);

}  // namespace tv::zip
