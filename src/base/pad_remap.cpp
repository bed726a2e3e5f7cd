#include "base/pad_remap.h"

#include <sstream>

namespace ravok {

namespace {
// An axis turned round about its centre, within 0..65535.
uint32_t inverted(uint32_t v) { return v > 65535 ? 0 : 65535 - v; }
} // namespace

TJoyReading TPadMap::apply(const TJoyReading& pad) const {
    TJoyReading out = pad;
    if (!buttons.empty()) {
        out.buttons = 0;
        for (int b = 0; b < 32; ++b) {
            if (!(pad.buttons & (1u << b))) continue;
            auto mapped = buttons.find(b);
            int to = mapped == buttons.end() ? b : mapped->second;
            if (to >= 0 && to < 32) out.buttons |= 1u << to;
        }
    }
    if (swapXY) std::swap(out.x, out.y);
    if (invertX) out.x = inverted(out.x);
    if (invertY) out.y = inverted(out.y);
    return out;
}

std::string TPadMap::text() const {
    std::ostringstream out;
    const char* comma = "";
    for (const auto& [from, to] : buttons) {
        out << comma << from << ">" << to;
        comma = ",";
    }
    for (const auto& [on, word] :
         {std::pair{swapXY, "swap"}, std::pair{invertX, "-x"}, std::pair{invertY, "-y"}})
        if (on) {
            out << comma << word;
            comma = ",";
        }
    return out.str();
}

TPadMap TPadMap::parse(const std::string& text) {
    TPadMap map;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        if (item == "swap") {
            map.swapXY = true;
        } else if (item == "-x") {
            map.invertX = true;
        } else if (item == "-y") {
            map.invertY = true;
        } else {
            int from = -1, to = -1;
            char sep = 0;
            std::istringstream one(item);
            if (one >> from >> sep >> to && sep == '>' && from >= 0 && from < 32 && to >= 0 &&
                to < 32)
                map.buttons[from] = to;
        }
    }
    return map;
}

bool TRemappedJoySource::read(int id, TJoyReading& reading) {
    TJoyReading pad = reading;
    if (!inner_.read(id, pad)) return false;
    reading = map.apply(pad);
    return true;
}

} // namespace ravok
