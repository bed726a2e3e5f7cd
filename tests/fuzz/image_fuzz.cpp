// Fuzz target: any bytes as an image file (BMP or PNG, as the extension the
// first byte picks), decoded and cut into pattern cells.
#include "screen/patterns.h"

#include "silent_reporter.h"

#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ravok::fuzz::silence();
    static const std::string base = "/tmp/ravok_image_fuzz_" + std::to_string(getpid());
    std::string path = base + (size > 0 && (data[0] & 1) ? ".png" : ".bmp");
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    ravok::TPatRects set;
    set.surface = ravok::TSurface::load(path);
    if (set.surface && set.surface->width() <= 512 && set.surface->height() <= 512)
        ravok::cutIntoCells(set);
    std::remove(path.c_str());
    return 0;
}
