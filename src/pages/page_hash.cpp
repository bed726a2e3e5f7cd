#include "pages/page_hash.h"

#include "resources/host_files.h"
#include "runtime/paths.h"
#include "runtime/random.h"

#include "base/log.h"

#include <string>

namespace ravok {

int32_t hashBytes(std::string_view bytes) {
    TRandom& random = TRandom::instance();
    uint32_t h = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        uint32_t b = static_cast<unsigned char>(bytes[i]);
        random.seed(b * uint32_t(i));
        random.draw();
        uint32_t k = random.drawBelow(3);
        for (uint32_t j = 0; j <= k; ++j)
            h += random.draw();
    }
    return int32_t(h);
}

int32_t pageHashCode(std::string_view path) {
    std::string ext = extension(path);
    if (ext == ".dll" || ext == ".mid") return 0;
    std::string bytes;
    if (!fileExists(path) || !readWholeFile(path, bytes)) return 0;
    Log("hashCode .." + std::string(path));
    return hashBytes(bytes);
}

} // namespace ravok
