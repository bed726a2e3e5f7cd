// midiPlayer2: the player's MIDI helper. It lives in the program's Kernel
// folder, watches the command file Kernel/sig beside it, and plays the MIDI
// file it names once ("P") or over and over ("R"), stops ("S") and quits
// ("X"). What the file holds when it starts is an old command and is left
// alone.
//
// usage: midiPlayer2 [--sig FILE] [--soundfont FILE.sf2] [--render FILE.wav]
#include "command_file.h"
#include "command_watcher.h"
#include "midi_synth.h"

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string programFolder() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = 0;
    std::string p = path;
    size_t slash = p.rfind('/');
    return slash == std::string::npos ? "." : p.substr(0, slash);
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string defaultSoundfont() {
    for (const char* sf :
         {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
          "/usr/share/sounds/sf2/FluidR3_GM.sf2"})
        if (exists(sf)) return sf;
    return {};
}

} // namespace

int main(int argc, char** argv) {
    // A player that ends without saying "X" (killed, crashed) takes the
    // helper with it rather than leaving it running unseen.
    pid_t parent = getppid();
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) return 0;
    std::string sig = programFolder() + "/sig", soundfont = defaultSoundfont(), render;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--sig" && i + 1 < argc)
            sig = argv[++i];
        else if (arg == "--soundfont" && i + 1 < argc)
            soundfont = argv[++i];
        else if (arg == "--render" && i + 1 < argc)
            render = argv[++i];
        else {
            std::fprintf(
                stderr,
                "usage: midiPlayer2 [--sig FILE] [--soundfont FILE.sf2] [--render FILE.wav]\n");
            return 2;
        }
    }
    midiplayer::TCommandWatcher watcher(sig);
    midiplayer::TMidiSynth synth(soundfont, render);
    if (!synth.hasSoundfont())
        std::fprintf(stderr, "midiPlayer2: no General MIDI soundfont; MIDI files play silently\n");
    while (true) {
        synth.pump();
        if (!watcher.changed(10)) continue;
        midiplayer::TCommand c = midiplayer::parseCommand(midiplayer::readCommandFile(sig));
        if (c.letter == 'X') break;
        if (c.letter == 'S') synth.stop();
        if (c.letter == 'P' || c.letter == 'R') {
            std::string file = midiplayer::hostFileName(c.argument);
            if (!synth.play(file, c.letter == 'R'))
                std::fprintf(stderr, "midiPlayer2: %s: not a MIDI file\n", file.c_str());
        }
    }
    return 0;
}
