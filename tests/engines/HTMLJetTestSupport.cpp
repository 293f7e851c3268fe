#include "tests/engines/HTMLJetTestSupport.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "engines/HTMLJet.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "tests/support/TempRoot.h"

namespace tv::test {

const char* const kWebRepDir = "C:\\FUEL\\FORMS\\WEBREP\\";

void WriteRawFile(const std::string& windowsPath, const std::string& bytes) {
  ForceDirectories(ExtractFilePath(windowsPath));
  WriteFileBytes(windowsPath, bytes);
}

void WriteCp1251File(const std::string& windowsPath, const std::string& utf8) {
  WriteRawFile(windowsPath, Utf8ToCp1251(utf8));
}

std::string ToUtf8Lf(const std::string& cp1251) {
  std::string utf8 = Cp1251ToUtf8(cp1251);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    out += utf8[i];
  }
  return out;
}

std::string FromUtf8Crlf(const std::string& utf8) {
  std::string out;
  for (char c : Utf8ToCp1251(utf8)) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

JetSettingsScope::JetSettingsScope()
    : useAlt_(HTMLJet::UseAltTemplates),
      maxSizeMB_(HTMLJet::MaxReportSizeMB),
      maxRows_(HTMLJet::MaxReportRows),
      moneyFormat_(HTMLJet::MoneyFormat),
      repeatHeader_(HTMLJet::RepeatTableHeaderDefault),
      settings_(HTMLJet::ReportFormatSettings()) {
  HTMLJet::ReportFormatSettings().DecimalSeparator = ',';
  HTMLJet::ReportFormatSettings().ThousandSeparator = ' ';
}

JetSettingsScope::~JetSettingsScope() {
  HTMLJet::UseAltTemplates = useAlt_;
  HTMLJet::MaxReportSizeMB = maxSizeMB_;
  HTMLJet::MaxReportRows = maxRows_;
  HTMLJet::MoneyFormat = moneyFormat_;
  HTMLJet::RepeatTableHeaderDefault = repeatHeader_;
  HTMLJet::ReportFormatSettings() = settings_;
}

GlobalListsScope::GlobalListsScope() {
  std::lock_guard<std::mutex> guard(HTMLJet::GlobalListsLock());
  replacements_ = HTMLJet::GlobalReplacements().Text();
  vars_ = HTMLJet::GlobalVars().Text();
}

GlobalListsScope::~GlobalListsScope() {
  std::lock_guard<std::mutex> guard(HTMLJet::GlobalListsLock());
  HTMLJet::GlobalReplacements().SetText(replacements_);
  HTMLJet::GlobalVars().SetText(vars_);
}

TableCheck CheckTables(const std::string& cp1251Html) {
  TableCheck check;
  if (!HaveCommand("python3")) return check;
  char name[] = "/tmp/tolvaren-html-XXXXXX";
  const int fd = ::mkstemp(name);
  if (fd < 0) return check;
  ::close(fd);
  {
    std::ofstream out(name, std::ios::binary);
    out << cp1251Html;
  }
  const std::string script = std::string(TOLVAREN_SOURCE_DIR) + "/tests/engines/HTMLTableCheck.py";
  int rc = -1;
  const std::string output =
      RunCommand("python3 '" + script + "' '" + name + "' 2>" + name + ".err", &rc);
  std::ifstream err(std::string(name) + ".err");
  check.faults.assign(std::istreambuf_iterator<char>(err), {});
  std::remove(name);
  std::remove((std::string(name) + ".err").c_str());
  check.ran = true;
  check.ok = rc == 0;
  try {
    check.rows = std::stoi(output);
  } catch (const std::exception&) {
    check.rows = -1;
  }
  return check;
}

}  // namespace tv::test
