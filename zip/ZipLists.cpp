#include "zip/ZipLists.h"

#include <map>
#include <memory>

#include "platform/text/Cp1251.h"

namespace tv::zip {
namespace {

constexpr size_t kMaxClassName = 63;

std::map<std::string, tRegisterRec>& Registry() {
  static std::map<std::string, tRegisterRec> registry;
  return registry;
}

std::string RegistryKey(const std::string& className) {
  return AnsiUpperCase(className.substr(0, kMaxClassName));
}

}  // namespace

void TPersistent::Assign(const TPersistent& source) { source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& target) const {
  throw EConvertError("Cannot assign a " + ClassName() + " to a " + target.ClassName());
}

TObjectList::~TObjectList() { FreeAll(); }

void TObjectList::Error() const { throw EListError("List index out of bounds (%d)"); }

TObject* TObjectList::Get(int32_t index) const {
  if (index < 0 || index >= count_) Error();
  return items_[static_cast<size_t>(index)];
}

void TObjectList::Put(int32_t index, TObject* item) {
  if (index < 0 || index >= count_) Error();
  items_[static_cast<size_t>(index)] = item;
}

void TObjectList::Grow() {
  int32_t delta = capacity_ > 8 ? 16 : capacity_ > 4 ? 8 : 4;
  SetCapacity(capacity_ + delta);
}

int32_t TObjectList::Add(TObject* item) {
  if (count_ == capacity_) Grow();
  items_[static_cast<size_t>(count_)] = item;
  return count_++;
}

void TObjectList::Insert(int32_t index, TObject* item) {
  if (index < 0 || index > count_) Error();
  if (count_ == capacity_) Grow();
  for (int32_t i = count_; i > index; --i) items_[i] = items_[i - 1];
  items_[static_cast<size_t>(index)] = item;
  ++count_;
}

int32_t TObjectList::IndexOf(TObject* item) {
  for (int32_t i = 0; i < count_; ++i)
    if (items_[static_cast<size_t>(i)] == item) return i;
  return -1;
}

TObject* TObjectList::Neighbour(TObject* item, int direction) {
  if (item == nullptr) return direction == 0 ? Last() : First();
  int32_t index = IndexOf(item);
  if (index < 0) throw EListError("tObject " + item->ClassName() + " not in item list");
  int32_t next = direction == 0 ? index - 1 : index + 1;
  return next < 0 || next >= count_ ? nullptr : items_[static_cast<size_t>(next)];
}

void TObjectList::FreeObject(TObject* item) {
  if (ownsObjects_) delete item;
}

void TObjectList::FreeAll() {
  for (int32_t i = 0; i < count_; ++i) FreeObject(items_[static_cast<size_t>(i)]);
  Clear();
}

void TObjectList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TObjectList::SetCapacity(int32_t capacity) {
  if (capacity == capacity_) return;
  if (capacity < count_ || capacity >= kMaxListSize) Error();
  // The capacity grows by fixed steps, but the storage under it only when
  // full (doubling), or a directory of 70 000 entries costs a copy per 16.
  items_.resize(static_cast<size_t>(capacity));
  if (capacity < capacity_) items_.shrink_to_fit();
  capacity_ = capacity;
}

void TObjectList::SetCount(int32_t count) {
  if (count < 0 || count >= kMaxListSize) Error();
  if (count > capacity_) SetCapacity(count);
  for (int32_t i = count_; i < count; ++i) items_[static_cast<size_t>(i)] = nullptr;
  count_ = count;
}

void TObjectList::Extract(int32_t index) {
  if (index < 0 || index >= count_) Error();
  for (int32_t i = index; i + 1 < count_; ++i) items_[i] = items_[i + 1];
  --count_;
}

void TObjectList::ReadItems(TStream& stream) {
  uint8_t owns = 0;
  int32_t count = 0;
  stream.ReadBuffer(&owns, 1);
  stream.ReadBuffer(&count, 4);
  if (count < 0 || count >= kMaxListSize) Error();
  if (capacity_ - count_ < count) SetCapacity(count_ + count);
  for (int32_t i = 0; i < count; ++i) {
    std::unique_ptr<TObject> item(LoadObject(stream));
    Add(item.get());
    item.release();
  }
}

void TObjectList::WriteItems(TStream& stream) {
  uint8_t owns = ownsObjects_ ? 1 : 0;
  stream.WriteBuffer(&owns, 1);
  stream.WriteBuffer(&count_, 4);
  for (int32_t i = 0; i < count_; ++i) StoreObject(items_[static_cast<size_t>(i)], stream);
}

void TObjectList::LoadFromStream(TStream& stream) { ReadItems(stream); }

void TObjectList::SaveToStream(TStream& stream) { WriteItems(stream); }

void TSortedObjectList::Put(int32_t, TObject*) {
  throw EListError("Cannot <Put> an Object in a sorted list!");
}

bool TSortedObjectList::Find(const TObject* key, int32_t& index) const {
  // Lists are mostly filled in their own order: a key past the last item
  // needs no search.
  if (Count() > 0 && CompareItems(KeyOf(Get(Count() - 1)), key) < 0) {
    index = Count();
    return false;
  }
  bool found = false;
  int32_t low = 0;
  int32_t high = Count() - 1;
  while (low <= high) {
    int32_t i = low + (high - low) / 2;
    int32_t c = CompareItems(KeyOf(Get(i)), key);
    if (c < 0) {
      low = i + 1;
    } else {
      high = i - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != dupAcceptObj) low = i;
      }
    }
  }
  index = low;
  return found;
}

void TSortedObjectList::Insert(int32_t, TObject* item) {
  int32_t index = 0;
  if (Find(KeyOf(item), index)) {
    if (duplicates_ == dupIgnoreObj) return;
    if (duplicates_ == dupRaiseObj) throw EListError("Duplicate Object index");
  }
  TObjectList::Insert(index, item);
}

int32_t TSortedObjectList::Add(TObject* item) {
  Insert(0, item);
  return 0;
}

int32_t TSortedObjectList::IndexOf(TObject* item) {
  int32_t index = 0;
  return Find(KeyOf(item), index) ? index : -1;
}

void TSortedObjectList::LoadFromStream(TStream& stream) {
  uint8_t mode = 0;
  stream.ReadBuffer(&mode, 1);
  duplicates_ = static_cast<TDuplicatesMode>(mode);
  ReadItems(stream);
}

void TSortedObjectList::SaveToStream(TStream& stream) {
  uint8_t mode = duplicates_;
  stream.WriteBuffer(&mode, 1);
  WriteItems(stream);
}

void RegisterZipClass(const std::string& className, tRegisterRec rec) {
  Registry().emplace(RegistryKey(className), std::move(rec));
}

const tRegisterRec* FindRegisterRec(const std::string& className) {
  auto it = Registry().find(RegistryKey(className));
  return it == Registry().end() ? nullptr : &it->second;
}

TObject* CreateRegisteredObject(const std::string& className, TObjectLoadProc& load) {
  const tRegisterRec* rec = FindRegisterRec(className);
  if (rec == nullptr) throw EClassNotFound("Class <" + className + "> not registered");
  load = rec->load;
  return rec->create();
}

TObject* LoadObject(TStream& stream) {
  uint8_t length = 0;
  stream.ReadBuffer(&length, 1);
  std::string name(length, '\0');
  stream.ReadBuffer(name.data(), length);
  TObjectLoadProc load;
  std::unique_ptr<TObject> item(CreateRegisteredObject(name, load));
  if (load) load(*item, stream);
  return item.release();
}

void StoreObject(const TObject* item, TStream& stream) {
  if (item == nullptr) throw EClassNotFound("Nil Source Class!");
  std::string name = item->ClassName().substr(0, kMaxClassName);
  const tRegisterRec* rec = FindRegisterRec(name);
  if (rec == nullptr) throw EClassNotFound("Source Class <" + name + "> not registered");
  uint8_t length = static_cast<uint8_t>(name.size());
  stream.WriteBuffer(&length, 1);
  stream.WriteBuffer(name.data(), length);
  if (rec->store) rec->store(*item, stream);
}

}  // namespace tv::zip
