// One scratch file per fuzz process, rewritten with every input, for readers
// that take a path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace ravok::fuzz {

inline std::string writeScratch(const uint8_t* data, size_t size, const char* suffix = "") {
    static const std::string base = "/tmp/ravok_fuzz_" + std::to_string(getpid());
    std::string path = base + suffix;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

} // namespace ravok::fuzz
