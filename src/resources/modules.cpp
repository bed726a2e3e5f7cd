#include "resources/modules.h"

#include "resources/host_files.h"
#include "resources/module_api.h"
#include "resources/program_paths.h"
#include "resources/resource_kinds.h"
#include "resources/resource_tree.h"
#include "runtime/native_api.h"
#include "runtime/native_binding.h"
#include "runtime/paths.h"

#include <cstring>
#include <dlfcn.h>

namespace ravok {

namespace {

TValue* cell(TModuleValue* v) { return reinterpret_cast<TValue*>(v); }
TModuleValue* moduleCell(TValue* v) { return reinterpret_cast<TModuleValue*>(v); }

void bindNativeEntry(const char* classPath, const char* methodName, TModuleRoutine routine) {
    if (!classPath || !methodName || !routine) return;
    bindNative(classPath, methodName, reinterpret_cast<TNativeRoutine>(routine));
}
TModuleValue* resultCellEntry(TModuleValue* frame) { return frame; }
TModuleValue* argumentCellEntry(TModuleValue* frame, int n) {
    return moduleCell(&native::argument(cell(frame), n));
}
int valueKindEntry(TModuleValue* c) { return cell(c)->kind; }
int toIntegerEntry(TModuleValue* c) { return toInt(*cell(c)); }
int toTextEntry(TModuleValue* c, char* buffer) {
    std::string text = valueToText(*cell(c));
    if (buffer) {
        std::memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = '\0';
    }
    return int(text.size());
}
void copyValueEntry(TModuleValue* destination, TModuleValue* source) {
    assign(*cell(destination), cell(source));
}
void setIntegerEntry(TModuleValue* c, int value) { setInt(*cell(c), value); }

class TModuleInitializer : public TResourceIterator {
public:
    void visit(TResource* r) override {
        auto* m = dynamic_cast<TModuleRes*>(r);
        if (!m || !m->library()) return;
        auto init = reinterpret_cast<TInitModule>(dlsym(m->library(), "initModule"));
        if (init) init(&moduleCallTable());
    }
};

} // namespace

const ::TModuleCallTable& moduleCallTable() {
    static const ::TModuleCallTable table = {bindNativeEntry, resultCellEntry, argumentCellEntry,
                                             valueKindEntry,  toIntegerEntry,  toTextEntry,
                                             copyValueEntry,  setIntegerEntry};
    return table;
}

void discoverModules() {
    std::string dir = resolve("kernel\\modules", programDirectory());
    for (const std::string& m : listDirectory(dir).folders) {
        std::string bundle = dir + "\\" + m + "\\" + m + ".ravokres";
        if (fileExists(bundle)) createLinked(bundle, "modules." + m);
    }
    if (TResource* modules = resourceRoot() ? resourceRoot()->lookup("modules") : nullptr)
        modules->initialize();
}

void bindModules(TResource* subtree) {
    if (!subtree && resourceRoot()) subtree = resourceRoot()->lookup("modules");
    if (!subtree) return;
    TModuleInitializer initializer;
    subtree->visit(initializer);
}

} // namespace ravok
