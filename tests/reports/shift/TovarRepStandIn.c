/* A stand-in for the station's goods library "TovarRep.dll" (libTovarRep.so):
 * SetReportsAlias records every path it is given, one per line, where the
 * test reads it (TovarRepCalls). Built a second time without SetReportsAlias
 * (TOVARREP_NO_ALIAS), for a module that lacks the entry. */
#include <stdlib.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

static char* calls = NULL;
static size_t length = 0;

EXPORT const char* TovarRepCalls(void) { return calls == NULL ? "" : calls; }

#ifndef TOVARREP_NO_ALIAS
EXPORT void SetReportsAlias(const char* path) {
  size_t n = strlen(path);
  char* grown = realloc(calls, length + n + 2);
  if (grown == NULL) return;
  calls = grown;
  memcpy(calls + length, path, n);
  length += n;
  calls[length++] = '\n';
  calls[length] = '\0';
}
#endif

__attribute__((destructor)) static void FreeCalls(void) {
  free(calls);
  calls = NULL;
  length = 0;
}
