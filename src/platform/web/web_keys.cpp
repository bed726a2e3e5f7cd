#include "platform/web/web_keys.h"

#include <map>
#include <string>

namespace ravok {

TWebKeys& webKeys() {
    static TWebKeys keys;
    return keys;
}

int virtualKeyOfCode(std::string_view code) {
    if (code.size() == 4 && code.substr(0, 3) == "Key" && code[3] >= 'A' && code[3] <= 'Z')
        return code[3];
    if (code.size() == 6 && code.substr(0, 5) == "Digit" && code[5] >= '0' && code[5] <= '9')
        return code[5];
    if (code.size() == 7 && code.substr(0, 6) == "Numpad" && code[6] >= '0' && code[6] <= '9')
        return 0x60 + (code[6] - '0');
    if (code.size() >= 2 && code[0] == 'F' && code.size() <= 3) {
        int n = std::stoi(std::string(code.substr(1)));
        if (n >= 1 && n <= 24) return 0x6F + n;
    }
    static const std::map<std::string, int, std::less<>> codes = {
        {"Backspace", 0x08},
        {"Tab", 0x09},
        {"Enter", 0x0D},
        {"NumpadEnter", 0x0D},
        {"ShiftLeft", 0x10},
        {"ShiftRight", 0x10},
        {"ControlLeft", 0x11},
        {"ControlRight", 0x11},
        {"AltLeft", 0x12},
        {"AltRight", 0x12},
        {"MetaLeft", 0x12},
        {"MetaRight", 0x12},
        {"Pause", 0x13},
        {"CapsLock", 0x14},
        {"Escape", 0x1B},
        {"Space", 0x20},
        {"PageUp", 0x21},
        {"PageDown", 0x22},
        {"End", 0x23},
        {"Home", 0x24},
        {"ArrowLeft", 0x25},
        {"ArrowUp", 0x26},
        {"ArrowRight", 0x27},
        {"ArrowDown", 0x28},
        {"Insert", 0x2D},
        {"Delete", 0x2E},
        {"NumpadMultiply", 0x6A},
        {"NumpadAdd", 0x6B},
        {"NumpadSubtract", 0x6D},
        {"NumpadDecimal", 0x6E},
        {"NumpadDivide", 0x6F},
        {"NumLock", 0x90},
        {"ScrollLock", 0x91},
        {"Semicolon", 0xBA},
        {"Equal", 0xBB},
        {"Comma", 0xBC},
        {"Minus", 0xBD},
        {"Period", 0xBE},
        {"Slash", 0xBF},
        {"Backquote", 0xC0},
        {"BracketLeft", 0xDB},
        {"Backslash", 0xDC},
        {"BracketRight", 0xDD},
        {"Quote", 0xDE},
        {"IntlRo", 0xE2},
        {"IntlYen", 0xDC},
    };
    auto found = codes.find(code);
    return found != codes.end() ? found->second : 0;
}

bool TWebKeys::key(std::string_view code, bool isDown) {
    int vk = virtualKeyOfCode(code);
    if (vk == 0) return false;
    down_[size_t(vk)] = isDown;
    return true;
}

} // namespace ravok
