#include "base/wave_out.h"

namespace ravok {

namespace {
class TNoWaveOut final : public TWaveOut {
public:
    int open(const int16_t*, int32_t) override { return 6; }
    void close() override {}
    int64_t playPosition() override { return 0; }
};
} // namespace

TWaveOut& noWaveOut() {
    static TNoWaveOut none;
    return none;
}

} // namespace ravok
