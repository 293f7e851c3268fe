#include "zip/SortedZip.h"

#include <gtest/gtest.h>

#include <vector>

namespace tv::zip {
namespace {

TZipHeaderInfo* Entry(const std::string& dir, const std::string& name, int64_t packed = 0,
                      int64_t size = 0, uint32_t date = 0x52B36000, int64_t offset = 0,
                      uint32_t disk = 0) {
  auto* e = new TZipHeaderInfo;
  e->SetDirectory(dir);
  e->SetFilename(name);
  e->SetCompressedSize(packed);
  e->SetUncompressedSize(size);
  e->LastModFileDateTime = date;
  e->SetRelativeOffset(offset);
  e->SetDiskStart(disk);
  return e;
}

std::vector<std::string> Names(const TSortedZip& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Entry(i)->FullPath());
  return names;
}

TEST(TSortedZip, ByNameFoldsAsciiCaseAndRaisesOnDuplicates) {
  TSortedZip list(dupRaiseObj);
  list.SortMode = ByName;
  list.Add(Entry("b\\", "x"));
  list.Add(Entry("", "A.txt"));
  list.Add(Entry("a\\", "y"));
  EXPECT_EQ(Names(list), (std::vector<std::string>{"A.txt", "a\\y", "b\\x"}));
  std::unique_ptr<TZipHeaderInfo> dup(Entry("", "a.TXT"));
  EXPECT_THROW(list.Add(dup.get()), EListError);
}

TEST(TSortedZip, ByNoneIsDiskThenOffset) {
  TSortedZip list(dupRaiseObj);
  list.Add(Entry("", "c", 0, 0, 0, 10, 1));
  list.Add(Entry("", "b", 0, 0, 0, 500, 0));
  list.Add(Entry("", "a", 0, 0, 0, 20, 0));
  list.Add(Entry("", "z", 0, 0, 0, 0x100000000LL, 0));
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "z", "c"}));
  EXPECT_TRUE(list.HasZip64());
  std::unique_ptr<TZipHeaderInfo> same(Entry("", "other", 0, 0, 0, 500, 0));
  EXPECT_THROW(list.Add(same.get()), EListError);
  list.Add(Entry("", "d", 0, 0, 0, 30, 2));
  EXPECT_TRUE(list.HasZip64());
}

TEST(TSortedZip, DatesAndSizesNeverCompareEqual) {
  TSortedZip byDate(dupRaiseObj);
  byDate.SortMode = ByDate;
  byDate.Add(Entry("", "old", 0, 0, 0x42B36000));
  byDate.Add(Entry("", "new", 0, 0, 0x52B36000));
  byDate.Add(Entry("", "same1", 0, 0, 0x4AB36000));
  byDate.Add(Entry("", "same2", 0, 0, 0x4AB36000));
  EXPECT_EQ(Names(byDate), (std::vector<std::string>{"new", "same1", "same2", "old"}));

  TSortedZip bySize(dupRaiseObj);
  bySize.SortMode = ByCompressedSize;
  bySize.Add(Entry("", "five", int64_t{5} << 30));  // low 32 bits: 1 GiB
  bySize.Add(Entry("", "one", int64_t{1} << 30));
  bySize.Add(Entry("", "small", 10));
  EXPECT_EQ(Names(bySize), (std::vector<std::string>{"five", "one", "small"}));

  TSortedZip byUnpacked(dupRaiseObj);
  byUnpacked.SortMode = ByUnCompressedSize;
  byUnpacked.Add(Entry("", "s", 0, 1));
  byUnpacked.Add(Entry("", "l", 0, 100));
  EXPECT_EQ(Names(byUnpacked), (std::vector<std::string>{"l", "s"}));
}

TEST(TSortedZip, RateAndNameParts) {
  TSortedZip byRate(dupAcceptObj);
  byRate.SortMode = ByRate;
  byRate.Add(Entry("", "empty", 0, 0));
  byRate.Add(Entry("", "half", 50, 100));
  byRate.Add(Entry("", "stored", 100, 100));
  byRate.Add(Entry("", "tenth", 10, 100));
  EXPECT_EQ(Names(byRate), (std::vector<std::string>{"stored", "half", "tenth", "empty"}));

  TSortedZip byFile(dupAcceptObj);
  byFile.SortMode = ByFileName;
  byFile.Add(Entry("z\\", "a"));
  byFile.Add(Entry("a\\", "b"));
  EXPECT_EQ(Names(byFile), (std::vector<std::string>{"z\\a", "a\\b"}));
  TSortedZip byDir(dupAcceptObj);
  byDir.SortMode = ByDirectoryName;
  byDir.Add(Entry("z\\", "a"));
  byDir.Add(Entry("a\\", "b"));
  EXPECT_EQ(Names(byDir), (std::vector<std::string>{"a\\b", "z\\a"}));
  TObjectList notAnEntry;
  EXPECT_THROW(byDir.Add(&notAnEntry), EInvalidCast);
}

}  // namespace
}  // namespace tv::zip
