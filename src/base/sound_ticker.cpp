#include "base/sound_ticker.h"

#include "base/seam.h"

namespace ravok {

namespace {
TSoundTicker gSilent;
constinit TSeam<TSoundTicker> gTicker(gSilent);
} // namespace

TSoundTicker& soundTicker() { return gTicker.get(); }
void setSoundTicker(TSoundTicker* ticker) { gTicker.install(ticker); }

} // namespace ravok
