#pragma once
// The runtime's field types, with its ordinals: the one type of field
// shared by the database layer's data sets (platform/ib) and the in-memory
// data sets (MemoryData.h, ClientDataSet.h). The ordinals are those a host
// sees through the C interface's TV_FT_ constants.

namespace tv {

enum class TFieldType {
  ftUnknown = 0,
  ftString = 1,
  ftSmallint = 2,
  ftInteger = 3,
  ftWord = 4,
  ftBoolean = 5,
  ftFloat = 6,
  ftCurrency = 7,
  ftBCD = 8,
  ftDate = 9,
  ftTime = 10,
  ftDateTime = 11,
  ftBlob = 15,
  ftMemo = 16,
  ftFixedChar = 20,
  ftWideString = 24,
  ftLargeint = 25,
  ftFMTBcd = 37,  // an exact decimal of any scale, held as its text
};

}  // namespace tv
