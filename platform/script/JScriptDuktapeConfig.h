#pragma once
// Build options of our Duktape on top of the packaged configuration: the
// bytecode executor calls back every few hundred thousand instructions so
// that a script can be stopped when its time is up. Included by the
// Duktape build unit (JScriptDuktape.c) and by every file that calls
// Duktape, so that both sides see one configuration.

#include <duk_config.h>

// The engine is ours alone: its API stays inside the library.
#undef DUK_EXTERNAL_DECL
#undef DUK_EXTERNAL
#define DUK_EXTERNAL_DECL __attribute__((visibility("hidden"))) extern
#define DUK_EXTERNAL __attribute__((visibility("hidden")))

#define DUK_USE_INTERRUPT_COUNTER
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) tv_duk_exec_timeout_check(udata)

#ifdef __cplusplus
extern "C" {
#endif
// True once the running call has passed its deadline; Duktape then throws a
// RangeError at every instruction until the script has left all its
// try/catch/finally blocks. Defined in JScriptEngine.cpp.
duk_bool_t tv_duk_exec_timeout_check(void* udata);
#ifdef __cplusplus
}
#endif
