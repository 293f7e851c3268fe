#pragma once
// Syntax trees of the VBScript subset and the parser that builds them.
//
// Statements: name = expression; Dim name, ...; If .. Then .. [ElseIf ..]
// [Else ..] End If (and the one-line If .. Then .. [Else ..]); Function
// name(params) .. End Function at the top level, with ByVal/ByRef
// parameters; Exit Function. Expressions: numbers, texts, True, False,
// Empty, names, calls name(args), parentheses and the operators by the
// language's precedence (^, unary -, * /, \, Mod, + -, &, comparisons,
// Not, And, Or, Xor, Eqv, Imp). Anything else is EScriptError "VBScript
// compilation error: ...".

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/script/VBScriptValue.h"

namespace tv::vbs {

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

struct Expr {
  enum class Kind { Literal, Name, Call, Unary, Binary };
  Kind kind = Kind::Literal;
  VbValue value;                 // Literal
  std::string name;              // Name, Call (upper case)
  VbOp op = VbOp::Add;           // Unary, Binary
  std::vector<ExprPtr> args;     // Call arguments; Unary: 1 operand; Binary: 2
  bool parenthesized = false;    // "(x)" passes x by value even to a ByRef parameter
  int depth = 1;                 // height of the tree below, this node included
  int line = 1;
};

struct Stmt;
using Block = std::vector<Stmt>;

struct Stmt {
  enum class Kind { Assign, Dim, If, ExitFunction };
  Kind kind = Kind::Assign;
  std::vector<std::string> names;  // Assign: the target; Dim: the names
  ExprPtr value;                   // Assign
  std::vector<ExprPtr> conditions; // If, ElseIf
  std::vector<Block> branches;     // one per condition, then the Else block
  int line = 1;
};

struct Function {
  struct Param {
    std::string name;
    bool byRef = true;
  };
  std::string name;
  std::vector<Param> params;
  Block body;
  int line = 1;
};

struct Program {
  Block statements;
  std::vector<std::shared_ptr<const Function>> functions;
};

// Statements (AddCode text).
Program ParseProgram(std::string_view source);
// One expression and nothing after it (Eval text).
ExprPtr ParseExpression(std::string_view source);

}  // namespace tv::vbs
