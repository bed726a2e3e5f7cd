#include "app/linux_export.h"

#include "app/exported_game.h"
#include "app/web_export.h"
#include "base/encoding.h"
#include "base/font_faces.h"
#include "base/surface.h"
#include "resources/host_files.h"
#include "resources/saves_folder.h"
#include "runtime/directories.h"
#include "runtime/messages.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace ravok {

namespace fs = std::filesystem;

namespace {

std::string said(const char* text) { return cp932ToTerminal(translate(text)); }

void writeAll(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
}

// A file name as a shell word.
std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs a program without a shell; its exit status, or -1.
int run(const std::vector<std::string>& args, std::string* output = nullptr) {
    int pipeFds[2];
    if (output && ::pipe(pipeFds) != 0) return -1;
    pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (output) {
            ::dup2(pipeFds[1], 1);
            ::close(pipeFds[0]);
            ::close(pipeFds[1]);
        }
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    if (output) {
        ::close(pipeFds[1]);
        char buf[4096];
        ssize_t n;
        while ((n = ::read(pipeFds[0], buf, sizeof buf)) > 0)
            output->append(buf, size_t(n));
        ::close(pipeFds[0]);
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The game's icon: the project's `icon` picture when it names one, else a
// tile with the title's first letter.
bool writeIcon(const fs::path& gameFolder, const std::string& iconParam, const std::string& title,
               const fs::path& out) {
    if (!iconParam.empty()) {
        std::string error;
        if (auto picture = TSurface::load((gameFolder / iconParam).string(), &error))
            return picture->savePng(out.string());
    }
    auto tile = TSurface::create(64, 64);
    if (!tile) return false;
    tile->fillRect({0, 0, 64, 64}, 0x602010);
    tile->fillRect({4, 4, 60, 60}, 0x904020);
    std::string letter = title.empty() ? "R" : utf8ToCp932(title.substr(0, 1));
    TPoint size = tile->textExtent(letter, "", 30, kFontBold);
    tile->text((64 - size.x) / 2, (64 - size.y) / 2, letter, "", 30, kFontBold, 0x40E0FF);
    return tile->savePng(out.string());
}

const char* const kReadme =
    R"(This folder plays @TITLE@ on a Linux desktop (Debian, Ubuntu and the like,
64-bit PC).

Play: double-click `play`, or run `./play` in a terminal. `./play --install`
adds the game to the desktop's menu (a .desktop file in
~/.local/share/applications).

The folder can be anywhere, read-only too: the game keeps its saves and
settings in your own folders (~/.local/share/ravok/@GAME_ID@/files and
~/.config/ravok). Everything else it needs is inside this folder: the
player (ravok, ravok-desktop), its kernel, the fonts (IPA fonts, licence in
Kernel/fonts/IPA_Font_License.txt) and the libraries in lib/ that a desktop
may lack. It uses the desktop's own C library, graphics, X11/Wayland and
sound.

----

このフォルダーで @TITLE@ を Linux のデスクトップ（Debian、Ubuntu など、
64 ビットの PC）で遊べます。

遊ぶには `play` をダブルクリックするか、端末で `./play` を実行します。
`./play --install` でデスクトップのメニューに追加されます
（~/.local/share/applications に .desktop ファイルを置きます）。

フォルダーはどこに置いても、読み取り専用でもかまいません。セーブと設定は
あなた自身のフォルダー（~/.local/share/ravok/@GAME_ID@/files と
~/.config/ravok）に書かれます。そのほかに必要なものはすべてこのフォルダーの
中にあります。プレイヤー（ravok、ravok-desktop）、カーネル、フォント
（IPA フォント。使用許諾は Kernel/fonts/IPA_Font_License.txt）、そして
デスクトップにないかもしれないライブラリー（lib/）です。C ライブラリー、
グラフィックス、X11/Wayland、サウンドはデスクトップのものを使います。
)";

} // namespace

bool isBaseLibrary(const std::string& soname) {
    static const char* const kBase[] = {
        "linux-vdso", "ld-linux", "libc.so", "libm.so", "libpthread.so", "libdl.so", "librt.so",
        "libresolv.so", "libutil.so", "libgcc_s.so",
        // graphics drivers and the window systems' client libraries
        "libGL", "libEGL", "libGLX", "libGLdispatch", "libgbm.so", "libdrm", "libX", "libxcb",
        "libxkbcommon", "libwayland-", "libdecor-",
        // sound and session services: they must match the running servers
        "libasound.so", "libpulse", "libdbus-1.so", "libsystemd.so", "libudev.so", "libjack",
        // the system's own: security, mounts, hashing
        "libselinux.so", "libmount.so", "libblkid.so", "libcap.so", "libgcrypt.so",
        "libgpg-error.so", "libz.so"};
    for (const char* prefix : kBase)
        if (soname.rfind(prefix, 0) == 0) return true;
    return false;
}

std::vector<std::pair<std::string, std::string>> sharedLibrariesOf(const std::string& program) {
    std::vector<std::pair<std::string, std::string>> found;
    std::string text;
    if (run({"ldd", program}, &text) != 0) return found;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string name, arrow, path;
        words >> name >> arrow >> path;
        if (arrow == "=>" && !path.empty() && path[0] == '/')
            found.emplace_back(fs::path(name).filename().string(), path);
    }
    return found;
}

int exportLinux(const TLinuxExport& request) {
    TExportedGame game;
    if (!openExportedGame(request.game, game)) return 1;
    fs::path start(game.start), gameFolder(game.folder);
    fs::path home(toHostPath(programDirectory()));
    fs::path out(request.out);
    std::error_code ec;
    if (fs::exists(out, ec) && !fs::is_empty(out, ec) && !fs::exists(out / "play", ec)) {
        std::fprintf(stderr, "ravok: %s %s\n", request.out.c_str(),
                     said("already holds files that are not an export").c_str());
        return 1;
    }
    fs::remove_all(out, ec);
    fs::create_directories(out / "lib", ec);

    // The programs, the kernel (its caches and this machine's settings
    // left), the tones, the fonts, and the game.
    const char* programs[] = {"ravok", "ravok-desktop"};
    for (const char* p : programs) {
        fs::copy_file(home / p, out / p, fs::copy_options::overwrite_existing, ec);
        // A build with debugging information is ten times the program; where
        // the tool is there, the copy goes without it.
        run({"strip", "--strip-debug", (out / p).string()});
    }
    auto skip = fs::copy_options::recursive | fs::copy_options::overwrite_existing;
    fs::copy(home / "Kernel", out / "Kernel", skip, ec);
    fs::remove(out / "Kernel" / "Cookies.ini", ec);
    fs::remove_all(out / "Kernel" / "web", ec);
    fs::copy_file(home / "tones.wdt", out / "tones.wdt", fs::copy_options::overwrite_existing, ec);
    fs::create_directories(out / "Kernel" / "fonts", ec);
    for (const std::string& font : fontFilesOfGame(gameFolder.string()))
        for (const std::string& folder : fontFolders()) {
            fs::path file = fs::path(folder) / font;
            if (fs::is_regular_file(file, ec) && !fs::exists(out / "Kernel" / "fonts" / font, ec)) {
                fs::copy_file(file, out / "Kernel" / "fonts" / font, ec);
                break;
            }
        }
    fs::copy(gameFolder, out / "game", skip, ec);
    fs::remove_all(out / "game" / "Temp", ec);
    if (ec) {
        std::fprintf(stderr, "ravok: %s: %s\n", request.out.c_str(), ec.message().c_str());
        return 1;
    }

    // The libraries a desktop may lack: what the programs load (and the font
    // library, which the player opens itself), less the base set.
    std::map<std::string, std::string> libraries;
    std::vector<std::string> loaded = {(home / "ravok").string(),
                                       (home / "ravok-desktop").string()};
    if (fs::exists(home / "Kernel" / "midiPlayer2", ec))
        loaded.push_back((home / "Kernel" / "midiPlayer2").string());
    for (const std::string& program : loaded)
        for (const auto& [name, path] : sharedLibrariesOf(program))
            libraries[name] = path;
    for (const auto& [name, path] : sharedLibrariesOf((home / "ravok-desktop").string()))
        if (name.rfind("libfreetype", 0) == 0) libraries[name] = path;
    for (const auto& [name, path] : libraries)
        if (!isBaseLibrary(name))
            fs::copy_file(path, out / "lib" / name, fs::copy_options::overwrite_existing, ec);

    const std::string& title = game.title;
    const std::string& id = game.id;
    writeIcon(gameFolder, game.icon, title, out / "icon.png");

    std::string startName = start.filename().string();
    std::string launcher =
        "#!/bin/sh\n"
        "# Plays " +
        title +
        ". Saves and settings go to the user's own folders.\n"
        "here=$(cd \"$(dirname \"$0\")\" && pwd)\n"
        "if [ \"$1\" = \"--install\" ]; then\n"
        "    apps=\"${XDG_DATA_HOME:-$HOME/.local/share}/applications\"\n"
        "    mkdir -p \"$apps\" && sed \"s|@HERE@|$here|g\" \"$here/" +
        id +
        ".desktop\" > "
        "\"$apps/ravok-" +
        id + ".desktop\" && echo \"$apps/ravok-" + id +
        ".desktop\"\n"
        "    exit\n"
        "fi\n"
        "export LD_LIBRARY_PATH=\"$here/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}\"\n"
        "export RAVOK_SAVES=user\n"
        "exec \"$here/ravok\" --home \"$here\" \"$@\" \"$here/game/" +
        startName + "\"\n";
    writeAll(out / "play", launcher);
    fs::permissions(out / "play",
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec,
                    ec);
    writeAll(out / (id + ".desktop"), "[Desktop Entry]\nType=Application\nName=" + title +
                                          "\nExec=\"@HERE@/play\"\nIcon=@HERE@/icon.png\n"
                                          "Terminal=false\nCategories=Game;\n");
    std::string readme = kReadme;
    for (auto [what, with] :
         {std::pair<std::string, std::string>{"@TITLE@", title}, {"@GAME_ID@", id}})
        for (size_t at = readme.find(what); at != std::string::npos; at = readme.find(what))
            readme.replace(at, what.size(), with);
    writeAll(out / "README.txt", readme);

    if (request.archive) {
        fs::path absolute = fs::absolute(out);
        std::string tarball = absolute.string() + ".tar.gz";
        if (run({"tar", "-czf", tarball, "-C", absolute.parent_path().string(),
                 absolute.filename().string()}) != 0)
            std::fprintf(stderr, "ravok: %s %s\n", tarball.c_str(),
                         said("cannot be written").c_str());
    }
    std::string text = said("The Linux folder was written to:") + "\n  " + request.out + "\n" +
                       said("Play it with:") + "\n  " + quoted((out / "play").string()) + "\n";
    std::fputs(text.c_str(), stdout);
    return 0;
}

} // namespace ravok
