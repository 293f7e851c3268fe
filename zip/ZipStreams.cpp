#include "zip/ZipStreams.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "zip/ZipMessages.h"

namespace tv::zip {

TS_BufferStream::TS_BufferStream(TStream* inner, int32_t bufferSize)
    : inner_(inner),
      buffer_(static_cast<size_t>(std::max(bufferSize, 1))),
      bufferSize_(std::max(bufferSize, 1)) {}

TS_BufferStream::~TS_BufferStream() {
  try {
    Finish();
  } catch (...) {
    // A destructor must not throw; a failed final write shows in the
    // archive's check, not here.
  }
}

void TS_BufferStream::Finish() {
  if (finished_) return;
  finished_ = true;
  if (mode_ == bmWriting) FlushBuffer();
  if (flushOnClose_ && written_)
    if (auto* handle = dynamic_cast<THandleStream*>(inner_)) ::fsync(handle->Handle());
}

int64_t TS_BufferStream::BufferOffset() const {
  if (mode_ == bmReading) return bufPtr_ - bufEnd_;
  if (mode_ == bmWriting) return bufPtr_;
  return 0;
}

int32_t TS_BufferStream::Read(void* buffer, int32_t count) {
  if (mode_ == bmWriting) FlushBuffer();
  // An idle buffer holds nothing to read, whatever a flush left in it.
  if (mode_ != bmReading) bufPtr_ = bufEnd_ = 0;
  if (count < 1) return 0;
  char* out = static_cast<char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    if (bufPtr_ == bufEnd_ && !FillBuffer()) break;
    int32_t n = std::min(bufEnd_ - bufPtr_, count - done);
    std::memcpy(out + done, buffer_.data() + bufPtr_, static_cast<size_t>(n));
    bufPtr_ += n;
    done += n;
  }
  return done;
}

int32_t TS_BufferStream::Write(const void* buffer, int32_t count) {
  if (mode_ == bmReading) inner_->Seek(BufferOffset(), soFromCurrent);
  if (mode_ != bmWriting) {
    bufPtr_ = 0;
    bufEnd_ = bufferSize_;
  }
  const char* in = static_cast<const char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    int32_t n = std::min(bufEnd_ - bufPtr_, count - done);
    std::memcpy(buffer_.data() + bufPtr_, in + done, static_cast<size_t>(n));
    bufPtr_ += n;
    done += n;
    mode_ = bmWriting;
    if (bufPtr_ == bufEnd_ && !FlushBuffer()) break;
  }
  mode_ = bufPtr_ > 0 ? bmWriting : bmIdle;
  written_ = true;
  return done;
}

int64_t TS_BufferStream::Seek(int64_t offset, int origin) {
  // Moving within the bytes just read costs no call to the inner stream:
  // the directory reader skips and re-reads small fields all the time.
  if (mode_ == bmReading && fillStart_ >= 0 && origin != soFromEnd) {
    int64_t target = offset;
    if (origin == soFromCurrent && __builtin_add_overflow(fillStart_ + bufPtr_, offset, &target))
      target = -1;
    if (origin != soFromBeginning && origin != soFromCurrent)
      throw Exception(FormatZipStr(kMsgInvalidOrigin, origin));
    if (target >= fillStart_ && target <= fillStart_ + bufEnd_) {
      bufPtr_ = static_cast<int32_t>(target - fillStart_);
      return target;
    }
  }
  int64_t current = inner_->Seek(0, soFromCurrent) + BufferOffset();
  int64_t target = 0;
  switch (origin) {
    case soFromBeginning:
      target = offset;
      break;
    case soFromCurrent:
      if (__builtin_add_overflow(current, offset, &target)) target = -1;
      break;
    case soFromEnd:
      target = std::max(inner_->GetSize(), current) - (offset < 0 ? -offset : offset);
      break;
    default:
      throw Exception(FormatZipStr(kMsgInvalidOrigin, origin));
  }
  if (target == current) return target;
  if (mode_ == bmWriting && !FlushBuffer()) throw Exception(LoadZipStr(kMsgSeekError));
  inner_->Seek(target, soFromBeginning);
  bufPtr_ = -1;
  bufEnd_ = 0;
  mode_ = bmIdle;
  return target;
}

void TS_BufferStream::Settle() {
  int64_t position = Seek(0, soFromCurrent);
  if (mode_ == bmWriting && !FlushBuffer()) throw Exception(LoadZipStr(kMsgSeekError));
  inner_->Seek(position, soFromBeginning);
  bufPtr_ = -1;
  bufEnd_ = 0;
  mode_ = bmIdle;
}

bool TS_BufferStream::FillBuffer() {
  fillStart_ = inner_->Seek(0, soFromCurrent);
  int32_t n = inner_->Read(buffer_.data(), bufferSize_);
  bufPtr_ = 0;
  bufEnd_ = std::max(n, 0);
  mode_ = bufEnd_ > 0 ? bmReading : bmIdle;
  AfterFill();
  return bufEnd_ > 0;
}

bool TS_BufferStream::FlushBuffer() {
  int32_t pending = std::max(bufPtr_, 0);
  int32_t n = pending > 0 ? inner_->Write(buffer_.data(), pending) : 0;
  bufPtr_ = 0;
  mode_ = bmIdle;
  AfterFlush();
  if (n != pending) flushFailed_ = true;
  return n == pending;
}

void TS_BufferStream::PutBackChar(uint8_t byte) {
  if (bufPtr_ <= 0 || mode_ != bmReading) throw EStreamError(LoadZipStr(kMsgPutbackOverflow));
  buffer_[static_cast<size_t>(--bufPtr_)] = static_cast<char>(byte);
  fillStart_ = -1;  // the buffer no longer mirrors the file
}

void TS_BufferStream::AfterFill() {
  if (OnFill) OnFill(*this);
}

void TS_BufferStream::AfterFlush() {
  if (OnFlush) OnFlush(*this);
}

TLFNFileStream::TLFNFileStream(const std::string& fileName, uint16_t mode, bool flushOnClose,
                               int32_t bufferSize)
    : TS_BufferStream(nullptr, bufferSize), file_(std::make_unique<TFileStream>(fileName, mode)) {
  inner_ = file_.get();
  SetFlushOnClose(flushOnClose && (mode & 3) != 0);
}

TLFNFileStream::~TLFNFileStream() {
  try {
    Finish();
  } catch (...) {
    // See TS_BufferStream's destructor.
  }
}

int64_t TLFNFileStream::GetSize() {
  int64_t position = Seek(0, soFromCurrent);
  int64_t size = Seek(0, soFromEnd);
  Seek(position, soFromBeginning);
  return size;
}

void TLFNFileStream::SetSize(int64_t size) {
  Settle();
  file_->SetSize(size);
}

}  // namespace tv::zip
