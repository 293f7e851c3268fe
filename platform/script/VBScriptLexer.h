#pragma once
// Tokens of VBScript source text (Windows-1251). Names are case-insensitive
// and kept upper-cased; ":" and line ends are both statement separators;
// comments ("'" and Rem) and line continuations (" _" at a line end) are
// skipped. A character outside the subset, an unterminated text or a number
// that does not fit fails with EScriptError "VBScript compilation error:
// ... (line N)".

#include <string>
#include <string_view>
#include <vector>

#include "platform/script/VBScriptValue.h"

namespace tv::vbs {

enum class TokKind { End, Separator, Number, Text, Name, Keyword, Symbol };

struct Token {
  TokKind kind = TokKind::End;
  std::string text;  // upper-cased name or keyword; the symbol ("<=", "(")
  VbValue value;     // numbers and texts
  int line = 1;
};

// The whole text as tokens, ending with one End token.
std::vector<Token> Tokenize(std::string_view source);

// Reserved words of the language (upper case), whether or not the subset
// uses them: none of them may name a variable or a function.
bool IsReservedWord(std::string_view upperName);

[[noreturn]] void CompileError(std::string_view what, int line);

// "NAME=number" exactly (no blanks; an optional "-" before the number), as
// the report engine sets its variables: the upper-cased name and the value
// that the text would assign. False for anything else, which then goes
// through the parser.
bool ParseNumberAssignment(std::string_view code, std::string& upperName, VbValue& value);

}  // namespace tv::vbs
