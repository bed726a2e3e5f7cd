#include "runtime/class_builder.h"

#include "runtime/fusion.h"
#include "runtime/runtime_natives.h"
#include "runtime/symbols.h"
#include "runtime/tf_string.h"

namespace ravok {

TRTTI* makeClass(const std::string& name, TRTTI* superclass,
                 std::initializer_list<const char*> fields) {
    auto* cls = new TRTTI(name);
    cls->superclass = superclass;
    cls->inheritFields();
    cls->inheritMethods();
    for (const char* f : fields)
        cls->fieldIndexCreate(f);
    cls->compiled = true;
    return cls;
}

static void installImage(TCompiledInfo& info, TRTTI* owner, const TCodeWriter& code, bool fuse) {
    std::vector<uint8_t> image = code.image();
    if (fuse) fuseImage(image.data(), image.size());
    info.install(image);
    info.owner = owner;
    info.points = code.points();
}

TNormalFunction* addCodeMethod(TRTTI* cls, const std::string& name, int argCount, int localCount,
                               const TCodeWriter& code, TFunctionKind kind, bool fuse) {
    TNormalFunction* fn;
    uint32_t sym = intern(name);
    switch (kind) {
    case TFunctionKind::Constructor:
        fn = new TConstructor(cls, sym);
        break;
    case TFunctionKind::Destructor:
        fn = new TDestructor(cls, sym);
        break;
    default:
        fn = new TNormalFunction(cls, sym);
        break;
    }
    for (int i = 0; i < argCount; ++i)
        fn->argNames.push_back("a" + std::to_string(i));
    for (int i = 0; i < localCount; ++i)
        fn->localNames.push_back("l" + std::to_string(i));
    installImage(fn->code, cls, code, fuse);
    cls->addOrOverride(fn);
    return fn;
}

TNativeFunction* addNativeMethod(TRTTI* cls, const std::string& name, TNativeRoutine routine) {
    auto* fn = new TNativeFunction(cls, intern(name));
    fn->routine = routine;
    cls->addMethod(fn);
    return fn;
}

void setMainBody(TRTTI* cls, const TCodeWriter& code, bool fuse) {
    cls->initCode = std::make_unique<TCompiledInfo>();
    installImage(*cls->initCode, cls, code, fuse);
}

void nativeFreeBody(TValue* cell, int argc, int) {
    if (argc < 1) return;
    const TValue& handle = cell[-1];
    if (handle.kind != vtNative) return;
    delete static_cast<TfString*>(THostRegistry::instance().find(handle, THostKind::String));
}

const TBootstrapClasses& bootstrapCoreClasses() {
    static TBootstrapClasses core = [] {
        TBootstrapClasses c{};
        c.object = makeClass("Object", nullptr);
        c.object->path = "classes.lang.Object";
        for (const TNativeBinding& b : objectProcessNatives())
            addNativeMethod(c.object, b.name, unboundNativeRoutine);
        c.string = makeClass("String", c.object, {"_body"});
        c.string->path = "classes.lang.String";
        TNativeFunction* freeBody = addNativeMethod(c.string, "_free_body", nativeFreeBody);
        // destructor() { _free_body(_body); }
        TCodeWriter dtor;
        dtor.emit(Op_PushThis);
        dtor.emit(Op_PushThis);
        dtor.emit(Op_SMemberValPtr, {uint32_t(c.string->fields.indexOf(symBody))});
        dtor.emit(Op_Deref);
        dtor.emit(Op_NativeCall, {1, freeBody->id()});
        dtor.emit(Op_Pop);
        dtor.emit(Op_PushThis);
        dtor.emit(Op_Ret);
        dtor.emitHalt();
        addCodeMethod(c.string, "destructor", 0, 0, dtor, TFunctionKind::Destructor);
        c.array = makeClass("Array", c.object, {"_x"});
        c.array->path = "classes.lang.Array";
        c.process = makeClass("Process", c.object, {"_h"});
        c.process->path = "classes.lang.Process";
        for (const TNativeBinding& b : processNatives())
            addNativeMethod(c.process, b.name, unboundNativeRoutine);
        c.system = makeClass("System", c.object);
        for (const TNativeBinding& b : systemRuntimeNatives())
            addNativeMethod(c.system, b.name, unboundNativeRoutine);
        setCoreClasses(c.object, c.string, c.array);
        // Declared unbound above and bound by name, as the kernel's natives are.
        bindNatives(objectProcessNatives());
        bindNatives(processNatives());
        bindNatives(systemRuntimeNatives());
        return c;
    }();
    return core;
}

} // namespace ravok
