#include "platform/data/Variant.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "platform/SysUtils.h"

namespace tv {
namespace {

std::string CastMessage(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const EVariantTypeCastError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(Variant, TypesOfTheConstructors) {
  EXPECT_EQ(Variant().Type(), VarType::Empty);
  EXPECT_EQ(Variant::Null().Type(), VarType::Null);
  EXPECT_EQ(Variant(5).Type(), VarType::Integer);
  EXPECT_EQ(Variant(int64_t{5}).Type(), VarType::Int64);
  EXPECT_EQ(Variant(1.5).Type(), VarType::Double);
  EXPECT_EQ(Variant(Currency(1)).Type(), VarType::Currency);
  EXPECT_EQ(Variant(true).Type(), VarType::Boolean);
  EXPECT_EQ(Variant("a").Type(), VarType::String);
  EXPECT_EQ(Variant(std::u16string(u"a")).Type(), VarType::OleStr);
  EXPECT_EQ(Variant::FromDate(1).Type(), VarType::Date);
  EXPECT_TRUE(Variant().IsEmpty());
  EXPECT_TRUE(Variant::Null().IsNull());
  EXPECT_FALSE(Variant(0).IsArray());
}

TEST(Variant, NumericConversions) {
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);  // halves to even
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(-2.5).AsInteger(), -2);
  EXPECT_EQ(Variant(Currency(2.5L)).AsInteger(), 2);
  EXPECT_EQ(Variant(Currency(3.5L)).AsInteger(), 4);
  EXPECT_EQ(Variant(Currency(-3.5L)).AsInteger(), -4);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(false).AsInteger(), 0);
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_TRUE(Variant(7).AsBoolean());
  EXPECT_FALSE(Variant(0).AsBoolean());
  EXPECT_TRUE(Variant(0.1).AsBoolean());
  EXPECT_EQ(Variant(true).AsDouble(), -1.0);
  EXPECT_EQ(Variant(Currency::FromRaw(12345)).AsDouble(), 1.2345);
  EXPECT_EQ(Variant(1.23456).AsCurrency().Raw(), 12346);
  EXPECT_EQ(Variant(int64_t{1} << 40).AsInt64(), int64_t{1} << 40);
  EXPECT_THROW(Variant(int64_t{1} << 40).AsInteger(), EVariantOverflowError);
  EXPECT_THROW(Variant(3e9).AsInteger(), EVariantOverflowError);
  EXPECT_THROW(Variant(1e300).AsCurrency(), EVariantOverflowError);
  EXPECT_EQ(Variant::FromDate(41060.5).AsDateTime(), 41060.5);
  EXPECT_EQ(Variant::FromSmallint(-3).AsInteger(), -3);
  EXPECT_EQ(Variant::FromByte(200).AsInteger(), 200);
  EXPECT_EQ(Variant::FromSingle(0.5f).AsDouble(), 0.5);
}

TEST(Variant, TextConversionsUseTheLocale) {
  EXPECT_EQ(Variant("12").AsInteger(), 12);
  EXPECT_EQ(Variant(" 12 ").AsInteger(), 12);
  EXPECT_EQ(Variant("$1F").AsInteger(), 31);
  EXPECT_EQ(Variant("2,5").AsInteger(), 2);
  EXPECT_EQ(Variant("1,5").AsDouble(), 1.5);
  EXPECT_EQ(Variant(std::u16string(u"3,25")).AsDouble(), 3.25);
  EXPECT_EQ(Variant("1,23").AsCurrency().Raw(), 12300);
  EXPECT_TRUE(Variant("TRUE").AsBoolean());
  EXPECT_FALSE(Variant("false").AsBoolean());
  EXPECT_TRUE(Variant("-1").AsBoolean());
  EXPECT_EQ(Variant("31.05.2012 8:00").AsDateTime(), 41060 + 8.0 / 24);
  EXPECT_EQ(CastMessage([] { Variant("1.5").AsDouble(); }),
            "Could not convert variant of type (String) into type (Double)");
  EXPECT_EQ(CastMessage([] { Variant("abc").AsInteger(); }),
            "Could not convert variant of type (String) into type (Integer)");
  EXPECT_EQ(CastMessage([] { Variant(std::u16string(u"x")).AsBoolean(); }),
            "Could not convert variant of type (OleStr) into type (Boolean)");
  EXPECT_EQ(CastMessage([] { Variant("x").AsDateTime(); }),
            "Could not convert variant of type (String) into type (Date)");
}

TEST(Variant, NullConvertsOnlyThroughVarToStr) {
  EXPECT_EQ(CastMessage([] { Variant::Null().AsInteger(); }),
            "Could not convert variant of type (Null) into type (Integer)");
  EXPECT_EQ(CastMessage([] { Variant::Null().AsDouble(); }),
            "Could not convert variant of type (Null) into type (Double)");
  EXPECT_EQ(CastMessage([] { Variant::Null().AsString(); }),
            "Could not convert variant of type (Null) into type (String)");
  EXPECT_EQ(CastMessage([] { Variant::Null().AsBoolean(); }),
            "Could not convert variant of type (Null) into type (Boolean)");
  EXPECT_EQ(VarToStr(Variant::Null()), "");
  EXPECT_EQ(VarToStr(Variant()), "");
  EXPECT_STREQ(EVariantTypeCastError("x").ClassName(), "EVariantTypeCastError");
}

TEST(Variant, ToTextByTheRuntimeRoutines) {
  EXPECT_EQ(Variant(-12).AsString(), "-12");
  EXPECT_EQ(Variant(1.5).AsString(), "1,5");
  EXPECT_EQ(Variant(1e20).AsString(), "1E20");
  EXPECT_EQ(Variant(Currency::FromRaw(15)).AsString(), "0,0015");
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant(false).AsString(), "False");
  EXPECT_EQ(Variant::FromDate(41060 + 8.0 / 24).AsString(), "31.05.2012 8:00:00");
  EXPECT_EQ(Variant::FromDate(41060).AsString(), "31.05.2012");
  EXPECT_EQ(Variant(std::u16string(u"Итог")).AsString(), "Итог"_w);
  EXPECT_EQ(Variant(std::u16string(u"€☺")).AsString(), "\x88?");
}

TEST(Variant, OneDimensionalArrays) {
  Variant a = VarArrayCreate({0, 2}, VarType::Integer);
  EXPECT_TRUE(a.IsArray());
  EXPECT_EQ(a.Type(), static_cast<VarType>(0x2003));
  EXPECT_EQ(a.DimCount(), 1);
  EXPECT_EQ(a.LowBound(), 0);
  EXPECT_EQ(a.HighBound(), 2);
  EXPECT_EQ(a[1].Type(), VarType::Integer);
  EXPECT_EQ(a[1].AsInteger(), 0);
  a[2] = 7;
  Variant copy = a;  // a copy owns its own elements
  copy[2] = 9;
  EXPECT_EQ(a[2].AsInteger(), 7);
  EXPECT_EQ(copy[2].AsInteger(), 9);
  try {
    a[3];
    FAIL();
  } catch (const EVariantBadIndexError& e) {
    EXPECT_EQ(e.Message(), "Variant or safe array index out of bounds");
  }
  EXPECT_THROW(a[-1], EVariantBadIndexError);
  EXPECT_THROW(a.HighBound(2), EVariantInvalidArgError);
  EXPECT_THROW(Variant(1).HighBound(), EVariantInvalidArgError);
  EXPECT_THROW(Variant(1)[0], EVariantInvalidArgError);
  EXPECT_EQ(CastMessage([&] { a.AsInteger(); }),
            "Could not convert variant of type (Array Integer) into type (Integer)");

  Variant empty = VarArrayCreate({0, -1}, VarType::Integer);
  EXPECT_EQ(empty.LowBound(), 0);
  EXPECT_EQ(empty.HighBound(), -1);
  EXPECT_THROW(empty[0], EVariantBadIndexError);
  EXPECT_THROW(VarArrayCreate({0, -2}, VarType::Integer), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayCreate({0}, VarType::Integer), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayCreate({0, 1}, VarType::Null), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayCreate({0, 2000000000}, VarType::Byte), EVariantArrayCreateError);

  Variant shifted = VarArrayCreate({1, 3}, VarType::Variant);
  EXPECT_TRUE(shifted[1].IsEmpty());
  EXPECT_THROW(shifted[0], EVariantBadIndexError);
}

TEST(Variant, ArrayOfNestedAndResized) {
  Variant params = VarArrayOf({1, "x", VarArrayOf({Variant(2.5), Variant::Null()})});
  EXPECT_EQ(params.Type(), static_cast<VarType>(0x200C));
  EXPECT_EQ(params.HighBound(), 2);
  EXPECT_EQ(params[1].AsString(), "x");
  EXPECT_EQ(params[2][0].AsDouble(), 2.5);
  EXPECT_TRUE(params[2][1].IsNull());
  EXPECT_EQ(VarArrayOf({}).HighBound(), -1);

  Variant codes = VarArrayCreate({0, -1}, VarType::Integer);
  VarArrayRedim(codes, 2);
  EXPECT_EQ(codes.HighBound(), 2);
  for (int i = 0; i <= 2; ++i) codes[i] = 1;
  VarArrayRedim(codes, 4);
  EXPECT_EQ(codes[2].AsInteger(), 1);
  EXPECT_EQ(codes[4].AsInteger(), 0);
  VarArrayRedim(codes, 0);
  EXPECT_EQ(codes.HighBound(), 0);
  EXPECT_THROW(codes[1], EVariantBadIndexError);
  Variant scalar(3);
  EXPECT_THROW(VarArrayRedim(scalar, 2), EVariantInvalidArgError);
}

TEST(Variant, TwoDimensionalArrays) {
  Variant table = VarArrayCreate({0, 2, 0, 3}, VarType::Variant);
  EXPECT_EQ(table.DimCount(), 2);
  EXPECT_EQ(table.HighBound(1), 2);
  EXPECT_EQ(table.HighBound(2), 3);
  for (int i = 0; i <= 2; ++i)
    for (int j = 0; j <= 3; ++j) table.At(i, j) = IntToStr(i * 10 + j);
  for (int i = 0; i <= 2; ++i)
    for (int j = 0; j <= 3; ++j) EXPECT_EQ(table.At(i, j).AsString(), IntToStr(i * 10 + j));
  EXPECT_THROW(table.At(3, 0), EVariantBadIndexError);
  EXPECT_THROW(table.At(0, 4), EVariantBadIndexError);
  EXPECT_THROW(table[0], EVariantBadIndexError);
  VarArrayRedim(table, 4);  // the last dimension grows, cells stay
  EXPECT_EQ(table.At(2, 3).AsString(), "23");
  EXPECT_TRUE(table.At(2, 4).IsEmpty());
}

TEST(Variant, RawImageIsTheSixteenByteRecord) {
  using W = std::array<uint32_t, 4>;
  EXPECT_EQ(Variant(5).RawImage(), (W{3, 0, 5, 0}));
  EXPECT_EQ(Variant(-1).RawImage(), (W{3, 0, 0xFFFFFFFF, 0}));
  EXPECT_EQ(Variant().RawImage(), (W{0, 0, 0, 0}));
  EXPECT_EQ(Variant::Null().RawImage(), (W{1, 0, 0, 0}));
  EXPECT_EQ(Variant(true).RawImage(), (W{11, 0, 0xFFFF, 0}));
  EXPECT_EQ(Variant(false).RawImage(), (W{11, 0, 0, 0}));
  EXPECT_EQ(Variant(1.0).RawImage(), (W{5, 0, 0, 0x3FF00000}));
  EXPECT_EQ(Variant::FromDate(-1.25).RawImage(), (W{7, 0, 0, 0xBFF40000}));
  EXPECT_EQ(Variant(Currency(1)).RawImage(), (W{6, 0, 10000, 0}));
  EXPECT_EQ(Variant(Currency(-1)).RawImage(), (W{6, 0, 0xFFFFD8F0, 0xFFFFFFFF}));
  EXPECT_EQ(Variant(int64_t{0x123456789}).RawImage(), (W{20, 0, 0x23456789, 1}));
  EXPECT_EQ(Variant::FromSmallint(-2).RawImage(), (W{2, 0, 0xFFFE, 0}));
  EXPECT_EQ(Variant::FromByte(0xAB).RawImage(), (W{17, 0, 0xAB, 0}));
  EXPECT_EQ(Variant::FromSingle(1.0f).RawImage(), (W{4, 0, 0x3F800000, 0}));
  EXPECT_EQ(Variant("abc").RawImage()[0], 0x100u);
  EXPECT_EQ(VarArrayCreate({0, 1}, VarType::Variant).RawImage()[0], 0x200Cu);
}

TEST(Variant, EqualityOfTheRuntime) {
  EXPECT_TRUE(VarEquals(Variant("12"), Variant(12)));  // the text becomes a number
  EXPECT_TRUE(VarEquals(Variant(12), Variant(" 12")));
  EXPECT_TRUE(VarEquals(Variant("1,5"), Variant(1.5)));
  EXPECT_FALSE(VarEquals(Variant("13"), Variant(12)));
  EXPECT_THROW(VarEquals(Variant("abc"), Variant(12)), EVariantTypeCastError);
  EXPECT_TRUE(VarEquals(Variant("abc"), Variant("abc")));
  EXPECT_FALSE(VarEquals(Variant("abc"), Variant("ABC")));
  EXPECT_TRUE(VarEquals(Variant(std::u16string(u"Да")), Variant("Да"_w)));
  EXPECT_TRUE(VarEquals(Variant::Null(), Variant::Null()));
  EXPECT_FALSE(VarEquals(Variant::Null(), Variant(0)));
  EXPECT_FALSE(VarEquals(Variant(""), Variant::Null()));
  EXPECT_TRUE(VarEquals(Variant(), Variant()));
  EXPECT_TRUE(VarEquals(Variant(), Variant(0)));
  EXPECT_TRUE(VarEquals(Variant(""), Variant()));
  EXPECT_FALSE(VarEquals(Variant(), Variant(1)));
  EXPECT_TRUE(VarEquals(Variant(true), Variant(-1)));
  EXPECT_TRUE(VarEquals(Variant(0.1), Variant(Currency(0.1))));
  EXPECT_TRUE(VarEquals(Variant(Currency(3)), Variant(3)));
  EXPECT_TRUE(VarEquals(Variant(int64_t{1} << 53), Variant((int64_t{1} << 53))));
  EXPECT_FALSE(VarEquals(Variant((int64_t{1} << 53) + 1), Variant(int64_t{1} << 53)));
  EXPECT_TRUE(VarEquals(Variant::FromDate(2), Variant(2)));
  EXPECT_THROW(VarEquals(VarArrayOf({1}), Variant(1)), EVariantInvalidOpError);
}

}  // namespace
}  // namespace tv
