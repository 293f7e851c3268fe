#include "platform/script/VBScriptLexer.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "platform/text/Cp1251.h"

namespace tv::vbs {

namespace {

// Every reserved word of the language, used by the subset or not.
constexpr std::string_view kReserved[] = {
    "AND",     "AS",       "BOOLEAN",  "BYREF",     "BYTE",       "BYVAL",    "CALL",
    "CASE",    "CLASS",    "CONST",    "CURRENCY",  "DIM",        "DO",       "DOUBLE",
    "EACH",    "ELSE",     "ELSEIF",   "EMPTY",     "END",        "ENDIF",    "ENUM",
    "EQV",     "ERASE",    "EVENT",    "EXECUTE",   "EXIT",       "EXPLICIT", "FALSE",
    "FOR",     "FUNCTION", "GET",      "GOTO",      "IF",         "IMP",      "IMPLEMENTS",
    "IN",      "INTEGER",  "IS",       "LET",       "LIKE",       "LONG",     "LOOP",
    "LSET",    "ME",       "MOD",      "NEW",       "NEXT",       "NOT",      "NOTHING",
    "NULL",    "ON",       "OPTION",   "OPTIONAL",  "OR",         "PARAMARRAY", "PRESERVE",
    "PRIVATE", "PROPERTY", "PUBLIC",   "RAISEEVENT", "REDIM",     "REM",      "RESUME",
    "RSET",    "SELECT",   "SET",      "SHARED",    "SINGLE",     "STATIC",   "STOP",
    "SUB",     "THEN",     "TO",       "TRUE",      "TYPE",       "TYPEOF",   "UNTIL",
    "VARIANT", "WEND",     "WHILE",    "WITH",      "XOR"};

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class Lexer {
 public:
  explicit Lexer(std::string_view s) : s_(s) {}

  std::vector<Token> Run() {
    std::vector<Token> out;
    while (true) {
      SkipBlanks();
      if (pos_ >= s_.size()) break;
      const char c = s_[pos_];
      if (c == '\'') {
        SkipToLineEnd();
      } else if (c == '\r' || c == '\n' || c == ':') {
        Push(out, TokKind::Separator, std::string(1, c == ':' ? ':' : '\n'));
        if (c == '\r' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '\n') ++pos_;
        ++pos_;
        if (c != ':') ++line_;
      } else if (IsLetter(c)) {
        ReadName(out);
      } else if (IsDigit(c) || (c == '.' && pos_ + 1 < s_.size() && IsDigit(s_[pos_ + 1]))) {
        ReadNumber(out);
      } else if (c == '&' && pos_ + 1 < s_.size() && (s_[pos_ + 1] == 'H' || s_[pos_ + 1] == 'h')) {
        ReadHex(out);
      } else if (c == '"') {
        ReadText(out);
      } else {
        ReadSymbol(out);
      }
    }
    Push(out, TokKind::End, "");
    return out;
  }

 private:
  void Push(std::vector<Token>& out, TokKind kind, std::string text, VbValue value = {}) {
    out.push_back(Token{kind, std::move(text), std::move(value), line_});
  }

  // Blanks, and " _" line continuations.
  void SkipBlanks() {
    while (pos_ < s_.size()) {
      const char c = s_[pos_];
      if (c == ' ' || c == '\t') {
        ++pos_;
      } else if (c == '_' && pos_ > 0 && (s_[pos_ - 1] == ' ' || s_[pos_ - 1] == '\t') &&
                 ContinuesLine(pos_ + 1)) {
        ++pos_;
        while (s_[pos_] == ' ' || s_[pos_] == '\t') ++pos_;
        if (s_[pos_] == '\r' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '\n') ++pos_;
        ++pos_;
        ++line_;
      } else {
        break;
      }
    }
  }

  bool ContinuesLine(std::size_t p) const {
    while (p < s_.size() && (s_[p] == ' ' || s_[p] == '\t')) ++p;
    return p < s_.size() && (s_[p] == '\r' || s_[p] == '\n');
  }

  void SkipToLineEnd() {
    while (pos_ < s_.size() && s_[pos_] != '\r' && s_[pos_] != '\n') ++pos_;
  }

  void ReadName(std::vector<Token>& out) {
    const std::size_t start = pos_;
    while (pos_ < s_.size() && (IsLetter(s_[pos_]) || IsDigit(s_[pos_]) || s_[pos_] == '_')) ++pos_;
    if (pos_ - start > 255) CompileError("Identifier too long", line_);
    std::string name = UpperCase(s_.substr(start, pos_ - start));
    if (name == "REM") {
      SkipToLineEnd();
      return;
    }
    const bool reserved = IsReservedWord(name);
    Push(out, reserved ? TokKind::Keyword : TokKind::Name, std::move(name));
  }

  void ReadNumber(std::vector<Token>& out) {
    const std::size_t start = pos_;
    bool whole = true;
    while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
    if (pos_ < s_.size() && s_[pos_] == '.') {
      whole = false;
      ++pos_;
      while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
    }
    if (pos_ < s_.size() && (s_[pos_] == 'E' || s_[pos_] == 'e')) {
      std::size_t p = pos_ + 1;
      if (p < s_.size() && (s_[p] == '+' || s_[p] == '-')) ++p;
      if (p >= s_.size() || !IsDigit(s_[p])) CompileError("Syntax error", line_);
      while (p < s_.size() && IsDigit(s_[p])) ++p;
      pos_ = p;
      whole = false;
    }
    if (pos_ < s_.size() && (IsLetter(s_[pos_]) || s_[pos_] == '_'))
      CompileError("Expected end of statement", line_);
    const std::string text(s_.substr(start, pos_ - start));
    const double d = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(d)) CompileError("Overflow", line_);
    if (whole && d <= 2147483647.0)
      Push(out, TokKind::Number, text, VbValue::Whole(static_cast<int64_t>(d)));
    else
      Push(out, TokKind::Number, text, VbValue::Double(d));
  }

  // &Hxxxx: up to four digits an Integer, up to eight a Long (two's
  // complement, as the language reads them); a trailing "&" makes a Long.
  void ReadHex(std::vector<Token>& out) {
    pos_ += 2;
    const std::size_t start = pos_;
    uint64_t v = 0;
    while (pos_ < s_.size() && std::isxdigit(static_cast<unsigned char>(s_[pos_]))) {
      const char c = s_[pos_++];
      v = v * 16 + (IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
      if (pos_ - start > 8) CompileError("Overflow", line_);
    }
    if (pos_ == start) CompileError("Syntax error", line_);
    const bool forceLong = pos_ < s_.size() && s_[pos_] == '&';
    if (forceLong) ++pos_;
    if (!forceLong && v <= 0xFFFF)
      Push(out, TokKind::Number, "", VbValue::Integer(static_cast<int16_t>(v)));
    else
      Push(out, TokKind::Number, "", VbValue::Long(static_cast<int32_t>(static_cast<uint32_t>(v))));
  }

  void ReadText(std::vector<Token>& out) {
    std::string text;
    ++pos_;
    while (true) {
      if (pos_ >= s_.size() || s_[pos_] == '\r' || s_[pos_] == '\n')
        CompileError("Unterminated string constant", line_);
      if (s_[pos_] == '"') {
        if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '"') {
          text += '"';
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      text += s_[pos_++];
    }
    Push(out, TokKind::Text, "", VbValue::String(std::move(text)));
  }

  void ReadSymbol(std::vector<Token>& out) {
    const char c = s_[pos_];
    const char n = pos_ + 1 < s_.size() ? s_[pos_ + 1] : '\0';
    if (c == '<' && (n == '>' || n == '=')) {
      Push(out, TokKind::Symbol, std::string{c, n});
      pos_ += 2;
      return;
    }
    if (c == '>' && n == '=') {
      Push(out, TokKind::Symbol, ">=");
      pos_ += 2;
      return;
    }
    static constexpr std::string_view kSingle = "+-*/\\^&=<>(),";
    if (kSingle.find(c) == std::string_view::npos) CompileError("Invalid character", line_);
    Push(out, TokKind::Symbol, std::string(1, c));
    ++pos_;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace

std::vector<Token> Tokenize(std::string_view source) { return Lexer(source).Run(); }

bool ParseNumberAssignment(std::string_view code, std::string& upperName, VbValue& value) {
  const std::size_t eq = code.find('=');
  if (eq == std::string_view::npos || eq == 0 || eq > 255 || !IsLetter(code[0])) return false;
  for (char c : code.substr(0, eq))
    if (!IsLetter(c) && !IsDigit(c) && c != '_') return false;
  std::string_view num = code.substr(eq + 1);
  const bool negative = !num.empty() && num[0] == '-';
  if (negative) num.remove_prefix(1);
  std::size_t i = 0;
  while (i < num.size() && IsDigit(num[i])) ++i;
  if (i == 0) return false;
  bool whole = true;
  if (i < num.size() && num[i] == '.') {
    whole = false;
    for (++i; i < num.size() && IsDigit(num[i]);) ++i;
  }
  if (i < num.size() && (num[i] == 'E' || num[i] == 'e')) {
    whole = false;
    if (++i < num.size() && (num[i] == '+' || num[i] == '-')) ++i;
    const std::size_t digits = i;
    while (i < num.size() && IsDigit(num[i])) ++i;
    if (i == digits) return false;
  }
  if (i != num.size()) return false;
  upperName = UpperCase(code.substr(0, eq));
  if (IsReservedWord(upperName)) return false;
  const double d = std::strtod(std::string(num).c_str(), nullptr);
  if (!std::isfinite(d)) return false;
  value = whole && d <= 2147483647.0 ? VbValue::Whole(static_cast<int64_t>(d)) : VbValue::Double(d);
  if (negative) value = Apply(VbOp::Neg, VbValue(), value);
  return true;
}

bool IsReservedWord(std::string_view upperName) {
  return std::find(std::begin(kReserved), std::end(kReserved), upperName) != std::end(kReserved);
}

void CompileError(std::string_view what, int line) {
  throw EScriptError("VBScript compilation error: " + std::string(what) + " (line " +
                     std::to_string(line) + ")");
}

}  // namespace tv::vbs
