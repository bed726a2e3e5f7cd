#include "app/input_script.h"

#include "dialogs/script_dialogs.h"

#include "player/mouse_input.h"
#include "screen/joystick.h"
#include "screen/key_state.h"
#include "screen/screen.h"

#include "base/clock.h"
#include "base/encoding.h"
#include "base/joy_source.h"
#include "base/key_source.h"
#include "base/regular_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <map>
#include <sstream>

namespace ravok {

namespace {

constexpr long long kMaxMouseOffset = 1000000;

// The scripted state every source reads from.
struct TScriptedInput : public TKeySource, public TJoySource {
    std::array<bool, 256> down{};
    bool active = true;
    int cursorX = 0, cursorY = 0;
    std::array<TJoyReading, 2> joy{};
    std::array<bool, 2> joyPresent{};

    bool isDown(int code) override { return code >= 0 && code < 256 && down[size_t(code)]; }
    bool applicationActive() override { return active; }
    bool read(int id, TJoyReading& r) override {
        if (id < 0 || id > 1 || !joyPresent[size_t(id)]) return false;
        r = joy[size_t(id)];
        return true;
    }
};

TScriptedInput& scripted() {
    static TScriptedInput input;
    return input;
}

// The dialog answers, and whether each takes a text.
enum class TTextUse { None, Optional, Required };
const std::map<std::string, TTextUse>& dialogKinds() {
    static const std::map<std::string, TTextUse> kinds = {
        {"input-text", TTextUse::Required},  {"input-ok", TTextUse::Optional},
        {"input-cancel", TTextUse::None},    {"input-close", TTextUse::None},
        {"select", TTextUse::None},          {"select-close", TTextUse::None},
        {"editor-text", TTextUse::Required}, {"editor-focus-out", TTextUse::None},
        {"editor-enter", TTextUse::None},    {"editor-escape", TTextUse::None}};
    return kinds;
}

// The line without its comment: '#' outside double quotes starts one.
std::string withoutComment(const std::string& line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (quoted && line[i] == '\\') {
            ++i;
        } else if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == '#' && !quoted) {
            return line.substr(0, i);
        }
    }
    return line;
}

// A dialog answer's text: the rest of the line, trimmed, or a quoted text
// with its escapes. False when a quote is not closed.
bool readText(const std::string& rest, std::string& text, bool& given) {
    size_t from = rest.find_first_not_of(" \t\r");
    given = from != std::string::npos;
    if (!given) return true;
    if (rest[from] != '"') {
        size_t to = rest.find_last_not_of(" \t\r");
        text = rest.substr(from, to - from + 1);
        return true;
    }
    text.clear();
    for (size_t i = from + 1; i < rest.size(); ++i) {
        char c = rest[i];
        if (c == '"') return rest.find_first_not_of(" \t\r", i + 1) == std::string::npos;
        if (c == '\\' && i + 1 < rest.size()) {
            char e = rest[++i];
            text += e == 'n' ? '\n' : e;
        } else {
            text += c;
        }
    }
    return false;
}

// The numbers an event may carry: a joystick is 0 or 1 with axes and buttons
// of 32 bits; a mouse position lies within a million pixels either way, so
// that no sum the player makes of it overflows.
bool inRange(const std::string& kind, size_t index, long long v) {
    if (kind == "joy") return index == 0 ? v == 0 || v == 1 : v >= 0 && v <= 0xFFFFFFFFLL;
    if (kind == "mouse-move" || kind == "mouse-down")
        return v >= -kMaxMouseOffset && v <= kMaxMouseOffset;
    return v >= INT32_MIN && v <= INT32_MAX;
}

std::string upper(std::string s) {
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

int keyCodeOf(const std::string& name) {
    static const std::map<std::string, int> names = {
        {"LEFT", 37},    {"UP", 38},     {"RIGHT", 39},  {"DOWN", 40}, {"SPACE", 32},
        {"RETURN", 13},  {"ENTER", 13},  {"ESCAPE", 27}, {"ESC", 27},  {"SHIFT", 16},
        {"CONTROL", 17}, {"CTRL", 17},   {"ALT", 18},    {"TAB", 9},   {"BACKSPACE", 8},
        {"INSERT", 45},  {"DELETE", 46}, {"HOME", 36},   {"END", 35},  {"PAGEUP", 33},
        {"PAGEDOWN", 34}};
    std::string n = upper(name);
    if (!n.empty() && std::isdigit(static_cast<unsigned char>(n[0])) && n.size() > 1) {
        char* end = nullptr;
        long v = std::strtol(n.c_str(), &end, 10);
        return *end == 0 && v >= 0 && v <= 255 ? int(v) : -1;
    }
    if (n.size() == 1 && ((n[0] >= 'A' && n[0] <= 'Z') || (n[0] >= '0' && n[0] <= '9')))
        return n[0];
    if (n.size() >= 2 && n[0] == 'F') {
        char* end = nullptr;
        long f = std::strtol(n.c_str() + 1, &end, 10);
        if (*end == 0 && f >= 1 && f <= 12) return int(111 + f);
    }
    auto found = names.find(n);
    return found == names.end() ? -1 : found->second;
}

std::string keyNameOf(int code) {
    static const char* const named[] = {
        "LEFT", "UP",  "RIGHT",     "DOWN",   "SPACE",  "RETURN", "ESCAPE", "SHIFT",  "CONTROL",
        "ALT",  "TAB", "BACKSPACE", "INSERT", "DELETE", "HOME",   "END",    "PAGEUP", "PAGEDOWN"};
    for (const char* name : named)
        if (keyCodeOf(name) == code) return name;
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        return std::string(1, char(code));
    if (code >= 112 && code <= 123) return "F" + std::to_string(code - 111);
    // Two digits at least: a single digit names the digit key.
    char number[8];
    std::snprintf(number, sizeof number, "%02d", code & 0xFF);
    return number;
}

bool TInputScript::load(const std::string& hostPath, std::string& error) {
    std::string bytes;
    switch (readRegularFile(hostPath, bytes, kMaxInputScriptBytes)) {
    case TRegularRead::Ok:
        break;
    case TRegularRead::NotRegular:
        error = hostPath + ": is not a regular file";
        return false;
    case TRegularRead::TooLarge:
        error = hostPath + ": is larger than " + std::to_string(kMaxInputScriptBytes >> 20) + " MB";
        return false;
    default:
        error = hostPath + ": cannot be read";
        return false;
    }
    std::istringstream in(bytes);
    std::string text;
    int lineNo = 0;
    while (std::getline(in, text)) {
        ++lineNo;
        if (text.size() > kMaxInputLineBytes) {
            error = hostPath + ":" + std::to_string(lineNo) + ": a line is longer than " +
                    std::to_string(kMaxInputLineBytes) + " bytes";
            return false;
        }
        text = withoutComment(text);
        std::istringstream words(text);
        TInputEvent e;
        e.line = lineNo;
        if (!(words >> e.frame)) {
            std::string rest;
            if (std::istringstream(text) >> rest) {
                error = hostPath + ":" + std::to_string(lineNo) + ": a line begins with its frame";
                return false;
            }
            continue;
        }
        words >> e.kind;
        auto dialog = dialogKinds().find(e.kind);
        if (dialog != dialogKinds().end()) {
            std::string rest, w;
            std::getline(words, rest);
            bool ok = e.frame >= 1;
            if (e.kind == "select") {
                std::istringstream number(rest);
                long tag = 0;
                ok = ok && (number >> tag) && !(number >> w) && tag >= 1 && tag <= 4;
                e.values.push_back(tag);
            } else {
                ok = ok && readText(rest, e.text, e.hasText);
                if (dialog->second == TTextUse::None) ok = ok && !e.hasText;
                if (dialog->second == TTextUse::Required) ok = ok && e.hasText;
                e.text = utf8ToCp932(e.text);
            }
            if (!ok) {
                error = hostPath + ":" + std::to_string(lineNo) + ": cannot read \"" + text + "\"";
                return false;
            }
            events_.push_back(e);
            continue;
        }
        std::string w;
        bool ok = e.frame >= 1;
        while (ok && words >> w) {
            if (e.kind == "key-down" || e.kind == "key-up") {
                int code = keyCodeOf(w);
                ok = code >= 0;
                e.values.push_back(code);
            } else if ((e.kind == "mouse-down" || e.kind == "mouse-up") && e.values.empty() &&
                       (w == "left" || w == "right")) {
                e.values.push_back(w == "left" ? 1 : 2);
            } else {
                char* end = nullptr;
                errno = 0;
                long long v = std::strtoll(w.c_str(), &end, 10);
                ok = *end == 0 && errno == 0 && inRange(e.kind, e.values.size(), v);
                e.values.push_back(long(v));
            }
        }
        size_t n = e.values.size();
        bool shape = (e.kind == "key-down" || e.kind == "key-up") ? n == 1
                     : e.kind == "mouse-move"                     ? n == 2
                     : e.kind == "mouse-down"                     ? n == 3
                     : e.kind == "mouse-up"                       ? n == 1
                     : e.kind == "joy"                            ? (n == 3 || n == 4)
                     : e.kind == "inactive" || e.kind == "active" ? n == 0
                                                                  : false;
        // A button is left or right, a key a code below 256: anything else
        // would index past the tables the events drive.
        if ((e.kind == "mouse-down" || e.kind == "mouse-up") && n > 0)
            ok = ok && (e.values[0] == 1 || e.values[0] == 2);
        if ((e.kind == "key-down" || e.kind == "key-up") && n > 0)
            ok = ok && e.values[0] >= 0 && e.values[0] <= 255;
        if (!ok || !shape) {
            error = hostPath + ":" + std::to_string(lineNo) + ": cannot read \"" + text + "\"";
            return false;
        }
        events_.push_back(e);
    }
    std::stable_sort(events_.begin(), events_.end(),
                     [](const TInputEvent& a, const TInputEvent& b) { return a.frame < b.frame; });
    return true;
}

TKeySource& TInputScript::keys() { return scripted(); }
TJoySource& TInputScript::joysticks() { return scripted(); }

void TInputScript::cursor(int& x, int& y) const {
    x = scripted().cursorX;
    y = scripted().cursorY;
}

void TInputScript::moveCursor(int x, int y) {
    scripted().cursorX = x;
    scripted().cursorY = y;
}

void TInputScript::answerDialog(const TInputEvent& e) {
    TInputBox& box = inputBox();
    if (e.kind == "input-text" || (e.kind == "input-ok" && e.hasText)) {
        if (box.open) box.text = e.text;
    }
    if (e.kind == "input-ok") box.ok();
    if (e.kind == "input-cancel") box.cancel();
    if (e.kind == "input-close") box.closed();
    if (e.kind == "select") selectBox().press(int(e.values[0]));
    if (e.kind == "select-close") selectBox().closed();
    if (e.kind == "editor-text") textEditor().typed(e.text);
    if (e.kind == "editor-focus-out") textEditor().focusLost();
    if (e.kind == "editor-enter") textEditor().enter();
    if (e.kind == "editor-escape") textEditor().finish();
}

void TInputScript::beforeFrame(long frame) {
    TScriptedInput& s = scripted();
    while (next_ < events_.size() && events_[next_].frame <= frame) {
        const TInputEvent& e = events_[next_++];
        const auto& v = e.values;
        if (e.kind == "key-down") {
            s.down[size_t(v[0])] = true;
        } else if (e.kind == "key-up") {
            s.down[size_t(v[0])] = false;
        } else if (e.kind == "mouse-move") {
            s.cursorX = int(v[0]);
            s.cursorY = int(v[1]);
            TMouseInput::instance().move(s.cursorX, s.cursorY, TickMs());
        } else if (e.kind == "mouse-down") {
            s.cursorX = int(v[1]);
            s.cursorY = int(v[2]);
            s.down[size_t(v[0])] = true;
            TMouseInput::instance().down(s.cursorX, s.cursorY, v[0] == 1);
        } else if (e.kind == "mouse-up") {
            s.down[size_t(v[0])] = false;
            TMouseInput::instance().up(v[0] == 1);
        } else if (e.kind == "joy") {
            size_t id = size_t(v[0] & 1);
            s.joyPresent[id] = true;
            s.joy[id].x = uint32_t(v[1]);
            s.joy[id].y = uint32_t(v[2]);
            s.joy[id].buttons = v.size() > 3 ? uint32_t(v[3]) : 0;
        } else if (e.kind == "inactive" || e.kind == "active") {
            s.active = e.kind == "active";
        } else {
            answerDialog(e);
        }
    }
}

} // namespace ravok
