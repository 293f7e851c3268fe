#pragma once
// The HTML engine's exception class and the row-pair check of its templates.

#include <string_view>

#include "platform/Exceptions.h"

namespace tv {

// Raised for malformed HTML templates (unpaired rows, a missing main table,
// broken totals sections, bad span attributes ...).
TV_EXCEPTION_CLASS(EHTMLError, Exception);

namespace HTMLProcess {

// Counts the row starts "<tr" and the row ends "</tr" of `text` without
// regard to letter case (each search resumes after the match). Returns the
// count when both agree; throws EHTMLError "Непарные теги [TR]" otherwise.
int CheckTRPairs(std::string_view text);

}  // namespace HTMLProcess

// Carries the row-pair check for an engine (one per THTML_Jet::Init).
class THTML_Process {
 public:
  int CheckTRPairs(std::string_view text) const { return HTMLProcess::CheckTRPairs(text); }
};

}  // namespace tv
