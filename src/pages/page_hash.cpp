#include "pages/page_hash.h"

#include "resources/host_files.h"
#include "runtime/paths.h"
#include "runtime/random.h"
#include "runtime/resource.h"

#include "base/log.h"

#include <set>
#include <string>
#include <vector>

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

namespace {
// Every source file under a resource, each once.
class TSourceFiles : public TResourceIterator {
public:
    void visit(TResource* r) override {
        if (r->sourceFile.empty()) return;
        std::string key = lowerPath(r->sourceFile);
        if (seen.insert(key).second) files.push_back(r->sourceFile);
    }
    std::set<std::string> seen;
    std::vector<std::string> files;
};
} // namespace

std::vector<std::string> sourceFiles(TResource* subtree) {
    TSourceFiles sources;
    if (subtree) subtree->visit(sources);
    return std::move(sources.files);
}

int32_t fileHashSum(const std::vector<std::string>& files) {
    uint32_t sum = 0;
    for (const std::string& f : files)
        sum += uint32_t(pageHashCode(f));
    return int32_t(sum);
}

int32_t fileHashSum(TResource* subtree) { return fileHashSum(sourceFiles(subtree)); }

int32_t pageHashCode(std::string_view path) {
    std::string ext = extension(path);
    if (ext == ".dll" || ext == ".mid") return 0;
    std::string bytes;
    if (!fileExists(path) || readFileUpTo(path, bytes, kMaxSourceBytes) != TReadResult::Ok)
        return 0;
    Log("hashCode .." + std::string(path));
    return hashBytes(bytes);
}

} // namespace ravok
