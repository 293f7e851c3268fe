#include "host/HostRequest.h"

#include <cstdlib>
#include <stdexcept>

#include "host/HostConfig.h"
#include "platform/text/Cp1251.h"

namespace tv::host {

namespace {

bool IsInteger(const std::string& s) {
  if (s.empty()) return false;
  size_t i = s[0] == '-' ? 1 : 0;
  if (i == s.size() || s.size() - i > 10) return false;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  const long long v = std::atoll(s.c_str());
  return v >= INT32_MIN && v <= INT32_MAX;
}

[[noreturn]] void Bad(const std::string& arg, const std::string& why) {
  throw std::invalid_argument("parameter \"" + arg + "\": " + why);
}

void SetElement(const TolvarenLibrary& lib, const std::string& arg, TVVariant* v) {
  const size_t colon = arg.find(':');
  const std::string kind = colon == std::string::npos ? "" : arg.substr(0, colon);
  const std::string value = colon == std::string::npos ? arg : arg.substr(colon + 1);
  TDateTime date = 0;
  if (arg == "empty") {
    lib.Clear(v);
  } else if (arg == "null") {
    lib.SetNull(v);
  } else if (kind == "i") {
    if (!IsInteger(value)) Bad(arg, "not a 32-bit integer");
    lib.SetInt(v, std::atoi(value.c_str()));
  } else if (kind == "f") {
    char* end = nullptr;
    const double d = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0') Bad(arg, "not a number (use a decimal point)");
    lib.SetDouble(v, d);
  } else if (kind == "b") {
    if (value != "0" && value != "1" && value != "true" && value != "false")
      Bad(arg, "not 0, 1, true or false");
    lib.SetBool(v, value == "1" || value == "true");
  } else if (kind == "d") {
    if (!ParseHostDate(value, date)) Bad(arg, "not a date YYYY-MM-DD[ HH:MM[:SS]]");
    lib.SetDate(v, date);
  } else if (kind == "s") {
    const std::string text = Utf8ToCp1251(value);
    lib.SetString(v, text.data(), text.size());
  } else if (IsInteger(arg)) {
    lib.SetInt(v, std::atoi(arg.c_str()));
  } else if (ParseHostDate(arg, date)) {
    lib.SetDate(v, date);
  } else {
    const std::string text = Utf8ToCp1251(arg);
    lib.SetString(v, text.data(), text.size());
  }
}

// Parses args[pos..] up to the matching "]" (or the end) into *out.
size_t BuildArray(const TolvarenLibrary& lib, const std::vector<std::string>& args, size_t pos,
                  bool nested, TVVariant* out) {
  std::vector<size_t> starts;
  size_t i = pos;
  int depth = 0;
  for (; i < args.size(); ++i) {
    if (depth == 0 && args[i] == "]") break;
    if (depth == 0) starts.push_back(i);
    if (args[i] == "[") ++depth;
    if (args[i] == "]") --depth;
  }
  if (nested && i == args.size()) throw std::invalid_argument("a \"[\" without its \"]\"");
  if (!nested && i < args.size()) throw std::invalid_argument("a \"]\" without its \"[\"");
  const int n = static_cast<int>(starts.size());
  if (lib.SetArray(out, 1, 0, n - 1, 0, 0) != 0) throw std::invalid_argument("array too large");
  for (int k = 0; k < n; ++k) {
    TVVariant* item = lib.Item(out, k);
    if (args[starts[k]] == "[") {
      BuildArray(lib, args, starts[k] + 1, true, item);
    } else {
      SetElement(lib, args[starts[k]], item);
    }
  }
  return i;
}

}  // namespace

char ParseReportCode(const std::string& text) {
  if (text.size() == 1) return text[0];
  if (text.size() >= 2 && text.size() <= 3 && IsInteger(text) && text[0] != '-') {
    const int ordinal = std::atoi(text.c_str());
    if (ordinal <= 255) return static_cast<char>(ordinal);
  }
  throw std::invalid_argument("report code \"" + text +
                              "\": one character, or an ordinal of two or three digits");
}

void BuildParams(const TolvarenLibrary& lib, const std::vector<std::string>& args, TVVariant* out) {
  try {
    BuildArray(lib, args, 0, false, out);
  } catch (...) {
    lib.Clear(out);
    throw;
  }
}

const char* RequestSyntax() {
  return "Parameters (the array's elements, index 0 first):\n"
         "  i:N            32-bit integer          f:X      floating number (decimal point)\n"
         "  d:YYYY-MM-DD[ HH:MM[:SS]]  date-time   b:0|1    Boolean\n"
         "  s:TEXT         text (UTF-8 here, Windows-1251 to the library)\n"
         "  empty, null    an unassigned or a null element\n"
         "  [ ... ]        a nested array (separate arguments)\n"
         "  an untyped word is an integer, else a date, else a text\n";
}

const char* ReportCodeList() {
  return "Report codes (two- or three-digit numbers are ordinals):\n"
         "  00   fuel receipts: [first operation, last operation] (-1: the open shift)\n"
         "  02   shift report of one shift: [shift]\n"
         "  03   shift report of the open shift: []\n"
         "  04   shift report of a range: [shift from, shift to]\n"
         "  09   bonuses and discounts: [from, pay types, null str, to, fuel totals, sub totals(, "
         "all pay types(, codes))]\n"
         "  10   dispenser sales history: [text, int(, begin, end(, flag))]\n"
         "  11   statements for a period: [begin, end(, pay-type selection(, codes))]\n"
         "  12   counterparty for a period: [begin, end, agent, sw1, sw2, sw3(, selection(, "
         "codes))]\n"
         "  13   car for a period: [begin, end, organisation, car(, selection(, codes))]\n"
         "  14   statements, closed shift: [begin, end, shift text, operator(, shift to(, "
         "selection(, orgs(, codes))))]\n"
         "  15   counterparty, closed shift: [begin, end, agent, shift text, operator] or 10/11 "
         "elements\n"
         "  16   statements, open shift: [(selection(, codes))]\n"
         "  17   counterparty, open shift: [agent] or [agent, selection, sw1, sw2, sw3(, -(, "
         "codes))]\n"
         "  18   unmade terminal returns, open shift: []\n"
         "  19   unmade terminal returns, closed shift: [shift, begin, end, operator(, shift to)]\n"
         "  21   return acts, closed shift: [begin, end, shift, operator(, a(, b))]\n"
         "  22   return acts, open shift: [a(, b)]\n"
         "  25   contracts, closed shift: [begin, end, shift text, operator(, selection(, "
         "codes))]\n"
         "  26   contracts, open shift: [-(, selection(, codes, -))]\n"
         "  31   fuel pump-outs: [first operation, last operation] (-1: the open shift)\n"
         "  \"    return checks: [p, [q, ...]]\n"
         "  -    shift report: [from, to, sections(, kkm(, -(, goods path, office(, selection(, "
         "-(, codes))))))]\n"
         "  .    coupons, closed shift: [begin, end(, selection(, codes))]\n"
         "  /    coupons, open shift: []\n"
         "  4    cards: [shift from, shift to, begin, end, selection(, mask, discount cards(, "
         "codes))]\n"
         "  5    driver for a period: [begin, end, organisation, driver(, selection(, codes))]\n"
         "  7    the HTML version of the last report (fetched by this program itself)\n"
         "  #    extended: [sub-code, ...]:\n"
         "         1 discount cards [1, kind, card masks, stations]    2 SQL data [2, sql, db]\n"
         "         3 SQL table [3, sql, i, link attr, link column]\n"
         "         4/5/6/16 waybill pages, invoice, shipment receipt [n, waybill id]\n"
         "         7 TORG-12 [7, waybill id, variant]   8 fuel receipt [8, sale, cashier, post, "
         "comment]\n"
         "         9 receipt template [9, pay code]     10 measuring can [10, shift from, shift to]\n"
         "         11 dispenser restarts [11, begin, end, shift from, shift to]\n"
         "         12 limit balances [12]   13 limit detail [13, s, begin, end]   14 ping [14]\n"
         "         15 fuel by keeper [15, keeper, begin, end]   18 price history [18, begin, end]\n"
         "         19 fuel transfers [19, first operation, last operation]\n"
         "         17 custom function [17, command, args]   1000 template variant [1000, v]\n";
}

}  // namespace tv::host
