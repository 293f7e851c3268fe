#pragma once
// VBScript: a small interpreter of our own for the subset that templates
// use (VBScriptParser.h for the syntax, VBScriptValue.h for the operators).
//
// Scope: variables assigned or declared outside a function are global and
// live as long as the engine; functions are defined for the engine's life
// (a later definition of the same name replaces the earlier one) and may be
// called before their definition within one AddCode text. Inside a function
// a name is its parameter or local variable, else the global variable; an
// assignment to a new name makes a local variable; the function's own name
// holds its result. Parameters are ByRef unless declared ByVal: a plain
// variable passed to one is shared with the caller. A name that is nothing
// yet reads as Empty, as without Option Explicit.
//
// Built-in functions: Abs Int Fix Round CDbl CInt CLng Sgn Sqr. Each call of
// AddCode or Eval runs under the control's time limit (checked every few
// thousand steps; EScriptTimeout), calls nest at most kMaxCallDepth deep
// ("Out of stack space") and texts grow to at most 16 MiB ("Out of
// memory"). A runtime error stops the code at the failing statement; what
// ran before it stays done.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/script/ScriptControl.h"
#include "platform/script/VBScriptParser.h"

namespace tv {

class VBScriptEngine : public ScriptControl::Engine {
 public:
  static constexpr int kMaxCallDepth = 200;
  // Expressions being evaluated at once, over all active calls.
  static constexpr int kMaxEvalDepth = 3000;

  explicit VBScriptEngine(const TScriptLimits& limits);
  ~VBScriptEngine() override;

  void AddCode(std::string_view code) override;
  Variant Eval(std::string_view expression) override;

 private:
  struct Frame;
  using Clock = std::chrono::steady_clock;

  static constexpr std::size_t kCacheSize = 256;

  template <typename Tree, typename Parse>
  static std::shared_ptr<const Tree> Parsed(
      std::unordered_map<std::string, std::shared_ptr<const Tree>>& cache, std::string_view text,
      Parse parse);
  template <typename Body>
  auto Running(Body&& body);
  void Step();
  [[noreturn]] void RuntimeError(const std::string& what) const;

  void Define(const std::shared_ptr<const vbs::Function>& fn);
  void Exec(const vbs::Block& block);
  void ExecStmt(const vbs::Stmt& s);
  void Assign(const std::string& name, vbs::VbValue value);
  void Declare(const std::string& name);
  vbs::VbValue Evaluate(const vbs::Expr& e);
  vbs::VbValue EvaluateName(const vbs::Expr& e);
  vbs::VbValue EvaluateCall(const vbs::Expr& e);
  vbs::VbValue CallFunction(const vbs::Function& fn, const vbs::Expr& call);
  vbs::VbValue* FindVariable(const std::string& name);
  bool IsFunctionName(const std::string& name) const;

  std::unordered_map<std::string, vbs::VbValue> globals_;
  std::unordered_map<std::string, std::shared_ptr<const vbs::Function>> functions_;
  std::vector<std::unique_ptr<Frame>> frames_;
  std::unordered_map<std::string, std::shared_ptr<const vbs::Program>> programs_;
  std::unordered_map<std::string, std::shared_ptr<const vbs::Expr>> expressions_;
  Clock::duration callTime_;
  Clock::time_point deadline_{};
  unsigned steps_ = 0;
  int evalDepth_ = 0;
  int line_ = 1;
};

}  // namespace tv
