#pragma once
// The host configuration: what the command-line host answers when the
// library asks. An INI file in UTF-8 (so that a person can edit it); every
// value is handed to the library in Windows-1251. A missing file, section
// or key gives the default named in host/README.md.

#include <memory>
#include <string>
#include <vector>

#include "platform/text/DateTime.h"
#include "platform/os/IniFile.h"

namespace tv::host {

class THostConfig {
 public:
  // Defaults only.
  THostConfig();
  // Reads a UTF-8 INI file (native path); throws tv::Exception when it
  // cannot be read.
  static THostConfig Load(const std::string& nativePath);

  THostConfig(THostConfig&&) noexcept = default;
  THostConfig& operator=(THostConfig&&) noexcept = default;

  // Values in Windows-1251.
  std::string Text(const std::string& section, const std::string& key,
                   const std::string& def) const;
  int Int(const std::string& section, const std::string& key, int def) const;
  bool Bool(const std::string& section, const std::string& key, bool def) const;
  // "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS"; def when
  // absent, an exception naming the key when malformed.
  TDateTime Date(const std::string& section, const std::string& key, TDateTime def) const;
  bool Has(const std::string& section, const std::string& key) const;

 private:
  std::unique_ptr<TMemIniFile> ini_;
};

// Parses the date forms of THostConfig::Date; false when malformed.
bool ParseHostDate(const std::string& text, TDateTime& out);

}  // namespace tv::host
