#pragma once
// TFileLogger writes timestamped lines to a log file that several threads
// and processes share: the file is opened for every line, the line appended
// whole under the process's lock and the machine-wide mutex of the path,
// and the file kept small by cutting old text off its front (or, when
// TruncateOnLimit is off, by numbered copies). Log never raises: a failure
// goes to ErrorsWriter ("FileLoggerErrorsWriter.log" in the temporary
// folder).
//
// Line: "dd.mm.yyyy hh:nn:ss.zzz" [level tag] [" " prefix] [ids] " " text,
// ended by CR LF; a message of blanks gives an empty line.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/DateTime.h"
#include "platform/os/NamedMutex.h"
#include "platform/SysUtils.h"

namespace tv {

class TFileLogger {
 public:
  // Called after each line when set (the library sets none).
  using TNotify = std::function<void(uint32_t message)>;

  // Sets the file name at once, so the path's mutex is made here.
  explicit TFileLogger(std::string fileName);
  ~TFileLogger();
  TFileLogger(const TFileLogger&) = delete;
  TFileLogger& operator=(const TFileLogger&) = delete;

  // Writes one line at `level` (0..7); never raises.
  void Log(std::string_view msg, uint8_t level = 0);
  // Format(fmt, args), then Log. A format that does not fit its arguments
  // raises Exception "Error args for string [<fmt>]: <message>".
  void LogFmt(std::string_view fmt, std::initializer_list<TVarRec> args, uint8_t level = 0);

  void SetPrefix(std::string value);
  // A name without a folder goes into the host executable's folder; an
  // empty name changes nothing.
  void SetFileName(std::string value);
  void SetUseMutex(bool value);

  std::string FileName() const;
  std::string Prefix() const;
  bool HasMutex() const;

  // Settings (defaults in brackets).
  int64_t MaxSize = 1048576;    // bytes; <= 0: no size limit
  bool TruncateOnLimit = true;  // false: numbered copies
  bool Enabled = true;
  bool ShowThreadId = false;
  bool ShowProcessId = false;
  std::string DateFormat = "dd/mm/yyyy hh:nn:ss.zzz";
  bool ShowLevelSign = false;
  bool ShowLevelTag = true;
  int32_t MaxFiles = 10;        // copies kept; <= 0: no limit
  bool IsErrorsWriter = false;  // its own failures are not reported
  uint8_t LevelMask = 0xFF;     // bit n: level n is written
  int32_t RecentLinesLimit = 1024;
  double MaxAgeDays = 0;  // <= 0: no age limit
  uint32_t NotifyMessage = 1345;
  void SetNotifyWindow(TNotify notify);
  std::vector<std::string> RecentLines() const;

  // The text as Log would write it (without the last CR LF): one record per
  // line of the message, each with the stamp, tag and prefix; empty lines of
  // the message are left out.
  std::string FormatLine(std::string_view msg, uint8_t level) const;

  // The open log file of one line (FileLoggerFile.h; internal).
  class File;

 private:
  void WriteLine(const std::string& line, std::string& stage);
  void CutBySize(File& file, int64_t size);
  void CutByAge(File& file, int64_t size);
  void KeepTail(File& file, int64_t from, int64_t size);
  void RotateFiles();

  mutable std::recursive_mutex lock_;
  mutable std::mutex recentLock_;
  std::unique_ptr<NamedMutex> mutex_;
  std::string fileName_;
  std::string prefix_;
  bool useMutex_ = true;
  TNotify notify_;
  std::vector<std::string> recentLines_;
  TDateTime lastAgeCheck_ = 0;
};

// The logger of the logger's own failures.
TFileLogger& ErrorsWriter();

// The date and number settings of log lines: "dd/mm/yyyy" with "." as date
// separator, "hh:nn:ss.zzz", ":" and "." (whatever the machine's locale).
const TFormatSettings& LoggerFormatSettings();

}  // namespace tv
