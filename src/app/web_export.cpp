#include "app/web_export.h"

#include "app/exported_game.h"
#include "base/encoding.h"
#include "base/font_faces.h"
#include "base/regular_file.h"
#include "resources/host_files.h"
#include "resources/saves_folder.h"
#include "runtime/directories.h"
#include "runtime/messages.h"
#include "runtime/paths.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace ravok {

namespace fs = std::filesystem;

namespace {

std::string said(const char* text) { return cp932ToTerminal(translate(text)); }

// Pack entries and sources are read whole; a font is the largest of them.
bool readWhole(const fs::path& path, std::string& bytes) {
    return readRegularFile(path.string(), bytes, size_t(1) << 30) == TRegularRead::Ok;
}

std::string lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Files of a folder, recursively, with their paths relative to it; hidden
// files, the player's Temp folders and the editor's backups left out.
std::vector<fs::path> filesUnder(const fs::path& root) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::string name = it->path().filename().string();
        bool skip = name.empty() || name[0] == '.' || name == "Temp" || name.back() == '~';
        if (skip) {
            if (it->is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(ec)) found.push_back(fs::relative(it->path(), root, ec));
    }
    std::sort(found.begin(), found.end());
    return found;
}

struct TPackEntry {
    std::string path; // in the page's file system
    fs::path from;
};

std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\')
            out += '\\', out += char(c);
        else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else
            out += char(c);
    }
    return out + "\"";
}

// The pack the page unpacks: "RAVOKPACK1\n", the index's length (4 bytes,
// little-endian), the index as JSON, the contents in the index's order.
bool writePack(const std::vector<TPackEntry>& entries, const fs::path& out, std::string& error) {
    std::vector<std::string> contents;
    std::string index = "{\"files\":[";
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string bytes;
        if (!readWhole(entries[i].from, bytes)) {
            error = entries[i].from.string() + ": " + said("cannot be read");
            return false;
        }
        index += (i ? "," : "") + std::string("{\"path\":") + jsonString(entries[i].path) +
                 ",\"size\":" + std::to_string(bytes.size()) + "}";
        contents.push_back(std::move(bytes));
    }
    index += "]}";
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    uint32_t n = uint32_t(index.size());
    char length[4] = {char(n & 0xFF), char(n >> 8 & 0xFF), char(n >> 16 & 0xFF),
                      char(n >> 24 & 0xFF)};
    file << "RAVOKPACK1\n";
    file.write(length, 4);
    file << index;
    for (const std::string& c : contents)
        file << c;
    file.close();
    if (!file) {
        error = out.string() + ": " + said("cannot be written");
        return false;
    }
    return true;
}

std::string htmlText(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

void replaceAll(std::string& s, const std::string& what, const std::string& with) {
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + with.size()))
        s.replace(at, what.size(), with);
}

const char* const kReadme = R"(This folder plays a Ravok game in a web browser.

Put it online: copy the whole folder to any web server that serves static
files (a web host, GitHub Pages, itch.io as an HTML game, your own server)
and open index.html through it. The files must be served over http or
https: opening index.html straight from the disk does not work, as browsers
do not let a page load its own files that way.

Look at it first on your own machine:

    ravok --serve THIS-FOLDER

and open the address it prints.

Saves (the game's files/ folder, the settings) stay in the browser's
storage for this address. The fonts are the IPA fonts; their licence is in
IPA_Font_License.txt.

----

このフォルダーは、Ravok のゲームをウェブブラウザーで遊ぶためのものです。

公開するには、フォルダーをまるごと静的ファイルを配信できるウェブサーバー
（レンタルサーバー、GitHub Pages、itch.io の HTML ゲームなど）に置き、
そこから index.html を開きます。index.html をディスクから直接開いても
動きません（ブラウザーがページ自身のファイルを読ませないためです）。

公開する前に、自分のパソコンで試せます：

    ravok --serve このフォルダー

表示されたアドレスをブラウザーで開いてください。

セーブ（ゲームの files/ フォルダーと設定）は、このアドレスごとに
ブラウザーの中に保存されます。フォントは IPA フォントで、使用許諾は
IPA_Font_License.txt にあります。
)";

} // namespace

std::vector<std::string> fontFilesOfGame(const std::string& gameFolder) {
    // The default font always; the others as the game's setFont calls name
    // them. A name that is not written out (a variable) could be any: then
    // every IPA font goes.
    std::vector<std::string> files{fontFileFor("")};
    auto add = [&](const std::string& file) {
        if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
    };
    fs::path root(gameFolder);
    bool any = false;
    for (const fs::path& rel : filesUnder(root)) {
        std::string ext = lower(rel.extension().string());
        if (ext != ".ravok" && ext != ".cmml") continue;
        std::string text;
        if (!readWhole(root / rel, text)) continue;
        text = decodeSourceText(text).text;
        for (size_t at = text.find("setFont"); at != std::string::npos;
             at = text.find("setFont", at + 7)) {
            size_t open = text.find_first_not_of(" \t", at + 7);
            if (open == std::string::npos || text[open] != '(') continue;
            size_t quote = text.find_first_not_of(" \t", open + 1);
            if (quote == std::string::npos || text[quote] != '"') {
                any = true;
                continue;
            }
            size_t end = text.find('"', quote + 1);
            if (end == std::string::npos) continue;
            add(fontFileFor(cp932ToUtf8(text.substr(quote + 1, end - quote - 1))));
        }
    }
    if (any)
        for (const TFontFamily& f : knownFontFamilies())
            add(f.file);
    return files;
}

std::vector<std::string> webObstacles(const std::string& gameFolder) {
    std::vector<std::string> found;
    fs::path root(gameFolder);
    for (const fs::path& rel : filesUnder(root)) {
        std::string ext = lower(rel.extension().string());
        std::string shown = rel.generic_string();
        if (ext == ".mid" || ext == ".midi") {
            found.push_back(shown + ": " + said("a MIDI file; the web player has no MIDI player"));
            continue;
        }
        if (ext == ".so" || ext == ".dll") {
            found.push_back(shown + ": " + said("a native module; a browser cannot load one"));
            continue;
        }
        if (ext != ".cmml" && ext != ".ravokprj") continue;
        std::string text;
        if (readWhole(root / rel, text) && lower(text).find("<module") != std::string::npos)
            found.push_back(shown + ": " +
                            said("names a native module; a browser cannot load one"));
    }
    return found;
}

int exportWeb(const TWebExport& request) {
    TExportedGame game;
    if (!openExportedGame(request.game, game)) return 1;
    fs::path start(game.start), gameFolder(game.folder);
    std::vector<std::string> obstacles = webObstacles(gameFolder.string());
    if (!obstacles.empty()) {
        std::fprintf(stderr, "ravok: %s\n",
                     said("this game cannot be played in a browser:").c_str());
        for (const std::string& o : obstacles)
            std::fprintf(stderr, "  %s\n", o.c_str());
        return 1;
    }
    fs::path home(toHostPath(programDirectory()));
    fs::path web = home / "web";
    const char* playerFiles[] = {"ravok.js", "ravok.wasm", "index.html", "ravok-page.js",
                                 "ravok-page.css"};
    for (const char* f : playerFiles) {
        std::error_code ec;
        if (!fs::is_regular_file(web / f, ec)) {
            std::fprintf(stderr, "ravok: %s %s\n", (web / f).c_str(),
                         said("is missing: build the web player first (make web)").c_str());
            return 1;
        }
    }
    fs::path out(request.out);
    std::error_code ec;
    if (fs::exists(out, ec) && fs::is_directory(out, ec) && !fs::is_empty(out, ec) &&
        !fs::exists(out / "game.data", ec)) {
        // An earlier export is written over; anything else is the author's.
        std::fprintf(stderr, "ravok: %s %s\n", request.out.c_str(),
                     said("already holds files that are not an export").c_str());
        return 1;
    }
    fs::create_directories(out, ec);

    // The program directory: the kernel (without its starter and tools),
    // the tones, and the fonts the player draws text with.
    std::vector<TPackEntry> entries;
    for (const fs::path& rel : filesUnder(home / "Kernel")) {
        // Cookies.ini holds this machine's settings, not the game's.
        std::string first = rel.begin()->string();
        if (first == "starter" || first == "tools" || first == "web" || rel == "Cookies.ini")
            continue;
        entries.push_back({"/ravok/Kernel/" + rel.generic_string(), home / "Kernel" / rel});
    }
    entries.push_back({"/ravok/tones.wdt", home / "tones.wdt"});
    fs::path licence = home / "Kernel" / "fonts" / "IPA_Font_License.txt";
    for (const std::string& font : fontFilesOfGame(gameFolder.string())) {
        bool found = false;
        for (const std::string& folder : fontFolders()) {
            fs::path f = fs::path(folder) / font;
            if (fs::is_regular_file(f, ec)) {
                entries.push_back({"/ravok/Kernel/fonts/" + font, f});
                found = true;
                break;
            }
        }
        // The default font is needed; another that is missing here falls
        // back to it on the page as on this machine.
        if (!found && font == fontFileFor("")) {
            std::fprintf(stderr, "ravok: %s %s\n", font.c_str(),
                         said("cannot be found; the web page would draw no text").c_str());
            return 1;
        }
    }
    // The game.
    for (const fs::path& rel : filesUnder(gameFolder))
        entries.push_back({"/game/" + rel.generic_string(), gameFolder / rel});
    std::string error;
    if (!writePack(entries, out / "game.data", error)) {
        std::fprintf(stderr, "ravok: %s\n", error.c_str());
        return 1;
    }

    std::string startName = start.filename().string();
    std::string page;
    readWhole(web / "index.html", page);
    replaceAll(page, "@TITLE@", htmlText(game.title));
    replaceAll(page, "@START@", htmlText("/game/" + startName));
    replaceAll(page, "@GAME_ID@", htmlText(game.id));
    {
        std::ofstream f(out / "index.html", std::ios::binary | std::ios::trunc);
        f << page;
    }
    for (const char* f : {"ravok.js", "ravok.wasm", "ravok-page.js", "ravok-page.css"})
        fs::copy_file(web / f, out / f, fs::copy_options::overwrite_existing, ec);
    if (fs::is_regular_file(licence, ec))
        fs::copy_file(licence, out / "IPA_Font_License.txt", fs::copy_options::overwrite_existing,
                      ec);
    {
        std::ofstream f(out / "README.txt", std::ios::binary | std::ios::trunc);
        f << kReadme;
    }
    if (ec) {
        std::fprintf(stderr, "ravok: %s: %s\n", request.out.c_str(), ec.message().c_str());
        return 1;
    }
    std::string text = said("The web page was written to:") + "\n  " + request.out + "\n" +
                       said("Look at it in a browser with:") + "\n  ravok --serve " + request.out +
                       "\n";
    std::fputs(text.c_str(), stdout);
    return 0;
}

} // namespace ravok
