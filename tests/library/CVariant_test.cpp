#include "library/CVariant.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "library/HostText.h"
#include "platform/text/Cp1251.h"

namespace tv {
namespace {

// Owns a C variant for one test.
struct CVar {
  TVVariant v{};
  ~CVar() { CVariantClear(&v); }
};

Variant RoundTrip(const Variant& in) {
  CVar c;
  ToCVariant(in, &c.v);
  return FromCVariant(&c.v);
}

TEST(CVariant, ScalarsKeepTypeAndValue) {
  const TDateTime when = EncodeDateTime(2024, 3, 1, 8, 30, 0, 0);
  EXPECT_TRUE(RoundTrip(Variant()).IsEmpty());
  EXPECT_TRUE(RoundTrip(Variant::Null()).IsNull());
  EXPECT_EQ(RoundTrip(Variant(-7)).AsInteger(), -7);
  EXPECT_EQ(RoundTrip(Variant(int64_t{1} << 40)).AsInt64(), int64_t{1} << 40);
  EXPECT_EQ(RoundTrip(Variant(2.5)).AsDouble(), 2.5);
  EXPECT_EQ(RoundTrip(Variant(Currency::FromRaw(-123456))).AsCurrency().Raw(), -123456);
  EXPECT_EQ(RoundTrip(Variant(true)).Type(), VarType::Boolean);
  EXPECT_TRUE(RoundTrip(Variant(true)).AsBoolean());
  const Variant date = RoundTrip(Variant::FromDate(when));
  EXPECT_EQ(date.Type(), VarType::Date);
  EXPECT_EQ(date.AsDateTime(), when);
  EXPECT_EQ(RoundTrip(Variant("АЗС №1"_w)).AsString(), "АЗС №1"_w);
  EXPECT_EQ(RoundTrip(Variant(std::u16string(u"Ёлка"))).AsString(), "Ёлка"_w);
  EXPECT_EQ(RoundTrip(Variant::FromSmallint(-300)).Type(), VarType::Smallint);
  EXPECT_EQ(RoundTrip(Variant::FromByte(200)).AsInteger(), 200);
}

TEST(CVariant, TextIsOwnedZeroTerminatedAndMayHoldZeroBytes) {
  CVar c;
  ToCVariant(Variant(std::string("a\0b", 3)), &c.v);
  ASSERT_EQ(c.v.vt, TV_VT_STRING);
  EXPECT_EQ(c.v.flags, TV_VF_OWNED);
  EXPECT_EQ(c.v.u.str.len, 3u);
  EXPECT_EQ(c.v.u.str.ptr[3], '\0');
  EXPECT_EQ(FromCVariant(&c.v).AsString(), std::string("a\0b", 3));
}

TEST(CVariant, NestedAndTwoDimensionalArrays) {
  Variant table = VarArrayCreate({0, 2, 0, 1}, VarType::Variant);
  for (int i = 0; i <= 2; ++i) {
    table.At(i, 0) = Variant(i * 10);
    table.At(i, 1) = Variant("x" + std::to_string(i));
  }
  const Variant back = RoundTrip(table);
  ASSERT_EQ(back.DimCount(), 2);
  EXPECT_EQ(back.At(2, 0).AsInteger(), 20);
  EXPECT_EQ(back.At(1, 1).AsString(), "x1");

  // [7, [9, 10], []] with bounds kept.
  const Variant nested = VarArrayOf({Variant(7), VarArrayOf({Variant(9), Variant(10)}),
                                     VarArrayCreate({0, -1}, VarType::Variant)});
  const Variant n = RoundTrip(nested);
  EXPECT_EQ(n.HighBound(1), 2);
  EXPECT_EQ(n[1][1].AsInteger(), 10);
  EXPECT_EQ(n[2].HighBound(1), -1);

  // Element [i, j] of a 2-D C array sits at (i - lo1) * n2 + (j - lo2).
  CVar c;
  ASSERT_TRUE(CVariantSetArray(&c.v, 2, 1, 3, 5, 6));
  EXPECT_EQ(CVariantItem2(&c.v, 2, 6), &c.v.u.arr.items[3]);
  EXPECT_EQ(CVariantItem2(&c.v, 4, 5), nullptr);
  EXPECT_EQ(CVariantItem(&c.v, 1), nullptr);  // a 2-D array has no 1-D items
  CVariantSetString(CVariantItem2(&c.v, 3, 5), "z", 1);
  EXPECT_EQ(FromCVariant(&c.v).At(3, 5).AsString(), "z");
}

TEST(CVariant, MalformedHostVariantsRaiseInsteadOfCrashing) {
  TVVariant v{};
  v.vt = 99;
  EXPECT_THROW(FromCVariant(&v), EVariantError);
  v.vt = TV_VT_STRING;
  v.u.str.ptr = nullptr;
  v.u.str.len = 5;
  EXPECT_THROW(FromCVariant(&v), EVariantInvalidArgError);
  v.u.str.len = 0;
  EXPECT_EQ(FromCVariant(&v).AsString(), "");
  v = TVVariant{};
  v.vt = TV_VT_SMALLINT;
  v.u.i = 40000;
  EXPECT_THROW(FromCVariant(&v), EVariantInvalidArgError);

  TVVariant items[2]{};
  TVVariant a{};
  a.vt = TV_VT_ARRAY;
  a.u.arr.items = items;
  a.u.arr.dims = 3;
  EXPECT_THROW(FromCVariant(&a), EVariantInvalidArgError);
  a.u.arr.dims = 1;
  a.u.arr.bounds[0] = 5;
  a.u.arr.bounds[1] = 3;  // high below low - 1
  EXPECT_THROW(FromCVariant(&a), EVariantInvalidArgError);
  a.u.arr.bounds[0] = 0;
  a.u.arr.bounds[1] = 0x7FFFFFFF;  // far more elements than allowed
  EXPECT_THROW(FromCVariant(&a), EVariantInvalidArgError);
  a.u.arr.bounds[1] = 1;
  a.u.arr.items = nullptr;
  EXPECT_THROW(FromCVariant(&a), EVariantInvalidArgError);
  // An array that holds itself would never end.
  a.u.arr.items = items;
  items[0] = a;
  EXPECT_THROW(FromCVariant(&a), EVariantInvalidArgError);
}

TEST(CVariant, ClearReleasesOwnedMemoryOnlyAndSettersReportBadShapes) {
  CVar c;
  ASSERT_TRUE(CVariantSetArray(&c.v, 1, 0, 1, 0, 0));
  CVariantSetString(CVariantItem(&c.v, 0), "owned", static_cast<size_t>(-1));
  ASSERT_TRUE(CVariantSetArray(CVariantItem(&c.v, 1), 1, 0, 0, 0, 0));
  CVariantSetString(CVariantItem(CVariantItem(&c.v, 1), 0), "deep", 4);
  // A borrowed text put into an owned array is not released with it.
  static const char borrowed[] = "host memory";
  TVVariant* slot = CVariantItem(CVariantItem(&c.v, 1), 0);
  CVariantClear(slot);
  slot->vt = TV_VT_STRING;
  slot->u.str.ptr = borrowed;
  slot->u.str.len = 4;
  EXPECT_EQ(FromCVariant(&c.v)[1][0].AsString(), "host");
  CVariantClear(&c.v);  // ASan reports a leak or a bad free here if the rules are broken
  EXPECT_EQ(c.v.vt, TV_VT_EMPTY);

  EXPECT_FALSE(CVariantSetArray(&c.v, 1, 3, 1, 0, 0));
  EXPECT_FALSE(CVariantSetArray(&c.v, 0, 0, 1, 0, 0));
  EXPECT_EQ(c.v.vt, TV_VT_EMPTY);
  const uint16_t wide[] = {0x0416, 0x0431, 0};
  ASSERT_TRUE(CVariantSetOleStr(&c.v, wide, static_cast<size_t>(-1)));
  EXPECT_EQ(c.v.u.wstr.len, 2u);
  EXPECT_EQ(FromCVariant(&c.v).AsString(), "Жб"_w);
}

TEST(HostText, LibraryBuffersAreFreedForeignOnesOnlyDropped) {
  TVText t{};
  ASSERT_TRUE(TextSet(&t, "первый"_w));
  ASSERT_TRUE(TextSet(&t, "второй"_w));  // the first buffer is released
  EXPECT_EQ(TextOf(t), "второй"_w);
  EXPECT_EQ(t.data[t.length], '\0');
  TextFree(&t);
  EXPECT_EQ(t.data, nullptr);
  // A host that puts its own buffer in is not freed by the library.
  alignas(16) static char own[64] = "0123456789abcdefhost's own text";
  t.data = own + 16;
  t.length = 4;
  TextFree(&t);
  EXPECT_EQ(t.data, nullptr);
  EXPECT_STREQ(own + 16, "host's own text");
  // Nothing in front of a host's heap buffer is read (the sanitizer build
  // sees any such read), and a buffer freed already is not freed again.
  char* heap = static_cast<char*>(std::malloc(4));
  std::memcpy(heap, "abc", 4);
  t.data = heap;
  t.length = 3;
  TextFree(&t);
  EXPECT_STREQ(heap, "abc");
  std::free(heap);
  ASSERT_TRUE(TextSet(&t, "x"));
  TVText copy = t;
  TextFree(&t);
  TextFree(&copy);
  EXPECT_EQ(copy.data, nullptr);
  uint16_t* wide = WideCopy(u"Отчет");
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide[5], 0);
  WideFree(wide);
}

}  // namespace
}  // namespace tv
