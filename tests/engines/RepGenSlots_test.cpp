#include "engines/RepGenSlots.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/text/Cp1251.h"

namespace tv {
namespace {

// Fills `line` from a fixed table of values; names not in it are empty.
std::string Fill(std::string_view line, const std::map<std::string, std::string>& values) {
  std::string out;
  SubstituteSlots(
      line,
      [&](std::string_view name) {
        auto it = values.find(std::string(name));
        return it == values.end() ? std::string() : it->second;
      },
      out);
  return out;
}

TEST(RepGenSlotsTest, ValueIsPaddedToTheSlotOrTakesTheCharactersAfterIt) {
  EXPECT_EQ(Fill("|~Liter~|", {{"Liter", "12.5"}}), "|12.5   |");
  // Ten characters in a seven-character slot eat three template characters.
  EXPECT_EQ(Fill("[~Liter~abcdefg]", {{"Liter", "1234567890"}}), "[1234567890defg]");
  EXPECT_EQ(Fill("~Liter~", {{"Liter", ""}}), "       ");
  EXPECT_EQ(Fill("a ~Unset~ b", {}), "a         b");
}

TEST(RepGenSlotsTest, NarrowAndAtSlots) {
  EXPECT_EQ(Fill("|~N~|", {{"N", "5"}}), "|5 |");
  EXPECT_EQ(Fill("|~R~|", {{"R", "7"}}), "|7|");
  EXPECT_EQ(Fill("|~N~|", {{"N", "123"}}), "|123|");  // grows, takes only its slot
  EXPECT_EQ(Fill("|~N~|", {}), "|  |");
  EXPECT_EQ(Fill("|~n~|", {{"n", "5"}}), "|5  |");  // lower case: an ordinary slot
  EXPECT_EQ(Fill("|~r~|", {{"r", "7"}}), "|7  |");
  EXPECT_EQ(Fill("Sum: ~Summa~@ rub.", {{"Summa", "100"}}), "Sum: 100 rub.");
  EXPECT_EQ(Fill("Sum: ~Summa~@ rub.", {}), "Sum:  rub.");
  EXPECT_EQ(Fill("~A~@~B~@!", {{"A", "x"}, {"B", "yyyyyyyyyy"}}), "xyyyyyyyyyy!");
}

TEST(RepGenSlotsTest, LongValueStopsBeforeTheNextSlotAndTheBorder) {
  // The next slot keeps its tilde: its value still appears.
  EXPECT_EQ(Fill("~A~ ~B~|", {{"A", "123456"}, {"B", "b"}}), "123456b  |");
  // Slots with no gap between them.
  EXPECT_EQ(Fill("~A~~B~|", {{"A", "1"}, {"B", "2"}}), "1  2  |");
  EXPECT_EQ(Fill("~A~~B~|", {{"A", "12345"}, {"B", "2"}}), "123452  |");
  // The line's last character (a table border) is kept...
  EXPECT_EQ(Fill("|~A~   |", {{"A", "123456789"}}), "|123456789|");
  // ...unless it follows the slot directly.
  EXPECT_EQ(Fill("|~A~|", {{"A", "123456789"}}), "|123456789");
  // Slot at the very end of the line.
  EXPECT_EQ(Fill("Total ~A~", {{"A", "1234567"}}), "Total 1234567");
  EXPECT_EQ(Fill("Total ~A~", {{"A", "1"}}), "Total 1  ");
}

TEST(RepGenSlotsTest, TextThatIsNotASlotStays) {
  EXPECT_EQ(Fill("no slots", {}), "no slots");
  EXPECT_EQ(Fill("", {}), "");
  EXPECT_EQ(Fill("a ~ b", {}), "a ~ b");
  EXPECT_EQ(Fill("~A~ and ~", {{"A", "1"}}), "1   and ~");
  // Values are not searched again.
  EXPECT_EQ(Fill("~A~ ~B~", {{"A", "~B~"}, {"B", "b"}}), "~B~ b  ");
  // An empty name is a two-character slot.
  EXPECT_EQ(Fill("[~~]", {}), "[  ]");
}

TEST(RepGenSlotsTest, WidthsAreBytesOfWindows1251) {
  EXPECT_EQ(Fill("|~Name~|"_w, {{"Name", "Дизель"_w}}), "|Дизель|"_w);
  EXPECT_EQ(Fill("|~Name~|"_w, {{"Name", "АИ"_w}}), "|АИ    |"_w);
  EXPECT_EQ(Fill("Итог: ~S~ руб."_w, {{"S", "5"}}), "Итог: 5   руб."_w);
}

TEST(RepGenSlotsTest, LinesLongerThan255BytesAreFilledWhole) {
  const std::string pad(300, '.');
  EXPECT_EQ(Fill(pad + "~A~" + pad + "~B~  |", {{"A", "1"}, {"B", "22222"}}),
            pad + "1  " + pad + "22222|");
  const std::string name(40, 'X');  // longer than any variable name
  EXPECT_EQ(Fill("<~" + name + "~>", {}), "<" + std::string(42, ' ') + ">");
}

}  // namespace
}  // namespace tv
