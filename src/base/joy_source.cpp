#include "base/joy_source.h"

namespace ravok {

namespace {
class TNoJoysticks : public TJoySource {
public:
    bool read(int, TJoyReading&) override { return false; }
};
TJoySource* gJoySource = nullptr;
} // namespace

TJoySource& noJoySource() {
    static TNoJoysticks none;
    return none;
}

TJoySource& joySource() { return gJoySource ? *gJoySource : noJoySource(); }
void setJoySource(TJoySource* source) { gJoySource = source; }

} // namespace ravok
