#pragma once
// JScript on Duktape. Why Duktape: Debian packages it (duktape-dev) with its
// whole source as one C file, it is an ECMAScript 5.1 engine with parts of
// later editions (close to what JScript formulas are written in), it embeds
// with a small C API and keeps all its state in one heap object, and it has
// no I/O of its own: no file, process, network or module loader unless the
// host adds one. We add none and remove the engine's own "Duktape" object
// (threads, finalizers, heap internals), so a script sees only the standard
// built-ins.
//
// Stopping a script on time needs Duktape's interrupt counter, which the
// packaged library is built without; we therefore compile the packaged
// source ourselves with that option (JScriptDuktapeConfig.h). The check
// runs in the bytecode executor. Built-ins run in native code without it:
// those that allocate as they work (join, repeat, concatenation) are
// stopped by our allocator, which gives a call past its deadline no more
// memory; regular expressions by their own step limit, lowered at build
// time to a fraction of a second of backtracking. The allocator also
// limits the heap's size and records every block: should Duktape ever hit
// a fatal error, the heap is abandoned and freed block by block, and the
// engine fails all further calls instead of aborting the process.

#include <memory>
#include <string>
#include <string_view>

#include "platform/script/ScriptControl.h"

namespace tv {

class JScriptEngine : public ScriptControl::Engine {
 public:
  // EScriptError when the heap cannot be made.
  explicit JScriptEngine(const TScriptLimits& limits);
  ~JScriptEngine() override;

  void AddCode(std::string_view code) override;
  Variant Eval(std::string_view expression) override;

  struct Heap;

 private:
  static constexpr int kCacheSlots = 256;

  Variant Run(std::string_view code, bool wantResult);
  int Remember(const std::string& utf8);

  std::unique_ptr<Heap> heap_;
};

}  // namespace tv
