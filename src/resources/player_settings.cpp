#include "resources/player_settings.h"

#include "resources/saves_folder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace ravok {

namespace {
int percent(const std::string& text, int fallback) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (!end || *end || text.empty()) return fallback;
    return int(std::clamp(v, 0L, 100L));
}
// "PRESSED>READ,..." with codes 1 to 255; other pairs are left out.
std::map<int, int> keyMapOf(const std::string& text) {
    std::map<int, int> map;
    std::istringstream in(text);
    std::string pair;
    while (std::getline(in, pair, ',')) {
        int pressed = 0, read = 0;
        char sep = 0;
        std::istringstream one(pair);
        if (one >> pressed >> sep >> read && sep == '>' && pressed > 0 && pressed < 256 &&
            read > 0 && read < 256)
            map[pressed] = read;
    }
    return map;
}
} // namespace

TPlayerSettings& TPlayerSettings::instance() {
    static TPlayerSettings settings;
    return settings;
}

std::string TPlayerSettings::path() {
    if (const char* named = std::getenv("RAVOK_PLAYER_SETTINGS"); named && *named) return named;
    std::string root = userDataFolder();
    return root.empty() ? root : root + "/player.ini";
}

int TPlayerSettings::zoomFor(const std::string& game) const {
    auto found = zoom.find(game);
    return found == zoom.end() ? 0 : found->second;
}

bool TPlayerSettings::load() {
    std::string file = path();
    std::ifstream in(file);
    if (file.empty() || !in) return false;
    *this = TPlayerSettings();
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t eq = line.find('=');
        if (eq == std::string::npos || line[0] == '#') continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "music")
            musicVolume = percent(value, musicVolume);
        else if (key == "effects")
            effectsVolume = percent(value, effectsVolume);
        else if (key == "mute")
            mute = value == "1";
        else if (key == "match-refresh")
            matchRefresh = value == "1";
        else if (key == "keys-by-position")
            keysByPosition = value == "1";
        else if (key.rfind("zoom.", 0) == 0 && key.size() > 5)
            zoom[key.substr(5)] = std::clamp(percent(value, 0), 0, 4);
        else if (key.rfind("keys.", 0) == 0 && key.size() > 5)
            keyMaps[key.substr(5)] = keyMapOf(value);
        else if (key.rfind("pad.", 0) == 0 && key.size() > 4 && !value.empty())
            padMaps[key.substr(4)] = value;
    }
    return true;
}

bool TPlayerSettings::save() const {
    namespace fs = std::filesystem;
    std::string file = path();
    if (file.empty()) return false;
    std::error_code error;
    fs::create_directories(fs::path(file).parent_path(), error);
    std::ostringstream text;
    text << "# The Ravok player's settings (written by the player)\n"
         << "music=" << musicVolume << "\neffects=" << effectsVolume << "\nmute=" << (mute ? 1 : 0)
         << "\nmatch-refresh=" << (matchRefresh ? 1 : 0)
         << "\nkeys-by-position=" << (keysByPosition ? 1 : 0) << "\n";
    for (const auto& [game, factor] : zoom)
        text << "zoom." << game << "=" << factor << "\n";
    for (const auto& [game, map] : keyMaps) {
        if (map.empty()) continue;
        text << "keys." << game << "=";
        const char* comma = "";
        for (const auto& [pressed, read] : map) {
            text << comma << pressed << ">" << read;
            comma = ",";
        }
        text << "\n";
    }
    for (const auto& [game, map] : padMaps)
        if (!map.empty() && map.find('\n') == std::string::npos)
            text << "pad." << game << "=" << map << "\n";
    std::string temporary = file + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text.str();
        out.flush();
        if (!out) {
            fs::remove(temporary, error);
            return false;
        }
    }
    fs::rename(temporary, file, error);
    if (!error) return true;
    fs::remove(temporary, error);
    return false;
}

} // namespace ravok
