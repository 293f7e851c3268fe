#pragma once
// Where the entries of one extraction run land on disk. The target folder
// is mapped once; every stored folder below it is resolved (letter case
// ignored, as on Windows) and created through one index of folder names
// kept for the run, so an entry costs no more file-system calls however
// deep its path or however full its folder. Names that Windows-1251 cannot
// hold keep their exact UTF-8 spelling on disk. The run also remembers
// which files it wrote, so that no entry silently replaces another's file.

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_set>

#include "platform/os/Paths.h"
#include "zip/ZipHeaderInfo.h"

namespace tv::zip {

class TOutputPaths {
 public:
  // `destDir` is the Windows-style target folder ("" for the current one);
  // it must exist.
  explicit TOutputPaths(const std::string& destDir);

  // Native path of an entry's output relative to the target: its stored
  // folder (when `withFolder`) with the first `cut` characters removed and
  // without drive part, leading separators, "." and ".." components, then
  // its file name. Ends in "/" for a folder entry.
  static std::string Relative(const TZipHeaderInfo& entry, bool withFolder, std::size_t cut);

  // Resolves `relative` below the target, creating its missing folders.
  // False (errno set) when a folder cannot be made or the path is longer
  // than the system allows. `native` gets the file's path and `exists`
  // whether a file or folder of that name (any letter case) is there.
  bool Prepare(const std::string& relative, std::string& native, bool& exists);
  // Resolves a Windows path that an event handler chose, creating its
  // folder; forgets the index, since that folder may lie anywhere.
  bool PrepareChosen(const std::string& path, std::string& native, bool& exists);
  // Records a file made at `native` (by Prepare's answer).
  void Created(const std::string& native);

  bool WrittenBefore(const std::string& native) const;
  void Written(const std::string& native);

 private:
  std::string base_;
  std::unique_ptr<TNoCaseResolver> resolver_;
  // Whether the file last prepared was written by the run is the mark its
  // name carries in the resolver: it was found there anyway. Files named
  // by a handler, and the marked ones when the resolver forgets what it
  // read, are kept by their paths below.
  bool* mark_ = nullptr;
  std::string marked_;  // the native path whose mark mark_ is
  std::unordered_set<std::string> written_;
};

}  // namespace tv::zip
