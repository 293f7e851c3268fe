#include "platform/script/VBScriptEngine.h"

#include <new>

#include "platform/script/VBScriptFunctions.h"
#include "platform/script/VBScriptLexer.h"

namespace tv {

using vbs::Expr;
using vbs::Stmt;
using vbs::VbValue;

struct VBScriptEngine::Frame {
  std::shared_ptr<const vbs::Function> fn;
  std::unordered_map<std::string, VbValue> locals;
  std::unordered_map<std::string, VbValue*> refs;  // ByRef parameters
  VbValue result;
  bool exiting = false;
};

VBScriptEngine::VBScriptEngine(const TScriptLimits& limits) : callTime_(limits.CallTime) {}

VBScriptEngine::~VBScriptEngine() = default;

// One AddCode or Eval: a fresh time limit, and runtime failures located.
template <typename Body>
auto VBScriptEngine::Running(Body&& body) {
  deadline_ = Clock::now() + callTime_;
  steps_ = 0;
  frames_.clear();
  evalDepth_ = 0;
  line_ = 1;
  try {
    return body();
  } catch (const EScriptTimeout&) {
    throw;
  } catch (const EScriptError& e) {
    RuntimeError(e.Message());
  } catch (const std::bad_alloc&) {
    RuntimeError("Out of memory");
  }
}

// The engine runs the same formulas and reads the same names for every
// record, so parsed texts are kept; when the cache is full it starts over,
// which bounds what texts that never repeat (values of variables) cost.
template <typename Tree, typename Parse>
std::shared_ptr<const Tree> VBScriptEngine::Parsed(
    std::unordered_map<std::string, std::shared_ptr<const Tree>>& cache, std::string_view text,
    Parse parse) {
  const std::string key(text);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  auto tree = std::make_shared<const Tree>(parse(text));
  if (cache.size() >= kCacheSize) cache.clear();
  cache.emplace(key, tree);
  return tree;
}

void VBScriptEngine::AddCode(std::string_view code) {
  std::string name;
  VbValue value;
  if (vbs::ParseNumberAssignment(code, name, value)) {
    Running([&] { Assign(name, std::move(value)); });
    return;
  }
  const auto program = Parsed(programs_, code, vbs::ParseProgram);
  for (const auto& fn : program->functions) Define(fn);
  Running([&] { Exec(program->statements); });
}

Variant VBScriptEngine::Eval(std::string_view expression) {
  const auto e = Parsed(expressions_, expression,
                        [](std::string_view t) { return std::move(*vbs::ParseExpression(t)); });
  return Running([&] { return Evaluate(*e).ToVariant(); });
}

void VBScriptEngine::Step() {
  if ((++steps_ & 1023u) != 0 || Clock::now() <= deadline_) return;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(callTime_).count();
  throw EScriptTimeout("VBScript: script stopped after running for " + std::to_string(ms) + " ms");
}

void VBScriptEngine::RuntimeError(const std::string& what) const {
  throw EScriptError("VBScript runtime error: " + what + " (line " + std::to_string(line_) + ")");
}

void VBScriptEngine::Define(const std::shared_ptr<const vbs::Function>& fn) {
  if (globals_.count(fn->name) != 0)
    vbs::CompileError("Name redefined: '" + fn->name + "'", fn->line);
  functions_[fn->name] = fn;
}

void VBScriptEngine::Exec(const vbs::Block& block) {
  for (const Stmt& s : block) {
    if (!frames_.empty() && frames_.back()->exiting) return;
    ExecStmt(s);
  }
}

void VBScriptEngine::ExecStmt(const Stmt& s) {
  Step();
  line_ = s.line;
  switch (s.kind) {
    case Stmt::Kind::Assign:
      Assign(s.names.front(), Evaluate(*s.value));
      break;
    case Stmt::Kind::Dim:
      for (const std::string& name : s.names) Declare(name);
      break;
    case Stmt::Kind::If:
      for (std::size_t i = 0; i < s.conditions.size(); ++i) {
        if (Evaluate(*s.conditions[i]).ToBoolean()) {
          Exec(s.branches[i]);
          return;
        }
      }
      if (s.branches.size() > s.conditions.size()) Exec(s.branches.back());
      break;
    case Stmt::Kind::ExitFunction:
      frames_.back()->exiting = true;
      break;
  }
}

bool VBScriptEngine::IsFunctionName(const std::string& name) const {
  return functions_.count(name) != 0 || vbs::FindBuiltin(name) != nullptr;
}

// Parameters and locals of the running function, its own name (the
// result), then the globals.
VbValue* VBScriptEngine::FindVariable(const std::string& name) {
  if (!frames_.empty()) {
    Frame& f = *frames_.back();
    if (auto r = f.refs.find(name); r != f.refs.end()) return r->second;
    if (auto l = f.locals.find(name); l != f.locals.end()) return &l->second;
    if (name == f.fn->name) return &f.result;
  }
  auto g = globals_.find(name);
  return g != globals_.end() ? &g->second : nullptr;
}

void VBScriptEngine::Assign(const std::string& name, VbValue value) {
  if (VbValue* v = FindVariable(name)) {
    *v = std::move(value);
    return;
  }
  if (IsFunctionName(name)) throw EScriptError("Illegal assignment: '" + name + "'");
  if (frames_.empty())
    globals_[name] = std::move(value);
  else
    frames_.back()->locals[name] = std::move(value);
}

void VBScriptEngine::Declare(const std::string& name) {
  if (frames_.empty()) {
    if (functions_.count(name) != 0) throw EScriptError("Name redefined: '" + name + "'");
    globals_.try_emplace(name);
    return;
  }
  Frame& f = *frames_.back();
  if (f.refs.count(name) != 0 || f.locals.count(name) != 0 || name == f.fn->name)
    throw EScriptError("Name redefined: '" + name + "'");
  f.locals.try_emplace(name);
}

VbValue VBScriptEngine::Evaluate(const Expr& e) {
  struct Depth {
    int& depth;
    explicit Depth(int& d) : depth(d) {
      if (++depth > kMaxEvalDepth) throw EScriptError("Out of stack space");
    }
    ~Depth() { --depth; }
  } guard(evalDepth_);
  switch (e.kind) {
    case Expr::Kind::Literal:
      return e.value;
    case Expr::Kind::Name:
      return EvaluateName(e);
    case Expr::Kind::Call:
      return EvaluateCall(e);
    case Expr::Kind::Unary:
      return vbs::Apply(e.op, VbValue(), Evaluate(*e.args[0]));
    case Expr::Kind::Binary: {
      VbValue a = Evaluate(*e.args[0]);
      return vbs::Apply(e.op, a, Evaluate(*e.args[1]));
    }
  }
  return VbValue();
}

// A bare name: a variable, else a function called without arguments, else
// Empty (a variable that was never assigned).
VbValue VBScriptEngine::EvaluateName(const Expr& e) {
  if (const VbValue* v = FindVariable(e.name)) return *v;
  if (auto f = functions_.find(e.name); f != functions_.end()) return CallFunction(*f->second, e);
  if (vbs::BuiltinFunction b = vbs::FindBuiltin(e.name)) return b({});
  return VbValue();
}

VbValue VBScriptEngine::EvaluateCall(const Expr& e) {
  const bool self = !frames_.empty() && frames_.back()->fn->name == e.name;
  if (!self && FindVariable(e.name) != nullptr) throw EScriptError("Type mismatch: '" + e.name + "'");
  if (auto f = functions_.find(e.name); f != functions_.end()) return CallFunction(*f->second, e);
  if (vbs::BuiltinFunction b = vbs::FindBuiltin(e.name)) {
    std::vector<VbValue> args;
    args.reserve(e.args.size());
    for (const auto& a : e.args) args.push_back(Evaluate(*a));
    return b(args);
  }
  throw EScriptError("Type mismatch: '" + e.name + "'");
}

VbValue VBScriptEngine::CallFunction(const vbs::Function& fn, const Expr& call) {
  if (call.args.size() != fn.params.size())
    throw EScriptError("Wrong number of arguments or invalid property assignment: '" + fn.name +
                       "'");
  if (static_cast<int>(frames_.size()) >= kMaxCallDepth) throw EScriptError("Out of stack space");
  Step();
  auto frame = std::make_unique<Frame>();
  frame->fn = functions_.at(fn.name);
  for (std::size_t i = 0; i < fn.params.size(); ++i) {
    const vbs::Function::Param& p = fn.params[i];
    const Expr& a = *call.args[i];
    if (p.byRef && a.kind == Expr::Kind::Name && !a.parenthesized) {
      if (VbValue* target = FindVariable(a.name)) {
        frame->refs[p.name] = target;
        continue;
      }
    }
    frame->locals[p.name] = Evaluate(a);
  }
  const int callerLine = line_;
  frames_.push_back(std::move(frame));
  struct Pop {
    std::vector<std::unique_ptr<Frame>>& frames;
    ~Pop() { frames.pop_back(); }
  } pop{frames_};
  Exec(fn.body);
  line_ = callerLine;
  return std::move(frames_.back()->result);
}

}  // namespace tv
