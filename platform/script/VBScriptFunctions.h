#pragma once
// The built-in functions of the VBScript subset: Abs, Int, Fix, Round,
// CDbl, CInt, CLng, Sgn, Sqr, with the language's rules (Round and the
// integer conversions round halves to even; CInt and CLng raise "Overflow"
// outside Integer and Long; Sqr of a negative number and Round to negative
// decimals raise "Invalid procedure call or argument"; a wrong number of
// arguments raises "Wrong number of arguments or invalid property
// assignment").

#include <string>
#include <vector>

#include "platform/script/VBScriptValue.h"

namespace tv::vbs {

using BuiltinFunction = VbValue (*)(const std::vector<VbValue>& args);

// The function of an upper-cased name, or null.
BuiltinFunction FindBuiltin(const std::string& upperName);

}  // namespace tv::vbs
