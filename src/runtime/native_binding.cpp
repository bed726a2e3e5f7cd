#include "runtime/native_binding.h"

#include "runtime/messages.h"
#include "runtime/rtti.h"

#include "base/reporter.h"

namespace ravok {

bool bindNative(TRTTI* cls, std::string_view name, TNativeRoutine routine, bool frameless) {
    TFunction* fn = cls->methodByName(name);
    // A method with code under the name is not a native declaration; binding
    // it would replace script code with a routine, so it is refused alike.
    if (!fn || fn->kind() != TFunctionKind::Native) {
        ReportError(translate("Class") + cls->name + translate(": native function") +
                    std::string(name) + translate(" is undefined."));
        return false;
    }
    auto* native = static_cast<TNativeFunction*>(fn);
    native->routine = routine;
    native->frameless = frameless;
    return true;
}

bool bindNative(std::string_view classPath, std::string_view name, TNativeRoutine routine) {
    TRTTI* cls = resolveClassPath(classPath);
    return cls && bindNative(cls, name, routine);
}

int bindNatives(const std::vector<TNativeBinding>& bindings) {
    int bound = 0;
    // A table lists a class's natives together: its path is resolved once.
    std::string_view lastPath;
    TRTTI* cls = nullptr;
    for (const TNativeBinding& b : bindings) {
        if (!cls || b.classPath != lastPath) {
            cls = resolveClassPath(b.classPath);
            lastPath = b.classPath;
        }
        bound += cls && bindNative(cls, b.name, b.routine, b.frameless);
    }
    return bound;
}

} // namespace ravok
