#include "zip/ZipLists.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace tv::zip {
namespace {

struct Item : TObject {
  explicit Item(int k = 0, int* freed = nullptr) : key(k), freed(freed) {}
  ~Item() override {
    if (freed != nullptr) ++*freed;
  }
  std::string ClassName() const override { return "TTestItem"; }
  int key;
  int* freed;
};

class KeyList : public TSortedObjectList {
 public:
  using TSortedObjectList::TSortedObjectList;
  int32_t CompareItems(const TObject* a, const TObject* b) const override {
    return static_cast<const Item*>(a)->key - static_cast<const Item*>(b)->key;
  }
};

TEST(TObjectList, GrowsByFourEightSixteen) {
  TObjectList list;
  std::vector<int32_t> capacities;
  for (int i = 0; i < 9; ++i) {
    list.Add(new Item(i));
    capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{4, 4, 4, 4, 8, 8, 8, 8, 16}));
  for (int i = 0; i < 25; ++i) list.Add(new Item(i));
  EXPECT_EQ(list.Capacity(), 48);
}

TEST(TObjectList, IndexErrorsAndNeighbours) {
  TObjectList list;
  EXPECT_THROW(list.First(), EListError);
  auto* a = new Item(1);
  auto* b = new Item(2);
  auto* c = new Item(3);
  list.Add(a);
  list.Add(b);
  list.Add(c);
  EXPECT_THROW(list.Get(3), EListError);
  EXPECT_THROW(list.Insert(4, nullptr), EListError);
  try {
    list.Get(-1);
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (%d)");
  }
  EXPECT_EQ(list.Neighbour(nullptr, 0), c);
  EXPECT_EQ(list.Neighbour(nullptr, 1), a);
  EXPECT_EQ(list.Neighbour(c, 1), nullptr);
  EXPECT_EQ(list.Neighbour(b, 0), a);
  Item stranger;
  try {
    list.Neighbour(&stranger, 0);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "tObject TTestItem not in item list");
  }
  list.Insert(0, new Item(0));
  EXPECT_EQ(list.IndexOf(a), 1);
}

TEST(TObjectList, SetCountAndClearFreeNothing) {
  int freed = 0;
  auto a = std::make_unique<Item>(1, &freed);
  {
    TObjectList list;
    list.Add(a.get());
    list.SetCount(5);
    EXPECT_EQ(list.Get(4), nullptr);
    EXPECT_EQ(list.Count(), 5);
    list.SetCount(0);
    list.Clear();
    EXPECT_EQ(list.Capacity(), 0);
  }
  EXPECT_EQ(freed, 0);
  {
    TObjectList list;
    list.Add(new Item(2, &freed));
    list.Add(new Item(3, &freed));
  }
  EXPECT_EQ(freed, 2);
  TObjectList list;
  EXPECT_THROW(list.SetCount(-1), EListError);
  EXPECT_THROW(list.SetCapacity(TObjectList::kMaxListSize), EListError);
}

TEST(TSortedObjectList, DuplicateModes) {
  KeyList accept(dupAcceptObj);
  auto* first = new Item(5);
  accept.Add(new Item(9));
  accept.Add(first);
  accept.Add(new Item(1));
  auto* second = new Item(5);
  EXPECT_EQ(accept.Add(second), 0);
  EXPECT_EQ(accept.Get(1), second);  // before the equal one already there
  EXPECT_EQ(accept.Get(2), first);
  EXPECT_EQ(accept.IndexOf(first), 1);  // the first of the equal keys

  KeyList ignore(dupIgnoreObj);
  ignore.Add(new Item(5));
  auto dup = std::make_unique<Item>(5);
  EXPECT_EQ(ignore.Add(dup.get()), 0);
  EXPECT_EQ(ignore.Count(), 1);
  EXPECT_EQ(ignore.IndexOf(dup.get()), 0);  // found by key

  KeyList raise(dupRaiseObj);
  raise.Add(new Item(5));
  auto dup2 = std::make_unique<Item>(5);
  try {
    raise.Add(dup2.get());
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "Duplicate Object index");
  }
  EXPECT_EQ(raise.Count(), 1);
  try {
    raise.Put(0, nullptr);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "Cannot <Put> an Object in a sorted list!");
  }
}

TEST(TSortedObjectList, KeepsOrderOverManyInsertions) {
  KeyList list(dupAcceptObj);
  for (int i = 0; i < 200; ++i) list.Add(new Item((i * 37) % 101));
  for (int i = 1; i < list.Count(); ++i)
    EXPECT_LE(static_cast<Item*>(list.Get(i - 1))->key, static_cast<Item*>(list.Get(i))->key);
}

TEST(ZipListsStream, EmptySortedListInRaiseModeIsSixBytes) {
  KeyList list(dupRaiseObj);
  TMemoryStream out;
  list.SaveToStream(out);
  EXPECT_EQ(out.Data(), std::string("\x02\x01\x00\x00\x00\x00", 6));
  KeyList back(dupIgnoreObj);
  out.SetPosition(0);
  back.LoadFromStream(out);
  EXPECT_EQ(back.Duplicates(), dupRaiseObj);
  EXPECT_EQ(back.Count(), 0);
}

TEST(ZipListsStream, UnregisteredAndRegisteredClasses) {
  TObjectList list;
  list.Add(new Item(1));
  TMemoryStream out;
  try {
    list.SaveToStream(out);
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Source Class <TTestItem> not registered");
  }
  EXPECT_THROW(StoreObject(nullptr, out), EClassNotFound);

  RegisterZipClass("TTestItem", {[] { return new Item(); },
                                 [](TObject& o, TStream& s) {
                                   s.ReadBuffer(&static_cast<Item&>(o).key, 4);
                                 },
                                 [](const TObject& o, TStream& s) {
                                   s.WriteBuffer(&static_cast<const Item&>(o).key, 4);
                                 }});
  list.Add(new Item(77));
  TMemoryStream stream;
  list.SaveToStream(stream);
  EXPECT_EQ(stream.Data().substr(0, 6), std::string("\x01\x02\x00\x00\x00\x09", 6));
  EXPECT_EQ(stream.Data().substr(6, 9), "TTestItem");
  TObjectList back;
  stream.SetPosition(0);
  back.LoadFromStream(stream);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(static_cast<Item*>(back.Get(1))->key, 77);

  TMemoryStream unknown(std::string("\x01\x01\x00\x00\x00\x03XYZ", 9));
  try {
    back.LoadFromStream(unknown);
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class <XYZ> not registered");
  }
  TMemoryStream shortStream(std::string("\x01\x05\x00", 3));
  EXPECT_THROW(back.LoadFromStream(shortStream), EReadError);
}

TEST(ZipListsStream, LongClassNamesAreCutTo63) {
  struct LongItem : TObject {
    std::string ClassName() const override { return std::string(70, 'L'); }
  };
  RegisterZipClass(std::string(63, 'l'), {[] { return new LongItem(); }, nullptr, nullptr});
  EXPECT_NE(FindRegisterRec(std::string(70, 'L')), nullptr);
  LongItem item;
  TMemoryStream out;
  StoreObject(&item, out);
  EXPECT_EQ(out.Data(), std::string(1, '\x3F') + std::string(63, 'L'));
}

}  // namespace
}  // namespace tv::zip
