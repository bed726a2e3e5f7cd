// Fuzz target: any bytes read as a class cache file, past the checksum that
// turns away damage on the disk: a forged file is refused (the compiler then
// reads the source), and what the loader accepts is linked and run, its
// class body and each of its methods, for a bounded number of instructions.
// The same bytes are read as a class image (the kernel's classes in one
// file), whose index must refuse anything that runs past its end.
// Nothing may crash or trip a sanitizer.
#include "compiler/class_cache.h"
#include "compiler/class_image.h"
#include "resources/streams.h"
#include "runtime/class_builder.h"
#include "runtime/fusion.h"
#include "runtime/interpreter.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/rtti.h"
#include "runtime/tf_object.h"

#include "silent_reporter.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string scratchFile() {
    static std::string path = [] {
        char tmpl[] = "/tmp/ravok-cache-fuzz-XXXXXX";
        int fd = mkstemp(tmpl);
        if (fd >= 0) close(fd);
        return std::string(tmpl);
    }();
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ravok::fuzz::silence();
    const ravok::TBootstrapClasses& core = ravok::bootstrapCoreClasses();
    std::string path = scratchFile();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    // The stamp the file claims is taken as the source's, so that the fuzzer
    // reaches the record behind it.
    uint32_t age = size >= 8 ? uint32_t(data[4]) | uint32_t(data[5]) << 8 |
                                   uint32_t(data[6]) << 16 | uint32_t(data[7]) << 24
                             : 0;
    {
        ravok::TClassImage image;
        image.read(path);
        // Every entry's name is compared with this one, and a record found
        // is read to its end.
        std::string_view record = image.recordFor("\\Fuzzed.ravok");
        volatile uint8_t sink = 0;
        for (char c : record)
            sink = sink ^ uint8_t(c);
    }
    auto* cls = ravok::makeClass("Fuzzed", core.object);
    cls->compiled = false;
    bool loaded = false;
    try {
        ravok::TFileReader in(path);
        loaded = ravok::loadClassStream(cls, in, age, false);
    } catch (const std::exception&) {}
    if (loaded) {
        using namespace ravok;
        uint32_t instance = allocateInstance(cls);
        objectAt(instance)->refcount = 1;
        std::vector<TFunction*> entries{nullptr};
        for (TFunction* fn : cls->methods)
            if (fn->owner == cls && fn->hasCode()) entries.push_back(fn);
        for (TFunction* fn : entries) {
            TProcess* p = nullptr;
            try {
                p = createProcess(TValue::ofObject(instance), {}, fn);
            } catch (const std::exception&) {
                continue;
            }
            p->hostOwned = true;
            run(p, 20000);
            freeProcess(p);
        }
        objectAt(instance)->refcount = 0;
        destroyInstance(instance);
    }
    delete cls;
    return 0;
}
