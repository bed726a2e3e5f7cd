// `ravok-desktop`: the player with its GTK shell. `ravok` hands it the
// command line when a game is to be played in a window; started directly it
// takes the same command line.
#include "app/command_line.h"
#include "app/window_player.h"
#include "desktop/desktop_player.h"
#include "desktop/desktop_wiring.h"
#include "player/debugger.h"

namespace {

class TGtkWindowPlayer : public ravok::TWindowPlayer {
public:
    bool available() override { return ravok::desktopAvailable(); }
    std::optional<int> run(const ravok::TWindowOptions& options, char**) override {
        ravok::wireDesktop();
        if (options.front) ravok::setDebugWindow(options.front);
        return ravok::runDesktop(options);
    }
    bool inProcess() override { return true; }
    ravok::THoldEvents& holdEvents() override { return ravok::desktopHoldEvents(); }
};

} // namespace

int main(int argc, char** argv) {
    TGtkWindowPlayer window;
    return ravok::playerMain(argc, argv, window);
}
