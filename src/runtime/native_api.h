// The native argument interface: what every native routine of the program
// uses to read its arguments and write its result. A routine receives the
// receiver slot (also its result slot) and the argument count; argument i
// (1-based) is the cell 8 * i bytes below the receiver slot. Routines check the
// count first and do nothing when too few arguments are given.
#pragma once

#include "runtime/errors.h"
#include "runtime/host_registry.h"
#include "runtime/tf_object.h"
#include "runtime/value.h"
#include "runtime/value_ops.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace ravok::native {

inline TValue& argument(TValue* cell, int i) { return cell[-i]; }
inline TValue& receiver(TValue* cell) { return *cell; }
inline TVType kind(const TValue& v) { return v.kind; }

// The instance of a vtObject value, or nullptr.
inline TfObject* instance(const TValue& v) { return v.kind == vtObject ? objectAt(v.u) : nullptr; }

// The live host object of a vtNative value, or nullptr (also for a forged or
// stale handle).
inline THostObject* hostObject(const TValue& v) { return THostRegistry::instance().find(v); }

// The host object of a vtNative value as T; a value of another kind, a forged
// or stale handle or one of another type raises a run-time error naming what
// was expected.
[[noreturn]] void refuseHandle(const TValue& v, const char* what);
template <class T> T* hostObjectAs(const TValue& v, const char* what) {
    if (v.kind == vtNative)
        if (T* obj = ravok::findHostObjectAs<T>(v)) return obj;
    // Out of line, so the look-up inlines into every native without the
    // frame that building a message needs.
    refuseHandle(v, what);
}

// value-to-text copied into buffer (at most size - 1 bytes) with a terminating
// zero byte; returns the length of the whole text.
size_t text(const TValue& v, char* buffer, size_t size);
inline std::string text(const TValue& v) { return valueToText(v); }
// The same without a copy for a string (a view of its text, valid while the
// value lives); other values are written into scratch.
std::string_view textView(const TValue& v, std::string& scratch);

inline void incref(const TValue& v) { increment(v); }

// v := a new String instance holding text.
void setString(TValue& v, std::string_view text);

// For a name beginning with "$": the value cell of that global variable
// (created when missing); nullptr for other names.
TValue* globalCell(std::string_view name);
// Assigns v into globalCell(name) when it exists.
void setGlobal(std::string_view name, const TValue& v);

// Runs "extends Object; $_tmp_valueOf=" + expression + ";" and returns the cell
// of $_tmp_valueOf.
TValue* evaluate(std::string_view expression);

// Runs script statements as a class of their own; 0 ran to the end, 1 did not
// compile, 2 ended with a run-time error.
int evaluateStatements(std::string_view text, bool reportErrors = true);

// Where $ globals live. The default keeps them in a table of its own, one
// arena cell per name, for a runtime without a resource tree; the tree's
// scope finds them in the tree.
class TGlobalScope {
public:
    virtual ~TGlobalScope() = default;
    virtual TValue* globalCell(std::string_view name);
};
TGlobalScope& globalScope();
// nullptr restores the default.
void setGlobalScope(TGlobalScope* scope);

// Evaluation of script text, which needs the compiler. The default refuses
// with a run-time error ("Script evaluation is not available.").
class TScriptEvaluator {
public:
    virtual ~TScriptEvaluator() = default;
    virtual TValue* evaluate(std::string_view expression);
    virtual int evaluateStatements(std::string_view text, bool reportErrors);
};
TScriptEvaluator& scriptEvaluator();
// nullptr restores the default.
void setScriptEvaluator(TScriptEvaluator* evaluator);

} // namespace ravok::native
