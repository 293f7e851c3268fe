// One entry of a zip pass: the header from the source file, the local
// header, the optional encryption header, the data stored or deflated
// through zlib, and the local header again with the final CRC and sizes.

#include <sys/stat.h>
#include <zlib.h>

#include <unistd.h>

#include <chrono>
#include <random>
#include <vector>

#include "platform/os/Paths.h"
#include "zip/ZipMatch.h"
#include "zip/ZipMessages.h"
#include "zip/ZipWriter.h"
#include "zip/ZipWriterPass.h"
#include "zip/ZipZlib.h"

namespace tv::zip {
namespace {

constexpr int32_t kDeflateBuffer = 65535;
constexpr int32_t kStoreBuffer = 32768;
// From this size on the local header carries ZIP64 sizes from the start, so
// that rewriting it with the final sizes never changes its length.
constexpr int64_t kZip64FromSize = 0xFF000000LL;

uint32_t DosDateOf(int64_t unixTime) {
  uint32_t dos = UnixTimeToDosDateTime(unixTime);
  if (dos != 0xFFFFFFFF) return dos;
  // Dates outside the DOS range: the nearest end of it.
  return unixTime < 315532800 ? 0x00210000u : FixDosDateTime(0xFFFFFFFF);
}

void ForceZip64Sizes(TZipHeaderInfo& header, int64_t uncompressed, int64_t compressed) {
  header.UncompressedSize = kMax32;
  header.CompressedSize = kMax32;
  header.Zip64Info().uncompressedSize = static_cast<uint64_t>(uncompressed);
  header.Zip64Info().compressedSize = static_cast<uint64_t>(compressed);
}

}  // namespace

bool TZipWriter::ZipOneFile(TPass& pass, TZipHeaderInfo& header, const std::string& name) {
  pass.fileBytesDone = 0;
  bool folder = !name.empty() && name.back() == '\\';
  std::unique_ptr<TLFNFileStream> source;
  bool retry = false;
  int64_t size = 0;
  if (folder) {
    std::string path = RemoveTrailingBackslash(name);
    struct stat st {};
    bool exists = ::stat(MapPath(path).c_str(), &st) == 0;
    header.LastModFileDateTime =
        exists ? DosDateOf(st.st_mtime) : DateTimeToDosDateTime(NowDateTime());
    header.ExternalFileAttributes = exists ? static_cast<uint32_t>(FileGetAttr(path)) : 0x20;
    header.CompressionMethod = 0;
    header.CRC32 = 0;
  } else {
    if (!FileExistsEx(name)) {
      if (OnNoSuchFile) OnNoSuchFile(*this, name);
      return false;
    }
    header.ExternalFileAttributes = static_cast<uint32_t>(FileGetAttr(name));
    for (;;) {
      try {
        source = std::make_unique<TLFNFileStream>(name, fmOpenRead | fmShareDenyNone, false, 65536);
        break;
      } catch (const Exception&) {
        retry = false;
        if (OnSkippingFile) OnSkippingFile(*this, srFileOpenError, name, -1, retry);
        if (!retry) return false;
      }
    }
    struct stat st {};
    ::fstat(source->GetHandle(), &st);
    header.LastModFileDateTime = DosDateOf(st.st_mtime);
    size = source->GetSize();
  }
  header.InternalFileAttributes = 0;
  header.SetUncompressedSize(size);
  pass.fileSize = size;
  std::string stored = Store83Names ? ConvertPathName(name, 0) : name;
  if (OEMConvert == oemAlways) OemFilter(stored);
  header.SetFilename(folder ? std::string() : ExtractFileName(stored));
  header.SetDiskStart(static_cast<uint32_t>(currentDisk_));
  header.SetDirectory(StoredFolder(folder ? RemoveTrailingBackslash(stored) + "\\x" : stored));
  int32_t found = 0;
  if (pass.byName->Find(&header, found)) {
    if (OnSkippingFile) OnSkippingFile(*this, srNoOverwrite, name, -1, retry);
    pass.totalBytes -= size;
    return false;
  }
  bool skip = false;
  if (OnStartZip) OnStartZip(*this, name, header, skip);
  if (skip) {
    pass.totalBytes -= size;
    if (OnSkippingFile) OnSkippingFile(*this, srSkippedInStartZip, name, -1, retry);
    return false;
  }
  if (size >= kZip64FromSize) ForceZip64Sizes(header, size, size);
  if (MultiVolume() && !folder) {
    int64_t local = header.LocalSize() + header.Zip64DataSize(TZipHeaderInfo::hkLocal) + 4;
    if (local >= RoomLeft(pass)) NextVolume(pass);
    header.SetDiskStart(static_cast<uint32_t>(currentDisk_));
    header.SetRelativeOffset(pass.output->Position());
    pass.spanTempName = GetTempFileNameIn(GetTempFolder());
    pass.spanTemp = std::make_unique<TLFNFileStream>(pass.spanTempName, fmCreate, false, 65536);
  } else {
    header.SaveLocalToStream(*pass.output);
  }
  if (folder) {
    if (OnEndZip) OnEndZip(*this, name, 0, 0, 0);
    return true;
  }
  try {
    WriteFileData(pass, header, *source, name, size);
  } catch (...) {
    pass.spanTemp.reset();
    if (!pass.spanTempName.empty()) ::unlink(MapPath(pass.spanTempName).c_str());
    pass.spanTempName.clear();
    throw;
  }
  pass.spanTemp.reset();
  if (!pass.spanTempName.empty()) ::unlink(MapPath(pass.spanTempName).c_str());
  pass.spanTempName.clear();
  source.reset();
  if (ResetArchiveBitOnZip) FileSetAttr(name, FileGetAttr(name) & ~faArchive);
  if (OnEndZip)
    OnEndZip(*this, name, static_cast<int32_t>(header.GetUncompressedSize()),
             static_cast<int32_t>(header.GetCompressedSize()),
             static_cast<int32_t>(pass.output->Size()));
  return true;
}

void TZipWriter::WriteFileData(TPass& pass, TZipHeaderInfo& header, TStream& source,
                               const std::string& name, int64_t size) {
  bool encrypted = !Password.empty();
  if (encrypted) {
    header.CRC32 = PrecomputeCRC(source);
    WriteEncryptionHeader(pass, header.CRC32);
  }
  crc_ = 0xFFFFFFFF;
  int64_t bytesRead = 0;
  int64_t compressed = 0;
  if (PackLevel == 0 || IsInNoCompressList(header.Filename())) {
    StoreToStream(pass, source, bytesRead);
    compressed = bytesRead;
    header.CompressionMethod = 0;
  } else {
    compressed = DeflateToStream(pass, source, bytesRead);
    header.CompressionMethod = 8;
  }
  if (bytesRead < size) DoHandleMessage(208, "", name, kMbOk);
  header.CRC32 = ~crc_;
  header.BitFlag = 0;
  if (encrypted) header.BitFlag |= 1;
  if (PackLevel <= 2) header.BitFlag |= 4;
  if (PackLevel >= 8) header.BitFlag |= 2;
  if (pass.spanTemp) {
    compressed = pass.spanTemp->GetSize();  // the encryption header included
  } else if (encrypted) {
    compressed += 12;
  }
  if (size >= kZip64FromSize) {
    ForceZip64Sizes(header, bytesRead, compressed);
  } else {
    header.SetUncompressedSize(bytesRead);
    header.SetCompressedSize(compressed);
  }
  TStream& out = *pass.output;
  if (pass.spanTemp) {
    header.SaveLocalToStream(out);
    CopySpanTempToVolumes(pass, header);
    return;
  }
  int64_t end = out.Position();
  out.Seek(header.GetRelativeOffset(), soFromBeginning);
  header.SaveLocalToStream(out);
  out.Seek(end, soFromBeginning);
}

int32_t TZipWriter::ReadSourceBytes(TPass& pass, TStream& source, uint8_t* buffer, int32_t size) {
  int32_t n = source.Read(buffer, size);
  if (n <= 0) return 0;
  if (OnFilePercentDone) {
    pass.fileBytesDone += n;
    int32_t percent = Percentage64(pass.fileSize, pass.fileBytesDone);
    OnFilePercentDone(*this, MultiVolume() ? percent / 2 : percent);
  }
  pass.bytesDone += n;
  if (OnTotalPercentDone) OnTotalPercentDone(*this, Percentage64(pass.totalBytes, pass.bytesDone));
  crc_ = UpdateCRC(crc_, buffer, static_cast<size_t>(n));
  return n;
}

void TZipWriter::WriteArchiveBytes(TPass& pass, uint8_t* buffer, int32_t count, bool encrypt) {
  if (encrypt && !Password.empty()) {
    if (OnEncrypt)
      OnEncrypt(*this, buffer, count, Password);
    else
      keys_.EncryptBuffer(buffer, static_cast<size_t>(count));
  }
  if (pass.Target()->Write(buffer, count) != count || pass.TargetBuffer()->FlushFailed())
    throw ENotEnoughRoom(LoadZipStr(kMsgNotEnoughRoom));
  PumpWriter();
}

void TZipWriter::StoreToStream(TPass& pass, TStream& source, int64_t& bytesRead) {
  std::vector<uint8_t> buffer(kStoreBuffer);
  bytesRead = 0;
  for (;;) {
    int32_t n = ReadSourceBytes(pass, source, buffer.data(), kStoreBuffer);
    if (n == 0) break;
    bytesRead += n;
    WriteArchiveBytes(pass, buffer.data(), n, true);
  }
}

int64_t TZipWriter::DeflateToStream(TPass& pass, TStream& source, int64_t& bytesRead) {
  std::vector<uint8_t> in(kDeflateBuffer);
  std::vector<uint8_t> out(kDeflateBuffer);
  z_stream zs{};
  int32_t got = ReadSourceBytes(pass, source, in.data(), kDeflateBuffer);
  bytesRead = got;
  zs.next_in = in.data();
  zs.avail_in = static_cast<uInt>(got);
  zs.next_out = out.data();
  zs.avail_out = kDeflateBuffer;
  ZCompressCheck(deflateInit2(&zs, PackLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY));
  int64_t compressed = 0;
  try {
    int flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
    int result = Z_OK;
    do {
      if (zs.avail_in == 0 && flush == Z_NO_FLUSH) {
        got = ReadSourceBytes(pass, source, in.data(), kDeflateBuffer);
        bytesRead += got;
        zs.next_in = in.data();
        zs.avail_in = static_cast<uInt>(got);
        if (got == 0) flush = Z_FINISH;
      }
      result = ZCompressCheck(deflate(&zs, flush));
      if (zs.avail_out == 0 || flush == Z_FINISH) {
        int32_t produced = kDeflateBuffer - static_cast<int32_t>(zs.avail_out);
        if (produced > 0) WriteArchiveBytes(pass, out.data(), produced, true);
        compressed += produced;
        zs.next_out = out.data();
        zs.avail_out = kDeflateBuffer;
      }
    } while (result != Z_STREAM_END);
  } catch (...) {
    deflateEnd(&zs);
    throw;
  }
  ZCompressCheck(deflateEnd(&zs));
  return compressed;
}

void TZipWriter::WriteEncryptionHeader(TPass& pass, uint32_t crc) {
  keys_.InitKeys(Password);
  std::mt19937 random(static_cast<uint32_t>(
      std::chrono::steady_clock::now().time_since_epoch().count()));
  uint8_t header[12];
  for (int i = 0; i < 10; ++i) header[i] = static_cast<uint8_t>((random() % 32767) >> 7);
  header[10] = static_cast<uint8_t>(crc >> 16);
  header[11] = static_cast<uint8_t>(crc >> 24);
  keys_.EncryptBuffer(header, 12);
  if (pass.Target()->Write(header, 12) != 12) throw ENotEnoughRoom(LoadZipStr(kMsgNotEnoughRoom));
}

uint32_t TZipWriter::PrecomputeCRC(TStream& source) {
  std::vector<uint8_t> buffer(8192);
  uint32_t crc = 0xFFFFFFFF;
  for (int32_t n; (n = source.Read(buffer.data(), 8192)) > 0;)
    crc = UpdateCRC(crc, buffer.data(), static_cast<size_t>(n));
  source.Seek(0, soFromBeginning);
  return ~crc;
}

}  // namespace tv::zip
