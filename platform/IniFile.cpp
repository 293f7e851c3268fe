#include "platform/IniFile.h"

#include <cerrno>
#include <climits>

#include "platform/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/IniDocument.h"
#include "platform/OsError.h"

namespace tv {
namespace {

// The runtime's integer reading: blanks before, a sign, decimal or "$"/"0x"
// hexadecimal, nothing after, within 32 bits.
bool ParseInteger(std::string_view s, int& out) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    int d = -1;
    char c = s[i];
    if (c >= '0' && c <= '9') d = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0) return false;
    v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  if (base == 16) {
    out = static_cast<int>(static_cast<uint32_t>(neg ? 0u - v : v));
    return true;
  }
  if (v > (neg ? 2147483648ull : 2147483647ull)) return false;
  out = neg ? static_cast<int>(-static_cast<int64_t>(v)) : static_cast<int>(v);
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

[[noreturn]] void WriteError(const std::string& fileName, int winError) {
  SetLastError(winError);
  throw EIniFileException("Unable to write to " + fileName);
}

}  // namespace

int TCustomIniFile::ReadInteger(std::string_view section, std::string_view ident, int def) {
  std::string text = ReadString(section, ident, "");
  int value = 0;
  return ParseInteger(text, value) ? value : def;
}

void TCustomIniFile::WriteInteger(std::string_view section, std::string_view ident, int value) {
  WriteString(section, ident, std::to_string(value));
}

bool TCustomIniFile::ReadBool(std::string_view section, std::string_view ident, bool def) {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

int TCustomIniFile::ReadBinaryStream(std::string_view section, std::string_view name,
                                     std::string& out) {
  std::string text = ReadString(section, name, "");
  out.clear();
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    int hi = HexDigit(text[i]);
    int lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) break;
    out += static_cast<char>(hi * 16 + lo);
  }
  return static_cast<int>(out.size());
}

void TCustomIniFile::WriteBinaryStream(std::string_view section, std::string_view name,
                                       std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    text += kDigits[c >> 4];
    text += kDigits[c & 15];
  }
  WriteString(section, name, text);
}

void TCustomIniFile::ReadSections(std::string_view section, TStringList& strings) {
  TStringList all;
  ReadSections(all);
  strings.Clear();
  std::string prefix = std::string(section) + "\\";
  for (int i = 0; i < all.Count(); ++i) {
    const std::string& name = all[i];
    if (name.size() <= prefix.size() || !AnsiSameText(name.substr(0, prefix.size()), prefix))
      continue;
    std::string sub = name.substr(prefix.size());
    sub = sub.substr(0, sub.find('\\'));
    if (strings.IndexOf(sub) < 0) strings.Add(sub);
  }
}

void TCustomIniFile::ReadSectionValues(std::string_view section, TStringList& strings) {
  TStringList keys;
  ReadSection(section, keys);
  strings.Clear();
  for (int i = 0; i < keys.Count(); ++i)
    strings.Add(keys[i] + "=" + ReadString(section, keys[i], ""));
}

bool TCustomIniFile::ValueExists(std::string_view section, std::string_view ident) {
  TStringList keys;
  ReadSection(section, keys);
  return keys.IndexOf(ident) >= 0;
}

bool TCustomIniFile::SectionExists(std::string_view section) {
  TStringList keys;
  ReadSection(section, keys);
  return keys.Count() > 0;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident,
                                 std::string_view def) {
  std::optional<std::string> raw = LoadIniFile(FileName()).Find(section, ident);
  std::string value = raw ? IniDocument::Unquote(*raw) : std::string(def);
  if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
  return value;
}

void TIniFile::WriteString(std::string_view section, std::string_view ident,
                           std::string_view value) {
  if (section.empty() || ident.empty() || HasLineBreak(section) || HasLineBreak(ident) ||
      section.find(']') != std::string_view::npos || ident.find('=') != std::string_view::npos)
    WriteError(FileName(), kErrorInvalidName);
  if (HasLineBreak(value)) WriteError(FileName(), kErrorInvalidParameter);
  ModifyIniFile(FileName(), [&](IniDocument& doc) {
    doc.Set(section, ident, value);
    return true;
  });
}

void TIniFile::ReadSection(std::string_view section, TStringList& strings) {
  strings.Clear();
  for (std::string& key : LoadIniFile(FileName()).Keys(section)) strings.Add(std::move(key));
}

void TIniFile::ReadSections(TStringList& strings) {
  strings.Clear();
  for (std::string& name : LoadIniFile(FileName()).Sections()) strings.Add(std::move(name));
}

void TIniFile::EraseSection(std::string_view section) {
  ModifyIniFile(FileName(), [&](IniDocument& doc) { return doc.EraseSection(section); });
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident) {
  ModifyIniFile(FileName(), [&](IniDocument& doc) { return doc.DeleteKey(section, ident); });
}

}  // namespace tv
