#pragma once
// The open log file of one TFileLogger::Log call (internal to the logger).

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/FileLogger.h"

namespace tv {

class TFileLogger::File {
 public:
  // Opens the file for reading and writing (creating it when `create`),
  // retrying sharing and lock violations until `timeoutMs` (negative: 200;
  // 0: one attempt) and then raising "Log file open timeout: N ms (text)".
  File(const std::string& windowsPath, bool create, int timeoutMs);
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Writes at the end; returns the size afterwards.
  int64_t Append(std::string_view bytes);
  std::string ReadAt(int64_t offset, int64_t count);
  void WriteAt(int64_t offset, std::string_view bytes);
  void SetSize(int64_t size);
  void Close();

 private:
  [[noreturn]] void Fail(const char* what);

  std::string path_;
  int fd_ = -1;
};

}  // namespace tv
