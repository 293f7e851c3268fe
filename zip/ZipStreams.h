#pragma once
// A stream that puts one memory buffer in front of another stream, so that
// the many small reads and writes of the header code and the compressors
// reach the file in large blocks. A byte just read can be pushed back.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "zip/RtlStreams.h"

namespace tv::zip {

class TS_BufferStream : public TStream {
 public:
  enum TBufferMode : uint8_t { bmIdle = 0, bmReading = 1, bmWriting = 2 };
  using TNotify = std::function<void(TS_BufferStream& sender)>;

  // The inner stream is not owned and must outlive this stream.
  TS_BufferStream(TStream* inner, int32_t bufferSize);
  // Writes pending bytes; with FlushOnClose forces them to the disk.
  ~TS_BufferStream() override;
  TS_BufferStream(const TS_BufferStream&) = delete;
  TS_BufferStream& operator=(const TS_BufferStream&) = delete;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  // Origin 2 counts |offset| back from the end, whatever its sign. Raises
  // Exception "Invalid seek origin (%d)" or "Seek error".
  int64_t Seek(int64_t offset, int origin) override;

  // Refills the buffer from the inner stream; True when a byte came.
  virtual bool FillBuffer();
  // Writes the buffered bytes out; True when all were written.
  virtual bool FlushBuffer();
  // Puts one byte back in front of the read position; EStreamError
  // "Putback overflow" when nothing of the buffer has been read.
  virtual void PutBackChar(uint8_t byte);

  TStream* InnerStream() const { return inner_; }
  int32_t BufferSize() const { return bufferSize_; }
  TBufferMode BufferMode() const { return mode_; }
  bool FlushOnClose() const { return flushOnClose_; }
  void SetFlushOnClose(bool flush) { flushOnClose_ = flush; }
  bool Written() const { return written_; }
  // True once a flush could not write all its bytes (a full disk).
  bool FlushFailed() const { return flushFailed_; }

  TNotify OnFill;
  TNotify OnFlush;

 protected:
  virtual void AfterFill();
  virtual void AfterFlush();
  // Writes pending bytes before the owner releases the inner stream.
  void Finish();
  // Writes pending bytes and drops the buffer, leaving the inner stream at
  // the logical position.
  void Settle();

  TStream* inner_;

 private:
  int64_t BufferOffset() const;

  std::vector<char> buffer_;
  int32_t bufferSize_;
  int32_t bufPtr_ = -1;  // -1: none until the first transfer after a seek
  int32_t bufEnd_ = 0;
  int64_t fillStart_ = -1;  // inner position of the buffer's first byte, -1 unknown
  TBufferMode mode_ = bmIdle;
  bool flushOnClose_ = false;
  bool written_ = false;
  bool finished_ = false;
  bool flushFailed_ = false;
};

// A buffered stream over a file that it opens by name and owns.
class TLFNFileStream : public TS_BufferStream {
 public:
  // Opens with the runtime open mode; FlushOnClose holds only for modes
  // that write. Opening errors pass through (EFOpenError, EFCreateError).
  TLFNFileStream(const std::string& fileName, uint16_t mode, bool flushOnClose,
                 int32_t bufferSize);
  ~TLFNFileStream() override;

  int GetHandle() const { return file_->Handle(); }
  int64_t GetSize() override;
  void SetSize(int64_t size) override;
  const std::string& FileName() const { return file_->FileName(); }

 private:
  std::unique_ptr<TFileStream> file_;
};

}  // namespace tv::zip
