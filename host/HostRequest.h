#pragma once
// A report request as written on the command line: the report code and the
// elements of the parameter array, each typed by a prefix ("i:5",
// "d:2024-03-01", "s:text", "[" ... "]" for a nested array). See
// RequestSyntax() for the whole notation.

#include <string>
#include <vector>

#include "host/HostLibrary.h"

namespace tv::host {

// The report code: one character stands for itself ("-", "#", "4", "7");
// two or more digits give the ordinal ("00", "11", "17").
// Throws std::invalid_argument for anything else.
char ParseReportCode(const std::string& text);

// Fills *out (owned by the library, release with lib.Clear) with a 1-D
// array 0..n-1 of the parsed elements. Arguments are UTF-8; texts are
// converted to Windows-1251. Throws std::invalid_argument naming the
// element that does not parse.
void BuildParams(const TolvarenLibrary& lib, const std::vector<std::string>& args, TVVariant* out);

// The notation, for --help.
const char* RequestSyntax();
// The report codes with their parameters, for --help.
const char* ReportCodeList();

}  // namespace tv::host
