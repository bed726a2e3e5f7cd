#include "app/command_line.h"

#include "app/console_debugger.h"
#include "app/debug_adapter.h"
#include "app/demo.h"
#include "app/front_end_tools.h"
#include "app/game_opening.h"
#include "app/headless_player.h"
#include "app/linux_export.h"
#include "app/new_game.h"
#include "app/program_home.h"
#include "app/run_script.h"
#include "app/static_server.h"
#include "app/trap_report.h"
#include "app/web_export.h"
#include "app/window_player.h"
#include "base/font_faces.h"
#include "base/log.h"
#include "kernel/message_table.h"
#include "player/shared_wiring.h"
#include "player/source_debugger.h"
#include "resources/environment.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "runtime/build_sizes.h"
#include "runtime/paths.h"
#include "runtime/runtime_natives.h"
#include "runtime/sjis.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace ravok {

namespace {

void usage(FILE* out) {
    std::fprintf(
        out,
        "usage: ravok [--home DIR] [--lang ja|en] [--log] [--print] [--headless] [--frames N]\n"
        "             [--shot N:FILE]\n"
        "             [--gif FIRST:LAST:FILE.gif] [--audio FILE.wav] [--input FILE]\n"
        "             [--record FILE] [--watch]\n"
        "             [FULLSCREEN] [PAGE.cmml | PROJECT.ravokprj | FOLDER]\n"
        "       ravok [--home DIR] --check [--no-warn NAME ...] PAGE|PROJECT|FILE.ravok "
        "[CLASS.ravok ...]\n"
        "       ravok [--home DIR] [--log] [--print] --run FILE [CLASS.ravok ...]\n"
        "       ravok --new FOLDER\n"
        "       ravok [--home DIR] --export GAME OUT [--target linux|web|all]\n"
        "       ravok [--home DIR] --export-web GAME OUT [--serve] | --serve FOLDER [--port N]\n"
        "       ravok --tokens FILE | --parse FILE | --demo\n"
        "  PAGE.cmml       the page to start with (default: the bundled game)\n"
        "  PROJECT.ravokprj  play the project from its start page\n"
        "  FOLDER          play the folder's project, or its only page\n"
        "  --home DIR      the program directory (default: $RAVOK_HOME, else the "
        "executable's folder)\n"
        "  --headless      no window: a virtual clock, one frame per loop turn\n"
        "  --frames N      stop after N game frames (exit status 3 if an error was reported)\n"
        "  --shot N:FILE   save the presented frame N as a PNG file (repeatable)\n"
        "  --gif FIRST:LAST:FILE  save frames FIRST to LAST as an animated GIF file\n"
        "  --audio FILE    record the sound of a headless run as a WAV file\n"
        "  --input FILE    timed key, mouse and joystick events for a headless run\n"
        "  --record FILE   write what is done in the window as an --input file\n"
        "  --watch         reload the page when its file or a class source is saved\n"
        "  --memory-every N  a headless run reports its memory every N frames\n"
        "  --frame-times W  a headless run reports the median and 95th percentile of\n"
        "                  its frame times after W frames of warm-up\n"
        "  --profile         a headless run shows where its time went at exit, and its\n"
        "                  script methods by time\n"
        "  --break FILE:LINE  hold at that line (repeatable): in the debug window, or\n"
        "                  headless in the terminal (commands on standard input)\n"
        "  --debug         a headless run holds at run-time errors in the terminal\n"
        "  --dap           speak the Debug Adapter Protocol on standard input and output\n"
        "  --check FILE    compile every class of a page, a project or script files, and warn\n"
        "                  about traps; exit status 0 or 1\n"
        "  --no-warn NAME  leave out a warning: unassigned, lone-name, extra-arguments,\n"
        "                  missing-arguments, null-compare\n"
        "  --new FOLDER    write a small starter game into FOLDER\n"
        "  --export GAME OUT  write a folder (and OUT.tar.gz) that plays GAME on another Linux\n"
        "                  desktop; --target web: a web page; all: both, in OUT/linux and OUT/web\n"
        "  --export-web GAME OUT  write a folder that plays GAME in a web browser\n"
        "  --serve FOLDER  serve a web export on 127.0.0.1 for a look (--port N, default 8000)\n"
        "  --run FILE ...  compile the class files, then FILE, and run FILE's top-level code\n"
        "  --print         echo print output to standard output\n"
        "  --tokens FILE   print the tokens of a class source\n"
        "  --parse FILE    print the parse tree of a class source\n"
        "  --demo          list and run the built-in demo program\n"
        "  --log           write the log service's lines to standard error\n"
        "  --lang ja|en    the language of the player's messages (default: the locale's)\n"
        "  --help          show this text\n");
}

// The program directory, its settings and the message table of the
// language chosen.
void setUpProgramDirectory(const std::string& homeOption, const std::string& language) {
    setProgramDirectory(fromHostPath(findProgramHome(homeOption)));
    // The fonts the program directory carries come before the system's.
    std::vector<std::string> fonts = fontFolders();
    fonts.insert(fonts.begin(), toHostPath(programDirectory()) + "/Kernel/fonts");
    setFontFolders(fonts);
    TEnvironment::instance().load();
    TMessageTable::instance().loadFromProgramDirectory(
        chooseLanguage(language, TEnvironment::instance().getEnv("Language")));
}

} // namespace

namespace {

int runPlayer(int argc, char** argv, TWindowPlayer& window) {
    wireSharedServices();
    std::string home, language;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--home") home = argv[i + 1];
        if (std::string(argv[i]) == "--lang") language = argv[i + 1];
    }
    if (!language.empty() && language != "ja" && language != "en") {
        std::fprintf(stderr, "ravok: --lang takes ja or en, not %s\n", language.c_str());
        return 1;
    }
    setUpProgramDirectory(home, language);
    THeadlessOptions headless;
    bool headlessGiven = false;
    bool fullScreen = false;
    std::string record;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if ((arg == "--home" || arg == "--lang") && i + 1 < argc) {
            ++i;
        } else if (arg == "--log") {
            setLogEnabled(true);
        } else if (arg == "--print") {
            gEchoPrint = true;
        } else if (arg == "--headless") {
            headlessGiven = true;
        } else if (arg == "--frames" && i + 1 < argc) {
            char* end = nullptr;
            headless.frames = std::strtol(argv[++i], &end, 10);
            if (!end || *end || headless.frames < 0) {
                std::fprintf(stderr, "ravok: --frames needs a number of frames\n");
                return 1;
            }
        } else if (arg == "--shot" && i + 1 < argc) {
            TFrameShot shot;
            if (!parseShot(argv[++i], shot)) {
                std::fprintf(stderr, "ravok: --shot needs FRAME:FILE.png\n");
                return 1;
            }
            headless.shots.push_back(shot);
        } else if (arg == "--gif" && i + 1 < argc) {
            TFrameRun run;
            if (!parseFrameRun(argv[++i], run)) {
                std::fprintf(stderr, "ravok: --gif needs FIRST:LAST:FILE.gif\n");
                return 1;
            }
            headless.gifs.push_back(run);
        } else if (arg == "--memory-every" && i + 1 < argc) {
            char* end = nullptr;
            headless.memoryEvery = std::strtol(argv[++i], &end, 10);
            if (!end || *end || headless.memoryEvery <= 0) {
                std::fprintf(stderr, "ravok: --memory-every needs a number of frames\n");
                return 1;
            }
        } else if (arg == "--frame-times" && i + 1 < argc) {
            char* end = nullptr;
            headless.frameTimesAfter = std::strtol(argv[++i], &end, 10);
            if (!end || *end || headless.frameTimesAfter < 0) {
                std::fprintf(stderr, "ravok: --frame-times needs a number of warm-up frames\n");
                return 1;
            }
        } else if (arg == "--break" && i + 1 < argc) {
            std::string file;
            int line = 0;
            if (!parseBreakpoint(argv[++i], file, line)) {
                std::fprintf(stderr, "ravok: --break needs FILE:LINE\n");
                return 1;
            }
            headless.breaks.push_back({file, line});
        } else if (arg == "--debug") {
            headless.debug = true;
        } else if (arg == "--dap") {
            return runDebugAdapter(window, argv, headlessGiven);
        } else if (arg == "--profile") {
            headless.profile = true;
        } else if (arg == "--audio" && i + 1 < argc) {
            headless.audio = argv[++i];
        } else if (arg == "--watch") {
            headless.watch = true;
        } else if (arg == "--record" && i + 1 < argc) {
            record = argv[++i];
        } else if (arg == "--input" && i + 1 < argc) {
            headless.input = argv[++i];
        } else if (arg == "--check" && i + 1 < argc) {
            std::vector<std::string> files;
            std::set<std::string> silenced;
            for (++i; i < argc; ++i) {
                std::string a = argv[i];
                if (a == "--no-warn" && i + 1 < argc) {
                    if (!isTrapName(argv[++i])) {
                        std::fprintf(stderr, "ravok: --no-warn: no warning is called %s\n",
                                     argv[i]);
                        return 1;
                    }
                    silenced.insert(argv[i]);
                } else {
                    files.push_back(a);
                }
            }
            if (files.empty()) {
                std::fprintf(stderr, "ravok: --check needs a page, a project or script files\n");
                return 1;
            }
            if (equalsNoCase(extension(files[0]), ".ravok")) return checkScripts(files, silenced);
            return checkGame(files[0], silenced);
        } else if (arg == "--new" && i + 1 < argc) {
            return makeNewGame(argv[i + 1]);
        } else if (arg == "--export" && i + 2 < argc) {
            std::string target = "linux";
            if (i + 4 < argc && std::string(argv[i + 3]) == "--target") target = argv[i + 4];
            if (target != "linux" && target != "web" && target != "all") {
                std::fprintf(stderr, "ravok: --target takes linux, web or all, not %s\n",
                             target.c_str());
                return 1;
            }
            std::string out = argv[i + 2];
            if (target == "linux") return exportLinux({argv[i + 1], out, true});
            if (target == "web") return exportWeb({argv[i + 1], out});
            // Both, side by side in OUT.
            int forLinux = exportLinux({argv[i + 1], out + "/linux", true});
            int forWeb = forLinux == 0 ? exportWeb({argv[i + 1], out + "/web"}) : forLinux;
            return forWeb;
        } else if (arg == "--export-web" && i + 2 < argc) {
            TWebExport request{argv[i + 1], argv[i + 2]};
            int result = exportWeb(request);
            bool serve = i + 3 < argc && std::string(argv[i + 3]) == "--serve";
            if (result != 0 || !serve) return result;
            return serveFolder({request.out, 8000, nullptr});
        } else if (arg == "--serve" && i + 1 < argc) {
            TServeRequest request{argv[i + 1], 8000, nullptr};
            if (i + 3 < argc && std::string(argv[i + 2]) == "--port") {
                char* end = nullptr;
                long port = std::strtol(argv[i + 3], &end, 10);
                if (!end || *end || port < 0 || port > 65535) {
                    std::fprintf(stderr, "ravok: --port needs a port number\n");
                    return 1;
                }
                request.port = int(port);
            }
            return serveFolder(request);
        } else if (arg == "--run" && i + 1 < argc) {
            std::string file = argv[++i];
            std::vector<std::string> classes(argv + i + 1, argv + argc);
            // --debug and --break before --run hold the script in the terminal.
            TRunDebugging debugging(nullptr, headless.debug, headless.breaks);
            return runScript(file, classes);
        } else if (arg == "--demo") {
            for (const std::string& line : buildSizeLines())
                Log(line);
            return runDemo();
        } else if ((arg == "--tokens" || arg == "--parse") && i + 1 < argc) {
            std::string path = argv[++i];
            return arg == "--tokens" ? printTokens(path) : printParseTree(path);
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "FULLSCREEN") {
            fullScreen = true; // headless runs ignore it
        } else if (!arg.empty() && arg[0] != '-' && headless.page.empty()) {
            headless.page = arg;
        } else {
            std::fprintf(stderr, "ravok: unknown argument %s\n", arg.c_str());
            usage(stderr);
            return 1;
        }
    }
    headless.fullScreen = fullScreen;
    // A misspelt page must not quietly play the default game instead, nor a
    // folder or a project file open an empty window.
    if (!headless.page.empty()) {
        TGameOpening opening = gameOpeningFor(headless.page);
        if (!opening.error.empty()) {
            std::fprintf(stderr, "ravok: %s\n", opening.error.c_str());
            return 1;
        }
        headless.page = opening.start;
    }
    if (!headlessGiven) {
        if (window.available()) {
            TWindowOptions options;
            options.page = headless.page.empty() ? "" : commandLinePath(headless.page);
            options.fullScreen = fullScreen;
            options.frames = headless.frames;
            options.shots = headless.shots;
            options.gifs = headless.gifs;
            options.record = record;
            options.breaks = headless.breaks;
            options.watch = headless.watch;
            if (!headless.audio.empty())
                std::fprintf(stderr, "ravok: --audio records headless runs only; ignored\n");
            if (auto status = window.run(options, argv)) return *status;
        }
        // Without a display the game still runs: headless, showing what it
        // printed and saving a frame to look at, beside the executable.
        gEchoPrint = true;
        if (headless.frames == 0) headless.frames = 600;
        if (headless.shots.empty())
            headless.shots.push_back({headless.frames, executableFolder() + "/ravok-shot.png"});
        std::fprintf(stderr,
                     "ravok: no display; playing headless for %ld frames, frame %ld saved as %s\n",
                     headless.frames, headless.shots[0].frame, headless.shots[0].file.c_str());
    }
    if (!record.empty())
        std::fprintf(stderr, "ravok: --record records what is done in the window; ignored\n");
    return runHeadless(headless);
}

} // namespace

int playerMain(int argc, char** argv, TWindowPlayer& window) {
    // What escapes every other boundary (the machine refusing the memory the
    // player reserves at start, say) is said, not an abort.
    try {
        return runPlayer(argc, argv, window);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ravok: %s\n", e.what());
        return 1;
    }
}

} // namespace ravok
