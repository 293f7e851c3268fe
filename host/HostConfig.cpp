#include "host/HostConfig.h"

#include <cstdio>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/os/Files.h"
#include "platform/text/StringList.h"
#include "platform/SysUtils.h"

namespace tv::host {

THostConfig::THostConfig() : ini_(std::make_unique<TMemIniFile>()) {}

THostConfig THostConfig::Load(const std::string& nativePath) {
  THostConfig config;
  std::string bytes = ReadFileBytes(nativePath);
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  TStringList lines;
  lines.SetText(Utf8ToCp1251(bytes));
  config.ini_->SetStrings(lines);
  return config;
}

std::string THostConfig::Text(const std::string& section, const std::string& key,
                              const std::string& def) const {
  return ini_->ReadString(section, key, def);
}

int THostConfig::Int(const std::string& section, const std::string& key, int def) const {
  return ini_->ReadInteger(section, key, def);
}

bool THostConfig::Bool(const std::string& section, const std::string& key, bool def) const {
  return ini_->ReadBool(section, key, def);
}

bool THostConfig::Has(const std::string& section, const std::string& key) const {
  return ini_->ValueExists(section, key);
}

TDateTime THostConfig::Date(const std::string& section, const std::string& key,
                            TDateTime def) const {
  if (!Has(section, key)) return def;
  const std::string text = Trim(Text(section, key, ""));
  TDateTime value = 0;
  if (!ParseHostDate(text, value)) {
    throw Exception("[" + section + "] " + key + ": \"" + text +
                    "\" is not a date (YYYY-MM-DD HH:MM:SS)");
  }
  return value;
}

bool ParseHostDate(const std::string& text, TDateTime& out) {
  int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0;
  char tail = 0;
  const int count =
      std::sscanf(text.c_str(), "%4d-%2d-%2d%*1[ T]%2d:%2d:%2d%c", &y, &m, &d, &h, &n, &s, &tail);
  if (count != 3 && count != 5 && count != 6) return false;
  if (count == 3 && text.size() != 10) return false;
  return TryEncodeDate(y, m, d, out) && [&] {
    TDateTime t = 0;
    if (!TryEncodeTime(h, n, s, 0, t)) return false;
    out += t;
    return true;
  }();
}

}  // namespace tv::host
