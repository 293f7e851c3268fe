#include "zip/SortedZip.h"

#include "platform/text/Cp1251.h"
#include "zip/ZipLib.h"

namespace tv::zip {
namespace {

// The runtime's CompareText: ASCII letters folded, the difference of the
// first differing characters.
int32_t CompareText(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int ca = static_cast<unsigned char>(a[i]);
    int cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'a' && ca <= 'z') ca -= 32;
    if (cb >= 'a' && cb <= 'z') cb -= 32;
    if (ca != cb) return ca - cb;
  }
  return static_cast<int32_t>(a.size()) - static_cast<int32_t>(b.size());
}

TDateTime DateOf(const TZipHeaderInfo& entry) {
  TDateTime value = 0;
  return TryDosDateTimeToDateTime(entry.LastModFileDateTime, value) ? value : 0;
}

int32_t RateOf(const TZipHeaderInfo& entry) {
  return Percentage64(entry.GetUncompressedSize(), entry.GetCompressedSize());
}

}  // namespace

int32_t TSortedZip::Add(TObject* item) {
  auto* entry = dynamic_cast<TZipHeaderInfo*>(item);
  if (entry == nullptr) throw EInvalidCast("Invalid class typecast");
  TSortedObjectList::Add(item);
  if (!hasZip64_ && entry->HasZip64()) hasZip64_ = true;
  return 0;
}

int32_t TSortedZip::CompareItems(const TObject* itemKey, const TObject* key) const {
  const auto& a = *static_cast<const TZipHeaderInfo*>(itemKey);
  const auto& b = *static_cast<const TZipHeaderInfo*>(key);
  switch (SortMode) {
    case ByName:
      return CompareText(a.FullPath(), b.FullPath());
    case ByFileName:
      return CompareText(a.Filename(), b.Filename());
    case ByDirectoryName:
      return CompareText(a.Directory(), b.Directory());
    case ByDate:
      return DateOf(b) > DateOf(a) ? 1 : -1;
    case ByCompressedSize:
      return static_cast<int32_t>(static_cast<uint32_t>(b.GetCompressedSize()) -
                                  static_cast<uint32_t>(a.GetCompressedSize())) > 0
                 ? 1
                 : -1;
    case ByUnCompressedSize:
      return static_cast<int32_t>(static_cast<uint32_t>(b.GetUncompressedSize()) -
                                  static_cast<uint32_t>(a.GetUncompressedSize())) > 0
                 ? 1
                 : -1;
    case ByRate:
      return RateOf(b) - RateOf(a);
    case ByNone: {
      int32_t disks = static_cast<int32_t>(a.GetDiskStart() - b.GetDiskStart());
      if (disks != 0) return disks;
      int64_t ao = a.GetRelativeOffset();
      int64_t bo = b.GetRelativeOffset();
      return ao > bo ? 1 : ao == bo ? 0 : -1;
    }
  }
  return -1;
}

}  // namespace tv::zip
