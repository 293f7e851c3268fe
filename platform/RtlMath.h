#pragma once
// The runtime's numeric model on x86-64: long double is the x87 80-bit
// extended type, in which the original evaluated all floating expressions.
// Compute in long double what the system computes in extended and convert
// to double only where it stores into a double.
//
// Failures follow the runtime, which runs with the invalid-operation,
// zero-divide and overflow traps enabled: instead of inf or NaN the helpers
// below raise EZeroDivide "Floating point division by zero", EInvalidOp
// "Invalid floating point operation" or EOverflow "Floating point overflow".

#include <cfloat>
#include <cstdint>

#include "platform/Exceptions.h"

namespace tv {

static_assert(LDBL_MANT_DIG == 64, "long double must be the x87 80-bit extended type");

TV_EXCEPTION_CLASS(EIntError, Exception);
TV_EXCEPTION_CLASS(EDivByZero, EIntError);

// Nearest integer, exact halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// EInvalidOp for NaN, infinities and values outside the 64-bit range.
int64_t Round(long double x);
// Toward zero; EInvalidOp as Round.
int64_t Trunc(long double x);
// Fractional part with the sign of x (Frac(-1.25) = -0.25).
long double Frac(long double x);
// Integer part toward zero, as a floating value.
long double Int(long double x);

// x / y with the runtime's traps: EZeroDivide for y = 0 (x != 0),
// EInvalidOp for 0/0 and NaN operands, EOverflow for an infinite quotient.
long double CheckedDiv(long double x, long double y);
// Raises EOverflow for an infinite value and EInvalidOp for NaN; returns x.
long double CheckFloat(long double x);

// Equality within a tolerance; epsilon 0 means the runtime's default for
// extended values: max(min(|a|, |b|) * 1E-16, 1E-16).
bool SameValue(long double a, long double b, long double epsilon = 0);
// |x| <= epsilon; epsilon 0 means 1E-16 (extended resolution).
bool IsZero(long double x, long double epsilon = 0);

}  // namespace tv
