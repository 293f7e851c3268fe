/* Duktape built from the source that Debian's duktape-dev ships, with the
 * execution-time check of JScriptDuktapeConfig.h, which the packaged
 * library is built without. CMake copies the packaged duktape.c into the
 * build folder with a smaller regular-expression step limit (a regular
 * expression runs without the time check), see platform/CMakeLists.txt. */
#define DUK_COMPILING_DUKTAPE
#include "platform/script/JScriptDuktapeConfig.h"
#include "duktape.c"
