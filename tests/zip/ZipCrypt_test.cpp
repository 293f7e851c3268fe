#include "zip/ZipCrypt.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/zip/ZipTestUtil.h"

namespace tv::zip {
namespace {

uint32_t Crc(const std::string& s) {
  return ~UpdateCRC(0xFFFFFFFF, reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

TEST(ZipCrc, MatchesTheStandardCrc32) {
  EXPECT_EQ(Crc("123456789"), 0xCBF43926u);  // the standard check value
  EXPECT_EQ(Crc(""), 0u);
  std::string all;
  for (int i = 0; i < 5000; ++i) all += static_cast<char>((i * 31 + 7) & 0xFF);
  EXPECT_EQ(Crc(all), test::ReferenceCrc32(all));
  uint32_t stepped = 0xFFFFFFFF;
  for (char c : all) stepped = CrcStep(static_cast<uint8_t>(c), stepped);
  EXPECT_EQ(~stepped, test::ReferenceCrc32(all));
}

TEST(TZipKeys, InitialStateAndRoundTrip) {
  TZipKeys keys;
  keys.InitKeys("");
  EXPECT_EQ(keys.key0, 0x12345678u);
  EXPECT_EQ(keys.key1, 0x23456789u);
  EXPECT_EQ(keys.key2, 0x34567890u);
  std::string plain = "The quick brown fox jumps over the lazy dog, twice over.";
  std::string data = plain;
  keys.InitKeys("secret");
  keys.EncryptBuffer(reinterpret_cast<uint8_t*>(data.data()), data.size());
  EXPECT_NE(data, plain);
  std::string once = data;
  keys.InitKeys("secret");
  keys.DecryptBuffer(reinterpret_cast<uint8_t*>(once.data()), once.size());
  EXPECT_EQ(once, plain);
  std::string twice = data;
  keys.InitKeys("secret");
  keys.DecryptBuffer(reinterpret_cast<uint8_t*>(twice.data()), 10);
  keys.DecryptBuffer(reinterpret_cast<uint8_t*>(twice.data()) + 10, 0);
  keys.DecryptBuffer(reinterpret_cast<uint8_t*>(twice.data()) + 10, twice.size() - 10);
  EXPECT_EQ(twice, plain);
}

TEST(TZipKeys, HeaderCheckByte) {
  TZipKeys keys;
  uint8_t header[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0xAB};
  keys.InitKeys("pw");
  keys.EncryptBuffer(header, 12);
  EXPECT_EQ(keys.DecryptHeader("pw", header), 0xAB);
  TZipKeys other;
  EXPECT_NE(other.DecryptHeader("wrong", header), 0xAB);
}

}  // namespace
}  // namespace tv::zip
