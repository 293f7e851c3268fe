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
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tv {

// The root folder (native, UTF-8, no trailing slash).
std::string RootFolder();
// Whether the root folder is there (a folder, or a link to one).
bool RootFolderExists();
// Throws EInOutError naming the root folder and how it is set
// (TOLVAREN_ROOT, host/prepare-root) when it is not there.
void RequireRootFolder();

// Native UTF-8 path of a Windows-1251 Windows (or native) path.
std::string MapPath(std::string_view path);

// Resolves many names below one folder in a single run (an archive
// extraction) the way MapPath does, without reading a folder more than
// once: each folder's names are read on first use and indexed by their
// case-folded form, and resolved folders are remembered. The results equal
// MapPath's as long as the folders in use change only through the owner,
// who reports each name it creates (folders made by `Folder` are recorded
// here). Names are UTF-8; a name with characters outside Windows-1251 is
// found only as spelled, never through letter case.
class TNoCaseResolver {
 public:
  // `base` is a native folder (no trailing slash; "." for the current one).
  explicit TNoCaseResolver(std::string base);

  // Native folder of `rel` ("a/b/", relative to the base): each component
  // as it stands on disk in any letter case, or as spelled when missing.
  // With `create`, missing folders are made (mode 0755); returns false and
  // leaves errno set when one cannot be made.
  bool Folder(std::string_view rel, bool create, std::string& native);
  // Native path of `name` in the native folder `folder`; `exists` tells
  // whether a file or folder of that name (in any letter case) is there.
  // Each name found carries a mark for the owner (false at first), kept
  // until Clear: `mark`, when given, gets the found name's (null when
  // none exists).
  std::string Child(const std::string& folder, std::string_view name, bool& exists,
                    bool** mark = nullptr);
  // Records that the owner created `name` in the native folder `folder`;
  // returns its mark (null while the folder has not been read).
  bool* Added(const std::string& folder, std::string_view name);
  // Native paths of the names whose mark is set.
  std::vector<std::string> MarkedPaths() const;
  // Forgets everything read (the folders changed behind the owner's back).
  void Clear();

 private:
  // A name is there as spelled when it is its fold's first name or one of
  // the others; a fold's first name answers for any spelling of it.
  struct Name {
    std::string spelled;
    bool mark = false;
  };
  struct FolderIndex {
    std::unordered_map<std::string, Name> folded;  // first name per fold
    std::unordered_map<std::string, bool> others;  // later names of a fold, names without one
    bool* Add(std::string_view name);              // the name's mark
  };
  FolderIndex& Index(const std::string& folder);

  std::string base_;
  std::unordered_map<std::string, FolderIndex> folders_;
  std::pair<const std::string, FolderIndex>* last_ = nullptr;  // last folder indexed
  std::unordered_map<std::string, std::string> resolved_;  // rel prefix -> native
};

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
