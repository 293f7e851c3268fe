#pragma once
// Windows paths of the system ("C:\FUEL\FORMS\REPORT\") live under one root
// folder on Linux. The library keeps the Windows spelling in its texts and
// messages; only the file-system calls see the native path, made here.
//
// Mapping rules:
//  - the root is $TOLVAREN_ROOT, or ~/.local/share/tolvaren when it is unset;
//  - "X:\a\b" becomes <root>/x/a/b (drive letter lower-cased);
//  - a path that starts with "/" is already native and stays as it is;
//  - any other path is relative: "\" becomes "/";
//  - names are Windows-1251 in the library and UTF-8 on disk;
//  - an existing file or folder is found without regard to letter case, as
//    on Windows: each component that does not exist as spelled is looked up
//    case-insensitively in its folder.

#include <string>
#include <string_view>

namespace tv {

// The root folder (native, UTF-8, no trailing slash).
std::string RootFolder();

// Native UTF-8 path of a Windows-1251 Windows (or native) path.
std::string MapPath(std::string_view path);

// The Windows folder (holds cnf.ini and the registry store): "C:\WINDOWS\".
std::string GetWindowsDir();
// The temporary folder: "C:\TEMP\" (created on first use).
std::string GetTempDir();
// Folder and file name of the running program, as a Windows-style text
// (native paths stay native): used where the system names "the host
// executable's folder".
std::string GetHostExeName();

// Native path of the module (shared library or program) that holds this
// code, as the loader knows it; made absolute from the current folder when
// the module was loaded by a relative name. Empty when it cannot be told.
std::string GetModulePath();

// Path helpers on Windows-style texts; "\" and "/" both separate.
std::string ExtractFilePath(std::string_view path);  // with trailing separator
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path);   // with the dot
std::string ChangeFileExt(std::string_view path, std::string_view ext);
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);
bool IsPathDelimiter(char c);

}  // namespace tv
