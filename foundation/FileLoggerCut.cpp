// The size limit, the age limit and the numbered copies of TFileLogger.
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "foundation/FileLogger.h"
#include "foundation/FileLoggerFile.h"
#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"
#include "platform/text/FormatSettings.h"
#include "platform/os/Paths.h"
#include "platform/os/SysInfo.h"

namespace tv {
namespace {

constexpr int64_t kBackBlock = 255;
constexpr int64_t kAgeBlock = 32768;

// Bytes between the last CR or LF before `from` and `from`, searched
// backwards in blocks of 255 bytes while a block stays clear of the first
// 255 bytes of the file; 0 when none is found.
int64_t BytesBackToLineStart(TFileLogger::File& file, int64_t from) {
  int64_t pos = from;
  while (pos > kBackBlock) {
    pos -= kBackBlock;
    std::string block = file.ReadAt(pos, kBackBlock);
    for (int64_t i = static_cast<int64_t>(block.size()) - 1; i >= 0; --i)
      if (block[i] == '\r' || block[i] == '\n') return from - (pos + i + 1);
  }
  return 0;
}

// The number after the log's name in a copy's name ("Reports.log007": 7),
// or -1 when the name is not a copy.
int64_t CopyNumber(const std::string& name, const std::string& logName) {
  if (name.size() <= logName.size() || !AnsiSameText(name.substr(0, logName.size()), logName))
    return -1;
  std::string suffix = name.substr(logName.size());
  if (suffix.size() > 9 || suffix.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::atoll(suffix.c_str());
}

std::string Numbered(const std::string& path, int64_t n) {
  std::string digits = std::to_string(n);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return path + digits;
}

}  // namespace

void TFileLogger::KeepTail(File& file, int64_t from, int64_t size) {
  std::string temp = fileName_ + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                     std::to_string(GetCurrentThreadId());
  struct Remove {
    const std::string& path;
    ~Remove() { DeleteFile(path); }
  } remove{temp};
  std::string tail = file.ReadAt(from, size - from);
  WriteFileBytes(temp, tail);
  file.SetSize(static_cast<int64_t>(tail.size()));
  file.WriteAt(0, ReadFileBytes(temp));
}

void TFileLogger::CutBySize(File& file, int64_t size) {
  if (!TruncateOnLimit) {
    file.Close();
    RotateFiles();
    return;
  }
  if (size <= MaxSize + kBackBlock) return;
  int64_t from = size - MaxSize;
  from -= BytesBackToLineStart(file, from);
  KeepTail(file, from, size);
}

void TFileLogger::CutByAge(File& file, int64_t size) {
  if (MaxAgeDays <= 0 || size <= kAgeBlock) return;
  TDateTime now = Now();
  if (now - lastAgeCheck_ < 60.0 / 86400.0) return;
  lastAgeCheck_ = now;
  const TFormatSettings& fs = LoggerFormatSettings();
  const std::size_t stampLength = FormatDateTime(DateFormat, now, fs).size();
  bool first = true;
  bool young = false;  // the first readable line is young: nothing to cut
  bool sawOld = false;
  bool previousOld = false;
  int64_t keepFrom = -1;
  for (int64_t offset = 0; !young && keepFrom < 0 && offset + kAgeBlock <= size;
       offset += kAgeBlock) {
    std::string block = file.ReadAt(offset, kAgeBlock);
    int64_t limit = static_cast<int64_t>(block.size()) - 2 * static_cast<int64_t>(stampLength) - 5;
    for (int64_t i = 0; i < limit; ++i) {
      if (block[i] != '\n') continue;
      std::size_t p = static_cast<std::size_t>(i) + 1;
      if (std::string_view("-+?!#$%@").find(block[p]) != std::string_view::npos &&
          block[p + 1] == ' ')
        p += 2;
      TDateTime stamp = 0;
      if (!TryStrToDateTime(block.substr(p, stampLength), stamp, fs)) continue;
      if (stamp < 1) stamp += Date();  // a time alone is today's
      double age = now - stamp;
      if (first && age < MaxAgeDays * 4 / 3) {
        young = true;
        break;
      }
      first = false;
      bool old = age >= MaxAgeDays;
      if (!old && previousOld) {
        keepFrom = offset + i + 1;
        break;
      }
      sawOld = sawOld || old;
      previousOld = old;
    }
  }
  if (young || (keepFrom < 0 && !sawOld)) {
    file.Close();
  } else if (!TruncateOnLimit) {
    file.Close();
    RotateFiles();
  } else {
    if (keepFrom >= 0) {
      KeepTail(file, keepFrom, size);
    } else {
      file.SetSize(0);
    }
    file.Close();
  }
}

void TFileLogger::RotateFiles() {
  std::string folder = ExtractFilePath(fileName_);
  std::string logName = ExtractFileName(fileName_);
  std::vector<std::pair<int64_t, std::string>> copies;
  for (const std::string& name : ListFolder(folder.empty() ? std::string(".") : folder)) {
    int64_t n = CopyNumber(name, logName);
    if (n >= 0 && FileExists(folder + name)) copies.emplace_back(n, folder + name);
  }
  std::sort(copies.begin(), copies.end());
  while (MaxFiles > 0 && static_cast<int32_t>(copies.size()) > MaxFiles) {
    DeleteFile(copies.back().second);
    copies.pop_back();
  }
  for (auto it = copies.rbegin(); it != copies.rend(); ++it)
    RenameFile(it->second, Numbered(fileName_, it->first + 1));
  RenameFile(fileName_, fileName_ + "000");
}

}  // namespace tv
