#include "platform/os/Paths.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/Exceptions.h"
#include "platform/text/Cp1251.h"

namespace tv {
namespace {

bool Exists(const std::string& native) {
  struct stat st;
  return ::lstat(native.c_str(), &st) == 0;
}

// The form under which names that differ only in letter case meet: the
// upper-cased Windows-1251 name. A name that Windows-1251 cannot hold has
// none (empty): its "?" stand-ins would make unrelated names meet.
std::string FoldedName(std::string_view utf8) {
  if (IsAscii(utf8)) return UpperCase(utf8);
  std::string text = Utf8ToCp1251(utf8);
  if (Cp1251ToUtf8(text) != utf8) return {};
  return AnsiUpperCase(text);
}

std::string Join(const std::string& dir, std::string_view name) {
  if (dir.empty()) return std::string(name);
  return dir == "/" ? "/" + std::string(name) : dir + "/" + std::string(name);
}

// Finds `name` in folder `dir` ignoring letter case; returns the name as it
// stands on disk, or `name` itself when nothing matches.
std::string FindNoCase(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return name;
  const std::string wanted = FoldedName(name);
  std::string found = name;
  while (dirent* e = ::readdir(d)) {
    std::string entry = e->d_name;
    if (!wanted.empty() && FoldedName(entry) == wanted) {
      found = entry;
      break;
    }
  }
  ::closedir(d);
  return found;
}

// Joins the components of `rel` (separated by "/") onto `base`, resolving
// each missing one case-insensitively.
std::string Resolve(std::string base, std::string_view rel) {
  std::size_t i = 0;
  while (i <= rel.size()) {
    std::size_t j = rel.find('/', i);
    if (j == std::string_view::npos) j = rel.size();
    std::string comp(rel.substr(i, j - i));
    i = j + 1;
    if (comp.empty()) continue;
    std::string candidate = Join(base, comp);
    if (!Exists(candidate) && comp != "." && comp != "..") candidate = Join(base, FindNoCase(base, comp));
    base = std::move(candidate);
  }
  return base;
}

}  // namespace

std::string RootFolder() {
  if (const char* env = std::getenv("TOLVAREN_ROOT"); env != nullptr && *env != '\0') {
    std::string root = env;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "/tmp") + "/.local/share/tolvaren";
}

bool RootFolderExists() {
  struct stat st {};
  return ::stat(RootFolder().c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void RequireRootFolder() {
  if (RootFolderExists()) return;
  throw EInOutError("Корневая папка \""_w + Utf8ToCp1251(RootFolder()) +
                    "\" не найдена: ее задает переменная окружения TOLVAREN_ROOT (без нее "
                    "~/.local/share/tolvaren), готовит ее host/prepare-root"_w);
}

std::string MapPath(std::string_view path) {
  std::string utf8 = Cp1251ToUtf8(path);
  for (char& c : utf8)
    if (c == '\\') c = '/';
  if (utf8.size() >= 2 && utf8[1] == ':' &&
      ((utf8[0] >= 'A' && utf8[0] <= 'Z') || (utf8[0] >= 'a' && utf8[0] <= 'z'))) {
    char drive = static_cast<char>(utf8[0] | 0x20);
    std::string base = Resolve(RootFolder(), std::string(1, drive));
    std::string rest = utf8.substr(2);
    std::string out = Resolve(base, rest);
    if (!rest.empty() && rest.back() == '/') out += '/';
    return out;
  }
  if (!utf8.empty() && utf8[0] == '/') {
    std::string out = Resolve("/", utf8);
    if (utf8.size() > 1 && utf8.back() == '/') out += '/';
    return out;
  }
  std::string out = Resolve("", utf8);
  if (!utf8.empty() && utf8.back() == '/') out += '/';
  return out;
}

TNoCaseResolver::TNoCaseResolver(std::string base) : base_(std::move(base)) {}

bool* TNoCaseResolver::FolderIndex::Add(std::string_view name) {
  std::string fold = FoldedName(name);
  if (!fold.empty()) {
    auto [it, added] = folded.try_emplace(std::move(fold), Name{std::string(name)});
    if (added || it->second.spelled == name) return &it->second.mark;
  }
  return &others.try_emplace(std::string(name), false).first->second;
}

TNoCaseResolver::FolderIndex& TNoCaseResolver::Index(const std::string& folder) {
  // Entries come folder by folder: the last folder's index mostly serves.
  if (last_ != nullptr && last_->first == folder) return last_->second;
  auto [it, added] = folders_.try_emplace(folder);
  last_ = &*it;
  if (!added) return it->second;
  if (DIR* d = ::opendir(folder.empty() ? "." : folder.c_str())) {
    while (dirent* e = ::readdir(d)) it->second.Add(e->d_name);
    ::closedir(d);
  }
  return it->second;
}

std::string TNoCaseResolver::Child(const std::string& folder, std::string_view name, bool& exists,
                                   bool** mark) {
  FolderIndex& index = Index(folder);
  const std::string spelled(name);
  const std::string fold = FoldedName(spelled);
  bool* found = nullptr;
  std::string_view onDisk = spelled;
  const auto first = fold.empty() ? index.folded.end() : index.folded.find(fold);
  if (first != index.folded.end() && first->second.spelled == spelled) {
    found = &first->second.mark;
  } else if (auto other = index.others.find(spelled); other != index.others.end()) {
    found = &other->second;
  } else if (first != index.folded.end()) {
    found = &first->second.mark;
    onDisk = first->second.spelled;
  }
  exists = found != nullptr;
  if (mark != nullptr) *mark = found;
  return Join(folder, onDisk);
}

bool* TNoCaseResolver::Added(const std::string& folder, std::string_view name) {
  if (last_ != nullptr && last_->first == folder) return last_->second.Add(name);
  if (auto it = folders_.find(folder); it != folders_.end()) return it->second.Add(name);
  return nullptr;  // read from disk when first needed
}

std::vector<std::string> TNoCaseResolver::MarkedPaths() const {
  std::vector<std::string> paths;
  for (const auto& [folder, index] : folders_) {
    for (const auto& [fold, name] : index.folded)
      if (name.mark) paths.push_back(Join(folder, name.spelled));
    for (const auto& [name, mark] : index.others)
      if (mark) paths.push_back(Join(folder, name));
  }
  return paths;
}

void TNoCaseResolver::Clear() {
  last_ = nullptr;
  folders_.clear();
  resolved_.clear();
}

bool TNoCaseResolver::Folder(std::string_view rel, bool create, std::string& native) {
  while (!rel.empty() && rel.back() == '/') rel.remove_suffix(1);
  const std::string key(rel);
  if (auto it = resolved_.find(key); it != resolved_.end() || key.empty()) {
    native = key.empty() ? base_ : it->second;
    return true;
  }
  // Start below the deepest folder above that is known already.
  std::string at = base_;
  std::size_t pos = 0;
  for (std::size_t cut = key.rfind('/'); cut != std::string::npos && cut > 0;
       cut = key.rfind('/', cut - 1)) {
    if (auto it = resolved_.find(key.substr(0, cut)); it != resolved_.end()) {
      at = it->second;
      pos = cut + 1;
      break;
    }
  }
  // A chain of new folders is made relative to the last one made, so that
  // a deep path costs the system one walk, not one per level.
  int parent = -1;
  auto release = [&parent]() {
    if (parent >= 0) ::close(parent);
    parent = -1;
  };
  while (pos <= key.size()) {
    std::size_t next = std::min(key.find('/', pos), key.size());
    const std::string comp(key, pos, next - pos);
    pos = next + 1;
    if (comp.empty()) continue;
    bool exists = false;
    std::string path = Child(at, comp, exists);
    if (!exists && create) {
      if (parent < 0) parent = ::open(at.empty() ? "." : at.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      if ((parent >= 0 ? ::mkdirat(parent, comp.c_str(), 0755) : ::mkdir(path.c_str(), 0755)) == 0) {
        Added(at, comp);
        folders_[path] = FolderIndex{};
        int child = parent >= 0 ? ::openat(parent, comp.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC) : -1;
        release();
        parent = child;
      } else {
        int error = errno;
        release();
        errno = error;
        if (error != EEXIST) return false;
      }
    } else {
      release();
    }
    if (exists || create) resolved_.emplace(key.substr(0, next), path);
    at = std::move(path);
  }
  release();
  native = std::move(at);
  return true;
}

std::string GetWindowsDir() { return "C:\\WINDOWS\\"; }

std::string GetTempDir() {
  static const std::string kTemp = "C:\\TEMP\\";
  std::error_code ec;
  std::filesystem::create_directories(MapPath(kTemp), ec);
  return kTemp;
}

std::string GetHostExeName() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : Utf8ToCp1251(exe.string());
}

std::string GetModulePath() {
  Dl_info info{};
  link_map* map = nullptr;
  if (::dladdr1(reinterpret_cast<const void*>(&GetModulePath), &info,
                reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0)
    return {};
  std::error_code ec;
  std::filesystem::path module;
  // The program itself has no name of its own in the loader's list.
  if (map == nullptr || map->l_name == nullptr || *map->l_name == '\0')
    module = std::filesystem::read_symlink("/proc/self/exe", ec);
  else
    module = std::filesystem::absolute(map->l_name, ec);
  return ec ? std::string() : module.string();
}

bool IsPathDelimiter(char c) { return c == '\\' || c == '/'; }

std::string ExtractFilePath(std::string_view path) {
  std::size_t p = path.find_last_of("\\/:");
  return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string ExtractFileName(std::string_view path) {
  std::size_t p = path.find_last_of("\\/:");
  return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string ExtractFileExt(std::string_view path) {
  std::size_t p = path.find_last_of(".\\/:");
  if (p == std::string_view::npos || path[p] != '.') return {};
  return std::string(path.substr(p));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  std::size_t p = path.find_last_of(".\\/:");
  std::string base(p != std::string_view::npos && path[p] == '.' ? path.substr(0, p) : path);
  return base + std::string(ext);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (out.empty() || !IsPathDelimiter(out.back())) {
    bool native = !out.empty() && out[0] == '/' && out.find('\\') == std::string::npos;
    out += native ? '/' : '\\';
  }
  return out;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (!out.empty() && IsPathDelimiter(out.back())) out.pop_back();
  return out;
}

}  // namespace tv
