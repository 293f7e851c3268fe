#include "zip/ZipHeaderInfo.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "tests/zip/ZipTestUtil.h"
#include "zip/ZipBytes.h"

namespace tv::zip {
namespace {

const uint8_t* Bytes(const std::string& s, size_t at = 0) {
  return reinterpret_cast<const uint8_t*>(s.data()) + at;
}

TZipHeaderInfo Named(const std::string& dir, const std::string& name) {
  TZipHeaderInfo e;
  e.SetDirectory(dir);
  e.SetFilename(name);
  return e;
}

TEST(TZipHeaderInfo, NewEntryLocalHeaderIsThirtyBytesPlusName) {
  TZipHeaderInfo e = Named("dir", "a.txt");
  EXPECT_EQ(e.Directory(), "dir\\");
  EXPECT_EQ(e.FilenameLength, 9);
  TMemoryStream out;
  out.Write("pad", 3);
  e.SaveLocalToStream(out);
  const std::string& d = out.Data();
  ASSERT_EQ(d.size(), 3u + 30 + 9);
  EXPECT_EQ(GetLE32(Bytes(d, 3)), 0x04034B50u);
  EXPECT_EQ(GetLE16(Bytes(d, 7)), 20);
  EXPECT_EQ(GetLE16(Bytes(d, 11)), 8);  // deflate by default
  EXPECT_EQ(GetLE32(Bytes(d, 17)), 0xFFFFFFFFu);
  EXPECT_EQ(GetLE16(Bytes(d, 31)), 0);  // no extra field
  EXPECT_EQ(d.substr(33), "dir/a.txt");
  EXPECT_EQ(e.GetRelativeOffset(), 3);
}

TEST(TZipHeaderInfo, SizeOfExactlyFourGigabytesMinusOneGoesToZip64) {
  TZipHeaderInfo e = Named("", "big");
  e.SetUncompressedSize(0xFFFFFFFF);
  e.SetCompressedSize(1000);
  EXPECT_EQ(e.UncompressedSize, 0xFFFFFFFFu);
  EXPECT_EQ(e.GetUncompressedSize(), 0xFFFFFFFFLL);
  TMemoryStream out;
  e.SaveLocalToStream(out);
  const std::string& d = out.Data();
  EXPECT_EQ(GetLE16(Bytes(d, 4)), 45);
  EXPECT_EQ(GetLE32(Bytes(d, 18)), 0xFFFFFFFFu);
  EXPECT_EQ(GetLE32(Bytes(d, 22)), 0xFFFFFFFFu);
  EXPECT_EQ(GetLE16(Bytes(d, 28)), 20);
  ASSERT_EQ(d.size(), 30u + 3 + 20);
  EXPECT_EQ(GetLE16(Bytes(d, 33)), 1);
  EXPECT_EQ(GetLE16(Bytes(d, 35)), 16);
  EXPECT_EQ(GetLE64(Bytes(d, 37)), 0xFFFFFFFFull);
  EXPECT_EQ(GetLE64(Bytes(d, 45)), 1000u);
  // Read back: both sizes come from the block.
  TZipHeaderInfo back;
  out.SetPosition(0);
  ASSERT_TRUE(back.ReadLocalFromStream(out));
  EXPECT_EQ(back.GetUncompressedSize(), 0xFFFFFFFFLL);
  EXPECT_EQ(back.GetCompressedSize(), 1000);
  EXPECT_EQ(out.Position(), 33);  // at the start of the extra field
}

TEST(TZipHeaderInfo, OffsetBeyondFourGigabytesOnlyInCentralBlock) {
  TZipHeaderInfo e = Named("", "f");
  e.SetRelativeOffset(0x100000000LL);
  e.SetCompressedSize(5);
  e.SetUncompressedSize(5);
  EXPECT_EQ(e.Zip64DataSize(TZipHeaderInfo::hkCentral), 8);
  TMemoryStream out;
  e.SaveCentralToStream(out, nullptr);
  const std::string& d = out.Data();
  EXPECT_EQ(GetLE16(Bytes(d, 6)), 45);
  EXPECT_EQ(GetLE32(Bytes(d, 20)), 5u);
  EXPECT_EQ(GetLE32(Bytes(d, 42)), 0xFFFFFFFFu);
  EXPECT_EQ(GetLE16(Bytes(d, 30)), 12);
  EXPECT_EQ(GetLE16(Bytes(d, 49)), 8);
  EXPECT_EQ(GetLE64(Bytes(d, 51)), 0x100000000ull);
  TZipHeaderInfo back;
  TStream* s = &out;
  out.SetPosition(0);
  ASSERT_TRUE(back.ReadCentralFromStream(s, nullptr));
  EXPECT_EQ(back.GetRelativeOffset(), 0x100000000LL);
  EXPECT_EQ(back.Zip64BlockLength, 12);
  EXPECT_EQ(back.ExtraSourcePosition, 47);
}

TEST(TZipHeaderInfo, DiskNumberAboveSixteenBitsAddsFourBytes) {
  TZipHeaderInfo e = Named("", "f");
  e.SetDiskStart(0xFFFF);
  EXPECT_EQ(e.DiskNumberStart, 0xFFFF);
  EXPECT_EQ(e.GetDiskStart(), 0xFFFFu);
  EXPECT_EQ(e.Zip64DataSize(TZipHeaderInfo::hkCentral), 4);
  e.SetDiskStart(0x12345);
  TMemoryStream out;
  e.SaveCentralToStream(out, nullptr);
  TZipHeaderInfo back;
  TStream* s = &out;
  out.SetPosition(0);
  ASSERT_TRUE(back.ReadCentralFromStream(s, nullptr));
  EXPECT_EQ(back.GetDiskStart(), 0x12345u);
}

TEST(TZipHeaderInfo, ForeignExtraBlocksSurviveAndZip64IsReplaced) {
  // A central record as another archiver wrote it: a UT block, an old ZIP64
  // block for the offset, and a Unix block.
  std::string extra = std::string("\x55\x54\x05\x00\x03\x01\x02\x03\x04", 9) +
                      std::string("\x01\x00\x08\x00", 4) + std::string("\x00\x00\x00\x00\x01\x00\x00\x00", 8) +
                      std::string("\x75\x78\x03\x00\x01\x02\x03", 7);
  std::string record;
  PutLE(record, 0x02014B50, 4);
  PutLE(record, 0x031E, 2);
  PutLE(record, 45, 2);
  PutLE(record, 0, 4);
  PutLE(record, 0x52B36000, 4);
  PutLE(record, 0x12345678, 4);
  PutLE(record, 3, 4);
  PutLE(record, 3, 4);
  PutLE(record, 5, 2);
  PutLE(record, extra.size(), 2);
  PutLE(record, 0, 2);
  PutLE(record, 0, 2);
  PutLE(record, 0, 2);
  PutLE(record, 0x81A40000, 4);
  PutLE(record, 0xFFFFFFFF, 4);
  record += "a.txt" + extra;
  TMemoryStream source(record);
  TStream* s = &source;
  TZipHeaderInfo e;
  ASSERT_TRUE(e.ReadCentralFromStream(s, nullptr));
  EXPECT_EQ(e.GetRelativeOffset(), 0x100000000LL);
  EXPECT_EQ(e.Zip64BlockLength, 12);
  EXPECT_EQ(e.ExtraSourceLength, extra.size());
  TMemoryStream out;
  e.SaveCentralToStream(out, &source);
  const std::string& d = out.Data();
  EXPECT_EQ(GetLE16(Bytes(d, 30)), extra.size());
  EXPECT_EQ(d.substr(51, 9), extra.substr(0, 9));
  EXPECT_EQ(d.substr(60, 7), extra.substr(21, 7));
  EXPECT_EQ(d.substr(67, 4), std::string("\x01\x00\x08\x00", 4));
  EXPECT_EQ(d.size(), record.size());
  // Moved below 4 GiB, the ZIP64 block disappears and the foreign ones stay.
  e.SetRelativeOffset(100);
  TMemoryStream again;
  e.SaveCentralToStream(again, &source);
  EXPECT_EQ(again.Data().size(), record.size() - 12);
  EXPECT_FALSE(e.HasZip64());
}

TEST(TZipHeaderInfo, OemPolicies) {
  const std::string cyr = "Отчёт.txt"_w;
  const std::string noOem = "a‰b"_w;  // per mille has no OEM 866 form
  TZipHeaderInfo always = Named("", cyr);
  always.OEMConvert = oemAlways;
  TMemoryStream a;
  always.SaveLocalToStream(a);
  EXPECT_EQ(a.Data().substr(30), Cp1251ToCp866(cyr));

  TZipHeaderInfo flex = Named("", noOem);
  flex.OEMConvert = oemFlexible;
  TMemoryStream f;
  flex.SaveCentralToStream(f, nullptr);
  EXPECT_EQ(f.Data().substr(46), noOem);
  EXPECT_EQ(GetLE16(Bytes(f.Data(), 4)), 0x0B2D);
  TZipHeaderInfo back;
  back.OEMConvert = oemFlexible;
  TStream* s = &f;
  f.SetPosition(0);
  ASSERT_TRUE(back.ReadCentralFromStream(s, nullptr));
  EXPECT_EQ(back.Filename(), noOem);  // host byte 11: not converted

  TZipHeaderInfo flexCyr = Named("", cyr);
  flexCyr.OEMConvert = oemFlexible;
  TMemoryStream fc;
  flexCyr.SaveCentralToStream(fc, nullptr);
  EXPECT_EQ(fc.Data().substr(46), Cp1251ToCp866(cyr));
  EXPECT_EQ(GetLE16(Bytes(fc.Data(), 4)), 45);
  TZipHeaderInfo backCyr;
  backCyr.OEMConvert = oemFlexible;
  s = &fc;
  fc.SetPosition(0);
  ASSERT_TRUE(backCyr.ReadCentralFromStream(s, nullptr));
  EXPECT_EQ(backCyr.Filename(), cyr);
}

TEST(TZipHeaderInfo, DirectoryEntryAndDateFix) {
  std::string header;
  PutLE(header, 0x04034B50, 4);
  PutLE(header, 10, 2);
  PutLE(header, 0, 2);
  PutLE(header, 0, 2);
  PutLE(header, (static_cast<uint32_t>((125 << 9) | (0 << 5) | 3) << 16), 4);  // month 0, year 2130
  PutLE(header, 0, 12);
  PutLE(header, 9, 2);
  PutLE(header, 0, 2);
  header += "top/sub/";
  header += "x";  // one byte of data after the short name is not part of it
  TMemoryStream in(header.substr(0, 30) + "top/sub/x");
  TZipHeaderInfo e;
  ASSERT_TRUE(e.ReadLocalFromStream(in));
  EXPECT_EQ(e.Directory(), "top\\sub\\");
  EXPECT_EQ(e.Filename(), "x");
  uint32_t date = e.LastModFileDateTime >> 16;
  EXPECT_EQ(date >> 9, 2099u - 1980);
  EXPECT_EQ((date >> 5) & 15, 1u);
  TMemoryStream dir(header.substr(0, 26) + std::string("\x08\x00\x00\x00", 4) + "top/sub/");
  TZipHeaderInfo d;
  ASSERT_TRUE(d.ReadLocalFromStream(dir));
  EXPECT_EQ(d.Filename(), "");
  EXPECT_EQ(d.Directory(), "top\\sub\\");
}

TEST(TZipHeaderInfo, ShortOrWrongRecordsGiveFalseAtTheStart) {
  TZipHeaderInfo e = Named("", "name.txt");
  TMemoryStream good;
  e.SaveCentralToStream(good, nullptr);
  const std::string record = good.Data();
  for (size_t cut = 0; cut < record.size(); ++cut) {
    TMemoryStream s("xx" + record.substr(0, cut));
    s.SetPosition(2);
    TStream* p = &s;
    TZipHeaderInfo r;
    EXPECT_FALSE(r.ReadCentralFromStream(p, nullptr)) << cut;
    EXPECT_EQ(s.Position(), 2);
  }
  std::string wrong = record;
  wrong[0] = 'Q';
  TMemoryStream w(wrong);
  TStream* p = &w;
  TZipHeaderInfo r;
  EXPECT_FALSE(r.ReadCentralFromStream(p, nullptr));
  // A name length of 65535 with the name cut short.
  std::string huge = record.substr(0, 46);
  huge[28] = '\xFF';
  huge[29] = '\xFF';
  TMemoryStream h(huge + "abc");
  p = &h;
  EXPECT_FALSE(r.ReadCentralFromStream(p, nullptr));
  EXPECT_EQ(h.Position(), 0);
  TMemoryStream local(std::string("PK\x03\x04", 4) + std::string(10, '\0'));
  EXPECT_FALSE(r.ReadLocalFromStream(local));
  EXPECT_EQ(local.Position(), 0);
}

TEST(TZipHeaderInfo, PartSwitchContinuesTheSameRecord) {
  TZipHeaderInfo e = Named("", "split.txt");
  e.CRC32 = 0xCAFEBABE;
  TMemoryStream whole;
  e.SaveCentralToStream(whole, nullptr);
  TMemoryStream first(whole.Data().substr(0, 20));
  TMemoryStream second(whole.Data().substr(20));
  TStream* s = &first;
  int calls = 0;
  TZipHeaderInfo r;
  ASSERT_TRUE(r.ReadCentralFromStream(s, [&](TZipHeaderInfo&, TStream*& stream) {
    ++calls;
    stream = &second;
  }));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(s, &second);
  EXPECT_EQ(r.Filename(), "split.txt");
  EXPECT_EQ(r.CRC32, 0xCAFEBABEu);
}

TEST(TZipHeaderInfo, AssignCopiesValuesAndComment) {
  TZipHeaderInfo a = Named("d", "n");
  a.SetUncompressedSize(int64_t{7} << 32);
  a.SetFileComment("note");
  a.EntryFlagA = true;
  a.OEMConvert = oemAlways;
  TZipHeaderInfo b;
  b.Assign(a);
  EXPECT_EQ(b.GetUncompressedSize(), int64_t{7} << 32);
  EXPECT_EQ(b.FullPath(), "d\\n");
  EXPECT_EQ(b.FileComment(), "note");
  EXPECT_TRUE(b.EntryFlagA);
  EXPECT_EQ(b.OEMConvert, oemNever);
  a.Zip64Info().uncompressedSize = 1;
  EXPECT_EQ(b.GetUncompressedSize(), int64_t{7} << 32);  // a copy, not shared
  TObjectList other;
  EXPECT_THROW(b.Assign(other), EConvertError);
}

TEST(ZipSignatures, DefaultsAndOverrides) {
  SetZipSignatures(0x11111111, 0, 0x22222222);
  EXPECT_EQ(ZipSignatures().central, 0x11111111u);
  EXPECT_EQ(ZipSignatures().local, 0x04034B50u);
  EXPECT_EQ(ZipSignatures().endFirstByte, 0x22);
  SetZipSignatures(0, 0, 0);
  EXPECT_EQ(ZipSignatures().central, 0x02014B50u);
  EXPECT_EQ(ZipSignatures().localBytes[2], 3);
  EXPECT_EQ(ZipSignatures().endFirstByte, 0x50);
}

}  // namespace
}  // namespace tv::zip
