#include "boot.h"

#include "class_compiler.h"
#include "core_natives.h"
#include "evaluator.h"
#include "input_natives.h"
#include "kernel_natives.h"
#include "native_binding.h"
#include "program_paths.h"
#include "resource_reader.h"
#include "resources_natives.h"
#include "rtti.h"
#include "runtime_natives.h"

#include "platform/log.h"
#include "platform/reporter.h"

#include <memory>

namespace ravok {

namespace {
std::unique_ptr<TResource>& root() {
    static auto* r = new std::unique_ptr<TResource>();
    return *r;
}

TRTTI* kernelClass(const char* path) { return dynamic_cast<TRTTI*>(root()->lookup(path)); }
} // namespace

TResource* kernelRoot() { return root().get(); }

bool bootKernel() {
    Notice("Starting System..");
    setBaseDirectory(programDirectory());
    installCompiler();
    installEvaluator();
    try {
        Notice("Loading Kernel Resources..");
        root() = readResourceFile("Kernel\\resource.ravokres");
        if (!root()) return false;
        setResourceRoot(root().get());
        installResourceHooks();
        Notice("Compiling Kernel Resources..");
        root()->initialize();
    } catch (const std::exception& e) {
        ReportError(e.what());
        return false;
    }
    setCoreClasses(kernelClass("classes.lang.Object"), kernelClass("classes.lang.String"),
                   kernelClass("classes.lang.Array"));
    Notice("Setting Native Interfaces..");
    for (const auto* list :
         {&arrayNatives(),           &objectCoreNatives(),     &objectLibraryNatives(),
          &stringLibraryNatives(),   &hashTableNatives(),      &objectProcessNatives(),
          &objectFileNatives(),      &objectResourceNatives(), &stringNatives(),
          &processNatives(),         &systemRuntimeNatives(),  &cmmlNatives(),
          &builtInResourceNatives(), &customResourceNatives(), &resourceReaderNatives(),
          &resourceWriterNatives(),  &fileReaderNatives(),     &fileWriterNatives(),
          &rankingNatives(),         &systemKernelNatives(),   &inputNatives()})
        bindNatives(*list);
    Notice("Ready");
    return true;
}

} // namespace ravok
