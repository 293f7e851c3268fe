// Fuzz target of the record readers: the end-record search, the central
// records it points to and the local headers they name. Built as a
// libFuzzer program with clang (TOLVAREN_ZIP_FUZZ) and, in every test run,
// replayed over its seed inputs.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zip/EndCentral.h"
#include "zip/SortedZip.h"
#include "zip/ZipHeaderInfo.h"
#include "zip/ZipStreams.h"

namespace {

void WalkDirectory(tv::zip::TStream& stream, const tv::zip::TEndCentral& end) {
  using namespace tv::zip;
  TSortedZip list(dupIgnoreObj);
  list.SetOwnsObjects(false);
  std::vector<std::unique_ptr<TZipHeaderInfo>> entries;
  stream.Seek(end.GetCentralOffset(), soFromBeginning);
  TStream* current = &stream;
  int64_t total = end.GetTotalEntries();
  for (int64_t i = 0; i < total && i < 4096; ++i) {
    auto entry = std::make_unique<TZipHeaderInfo>();
    entry->OEMConvert = static_cast<TOEMConvert>(i % 3);
    if (!entry->ReadCentralFromStream(current, nullptr)) break;
    stream.Seek(entry->CentralExtraLength + entry->FileCommentLength, soFromCurrent);
    int64_t back = stream.Position();
    TZipHeaderInfo local;
    stream.Seek(entry->GetRelativeOffset(), soFromBeginning);
    local.ReadLocalFromStream(stream);
    TMemoryStream copy;
    entry->SaveLocalToStream(copy);
    entry->SaveCentralToStream(copy, &stream);
    stream.Seek(back, soFromBeginning);
    list.Add(entry.get());
    entries.push_back(std::move(entry));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tv::zip;
  TMemoryStream memory(std::string(reinterpret_cast<const char*>(data), size));
  TS_BufferStream stream(&memory, 512);
  TEndCentral end;
  if (end.ReadFromStream(stream)) {
    WalkDirectory(stream, end);
    TMemoryStream out;
    end.SaveToStream(out);
  }
  stream.Seek(0, soFromBeginning);
  TZipHeaderInfo first;
  first.ReadLocalFromStream(stream);
  return 0;
}
