#pragma once
// The traditional PKWARE encryption (a stream cipher keyed from a password,
// with a 12-byte header in front of each encrypted entry's data) and the
// standard CRC-32, shared by extraction and the writer.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tv::zip {

// One step of the CRC-32 (reflected polynomial 0xEDB88320).
uint32_t CrcStep(uint8_t byte, uint32_t crc);
// Steps the register over a buffer (no pre- or post-conditioning).
uint32_t UpdateCRC(uint32_t crc, const uint8_t* buffer, size_t count);

class TZipKeys {
 public:
  TZipKeys() { InitKeys(""); }
  // The initial keys, updated with each byte of the password as stored.
  void InitKeys(const std::string& password);
  void UpdateKeys(uint8_t plain);
  uint8_t DecryptByte() const;
  void DecryptBuffer(uint8_t* buffer, size_t count);
  void EncryptBuffer(uint8_t* buffer, size_t count);
  // Sets the keys from the password, decrypts a copy of the 12 header
  // bytes and returns the last one; the keys are then ready for the data.
  uint8_t DecryptHeader(const std::string& password, const uint8_t header[12]);

  uint32_t key0 = 0;
  uint32_t key1 = 0;
  uint32_t key2 = 0;
};

}  // namespace tv::zip
