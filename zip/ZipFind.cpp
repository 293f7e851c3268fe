#include "zip/ZipFind.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "zip/ZipLib.h"
#include "zip/ZipMatch.h"

namespace tv::zip {

struct TFindState {
  std::string folder;  // native, with trailing slash
  std::vector<std::string> names;  // native names, sorted
  size_t next = 0;
  int32_t exclude = 0;
  std::string mask;
};

namespace {

int32_t AttrOf(const std::string& name, const struct stat& st) {
  int32_t attr = S_ISDIR(st.st_mode) ? faDirectory : faArchive;
  if ((st.st_mode & S_IWUSR) == 0) attr |= faReadOnly;
  if (name.size() > 1 && name[0] == '.' && name != "..") attr |= faHidden;
  return attr;
}

// Fills rec from the next entry that passes the mask and the attributes.
int Advance(TSearchRec& rec) {
  TFindState& state = *rec.FindHandle;
  while (state.next < state.names.size()) {
    const std::string& native = state.names[state.next++];
    struct stat st {};
    if (::lstat((state.folder + native).c_str(), &st) != 0) continue;
    if (S_ISLNK(st.st_mode) && ::stat((state.folder + native).c_str(), &st) != 0) continue;
    std::string name = Utf8ToCp1251(native);
    int32_t attr = AttrOf(name, st);
    if ((attr & state.exclude) != 0) continue;
    if (state.mask != "*.*" && state.mask != "*" && !IsMatch(state.mask, name)) continue;
    rec.Name = name;
    rec.Attr = attr;
    rec.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
    rec.FindDataSizeHigh = static_cast<uint32_t>(static_cast<uint64_t>(rec.Size) >> 32);
    rec.FindDataSizeLow = static_cast<uint32_t>(rec.Size);
    rec.MTime = static_cast<int64_t>(st.st_mtime);
    rec.Device = static_cast<uint64_t>(st.st_dev);
    rec.Inode = static_cast<uint64_t>(st.st_ino);
    rec.Time = static_cast<int32_t>(UnixTimeToDosDateTime(rec.MTime));
    return 0;
  }
  return ENOENT;
}

// NTFS gives a folder's entries in name order, "." and ".." first; we do
// the same so that searches are repeatable.
void SortNames(std::vector<std::string>& names) {
  auto rank = [](const std::string& n) { return n == "." ? 0 : n == ".." ? 1 : 2; };
  std::vector<std::pair<std::string, std::string>> keyed;
  keyed.reserve(names.size());
  for (auto& n : names) keyed.emplace_back(Utf8ToCp1251(n), std::move(n));
  std::sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
    int ra = rank(a.second);
    int rb = rank(b.second);
    if (ra != rb) return ra < rb;
    int c = AnsiCompareText(a.first, b.first);
    return c != 0 ? c < 0 : a.second < b.second;
  });
  names.clear();
  for (auto& k : keyed) names.push_back(std::move(k.second));
}

}  // namespace

int FindFirst(const std::string& path, int32_t attr, TSearchRec& rec) {
  FindClose(rec);
  auto state = std::make_shared<TFindState>();
  std::string folder = ExtractFilePath(path);
  state->mask = ExtractFileName(path);
  state->folder = MapPath(folder.empty() ? std::string(".\\") : folder);
  if (state->folder.empty() || state->folder.back() != '/') state->folder += '/';
  state->exclude = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  DIR* dir = ::opendir(state->folder.c_str());
  if (dir == nullptr) return errno == 0 ? ENOENT : errno;
  while (dirent* entry = ::readdir(dir)) state->names.emplace_back(entry->d_name);
  ::closedir(dir);
  SortNames(state->names);
  rec.ExcludeAttr = state->exclude;
  rec.FindHandle = state;
  int result = Advance(rec);
  if (result != 0) FindClose(rec);
  return result;
}

int FindNext(TSearchRec& rec) {
  if (!rec.FindHandle) return ENOENT;
  return Advance(rec);
}

void FindClose(TSearchRec& rec) { rec.FindHandle.reset(); }

int32_t FileGetAttr(const std::string& path) {
  struct stat st {};
  std::string native = MapPath(RemoveTrailingBackslash(path));
  if (::stat(native.c_str(), &st) != 0) return -1;
  return AttrOf(ExtractFileName(RemoveTrailingBackslash(path)), st);
}

int FileSetAttr(const std::string& path, int32_t attr) {
  struct stat st {};
  std::string native = MapPath(path);
  if (::stat(native.c_str(), &st) != 0) return errno;
  mode_t mode = st.st_mode & 07777;
  mode = (attr & faReadOnly) != 0 ? mode & ~(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
  return ::chmod(native.c_str(), mode) == 0 ? 0 : errno;
}

}  // namespace tv::zip
