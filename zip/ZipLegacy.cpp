// The three old compression methods: Shrink (dynamic LZW with partial
// clearing), Reduce (follower sets with run/copy codes) and Implode
// (sliding dictionary with Shannon-Fano trees). None of them raises on bad
// data: they stop, and the entry's CRC check reports it.

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "zip/ZipExtract.h"
#include "zip/ZipMessages.h"

namespace tv::zip {
namespace {

constexpr uint16_t kFree = 0xFFFF;
constexpr int kMaxCode = 8192;

// The sliding window of Reduce and Implode, appended to the output window
// whenever it fills and once at the end.
class SlidingWindow {
 public:
  SlidingWindow(TUnzipContext& context, uint8_t* data, uint32_t size)
      : context_(context), data_(data), size_(size) {}

  void Put(uint8_t b) {
    data_[pos_++] = b;
    if (pos_ == size_) Emit();
  }

  // Copies length bytes from distance bytes back; data before the start of
  // the entry reads as zeros.
  void Copy(uint32_t distance, int64_t length) {
    uint32_t src = (pos_ + size_ - (distance % size_)) % size_;
    while (length > 0) {
      uint32_t piece = static_cast<uint32_t>(
          std::min<int64_t>(length, size_ - std::max(src, pos_)));
      if (firstPass_ && src >= pos_) {
        std::memset(data_ + pos_, 0, piece);
      } else if (pos_ - src >= piece) {
        std::memcpy(data_ + pos_, data_ + src, piece);
      } else {
        for (uint32_t i = 0; i < piece; ++i) data_[pos_ + i] = data_[src + i];
      }
      pos_ += piece;
      src = (src + piece) % size_;
      length -= piece;
      if (pos_ == size_) Emit();
    }
  }

  void Finish() {
    for (uint32_t i = 0; i < pos_; ++i) context_.PutByte(data_[i]);
    pos_ = 0;
    context_.FlushOutput();
  }

 private:
  void Emit() {
    for (uint32_t i = 0; i < size_; ++i) context_.PutByte(data_[i]);
    pos_ = 0;
    firstPass_ = false;
  }

  TUnzipContext& context_;
  uint8_t* data_;
  uint32_t size_;
  uint32_t pos_ = 0;
  bool firstPass_ = true;
};

// Bits needed to count n - 1 (at least 1); 8 for n = 0.
int FollowerBits(int n) {
  if (n == 0) return 8;
  int bits = 1;
  while ((1 << bits) < n) ++bits;
  return bits;
}

// A canonical decoder over code lengths (shortest codes first, values in
// increasing order within one length), read with the stream bits
// complemented, as the Shannon-Fano codes of Implode are written.
class ShannonFano {
 public:
  // 0 complete, 1 incomplete, 2 over-subscribed.
  int Build(const std::vector<uint8_t>& lengths) {
    counts_.fill(0);
    for (uint8_t l : lengths) ++counts_[l];
    counts_[0] = 0;
    int left = 1;
    for (int len = 1; len <= 16; ++len) {
      left = (left << 1) - counts_[len];
      if (left < 0) return 2;
    }
    std::array<int, 17> offsets{};
    for (int len = 1; len < 16; ++len) offsets[len + 1] = offsets[len] + counts_[len];
    symbols_.assign(lengths.size(), 0);
    for (size_t v = 0; v < lengths.size(); ++v)
      if (lengths[v] != 0) symbols_[offsets[lengths[v]]++] = static_cast<uint16_t>(v);
    return left > 0 ? 1 : 0;
  }

  // The decoded value, or -1 for a code that is not in the tree.
  int Decode(TUnzipContext& context) const {
    int code = 0;
    int first = 0;
    int index = 0;
    for (int len = 1; len <= 16; ++len) {
      code |= static_cast<int>(context.GetBits(1) ^ 1);
      int count = counts_[len];
      if (code - first < count) return symbols_[index + code - first];
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    return -1;
  }

 private:
  std::array<int, 17> counts_{};
  std::vector<uint16_t> symbols_;
};

// Reads one tree: a count byte, then bytes of repeat count and code length.
bool ReadTree(TUnzipContext& context, size_t values, std::vector<uint8_t>& lengths) {
  lengths.assign(values, 0);
  int bytes = static_cast<int>(context.GetBits(8)) + 1;
  size_t at = 0;
  for (int i = 0; i < bytes; ++i) {
    uint32_t b = context.GetBits(8);
    uint32_t repeat = (b >> 4) + 1;
    uint8_t length = static_cast<uint8_t>((b & 15) + 1);
    for (uint32_t k = 0; k < repeat; ++k) {
      if (at >= values) return false;
      lengths[at++] = length;
    }
  }
  return at == values;
}

}  // namespace

void TUnzipContext::UnShrink() {
  std::vector<uint16_t> prefix(kMaxCode + 1, kFree);
  std::vector<uint8_t> suffix(kMaxCode, 0);
  std::vector<uint8_t> stack(kMaxCode);
  for (int c = 0; c < 256; ++c) {
    prefix[c] = 0;
    suffix[c] = static_cast<uint8_t>(c);
  }
  int codeSize = 9;
  int freeCode = 257;
  uint32_t code = GetBits(codeSize);
  if (InputEnded()) return FlushOutput();
  uint8_t lastChar = static_cast<uint8_t>(code);
  uint32_t oldCode = code;
  PutByte(lastChar);
  auto partialClear = [&]() {
    for (int c = 257; c < freeCode; ++c) prefix[c] |= 0x8000;
    for (int c = 257; c < freeCode; ++c) {
      int p = prefix[c] & 0x7FFF;
      if (p >= 257 && p < kMaxCode) prefix[p] &= 0x7FFF;
    }
    for (int c = 257; c < freeCode; ++c)
      if ((prefix[c] & 0x8000) != 0) prefix[c] = kFree;
    freeCode = 257;
    while (freeCode < kMaxCode && prefix[freeCode] != kFree) ++freeCode;
  };
  for (;;) {
    code = GetBits(codeSize);
    if (InputEnded()) break;
    bool ended = false;
    while (code == 256 && !ended) {
      uint32_t sub = GetBits(codeSize);
      if (sub == 1) ++codeSize;
      if (sub == 2) partialClear();
      code = GetBits(codeSize);
      ended = InputEnded() || codeSize > 13;
    }
    if (ended || code >= kMaxCode || oldCode >= kMaxCode) break;
    uint32_t incoming = code;
    size_t sp = stack.size();
    bool bad = false;
    if (prefix[code] == kFree) {
      stack[--sp] = lastChar;
      code = oldCode;
    }
    while (code >= 257) {
      if (sp == 0) {
        bad = true;
        break;
      }
      if (prefix[code] == kFree) {
        stack[--sp] = lastChar;
        code = oldCode;
        if (oldCode >= 257 && prefix[oldCode] == kFree) bad = true;
        if (bad) break;
      } else {
        stack[--sp] = suffix[code];
        code = prefix[code];
      }
    }
    if (bad || sp == 0) break;
    lastChar = suffix[code];
    stack[--sp] = lastChar;
    for (size_t i = sp; i < stack.size(); ++i) PutByte(stack[i]);
    if (freeCode < kMaxCode) {
      prefix[freeCode] = static_cast<uint16_t>(oldCode);
      suffix[freeCode] = lastChar;
      while (freeCode < kMaxCode && prefix[freeCode] != kFree) ++freeCode;
    }
    oldCode = incoming;
  }
  FlushOutput();
}

void TUnzipContext::UnReduce() {
  const int factor = Working().CompressionMethod - 1;
  const uint32_t lengthMask = (1u << (8 - factor)) - 1;
  const uint32_t distanceShift = 8 - factor;
  const uint32_t distanceMask = (1u << factor) - 1;
  constexpr uint32_t kDle = 144;
  std::vector<std::array<uint8_t, 64>> followers(256);
  std::array<int, 256> counts{};
  for (int x = 255; x >= 0; --x) {
    counts[x] = static_cast<int>(GetBits(6));
    for (int i = 0; i < counts[x]; ++i) followers[x][i] = static_cast<uint8_t>(GetBits(8));
  }
  SlidingWindow window(*this, Work().data(), 16384);
  int64_t budget = static_cast<int32_t>(UncompressedSize());
  uint32_t last = 0;
  int state = 0;
  uint32_t v = 0;
  uint32_t len = 0;
  while (budget > 0 && !PastTheEnd()) {
    uint32_t c = 0;
    if (counts[last] == 0 || GetBits(1) == 1)
      c = GetBits(8);
    else
      c = followers[last][GetBits(FollowerBits(counts[last]))];
    switch (state) {
      case 0:
        if (c != kDle) {
          window.Put(static_cast<uint8_t>(c));
          --budget;
        } else {
          state = 1;
        }
        break;
      case 1:
        if (c == 0) {
          window.Put(kDle);
          --budget;
          state = 0;
        } else {
          v = c;
          len = v & lengthMask;
          state = len == lengthMask ? 2 : 3;
        }
        break;
      case 2:
        len += c;
        state = 3;
        break;
      default: {
        uint32_t length = len + 3;
        uint32_t distance = ((v >> distanceShift) & distanceMask) * 256 + c + 1;
        budget -= length;
        window.Copy(distance, length);
        state = 0;
        break;
      }
    }
    last = c;
  }
  window.Finish();
}

void TUnzipContext::Explode() {
  const bool bigWindow = (Working().BitFlag & 2) != 0;
  const bool literalTree = (Working().BitFlag & 4) != 0;
  std::vector<uint8_t> lengths;
  ShannonFano literals;
  ShannonFano lengthTree;
  ShannonFano distances;
  if (literalTree && (!ReadTree(*this, 256, lengths) || literals.Build(lengths) != 0)) return;
  if (!ReadTree(*this, 64, lengths) || lengthTree.Build(lengths) != 0) return;
  if (!ReadTree(*this, 64, lengths) || distances.Build(lengths) != 0) return;
  const int lowBits = bigWindow ? 7 : 6;
  const uint32_t lengthBase = literalTree ? 3 : 2;
  SlidingWindow window(*this, Work().data(), 32768);
  int64_t budget = static_cast<int32_t>(UncompressedSize());
  while (budget > 0 && !PastTheEnd()) {
    if (GetBits(1) == 1) {
      int literal = literalTree ? literals.Decode(*this) : static_cast<int>(GetBits(8));
      if (literal < 0) break;
      window.Put(static_cast<uint8_t>(literal));
      --budget;
      continue;
    }
    uint32_t low = GetBits(lowBits);
    int distanceCode = distances.Decode(*this);
    if (distanceCode < 0) break;
    uint32_t distance = (static_cast<uint32_t>(distanceCode) << lowBits) + low + 1;
    int lengthCode = lengthTree.Decode(*this);
    if (lengthCode < 0) break;
    uint32_t length = static_cast<uint32_t>(lengthCode) + lengthBase;
    if (lengthCode == 63) length += GetBits(8);
    budget -= length;
    window.Copy(distance, length);
  }
  window.Finish();
}

}  // namespace tv::zip
