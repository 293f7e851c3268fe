#include "foundation/FileLogger.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/FileLoggerFile.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/os/Files.h"
#include "platform/text/FormatSettings.h"
#include "platform/os/OsError.h"
#include "platform/os/Paths.h"
#include "platform/os/SysInfo.h"

namespace tv {
namespace {

const char kLevelSigns[] = "-+?!#$%@";

const std::string& LevelTag(uint8_t level) {
  static const std::string kNone;
  switch (level) {
    case 1:
      return " [инф]"_w;
    case 2:
      return " [ошиб]"_w;
    case 3:
      return " [сбой]"_w;
    case 4:
      return " [вним]"_w;
    case 5:
      return " [событ]"_w;
    case 6:
      return " [отлад]"_w;
    case 7:
      return " [другое]"_w;
    default:
      return kNone;
  }
}

// The lower-cased path with " * / : < > ? \ | made "_".
std::string MutexNameOf(const std::string& path) {
  std::string name = AnsiLowerCase(path);
  for (char& c : name)
    if (std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos) c = '_';
  return name;
}

}  // namespace

const TFormatSettings& LoggerFormatSettings() {
  static const TFormatSettings kSettings = [] {
    TFormatSettings fs = DefaultFormatSettings();
    fs.DateSeparator = '.';
    fs.TimeSeparator = ':';
    fs.DecimalSeparator = '.';
    fs.ShortDateFormat = "dd/mm/yyyy";
    fs.LongTimeFormat = "hh:nn:ss.zzz";
    return fs;
  }();
  return kSettings;
}

TFileLogger& ErrorsWriter() {
  // Never destroyed: loggers of other modules may report until the end.
  static TFileLogger* writer = [] {
    auto* w = new TFileLogger(GetTempDir() + "FileLoggerErrorsWriter.log");
    w->TruncateOnLimit = true;
    w->IsErrorsWriter = true;
    return w;
  }();
  return *writer;
}

TFileLogger::TFileLogger(std::string fileName) { SetFileName(std::move(fileName)); }

TFileLogger::~TFileLogger() { SetUseMutex(false); }

void TFileLogger::SetPrefix(std::string value) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  prefix_ = std::move(value);
}

std::string TFileLogger::Prefix() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return prefix_;
}

std::string TFileLogger::FileName() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return fileName_;
}

bool TFileLogger::HasMutex() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return mutex_ != nullptr;
}

void TFileLogger::SetUseMutex(bool value) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  useMutex_ = value;
  if (!value) mutex_.reset();
}

void TFileLogger::SetFileName(std::string value) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (value.empty()) return;
  if (ExtractFilePath(value).empty()) value = ExtractFilePath(GetHostExeName()) + value;
  if (!(mutex_ == nullptr && useMutex_) && AnsiLowerCase(value) == AnsiLowerCase(fileName_)) return;
  mutex_.reset();
  fileName_ = std::move(value);
  if (!useMutex_) return;
  std::string name = MutexNameOf(fileName_);
  for (const std::string& candidate : {"Global\\" + name, name}) {
    try {
      mutex_ = NamedMutex::Create(candidate);
      return;
    } catch (const Exception&) {
      // Without a mutex the logger still works, unguarded between processes.
    }
  }
}

void TFileLogger::SetNotifyWindow(TNotify notify) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  notify_ = std::move(notify);
}

std::vector<std::string> TFileLogger::RecentLines() const {
  std::lock_guard<std::mutex> guard(recentLock_);
  return recentLines_;
}

std::string TFileLogger::FormatLine(std::string_view msg, uint8_t level) const {
  std::string text = Trim(msg);
  if (text.empty()) return {};
  std::string line = FormatDateTime(DateFormat, Now(), LoggerFormatSettings());
  if (ShowLevelSign) line = std::string(1, kLevelSigns[level & 7]) + " " + line;
  if (ShowLevelTag) line += LevelTag(level);
  std::string prefix = Prefix();
  if (!prefix.empty()) line += " " + prefix;
  std::string pid = std::to_string(GetCurrentProcessId());
  std::string tid = std::to_string(GetCurrentThreadId());
  if (ShowProcessId && ShowThreadId) {
    line += " <P:" + pid + ";T:" + tid + ">";
  } else if (ShowProcessId) {
    line += " <P:" + pid + ">";
  } else if (ShowThreadId) {
    line += " <T:" + tid + ">";
  }
  // One record per line: a multi-line message (a Firebird error, say) gets
  // the stamp and prefix in front of each of its lines, so that every line
  // of the file can be read on its own.
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (end > start) {
      if (!out.empty()) out += "\r\n";
      out += line + " " + text.substr(start, end - start);
    }
    start = end + 1;
  }
  return out;
}

void TFileLogger::WriteLine(const std::string& line, std::string& stage) {
  bool exists = FileExists(fileName_);
  stage = exists ? "fmOpenReadWrite" : "fmCreate";
  File file(fileName_, !exists, -1);
  stage += "-OK";
  int64_t size = file.Append(line + "\r\n");
  stage += ";ProcessFile...";
  if (MaxSize > 0 && size > MaxSize + MaxSize / 3) {
    CutBySize(file, size);
  } else {
    CutByAge(file, size);
  }
}

void TFileLogger::Log(std::string_view msg, uint8_t level) {
  if (!Enabled || level > 7 || (LevelMask & (1u << level)) == 0) return;
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (fileName_.empty()) return;
  bool locked = false;
  if (mutex_) {
    NamedMutex::WaitResult r = mutex_->Wait(NamedMutex::kInfinite);
    locked = r == NamedMutex::Signaled || r == NamedMutex::Abandoned;
  }
  std::string line;
  std::string stage;
  try {
    line = FormatLine(msg, level);
    WriteLine(line, stage);
  } catch (const std::exception& e) {
    if (!IsErrorsWriter) {
      const auto* ours = dynamic_cast<const Exception*>(&e);
      ErrorsWriter().Log("Ошибка при попытке записи ("_w + stage + ") в лог \""_w + fileName_ +
                             "\" строки ["_w + Trim(line) + "]: " + e.what() + " <" +
                             (ours != nullptr ? ours->ClassName() : "Exception") + ">",
                         0);
    }
    line += " " + "<Ошибка при записи в лог>"_w;
  }
  if (notify_ && NotifyMessage != 0) {
    {
      std::lock_guard<std::mutex> recent(recentLock_);
      recentLines_.push_back(line);
      while (static_cast<int32_t>(recentLines_.size()) > RecentLinesLimit)
        recentLines_.erase(recentLines_.begin());
    }
    notify_(NotifyMessage);
  }
  if (locked) mutex_->Release();
}

void TFileLogger::LogFmt(std::string_view fmt, std::initializer_list<TVarRec> args, uint8_t level) {
  std::string text;
  try {
    text = Format(fmt, args);
  } catch (const std::exception& e) {
    throw Exception("Error args for string [" + std::string(fmt) + "]: " + e.what());
  }
  Log(text, level);
}

}  // namespace tv
