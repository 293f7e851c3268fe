#include "platform/text/StringList.h"

#include <gtest/gtest.h>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "tests/support/TempRoot.h"

namespace tv {
namespace {

TStringList Of(std::initializer_list<const char*> items) {
  TStringList l;
  for (const char* s : items) l.Add(s);
  return l;
}

TEST(StringList, SortIgnoresCaseAndKeepsTheRuntimeTieOrder) {
  // Worked by hand through the middle-pivot partition: the two pairs of
  // equal keys come out as a A and B b (a stable sort would give A a b B).
  TStringList l = Of({"b", "A", "a", "B"});
  l.Sort();
  EXPECT_EQ(l.Text(), "a\r\nA\r\nB\r\nb\r\n");
  TStringList fuels;
  for (const std::string* s : {&"ДТ"_w, &"аи-95"_w, &"АИ-92"_w, &"Бензин"_w}) fuels.Add(*s);
  fuels.Sort();
  EXPECT_EQ(fuels.Text(), "АИ-92\r\nаи-95\r\nБензин\r\nДТ\r\n"_w);
}

TEST(StringList, SortedListsFindAndHandleDuplicates) {
  TStringList l;
  l.SetSorted(true);
  EXPECT_EQ(l.Add("10"), 0);
  EXPECT_EQ(l.Add("2"), 1);  // text order: "10" before "2"
  EXPECT_EQ(l.Add("1"), 0);
  EXPECT_EQ(l.Add("X"), 3);
  EXPECT_EQ(l.Add("x"), 3);  // ignored duplicate: the existing index
  EXPECT_EQ(l.Count(), 4);
  int index = -1;
  EXPECT_TRUE(l.Find("2", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(l.Find("11", index));
  EXPECT_EQ(index, 2);  // where it would go
  EXPECT_EQ(l.IndexOf("X"), 3);
  l.SetDuplicates(TStringList::dupError);
  EXPECT_THROW(l.Add("x"), EStringListError);
  l.SetDuplicates(TStringList::dupAccept);
  l.Add("x");
  EXPECT_EQ(l.Count(), 5);
  EXPECT_THROW(l.Insert(0, "a"), EStringListError);
  EXPECT_THROW(l.SetString(0, "a"), EStringListError);
}

TEST(StringList, CaseSensitivityAndIndexErrors) {
  TStringList l = Of({"Alpha", "beta"});
  EXPECT_EQ(l.IndexOf("ALPHA"), 0);
  l.SetCaseSensitive(true);
  EXPECT_EQ(l.IndexOf("ALPHA"), -1);
  EXPECT_EQ(l.IndexOf("beta"), 1);
  try {
    l.Delete(2);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (2)");
  }
  EXPECT_THROW(l.Strings(-1), EStringListError);
}

TEST(StringList, NameValueLines) {
  TStringList l = Of({"Key=v=1", "bare", "Other=", "key=second"});
  EXPECT_EQ(l.Names(0), "Key");
  EXPECT_EQ(l.ValueFromIndex(0), "v=1");
  EXPECT_EQ(l.Names(1), "");
  EXPECT_EQ(l.Values("KEY"), "v=1");  // first match, case ignored
  EXPECT_EQ(l.IndexOfName("other"), 2);
  EXPECT_EQ(l.Values("bare"), "");
  l.SetValue("other", "5");
  EXPECT_EQ(l[2], "other=5");
  l.SetValue("New", "n");
  EXPECT_EQ(l[4], "New=n");
  l.SetValue("key", "");  // an empty value removes the line
  EXPECT_EQ(l.Text(), "bare\r\nother=5\r\nkey=second\r\nNew=n\r\n");
}

TEST(StringList, TextSplitsAtEveryLineBreak) {
  TStringList l;
  l.SetText("a\r\nb\nc\rd\r\n\r\ne");
  EXPECT_EQ(l.Count(), 6);
  EXPECT_EQ(l[3], "d");
  EXPECT_EQ(l[4], "");
  EXPECT_EQ(l.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
  l.SetText("one\r\n");
  EXPECT_EQ(l.Count(), 1);
  l.SetText(std::string("x\r\ny\0z\r\n", 8));  // stops at the NUL byte
  EXPECT_EQ(l.Text(), "x\r\ny\r\n");
  l.SetText("");
  EXPECT_EQ(l.Count(), 0);
}

TEST(StringList, CommaTextQuotesWhatNeedsIt) {
  TStringList l = Of({"a", "b c", "", "d\"e", "f,g"});
  EXPECT_EQ(l.CommaText(), "a,\"b c\",\"\",\"d\"\"e\",\"f,g\"");
  TStringList back;
  back.SetCommaText(l.CommaText());
  EXPECT_EQ(back.Text(), l.Text());
  back.SetCommaText(" x  y,z ");
  EXPECT_EQ(back.Text(), "x\r\ny\r\nz\r\n");
}

TEST(StringList, ObjectsMoveWithTheirLines) {
  int one = 1;
  int two = 2;
  TStringList l;
  l.AddObject("b", &two);
  l.AddObject("a", &one);
  l.Sort();
  EXPECT_EQ(l.Objects(0), &one);
  EXPECT_EQ(l.IndexOfObject(&two), 1);
  l.Exchange(0, 1);
  EXPECT_EQ(l[0], "b");
  l.Move(0, 1);
  EXPECT_EQ(l[1], "b");
  TStringList copy;
  copy.Assign(l);
  copy.AddStrings(l);
  EXPECT_EQ(copy.Count(), 4);
  EXPECT_EQ(copy.Objects(3), &two);
  l.CustomSort([](const TStringList& s, int a, int b) { return AnsiCompareStr(s[b], s[a]); });
  EXPECT_EQ(l[0], "b");
}

TEST(StringList, LoadsAndSavesFiles) {
  test::TempRoot root;
  root.WriteFile("c/FUEL/Departments.txt", "one\ntwo\r\nтри"_w);
  TStringList l;
  l.LoadFromFile("C:\\FUEL\\departments.TXT");
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l[2], "три"_w);
  l.SaveToFile("C:\\FUEL\\out.txt");
  EXPECT_EQ(root.ReadFile("c/FUEL/out.txt"), "one\r\ntwo\r\nтри\r\n"_w);
  EXPECT_THROW(l.LoadFromFile("C:\\FUEL\\none.txt"), EFOpenError);
}

}  // namespace
}  // namespace tv
