#include "zip/ZipMessages.h"

#include <array>
#include <cstdio>
#include <utility>

namespace tv::zip {
namespace {

constexpr std::array<std::pair<int, const char*>, 25> kTable = {{
    {176, "Open a Zip File"},
    {177, "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|"
          "All Files (*.*)|*.*"},
    {178, "User canceled Set Desination Directory"},
    {179, "Index %d is out of range"},
    {181, "User Aborted Operation"},
    {182, "Incomplete Zip File"},
    {183, "Not a valid zip file!"},
    {184, "Please insert disk "},
    {185, " of the multi-disk set."},
    {186, "User canceled setting zip file name."},
    {187, "User canceled Zip operation"},
    {190, "Seek error"},
    {191, "Invalid seek origin (%d)"},
    {192, "Putback overflow"},
    {193, "*** inflate out of memory ***"},
    {194, "Premature end of file reached"},
    {195, "Replace existing file "},
    {196, "File Exists Alert"},
    {197, "Unknown Compression Method"},
    {198, "Zip Error"},
    {199, "File is larger than uncompressed size!"},
    {202, "Could not copy from "},
    {203, "Error"},
    {204, "Not enough room to write archive"},
    {207, "Cant write uncompressed file"},
}};

}  // namespace

std::string LoadZipStr(int id) {
  for (const auto& [key, text] : kTable)
    if (key == id) return text;
  return {};
}

std::string FormatZipStr(int id, int64_t value) {
  std::string pattern = LoadZipStr(id);
  auto at = pattern.find("%d");
  if (at == std::string::npos) return pattern;
  char number[32];
  std::snprintf(number, sizeof number, "%lld", static_cast<long long>(value));
  return pattern.substr(0, at) + number + pattern.substr(at + 2);
}

}  // namespace tv::zip
