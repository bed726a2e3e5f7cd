#include "desktop/author_overlay.h"

#include "player/main_loop.h"

#include "runtime/arena.h"
#include "runtime/stats.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <deque>
#include <string>

namespace ravok {

namespace {
bool gOn = false;
std::deque<gint64> gPresented; // monotonic microseconds of the last second's frames
} // namespace

bool authorOverlayOn() { return gOn; }

void toggleAuthorOverlay() {
    gOn = !gOn;
    gPresented.clear();
}

void overlayFramePresented() {
    if (!gOn) return;
    gint64 now = g_get_monotonic_time();
    gPresented.push_back(now);
    while (!gPresented.empty() && now - gPresented.front() > 1000000)
        gPresented.pop_front();
}

void drawAuthorOverlay(cairo_t* cr, int x, int y) {
    if (!gOn) return;
    const TMainLoop& loop = TMainLoop::instance();
    char lines[5][96];
    std::snprintf(lines[0], sizeof lines[0], "%zu fps  %.2f ms a batch", gPresented.size(),
                  loop.LastBatchMs);
    std::snprintf(lines[1], sizeof lines[1], "%lld instructions",
                  static_cast<long long>(loop.LastBatchInstructions));
    std::snprintf(lines[2], sizeof lines[2], "%lld objects  %lld processes",
                  static_cast<long long>(gStats.instances),
                  static_cast<long long>(gStats.processes));
    std::snprintf(lines[3], sizeof lines[3], "arena %.1f MB",
                  TArena::instance().bytesInUse() / (1024.0 * 1024.0));
    std::snprintf(lines[4], sizeof lines[4], "frame %lld", static_cast<long long>(loop.FrameCount));
    cairo_save(cr);
    cairo_select_font_face(cr, "monospace", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 11);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.65);
    cairo_rectangle(cr, x, y, 210, 5 * 14 + 8);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.6, 1, 0.6);
    for (int i = 0; i < 5; ++i) {
        cairo_move_to(cr, x + 6, y + 15 + i * 14);
        cairo_show_text(cr, lines[i]);
    }
    cairo_restore(cr);
}

} // namespace ravok
