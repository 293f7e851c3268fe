// TMemIniFile of IniFile.h.
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/IniDocument.h"
#include "platform/os/IniFile.h"

namespace tv {

TMemIniFile::TMemIniFile(std::string windowsPath) : TCustomIniFile(std::move(windowsPath)) {
  std::string bytes;
  if (FileName().empty() || !TryReadFileBytes(FileName(), bytes)) return;
  Load(bytes);
}

void TMemIniFile::Load(std::string_view bytes) {
  IniDocument doc(bytes);
  Clear();
  for (const std::string& section : doc.Sections()) {
    Section& s = sections_.emplace_back();
    s.name = section;
    for (const std::string& key : doc.Keys(section)) {
      bool seen = false;
      for (const auto& kv : s.keys) seen = seen || AnsiSameText(kv.first, key);
      if (!seen)
        s.keys.emplace_back(key, IniDocument::Unquote(doc.Find(section, key).value_or("")));
    }
  }
}

TMemIniFile::Section* TMemIniFile::FindSection(std::string_view name) {
  for (Section& s : sections_)
    if (AnsiSameText(s.name, name)) return &s;
  return nullptr;
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view ident,
                                    std::string_view def) {
  if (Section* s = FindSection(section))
    for (const auto& [key, value] : s->keys)
      if (AnsiSameText(key, ident)) return value;
  return std::string(def);
}

void TMemIniFile::WriteString(std::string_view section, std::string_view ident,
                              std::string_view value) {
  Section* s = FindSection(section);
  if (s == nullptr) {
    s = &sections_.emplace_back();
    s->name = std::string(section);
  }
  for (auto& [key, old] : s->keys) {
    if (AnsiSameText(key, ident)) {
      old = std::string(value);
      return;
    }
  }
  s->keys.emplace_back(std::string(ident), std::string(value));
}

void TMemIniFile::ReadSection(std::string_view section, TStringList& strings) {
  strings.Clear();
  if (Section* s = FindSection(section))
    for (const auto& kv : s->keys) strings.Add(kv.first);
}

void TMemIniFile::ReadSections(TStringList& strings) {
  strings.Clear();
  for (const Section& s : sections_) strings.Add(s.name);
}

void TMemIniFile::ReadSectionValues(std::string_view section, TStringList& strings) {
  strings.Clear();
  if (Section* s = FindSection(section))
    for (const auto& [key, value] : s->keys) strings.Add(key + "=" + value);
}

void TMemIniFile::EraseSection(std::string_view section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it) {
    if (AnsiSameText(it->name, section)) {
      sections_.erase(it);
      return;
    }
  }
}

void TMemIniFile::DeleteKey(std::string_view section, std::string_view ident) {
  Section* s = FindSection(section);
  if (s == nullptr) return;
  for (auto it = s->keys.begin(); it != s->keys.end(); ++it) {
    if (AnsiSameText(it->first, ident)) {
      s->keys.erase(it);
      return;
    }
  }
}

void TMemIniFile::UpdateFile() {
  if (FileName().empty()) return;
  TStringList lines;
  GetStrings(lines);
  WriteFileBytes(FileName(), lines.Text());
}

void TMemIniFile::GetStrings(TStringList& strings) const {
  strings.Clear();
  for (const Section& s : sections_) {
    strings.Add("[" + s.name + "]");
    for (const auto& [key, value] : s.keys) strings.Add(key + "=" + value);
    strings.Add("");
  }
}

void TMemIniFile::SetStrings(const TStringList& strings) { Load(strings.Text()); }

}  // namespace tv
