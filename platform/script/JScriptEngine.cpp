#include "platform/script/JScriptEngine.h"

#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <string>
#include <unordered_map>

#include "platform/text/Cp1251.h"
#include "platform/script/JScriptDuktapeConfig.h"

#include <duktape.h>

namespace tv {

namespace {

using Clock = std::chrono::steady_clock;

// Header in front of every block the heap allocates: the blocks form a ring
// so that an abandoned heap can still be freed.
struct alignas(std::max_align_t) Block {
  Block* prev;
  Block* next;
  std::size_t size;
};

}  // namespace

struct JScriptEngine::Heap {
  duk_context* ctx = nullptr;
  std::size_t used = 0;
  std::size_t limit = 0;
  Block ring{&ring, &ring, 0};

  Clock::duration callTime{};
  Clock::time_point deadline{};
  bool running = false;
  bool timedOut = false;

  // Compiled code by its text: the engine runs the same formulas and
  // reads the same names for every record. The functions live in the heap
  // stash ("cache", by slot); slots are reused once all are taken.
  std::unordered_map<std::string, int> compiled;
  int nextSlot = 0;

  std::jmp_buf fatalJump{};
  bool insideCall = false;
  bool broken = false;
  std::string fatalMessage;

  void Link(Block* b) {
    b->prev = ring.prev;
    b->next = &ring;
    ring.prev->next = b;
    ring.prev = b;
  }
  static void Unlink(Block* b) {
    b->prev->next = b->next;
    b->next->prev = b->prev;
  }
  void FreeAll() {
    while (ring.next != &ring) {
      Block* b = ring.next;
      Unlink(b);
      std::free(b);
    }
    used = 0;
  }
};

namespace {

using Heap = JScriptEngine::Heap;

// Also the time check of native built-ins (Array.prototype.join on a huge
// array, String.prototype.repeat...): they run outside the bytecode
// executor but allocate as they go, so a call past its deadline gets no
// more memory and fails.
bool TimeIsUp(Heap* h) {
  if (!h->running) return false;
  if (!h->timedOut && Clock::now() > h->deadline) h->timedOut = true;
  return h->timedOut;
}

void* HeapAlloc(void* udata, duk_size_t size) {
  auto* h = static_cast<Heap*>(udata);
  if (size > h->limit - h->used || TimeIsUp(h)) return nullptr;
  auto* b = static_cast<Block*>(std::malloc(sizeof(Block) + size));
  if (b == nullptr) return nullptr;
  b->size = size;
  h->Link(b);
  h->used += size;
  return b + 1;
}

void HeapFree(void* udata, void* ptr) {
  if (ptr == nullptr) return;
  auto* h = static_cast<Heap*>(udata);
  Block* b = static_cast<Block*>(ptr) - 1;
  Heap::Unlink(b);
  h->used -= b->size;
  std::free(b);
}

void* HeapRealloc(void* udata, void* ptr, duk_size_t size) {
  if (ptr == nullptr) return HeapAlloc(udata, size);
  auto* h = static_cast<Heap*>(udata);
  if (size == 0) {
    HeapFree(udata, ptr);
    return nullptr;
  }
  Block* b = static_cast<Block*>(ptr) - 1;
  const std::size_t old = b->size;
  if (size > old && (size - old > h->limit - h->used || TimeIsUp(h))) return nullptr;
  Heap::Unlink(b);
  auto* nb = static_cast<Block*>(std::realloc(b, sizeof(Block) + size));
  if (nb == nullptr) {
    h->Link(b);
    return nullptr;
  }
  nb->size = size;
  h->Link(nb);
  h->used = h->used - old + size;
  return nb + 1;
}

// Duktape's fatal errors do not return. Inside a call we jump back to it
// and give the heap up; elsewhere there is nothing sound left to do.
void HeapFatal(void* udata, const char* msg) {
  auto* h = static_cast<Heap*>(udata);
  if (!h->insideCall) std::abort();
  h->fatalMessage = msg != nullptr ? msg : "";
  std::longjmp(h->fatalJump, 1);
}

// What one call runs; plain data, as a fatal error jumps over it.
struct Job {
  enum Kind { kAssign, kCached, kCompile } kind = kCompile;
  const char* text = nullptr;  // kCompile: the code; kAssign: the name
  std::size_t length = 0;
  double value = 0;  // kAssign
  int slot = -1;     // kCached: the slot to run; kCompile: the slot to fill (-1: none)
  bool stored = false;  // kCompile: the code compiled and went into its slot
};

// Runs the job in the global scope, as eval code with the global object as
// "this" (what duk_peval does, split so that compiled code can be kept);
// the result or the error stays on the stack. 0: success, 1: script
// error, 2: fatal error. Kept free of objects with destructors, as a fatal
// error jumps back into it.
int ProtectedRun(Heap* h, Job* job) {
  duk_context* ctx = h->ctx;
  if (setjmp(h->fatalJump) != 0) return 2;
  if (job->kind == Job::kAssign) {
    duk_push_heap_stash(ctx);
    duk_get_prop_string(ctx, -1, "assign");
    duk_remove(ctx, -2);
    duk_push_lstring(ctx, job->text, job->length);
    duk_push_number(ctx, job->value);
    return duk_pcall(ctx, 2) == 0 ? 0 : 1;
  }
  if (job->kind == Job::kCached) {
    duk_push_heap_stash(ctx);
    duk_get_prop_string(ctx, -1, "cache");
    duk_get_prop_index(ctx, -1, static_cast<duk_uarridx_t>(job->slot));
    duk_remove(ctx, -2);
    duk_remove(ctx, -2);
  } else {
    if (duk_pcompile_lstring(ctx, DUK_COMPILE_EVAL, job->text, job->length) != 0) return 1;
    if (job->slot >= 0) {
      duk_push_heap_stash(ctx);
      duk_get_prop_string(ctx, -1, "cache");
      duk_dup(ctx, -3);
      duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(job->slot));
      duk_pop_2(ctx);
      job->stored = true;
    }
  }
  duk_push_global_object(ctx);
  return duk_pcall_method(ctx, 0) == 0 ? 0 : 1;
}

// The heap's private state, out of the scripts' reach: the code cache and
// a function that assigns a global variable (bound to the global object as
// it was made, whatever a script later does to "globalThis").
duk_ret_t PrepareHeap(duk_context* ctx, void*) {
  duk_push_heap_stash(ctx);
  duk_push_array(ctx);
  duk_put_prop_string(ctx, -2, "cache");
  duk_compile_string(ctx, DUK_COMPILE_FUNCTION,
                     "function (g) { return function (n, v) { g[n] = v; }; }");
  duk_push_global_object(ctx);
  duk_call(ctx, 1);
  duk_put_prop_string(ctx, -2, "assign");
  duk_pop(ctx);
  // The engine's own object is the one built-in that is not standard
  // ECMAScript (threads, finalizers, heap inspection).
  duk_push_global_object(ctx);
  duk_del_prop_string(ctx, -1, "Duktape");
  duk_pop(ctx);
  return 0;
}

bool IsReservedWord(std::string_view name) {
  static constexpr std::string_view kWords[] = {
      "await",    "break",   "case",      "catch",  "class",   "const",      "continue",
      "debugger", "default", "delete",    "do",     "else",    "enum",       "export",
      "extends",  "false",   "finally",   "for",    "function", "if",        "implements",
      "import",   "in",      "instanceof", "interface", "let", "new",        "null",
      "package",  "private", "protected", "public", "return",  "static",     "super",
      "switch",   "this",    "throw",     "true",   "try",     "typeof",     "var",
      "void",     "while",   "with",      "yield"};
  for (std::string_view w : kWords)
    if (w == name) return true;
  return false;
}

// "NAME=number", as the report engine sets its variables: an identifier and
// a decimal number of at most 15 significant digits (which every reading
// gives exactly). Such an assignment is a put on the global object, done
// without compiling its text.
bool ParseAssignment(std::string_view code, std::string_view& name, double& value) {
  const std::size_t eq = code.find('=');
  if (eq == 0 || eq == std::string_view::npos) return false;
  name = code.substr(0, eq);
  auto idStart = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$';
  };
  if (!idStart(name[0])) return false;
  for (char c : name)
    if (!idStart(c) && !(c >= '0' && c <= '9')) return false;
  if (IsReservedWord(name)) return false;
  const std::string_view num = code.substr(eq + 1);
  std::size_t i = num.size() > 0 && num[0] == '-' ? 1 : 0;
  const std::size_t digitsStart = i;
  int digits = 0;
  bool leadingZero = i < num.size() && num[i] == '0';
  while (i < num.size() && num[i] >= '0' && num[i] <= '9') ++i, ++digits;
  if (digits == 0 || (leadingZero && digits > 1)) return false;
  if (i < num.size() && num[i] == '.') {
    ++i;
    while (i < num.size() && num[i] >= '0' && num[i] <= '9') ++i, ++digits;
  }
  if (i < num.size() && (num[i] == 'E' || num[i] == 'e')) {
    ++i;
    if (i < num.size() && (num[i] == '+' || num[i] == '-')) ++i;
    const std::size_t expStart = i;
    while (i < num.size() && num[i] >= '0' && num[i] <= '9') ++i;
    if (i == expStart || i - expStart > 3) return false;
  }
  if (i != num.size() || digits > 15 || digitsStart > i) return false;
  value = std::strtod(std::string(num).c_str(), nullptr);
  return std::isfinite(value);
}

Variant TopValue(duk_context* ctx, std::string_view expression) {
  switch (duk_get_type(ctx, -1)) {
    case DUK_TYPE_UNDEFINED:
      return Variant();
    case DUK_TYPE_NULL:
      return Variant::Null();
    case DUK_TYPE_BOOLEAN:
      return Variant(duk_get_boolean(ctx, -1) != 0);
    case DUK_TYPE_NUMBER:
      return Variant(static_cast<double>(duk_get_number(ctx, -1)));
    case DUK_TYPE_STRING: {
      duk_size_t len = 0;
      const char* s = duk_get_lstring(ctx, -1, &len);
      return Variant(Utf8ToCp1251(std::string_view(s, len)));
    }
    default:
      throw EScriptError("JScript: the value of \"" + std::string(expression) +
                         "\" is not a number, a text or a Boolean");
  }
}

}  // namespace

extern "C" duk_bool_t tv_duk_exec_timeout_check(void* udata) {
  return TimeIsUp(static_cast<Heap*>(udata)) ? 1 : 0;
}

JScriptEngine::JScriptEngine(const TScriptLimits& limits) : heap_(std::make_unique<Heap>()) {
  heap_->limit = limits.MemoryBytes;
  heap_->callTime = limits.CallTime;
  heap_->ctx = duk_create_heap(HeapAlloc, HeapRealloc, HeapFree, heap_.get(), HeapFatal);
  if (heap_->ctx == nullptr) {
    heap_->FreeAll();
    throw EScriptError("JScript: the script engine could not be started");
  }
  if (duk_safe_call(heap_->ctx, PrepareHeap, nullptr, 0, 1) != 0) {
    duk_destroy_heap(heap_->ctx);
    heap_->FreeAll();
    throw EScriptError("JScript: the script engine could not be prepared");
  }
  duk_pop(heap_->ctx);
}

JScriptEngine::~JScriptEngine() {
  if (!heap_->broken) duk_destroy_heap(heap_->ctx);
  heap_->FreeAll();
}

void JScriptEngine::AddCode(std::string_view code) { Run(code, false); }

Variant JScriptEngine::Eval(std::string_view expression) { return Run(expression, true); }

// The slot a newly compiled text goes into; when all are taken, the cache
// starts over, so that texts that never repeat (values of variables) cost
// a bounded amount of memory.
int JScriptEngine::Remember(const std::string& utf8) {
  Heap& h = *heap_;
  if (h.nextSlot >= kCacheSlots) {
    h.compiled.clear();
    h.nextSlot = 0;
  }
  h.compiled.emplace(utf8, h.nextSlot);
  return h.nextSlot++;
}

Variant JScriptEngine::Run(std::string_view code, bool wantResult) {
  Heap& h = *heap_;
  if (h.broken)
    throw EScriptError("JScript: the script engine stopped after a fatal error (" +
                       h.fatalMessage + ")");
  Job job;
  std::string_view name;
  const std::string utf8 = Cp1251ToUtf8(code);
  if (!wantResult && ParseAssignment(utf8, name, job.value)) {
    job.kind = Job::kAssign;
    job.text = name.data();
    job.length = name.size();
  } else if (auto it = h.compiled.find(utf8); it != h.compiled.end()) {
    job.kind = Job::kCached;
    job.slot = it->second;
  } else {
    job.text = utf8.data();
    job.length = utf8.size();
    job.slot = Remember(utf8);
  }
  h.deadline = Clock::now() + h.callTime;
  h.timedOut = false;
  h.running = true;
  h.insideCall = true;
  const int rc = ProtectedRun(&h, &job);
  h.insideCall = false;
  if (rc == 2) {
    h.running = false;
    h.broken = true;
    throw EScriptError("JScript: fatal error of the script engine (" + h.fatalMessage + ")");
  }
  // The error's own toString may be script code, so the time check stays
  // on while the message is made.
  std::string message;
  if (rc == 1) message = Utf8ToCp1251(duk_safe_to_string(h.ctx, -1));
  h.running = false;
  if (h.timedOut) {
    duk_pop(h.ctx);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(h.callTime).count();
    throw EScriptTimeout("JScript: script stopped after running for " + std::to_string(ms) +
                         " ms");
  }
  if (rc == 1) {
    duk_pop(h.ctx);
    if (job.kind == Job::kCompile && job.slot >= 0 && !job.stored) h.compiled.erase(utf8);
    throw EScriptError("JScript: " + message);
  }
  if (!wantResult) {
    duk_pop(h.ctx);
    return Variant();
  }
  try {
    Variant v = TopValue(h.ctx, code);
    duk_pop(h.ctx);
    return v;
  } catch (...) {
    duk_pop(h.ctx);
    throw;
  }
}

}  // namespace tv
