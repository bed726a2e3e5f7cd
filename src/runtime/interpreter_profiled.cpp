// The interpreter's loop as the method profiler runs it (interpreter_loop.inc).
#include "runtime/interpreter.h"

#include "runtime/code_traps.h"
#include "runtime/method_profile.h"

#include "base/seam.h"

#include "runtime/arithmetic.h"
#include "runtime/close_names.h"
#include "runtime/errors.h"
#include "runtime/function.h"
#include "runtime/messages.h"
#include "runtime/opcodes.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/rtti.h"
#include "runtime/string_append.h"
#include "runtime/symbols.h"
#include "runtime/tf_string.h"
#include "runtime/value_list.h"
#include "runtime/value_ops.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#ifndef RAVOK_SWITCH_DISPATCH
#define RAVOK_COMPUTED_GOTO 1
#endif

namespace ravok {

namespace {
#define RAVOK_LOOP_NAME executeLoop
#define RAVOK_LOOP_PROFILED 1
#include "runtime/interpreter_loop.inc"
#undef RAVOK_LOOP_NAME
#undef RAVOK_LOOP_PROFILED
} // namespace

void executeProfiled(TProcess* p) { executeLoop(p); }

} // namespace ravok
