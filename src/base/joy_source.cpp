#include "base/joy_source.h"

#include "base/seam.h"

namespace ravok {

namespace {
class TNoJoysticks : public TJoySource {
public:
    bool read(int, TJoyReading&) override { return false; }
};
TNoJoysticks gNone;
constinit TSeam<TJoySource> gJoySource(gNone);
} // namespace

TJoySource& noJoySource() { return gNone; }
TJoySource& joySource() { return gJoySource.get(); }
void setJoySource(TJoySource* source) { gJoySource.install(source); }

} // namespace ravok
