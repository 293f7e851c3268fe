// The running sums' rounding against the platform's own text round trip
// (FloatToStr, then TryStrToFloat) on report-like sums, ties and random
// values over the magnitudes where the shortcut works and beyond; a text
// kept in chunks against the same text joined.
#include "engines/HTMLJetText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "platform/SysUtils.h"

namespace tv::test {
namespace {

long double ViaText(long double x) {
  long double value = 0;
  return TryStrToFloat(FloatToStr(x), value) ? value : 0;
}

// The placeholder search against the library's find: texts and needles
// over a few characters, so that near misses abound, at every start.
TEST(HTMLJetText, FindPatternAgreesWithFind) {
  std::mt19937_64 random(43);
  const std::string letters = "&lt;#gA";
  auto text = [&](std::size_t n) {
    std::string t;
    for (std::size_t i = 0; i < n; ++i) t += letters[random() % letters.size()];
    return t;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string hay = text(random() % 40);
    // Every other needle is cut from the text, so that long ones match too.
    const std::string needle =
        i % 2 == 0 ? text(random() % 14) : hay.substr(random() % (hay.size() + 1), random() % 14);
    const std::size_t from = random() % 45;
    ASSERT_EQ(htmltext::FindPattern(hay, needle, from), std::string_view(hay).find(needle, from))
        << hay << " / " << needle << " / " << from;
  }
}

TEST(HTMLJetText, RunningSumsRoundAsTheirText) {
  std::mt19937_64 random(20261207);
  std::uniform_int_distribution<int> cents(-100000, 10000000), exponent(-30, 60);
  std::uniform_real_distribution<double> unit(0.5, 1.0);
  int checked = 0;
  auto check = [&](long double x) {
    ++checked;
    const long double fast = htmltext::ThroughGeneralText(x), slow = ViaText(x);
    ASSERT_TRUE(fast == slow && std::signbit(fast) == std::signbit(slow))
        << static_cast<double>(x) << " " << FloatToStr(x);
  };
  // Sums of amounts with cents and of litres with three decimals, kept as
  // the engine keeps them.
  for (int run = 0; run < 200; ++run) {
    long double sum = 0, litres = 0;
    for (int i = 0; i < 500; ++i) {
      const long double s = sum + cents(random) / 100.0, l = litres + cents(random) * 0.745 / 1000;
      check(s);
      check(l);
      sum = ViaText(s);
      litres = ViaText(l);
    }
  }
  // Decimal ties at the 16th digit and at the 19th, and 15 nines.
  for (long double x : {1234567890123.45L, 0.1234567890123455L, 999999999999999.5L, 0.125L,
                        99999999999999.95L, 12345678901234.565L, 1e15L, 1e16L, 1e-6L, 9.999999e-7L})
    for (long double sign : {1.0L, -1.0L}) check(sign * x);
  // Random values over a wide range of magnitudes, and the special ones.
  for (int i = 0; i < 200000; ++i) check(std::ldexp(static_cast<long double>(unit(random)), exponent(random)));
  check(0);
  check(-0.0L);
  check(std::numeric_limits<long double>::infinity());
  check(-std::numeric_limits<long double>::infinity());
  EXPECT_GT(checked, 400000);
}

// The plainness that lets the record row be searched by its names alone,
// and the names a text holds, on texts whose answers are worked out by hand.
TEST(HTMLJetText, PlainTextsAndPlaceholderCounts) {
  const struct {
    const char* text;
    bool asTemplate, asValue;
  } plain[] = {
      {"", true, true},
      {"<td>x</td>", true, true},
      {"a&nbsp;b&amp;c&#160;", true, true},
      {"<td>&lt;#a&gt;</td><td>&lt;#b&gt;</td>", true, false},
      {"(1)", false, false},
      {"&lt;#a(%.2f)&gt;", false, false},
      {"a & b", false, false},           // a bare "&"
      {"&nbsp", false, false},           // an entity without its ";"
      {"&;", false, false},              // an entity without a name
      {"&lt;b", false, false},           // "&lt;" that opens no placeholder
      {"&lt;#&gt;", false, false},       // a placeholder without a name
      {"&lt;#a&nbsp;&gt;", false, false},  // a name that holds "&"
      {"&lt;#a", false, false},          // a placeholder without its end
      {"x&gt;", true, true},
  };
  for (const auto& c : plain) {
    EXPECT_EQ(htmltext::IsPlainText(c.text, true), c.asTemplate) << c.text;
    EXPECT_EQ(htmltext::IsPlainText(c.text, false), c.asValue) << c.text;
  }
  const std::string text = "&lt;#a&gt;|&lt;#b(%.1f)&gt;|&lt;#a&gt;|&lt;#c&nbsp;|&lt;#b&gt;|&lt;#d";
  const struct {
    const char* name;
    int count;
  } counts[] = {{"a", 2}, {"b", 2}, {"c", 0}, {"d", 0}, {"e", 0}, {"", 0}};
  htmltext::PlaceholderNames names;
  for (const auto& c : counts) EXPECT_EQ(names.Count(text, c.name), c.count) << c.name;
}

}  // namespace
}  // namespace tv::test

namespace tv::test {
namespace {

// A text kept in chunks reads as the same text joined: every search and
// every slice agrees with std::string on the joined text, at and across
// the chunks' edges.
TEST(HTMLJetText, ChunkedTextReadsAsTheJoinedText) {
  htmltext::ChunkedText chunks;
  std::string joined;
  for (int i = 0; joined.size() < 600000; ++i) {
    // Records of growing length, so that chunks end at many places; one
    // very long record takes a chunk of its own.
    const std::string record = (i == 40 ? std::string(70000, 'x') : std::string(i % 97, 'a')) +
                               "<tr>" + std::to_string(i) + "</tr>\r\n";
    chunks.Append(record);
    chunks.Appended(record.size());
    joined += record;
  }
  ASSERT_GT(chunks.Chunks().size(), 3u);
  EXPECT_EQ(chunks.Size(), static_cast<std::int64_t>(joined.size()));
  std::string scratch;
  std::size_t edge = 0;
  for (const std::string& chunk : chunks.Chunks()) {
    edge += chunk.size();
    for (const std::size_t from : {edge - 3, edge - 1, edge, edge + 1}) {
      for (const char* what : {"<tr", "/tr", "\n<", "\r\na", "zz"})
        EXPECT_EQ(chunks.Find(what, from), joined.find(what, from)) << what << " " << from;
      EXPECT_EQ(chunks.View(from - 2, 6, scratch), joined.substr(from - 2, 6)) << from;
    }
  }
  std::string taken;
  for (const std::string& chunk : chunks.Take()) taken += chunk;
  EXPECT_EQ(taken, joined);
  EXPECT_EQ(chunks.Size(), 0);
}

}  // namespace
}  // namespace tv::test
