#include "platform/script/VBScriptFunctions.h"

#include <cmath>
#include <cstdint>
#include <string_view>

namespace tv::vbs {

namespace {

constexpr int64_t kIntMin = -32768, kIntMax = 32767;
constexpr int64_t kLongMin = INT32_MIN, kLongMax = INT32_MAX;

void ArgCount(const std::vector<VbValue>& args, std::size_t lo, std::size_t hi) {
  if (args.size() < lo || args.size() > hi)
    throw EScriptError("Wrong number of arguments or invalid property assignment");
}

// Whole-number types stay as they are (Boolean and Empty become Integer);
// texts and Doubles go through `f` as Doubles.
template <typename F>
VbValue KeepWhole(const VbValue& v, F f) {
  switch (v.Type()) {
    case VbType::Empty:
      return VbValue::Integer(0);
    case VbType::Boolean:
    case VbType::Integer:
      return VbValue::Integer(v.WholeValue());
    case VbType::Long:
      return VbValue::Long(v.WholeValue());
    default:
      return VbValue::Double(f(v.ToDouble()));
  }
}

VbValue Abs(const std::vector<VbValue>& a) {
  ArgCount(a, 1, 1);
  const VbValue& v = a[0];
  if (v.Type() == VbType::Double || v.Type() == VbType::String)
    return VbValue::Double(std::fabs(v.ToDouble()));
  const int64_t x = v.Type() == VbType::Empty ? 0 : v.WholeValue();
  const int64_t r = x < 0 ? -x : x;
  if (v.Type() == VbType::Long || r > kIntMax)
    return r > kLongMax ? VbValue::Double(static_cast<double>(r)) : VbValue::Long(r);
  return VbValue::Integer(r);
}

VbValue Int(const std::vector<VbValue>& a) {
  ArgCount(a, 1, 1);
  return KeepWhole(a[0], [](double d) { return std::floor(d); });
}

VbValue Fix(const std::vector<VbValue>& a) {
  ArgCount(a, 1, 1);
  return KeepWhole(a[0], [](double d) { return std::trunc(d); });
}

VbValue Round(const std::vector<VbValue>& a) {
  ArgCount(a, 1, 2);
  const int64_t places = a.size() == 2 ? a[1].ToWhole(kLongMin, kLongMax) : 0;
  if (places < 0) throw EScriptError("Invalid procedure call or argument");
  return KeepWhole(a[0], [places](double d) {
    if (places == 0) return RoundHalfEven(d);
    if (places > 22) return d;
    const long double scale = std::pow(10.0L, static_cast<long double>(places));
    const long double scaled = static_cast<long double>(d) * scale;
    if (!std::isfinite(scaled)) return d;
    return static_cast<double>(std::nearbyint(scaled) / scale);
  });
}

VbValue CDbl(const std::vector<VbValue>& a) {
  ArgCount(a, 1, 1);
  return VbValue::Double(a[0].ToDouble());
}

VbValue CInt(const std::vector<VbValue>& a) {
  ArgCount(a, 1, 1);
  return VbValue::Integer(a[0].ToWhole(kIntMin, kIntMax));
}

VbValue CLng(const std::vector<VbValue>& a) {
  ArgCount(a, 1, 1);
  return VbValue::Long(a[0].ToWhole(kLongMin, kLongMax));
}

VbValue Sgn(const std::vector<VbValue>& a) {
  ArgCount(a, 1, 1);
  const double d = a[0].ToDouble();
  return VbValue::Integer(d > 0 ? 1 : d < 0 ? -1 : 0);
}

VbValue Sqr(const std::vector<VbValue>& a) {
  ArgCount(a, 1, 1);
  const double d = a[0].ToDouble();
  if (d < 0) throw EScriptError("Invalid procedure call or argument");
  return VbValue::Double(std::sqrt(d));
}

struct Entry {
  std::string_view name;
  BuiltinFunction fn;
};

constexpr Entry kBuiltins[] = {
    {"ABS", Abs},   {"INT", Int},   {"FIX", Fix}, {"ROUND", Round}, {"CDBL", CDbl},
    {"CINT", CInt}, {"CLNG", CLng}, {"SGN", Sgn}, {"SQR", Sqr},
};

}  // namespace

BuiltinFunction FindBuiltin(const std::string& upperName) {
  for (const Entry& e : kBuiltins)
    if (e.name == upperName) return e.fn;
  return nullptr;
}

}  // namespace tv::vbs
