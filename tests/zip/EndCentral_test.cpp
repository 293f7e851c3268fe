#include "zip/EndCentral.h"

#include <gtest/gtest.h>

#include "zip/ZipBytes.h"
#include "zip/ZipHeaderInfo.h"

namespace tv::zip {
namespace {

std::string EndRecord(uint16_t entries, uint32_t size, uint32_t offset, const std::string& comment) {
  std::string r;
  PutLE(r, 0x06054B50, 4);
  PutLE(r, 0, 4);
  PutLE(r, entries, 2);
  PutLE(r, entries, 2);
  PutLE(r, size, 4);
  PutLE(r, offset, 4);
  PutLE(r, comment.size(), 2);
  return r + comment;
}

TEST(TEndCentral, EmptyAndTinyStreams) {
  TEndCentral end;
  TMemoryStream empty;
  EXPECT_TRUE(end.ReadFromStream(empty));
  EXPECT_EQ(end.GetTotalEntries(), 0);
  for (int n = 1; n < 22; ++n) {
    TMemoryStream tiny(std::string(static_cast<size_t>(n), 'P'));
    EXPECT_FALSE(end.ReadFromStream(tiny)) << n;
  }
  TMemoryStream exact(EndRecord(0, 0, 0, ""));
  ASSERT_TRUE(end.ReadFromStream(exact));
  EXPECT_EQ(end.ZipCommentPos, 22);
  EXPECT_EQ(end.GetTotalEntries(), 0);
  EXPECT_EQ(end.EndCentralSize(), 22);
}

TEST(TEndCentral, SearchTakesTheLastSignature) {
  std::string fakeInComment = EndRecord(9, 9, 9, "");
  TMemoryStream s(std::string(100, 'x') + EndRecord(3, 50, 10, "a" + fakeInComment + "b"));
  TEndCentral end;
  ASSERT_TRUE(end.ReadFromStream(s));
  EXPECT_EQ(end.TotalEntries, 9);  // the later occurrence, inside the comment
  EXPECT_EQ(end.ZipCommentPos, 100 + 22 + 1 + 22);
}

TEST(TEndCentral, RecordBeyondTheSearchWindowIsNotFound) {
  TMemoryStream far(EndRecord(1, 1, 1, "") + std::string(65536, 'c'));
  TEndCentral end;
  EXPECT_FALSE(end.ReadFromStream(far));
  TMemoryStream nearEnough(std::string(10, 'p') + EndRecord(1, 1, 1, std::string(65535, 'c')));
  ASSERT_TRUE(end.ReadFromStream(nearEnough));
  EXPECT_EQ(end.ZipCommentLength, 65535);
  EXPECT_EQ(end.ZipCommentPos, 32);
}

TEST(TEndCentral, WritesZip64RecordsWhenACountNeedsThem) {
  TEndCentral end;
  end.SetEntriesThisDisk(70000);
  end.SetTotalEntries(70000);
  end.SetCentralSize(1234);
  end.SetCentralOffset(5678);
  TMemoryStream out;
  out.Write("0123456789", 10);
  end.SaveToStream(out);
  const std::string& d = out.Data();
  ASSERT_EQ(d.size(), 10u + 56 + 20 + 22);
  const auto* p = reinterpret_cast<const uint8_t*>(d.data());
  EXPECT_EQ(GetLE32(p + 10), 0x06064B50u);
  EXPECT_EQ(GetLE64(p + 14), 44u);
  EXPECT_EQ(GetLE64(p + 10 + 24), 70000u);
  EXPECT_EQ(GetLE64(p + 10 + 32), 70000u);
  EXPECT_EQ(GetLE64(p + 10 + 40), 1234u);
  EXPECT_EQ(GetLE64(p + 10 + 48), 5678u);
  EXPECT_EQ(GetLE32(p + 66), 0x07064B50u);
  EXPECT_EQ(GetLE64(p + 66 + 8), 10u);  // its own position
  EXPECT_EQ(GetLE32(p + 66 + 16), 1u);
  EXPECT_EQ(GetLE16(p + 86 + 10), 0xFFFF);
  EXPECT_EQ(GetLE32(p + 86 + 12), 1234u);
  TEndCentral back;
  out.SetPosition(0);
  ASSERT_TRUE(back.ReadFromStream(out));
  EXPECT_TRUE(back.Zip64EndValid());
  EXPECT_EQ(back.GetTotalEntries(), 70000);
  EXPECT_EQ(back.GetCentralOffset(), 5678);
  EXPECT_EQ(back.GetTotalDisks(), 1u);
}

TEST(TEndCentral, HeldZip64RecordThatFitsIsDropped) {
  TEndCentral end;
  end.Zip64End();
  end.SetTotalEntries(3);
  TMemoryStream out;
  end.SaveToStream(out);
  EXPECT_EQ(out.Data().size(), 22u);
  EXPECT_FALSE(end.HasZip64End());
  EXPECT_FALSE(end.HasZip64Locator());
  end.SetZipComment("");
  EXPECT_FALSE(end.HasZipComment());
  EXPECT_EQ(end.EndCentralSize(), 22);
  end.SetZipComment("hello");
  EXPECT_EQ(end.EndCentralSize(), 27);
}

TEST(TEndCentral, LocatorPointingNowhereIsFlagged) {
  std::string locator;
  PutLE(locator, 0x07064B50, 4);
  PutLE(locator, 0, 4);
  PutLE(locator, 0x7FFFFFFFFFFF0000ull, 8);
  PutLE(locator, 1, 4);
  std::string tail = locator + EndRecord(0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, "");
  TMemoryStream s(std::string(30, 'z') + tail);
  TEndCentral end;
  ASSERT_TRUE(end.ReadFromStream(s));
  EXPECT_TRUE(end.HasZip64Locator());
  EXPECT_FALSE(end.Zip64EndValid());
  std::string locator2;
  PutLE(locator2, 0x07064B50, 4);
  PutLE(locator2, 0, 4);
  PutLE(locator2, 2, 8);
  PutLE(locator2, 1, 4);
  TMemoryStream s2(std::string(30, 'z') + locator2 + EndRecord(1, 1, 1, ""));
  ASSERT_TRUE(end.ReadFromStream(s2));
  EXPECT_FALSE(end.Zip64EndValid());
}

TEST(TEndCentral, AssignCopiesTheClassicRecordOnly) {
  TEndCentral a;
  a.SetTotalEntries(100000);
  a.SetZipComment("c");
  a.ZipCommentPos = 99;
  TEndCentral b;
  b.Assign(a);
  EXPECT_EQ(b.TotalEntries, 0xFFFF);
  EXPECT_FALSE(b.HasZip64End());
  EXPECT_EQ(b.GetTotalEntries(), 0xFFFF);
  EXPECT_EQ(b.ZipComment(), "c");
  EXPECT_EQ(b.ZipCommentPos, 99);
}

}  // namespace
}  // namespace tv::zip
