#pragma once
// VbValue: a VBScript value of the subset we interpret (Empty, Boolean,
// Integer, Long, Double, String) and the language's operators on it.
//
// The rules are those documented for VBScript:
//  - + - * keep the wider operand type (Integer < Long < Double) and widen
//    on overflow (32767 + 1 is the Long 32768); Boolean and Empty count as
//    Integer; / and ^ give a Double;
//  - \ and Mod round both operands to whole numbers first, halves to even
//    (7.5 \ 2 = 4, 6.5 Mod 4 = 2), truncate the quotient and give an
//    Integer when both operands are Integer, else a Long; Mod takes the
//    sign of the dividend;
//  - comparisons give True (-1) or False (0); a number is less than a text;
//  - And, Or, Xor, Eqv, Imp and Not are logical on Booleans and bitwise on
//    numbers rounded to Long;
//  - & joins texts; numbers are written with up to 15 significant digits
//    and the locale's decimal separator.
// Failures throw EScriptError with the runtime's description: "Division by
// zero", "Overflow", "Type mismatch", "Invalid procedure call or argument".

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/script/ScriptControl.h"
#include "platform/data/Variant.h"

namespace tv::vbs {

enum class VbType { Empty, Boolean, Integer, Long, Double, String };

enum class VbOp {
  Pow, Neg, Plus, Mul, Div, IntDiv, Mod, Add, Sub, Concat,
  Eq, Ne, Lt, Gt, Le, Ge, Not, And, Or, Xor, Eqv, Imp,
};

class VbValue {
 public:
  VbValue() = default;
  static VbValue Boolean(bool b);
  static VbValue Integer(int64_t v);  // v must fit 16 bits
  static VbValue Long(int64_t v);     // v must fit 32 bits
  // The narrowest of Integer, Long and Double that holds v (literals).
  static VbValue Whole(int64_t v);
  static VbValue Double(double v);  // "Overflow" for infinities and NaN
  static VbValue String(std::string s);

  VbType Type() const { return type_; }
  bool IsNumeric() const { return type_ != VbType::String; }

  // Conversions; a text that is no number is a "Type mismatch".
  double ToDouble() const;
  // Rounded halves to even; "Overflow" outside [lo, hi].
  int64_t ToWhole(int64_t lo, int64_t hi) const;
  bool ToBoolean() const;
  std::string ToString() const;
  Variant ToVariant() const;
  int64_t WholeValue() const { return whole_; }

 private:
  VbType type_ = VbType::Empty;
  int64_t whole_ = 0;  // Boolean (-1/0), Integer, Long
  double double_ = 0;
  std::string text_;
};

// Unary operators (Neg, Plus, Not) take `b` as their operand and ignore `a`.
VbValue Apply(VbOp op, const VbValue& a, const VbValue& b);

// "Round halves to even", shared with the numeric functions.
double RoundHalfEven(double x);
// A text as a number by the rules of the runtime's locale; false when it
// is none.
bool TextToNumber(std::string_view text, double& out);

}  // namespace tv::vbs
