// The old compression methods: three real archives (Shrink, Reduce with
// factor 4, Implode) of one text, and hand-built streams for the decoders'
// edge cases, each with its output worked out by hand.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/TempRoot.h"
#include "tests/zip/ZipTestUtil.h"
#include "zip/ZipReader.h"
#include "zip/ZipStreams.h"

namespace tv::zip {
namespace {

namespace fs = std::filesystem;

std::string SharedTestData() {
  if (const char* env = std::getenv("TOLVAREN_SHARED_TESTDATA")) return env;
  return TOLVAREN_SHARED_TESTDATA_DIR;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Extracts every entry of an archive into a fresh folder; returns the
// folder and counts the CRC failures.
std::string ExtractAll(const std::string& archive, const std::string& dest, int* badCrc = nullptr) {
  TZipReader reader;
  reader.SetZipName(archive);
  reader.SetDestDir(dest);
  reader.DoAll = true;
  reader.OverwriteMode = Always;
  int bad = 0;
  reader.OnBadCRC = [&bad](TZipReader&, int32_t, int32_t, int32_t) { ++bad; };
  reader.UnZip();
  if (badCrc != nullptr) *badCrc = bad;
  return dest;
}

TEST(ZipLegacy, RealArchivesOfEachOldMethod) {
  std::string dir = SharedTestData() + "/zip-legacy";
  if (!fs::exists(dir + "/first.txt"))
    GTEST_SKIP() << "legacy test archives are not present in " << dir;
  tv::test::TempRoot root;
  std::string expected = Slurp(dir + "/first.txt");
  for (const char* name : {"shrink", "reduce", "implode"}) {
    SCOPED_TRACE(name);
    int bad = 0;
    std::string out = ExtractAll(dir + "/" + name + ".zip", root.Path() + "/" + name, &bad);
    EXPECT_EQ(bad, 0);
    int files = 0;
    for (const auto& item : fs::directory_iterator(out)) {
      ++files;
      EXPECT_EQ(Slurp(item.path().string()), expected);
      std::string lower = item.path().filename().string();
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      EXPECT_EQ(lower, "first.txt");
    }
    EXPECT_EQ(files, 1);
  }
}

// Appends bits least significant first.
class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = 0; i < bits; ++i) {
      if (count_ % 8 == 0) bytes_ += '\0';
      if ((value >> i) & 1) bytes_.back() = static_cast<char>(bytes_.back() | (1 << (count_ % 8)));
      ++count_;
    }
  }
  // A symbol of a tree whose codes all have six bits, as Implode writes it:
  // the code's bits from the top, complemented.
  void PutSymbol6(uint32_t symbol) {
    for (int i = 5; i >= 0; --i) Put(((symbol >> i) & 1) ^ 1, 1);
  }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
  int count_ = 0;
};

// One entry with the given method, flags and compressed bytes.
std::string OneEntryArchive(const std::string& path, uint16_t method, uint16_t flags,
                            const std::string& packed, const std::string& plain) {
  TLFNFileStream out(path, fmCreate, false, 4096);
  TZipHeaderInfo entry;
  entry.SetFilename("out.bin");
  entry.CompressionMethod = method;
  entry.BitFlag = flags;
  entry.CRC32 = test::ReferenceCrc32(plain);
  entry.SetCompressedSize(static_cast<int64_t>(packed.size()));
  entry.SetUncompressedSize(static_cast<int64_t>(plain.size()));
  entry.LastModFileDateTime = 0x52B36000;
  entry.SaveLocalToStream(out);
  out.WriteBuffer(packed.data(), static_cast<int32_t>(packed.size()));
  int64_t central = out.Position();
  entry.SaveCentralToStream(out, nullptr);
  TEndCentral end;
  end.SetTotalEntries(1);
  end.SetEntriesThisDisk(1);
  end.SetCentralSize(out.Position() - central);
  end.SetCentralOffset(central);
  end.SaveToStream(out);
  return path;
}

class DecoderCase : public ::testing::Test {
 protected:
  // Extracts out.bin and returns its bytes ("<missing>" when the CRC check
  // removed it).
  std::string Run(uint16_t method, uint16_t flags, const std::string& packed,
                  const std::string& plain) {
    std::string archive = OneEntryArchive(root_.Path() + "/case.zip", method, flags, packed, plain);
    std::string out = root_.Path() + "/out";
    fs::remove_all(out);
    ExtractAll(archive, out, &bad_);
    return fs::exists(out + "/out.bin") ? Slurp(out + "/out.bin") : "<missing>";
  }
  tv::test::TempRoot root_;
  int bad_ = 0;
};

TEST_F(DecoderCase, ShrinkCodesAndWidening) {
  BitWriter w;
  w.Put(65, 9);  // 'A'
  w.Put(66, 9);  // 'B'; defines 257 = "AB"
  w.Put(257, 9);
  w.Put(256, 9);
  w.Put(1, 9);    // codes are 10 bits from here
  w.Put(67, 10);  // 'C'
  EXPECT_EQ(Run(1, 0, w.Bytes(), "ABABC"), "ABABC");
  EXPECT_EQ(bad_, 0);
  BitWriter first;
  first.Put(65, 9);
  EXPECT_EQ(Run(1, 0, first.Bytes(), "A"), "A");
}

TEST_F(DecoderCase, ShrinkPartialClearFreesLeafCodes) {
  BitWriter w;
  w.Put('a', 9);
  w.Put('b', 9);  // 257 = "ab"
  w.Put(257, 9);  // "ab"; 258 = "ba"
  w.Put('c', 9);  // 259 = "abc", whose prefix is 257
  w.Put(256, 9);
  w.Put(2, 9);    // 258 and 259 are leaves and go; 257 stays
  w.Put('d', 9);  // the lowest freed code: 258 = "cd"
  w.Put(258, 9);  // "cd"; 259 = "dc"
  w.Put(257, 9);  // "ab" survived the clear
  EXPECT_EQ(Run(1, 0, w.Bytes(), "ababcdcdab"), "ababcdcdab");
  EXPECT_EQ(bad_, 0);
}

std::string ReduceFollowersNone() {
  return std::string(192, '\0');  // 256 follower counts of 6 zero bits
}

TEST_F(DecoderCase, ReduceEscapesAndCopies) {
  std::string packed = ReduceFollowersNone() + std::string("A\x90\x00" "B", 4);
  EXPECT_EQ(Run(2, 0, packed, std::string("A\x90" "B", 3)), std::string("A\x90" "B", 3));
  EXPECT_EQ(bad_, 0);
  // Factor 4: DLE 05 02 copies 8 bytes from 3 back (repeating "fgh");
  // DLE F3 05 copies 6 bytes from 3846 back, before the start: zeros;
  // DLE 2F 0A 05 copies 15 + 10 + 3 = 28 bytes from 518 back: zeros.
  std::string codes = std::string("abcdefgh\x90\x05\x02\x90\xF3\x05\x90\x2F\x0A\x05", 18);
  std::string plain = "abcdefgh" + std::string("fghfghfg") + std::string(34, '\0');
  EXPECT_EQ(Run(5, 0, ReduceFollowersNone() + codes, plain), plain);
  EXPECT_EQ(bad_, 0);
}

TEST_F(DecoderCase, ReduceWithFollowerSets) {
  // 'a' has the single follower 'b': after 'a' a 0 bit and a 1-bit index
  // select it; every other byte has no set and comes as 8 bits.
  BitWriter w;
  for (int x = 255; x >= 0; --x) {
    if (x == 'a') {
      w.Put(1, 6);
      w.Put('b', 8);
    } else {
      w.Put(0, 6);
    }
  }
  w.Put('a', 8);
  w.Put(0, 1);
  w.Put(0, 1);  // follower 0 of 'a': 'b'
  w.Put('c', 8);
  EXPECT_EQ(Run(2, 0, w.Bytes(), "abc"), "abc");
}

// Length and distance trees of 64 six-bit codes each.
void PutUniformTrees(BitWriter& w) {
  for (int tree = 0; tree < 2; ++tree) {
    w.Put(3, 8);
    for (int i = 0; i < 4; ++i) w.Put(0xF5, 8);
  }
}

TEST_F(DecoderCase, ImplodeWithoutLiteralTree) {
  BitWriter w;
  PutUniformTrees(w);
  for (char c : std::string("abc")) {
    w.Put(1, 1);
    w.Put(static_cast<uint8_t>(c), 8);  // literals come as plain bytes
  }
  w.Put(0, 1);
  w.Put(2, 6);        // distance low bits (4 KB dictionary)
  w.PutSymbol6(0);    // distance code 0: distance 2 + 1 = 3
  w.PutSymbol6(0);    // length code 0: the minimum, 2
  w.Put(0, 1);
  w.Put(0, 6);
  w.PutSymbol6(1);    // distance 64 + 1: 60 bytes before the start (zeros),
  w.PutSymbol6(63);   // then the entry's first bytes; length 63 + 2 + 5
  w.Put(5, 8);
  std::string plain = "abcab" + std::string(60, '\0') + "abcab" + std::string(5, '\0');
  EXPECT_EQ(Run(6, 0, w.Bytes(), plain), plain);
  EXPECT_EQ(bad_, 0);
}

TEST_F(DecoderCase, ImplodeBadTreeStopsAndTheCrcReports) {
  BitWriter w;
  w.Put(0, 8);
  w.Put(0x05, 8);  // a length tree of one value: too few for 64
  EXPECT_EQ(Run(6, 0, w.Bytes(), "xyz"), "<missing>");
  EXPECT_EQ(bad_, 1);
}

}  // namespace
}  // namespace tv::zip
