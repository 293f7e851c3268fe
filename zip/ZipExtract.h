#pragma once
// One extraction run of TZipReader: the selection of entries, the
// extraction of each to a file, and the data path every method shares (a
// byte reader over the archive that switches parts and decrypts, and an
// output window that writes, checks the size, keeps the CRC and reports
// progress). The decoders of the old methods and of Deflate are methods of
// this context too.

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "zip/ZipOutputPaths.h"
#include "zip/ZipReader.h"

namespace tv::zip {

class TUnzipContext {
 public:
  static constexpr int32_t kChunk = 32768;

  TUnzipContext(TZipReader& reader, TStream*& archive);
  // Extracts the selected entries; returns how many were extracted.
  int32_t UnZipFiles();

  // Data path (also used by the decoders).
  // 8 and the next byte of the entry's data, or 0 past its end.
  int ReadInput(uint16_t& byte);
  // Writes the output window and empties it.
  void FlushOutput();
  void CopyStored();
  void InflateFile();
  void UnShrink();
  void UnReduce();
  void Explode();

  // Bit reader of the old methods (least significant bit first).
  uint32_t GetBits(int n);
  bool InputEnded() const { return endOfInput_ != 0; }
  // True once the decoder has asked for well past the entry's data: a
  // declared size that the data cannot fill is not filled with zeros.
  bool PastTheEnd() const { return compressedLeft_ < -16; }
  // Appends one decoded byte to the output window.
  void PutByte(uint8_t b) {
    out_[outCount_++] = b;
    if (outCount_ == kChunk) FlushOutput();
  }

  std::vector<uint8_t>& Work() { return work_; }
  int64_t UncompressedSize() const { return uncompressedSize_; }
  const TZipHeaderInfo& Working() const { return *reader_.scratch_; }
  int32_t HandleMessage(int32_t id, const std::string& text, const std::string& caption,
                        uint32_t flags) {
    return reader_.DoHandleMessage(id, text, caption, flags);
  }

 private:
  // Hands the decoder the next chunk of compressed data; false at its end.
  bool PrimeInput(const uint8_t*& next, uint32_t& available);
  void Select();
  void CheckOverlaps();
  void UnZipFile(int32_t index);
  void LocateData(const TZipHeaderInfo& listed);
  std::string GetOutputFileName() const;
  bool PrepareOutput(int32_t index, std::string& name);
  bool CheckPassword(int32_t index);
  bool DecideOverwrite(int32_t index, std::string& name);
  bool CreateOutput(int32_t index, const std::string& name);
  // Removes the existing file at the output path before a new one is made;
  // `keptMode` gets the permissions the new file takes over (0: none).
  // False when it may not or cannot be replaced.
  bool RemoveReplaced(mode_t& keptMode);
  bool DecodeData(int32_t index, const std::string& name, bool& decoded);
  void FinishEntry(int32_t index, const std::string& name, bool decoded);
  void Skip(TSkipReason reason, const std::string& name, int32_t index);
  void SeekArchive(int64_t position);
  int64_t ArchivePosition() const;
  int32_t ReadArchive(uint8_t* buffer, int32_t count);
  void ChunkRead(uint8_t* buffer, int32_t count);
  void Refill();
  void CloseOutput(bool stamp);
  void DiscardOutput();

  TZipReader& reader_;
  TStream*& archive_;
  std::vector<uint8_t> work_;
  std::vector<uint8_t> in_;
  std::vector<uint8_t> out_;
  int32_t inPos_ = 0;
  int32_t inCount_ = 0;
  int32_t outCount_ = 0;
  uint32_t bitBuffer_ = 0;
  uint32_t bitCount_ = 0;
  int32_t endOfInput_ = 0;
  int64_t compressedLeft_ = 0;
  int64_t toRead_ = 0;
  int64_t uncompressedSize_ = 0;
  int64_t bytesWritten_ = 0;
  // A single-part archive is read by position through its descriptor.
  int archiveHandle_ = -1;
  int64_t readPosition_ = 0;
  // A window of the single-part archive that serves small reads: the
  // headers and the data of small entries lie one after another.
  std::vector<uint8_t> window_;
  int64_t windowStart_ = 0;
  // Local name and extra lengths read while checking for overlaps, in
  // archive order. Entries are mostly extracted in that order, so the next
  // few are looked at first; the index is made on the first entry found
  // elsewhere.
  bool KnownLocalLengths(const TZipHeaderInfo& listed, uint32_t& lengths);
  std::vector<std::pair<const TZipHeaderInfo*, uint32_t>> localLengths_;
  std::size_t localNext_ = 0;
  std::unordered_map<const TZipHeaderInfo*, uint32_t> localLengthIndex_;
  std::unique_ptr<TOutputPaths> paths_;
  std::string outputPath_;  // native
  int output_ = -1;
  bool outputExisted_ = false;
  uid_t user_ = 0;       // whose files the run may rewrite without asking
  mode_t keptMode_ = 0;  // permissions taken over from a replaced file (0: none)
  std::unordered_map<uint32_t, int64_t> fileTimes_;  // DOS date-time -> seconds
  int32_t filesToDo_ = 0;
  int32_t filesDone_ = 0;
  bool retry_ = false;
  bool skipRetry_ = false;
  bool encrypted_ = false;
  uint16_t localNameLength_ = 0;
  uint16_t localExtraLength_ = 0;
};

}  // namespace tv::zip
