// Fuzz target: any bytes as a page or project file: read into resources
// (classes, generators with their instance values, globals, lists), hung into
// the tree as the page, and its reconstruction script built and compiled.
#include "compiler/class_compiler.h"
#include "pages/page_reconstruction.h"
#include "resources/resource_reader.h"
#include "resources/resource_tree.h"
#include "runtime/class_builder.h"
#include "runtime/resource.h"
#include "runtime/rtti.h"

#include "scratch_file.h"
#include "silent_reporter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ravok::fuzz::silence();
    static const ravok::TBootstrapClasses& core = ravok::bootstrapCoreClasses();
    (void)core;
    static std::unique_ptr<ravok::TResource> root = [] {
        auto r = ravok::readResourceText("<resourcelist name=\"root\"></resourcelist>");
        ravok::setResourceRoot(r.get());
        return r;
    }();
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        auto page = ravok::readResourceText(text, "/tmp");
        if (!page) return 0;
        ravok::attach("usr", std::move(page));
        std::string script;
        for (const std::string& line : ravok::reconstructionScript("/tmp/fuzz.cmml"))
            script += line + "\r\n";
        ravok::TRTTI scratch("eval");
        ravok::CompileClass(&scratch, script, {false, nullptr, false});
    } catch (const std::exception&) {}
    ravok::remove("usr");
    return 0;
}
