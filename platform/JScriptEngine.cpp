#include "platform/JScriptEngine.h"

#include <csetjmp>
#include <cstdlib>
#include <string>

#include "platform/Cp1251.h"
#include "platform/JScriptDuktapeConfig.h"

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

// Compiles and runs the code as global eval code; the result or the error
// stays on the stack. 0: success, 1: script error, 2: fatal error. Kept
// free of objects with destructors, as a fatal error jumps back into it.
int ProtectedEval(Heap* h, const char* src, std::size_t len) {
  if (setjmp(h->fatalJump) != 0) return 2;
  return duk_peval_lstring(h->ctx, src, len) == 0 ? 0 : 1;
}

// Removes the engine's own object, the one built-in that is not standard
// ECMAScript (threads, finalizers, heap inspection).
void RemoveHostObjects(duk_context* ctx) {
  duk_push_global_object(ctx);
  duk_del_prop_string(ctx, -1, "Duktape");
  duk_pop(ctx);
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
  RemoveHostObjects(heap_->ctx);
}

JScriptEngine::~JScriptEngine() {
  if (!heap_->broken) duk_destroy_heap(heap_->ctx);
  heap_->FreeAll();
}

void JScriptEngine::AddCode(std::string_view code) { Run(code, false); }

Variant JScriptEngine::Eval(std::string_view expression) { return Run(expression, true); }

Variant JScriptEngine::Run(std::string_view code, bool wantResult) {
  Heap& h = *heap_;
  if (h.broken)
    throw EScriptError("JScript: the script engine stopped after a fatal error (" +
                       h.fatalMessage + ")");
  const std::string utf8 = Cp1251ToUtf8(code);
  h.deadline = Clock::now() + h.callTime;
  h.timedOut = false;
  h.running = true;
  h.insideCall = true;
  const int rc = ProtectedEval(&h, utf8.data(), utf8.size());
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
