#include "templates/reportforms/FormCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/text/Cp1251.h"
#include "platform/os/OsError.h"
#include "platform/os/Paths.h"

namespace tv {
namespace {

// The system's text for the error, as the library words it elsewhere.
std::string ErrnoText(int err) {
  std::string text = SysErrorMessage(ErrnoToWinError(err));
  return text.empty() ? std::string(std::strerror(err)) : text;
}

// The built-in text as it goes to disk: every line followed by CR LF.
std::string BuiltInBytes(const TReportFormsPattern& pattern) {
  std::size_t size = 0;
  for (std::size_t i = 0; i < pattern.LineCount; ++i) size += std::strlen(pattern.Lines[i]) + 2;
  std::string bytes;
  bytes.reserve(size);
  for (std::size_t i = 0; i < pattern.LineCount; ++i) {
    bytes += pattern.Lines[i];
    bytes += "\r\n";
  }
  return bytes;
}

bool SameLines(const std::vector<std::string>& lines, const TReportFormsPattern& pattern) {
  if (lines.size() != pattern.LineCount) return false;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i] != pattern.Lines[i]) return false;
  return true;
}

// A name that stays inside the folder: no separators, no drive, no dots-only.
bool UsableName(const char* name) {
  if (name == nullptr) return false;
  std::string_view n(name);
  return !n.empty() && n != "." && n != ".." && n.find_first_of("\\/:") == std::string_view::npos;
}

bool UsableText(const TReportFormsPattern& pattern) {
  if (pattern.LineCount > 0 && pattern.Lines == nullptr) return false;
  for (std::size_t i = 0; i < pattern.LineCount; ++i)
    if (pattern.Lines[i] == nullptr) return false;
  return true;
}

// Closes the descriptor when the scope ends.
struct TFd {
  int fd;
  ~TFd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

TFormCheck::TFormCheck(const TReportFormsApplication* application, std::string folder,
                       std::string extension, std::string noun)
    : application_(application),
      folder_(std::move(folder)),
      extension_(std::move(extension)),
      noun_(std::move(noun)) {}

std::vector<std::string> TFormCheck::SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

void TFormCheck::Run(const TReportFormsList* patterns) {
  if (patterns == nullptr || (patterns->Count > 0 && patterns->Items == nullptr)) {
    Log("Не передан список встроенных шаблонов для папки "_w + folder_, 2);
    return;
  }
  if (!EnsureFolder()) return;
  for (std::size_t i = 0; i < patterns->Count; ++i) {
    try {
      CheckPattern(patterns->Items[i]);
    } catch (const std::exception& e) {
      Log("Сбой проверки файла "_w + noun_ + ": " + e.what(), 2);
    }
  }
}

bool TFormCheck::EnsureFolder() {
  std::error_code ec;
  const std::string native = MapPath(folder_);
  std::filesystem::create_directories(native, ec);
  if (!ec && std::filesystem::is_directory(native, ec)) return true;
  Log("Ошибка создания папки "_w + folder_ + ": " + (ec ? ec.message() : ErrnoText(ENOTDIR)), 2);
  return false;
}

void TFormCheck::CheckPattern(const TReportFormsPattern& pattern) {
  if (!UsableName(pattern.Name)) {
    Log("Неверное имя "_w + noun_ + ": \"" + (pattern.Name ? pattern.Name : "") + "\"", 2);
    return;
  }
  if (!UsableText(pattern)) {
    Log("Неверный текст "_w + noun_ + " \"" + pattern.Name + "\"", 2);
    return;
  }
  const std::string path = IncludeTrailingPathDelimiter(folder_) + pattern.Name + extension_;
  const std::string native = MapPath(path);
  switch (Compare(native, path, pattern)) {
    case TState::Missing:
      Write(native, path, pattern);
      break;
    case TState::Different:
      Log("Файл "_w + noun_ + " отличается от встроенного текста: "_w + path, 4);
      break;
    case TState::Same:
    case TState::Unusable:
      break;
  }
}

TFormCheck::TState TFormCheck::Compare(const std::string& native, const std::string& path,
                                       const TReportFormsPattern& pattern) {
  // Non-blocking, so that a pipe in place of a form cannot stall the start.
  TFd file{::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  if (file.fd < 0) {
    const int err = errno;
    struct stat st;
    if (err == ENOENT && ::lstat(native.c_str(), &st) != 0) return TState::Missing;
    Log("Ошибка чтения файла "_w + noun_ + " " + path + ": " + ErrnoText(err), 2);
    return TState::Unusable;
  }
  struct stat st;
  if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    Log("Файл "_w + noun_ + " не является обычным файлом: "_w + path, 2);
    return TState::Unusable;
  }
  const std::string builtIn = BuiltInBytes(pattern);
  // The same lines never take more bytes than the built-in CR LF text.
  if (static_cast<std::uint64_t>(st.st_size) > builtIn.size()) return TState::Different;
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::read(file.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      Log("Ошибка чтения файла "_w + noun_ + " " + path + ": " + ErrnoText(errno), 2);
      return TState::Unusable;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  if (bytes == builtIn) return TState::Same;
  return SameLines(SplitLines(bytes), pattern) ? TState::Same : TState::Different;
}

void TFormCheck::Write(const std::string& native, const std::string& path,
                       const TReportFormsPattern& pattern) {
  const std::string bytes = BuiltInBytes(pattern);
  // O_EXCL: a file that appeared meanwhile is still never overwritten.
  TFd file{::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)};
  if (file.fd < 0) {
    if (errno != EEXIST)
      Log("Ошибка записи файла "_w + noun_ + " " + path + ": " + ErrnoText(errno), 2);
    return;
  }
  std::size_t done = 0;
  int err = 0;
  while (done < bytes.size() && err == 0) {
    ssize_t n = ::write(file.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      err = n < 0 ? errno : EIO;
    else
      done += static_cast<std::size_t>(n);
  }
  if (::close(file.fd) != 0 && err == 0) err = errno;
  file.fd = -1;
  if (err != 0) {
    // A half-written form would pass for an installed one at the next start.
    ::unlink(native.c_str());
    Log("Ошибка записи файла "_w + noun_ + " " + path + ": " + ErrnoText(err), 2);
    return;
  }
  Log("Создан файл "_w + noun_ + ": " + path, 0);
}

void TFormCheck::Log(const std::string& text, int level) const {
  if (application_ == nullptr || application_->Log == nullptr) return;
  application_->Log(application_->Context, text.c_str(), level);
}

}  // namespace tv
