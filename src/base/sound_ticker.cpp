#include "base/sound_ticker.h"

namespace ravok {

namespace {
TSoundTicker gSilent;
TSoundTicker* gTicker = &gSilent;
} // namespace

TSoundTicker& soundTicker() { return *gTicker; }
void setSoundTicker(TSoundTicker* ticker) { gTicker = ticker ? ticker : &gSilent; }

} // namespace ravok
