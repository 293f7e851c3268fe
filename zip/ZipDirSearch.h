#pragma once
// Recursive search for the files to put into an archive: one TSearchData
// per open folder level, depth first, folders reported as they are entered.
// A start path may hold wildcards in its folder part ("C:\data\*\logs\"):
// each folder level below the fixed part then has a mask of its own.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "zip/ZipFind.h"

namespace tv::zip {

// One folder level of a search.
class TSearchData {
 public:
  TSearchData(const std::string& path, int32_t attributes, const std::string& mask);
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
};

class TDirSearch {
 public:
  static constexpr int kMaxLevel = 20;

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
  void OpenLevel(const std::string& path, const std::string& mask);
  bool DropLevel();
  bool EnterMaskedDirectory();

  std::array<std::unique_ptr<TSearchData>, kMaxLevel + 1> levels_;
  int current_ = 0;
  std::string start_;
  std::string pattern_;
  bool recurse_;
  std::vector<std::string> masks_;
  int currentMask_ = -1;
  int32_t attributes_;
};

}  // namespace tv::zip
