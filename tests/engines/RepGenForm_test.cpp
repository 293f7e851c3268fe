#include "engines/RepGenForm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"

namespace tv {
namespace {

using Lines = std::vector<std::string>;

TRepGenSections Read(const Lines& lines, int columns = 1) {
  TRepGenFormReader reader("C:\\FUEL\\FORMS\\REPORT\\test.frm", columns);
  for (const std::string& line : lines) reader.AddLine(line);
  return reader.TakeSections();
}

TEST(RepGenFormTest, KeywordsCutTheSevenSectionsInAnyCase) {
  TRepGenSections s =
      Read({"head", "@Page", "ph", "@group   ; padded", "gh", "@REPEAT", "rb1", "rb2",
            "@EndRepeat   ; note", "gf", "@endgroup", "pf", "", "@EndPage", "tail"});
  EXPECT_EQ(s.Head, Lines{"head"});
  EXPECT_EQ(s.PageHeader, Lines{"ph"});
  EXPECT_EQ(s.GroupHeader, Lines{"gh"});
  EXPECT_EQ(s.RepeatBody, (Lines{"rb1", "rb2"}));
  EXPECT_EQ(s.GroupFooter, Lines{"gf"});
  EXPECT_EQ(s.PageFooter, (Lines{"pf", ""}));  // empty lines are body lines
  EXPECT_EQ(s.Tail, Lines{"tail"});
}

TEST(RepGenFormTest, FormWithoutPageIsAllHead) {
  TRepGenSections s = Read({"a", "", "b"});
  EXPECT_EQ(s.Head, (Lines{"a", "", "b"}));
  EXPECT_TRUE(s.PageHeader.empty());
}

TEST(RepGenFormTest, RemLinesAreDroppedAnywhere) {
  TRepGenSections s = Read({"@REM top", "@Page", "@rem;x", "ph", "@Group", "@Repeat", "@EndRepeat",
                            "@EndGroup", "@EndPage", "@Rem", "t"});
  EXPECT_EQ(s.PageHeader, Lines{"ph"});
  EXPECT_EQ(s.Tail, Lines{"t"});
}

TEST(RepGenFormTest, KeywordOutOfPlaceEndsTheFormSilently) {
  TRepGenSections s = Read({"@Page", "ph", "@Group", "gh", "@Group", "lost", "@Repeat", "x"});
  EXPECT_EQ(s.GroupHeader, Lines{"gh"});
  EXPECT_TRUE(s.RepeatBody.empty());
  s = Read({"h", "@Group", "@Page", "lost"});
  EXPECT_EQ(s.Head, Lines{"h"});
  EXPECT_TRUE(s.PageHeader.empty());
  // A form without a group: "@EndPage" straight after the page header is out
  // of place, so the form ends there and its lines stay the page header;
  // after the cut even an unknown keyword is not looked at.
  s = Read({"@Page", "ph", "@EndPage", "t", "@Nonsense"});
  EXPECT_EQ(s.PageHeader, Lines{"ph"});
  EXPECT_TRUE(s.Tail.empty());
}

TEST(RepGenFormTest, UnknownKeywordRaisesWithFormAndKeyword) {
  auto message = [](const Lines& lines) {
    try {
      Read(lines);
    } catch (const Exception& e) {
      EXPECT_STREQ(e.ClassName(), "Exception");
      return e.Message();
    }
    return std::string("no error");
  };
  const std::string form = "C:\\FUEL\\FORMS\\REPORT\\test.frm";
  EXPECT_EQ(message({"@Page", "@Grup"}),
            "Ошибка формы \""_w + form + "\" - ключевое слово \"GRUP\" не найдено"_w);
  EXPECT_EQ(message({"@"}), "Ошибка формы \""_w + form + "\" - ключевое слово \"\" не найдено"_w);
  // The first character after "@" always belongs to the keyword.
  EXPECT_EQ(message({"@ Page"}),
            "Ошибка формы \""_w + form + "\" - ключевое слово \" PAGE\" не найдено"_w);
  EXPECT_EQ(message({"@;"}), "Ошибка формы \""_w + form + "\" - ключевое слово \";\" не найдено"_w);
  // Keywords are cut to 20 characters.
  EXPECT_EQ(
      message({"@RepeatColBegAndMoreText"}),
      "Ошибка формы \""_w + form + "\" - ключевое слово \"REPEATCOLBEGANDMORET\" не найдено"_w);
  EXPECT_EQ(message({"@страница"_w}),
            "Ошибка формы \""_w + form + "\" - ключевое слово \"СТРАНИЦА\" не найдено"_w);
}

TEST(RepGenFormTest, TabsBecomeEightBlanksInBodyLines) {
  TRepGenSections s = Read({"\tA", "ab\tc\t", "@Page\tx"});
  EXPECT_EQ(s.Head, (Lines{"        A", "ab        c        "}));
}

TEST(RepGenFormTest, ColumnRepeatCopiesTheRightPartAndNumbersTheSlots) {
  TRepGenSections s =
      Read({"@REPEATCOLBEG 32", "|~Organization~               |~Liter~ |~Summa~   |"}, 3);
  EXPECT_EQ(s.Head, Lines{"|~Organization~               |~Liter1~|~Summa1~  |~Liter2~|~Summa2~  "
                          "|~Liter3~|~Summa3~  |"});
}

TEST(RepGenFormTest, ColumnRepeatEdges) {
  const Lines form = {"@REPEATCOLBEG 4", "ab|~X~ |", "abc",           "",       "\t~Y~ ",
                      "@REPEATCOLBEG",   "12|~Z~ ",  "@REPEATCOLEND", "12|~Z~ "};
  TRepGenSections s = Read(form, 2);
  // The TAB counts as one character for the column start and is expanded
  // afterwards.
  EXPECT_EQ(s.Head,
            (Lines{"ab|~X1~|~X2~|", "abc", "", "        ~Y1~2~", "12|~Z1~~Z2~", "12|~Z~ "}));
  // No copies at all.
  EXPECT_EQ(Read(form, 0).Head.front(), "ab|");
  // From the tenth copy on the name grows by a character.
  EXPECT_EQ(Read({"@REPEATCOLBEG 1", "~A~ "}, 11).Head.front(),
            "~A1~~A2~~A3~~A4~~A5~~A6~~A7~~A8~~A9~~A10~~A11~");
}

TEST(RepGenFormTest, ColumnNumberStartsAtTheFifteenthCharacter) {
  const Lines body = {"ab~X~ "};
  auto with = [&](const std::string& keywordLine) {
    Lines form = {keywordLine};
    form.insert(form.end(), body.begin(), body.end());
    return Read(form, 2).Head.front();
  };
  EXPECT_EQ(with("@REPEATCOLBEG 3"), "ab~X1~~X2~");
  EXPECT_EQ(with("@RepeatColBeg 3   ; note"), "ab~X1~~X2~");
  // The number is read from the 15th character to the next blank; that
  // first character is always taken, and the number may start with a blank.
  EXPECT_EQ(with("@REPEATCOLBEG  3"), "ab~X1~~X2~");
  EXPECT_EQ(with("@REPEATCOLBEG   3"), "ab~X~ ");
  EXPECT_EQ(with("@REPEATCOLBEG x3"), "ab~X~ ");
  EXPECT_EQ(with("@REPEATCOLBEG 3x"), "ab~X~ ");
  EXPECT_EQ(with("@REPEATCOLBEG"), "ab~X~ ");
  EXPECT_EQ(with("@REPEATCOLBEG;3"), "ab~X1~~X2~");
  // A start below 1 repeats the whole line.
  EXPECT_EQ(with("@REPEATCOLBEG 0"), "ab~X1~ab~X2~");
}

// Counts past 255 (a result of that many data rows) are laid out whole, in
// order; a negative count lays out nothing.
TEST(RepGenFormTest, ColumnCountsBeyondEightBits) {
  for (int n : {14, 15, 255, 256, 300}) {
    const std::string line = Read({"@REPEATCOLBEG 2", "|~V~ |"}, n).Head.front();
    std::string expected = "|";
    for (int k = 1; k <= n; ++k) expected += "~V" + std::to_string(k) + "~|";
    EXPECT_EQ(line, expected) << n;
  }
  EXPECT_EQ(Read({"@REPEATCOLBEG 2", "|~V~ |"}, -1).Head.front(), "|");
}

TEST(RepGenFormTest, ColumnRepeatKeepsLinesLongerThan255Characters) {
  const std::string right = "|~V~ " + std::string(300, '-');
  TRepGenSections s = Read({"@REPEATCOLBEG 3", "ab" + right}, 2);
  const std::string copy = "|~V1~" + std::string(300, '-');
  EXPECT_EQ(s.Head.front(), "ab" + copy + "|~V2~" + std::string(300, '-'));
}

}  // namespace
}  // namespace tv
