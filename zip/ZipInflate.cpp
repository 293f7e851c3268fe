// Method 8: raw deflate data decoded straight from the input buffer into
// the output window. Built with ISA-L, its inflate (several times faster
// than zlib's on the same data) does the decoding; otherwise zlib's. The
// writer always uses zlib, so archives made here do not depend on it.

#include <zlib.h>

#ifdef TOLVAREN_HAVE_ISAL
#include <isa-l/igzip_lib.h>

#include <memory>
#endif

#include "zip/ZipExtract.h"
#include "zip/ZipMessages.h"
#include "zip/ZipZlib.h"

namespace tv::zip {

int ZCompressCheck(int code) {
  if (code < 0) throw EZCompressionError("error");
  return code;
}

bool TUnzipContext::PrimeInput(const uint8_t*& next, uint32_t& available) {
  // One byte through the byte reader, which refills the input buffer; the
  // decoder gets that byte and the rest of the chunk.
  uint16_t byte = 0;
  if (ReadInput(byte) == 0) return false;
  next = in_.data() + inPos_ - 1;
  available = static_cast<uint32_t>(inCount_ + 1);
  inCount_ = 0;
  return true;
}

#ifdef TOLVAREN_HAVE_ISAL

void TUnzipContext::InflateFile() {
  auto state = std::make_unique<inflate_state>();
  isal_inflate_init(state.get());
  state->crc_flag = ISAL_DEFLATE;
  state->next_out = out_.data();
  state->avail_out = kChunk;
  for (;;) {
    const uint8_t* next = nullptr;
    bool more = true;
    if (state->avail_in == 0 && (more = PrimeInput(next, state->avail_in)))
      state->next_in = const_cast<uint8_t*>(next);
    uint32_t before = state->avail_out;
    if (isal_inflate(state.get()) < 0) throw EZCompressionError("error");
    bool finished = state->block_state == ISAL_BLOCK_FINISH;
    // Compressed data that ends before the deflate stream does.
    if (!finished && !more && state->avail_in == 0 && state->avail_out == before)
      throw EZCompressionError("error");
    if (state->avail_out == 0 || finished) {
      outCount_ = kChunk - static_cast<int32_t>(state->avail_out);
      FlushOutput();
      state->next_out = out_.data();
      state->avail_out = kChunk;
    }
    if (finished) return;
  }
}

#else

void TUnzipContext::InflateFile() {
  z_stream zs{};
  zs.next_out = out_.data();
  zs.avail_out = kChunk;
  const uint8_t* next = nullptr;
  if (PrimeInput(next, zs.avail_in)) zs.next_in = const_cast<uint8_t*>(next);
  ZCompressCheck(inflateInit2(&zs, -15));
  try {
    int result = Z_OK;
    do {
      // With no input left zlib may still have output to give; when it has
      // none either, it answers Z_BUF_ERROR: data that ends too early.
      if (zs.avail_in == 0 && PrimeInput(next, zs.avail_in)) zs.next_in = const_cast<uint8_t*>(next);
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

#endif

}  // namespace tv::zip
