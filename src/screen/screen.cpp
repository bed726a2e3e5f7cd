#include "screen/screen.h"

#include "base/seam.h"

#include "screen/screen_window.h"

#include <cstdlib>

#include "base/reporter.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/value_ops.h"

#include "base/time_analyzer.h"

namespace ravok {

namespace {
int32_t globalInt(const char* name, int32_t fallback) {
    TValue* cell = native::globalCell(name);
    if (!cell || (cell->kind != vtInt && cell->kind != vtFloat)) return fallback;
    int32_t v = toInt(*cell);
    return v > 0 ? v : fallback;
}
} // namespace

TScreen& screen() {
    static TScreen s;
    return s;
}

namespace {
TScreenWindow gNoWindow;
constinit TSeam<TScreenWindow> gWindow(gNoWindow);
} // namespace

TScreenWindow& screenWindow() { return gWindow.get(); }
void setScreenWindow(TScreenWindow* window) { gWindow.install(window); }

TRect TScreen::clientRect() const {
    return {0, 0, globalInt("$screenWidth", 560), globalInt("$screenHeight", 400)};
}

TSurface& TScreen::backSurface() {
    TRect client = clientRect();
    if (!back_ || back_->width() < client.right || back_->height() < client.bottom) {
        auto bigger = TSurface::create(client.right + 50, client.bottom + 50);
        // A game screen no surface can hold: drawing stops with a reason
        // instead of drawing into nothing.
        if (!bigger)
            throw EInvalidOperation(std::to_string(client.right) + "x" +
                                    std::to_string(client.bottom) +
                                    translate(": the screen is too large to draw."));
        back_ = std::move(bigger);
    }
    return *back_;
}

void TScreen::DrawAllOrStop() {
    if (DrawingStopped) return;
    try {
        DrawAll();
    } catch (const EInvalidOperation& e) {
        // Reported as an error, not a status line: the game goes on without a
        // picture, and the author must learn why.
        DrawingStopped = true;
        ReportError(e.what());
    }
}

void TScreen::DrawAll() {
    TSurface* display = DrawMethod == 3 ? screenWindow().displaySurface() : nullptr;
    TSurface& back = display ? *display : backSurface();
    TRect client = clientRect();
    BeginSection(50);
    uint32_t colour = 0xFFFFFF;
    if (Booted && !NotRunning) {
        TValue* bg = native::globalCell("$bgcolor");
        colour =
            bg && (bg->kind == vtInt || bg->kind == vtFloat) ? uint32_t(toInt(*bg)) & 0xFFFFFF : 0;
    }
    back.fillRect(client, colour);
    EndSection(50);
    BeginSection(48);
    Sprites.drawAll(back);
    EndSection(48);
    BeginSection(49);
    ++presentations;
    screenWindow().present(back, client);
    EndSection(49);
}

int soundDelayFor(const std::string& svDelay, int osMajorVersion, int engineDelay) {
    char* end = nullptr;
    long v = std::strtol(svDelay.c_str(), &end, 10);
    if (svDelay.empty() || (end && *end)) v = 0;
    if (v > 0) return int(v);
    return osMajorVersion == 6 ? 9000 : engineDelay;
}

} // namespace ravok
