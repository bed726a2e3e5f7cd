#include "compiler/class_compiler.h"
#include "runtime/resource.h"
#include "runtime/rtti.h"

namespace ravok {

// Compiles a test class with Object as its superclass.
bool compileForTest(TRTTI* c, const std::string& source) {
    auto* object = dynamic_cast<TRTTI*>(resourceRoot()->lookup("classes.lang.Object"));
    return !CompileClass(c, source, {true, object, false}) && c->compiled;
}

} // namespace ravok
