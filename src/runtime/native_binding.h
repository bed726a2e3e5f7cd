// Binding native routines to the native declarations of script classes, by
// class and name. A subsystem lists its natives as (class path, name, routine)
// rows in its own *_natives.cpp; the boot binds the lists in its order.
#pragma once

#include "runtime/function.h"

#include <string>
#include <string_view>
#include <vector>

namespace ravok {

class TRTTI;

struct TNativeBinding {
    const char* classPath; // a dotted path or a short class name
    const char* name;
    TNativeRoutine routine;
    bool frameless = false; // see TNativeFunction::frameless
};

// Installs routine as the body of the first native declaration named `name`.
// A class that declares no such native gets the message box
// "Class" + class + ": native function" + name + " is undefined." and every
// other binding stays as it was. Returns whether it bound.
bool bindNative(TRTTI* cls, std::string_view name, TNativeRoutine routine, bool frameless = false);

// Resolves the class path first; binds only when a class is found.
bool bindNative(std::string_view classPath, std::string_view name, TNativeRoutine routine);

// Binds every row; returns how many bound.
int bindNatives(const std::vector<TNativeBinding>& bindings);

} // namespace ravok
