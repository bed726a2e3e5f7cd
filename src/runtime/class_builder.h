// Building classes by hand from code images: what the class compiler does for
// source text, available to the demo, the tests and the benchmarks, and the
// stand-in core classes (Object, String, Array) used until a kernel is loaded.
#pragma once

#include "runtime/code_writer.h"
#include "runtime/function.h"
#include "runtime/rtti.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace ravok {

// A compiled class with the superclass's fields and methods, then its own fields.
TRTTI* makeClass(const std::string& name, TRTTI* superclass,
                 std::initializer_list<const char*> fields = {});

// Installs the written image (fused unless told otherwise) as a method with
// code; it overrides an inherited method of the same name in place.
TNormalFunction* addCodeMethod(TRTTI* cls, const std::string& name, int argCount, int localCount,
                               const TCodeWriter& code, TFunctionKind kind = TFunctionKind::Normal,
                               bool fuse = true);

// Appends a native declaration bound to routine.
TNativeFunction* addNativeMethod(TRTTI* cls, const std::string& name, TNativeRoutine routine);

// Installs the written image as the class's main body.
void setMainBody(TRTTI* cls, const TCodeWriter& code, bool fuse = true);

// Stand-ins for the kernel classes the runtime needs, made once and installed
// as the core classes: classes.lang.Object (with the process natives suspend,
// currentProcess, breakExec), classes.lang.String (field _body; its destructor
// frees the body), classes.lang.Array (field _x), classes.lang.Process (the
// process natives) and System (_n_setStackSize), natives bound.
struct TBootstrapClasses {
    TRTTI* object;
    TRTTI* string;
    TRTTI* array;
    TRTTI* process;
    TRTTI* system;
};
const TBootstrapClasses& bootstrapCoreClasses();

// String's _free_body: frees the TfString of argument 1.
void nativeFreeBody(TValue* cell, int argc, int reserved);

} // namespace ravok
