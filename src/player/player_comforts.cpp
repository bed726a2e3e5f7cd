#include "player/player_comforts.h"

#include "player/main_loop.h"
#include "resources/player_settings.h"
#include "sound/sorvald.h"

namespace ravok {

void loadPlayerSettings() {
    TPlayerSettings::instance().load();
    applyPlayerVolume();
}

void applyPlayerVolume() {
    const TPlayerSettings& s = TPlayerSettings::instance();
    soundEngine().setPlayerGains(s.musicGain(), s.effectsGain());
}

bool togglePlayerPause() {
    TMainLoop& loop = TMainLoop::instance();
    loop.HeldByPlayer = !loop.HeldByPlayer;
    return loop.HeldByPlayer;
}

} // namespace ravok
