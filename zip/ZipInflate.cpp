// Method 8: raw deflate data decoded with zlib, straight from the input
// buffer into the output window.

#include <zlib.h>

#include "zip/ZipExtract.h"
#include "zip/ZipMessages.h"
#include "zip/ZipZlib.h"

namespace tv::zip {

int ZCompressCheck(int code) {
  if (code < 0) throw EZCompressionError("error");
  return code;
}

void TUnzipContext::InflateFile() {
  z_stream zs{};
  // Takes one byte through the byte reader, which refills the input buffer,
  // and offers that byte and the rest of the chunk to zlib.
  auto prime = [&]() {
    uint16_t byte = 0;
    if (ReadInput(byte) == 0) return false;
    zs.next_in = in_.data() + inPos_ - 1;
    zs.avail_in = static_cast<uInt>(inCount_ + 1);
    inCount_ = 0;
    return true;
  };
  zs.next_out = out_.data();
  zs.avail_out = kChunk;
  bool primed = prime();
  ZCompressCheck(inflateInit2(&zs, -15));
  try {
    int result = Z_OK;
    do {
      if (zs.avail_in == 0) primed = prime();
      // Compressed data that ends before the deflate stream does.
      if (!primed && zs.avail_in == 0) throw EZCompressionError("error");
      result = ZCompressCheck(inflate(&zs, Z_NO_FLUSH));
      if (zs.avail_out == 0 || result == Z_STREAM_END) {
        outCount_ = kChunk - static_cast<int32_t>(zs.avail_out);
        FlushOutput();
        zs.next_out = out_.data();
        zs.avail_out = kChunk;
      }
    } while (result != Z_STREAM_END);
  } catch (...) {
    inflateEnd(&zs);
    throw;
  }
  ZCompressCheck(inflateEnd(&zs));
}

}  // namespace tv::zip
