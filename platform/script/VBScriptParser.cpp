#include "platform/script/VBScriptParser.h"

#include <algorithm>
#include <utility>

#include "platform/script/VBScriptLexer.h"

namespace tv::vbs {

namespace {

// Nesting deeper than this (parentheses, unary operators, If blocks) and
// expression trees higher than kMaxHeight are refused, so that neither the
// parser nor the evaluator runs out of stack on hostile text.
constexpr int kMaxNesting = 200;
constexpr int kMaxHeight = 1000;

class Parser {
 public:
  explicit Parser(std::string_view source) : tokens_(Tokenize(source)) {}

  Program ParseProgram() {
    Program program;
    program.statements = ParseBlock(&program, {});
    return program;
  }

  ExprPtr ParseSingleExpression() {
    ExprPtr e = ParseExpr();
    SkipSeparators();
    if (Peek().kind != TokKind::End) Fail("Expected end of statement");
    return e;
  }

 private:
  class Nesting {
   public:
    explicit Nesting(Parser& p) : p_(p) {
      if (++p_.depth_ > kMaxNesting) p_.Fail("Out of stack space");
    }
    ~Nesting() { --p_.depth_; }

   private:
    Parser& p_;
  };

  const Token& Peek(std::size_t ahead = 0) const {
    const std::size_t i = std::min(pos_ + ahead, tokens_.size() - 1);
    return tokens_[i];
  }
  const Token& Next() {
    const Token& t = tokens_[pos_];
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return t;
  }
  bool IsKeyword(std::string_view word, std::size_t ahead = 0) const {
    return Peek(ahead).kind == TokKind::Keyword && Peek(ahead).text == word;
  }
  bool IsSymbol(std::string_view sym) const {
    return Peek().kind == TokKind::Symbol && Peek().text == sym;
  }
  bool AcceptKeyword(std::string_view word) {
    if (!IsKeyword(word)) return false;
    Next();
    return true;
  }
  bool AcceptSymbol(std::string_view sym) {
    if (!IsSymbol(sym)) return false;
    Next();
    return true;
  }
  void ExpectKeyword(std::string_view word) {
    if (!AcceptKeyword(word)) Fail("Expected '" + Proper(word) + "'");
  }
  void ExpectSymbol(std::string_view sym) {
    if (!AcceptSymbol(sym)) Fail("Expected '" + std::string(sym) + "'");
  }
  std::string ExpectName() {
    if (Peek().kind != TokKind::Name) Fail("Expected identifier");
    return Next().text;
  }
  static std::string Proper(std::string_view word) {
    std::string s(word.substr(0, 1));
    for (char c : word.substr(1)) s += static_cast<char>(c | 0x20);
    return s;
  }
  void SkipSeparators() {
    while (Peek().kind == TokKind::Separator) Next();
  }
  [[noreturn]] void Fail(const std::string& what) const { CompileError(what, Peek().line); }

  // Statements up to one of the end words (not consumed) or the end.
  Block ParseBlock(Program* program, std::initializer_list<std::string_view> endWords) {
    Block block;
    while (true) {
      SkipSeparators();
      if (Peek().kind == TokKind::End) {
        if (endWords.size() != 0) Fail("Expected '" + Proper(*endWords.begin()) + "'");
        return block;
      }
      for (std::string_view w : endWords)
        if (IsKeyword(w)) return block;
      if (IsKeyword("FUNCTION")) {
        if (program == nullptr || endWords.size() != 0) Fail("Syntax error");
        program->functions.push_back(ParseFunction());
      } else {
        block.push_back(ParseStatement(program));
        ExpectStatementEnd();
      }
    }
  }

  void ExpectStatementEnd() {
    const TokKind k = Peek().kind;
    if (k != TokKind::Separator && k != TokKind::End) Fail("Expected end of statement");
  }

  std::shared_ptr<const Function> ParseFunction() {
    auto fn = std::make_shared<Function>();
    fn->line = Next().line;  // FUNCTION
    fn->name = ExpectName();
    if (AcceptSymbol("(")) {
      if (!IsSymbol(")")) {
        do {
          Function::Param p;
          if (AcceptKeyword("BYVAL")) p.byRef = false;
          else AcceptKeyword("BYREF");
          p.name = ExpectName();
          for (const auto& q : fn->params)
            if (q.name == p.name) Fail("Name redefined");
          fn->params.push_back(std::move(p));
        } while (AcceptSymbol(","));
      }
      ExpectSymbol(")");
    }
    ExpectStatementEnd();
    inFunction_ = true;
    fn->body = ParseBlock(nullptr, {"END"});
    inFunction_ = false;
    Next();  // END
    ExpectKeyword("FUNCTION");
    ExpectStatementEnd();
    return fn;
  }

  Stmt ParseStatement(Program* program) {
    Stmt s;
    s.line = Peek().line;
    if (AcceptKeyword("DIM")) {
      s.kind = Stmt::Kind::Dim;
      do s.names.push_back(ExpectName());
      while (AcceptSymbol(","));
    } else if (AcceptKeyword("IF")) {
      ParseIf(program, s);
    } else if (AcceptKeyword("EXIT")) {
      if (!inFunction_) Fail("Invalid 'exit' statement");
      ExpectKeyword("FUNCTION");
      s.kind = Stmt::Kind::ExitFunction;
    } else if (Peek().kind == TokKind::Name) {
      s.kind = Stmt::Kind::Assign;
      s.names.push_back(Next().text);
      ExpectSymbol("=");
      s.value = ParseExpr();
    } else {
      Fail("Syntax error");
    }
    return s;
  }

  void ParseIf(Program* program, Stmt& s) {
    Nesting guard(*this);
    s.kind = Stmt::Kind::If;
    s.conditions.push_back(ParseExpr());
    ExpectKeyword("THEN");
    if (Peek().kind != TokKind::Separator || Peek().text == ":") {
      ParseOneLineIf(program, s);
      return;
    }
    s.branches.push_back(ParseBlock(program, {"ELSEIF", "ELSE", "END"}));
    while (AcceptKeyword("ELSEIF")) {
      s.conditions.push_back(ParseExpr());
      ExpectKeyword("THEN");
      s.branches.push_back(ParseBlock(program, {"ELSEIF", "ELSE", "END"}));
    }
    if (AcceptKeyword("ELSE")) s.branches.push_back(ParseBlock(program, {"END"}));
    ExpectKeyword("END");
    ExpectKeyword("IF");
  }

  // If c Then a = 1: b = 2 Else c = 3 -- all on one line.
  void ParseOneLineIf(Program* program, Stmt& s) {
    s.branches.push_back(ParseLineStatements(program));
    if (AcceptKeyword("ELSE")) s.branches.push_back(ParseLineStatements(program));
    if (AcceptKeyword("END")) ExpectKeyword("IF");
  }

  Block ParseLineStatements(Program* program) {
    Block block;
    while (true) {
      while (AcceptSymbolSeparator()) {
      }
      if (Peek().kind == TokKind::End || (Peek().kind == TokKind::Separator) ||
          IsKeyword("ELSE") || IsKeyword("END"))
        return block;
      block.push_back(ParseStatement(program));
      if (!IsKeyword("ELSE") && !IsKeyword("END")) ExpectStatementEnd();
    }
  }

  bool AcceptSymbolSeparator() {
    if (Peek().kind != TokKind::Separator || Peek().text != ":") return false;
    Next();
    return true;
  }

  // Expressions, from the loosest operator to the tightest.
  ExprPtr ParseExpr() {
    Nesting guard(*this);
    return ParseBinary(0);
  }

  // Imp, Eqv, Xor, Or, And: one operator per level, loosest first.
  ExprPtr ParseBinary(int level) {
    static constexpr std::pair<std::string_view, VbOp> kLevels[] = {
        {"IMP", VbOp::Imp}, {"EQV", VbOp::Eqv}, {"XOR", VbOp::Xor},
        {"OR", VbOp::Or},   {"AND", VbOp::And}};
    if (level == 5) return ParseNot();
    ExprPtr left = ParseBinary(level + 1);
    while (IsKeyword(kLevels[level].first)) {
      const int line = Next().line;
      left = MakeBinary(kLevels[level].second, std::move(left), ParseBinary(level + 1), line);
    }
    return left;
  }

  ExprPtr ParseNot() {
    if (IsKeyword("NOT")) {
      Nesting guard(*this);
      const int line = Next().line;
      return MakeUnary(VbOp::Not, ParseNot(), line);
    }
    return ParseComparison();
  }

  ExprPtr ParseComparison() {
    static const std::pair<std::string_view, VbOp> kOps[] = {
        {"=", VbOp::Eq}, {"<>", VbOp::Ne}, {"<", VbOp::Lt},
        {">", VbOp::Gt}, {"<=", VbOp::Le}, {">=", VbOp::Ge}};
    ExprPtr left = ParseChain(0);
    while (true) {
      if (IsKeyword("IS")) Fail("Object required");
      const VbOp* found = nullptr;
      for (const auto& [sym, op] : kOps)
        if (IsSymbol(sym)) found = &op;
      if (found == nullptr) return left;
      const int line = Next().line;
      left = MakeBinary(*found, std::move(left), ParseChain(0), line);
    }
  }

  // & ; + - ; Mod ; \ ; * / -- each level left-associative.
  ExprPtr ParseChain(int level) {
    if (level == 5) return ParseNegation();
    ExprPtr left = ParseChain(level + 1);
    while (true) {
      VbOp op;
      if (level == 0 && IsSymbol("&")) op = VbOp::Concat;
      else if (level == 1 && IsSymbol("+")) op = VbOp::Add;
      else if (level == 1 && IsSymbol("-")) op = VbOp::Sub;
      else if (level == 2 && IsKeyword("MOD")) op = VbOp::Mod;
      else if (level == 3 && IsSymbol("\\")) op = VbOp::IntDiv;
      else if (level == 4 && IsSymbol("*")) op = VbOp::Mul;
      else if (level == 4 && IsSymbol("/")) op = VbOp::Div;
      else return left;
      const int line = Next().line;
      left = MakeBinary(op, std::move(left), ParseChain(level + 1), line);
    }
  }

  // Unary minus binds looser than ^: -2 ^ 2 is -4.
  ExprPtr ParseNegation() {
    if (IsSymbol("-") || IsSymbol("+")) {
      Nesting guard(*this);
      const Token& t = Next();
      return MakeUnary(t.text == "-" ? VbOp::Neg : VbOp::Plus, ParseNegation(), t.line);
    }
    return ParsePower();
  }

  ExprPtr ParsePower() {
    ExprPtr left = ParsePrimary();
    while (IsSymbol("^")) {
      const int line = Next().line;
      left = MakeBinary(VbOp::Pow, std::move(left), ParseExponent(), line);
    }
    return left;
  }

  // The right side of ^ may carry its own sign: 2 ^ -1.
  ExprPtr ParseExponent() {
    if (IsSymbol("-") || IsSymbol("+")) {
      Nesting guard(*this);
      const Token& t = Next();
      return MakeUnary(t.text == "-" ? VbOp::Neg : VbOp::Plus, ParseExponent(), t.line);
    }
    return ParsePrimary();
  }

  ExprPtr ParsePrimary() {
    const Token& t = Peek();
    auto e = std::make_unique<Expr>();
    e->line = t.line;
    if (t.kind == TokKind::Number || t.kind == TokKind::Text) {
      e->value = Next().value;
    } else if (IsKeyword("TRUE") || IsKeyword("FALSE")) {
      e->value = VbValue::Boolean(Next().text == "TRUE");
    } else if (IsKeyword("EMPTY")) {
      Next();
    } else if (t.kind == TokKind::Name) {
      e->kind = Expr::Kind::Name;
      e->name = Next().text;
      if (AcceptSymbol("(")) {
        e->kind = Expr::Kind::Call;
        if (!IsSymbol(")")) {
          do e->args.push_back(ParseExpr());
          while (AcceptSymbol(","));
        }
        ExpectSymbol(")");
        for (const auto& a : e->args) e->depth = std::max(e->depth, a->depth + 1);
      }
    } else if (AcceptSymbol("(")) {
      ExprPtr inner = ParseExpr();
      ExpectSymbol(")");
      inner->parenthesized = true;
      return inner;
    } else {
      Fail(t.kind == TokKind::Keyword ? "Syntax error" : "Expected expression");
    }
    return e;
  }

  ExprPtr MakeUnary(VbOp op, ExprPtr operand, int line) {
    auto e = std::make_unique<Expr>();
    e->depth = CheckedHeight(operand->depth + 1);
    e->kind = Expr::Kind::Unary;
    e->op = op;
    e->line = line;
    e->args.push_back(std::move(operand));
    return e;
  }

  ExprPtr MakeBinary(VbOp op, ExprPtr a, ExprPtr b, int line) {
    auto e = std::make_unique<Expr>();
    e->depth = CheckedHeight(std::max(a->depth, b->depth) + 1);
    e->kind = Expr::Kind::Binary;
    e->op = op;
    e->line = line;
    e->args.push_back(std::move(a));
    e->args.push_back(std::move(b));
    return e;
  }

  int CheckedHeight(int height) const {
    if (height > kMaxHeight) Fail("Expression too complex");
    return height;
  }

  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
  int depth_ = 0;
  bool inFunction_ = false;
};

}  // namespace

Program ParseProgram(std::string_view source) { return Parser(source).ParseProgram(); }

ExprPtr ParseExpression(std::string_view source) {
  return Parser(source).ParseSingleExpression();
}

}  // namespace tv::vbs
