// Keeping the music playing while the player is busy elsewhere: a message
// waiting to be shown, a long pattern cut, a long page reconstruction. The
// layers that are busy sit below the sound engine, so they tick it through
// this interface; the default ticks nothing, which is right for a player
// without sound.
#pragma once

namespace ravok {

class TSoundTicker {
public:
    virtual ~TSoundTicker() = default;
    virtual void tick() {}
};

TSoundTicker& soundTicker();
// nullptr restores the silent default.
void setSoundTicker(TSoundTicker* ticker);

} // namespace ravok
