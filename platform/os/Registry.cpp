#include "platform/os/Registry.h"

#include <cstdio>
#include <cstring>

#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/IniDocument.h"
#include "platform/os/Paths.h"

namespace tv {
namespace {

std::string Normalize(const std::string& key) {
  std::size_t b = 0;
  std::size_t e = key.size();
  while (b < e && key[b] == '\\') ++b;
  while (e > b && key[e - 1] == '\\') --e;
  return key.substr(b, e - b);
}

std::string StoredName(const std::string& name) { return name.empty() ? "@" : name; }

[[noreturn]] void Raise(const char* what, const std::string& name) {
  throw ERegistryException(std::string(what) + " '" + name + "'");
}

std::string EscapeText(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

bool UnescapeText(std::string_view s, std::string& out) {
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') return false;
  out.clear();
  for (std::size_t i = 1; i + 1 < s.size(); ++i) {
    char c = s[i];
    if (c == '\\' && i + 2 < s.size()) {
      char n = s[++i];
      c = n == 'r' ? '\r' : n == 'n' ? '\n' : n;
    }
    out += c;
  }
  return true;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHexBytes(std::string_view s, std::string& out) {
  out.clear();
  std::size_t i = 0;
  while (i < s.size()) {
    if (i + 1 >= s.size() || Hex(s[i]) < 0 || Hex(s[i + 1]) < 0) return false;
    out += static_cast<char>(Hex(s[i]) * 16 + Hex(s[i + 1]));
    i += 2;
    if (i < s.size() && s[i++] != ',') return false;
  }
  return true;
}

}  // namespace

std::string TRegistry::StoreFileName() {
  // The Windows folder always exists on the original platform.
  ForceDirectories(GetWindowsDir());
  return GetWindowsDir() + "registry.ini";
}

void TRegistry::SetRootKey(TRootKey root) {
  CloseKey();
  root_ = root;
}

std::string TRegistry::FullPath(const std::string& key) const {
  std::string rel = Normalize(key);
  if (!key.empty() && key[0] != '\\' && !path_.empty())
    rel = rel.empty() ? path_ : path_ + "\\" + rel;
  std::string rootName = root_ == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  return rel.empty() ? rootName : rootName + "\\" + rel;
}

bool TRegistry::KeyExists(const std::string& key) const {
  std::string full = FullPath(key);
  IniDocument doc = LoadIniFile(StoreFileName());
  for (const std::string& s : doc.Sections())
    if (AnsiSameText(s, full) || (s.size() > full.size() && s[full.size()] == '\\' &&
                                  AnsiSameText(s.substr(0, full.size()), full)))
      return true;
  return Normalize(key).empty();
}

bool TRegistry::CreateKey(const std::string& key) {
  std::string full = FullPath(key);
  try {
    ModifyIniFile(StoreFileName(), [&](IniDocument& doc) {
      // Parents first, so that listings find every level.
      for (std::size_t p = full.find('\\'); p != std::string::npos; p = full.find('\\', p + 1))
        doc.AddSection(full.substr(0, p));
      doc.AddSection(full);
      return true;
    });
  } catch (const Exception&) {
    return false;
  }
  return true;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  if (!KeyExists(key) && !(canCreate && CreateKey(key))) return false;
  std::string full = FullPath(key);
  std::size_t p = full.find('\\');
  path_ = p == std::string::npos ? std::string() : full.substr(p + 1);
  open_ = true;
  readOnly_ = false;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  if (!OpenKey(key, false)) return false;
  readOnly_ = true;
  return true;
}

void TRegistry::CloseKey() {
  path_.clear();
  open_ = false;
  readOnly_ = false;
}

bool TRegistry::DeleteKey(const std::string& key) {
  std::string full = FullPath(key);
  if (Normalize(key).empty()) return false;
  bool erased = false;
  try {
    ModifyIniFile(StoreFileName(), [&](IniDocument& doc) {
      for (const std::string& s : doc.Sections())
        if (AnsiSameText(s, full) || (s.size() > full.size() && s[full.size()] == '\\' &&
                                      AnsiSameText(s.substr(0, full.size()), full)))
          erased = doc.EraseSection(s) || erased;
      return erased;
    });
  } catch (const Exception&) {
    return false;
  }
  return erased;
}

bool TRegistry::DeleteValue(const std::string& name) {
  if (readOnly_) return false;
  bool deleted = false;
  try {
    ModifyIniFile(StoreFileName(), [&](IniDocument& doc) {
      deleted = doc.DeleteKey(Section(), StoredName(name));
      return deleted;
    });
  } catch (const Exception&) {
    return false;
  }
  return deleted;
}

void TRegistry::GetKeyNames(TStringList& strings) const {
  strings.Clear();
  std::string prefix = Section() + "\\";
  for (const std::string& s : LoadIniFile(StoreFileName()).Sections()) {
    if (s.size() <= prefix.size() || !AnsiSameText(s.substr(0, prefix.size()), prefix)) continue;
    std::string sub = s.substr(prefix.size());
    sub = sub.substr(0, sub.find('\\'));
    if (strings.IndexOf(sub) < 0) strings.Add(sub);
  }
}

void TRegistry::GetValueNames(TStringList& strings) const {
  strings.Clear();
  for (const std::string& k : LoadIniFile(StoreFileName()).Keys(Section()))
    strings.Add(k == "@" ? std::string() : k);
}

std::string TRegistry::ReadRaw(const std::string& name, bool& found) const {
  std::optional<std::string> raw = LoadIniFile(StoreFileName()).Find(Section(), StoredName(name));
  found = raw.has_value();
  return raw.value_or("");
}

void TRegistry::WriteRaw(const std::string& name, const std::string& raw) {
  if (readOnly_ || name.find_first_of("=\r\n") != std::string::npos)
    Raise("Failed to set data for", name);
  try {
    ModifyIniFile(StoreFileName(), [&](IniDocument& doc) {
      doc.Set(Section(), StoredName(name), raw);
      return true;
    });
  } catch (const Exception&) {
    Raise("Failed to set data for", name);
  }
}

bool TRegistry::ValueExists(const std::string& name) const {
  bool found = false;
  ReadRaw(name, found);
  return found;
}

TRegistry::TRegDataType TRegistry::GetDataType(const std::string& name) const {
  bool found = false;
  std::string raw = ReadRaw(name, found);
  if (!found) return rdUnknown;
  if (StartsWith(raw, "dword:")) return rdInteger;
  if (StartsWith(raw, "sz:")) return rdString;
  if (StartsWith(raw, "expand_sz:")) return rdExpandString;
  if (StartsWith(raw, "hex:")) return rdBinary;
  return rdUnknown;
}

int TRegistry::ReadInteger(const std::string& name) const {
  bool found = false;
  std::string raw = ReadRaw(name, found);
  if (!found) Raise("Failed to get data for", name);
  std::string digits = StartsWith(raw, "dword:") ? raw.substr(6) : std::string();
  if (digits.empty() || digits.size() > 8) Raise("Invalid data type for", name);
  uint32_t v = 0;
  for (char c : digits) {
    if (Hex(c) < 0) Raise("Invalid data type for", name);
    v = v * 16 + static_cast<uint32_t>(Hex(c));
  }
  return static_cast<int>(v);
}

void TRegistry::WriteInteger(const std::string& name, int value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "dword:%08X", static_cast<unsigned>(value));
  WriteRaw(name, buf);
}

bool TRegistry::ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

void TRegistry::WriteBool(const std::string& name, bool value) {
  WriteInteger(name, value ? 1 : 0);
}

std::string TRegistry::ReadString(const std::string& name) const {
  bool found = false;
  std::string raw = ReadRaw(name, found);
  if (!found) return {};
  std::string text;
  std::string_view body = raw;
  if (StartsWith(body, "sz:")) {
    body.remove_prefix(3);
  } else if (StartsWith(body, "expand_sz:")) {
    body.remove_prefix(10);
  } else {
    Raise("Invalid data type for", name);
  }
  if (!UnescapeText(body, text)) Raise("Invalid data type for", name);
  return text;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  WriteRaw(name, "sz:" + EscapeText(value));
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
  WriteRaw(name, "expand_sz:" + EscapeText(value));
}

std::string TRegistry::ReadBinaryData(const std::string& name) const {
  bool found = false;
  std::string raw = ReadRaw(name, found);
  if (!found) Raise("Failed to get data for", name);
  std::string bytes;
  if (!StartsWith(raw, "hex:") || !ParseHexBytes(std::string_view(raw).substr(4), bytes))
    Raise("Invalid data type for", name);
  return bytes;
}

void TRegistry::WriteBinaryData(const std::string& name, const std::string& bytes) {
  std::string raw = "hex:";
  char buf[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(bytes[i]));
    if (i > 0) raw += ',';
    raw += buf;
  }
  WriteRaw(name, raw);
}

TDateTime TRegistry::ReadDateTime(const std::string& name) const {
  std::string bytes = ReadBinaryData(name);
  if (bytes.size() != sizeof(double)) Raise("Invalid data type for", name);
  double v = 0;
  std::memcpy(&v, bytes.data(), sizeof v);
  return v;
}

void TRegistry::WriteDateTime(const std::string& name, TDateTime value) {
  std::string bytes(sizeof(double), '\0');
  std::memcpy(bytes.data(), &value, sizeof value);
  WriteBinaryData(name, bytes);
}

}  // namespace tv
