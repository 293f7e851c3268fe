#pragma once
// Recursive search for the files to put into an archive: one TSearchData
// per open folder level, depth first, folders reported as they are entered,
// as deep as the tree goes. Links to folders are followed, except to a folder
// that is already open: the search would never end, and that folder's files
// are found under its own path anyway.
// A start path may hold wildcards in its folder part ("C:\data\*\logs\"):
// each folder level below the fixed part then has a mask of its own.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zip/ZipFind.h"

namespace tv::zip {

// One folder level of a search.
class TSearchData {
 public:
  // The folder's place on disk is taken from `via`, the entry that leads to
  // it, or read from the folder when there is none (the start folder).
  TSearchData(const std::string& path, int32_t attributes, const std::string& mask,
              const TSearchRec* via);
  ~TSearchData();
  TSearchData(const TSearchData&) = delete;
  TSearchData& operator=(const TSearchData&) = delete;
  // Advances while entries remain.
  void FindNext();

  std::string path;  // ends in a backslash
  std::string mask;
  int findResult = 0;  // 0 while entries remain
  TSearchRec searchRec;
  bool ended = false;
  // The folder's place on disk; inode 0 (no file has it) when the folder
  // could not be looked at, which matches nothing.
  uint64_t device = 0;
  uint64_t inode = 0;
};

class TDirSearch {
 public:
  TDirSearch(const std::string& path, int32_t attributes, bool recurse,
             const std::string& pattern);
  ~TDirSearch();
  TDirSearch(const TDirSearch&) = delete;
  TDirSearch& operator=(const TDirSearch&) = delete;

  // The next file (or folder, with a trailing backslash, as it is entered
  // when recursing); an empty full name when the search is over.
  void NextFile(TSearchRec& rec, std::string& fullName);

  const std::string& StartDirectory() const { return start_; }
  const std::vector<std::string>& DirectoryMasks() const { return masks_; }

 private:
  bool IsFileLevel() const { return current_ >= static_cast<int>(masks_.size()); }
  // Opens the level below the current one (or the start level); a level
  // entered from an entry takes that entry's place on disk.
  void OpenLevel(const std::string& path, const std::string& mask, const TSearchRec* via);
  bool DropLevel();
  bool EnterMaskedDirectory();
  bool IsOpenFolder(const TSearchRec& entry) const;

  std::vector<std::unique_ptr<TSearchData>> levels_;
  int current_ = 0;
  std::string start_;
  std::string pattern_;
  bool recurse_;
  std::vector<std::string> masks_;
  int currentMask_ = -1;
  int32_t attributes_;
};

}  // namespace tv::zip
