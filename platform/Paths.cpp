#include "platform/Paths.h"

#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/Cp1251.h"

namespace tv {
namespace {

bool Exists(const std::string& native) {
  struct stat st;
  return ::lstat(native.c_str(), &st) == 0;
}

// Finds `name` in folder `dir` ignoring letter case; returns the name as it
// stands on disk, or `name` itself when nothing matches.
std::string FindNoCase(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return name;
  const std::string wanted = AnsiUpperCase(Utf8ToCp1251(name));
  std::string found = name;
  while (dirent* e = ::readdir(d)) {
    std::string entry = e->d_name;
    if (AnsiUpperCase(Utf8ToCp1251(entry)) == wanted) {
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
    std::string candidate = base.empty() ? comp : (base == "/" ? "/" + comp : base + "/" + comp);
    if (!Exists(candidate) && comp != "." && comp != "..") {
      std::string real = FindNoCase(base, comp);
      candidate = base.empty() ? real : (base == "/" ? "/" + real : base + "/" + real);
    }
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
