#include "zip/ZipLib.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/os/Paths.h"
#include "zip/ZipDrives.h"
#include "zip/ZipMatch.h"
#include "zip/ZipMessages.h"
#include "zip/ZipStreams.h"

namespace tv::zip {
namespace {

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
}

constexpr int64_t kDaysTo1970 = 25569;  // 1899-12-30 .. 1970-01-01

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

uint32_t PackDos(int year, int month, int day, int hour, int minute, int second) {
  uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  uint32_t time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return (date << 16) | time;
}

std::string DrivePart(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : std::string();
}

}  // namespace

int64_t GetSearchRecSize64(const TSearchRec& rec) {
  return static_cast<int64_t>((static_cast<uint64_t>(rec.FindDataSizeHigh) << 32) |
                              rec.FindDataSizeLow);
}

int32_t Percentage64(int64_t whole, int64_t part) {
  if (whole <= 0) return 0;
  long double value = std::nearbyint(static_cast<long double>(part) * 100.0L / whole);
  return value > 100 ? 100 : static_cast<int32_t>(value);
}

void DOSToUnixFilename(std::string& name) {
  for (char& c : name)
    if (c == '\\') c = '/';
}

void UnixToDOSFilename(std::string& name) {
  for (char& c : name)
    if (c == '/') c = '\\';
}

std::string RightStr(const std::string& s, int count) {
  if (count <= 0) return {};
  return static_cast<size_t>(count) >= s.size() ? s : s.substr(s.size() - count);
}

std::string LeftStr(const std::string& s, int count) {
  return count <= 0 ? std::string() : s.substr(0, static_cast<size_t>(count));
}

bool HasWildcards(const std::string& s) { return s.find_first_of("*?<>|") != std::string::npos; }

uint32_t FixDosDateTime(uint32_t value) {
  int hour = static_cast<int>((value >> 11) & 31);
  int minute = static_cast<int>((value >> 5) & 63);
  int second = static_cast<int>(value & 31) * 2;
  int year = static_cast<int>((value >> 25) & 127) + 1980;
  int month = static_cast<int>((value >> 21) & 15);
  int day = static_cast<int>((value >> 16) & 31);
  bool clamped = false;
  auto clamp = [&clamped](int& field, int low, int high) {
    if (field < low || field > high) {
      field = field < low ? low : high;
      clamped = true;
    }
  };
  clamp(hour, 0, 23);
  clamp(minute, 0, 59);
  clamp(second, 0, 59);
  clamp(year, 1980, 2099);
  clamp(month, 1, 12);
  clamp(day, 1, 31);
  return clamped ? PackDos(year, month, day, hour, minute, second) : value;
}

uint32_t UnixTimeToDosDateTime(int64_t unixTime) {
  time_t t = static_cast<time_t>(unixTime);
  struct tm local {};
  if (::localtime_r(&t, &local) == nullptr) return 0xFFFFFFFF;
  int year = local.tm_year + 1900;
  if (year < 1980 || year > 2107) return 0xFFFFFFFF;
  return PackDos(year, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                 local.tm_sec);
}

int64_t DosDateTimeToUnixTime(uint32_t value) {
  struct tm local {};
  local.tm_year = static_cast<int>((value >> 25) & 127) + 80;
  local.tm_mon = static_cast<int>((value >> 21) & 15) - 1;
  local.tm_mday = static_cast<int>((value >> 16) & 31);
  local.tm_hour = static_cast<int>((value >> 11) & 31);
  local.tm_min = static_cast<int>((value >> 5) & 63);
  local.tm_sec = static_cast<int>(value & 31) * 2;
  local.tm_isdst = -1;
  return static_cast<int64_t>(::mktime(&local));
}

bool TryDosDateTimeToDateTime(uint32_t value, TDateTime& result) {
  int year = static_cast<int>((value >> 25) & 127) + 1980;
  int month = static_cast<int>((value >> 21) & 15);
  int day = static_cast<int>((value >> 16) & 31);
  int hour = static_cast<int>((value >> 11) & 31);
  int minute = static_cast<int>((value >> 5) & 63);
  int second = static_cast<int>(value & 31) * 2;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  if (hour > 23 || minute > 59 || second > 59) return false;
  int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  result = static_cast<double>(days + kDaysTo1970) + (hour * 3600 + minute * 60 + second) / 86400.0;
  return true;
}

uint32_t DateTimeToDosDateTime(TDateTime value) {
  int64_t ms = std::llround(value * 86400000.0);
  int64_t days = ms / 86400000;
  int64_t msOfDay = ms % 86400000;
  int year = 0;
  int month = 0;
  int day = 0;
  CivilFromDays(days - kDaysTo1970, year, month, day);
  int seconds = static_cast<int>(msOfDay / 1000);
  if (year < 1980 || year > 2107) return 0;
  return PackDos(year, month, day, seconds / 3600, seconds / 60 % 60, seconds % 60);
}

TDateTime NowDateTime() {
  time_t t = ::time(nullptr);
  struct tm local {};
  ::localtime_r(&t, &local);
  int64_t days = DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                               static_cast<unsigned>(local.tm_mday));
  return static_cast<double>(days + kDaysTo1970) +
         (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
}

uint32_t GetFileDosDateTime(const std::string& path) {
  struct stat st {};
  if (::stat(MapPath(path).c_str(), &st) != 0) return 0xFFFFFFFF;
  return UnixTimeToDosDateTime(static_cast<int64_t>(st.st_mtime));
}

TDateTime GetFileDateTime(const std::string& path) {
  uint32_t dos = FixDosDateTime(GetFileDosDateTime(RemoveTrailingBackslash(path)));
  TDateTime result = 0;
  return TryDosDateTimeToDateTime(dos, result) ? result : NowDateTime();
}

void CreateDirectories(const std::string& path) { ForceDirectories(path); }

bool FileExistsEx(const std::string& path) {
  struct stat st {};
  return ::stat(MapPath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirExists(const std::string& path) { return IsDirectory(path); }

std::string GetDirOfDrive(int drive) {
  if (drive > 0 && drive <= 26) return std::string(1, static_cast<char>('A' + drive - 1)) + ":\\";
  std::vector<char> buffer(4096);
  return ::getcwd(buffer.data(), buffer.size()) != nullptr ? std::string(buffer.data()) : "";
}

bool MoveFileOnSameDrive(const std::string& source, const std::string& target) {
  if (!AnsiSameText(DrivePart(source), DrivePart(target))) return false;
  std::string kept;
  if (FileExistsEx(target)) {
    kept = target + "$$$";
    if (::rename(MapPath(target).c_str(), MapPath(kept).c_str()) != 0) return false;
  }
  if (::rename(MapPath(source).c_str(), MapPath(target).c_str()) != 0) return false;
  if (!kept.empty()) ::unlink(MapPath(kept).c_str());
  return true;
}

void FileCopy(const std::string& source, const std::string& target) {
  if (MoveFileOnSameDrive(source, target)) return;
  int64_t copied = 0;
  {
    TFileStream in(source, fmOpenRead | fmShareDenyWrite);
    TFileStream out(target, fmCreate);
    int64_t size = in.Size();
    if (size > 0) copied = out.CopyFrom(in, size);
  }
  if (copied == 0)
    throw Exception(LoadZipStr(kMsgError) + ": " + LoadZipStr(kMsgCouldNotCopy) + source + " -> " +
                    target);
}

bool SetVolLabel(const std::string& driveRoot, const std::string& label) {
  SetVolumeLabel(driveRoot, "");
  return SetVolumeLabel(driveRoot, label);
}

void GetVolLabel(const std::string& driveRoot, std::string& label) {
  if (!GetVolumeLabel(driveRoot, label)) label.clear();
}

bool IsRemovableDrive(const std::string& driveRoot) {
  int kind = GetDriveKind(driveRoot);
  return kind == DRIVE_REMOVABLE || kind == DRIVE_CDROM;
}

int64_t DiskClusterSize64(const std::string& driveRoot) {
  int64_t bytes = DiskClusterBytes(driveRoot);
  if (bytes < 0) throw EOSError("System Error.  Code: 21.\r\nThe device is not ready");
  return bytes;
}

std::string GetTempFileNameIn(const std::string& directory) {
  std::string folder = IncludeTrailingPathDelimiter(directory);
  static unsigned counter = 0;
  unsigned start = (static_cast<unsigned>(::getpid()) + ++counter * 7919u) & 0xFFFF;
  for (unsigned k = 0; k < 0x10000; ++k) {
    unsigned unique = (start + k) & 0xFFFF;
    if (unique == 0) continue;
    char name[16];
    std::snprintf(name, sizeof name, "ZTM%04X.TMP", unique);
    int fd = ::open(MapPath(folder + name).c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return folder + name;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

void OemFilter(std::string& s) { s = Cp866ToCp1251(Cp1251ToCp866(s)); }

std::string ConvertPathName(const std::string& path, int mode) {
  std::string p = path;
  if (p.size() >= 3 && p[1] == ':' && p[2] != '\\') p.insert(2, "\\");
  bool trailing = !p.empty() && p.back() == '\\';
  if (trailing) p.pop_back();
  std::string result;
  size_t pos = 0;
  if (!p.empty() && p[0] == '\\') {
    result = "\\";
    pos = 1;
  } else if (p.size() >= 2 && p[1] == ':') {
    result = p.substr(0, 2) + "\\";
    pos = p.size() > 2 ? 3 : 2;
  }
  bool first = true;
  while (pos < p.size()) {
    size_t end = p.find('\\', pos);
    if (end == std::string::npos) end = p.size();
    std::string component = p.substr(pos, end - pos);
    std::string spelled = component;
    if (mode == 1) {
      TSearchRec rec;
      std::string sought = result + (first ? "" : "\\") + component;
      if (FindFirst(sought, faAnyFile, rec) == 0) spelled = rec.Name;
      FindClose(rec);
    }
    result += (first ? "" : "\\") + spelled;
    first = false;
    pos = end + 1;
  }
  if (trailing) result += '\\';
  return result;
}

}  // namespace tv::zip
