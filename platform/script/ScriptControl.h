#pragma once
// ScriptControl: the script component behind the formula cells of HTML
// templates. It offers what the report engine uses of a scripting host and
// nothing more: the language chosen at creation, AddCode to run statements
// in one global scope that lives as long as the object, and Eval to read the
// value of an expression.
//
// Two languages, chosen by name in any letter case:
//  - "JScript" runs on Duktape, an embeddable ECMAScript engine that Debian
//    packages (duktape-dev). It is a complete interpreter in one C file with
//    no I/O of its own, built here from the packaged source so that it can
//    be stopped on time (JScriptEngine.h).
//  - "VBScript" is a small interpreter of our own for the part of the
//    language that templates use: assignments, Dim, If..Then..Else..End If,
//    Function..End Function, the arithmetic, comparison, logical and "&"
//    operators and the numeric functions Abs Int Fix Round CDbl CInt CLng
//    Sgn Sqr (VBScriptEngine.h). Anything else is a script error.
//
// Sandbox: neither language can reach a file, a process or the network; the
// JScript global object holds only the standard built-ins. Every AddCode or
// Eval runs under a time limit (and JScript under a memory limit); a call
// that runs past it fails with EScriptTimeout, and the global scope keeps
// what the code did before it was stopped. After MaxTimeouts stopped calls
// the control refuses all further calls, so that a runaway formula that
// every record of a long report calls costs seconds and not hours.
//
// Texts (code, expressions, string results) are Windows-1251. Failures are
// EScriptError with the language and the engine's description; the object
// stays usable after a script error.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Exceptions.h"
#include "platform/data/Variant.h"

namespace tv {

TV_EXCEPTION_CLASS(EScriptError, Exception);
TV_EXCEPTION_CLASS(EScriptTimeout, EScriptError);

struct TScriptLimits {
  std::chrono::milliseconds CallTime{2000};  // one AddCode or Eval
  int MaxTimeouts = 3;                       // stopped calls before the control gives up
  std::size_t MemoryBytes = 64u << 20;       // JScript heap
};

class ScriptControl {
 public:
  // One language's interpreter with its global scope.
  class Engine {
   public:
    virtual ~Engine() = default;
    virtual void AddCode(std::string_view code) = 0;
    virtual Variant Eval(std::string_view expression) = 0;
  };

  // EScriptError "Unknown script language "<language>"" for a language
  // other than VBScript and JScript.
  explicit ScriptControl(std::string_view language, const TScriptLimits& limits = {});
  ~ScriptControl();
  ScriptControl(const ScriptControl&) = delete;
  ScriptControl& operator=(const ScriptControl&) = delete;

  // The language as given at creation.
  const std::string& Language() const { return language_; }
  // Runs statements in the global scope; their variables and functions stay.
  void AddCode(std::string_view code);
  // The value of an expression: Empty, Null, Boolean, Smallint, Integer,
  // Double or String. Values that are neither (JScript objects and
  // functions) fail with EScriptError.
  Variant Eval(std::string_view expression);

 private:
  template <typename Call>
  auto Guarded(Call&& call);

  std::string language_;
  TScriptLimits limits_;
  int timeouts_ = 0;
  std::unique_ptr<Engine> engine_;
};

}  // namespace tv
