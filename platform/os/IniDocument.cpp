#include "platform/os/IniDocument.h"

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/os/Files.h"
#include "platform/os/LockFile.h"
#include "platform/os/OsError.h"
#include "platform/os/Paths.h"

namespace tv {
namespace {

std::string_view TrimView(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace

IniDocument::IniDocument(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t lf = bytes.find('\n', i);
    std::size_t end = lf == std::string_view::npos ? bytes.size() : lf;
    std::size_t textEnd = end;
    if (lf != std::string_view::npos && textEnd > i && bytes[textEnd - 1] == '\r') --textEnd;
    std::string eol(
        bytes.substr(textEnd, (lf == std::string_view::npos ? end : end + 1) - textEnd));
    lines_.push_back(Parse(std::string(bytes.substr(i, textEnd - i)), std::move(eol)));
    i = lf == std::string_view::npos ? bytes.size() : lf + 1;
  }
  // Keys only count inside a section.
  bool inSection = false;
  for (Line& line : lines_) {
    if (line.kind == Kind::kSection) inSection = true;
    if (line.kind == Kind::kKey && !inSection) line.kind = Kind::kOther;
  }
}

IniDocument::Line IniDocument::Parse(std::string text, std::string eol) {
  Line line;
  line.text = std::move(text);
  line.eol = std::move(eol);
  std::string_view t = TrimView(line.text);
  if (!t.empty() && t.front() == '[') {
    std::string_view inner = t.substr(1);
    std::size_t close = inner.rfind(']');
    if (close != std::string_view::npos) inner = inner.substr(0, close);
    line.kind = Kind::kSection;
    line.name = std::string(TrimView(inner));
    return line;
  }
  std::size_t eq = t.find('=');
  if (eq != std::string_view::npos) {
    std::string_view name = TrimView(t.substr(0, eq));
    if (!name.empty()) {
      line.kind = Kind::kKey;
      line.name = std::string(name);
      line.value = std::string(TrimView(t.substr(eq + 1)));
    }
  }
  return line;
}

std::string IniDocument::Bytes() const {
  std::size_t size = 0;
  for (const Line& l : lines_) size += l.text.size() + l.eol.size();
  std::string out;
  out.reserve(size);
  for (const Line& l : lines_) {
    out += l.text;
    out += l.eol;
  }
  return out;
}

int IniDocument::FindSection(std::string_view section) const {
  for (int i = 0; i < static_cast<int>(lines_.size()); ++i)
    if (lines_[i].kind == Kind::kSection && AnsiSameText(lines_[i].name, section)) return i;
  return -1;
}

int IniDocument::SectionEnd(int header) const {
  int i = header + 1;
  while (i < static_cast<int>(lines_.size()) && lines_[i].kind != Kind::kSection) ++i;
  return i;
}

int IniDocument::FindKey(int header, std::string_view key) const {
  int end = SectionEnd(header);
  for (int i = header + 1; i < end; ++i)
    if (lines_[i].kind == Kind::kKey && AnsiSameText(lines_[i].name, key)) return i;
  return -1;
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
  int header = FindSection(section);
  if (header < 0) return std::nullopt;
  int k = FindKey(header, key);
  if (k < 0) return std::nullopt;
  return lines_[k].value;
}

std::vector<std::string> IniDocument::Sections() const {
  std::vector<std::string> out;
  for (const Line& l : lines_) {
    if (l.kind != Kind::kSection) continue;
    bool seen = false;
    for (const std::string& s : out) seen = seen || AnsiSameText(s, l.name);
    if (!seen) out.push_back(l.name);
  }
  return out;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
  std::vector<std::string> out;
  int header = FindSection(section);
  if (header < 0) return out;
  int end = SectionEnd(header);
  for (int i = header + 1; i < end; ++i)
    if (lines_[i].kind == Kind::kKey) out.push_back(lines_[i].name);
  return out;
}

bool IniDocument::HasSection(std::string_view section) const { return FindSection(section) >= 0; }

void IniDocument::InsertLine(int at, std::string text) {
  // The line before the new one must end, or the two would merge.
  if (at > 0 && lines_[at - 1].eol.empty()) lines_[at - 1].eol = "\r\n";
  lines_.insert(lines_.begin() + at, Parse(std::move(text), "\r\n"));
}

void IniDocument::AddSection(std::string_view section) {
  if (FindSection(section) >= 0) return;
  InsertLine(static_cast<int>(lines_.size()), "[" + std::string(section) + "]");
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  int header = FindSection(section);
  if (header < 0) {
    AddSection(section);
    header = static_cast<int>(lines_.size()) - 1;
  }
  std::string text = std::string(key) + "=" + std::string(value);
  int k = FindKey(header, key);
  if (k >= 0) {
    // Keep the key as spelled in the file.
    Line& line = lines_[k];
    line = Parse(line.name + "=" + std::string(value), line.eol);
    return;
  }
  int at = SectionEnd(header);
  while (at > header + 1 && TrimView(lines_[at - 1].text).empty()) --at;
  InsertLine(at, std::move(text));
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  int header = FindSection(section);
  if (header < 0) return false;
  int k = FindKey(header, key);
  if (k < 0) return false;
  lines_.erase(lines_.begin() + k);
  return true;
}

bool IniDocument::EraseSection(std::string_view section) {
  bool erased = false;
  for (int header = FindSection(section); header >= 0; header = FindSection(section)) {
    lines_.erase(lines_.begin() + header, lines_.begin() + SectionEnd(header));
    erased = true;
  }
  return erased;
}

std::string IniDocument::Unquote(std::string_view raw) {
  if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"')
    return std::string(raw.substr(1, raw.size() - 2));
  return std::string(raw);
}

IniDocument LoadIniFile(const std::string& windowsPath) {
  std::string bytes;
  TryReadFileBytes(windowsPath, bytes);
  return IniDocument(bytes);
}

void ModifyIniFile(const std::string& windowsPath, const std::function<bool(IniDocument&)>& edit) {
  std::string native = MapPath(windowsPath);
  try {
    FileLock lock(LockFilePath("ini", AnsiLowerCase(Utf8ToCp1251(native))));
    std::string bytes;
    if (!TryReadFileBytes(windowsPath, bytes) && GetLastError() != kErrorFileNotFound)
      throw EIniFileException("Unable to write to " + windowsPath);
    IniDocument doc(bytes);
    if (edit(doc)) WriteFileBytes(windowsPath, doc.Bytes());
  } catch (const EIniFileException&) {
    throw;
  } catch (const Exception&) {
    int code = GetLastError();
    SetLastError(code);
    throw EIniFileException("Unable to write to " + windowsPath);
  }
}

}  // namespace tv
