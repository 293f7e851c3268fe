#include "platform/script/VBScriptValue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/text/Cp1251.h"
#include "platform/text/FloatText.h"
#include "platform/text/FormatSettings.h"
#include "platform/SysUtils.h"

namespace tv::vbs {

namespace {

constexpr int64_t kIntMin = -32768, kIntMax = 32767;
constexpr int64_t kLongMin = INT32_MIN, kLongMax = INT32_MAX;

// Longest text a script may build (a runaway doubling would otherwise
// exhaust the memory before the time limit strikes).
constexpr std::size_t kMaxText = 16u << 20;

[[noreturn]] void Fail(const char* what) { throw EScriptError(what); }

VbValue JoinTexts(const std::string& a, const std::string& b) {
  if (a.size() + b.size() > kMaxText) Fail("Out of memory");
  return VbValue::String(a + b);
}

// Integer < Long < Double for the arithmetic operators.
int Rank(const VbValue& v) {
  switch (v.Type()) {
    case VbType::Empty:
    case VbType::Boolean:
    case VbType::Integer:
      return 0;
    case VbType::Long:
      return 1;
    default:
      return 2;
  }
}

// A whole result in the narrowest type of at least `rank`, widened on
// overflow.
VbValue WholeResult(int64_t v, int rank) {
  if (rank == 0 && v >= kIntMin && v <= kIntMax) return VbValue::Integer(v);
  if (rank <= 1 && v >= kLongMin && v <= kLongMax) return VbValue::Long(v);
  return VbValue::Double(static_cast<double>(v));
}

VbValue Arithmetic(VbOp op, const VbValue& a, const VbValue& b) {
  const int rank = std::max(Rank(a), Rank(b));
  if (rank < 2) {
    const int64_t x = a.ToWhole(kLongMin, kLongMax), y = b.ToWhole(kLongMin, kLongMax);
    const int64_t r = op == VbOp::Add ? x + y : op == VbOp::Sub ? x - y : x * y;
    return WholeResult(r, rank);
  }
  const double x = a.ToDouble(), y = b.ToDouble();
  return VbValue::Double(op == VbOp::Add ? x + y : op == VbOp::Sub ? x - y : x * y);
}

VbValue Divide(const VbValue& a, const VbValue& b) {
  const double x = a.ToDouble(), y = b.ToDouble();
  if (y == 0) Fail(x == 0 ? "Overflow" : "Division by zero");
  return VbValue::Double(x / y);
}

VbValue Power(const VbValue& a, const VbValue& b) {
  const double x = a.ToDouble(), y = b.ToDouble();
  if (x < 0 && y != std::floor(y)) Fail("Invalid procedure call or argument");
  if (x == 0 && y < 0) Fail("Division by zero");
  return VbValue::Double(std::pow(x, y));
}

VbValue WholeDivision(VbOp op, const VbValue& a, const VbValue& b) {
  const int64_t x = a.ToWhole(kLongMin, kLongMax), y = b.ToWhole(kLongMin, kLongMax);
  if (y == 0) Fail("Division by zero");
  const int64_t r = op == VbOp::IntDiv ? x / y : x % y;
  return WholeResult(r, Rank(a) == 0 && Rank(b) == 0 ? 0 : 1);
}

// -1, 0 or 1 by the comparison rules of the language.
int Compare(const VbValue& a, const VbValue& b) {
  const bool ta = a.Type() == VbType::String, tb = b.Type() == VbType::String;
  if (ta && tb) {
    const int c = a.ToString().compare(b.ToString());
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  if (ta || tb) {
    const VbValue& other = ta ? b : a;
    if (other.Type() == VbType::Empty) {
      const bool empty = (ta ? a : b).ToString().empty();
      return empty ? 0 : (ta ? 1 : -1);
    }
    return ta ? 1 : -1;  // a number is less than a text
  }
  const double x = a.ToDouble(), y = b.ToDouble();
  return x < y ? -1 : x > y ? 1 : 0;
}

VbValue Logical(VbOp op, const VbValue& a, const VbValue& b) {
  const bool both = a.Type() == VbType::Boolean && b.Type() == VbType::Boolean;
  const int64_t x = a.ToWhole(kLongMin, kLongMax), y = b.ToWhole(kLongMin, kLongMax);
  int64_t r = 0;
  switch (op) {
    case VbOp::And: r = x & y; break;
    case VbOp::Or: r = x | y; break;
    case VbOp::Xor: r = x ^ y; break;
    case VbOp::Eqv: r = ~(x ^ y); break;
    default: r = ~x | y; break;  // Imp
  }
  if (both) return VbValue::Boolean(r != 0);
  return WholeResult(r, std::max(Rank(a), Rank(b)) == 0 ? 0 : 1);
}

VbValue Unary(VbOp op, const VbValue& v) {
  if (op == VbOp::Not) {
    if (v.Type() == VbType::Boolean) return VbValue::Boolean(!v.ToBoolean());
    return WholeResult(~v.ToWhole(kLongMin, kLongMax), Rank(v) == 0 ? 0 : 1);
  }
  const int rank = Rank(v);
  if (rank == 2) return VbValue::Double(op == VbOp::Neg ? -v.ToDouble() : v.ToDouble());
  const int64_t x = v.ToWhole(kLongMin, kLongMax);
  if (op == VbOp::Plus && v.Type() == VbType::Empty) return VbValue();
  return WholeResult(op == VbOp::Neg ? -x : x, rank);
}

}  // namespace

VbValue VbValue::Boolean(bool b) {
  VbValue v;
  v.type_ = VbType::Boolean;
  v.whole_ = b ? -1 : 0;
  return v;
}

VbValue VbValue::Integer(int64_t x) {
  VbValue v;
  v.type_ = VbType::Integer;
  v.whole_ = x;
  return v;
}

VbValue VbValue::Long(int64_t x) {
  VbValue v;
  v.type_ = VbType::Long;
  v.whole_ = x;
  return v;
}

VbValue VbValue::Whole(int64_t x) { return WholeResult(x, 0); }

VbValue VbValue::Double(double x) {
  if (!std::isfinite(x)) Fail("Overflow");
  VbValue v;
  v.type_ = VbType::Double;
  v.double_ = x;
  return v;
}

VbValue VbValue::String(std::string s) {
  VbValue v;
  v.type_ = VbType::String;
  v.text_ = std::move(s);
  return v;
}

double VbValue::ToDouble() const {
  switch (type_) {
    case VbType::Empty:
      return 0;
    case VbType::Double:
      return double_;
    case VbType::String: {
      double d = 0;
      if (!TextToNumber(text_, d)) Fail("Type mismatch");
      return d;
    }
    default:
      return static_cast<double>(whole_);
  }
}

int64_t VbValue::ToWhole(int64_t lo, int64_t hi) const {
  if (type_ != VbType::Double && type_ != VbType::String) {
    if (whole_ < lo || whole_ > hi) Fail("Overflow");
    return whole_;
  }
  const double r = RoundHalfEven(ToDouble());
  if (!(r >= static_cast<double>(lo) && r <= static_cast<double>(hi))) Fail("Overflow");
  return static_cast<int64_t>(r);
}

bool VbValue::ToBoolean() const {
  if (type_ == VbType::String) {
    if (AnsiSameText(text_, "True")) return true;
    if (AnsiSameText(text_, "False")) return false;
  }
  return ToDouble() != 0;
}

std::string VbValue::ToString() const {
  switch (type_) {
    case VbType::Empty:
      return "";
    case VbType::Boolean:
      return whole_ != 0 ? "True" : "False";
    case VbType::Integer:
    case VbType::Long:
      return std::to_string(whole_);
    case VbType::Double: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.15G", double_);
      std::string s(buf);
      for (char& c : s)
        if (c == '.') c = DefaultFormatSettings().DecimalSeparator;
      return s;
    }
    default:
      return text_;
  }
}

Variant VbValue::ToVariant() const {
  switch (type_) {
    case VbType::Empty:
      return Variant();
    case VbType::Boolean:
      return Variant(whole_ != 0);
    case VbType::Integer:
      return Variant::FromSmallint(static_cast<int16_t>(whole_));
    case VbType::Long:
      return Variant(static_cast<int>(whole_));
    case VbType::Double:
      return Variant(double_);
    default:
      return Variant(text_);
  }
}

VbValue Apply(VbOp op, const VbValue& a, const VbValue& b) {
  switch (op) {
    case VbOp::Neg:
    case VbOp::Plus:
    case VbOp::Not:
      return Unary(op, b);
    case VbOp::Add:
      if (a.Type() == VbType::String && b.Type() == VbType::String)
        return JoinTexts(a.ToString(), b.ToString());
      return Arithmetic(op, a, b);
    case VbOp::Sub:
    case VbOp::Mul:
      return Arithmetic(op, a, b);
    case VbOp::Div:
      return Divide(a, b);
    case VbOp::Pow:
      return Power(a, b);
    case VbOp::IntDiv:
    case VbOp::Mod:
      return WholeDivision(op, a, b);
    case VbOp::Concat:
      return JoinTexts(a.ToString(), b.ToString());
    case VbOp::Eq: return VbValue::Boolean(Compare(a, b) == 0);
    case VbOp::Ne: return VbValue::Boolean(Compare(a, b) != 0);
    case VbOp::Lt: return VbValue::Boolean(Compare(a, b) < 0);
    case VbOp::Gt: return VbValue::Boolean(Compare(a, b) > 0);
    case VbOp::Le: return VbValue::Boolean(Compare(a, b) <= 0);
    case VbOp::Ge: return VbValue::Boolean(Compare(a, b) >= 0);
    default:
      return Logical(op, a, b);
  }
}

double RoundHalfEven(double x) {
  const double r = std::nearbyint(x);  // the default rounding mode: halves to even
  return r == 0 ? 0.0 : r;
}

bool TextToNumber(std::string_view text, double& out) {
  const std::string t = Trim(text);
  if (t.size() > 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h')) {
    int64_t v = 0;
    for (std::size_t i = 2; i < t.size(); ++i) {
      const char c = t[i];
      const int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                           : -1;
      if (d < 0 || i > 9) return false;
      v = v * 16 + d;
    }
    out = static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    return true;
  }
  return TryStrToFloat(t, out, DefaultFormatSettings()) && std::isfinite(out);
}

}  // namespace tv::vbs
