#pragma once
// File and folder operations on Windows-style paths (every path goes through
// MapPath). Failures set the thread's last error to the Windows code
// (OsError.h), so callers can report the system's text as the original did.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

bool FileExists(std::string_view path);  // a plain file (not a folder)
bool DirectoryExists(std::string_view path);
// Creates the folder and its missing parents; true when it exists afterwards.
bool ForceDirectories(std::string_view path);

// The whole file. Throws EFOpenError 'Cannot open file "<path>". <text>'.
std::string ReadFileBytes(std::string_view path);
// The whole file into `out`; false (last error set) when it cannot be read.
bool TryReadFileBytes(std::string_view path, std::string& out);
// Replaces the file with `bytes` atomically: a temporary file in the same
// folder, flushed to disk, then renamed over the target; readers see the old
// or the new content, never a part. Throws EFCreateError
// 'Cannot create file "<path>". <text>' (the folder must exist).
void WriteFileBytes(std::string_view path, std::string_view bytes);
// Appends to the file, creating it when missing. Throws EFCreateError.
void AppendFileBytes(std::string_view path, std::string_view bytes);

bool DeleteFile(std::string_view path);
// Fails when `to` exists (as on Windows).
bool RenameFile(std::string_view from, std::string_view to);
bool CopyFile(std::string_view from, std::string_view to, bool failIfExists);
int64_t FileSize(std::string_view path);  // -1 when missing
// Creates an empty file "<prefix><hex>.tmp" in `dir` and returns its path
// (dir with a trailing delimiter, then the name); empty on failure.
std::string GetTempFileName(std::string_view dir, std::string_view prefix);
// Names of the entries of a folder (Windows-1251), sorted; "." and ".."
// left out; empty when the folder cannot be read.
std::vector<std::string> ListFolder(std::string_view dir);

// Sets the last error from errno after a failed call on `native`: a missing
// parent folder gives 3 (path not found) rather than 2.
int SetLastErrorForPath(int err, const std::string& native);

}  // namespace tv
