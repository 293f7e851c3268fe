#pragma once
// The ZIP component's own containers: a growable array of object references
// that may own its objects, a list kept sorted by an abstract comparison, and
// a class registry that lets a list write its objects to a stream by class
// name and create them again when reading.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "zip/RtlStreams.h"
#include "zip/ZipMessages.h"

namespace tv::zip {

// Root of the objects the lists hold.
class TObject {
 public:
  virtual ~TObject() = default;
  virtual std::string ClassName() const { return "TObject"; }
};

// An object that can copy its state from another of a compatible class.
class TPersistent : public TObject {
 public:
  std::string ClassName() const override { return "TPersistent"; }
  // Copies source into this object; an incompatible source goes to the
  // source's AssignTo, and from there to EConvertError.
  virtual void Assign(const TPersistent& source);

 protected:
  virtual void AssignTo(TPersistent& target) const;
};

class TObjectList : public TPersistent {
 public:
  static constexpr int32_t kMaxListSize = 0x1FFFFFFF;

  TObjectList() = default;
  ~TObjectList() override;
  TObjectList(const TObjectList&) = delete;
  TObjectList& operator=(const TObjectList&) = delete;
  std::string ClassName() const override { return "TObjectList"; }

  int32_t Count() const { return count_; }
  int32_t Capacity() const { return capacity_; }
  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool owns) { ownsObjects_ = owns; }

  // EListError for an index outside 0..Count-1.
  TObject* Get(int32_t index) const;
  TObject* operator[](int32_t index) const { return Get(index); }
  // Replaces the reference; the old object is not freed.
  virtual void Put(int32_t index, TObject* item);
  virtual int32_t Add(TObject* item);
  virtual void Insert(int32_t index, TObject* item);
  virtual int32_t IndexOf(TObject* item);
  TObject* First() const { return Get(0); }
  TObject* Last() const { return Get(count_ - 1); }
  // The item before (direction 0) or after (1) item, or the last/first for
  // none; none past either end. EListError when item is not in the list.
  TObject* Neighbour(TObject* item, int direction);
  // Frees the object when the list owns its objects.
  virtual void FreeObject(TObject* item);
  // Frees every owned item in index order, then Clear.
  void FreeAll();
  // Count and Capacity to 0; objects are not freed.
  virtual void Clear();
  void SetCount(int32_t count);
  void SetCapacity(int32_t capacity);
  // Drops the reference at index without freeing it.
  void Extract(int32_t index);

  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream);

 protected:
  [[noreturn]] void Error() const;
  virtual void Grow();
  void ReadItems(TStream& stream);
  void WriteItems(TStream& stream);

 private:
  bool ownsObjects_ = true;
  std::vector<TObject*> items_;
  int32_t count_ = 0;
  int32_t capacity_ = 0;
};

// Duplicates modes of a sorted list.
enum TDuplicatesMode : uint8_t { dupIgnoreObj = 0, dupAcceptObj = 1, dupRaiseObj = 2 };

class TSortedObjectList : public TObjectList {
 public:
  explicit TSortedObjectList(TDuplicatesMode mode) : duplicates_(mode) {}
  std::string ClassName() const override { return "TSortedObjectList"; }
  TDuplicatesMode Duplicates() const { return duplicates_; }

  // Always raises EListError: a sorted list decides positions itself.
  void Put(int32_t index, TObject* item) override;
  // Places the object by its key; the result is always 0.
  int32_t Add(TObject* item) override;
  // The index is ignored: the object goes where its key belongs.
  void Insert(int32_t index, TObject* item) override;
  int32_t IndexOf(TObject* item) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

  virtual const TObject* KeyOf(const TObject* item) const { return item; }
  // Negative: the item sorts before the key; 0 equal; positive after.
  virtual int32_t CompareItems(const TObject* itemKey, const TObject* key) const = 0;
  // Binary search; index is the hit or the insertion point.
  bool Find(const TObject* key, int32_t& index) const;

 private:
  TDuplicatesMode duplicates_;
};

// Class registry: how objects of a class are created, read and written.
using TObjectLoadProc = std::function<void(TObject&, TStream&)>;
using TObjectStoreProc = std::function<void(const TObject&, TStream&)>;
struct tRegisterRec {
  std::function<TObject*()> create;
  TObjectLoadProc load;
  TObjectStoreProc store;
};

// Adds a class (by the first 63 characters of its name, without regard to
// case); a name already present keeps its first record.
void RegisterZipClass(const std::string& className, tRegisterRec rec);
const tRegisterRec* FindRegisterRec(const std::string& className);
// A new instance of a registered class, with its load procedure;
// EClassNotFound "Class <%s> not registered" for an unknown name.
TObject* CreateRegisteredObject(const std::string& className, TObjectLoadProc& load);
TObject* LoadObject(TStream& stream);
void StoreObject(const TObject* item, TStream& stream);

}  // namespace tv::zip
