#pragma once
// The list that holds an archive's directory, one TZipHeaderInfo per entry,
// in the order of a sort mode. ByNone is the physical order (start disk,
// then local header offset), which the reader and the writer work in.

#include <cstdint>

#include "zip/ZipHeaderInfo.h"
#include "zip/ZipLists.h"

namespace tv::zip {

enum TZipSortMode : uint8_t {
  ByName,
  ByFileName,
  ByDirectoryName,
  ByDate,
  ByCompressedSize,
  ByUnCompressedSize,
  ByRate,
  ByNone,
};

class TSortedZip : public TSortedObjectList {
 public:
  explicit TSortedZip(TDuplicatesMode mode) : TSortedObjectList(mode) {}
  std::string ClassName() const override { return "TSortedZip"; }

  // Set before adding: entries already held are not re-ordered.
  TZipSortMode SortMode = ByNone;
  bool HasZip64() const { return hasZip64_; }

  // Places the entry (a TZipHeaderInfo, else EInvalidCast) by the sort mode.
  int32_t Add(TObject* item) override;
  int32_t CompareItems(const TObject* itemKey, const TObject* key) const override;
  TZipHeaderInfo* Entry(int32_t index) const { return static_cast<TZipHeaderInfo*>(Get(index)); }

 private:
  bool hasZip64_ = false;
};

TV_EXCEPTION_CLASS(EInvalidCast, Exception);

}  // namespace tv::zip
