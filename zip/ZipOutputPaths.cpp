#include "zip/ZipOutputPaths.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>
#include <string_view>
#include <vector>

#include "platform/text/Cp1251.h"
#include "zip/ZipLib.h"

namespace tv::zip {
namespace {

// Bytes of the character at `i` as the Windows-1251 conversion reads it.
std::size_t UnitLength(const std::string& s, std::size_t i) {
  char32_t cp = 0;
  return Utf8Sequence(s, i, cp);
}

// Longer native paths cannot be opened or made.
bool TooLong(std::size_t length) {
  if (length < PATH_MAX) return false;
  errno = ENAMETOOLONG;
  return true;
}

}  // namespace

TOutputPaths::TOutputPaths(const std::string& destDir) {
  std::string base = MapPath(destDir.empty() ? std::string(".") : destDir);
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  resolver_ = std::make_unique<TNoCaseResolver>(base);
  base_ = base;
}

std::string TOutputPaths::Relative(const TZipHeaderInfo& entry, bool withFolder, std::size_t cut) {
  // The stored path in Windows-1251 and on disk, character for character:
  // the folder rules are decided on the first, the bytes taken from the
  // second.
  const std::string text = entry.FullPath();
  std::string utf8 = entry.UnicodePath().empty() ? Cp1251ToUtf8(text) : entry.UnicodePath();
  // Where each character of `text` starts in `utf8`; a name of one-byte
  // characters only (most are) needs no table.
  std::vector<std::size_t> starts;
  const bool oneByte = utf8.size() == text.size() && IsAscii(utf8);
  for (int pass = 0; pass < 2 && !oneByte && starts.size() != text.size() + 1; ++pass) {
    if (pass == 1) utf8 = Cp1251ToUtf8(text);
    starts.clear();
    for (std::size_t i = 0; i < utf8.size(); i += UnitLength(utf8, i)) starts.push_back(i);
    starts.push_back(utf8.size());
  }
  const auto at = [&](std::size_t i) { return oneByte ? i : starts[i]; };
  const std::size_t dirEnd = entry.Directory().size();
  std::string out;
  if (withFolder) {
    std::size_t pos = std::min(cut, dirEnd);
    if (dirEnd - pos >= 2 && text[pos + 1] == ':') pos += 2;
    while (pos < dirEnd) {
      std::size_t end = std::min(text.find('\\', pos), dirEnd);
      std::string_view part(text.data() + pos, end - pos);
      if (!part.empty() && part != "." && part != "..")
        out.append(utf8, at(pos), at(end) - at(pos)).push_back('/');
      pos = end + 1;
    }
  }
  out.append(utf8, at(dirEnd), std::string::npos);
  return out;
}

bool TOutputPaths::Prepare(const std::string& relative, std::string& native, bool& exists) {
  if (TooLong(base_.size() + 1 + relative.size())) return false;
  std::size_t slash = relative.rfind('/');
  std::string folder;
  if (!resolver_->Folder(slash == std::string::npos ? std::string_view() : std::string_view(relative).substr(0, slash),
                         true, folder))
    return false;
  std::string_view name = std::string_view(relative).substr(slash == std::string::npos ? 0 : slash + 1);
  exists = true;
  mark_ = nullptr;
  native = name.empty() ? folder : resolver_->Child(folder, name, exists, &mark_);
  marked_ = native;
  return !TooLong(native.size());
}

bool TOutputPaths::PrepareChosen(const std::string& path, std::string& native, bool& exists) {
  for (std::string& written : resolver_->MarkedPaths()) written_.insert(std::move(written));
  mark_ = nullptr;
  resolver_->Clear();
  std::string folder = ExtractFilePath(path);
  if (!folder.empty() && !DirExists(folder)) CreateDirectories(folder);
  native = MapPath(path);
  struct stat st {};
  exists = ::lstat(native.c_str(), &st) == 0;
  return !TooLong(native.size());
}

bool TOutputPaths::WrittenBefore(const std::string& native) const {
  if (mark_ != nullptr && *mark_ && native == marked_) return true;
  return !written_.empty() && written_.count(native) != 0;
}

void TOutputPaths::Written(const std::string& native) {
  if (mark_ != nullptr && native == marked_)
    *mark_ = true;
  else
    written_.insert(native);
}

void TOutputPaths::Created(const std::string& native) {
  std::size_t slash = native.rfind('/');
  bool* mark = slash == std::string::npos
                   ? resolver_->Added(std::string(), native)
                   : resolver_->Added(slash == 0 ? std::string("/") : native.substr(0, slash),
                                      native.substr(slash + 1));
  if (native == marked_) mark_ = mark;
}

}  // namespace tv::zip
