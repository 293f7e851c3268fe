#pragma once
// The runtime's stream classes as the ZIP component uses them: a stream with
// 64-bit positions, a stream over an open file, a file stream opened by
// name, and a stream over memory.
//
// File names are the library's Windows-1251 texts; they are mapped to the
// native file system through tv::MapPath.

#include <cstdint>
#include <string>

#include "zip/ZipMessages.h"

namespace tv::zip {

// Seek origins.
constexpr int soFromBeginning = 0;
constexpr int soFromCurrent = 1;
constexpr int soFromEnd = 2;

// File open modes of the runtime (a create flag or an access mode, or-ed
// with a share mode that is accepted and ignored here).
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyNone = 0x0040;
constexpr uint16_t fmCreate = 0xFFFF;

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to count bytes; returns the number read (less only at the end).
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Writes up to count bytes; returns the number written.
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Moves to offset from the origin (soFrom...); returns the new position.
  virtual int64_t Seek(int64_t offset, int origin) = 0;
  virtual int64_t GetSize();
  virtual void SetSize(int64_t size);

  int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(int64_t position) { Seek(position, soFromBeginning); }
  int64_t Size() { return GetSize(); }

  // Exactly count bytes or EReadError "Stream read error".
  void ReadBuffer(void* buffer, int32_t count);
  // Exactly count bytes or EWriteError "Stream write error".
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies count bytes from source's position (count 0: the whole source
  // from its start); returns the count copied. Short sources raise EReadError.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over an open POSIX file descriptor (not owned).
class THandleStream : public TStream {
 public:
  explicit THandleStream(int handle) : handle_(handle) {}
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  void SetSize(int64_t size) override;
  int Handle() const { return handle_; }

 protected:
  int handle_;
};

// A file opened by name with a runtime open mode; closes it when destroyed.
// Raises EFOpenError or EFCreateError with the file name and the system's
// reason when the file cannot be opened.
class TFileStream : public THandleStream {
 public:
  TFileStream(const std::string& fileName, uint16_t mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
};

// A growable stream in memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : data_(std::move(bytes)) {}
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t GetSize() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;
  const std::string& Data() const { return data_; }

 private:
  std::string data_;
  int64_t position_ = 0;
};

}  // namespace tv::zip
