#pragma once
// Small routines shared by the report builders: the temporary output file of
// the text-form generator, the rounding of amounts, and cutting a word from
// the start or the end of a line of a text form.

#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

// A new, empty file "XM<hex>.tmp" in the temporary folder ("C:\TEMP\"),
// for the text-form generator's output; the builders delete it when the
// report is done. Empty when no file could be made.
std::string GetTempFileNameXM();

// Deletes the files "XM<hex>.tmp" in the temporary folder that were last
// written more than a day ago: the output of reports whose process ended
// in the middle (a report lasts seconds, so none of them is still in use).
// Other files, and files that cannot be deleted, are left alone.
void RemoveStaleTempFilesXM();

// Rounds `x` to `n` decimals (n < 0: to tens, hundreds, ...) half away from
// zero, in 80-bit extended precision with one multiplication or division by
// ten per decimal, so that a stored 2.675 (really 2.67499999...) still gives
// 2.68: the half is 0.5000000001, a little more than a half. A negative `x`
// rounds as the negation of the rounding of -x, so -2.5 gives -3 and
// -1.234 gives -1.23 to two decimals; a zero result is always +0.
// Throws EInvalidOp when the scaled value does not fit a 64-bit integer
// (or is not a number).
long double RoundTo(int8_t n, long double x);

// `target := target + value` as the runtime does it for a Double: the sum
// in 80-bit extended precision, rounded to double once, when it is stored.
// Write `value` in extended too (a double operand cast to long double),
// since a sum of doubles rounded on its way in can land on the other side
// of a half-kopeck tie.
inline void AddTo(double& target, long double value) {
  target = static_cast<double>(target + value);
}

// The first character of `s` and the characters after it up to (not
// including) the first TAB, LF, FF, CR, blank or ";". The first character is
// kept even when it is one of these. Empty for an empty `s`.
std::string HeadUntil(std::string_view s);

// The last character of `s` and the characters before it back to (not
// including) the nearest TAB, LF, FF, CR, blank or "-", or to the start of
// `s`. The last character is kept even when it is one of these. Empty for an
// empty `s`.
std::string TailFrom(std::string_view s);

}  // namespace tv
