#pragma once
// The ZIP component's contact with the file system: 64-bit sizes, DOS dates
// (local time, as the archives store them), path strings, file dates,
// folder creation, moving and copying files, volume labels, drive kinds,
// temporary files and OEM names.

#include <cstdint>
#include <ctime>
#include <string>

#include "zip/ZipFind.h"

namespace tv::zip {

// Days since 30 December 1899, the fraction being the time of day.
using TDateTime = double;

int64_t GetSearchRecSize64(const TSearchRec& rec);
inline int64_t Min64(int64_t a, int64_t b) { return a < b ? a : b; }
inline int64_t Max64(int64_t a, int64_t b) { return a > b ? a : b; }
// part x 100 / whole, rounded half to even, at most 100; 0 for whole <= 0.
int32_t Percentage64(int64_t whole, int64_t part);

// Every backslash to a slash / every slash to a backslash, in place.
void DOSToUnixFilename(std::string& name);
void UnixToDOSFilename(std::string& name);
std::string RightStr(const std::string& s, int count);
std::string LeftStr(const std::string& s, int count);
// True when s holds one of * ? < > |.
bool HasWildcards(const std::string& s);

// DOS date-time: time in the low word, date in the high word.
// Clamps each field into range (year 1980..2099); unchanged when in range.
uint32_t FixDosDateTime(uint32_t dosDateTime);
// The DOS date-time of a local time given in seconds since 1970, or
// 0xFFFFFFFF when the year lies outside 1980..2107.
uint32_t UnixTimeToDosDateTime(int64_t unixTime);
// Seconds since 1970 of a DOS date-time read as local time.
int64_t DosDateTimeToUnixTime(uint32_t dosDateTime);
// False when the fields do not form a date and time (the runtime raises).
bool TryDosDateTimeToDateTime(uint32_t dosDateTime, TDateTime& result);
// The DOS date-time of a date-time.
uint32_t DateTimeToDosDateTime(TDateTime value);
TDateTime NowDateTime();

// The last write of a file as DOS date-time, or 0xFFFFFFFF when the file is
// missing or its date does not fit.
uint32_t GetFileDosDateTime(const std::string& path);
// Never raises: a missing file gives 31 December 2099, 23:59:58.
TDateTime GetFileDateTime(const std::string& path);
void CreateDirectories(const std::string& path);
bool FileExistsEx(const std::string& path);
bool DirExists(const std::string& path);
// The current folder of a drive (0 = the current drive).
std::string GetDirOfDrive(int drive);
// Renames source to target on one drive, keeping an existing target as
// target + "$$$" until the rename succeeded. False on another drive.
bool MoveFileOnSameDrive(const std::string& source, const std::string& target);
// Moves on the same drive, else copies. Raises Exception "Error: Could not
// copy from <source> -> <target>" when nothing was copied.
void FileCopy(const std::string& source, const std::string& target);

bool SetVolLabel(const std::string& driveRoot, const std::string& label);
void GetVolLabel(const std::string& driveRoot, std::string& label);
bool IsRemovableDrive(const std::string& driveRoot);
// Bytes per allocation unit; raises EOSError when the drive is not there.
int64_t DiskClusterSize64(const std::string& driveRoot);
// There is no Windows 9x family here.
inline bool IsWin95OSR2OrLater() { return false; }
// Creates an empty file "ZTMxxxx.tmp" in the folder and returns its name
// (empty when none could be made).
std::string GetTempFileNameIn(const std::string& directory);
// Replaces characters that have no OEM (866) form the way the platform does.
void OemFilter(std::string& s);
// Mode 0: short names (a Linux name has none, so the path as typed);
// mode 1: each component as the disk spells it.
std::string ConvertPathName(const std::string& path, int mode);

}  // namespace tv::zip
