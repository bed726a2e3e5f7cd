#include "base/key_source.h"

namespace ravok {

namespace {
class THeadlessKeySource : public TKeySource {
public:
    bool isDown(int) override { return false; }
    bool applicationActive() override { return true; }
};
} // namespace

TKeySource& headlessKeySource() {
    static THeadlessKeySource source;
    return source;
}

namespace {
TKeySource* gSource = nullptr;
} // namespace

TKeySource& keySource() { return gSource ? *gSource : headlessKeySource(); }
void setKeySource(TKeySource* source) { gSource = source; }

} // namespace ravok
