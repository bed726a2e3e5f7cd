#include "base/key_source.h"

#include "base/seam.h"

namespace ravok {

namespace {
class THeadlessKeySource : public TKeySource {
public:
    bool isDown(int) override { return false; }
    bool applicationActive() override { return true; }
};
} // namespace

namespace {
THeadlessKeySource gHeadless;
constinit TSeam<TKeySource> gSource(gHeadless);
} // namespace

TKeySource& headlessKeySource() { return gHeadless; }
TKeySource& keySource() { return gSource.get(); }
void setKeySource(TKeySource* source) { gSource.install(source); }

} // namespace ravok
