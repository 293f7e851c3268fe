#include "zip/ZipDirSearch.h"

#include <sys/stat.h>

#include "platform/os/Paths.h"
#include "zip/ZipLib.h"
#include "zip/ZipMatch.h"

namespace tv::zip {
namespace {

bool IsRealDirectory(const TSearchRec& rec) {
  return (rec.Attr & faDirectory) != 0 && rec.Name != "." && rec.Name != "..";
}

}  // namespace

TSearchData::TSearchData(const std::string& p, int32_t attributes, const std::string& m,
                         const TSearchRec* via)
    : path(IncludeTrailingPathDelimiter(p)), mask(m) {
  if (via != nullptr) {
    device = via->Device;
    inode = via->Inode;
  } else if (struct stat st {}; ::stat(MapPath(path).c_str(), &st) == 0) {
    device = static_cast<uint64_t>(st.st_dev);
    inode = static_cast<uint64_t>(st.st_ino);
  }
  findResult = FindFirst(path + "*.*", attributes, searchRec);
  ended = findResult != 0;
}

TSearchData::~TSearchData() { FindClose(searchRec); }

void TSearchData::FindNext() {
  if (findResult == 0) findResult = zip::FindNext(searchRec);
}

TDirSearch::TDirSearch(const std::string& path, int32_t attributes, bool recurse,
                       const std::string& pattern)
    : pattern_(pattern), recurse_(recurse), attributes_(attributes) {
  std::string full = path.empty() || path.back() != '\\' ? path + "\\" : path;
  if (HasWildcards(full)) {
    size_t wild = full.find_first_of("*?<>|");
    size_t boundary = full.rfind('\\', wild);
    start_ = boundary == std::string::npos ? std::string() : full.substr(0, boundary + 1);
    size_t pos = boundary == std::string::npos ? 0 : boundary + 1;
    while (pos < full.size()) {
      size_t end = full.find('\\', pos);
      masks_.push_back(full.substr(pos, end - pos));
      pos = end + 1;
    }
    currentMask_ = 0;
  } else {
    start_ = full;
  }
  OpenLevel(start_, masks_.empty() ? pattern_ : masks_[0], nullptr);
}

TDirSearch::~TDirSearch() = default;

void TDirSearch::OpenLevel(const std::string& path, const std::string& mask,
                           const TSearchRec* via) {
  size_t at = static_cast<size_t>(current_);
  if (levels_.size() <= at) levels_.resize(at + 1);
  levels_[at] = std::make_unique<TSearchData>(path, attributes_, mask, via);
}

// Whether a folder entry names one of the open levels, e.g. through a link
// to a folder above it. Comparing against the open levels only (not every
// folder seen) still lets a link elsewhere be followed, and any loop of
// links passes an open folder again, so the search always ends.
bool TDirSearch::IsOpenFolder(const TSearchRec& entry) const {
  for (int i = 0; i <= current_; ++i) {
    const TSearchData& level = *levels_[static_cast<size_t>(i)];
    if (level.inode != 0 && level.device == entry.Device && level.inode == entry.Inode) return true;
  }
  return false;
}

// Closes the deepest level; False when it was the start level.
bool TDirSearch::DropLevel() {
  levels_[static_cast<size_t>(current_)].reset();
  if (current_ == 0) return false;
  --current_;
  if (current_ < static_cast<int>(masks_.size())) --currentMask_;
  levels_[static_cast<size_t>(current_)]->FindNext();
  return true;
}

// At a level of the wildcard folder part: enters the next folder that
// matches the level's mask; False when the level ran out.
bool TDirSearch::EnterMaskedDirectory() {
  TSearchData& level = *levels_[static_cast<size_t>(current_)];
  while (level.findResult == 0 &&
         !(IsRealDirectory(level.searchRec) && IsMatch(level.mask, level.searchRec.Name) &&
           !IsOpenFolder(level.searchRec)))
    level.FindNext();
  if (level.findResult != 0) return false;
  ++currentMask_;
  std::string path = level.path + level.searchRec.Name + "\\";
  ++current_;
  OpenLevel(path, currentMask_ < static_cast<int>(masks_.size()) ? masks_[currentMask_] : pattern_,
            &level.searchRec);
  // The first entry of a fresh level is the folder itself (".").
  levels_[static_cast<size_t>(current_)]->FindNext();
  return true;
}

void TDirSearch::NextFile(TSearchRec& rec, std::string& fullName) {
  fullName.clear();
  while (levels_[static_cast<size_t>(current_)]) {
    TSearchData& level = *levels_[static_cast<size_t>(current_)];
    if (level.findResult != 0) {
      if (!DropLevel()) return;
      continue;
    }
    if (!IsFileLevel()) {
      EnterMaskedDirectory();
      continue;
    }
    const TSearchRec& entry = level.searchRec;
    if ((entry.Attr & faDirectory) != 0) {
      if (recurse_ && IsRealDirectory(entry) && !IsOpenFolder(entry)) {
        fullName = level.path + entry.Name + "\\";
        ++current_;
        OpenLevel(fullName, pattern_, &entry);
        return;
      }
      level.FindNext();
      continue;
    }
    std::string matchName = entry.Name;
    if (ExtractFileExt(matchName).empty()) matchName += '.';
    if (IsMatch(pattern_, matchName)) {
      rec = entry;
      rec.FindHandle.reset();
      fullName = level.path + entry.Name;
      level.FindNext();
      return;
    }
    level.FindNext();
  }
}

}  // namespace tv::zip
