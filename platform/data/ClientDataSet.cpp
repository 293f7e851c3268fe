#include "platform/data/ClientDataSet.h"

#include <map>
#include <mutex>

#include "platform/text/Cp1251.h"
#include "platform/os/Files.h"

namespace tv {

namespace {

// Providers by upper-cased name. The remote data module registers and looks
// them up from the host's threads, hence the lock.
struct ProviderRegistry {
  std::mutex lock;
  std::map<std::string, TDataSetProvider*> byName;
};

ProviderRegistry& Registry() {
  static ProviderRegistry registry;
  return registry;
}

}  // namespace

TDataSetProvider::TDataSetProvider(std::string name, TDataSetSource& source)
    : name_(std::move(name)), source_(&source) {
  ProviderRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  if (!r.byName.emplace(AnsiUpperCase(name_), this).second) {
    throw EDatabaseError("A provider named '" + name_ + "' already exists");
  }
}

TDataSetProvider::~TDataSetProvider() {
  ProviderRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.byName.erase(AnsiUpperCase(name_));
}

TClientDataSet::TClientDataSet(std::string name) : TRxMemoryData(std::move(name)) {}

void TClientDataSet::Open() {
  if (Active()) return;
  if (!providerName_.empty()) {
    ProviderRegistry& r = Registry();
    // The copy runs under the lock so that the provider cannot go away
    // while its rows are read.
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.byName.find(AnsiUpperCase(providerName_));
    if (it == r.byName.end()) Fail("Provider '" + providerName_ + "' not found");
    CopyFromSource(it->second->DataSet());
    return;
  }
  if (!packetLoaded_) Fail("Missing data provider or data packet");
  TRxMemoryData::Open();
}

void TClientDataSet::Close() {
  packetLoaded_ = false;
  TRxMemoryData::Close();
}

void TClientDataSet::CopyFromSource(TDataSetSource& source) {
  TRxMemoryData::Close();
  source.SourceFirst();
  CopyStructure(source.SourceFieldDefs());
  TRxMemoryData::Open();
  const int fieldCount = FieldCount();
  while (!source.SourceEof()) {
    std::vector<Variant> row;
    row.reserve(fieldCount);
    for (int i = 0; i < fieldCount; ++i) row.push_back(ConvertToField(i, source.SourceValue(i)));
    AppendStoredRow(std::move(row));
    source.SourceNext();
  }
  First();
}

void TClientDataSet::SetXMLData(std::string_view packet) {
  Close();
  ReadPacket(packet);
  packetLoaded_ = true;
}

void TClientDataSet::LoadFromFile(std::string_view fileName) {
  SetXMLData(ReadFileBytes(fileName));
}

void TClientDataSet::SaveToFile(std::string_view fileName) const {
  WriteFileBytes(fileName, XMLData());
}

}  // namespace tv
