#include "platform/os/IniFile.h"

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/os/Files.h"
#include "platform/os/IniDocument.h"
#include "platform/os/OsError.h"
#include "platform/SysUtils.h"

namespace tv {
namespace {

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
  return StrToIntDef(text, def);
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

namespace {

// The typed read of the runtime: the default for an empty or unconvertible
// text; other failures pass.
template <class T, class Convert>
T ReadConverted(TCustomIniFile& ini, std::string_view section, std::string_view name, T def,
                Convert convert) {
  std::string text = ini.ReadString(section, name, "");
  if (text.empty()) return def;
  try {
    return static_cast<T>(convert(text));
  } catch (const EConvertError&) {
    return def;
  }
}

}  // namespace

TDateTime TCustomIniFile::ReadDate(std::string_view section, std::string_view name, TDateTime def) {
  const TFormatSettings& fs = TypedFormatSettings();
  return ReadConverted(*this, section, name, def,
                       [&](const std::string& t) { return StrToDate(t, fs); });
}

TDateTime TCustomIniFile::ReadDateTime(std::string_view section, std::string_view name,
                                       TDateTime def) {
  const TFormatSettings& fs = TypedFormatSettings();
  return ReadConverted(*this, section, name, def,
                       [&](const std::string& t) { return StrToDateTime(t, fs); });
}

double TCustomIniFile::ReadFloat(std::string_view section, std::string_view name, double def) {
  const TFormatSettings& fs = TypedFormatSettings();
  return ReadConverted(*this, section, name, def,
                       [&](const std::string& t) { return StrToFloat(t, fs); });
}

TDateTime TCustomIniFile::ReadTime(std::string_view section, std::string_view name, TDateTime def) {
  const TFormatSettings& fs = TypedFormatSettings();
  return ReadConverted(*this, section, name, def,
                       [&](const std::string& t) { return StrToTime(t, fs); });
}

void TCustomIniFile::WriteDate(std::string_view section, std::string_view name, TDateTime value) {
  WriteString(section, name, DateToStr(value, TypedFormatSettings()));
}

void TCustomIniFile::WriteDateTime(std::string_view section, std::string_view name,
                                   TDateTime value) {
  WriteString(section, name, DateTimeToStr(value, TypedFormatSettings()));
}

void TCustomIniFile::WriteFloat(std::string_view section, std::string_view name, double value) {
  WriteString(section, name, FloatToStr(value, TypedFormatSettings()));
}

void TCustomIniFile::WriteTime(std::string_view section, std::string_view name, TDateTime value) {
  WriteString(section, name, TimeToStr(value, TypedFormatSettings()));
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
