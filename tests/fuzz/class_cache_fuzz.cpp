// Fuzz target: any bytes read as a class cache file. A damaged file is
// refused (the compiler then reads the source); nothing may crash, and what
// is accepted must be an image the interpreter can walk.
#include "compiler/class_cache.h"
#include "resources/streams.h"
#include "runtime/class_builder.h"
#include "runtime/fusion.h"

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
    auto* cls = ravok::makeClass("Fuzzed", core.object);
    cls->compiled = false;
    try {
        ravok::TFileReader in(path);
        ravok::loadClassStream(cls, in, age);
        if (cls->initCode) ravok::fuseImage(cls->initCode->codePtr(), cls->initCode->size());
    } catch (const std::exception&) {}
    delete cls;
    return 0;
}
