#include "desktop/desktop_player.h"

#include "app/error_report.h"
#include "app/frame_shots.h"
#include "app/input_recorder.h"
#include "app/page_watch.h"
#include "base/log.h"
#include "base/refresh_pacing.h"
#include "desktop/about_box.h"
#include "desktop/author_overlay.h"
#include "desktop/debug_window.h"
#include "desktop/error_box.h"
#include "desktop/help_page.h"
#include "desktop/key_remap_dialog.h"
#include "desktop/method_profile_window.h"
#include "desktop/pad_remap_dialog.h"
#include "desktop/script_dialog_windows.h"
#include "desktop/surface_view.h"
#include "desktop/volume_dialog.h"
#include "desktop/window_captures.h"
#include "dialogs/script_dialogs.h"
#include "player/debugger.h"
#include "player/player_comforts.h"
#include "player/source_debugger.h"
#include "resources/player_settings.h"
#include "runtime/messages.h"
#include "screen/screen_window.h"

#include "base/frame_pacing.h"
#include "compiler/evaluator.h"
#include "kernel/boot.h"
#include "pages/page_hash.h"
#include "pages/page_loader.h"
#include "pages/page_state.h"
#include "pages/project_manager.h"
#include "player/about_info.h"
#include "player/main_loop.h"
#include "player/mouse_input.h"
#include "player/splash_timer.h"
#include "resources/environment.h"
#include "runtime/directories.h"
#include "runtime/interpreter.h"
#include "runtime/native_api.h"
#include "runtime/resource.h"
#include "runtime/runtime_natives.h"
#include "runtime/value_ops.h"
#include "screen/screen.h"
#include "sound/midi_command.h"
#include "sound/sorvald.h"
#include "sound/sound_natives.h"

#include "base/clock.h"
#include "base/encoding.h"
#include "base/joy_source.h"
#include "base/reporter.h"
#include "base/shell.h"
#include "platform/gtk/gtk_keys.h"
#include "platform/sdl/sdl_joysticks.h"
#include "platform/sdl/sdl_wave_out.h"
#include "resources/host_files.h"
#include "screen/key_state.h"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace ravok {

namespace {

constexpr int kClientWidth = 560, kClientHeight = 400;

struct TDesktop {
    const TWindowOptions* options = nullptr;
    GtkWidget* window = nullptr;
    GtkWidget* menuBar = nullptr;
    GtkWidget* area = nullptr;
    GtkWidget* statusBar = nullptr;
    bool fullScreen = false;
    // The window's size before full screen, to come back to.
    int windowedWidth = 0, windowedHeight = 0;
    // The whole factor the game picture is shown at in the window, and the
    // one to remember for the game (0: nothing to remember yet).
    int scale = 1, scaleToKeep = 0;
    // The game size the window was last fitted to.
    int appliedWidth = 0, appliedHeight = 0;
    int busyCounter = 0;
    bool loading = false; // a page is loading: every notice toggles the indicator
    GtkWidget* statusItem = nullptr;
    GtkWidget* methodItems[3] = {};
    GtkWidget* splash = nullptr;
    GtkWidget* splashArea = nullptr;
    TSplashTimer splashTimer;
    std::unique_ptr<TSurface> front; // DD's surface: what the window shows (A, C)
    guint idleSource = 0, wakeSource = 0;
    guint refreshTick = 0; // the frame clock's callback, while matching its refresh
    bool closing = false;
    int loopHolds = 0; // message boxes and debugger holds running loops of their own
    int errors = 0;
    bool endedBySignal = false; // Ctrl+C or SIGTERM: a normal end, status 0
    std::unique_ptr<TFrameShots> shots;
    GtkWidget* statusMessage = nullptr;
    std::unique_ptr<TWindowCaptures> captures;
    TInputRecorder recorder;
    std::unique_ptr<TPageWatch> watch;
};

long nextFrame() { return long(TMainLoop::instance().FrameCount) + 1; }

TDesktop& desktop() {
    static TDesktop d;
    return d;
}

void wakeLoop();
void showBusy(bool on);

// ---- message boxes ---------------------------------------------------------

void sayInStatusBar(const std::string& text);
void applyClientSize(int width, int height);

class TDesktopReporter : public TReporter {
public:
    void notice(const std::string&, const TTrace&) override {
        if (desktop().loading) showBusy(true);
        pump();
    }
    bool readsNoticeTraces() const override { return false; }
    void problem(const std::string& text) override { sayInStatusBar(cp932ToUtf8(text)); }
    void reportError(const std::string& text, const TTrace& trace) override {
        TDesktop& d = desktop();
        ++d.errors;
        if (d.loading) showBusy(true);
        TErrorReport report = makeErrorReport(text, trace);
        std::fputs(utf8ToTerminal(report.text()).c_str(), stderr);
        std::fflush(stderr);
        if (d.closing || !d.window) return;
        // The dialog runs a nested main loop; the frame loop must not run
        // inside it, so its sources go and come back afterwards.
        holdFrameLoop(true);
        runErrorBox(GTK_WINDOW(d.window), report);
        holdFrameLoop(false);
    }

private:
    // While the player boots, messages are pumped so that the windows stay
    // drawn during long loads.
    static void pump() {
        if (!Booting) return;
        for (int i = 0; i < 20 && gtk_events_pending(); ++i)
            gtk_main_iteration_do(FALSE);
    }
};

// ---- the picture -----------------------------------------------------------

TRect gameRect() { return screen().clientRect(); }

// The largest whole factor that fits the game screen into the area (1 at
// least), so pixel art stays crisp.
int scaleFor(int areaW, int areaH) {
    TRect g = gameRect();
    int k = std::min(areaW / std::max(1, g.width()), areaH / std::max(1, g.height()));
    return std::max(1, k);
}

// The bands around the game image: $bgcolor once the game runs, else black.
void paintBands(cairo_t* cr) {
    uint32_t colour = 0;
    TValue* bg = native::globalCell("$bgcolor");
    if (Booted && !screen().NotRunning && bg && (bg->kind == vtInt || bg->kind == vtFloat))
        colour = uint32_t(toInt(*bg)) & 0xFFFFFF;
    cairo_set_source_rgb(cr, (colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
                         ((colour >> 16) & 0xFF) / 255.0);
    cairo_paint(cr);
}

gboolean onDraw(GtkWidget* widget, cairo_t* cr, gpointer) {
    TDesktop& d = desktop();
    int aw = gtk_widget_get_allocated_width(widget), ah = gtk_widget_get_allocated_height(widget);
    paintBands(cr);
    TRect g = gameRect();
    const TSurface* picture =
        screen().DrawMethod == 2 ? screen().drawnBackSurface() : d.front.get();
    if (!picture) return TRUE;
    int k = scaleFor(aw, ah);
    int ox = (aw - g.width() * k) / 2, oy = (ah - g.height() * k) / 2;
    if (ox < 0) ox = 0;
    if (oy < 0) oy = 0;
    cairo_save(cr);
    cairo_translate(cr, ox, oy);
    cairo_scale(cr, k, k);
    cairo_rectangle(cr, 0, 0, g.width(), g.height());
    cairo_clip(cr);
    cairo_surface_t* view = cairoView(*picture);
    cairo_set_source_surface(cr, view, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_surface_destroy(view);
    cairo_restore(cr);
    drawAuthorOverlay(cr, ox + 4, oy + 4);
    return TRUE;
}

// DD's surface, enlarged with the game screen; nullptr when a screen of that
// size cannot be had.
TSurface* frontSurface() {
    TDesktop& d = desktop();
    TRect g = gameRect();
    if (!d.front || d.front->width() < g.width() || d.front->height() < g.height())
        d.front = TSurface::create(g.width() + 50, g.height() + 50);
    return d.front.get();
}

void present(const TSurface& back, const TRect& client) {
    TDesktop& d = desktop();
    // The page sets its screen's size ($screenWidth, $screenHeight) when it
    // starts: the window follows, unless the player may size the screen.
    TRect g = gameRect();
    if (!screen().SizeUnlocked && (g.width() != d.appliedWidth || g.height() != d.appliedHeight))
        applyClientSize(g.width(), g.height());
    if (screen().DrawMethod == 1)
        if (TSurface* front = frontSurface()) front->copyPlain(back, client, 0, 0);
    if (d.area) gtk_widget_queue_draw(d.area);
    overlayFramePresented();
    d.shots->presented(back, client, long(TMainLoop::instance().FrameCount));
    d.captures->presented(back, client, long(TMainLoop::instance().FrameCount));
}

// A line for the player: in the status bar, and on standard error, which
// also reaches a player whose status bar is hidden.
void sayInStatusBar(const std::string& text) {
    TDesktop& d = desktop();
    if (d.statusMessage) gtk_label_set_text(GTK_LABEL(d.statusMessage), text.c_str());
    std::fprintf(stderr, "ravok: %s\n", utf8ToTerminal(text).c_str());
}

// ---- the main loop in idle time ---------------------------------------------

gboolean onIdle(gpointer);

gboolean onWake(gpointer) {
    desktop().wakeSource = 0;
    wakeLoop();
    return G_SOURCE_REMOVE;
}

void wakeLoop() {
    TDesktop& d = desktop();
    if (d.closing || d.loopHolds > 0 || d.idleSource || !Booted) return;
    if (d.wakeSource) {
        g_source_remove(d.wakeSource);
        d.wakeSource = 0;
    }
    d.idleSource = g_idle_add(onIdle, nullptr);
}

// With "match display refresh", the display's frame clock wakes the loop:
// one game frame a refresh, where the rates match.
gboolean onRefreshTick(GtkWidget*, GdkFrameClock* clock, gpointer) {
    TRefreshPacing& refresh = refreshPacing();
    gint64 interval = 0, presentation = 0;
    gdk_frame_clock_get_refresh_info(clock, gdk_frame_clock_get_frame_time(clock), &interval,
                                     &presentation);
    if (interval > 0) refresh.displayRefreshMs = double(interval) / 1000.0;
    if (refresh.steppingWithRefresh(framePacing())) wakeLoop();
    return G_SOURCE_CONTINUE;
}

void setMatchRefresh(bool on) {
    TDesktop& d = desktop();
    refreshPacing().matchRefresh = on;
    if (on && !d.refreshTick && d.area)
        d.refreshTick = gtk_widget_add_tick_callback(d.area, onRefreshTick, nullptr, nullptr);
    if (!on && d.refreshTick) {
        gtk_widget_remove_tick_callback(d.area, d.refreshTick);
        d.refreshTick = 0;
        wakeLoop();
    }
    Log(std::string("Player: match display refresh ") + (on ? "on" : "off"));
}

gboolean onIdle(gpointer) {
    TDesktop& d = desktop();
    guint self = d.idleSource;
    applyGamePadMap();
    d.recorder.beforeFrames(nextFrame(), gtkKeys(), joySource());
    bool done = TMainLoop::instance().Main();
    debugWindowAfterBatch();
    if (d.idleSource != self) return G_SOURCE_REMOVE; // a dialog took the loop over
    if (gProgramExitRequested ||
        (d.options->frames > 0 && TMainLoop::instance().FrameCount >= d.options->frames)) {
        d.idleSource = 0;
        gtk_widget_destroy(d.window);
        return G_SOURCE_REMOVE;
    }
    d.idleSource = 0;
    if (done) return G_SOURCE_REMOVE; // held: an event wakes the loop again
    // The next refresh wakes the loop.
    if (refreshPacing().steppingWithRefresh(framePacing())) return G_SOURCE_REMOVE;
    // No spinning: come back when the next frame is due.
    TFramePacing& pacing = framePacing();
    long double wait = pacing.BaseTime + pacing.FrameInterval - NowMs();
    if (wait > 0.5L)
        d.wakeSource = g_timeout_add(guint(std::ceil(double(wait))), onWake, nullptr);
    else
        d.idleSource = g_idle_add(onIdle, nullptr);
    return G_SOURCE_REMOVE;
}

// ---- mouse ---------------------------------------------------------------------

// The area's point as a point of the game screen.
bool gamePoint(GtkWidget* widget, double wx, double wy, int& x, int& y) {
    int aw = gtk_widget_get_allocated_width(widget), ah = gtk_widget_get_allocated_height(widget);
    TRect g = gameRect();
    int k = scaleFor(aw, ah);
    int ox = std::max(0, (aw - g.width() * k) / 2), oy = std::max(0, (ah - g.height() * k) / 2);
    x = int(std::floor((wx - ox) / k));
    y = int(std::floor((wy - oy) / k));
    return true;
}

gboolean onButtonPress(GtkWidget* widget, GdkEventButton* e, gpointer) {
    if (e->type != GDK_BUTTON_PRESS || (e->button != 1 && e->button != 3)) return TRUE;
    // A click runs script; during a hold the interpreter is in the middle of
    // an instruction.
    if (TDebugger::instance().holding()) return TRUE;
    gtkKeys().button(e->button == 1 ? 1 : 2, true);
    int x, y;
    gamePoint(widget, e->x, e->y, x, y);
    desktop().recorder.mouseDown(nextFrame(), e->button == 1, x, y);
    TMouseInput::instance().down(x, y, e->button == 1);
    return TRUE;
}

gboolean onMotion(GtkWidget* widget, GdkEventMotion* e, gpointer) {
    int x, y;
    gamePoint(widget, e->x, e->y, x, y);
    desktop().recorder.mouseMove(nextFrame(), x, y);
    TMouseInput::instance().move(x, y, TickMs());
    return TRUE;
}

gboolean onButtonRelease(GtkWidget*, GdkEventButton* e, gpointer) {
    if (e->button != 1 && e->button != 3) return TRUE;
    gtkKeys().button(e->button == 1 ? 1 : 2, false);
    desktop().recorder.mouseUp(nextFrame(), e->button == 1);
    TMouseInput::instance().up(e->button == 1);
    return TRUE;
}

// The game point under the cursor, and the screen point of a game point.
bool cursorInGame(int& x, int& y) {
    TDesktop& d = desktop();
    GdkWindow* w = d.area ? gtk_widget_get_window(d.area) : nullptr;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    if (!w || !seat) return false;
    int wx = 0, wy = 0;
    gdk_window_get_device_position(w, gdk_seat_get_pointer(seat), &wx, &wy, nullptr);
    return gamePoint(d.area, wx, wy, x, y);
}

void moveCursorTo(int x, int y) {
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    TGamePlacement at;
    if (!seat || !placeGamePoint(x, y, at)) return;
    // The middle of the game pixel, which may be several display pixels.
    gdk_device_warp(gdk_seat_get_pointer(seat), gtk_widget_get_screen(desktop().area),
                    at.rootX + at.scale / 2, at.rootY + at.scale / 2);
}

void showCursor(bool show) {
    TDesktop& d = desktop();
    GdkWindow* w = d.area ? gtk_widget_get_window(d.area) : nullptr;
    if (!w) return;
    GdkCursor* c =
        show ? nullptr : gdk_cursor_new_for_display(gdk_display_get_default(), GDK_BLANK_CURSOR);
    gdk_window_set_cursor(w, c);
    if (c) g_object_unref(c);
}

// ---- the menu ------------------------------------------------------------------

// "&File" in the reader's language, as GTK writes mnemonics: "_File".
std::string mnemonic(const std::string& text) {
    std::string out;
    for (char c : cp932ToUtf8(translate(text)))
        out += c == '&' ? '_' : c;
    return out;
}

GtkWidget* addMenu(GtkWidget* bar, const char* title) {
    GtkWidget* item = gtk_menu_item_new_with_mnemonic(mnemonic(title).c_str());
    GtkWidget* menu = gtk_menu_new();
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), menu);
    gtk_menu_shell_append(GTK_MENU_SHELL(bar), item);
    return menu;
}

GtkWidget* addItem(GtkWidget* menu, const char* title, GCallback handler, gpointer data = nullptr) {
    GtkWidget* item = gtk_menu_item_new_with_mnemonic(mnemonic(title).c_str());
    if (handler) g_signal_connect(item, "activate", handler, data);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    return item;
}

void selectMethod(int method) {
    TDesktop& d = desktop();
    screen().DrawMethod = method;
    for (int i = 0; i < 3; ++i)
        if (d.methodItems[i])
            gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(d.methodItems[i]), i + 1 == method);
    TEnvironment::instance().setEnv("DrawMode", std::to_string(method));
    TEnvironment::instance().save();
    if (d.area) gtk_widget_queue_draw(d.area);
}

void onMethod(GtkCheckMenuItem* item, gpointer data) {
    if (gtk_check_menu_item_get_active(item)) selectMethod(GPOINTER_TO_INT(data));
}

void onExit(GtkMenuItem*, gpointer) { gtk_widget_destroy(desktop().window); }

void onStatusBar(GtkCheckMenuItem* item, gpointer) {
    bool on = gtk_check_menu_item_get_active(item);
    gtk_widget_set_visible(desktop().statusBar, on);
    TEnvironment::instance().setEnv("statusBar", on ? "1" : "0");
    TEnvironment::instance().save();
}

void onHelp(GtkMenuItem*, gpointer) {
    // The page of the game playing now: its project may not be the one the
    // player booted with.
    std::string help = currentHelpFile();
    if (help.empty()) {
        showBuiltInHelp(desktop().window);
        return;
    }
    std::string target =
        help.find("://") != std::string::npos ? help : "file://" + cp932ToUtf8(toHostPath(help));
    shell().openAddress(target);
}

void onWeb(GtkMenuItem*, gpointer) { shell().openAddress(kHomePage); }

void onAbout(GtkMenuItem*, gpointer) { showAboutBox(desktop().window); }

// ---- the Player menu: pause, sound, zoom -------------------------------------

std::string scaleSettingKey();

void setZoom(int factor) {
    TDesktop& d = desktop();
    // 0 fits the screen; a factor is kept for this game, as a resized
    // window's is.
    TEnvironment& env = TEnvironment::instance();
    env.setEnv(scaleSettingKey(), factor > 0 ? std::to_string(factor) : "");
    env.save();
    if (d.fullScreen || !d.appliedWidth) return;
    applyClientSize(d.appliedWidth, d.appliedHeight);
    Log("Player: zoom " + std::to_string(d.scale));
}

// The Player menu's items with their keys. The key handler keeps every key
// but its own for the game, so it takes these itself before the game sees
// them; the accelerators only show them in the menu.
struct TMenuKey {
    guint key;
    GdkModifierType mods;
    GtkWidget* item;
};
std::vector<TMenuKey> gPlayerMenuKeys;

bool playerMenuKey(const GdkEventKey* e) {
    GdkModifierType mods = GdkModifierType(e->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK));
    guint k = gdk_keyval_to_lower(e->keyval);
    for (const TMenuKey& m : gPlayerMenuKeys) {
        if (m.key == k && m.mods == mods) {
            gtk_menu_item_activate(GTK_MENU_ITEM(m.item)); // a check item toggles
            return true;
        }
    }
    return false;
}

void buildPlayerMenu(GtkWidget* bar) {
    TDesktop& d = desktop();
    GtkWidget* player = addMenu(bar, "&Player"); // message
    GtkAccelGroup* keys = gtk_accel_group_new();
    gtk_window_add_accel_group(GTK_WINDOW(d.window), keys);
    auto key = [&](GtkWidget* item, guint k, GdkModifierType mods) {
        gtk_widget_add_accelerator(item, "activate", keys, k, mods, GTK_ACCEL_VISIBLE);
        gPlayerMenuKeys.push_back({k, mods, item});
    };
    GtkWidget* pause = gtk_check_menu_item_new_with_mnemonic(mnemonic("&Pause").c_str()); // message
    g_signal_connect(pause, "toggled", G_CALLBACK(+[](GtkCheckMenuItem* item, gpointer) {
                         bool want = gtk_check_menu_item_get_active(item);
                         if (want != TMainLoop::instance().HeldByPlayer) togglePlayerPause();
                         Log(std::string("Player: ") + (want ? "paused" : "resumed"));
                         if (!want) wakeFrameLoop();
                     }),
                     nullptr);
    gtk_menu_shell_append(GTK_MENU_SHELL(player), pause);
    key(pause, GDK_KEY_p, GDK_CONTROL_MASK);
    GtkWidget* mute = gtk_check_menu_item_new_with_mnemonic(mnemonic("&Mute").c_str()); // message
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(mute), TPlayerSettings::instance().mute);
    g_signal_connect(mute, "toggled", G_CALLBACK(+[](GtkCheckMenuItem* item, gpointer) {
                         TPlayerSettings& settings = TPlayerSettings::instance();
                         settings.mute = gtk_check_menu_item_get_active(item);
                         applyPlayerVolume();
                         settings.save();
                     }),
                     nullptr);
    gtk_menu_shell_append(GTK_MENU_SHELL(player), mute);
    key(mute, GDK_KEY_m, GDK_CONTROL_MASK);
    GtkWidget* volume = addItem(player, "&Volume...", // message
                                G_CALLBACK(+[](GtkMenuItem*, gpointer) {
                                    showVolumeDialog(GTK_WINDOW(desktop().window));
                                }));
    key(volume, GDK_KEY_v, GdkModifierType(GDK_CONTROL_MASK | GDK_MOD1_MASK));
    GtkWidget* positions =
        gtk_check_menu_item_new_with_mnemonic(mnemonic("&Keys by Position").c_str()); // message
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(positions),
                                   TPlayerSettings::instance().keysByPosition);
    g_signal_connect(positions, "toggled", G_CALLBACK(+[](GtkCheckMenuItem* item, gpointer) {
                         TPlayerSettings& settings = TPlayerSettings::instance();
                         settings.keysByPosition = gtk_check_menu_item_get_active(item);
                         gtkKeys().releaseAll();
                         gtkKeys().byPosition = settings.keysByPosition;
                         settings.save();
                         Log(std::string("Player: keys by ") +
                             (settings.keysByPosition ? "position" : "layout"));
                     }),
                     nullptr);
    gtk_menu_shell_append(GTK_MENU_SHELL(player), positions);
    GtkWidget* remap = addItem(player, "Remap Ke&ys...", // message
                               G_CALLBACK(+[](GtkMenuItem*, gpointer) {
                                   showKeyRemapDialog(GTK_WINDOW(desktop().window));
                               }));
    key(remap, GDK_KEY_k, GdkModifierType(GDK_CONTROL_MASK | GDK_MOD1_MASK));
    GtkWidget* pads = addItem(player, "Remap &Gamepad...", // message
                              G_CALLBACK(+[](GtkMenuItem*, gpointer) {
                                  showPadRemapDialog(GTK_WINDOW(desktop().window));
                              }));
    key(pads, GDK_KEY_j, GdkModifierType(GDK_CONTROL_MASK | GDK_MOD1_MASK));
    // Off by default: games run at the speed their authors saw.
    GtkWidget* refresh = gtk_check_menu_item_new_with_mnemonic(
        mnemonic("Match Display &Refresh (smoother, about 2% faster at 60 Hz)").c_str()); // message
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(refresh),
                                   TPlayerSettings::instance().matchRefresh);
    g_signal_connect(refresh, "toggled", G_CALLBACK(+[](GtkCheckMenuItem* item, gpointer) {
                         TPlayerSettings& settings = TPlayerSettings::instance();
                         settings.matchRefresh = gtk_check_menu_item_get_active(item);
                         setMatchRefresh(settings.matchRefresh);
                         settings.save();
                     }),
                     nullptr);
    gtk_menu_shell_append(GTK_MENU_SHELL(player), refresh);
    gtk_menu_shell_append(GTK_MENU_SHELL(player), gtk_separator_menu_item_new());
    const struct {
        const char* title;
        int factor;
        guint key;
    } zooms[] = {{"Zoom &1x", 1, GDK_KEY_1},
                 {"Zoom &2x", 2, GDK_KEY_2},
                 {"Zoom &3x", 3, GDK_KEY_3},
                 {"Zoom &4x", 4, GDK_KEY_4},
                 {"Zoom to &Fit", 0, GDK_KEY_0}};
    for (const auto& z : zooms) {
        GtkWidget* item = addItem(
            player, z.title, // message
            G_CALLBACK(+[](GtkMenuItem*, gpointer factor) { setZoom(GPOINTER_TO_INT(factor)); }),
            GINT_TO_POINTER(z.factor));
        key(item, z.key, GDK_CONTROL_MASK);
    }
}

void buildMenu(GtkWidget* bar) {
    GtkWidget* file = addMenu(bar, "&File");                                              // message
    addItem(file, "E&xit", G_CALLBACK(onExit));                                           // message
    GtkWidget* options = addMenu(bar, "&Options");                                        // message
    GtkWidget* sound = gtk_check_menu_item_new_with_mnemonic(mnemonic("&Sound").c_str()); // message
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(sound), TRUE);
    g_signal_connect(sound, "toggled", G_CALLBACK(+[](GtkCheckMenuItem* item, gpointer) {
                         setSoundEnabled(gtk_check_menu_item_get_active(item));
                     }),
                     nullptr);
    gtk_menu_shell_append(GTK_MENU_SHELL(options), sound);
    GtkWidget* methodItem =
        gtk_menu_item_new_with_mnemonic(mnemonic("&Drawing Method").c_str()); // message
    GtkWidget* methods = gtk_menu_new();
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(methodItem), methods);
    gtk_menu_shell_append(GTK_MENU_SHELL(options), methodItem);
    GSList* group = nullptr;
    const char* names[3] = {"&A", "&B", "&C"};
    for (int i = 0; i < 3; ++i) {
        GtkWidget* m = gtk_radio_menu_item_new_with_mnemonic(group, mnemonic(names[i]).c_str());
        group = gtk_radio_menu_item_get_group(GTK_RADIO_MENU_ITEM(m));
        gtk_menu_shell_append(GTK_MENU_SHELL(methods), m);
        g_signal_connect(m, "toggled", G_CALLBACK(onMethod), GINT_TO_POINTER(i + 1));
        desktop().methodItems[i] = m;
    }
    GtkWidget* bar2 =
        gtk_check_menu_item_new_with_mnemonic(mnemonic("Show Status &Bar").c_str()); // message
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(bar2), TRUE);
    g_signal_connect(bar2, "toggled", G_CALLBACK(onStatusBar), nullptr);
    gtk_menu_shell_append(GTK_MENU_SHELL(options), bar2);
    desktop().statusItem = bar2;
    GtkWidget* debug = addItem(options, "&Debug Window", // message
                               G_CALLBACK(+[](GtkMenuItem*, gpointer) { showDebugWindow(); }));
    addItem(options, "Profile by &Method", // message
            G_CALLBACK(+[](GtkMenuItem*, gpointer) {
                showMethodProfileWindow(GTK_WINDOW(desktop().window));
            }));
    buildPlayerMenu(bar);
    GtkWidget* help = addMenu(bar, "&Help");                              // message
    GtkWidget* top = addItem(help, "&Help top page", G_CALLBACK(onHelp)); // message
    // F1 itself is taken in the key handler, before the game sees it; the
    // accelerator only shows the key in the menu.
    GtkAccelGroup* keys = gtk_accel_group_new();
    gtk_window_add_accel_group(GTK_WINDOW(desktop().window), keys);
    gtk_widget_add_accelerator(top, "activate", keys, GDK_KEY_F1, GdkModifierType(0),
                               GTK_ACCEL_VISIBLE);
    gtk_widget_add_accelerator(debug, "activate", keys, GDK_KEY_d, GDK_CONTROL_MASK,
                               GTK_ACCEL_VISIBLE);
    addItem(help, "Ravok on the web", G_CALLBACK(onWeb)); // message
    addItem(help, "&About..", G_CALLBACK(onAbout));       // message
}

// ---- the splash ----------------------------------------------------------------

gboolean onSplashDraw(GtkWidget* widget, cairo_t* cr, gpointer) {
    TDesktop& d = desktop();
    int w = gtk_widget_get_allocated_width(widget), h = gtk_widget_get_allocated_height(widget);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_select_font_face(cr, "IPAGothic", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 24);
    cairo_move_to(cr, 8, 48 + 24);
    cairo_show_text(cr, "Now Loading.....");
    uint32_t c = TSplashTimer::kBarColour;
    cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                         ((c >> 16) & 0xFF) / 255.0);
    int barH = TSplashTimer::kBarRows;
    cairo_rectangle(cr, 0, h - barH, std::min(w, d.splashTimer.barWidth), barH);
    cairo_fill(cr);
    return TRUE;
}

void showSplash() {
    TDesktop& d = desktop();
    if (!d.splash) return;
    int wx, wy, ww, wh;
    gtk_window_get_position(GTK_WINDOW(d.window), &wx, &wy);
    gtk_window_get_size(GTK_WINDOW(d.window), &ww, &wh);
    gtk_window_move(GTK_WINDOW(d.splash), wx + (ww - TSplashTimer::kImageWidth) / 2,
                    wy + (wh - TSplashTimer::kImageHeight) / 2);
    gtk_widget_show_all(d.splash);
    d.splashTimer.show(TickMs());
}

gboolean onSplashTick(gpointer) {
    TDesktop& d = desktop();
    if (d.closing) return G_SOURCE_REMOVE;
    if (d.splashTimer.tick(TickMs(), Booted, d.closing)) {
        TMainLoop::instance().AutoRun = true;
        gtk_widget_hide(d.splash);
        wakeLoop();
    } else if (d.splashTimer.visible) {
        gtk_widget_queue_draw(d.splashArea);
    }
    return G_SOURCE_CONTINUE;
}

// ---- start-up and timers ---------------------------------------------------------

// The height the menu and status bars add to the drawing area's.
int barsHeight() {
    TDesktop& d = desktop();
    int total = 0;
    for (GtkWidget* bar : {d.menuBar, d.statusBar}) {
        if (!bar || !gtk_widget_get_visible(bar)) continue;
        int natural = 0;
        gtk_widget_get_preferred_height(bar, nullptr, &natural);
        total += natural;
    }
    return total;
}

// The settings key under which the window's factor is kept for this game.
std::string scaleSettingKey() {
    char key[32];
    std::snprintf(key, sizeof key, "WindowScale%08x",
                  uint32_t(hashBytes(TPrjManager::instance().projectFile())));
    return key;
}

// The monitor the window is on, else the primary one, else the first.
GdkMonitor* windowMonitor() {
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = nullptr;
    if (GdkWindow* w = desktop().window ? gtk_widget_get_window(desktop().window) : nullptr)
        monitor = gdk_display_get_monitor_at_window(display, w);
    if (!monitor) monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    return monitor;
}

// The largest whole factor of the game's size that fits the screen's work
// area with the window's bars and frame, or the one the player chose for
// this game before when it still fits.
int windowScaleFor(int width, int height) {
    if (screen().SizeUnlocked) return 1;
    GdkRectangle work{0, 0, 1024, 768};
    if (GdkMonitor* monitor = windowMonitor()) gdk_monitor_get_workarea(monitor, &work);
    // A frame and a title bar a window manager may add.
    constexpr int kFrameWidth = 16, kFrameHeight = 48;
    int fit = std::min((work.width - kFrameWidth) / std::max(1, width),
                       (work.height - kFrameHeight - barsHeight()) / std::max(1, height));
    fit = std::max(1, fit);
    // RAVOK_WINDOW_SCALE for this run, else the factor kept for this game,
    // else the WindowScale setting for every game, when it fits.
    for (std::string chosen :
         {std::string(getenv("RAVOK_WINDOW_SCALE") ? getenv("RAVOK_WINDOW_SCALE") : ""),
          TEnvironment::instance().getEnv(scaleSettingKey()),
          TEnvironment::instance().getEnv("WindowScale")}) {
        int k = std::atoi(chosen.c_str());
        if (k >= 1) return std::min(k, fit);
    }
    return fit;
}

void applyClientSize(int width, int height) {
    TDesktop& d = desktop();
    if (!d.area) return;
    // The game's own size is the least the window shrinks to; it opens at
    // the factor that fits, so the picture is large and every pixel crisp.
    gtk_widget_set_size_request(d.area, width, height);
    d.appliedWidth = width;
    d.appliedHeight = height;
    if (d.fullScreen) return;
    d.scale = windowScaleFor(width, height);
    gtk_window_resize(GTK_WINDOW(d.window), width * d.scale, height * d.scale + barsHeight());
}

void startUp() {
    TDesktop& d = desktop();
    Booting = true;
    screen().backSurface();
    std::string bar = TEnvironment::instance().getEnv("statusBar");
    if (bar == "0") {
        gtk_widget_hide(d.statusBar);
        // The tick follows the bar.
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(d.statusItem), FALSE);
    }
    translateDialogTexts();
    soundEngine().timerEnabled = true;
    screen().NotRunning = true;
    bootPlayer(d.options->page);
    std::string caption =
        TPrjManager::instance().getParam("title") + TPrjManager::instance().getParam("version");
    if (caption.empty()) caption = translate("Ravok System");
    gtk_window_set_title(GTK_WINDOW(d.window), cp932ToUtf8(caption).c_str());
    int wx, wy;
    gtk_window_get_position(GTK_WINDOW(d.window), &wx, &wy);
    native::setGlobal("$windowX", TValue::ofInt(wx));
    native::setGlobal("$windowY", TValue::ofInt(wy));
    native::setGlobal("$fullScreen", TValue::ofInt(d.options->fullScreen ? 1 : 0));
    // The engine's timer drives its tick from now on; a loaded song is
    // attached, and the device closes again until the first sound needs it.
    soundEngine().StartSong();
    soundEngine().SetEnabled(false);
    soundEngine().setDelay(
        soundDelayFor(TEnvironment::instance().getEnv("SvDelay"), 0, soundEngine().delay()));
    TRect g = gameRect();
    applyClientSize(g.width(), g.height());
    std::string mode = TEnvironment::instance().getEnv("DrawMode");
    int m = mode.empty() ? 1 : std::atoi(mode.c_str());
    selectMethod(m >= 1 && m <= 3 ? m : 1);
    Booting = false;
    // Shots ask for given frames, so every frame is drawn: one a batch.
    if (!d.options->shots.empty() || !d.options->gifs.empty()) framePacing().MaxFramesPerIdle = 1;
    framePacing().BaseTime = NowMs(); // StartLoop
    wakeLoop();
}

gboolean onTimer2(gpointer) {
    TDesktop& d = desktop();
    if (d.closing) return G_SOURCE_REMOVE;
    if (!Booted && !Booting) {
        startUp();
        return G_SOURCE_CONTINUE;
    }
    screen().DrawingStopped = false;
    TValue* seamless = native::globalCell("$_seamLessLoad");
    if (!(Booted && seamless && truthiness(*seamless))) screen().DrawAllOrStop();
    return G_SOURCE_CONTINUE;
}

gboolean onTimer1(gpointer) {
    TDesktop& d = desktop();
    if (d.closing) return G_SOURCE_REMOVE;
    // Saved changes reload the page between batches, never inside a hold or
    // while a message box runs a loop of its own.
    if (d.watch && Booted && d.loopHolds == 0 && !TDebugger::instance().holding() &&
        d.watch->turn())
        wakeLoop();
    if (screen().NotRunning && Booted) screen().DrawAllOrStop();
    return G_SOURCE_CONTINUE;
}

// Full screen: the menu and the status bar go, the drawing area covers the
// display and the game image sits in its middle (ScreenOffsetX/Y).
void setFullScreen(bool on) {
    TDesktop& d = desktop();
    d.fullScreen = on;
    gtk_widget_set_visible(d.menuBar, !on);
    gtk_widget_set_visible(d.statusBar, !on && TEnvironment::instance().getEnv("statusBar") != "0");
    // Borderless over the whole display at (0, 0), which works without a
    // window manager too; a window manager is asked for its full-screen state
    // as well.
    GdkRectangle display{0, 0, 1024, 768};
    if (GdkMonitor* m = windowMonitor()) gdk_monitor_get_geometry(m, &display);
    gtk_window_set_decorated(GTK_WINDOW(d.window), !on);
    gtk_window_set_keep_above(GTK_WINDOW(d.window), on);
    if (on) {
        gtk_window_get_size(GTK_WINDOW(d.window), &d.windowedWidth, &d.windowedHeight);
        gtk_window_move(GTK_WINDOW(d.window), display.x, display.y);
        gtk_window_resize(GTK_WINDOW(d.window), display.width, display.height);
        gtk_window_fullscreen(GTK_WINDOW(d.window));
    } else {
        gtk_window_unfullscreen(GTK_WINDOW(d.window));
        TRect g = gameRect();
        gtk_widget_set_size_request(d.area, g.width(), g.height());
        // Back to the size it had, not to the game's smallest.
        if (d.windowedWidth > 0)
            gtk_window_resize(GTK_WINDOW(d.window), d.windowedWidth, d.windowedHeight);
        else
            applyClientSize(g.width(), g.height());
    }
}

gboolean onKey(GtkWidget*, GdkEventKey* e, gpointer) {
    if (e->keyval == GDK_KEY_F3) {
        toggleAuthorOverlay();
        if (desktop().area) gtk_widget_queue_draw(desktop().area);
        return TRUE;
    }
    if (e->keyval == GDK_KEY_F12 && (e->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) == 0) {
        if (e->state & GDK_SHIFT_MASK)
            desktop().captures->toggleRecording();
        else
            desktop().captures->requestScreenshot();
        return TRUE;
    }
    if ((e->keyval == GDK_KEY_d || e->keyval == GDK_KEY_D) && (e->state & GDK_CONTROL_MASK)) {
        showDebugWindow();
        return TRUE;
    }
    if (e->keyval == GDK_KEY_F1 && (e->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) == 0) {
        onHelp(nullptr, nullptr);
        return TRUE;
    }
    bool toggle = e->keyval == GDK_KEY_F11 ||
                  ((e->state & GDK_MOD1_MASK) &&
                   (e->keyval == GDK_KEY_Return || e->keyval == GDK_KEY_KP_Enter));
    if (toggle) {
        setFullScreen(!desktop().fullScreen);
        return TRUE;
    }
    if (playerMenuKey(e)) return TRUE;
    applyGameKeyMap();
    gtkKeys().press(e);
    // Keys belong to the game; the menu bar's mnemonics need Alt.
    return (e->state & GDK_MOD1_MASK) == 0;
}

gboolean onKeyRelease(GtkWidget*, GdkEventKey* e, gpointer) {
    gtkKeys().release(e);
    return FALSE;
}

// The game stays active while the focus is in one of its own windows (a
// dialog, the text editor, the about box), as a program's windows share one
// activity; it goes inactive when the focus leaves them all. Which window
// took the focus is known only a moment later: a focus-out is taken back
// by any of the player's windows gaining the focus within that moment.
unsigned gFocusChanges = 0;

gboolean checkActive(gpointer change) {
    if (GPOINTER_TO_UINT(change) == gFocusChanges) gtkKeys().focused = false;
    return G_SOURCE_REMOVE;
}

gboolean onFocusOut(GtkWidget*, GdkEvent*, gpointer) {
    gtkKeys().releaseAll();
    g_timeout_add(60, checkActive, GUINT_TO_POINTER(++gFocusChanges));
    return FALSE;
}

gboolean onConfigure(GtkWidget*, GdkEventConfigure* e, gpointer) {
    if (!Booted) return FALSE;
    native::setGlobal("$windowX", TValue::ofInt(e->x));
    native::setGlobal("$windowY", TValue::ofInt(e->y));
    return FALSE;
}

// A resized drawing area tells a game that unlocked its size; a window the
// player resized keeps its factor for the game's next start.
void onAreaResize(GtkWidget*, GdkRectangle* r, gpointer) {
    TDesktop& d = desktop();
    if (Booted && !d.fullScreen && !screen().SizeUnlocked) {
        int k = scaleFor(r->width, r->height);
        if (k != d.scale) d.scaleToKeep = k;
    }
    if (!Booted || !screen().SizeUnlocked || desktop().fullScreen) return;
    native::setGlobal("$ScreenWidth", TValue::ofInt(r->width));
    native::setGlobal("$ScreenHeight", TValue::ofInt(r->height));
}

// The activity indicator while a page loads: a small block near the bottom
// right corner that changes colour with every call.
void showBusy(bool on) {
    TDesktop& d = desktop();
    if (!on || !d.area) return;
    if (d.loopHolds > 0) return; // no drawing from inside a message box's loop
    d.busyCounter = (d.busyCounter + 1) & 7;
    TRect g = gameRect();
    TSurface* front = frontSurface();
    if (!front) return;
    TRect block{g.right - 24, g.bottom - 16, g.right - 8, g.bottom - 8};
    uint32_t colour = d.busyCounter & 1 ? 0x11FF11 : 0x001100;
    front->fillRect(block, colour);
    if (screen().DrawMethod == 2)
        if (TSurface* back = screen().drawnBackSurface()) back->fillRect(block, colour);
    gtk_widget_queue_draw(d.area);
    for (int i = 0; i < 10 && gtk_events_pending(); ++i)
        gtk_main_iteration_do(FALSE);
}

// The seams the shell fills.
class TDesktopWindow : public TScreenWindow {
public:
    void setClientSize(int width, int height) override { applyClientSize(width, height); }
    void setWindowPos(int x, int y) override {
        if (desktop().window) gtk_window_move(GTK_WINDOW(desktop().window), x, y);
    }
    void drawMethodChanged(int method) override { selectMethod(method); }
    TSurface* displaySurface() override { return frontSurface(); }
    bool cursorInGame(int& x, int& y) override { return ravok::cursorInGame(x, y); }
    void moveCursorTo(int x, int y) override { ravok::moveCursorTo(x, y); }
    void showCursor(bool show) override { ravok::showCursor(show); }
    void present(const TSurface& surface, const TRect& client) override {
        ravok::present(surface, client);
    }
};

class TDesktopBusyIndicator : public TBusyIndicator {
public:
    void busy(bool on) override {
        desktop().loading = on;
        showBusy(on);
    }
};

class TDesktopShell : public TPlayerShell {
public:
    void showSplash() override { ravok::showSplash(); }
};

void onDestroy(GtkWidget*, gpointer) {
    TDesktop& d = desktop();
    d.closing = true;
    if (d.scaleToKeep > 0) {
        TEnvironment::instance().setEnv(scaleSettingKey(), std::to_string(d.scaleToKeep));
        TEnvironment::instance().save();
    }
    sendMidiCommand(midiCommandFile(), 'X', "");
    soundEngine().SetEnabled(false);
    gtk_main_quit();
}

// Ctrl+C at the terminal, or a polite kill, closes the window as its close
// button does: the MIDI helper is told to quit and the run ends with 0.
gboolean onTerminalSignal(gpointer) {
    TDesktop& d = desktop();
    d.endedBySignal = true;
    if (d.window && !d.closing)
        gtk_widget_destroy(d.window);
    else if (!d.closing)
        gtk_main_quit();
    return G_SOURCE_CONTINUE;
}

void onFocus(GtkWidget*, GdkEvent*, gpointer) { noteWindowFocused(); }

void buildWindows() {
    TDesktop& d = desktop();
    d.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(d.window), cp932ToUtf8(translate("Ravok System")).c_str());
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(d.window), box);
    GtkWidget* bar = gtk_menu_bar_new();
    d.menuBar = bar;
    buildMenu(bar);
    gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);
    d.area = gtk_drawing_area_new();
    gtk_widget_set_size_request(d.area, kClientWidth, kClientHeight);
    gtk_widget_add_events(d.area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                      GDK_POINTER_MOTION_MASK);
    g_signal_connect(d.area, "draw", G_CALLBACK(onDraw), nullptr);
    g_signal_connect(d.area, "button-press-event", G_CALLBACK(onButtonPress), nullptr);
    g_signal_connect(d.area, "motion-notify-event", G_CALLBACK(onMotion), nullptr);
    g_signal_connect(d.area, "button-release-event", G_CALLBACK(onButtonRelease), nullptr);
    gtk_box_pack_start(GTK_BOX(box), d.area, TRUE, TRUE, 0);
    d.statusBar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    for (int i = 0; i < 3; ++i) {
        GtkWidget* panel = gtk_label_new("");
        gtk_widget_set_size_request(panel, 50, 19);
        gtk_box_pack_start(GTK_BOX(d.statusBar), panel, FALSE, FALSE, 0);
    }
    d.statusMessage = gtk_label_new("");
    gtk_label_set_ellipsize(GTK_LABEL(d.statusMessage), PANGO_ELLIPSIZE_START);
    gtk_label_set_xalign(GTK_LABEL(d.statusMessage), 0);
    gtk_box_pack_start(GTK_BOX(d.statusBar), d.statusMessage, TRUE, TRUE, 4);
    gtk_box_pack_end(GTK_BOX(box), d.statusBar, FALSE, FALSE, 0);
    g_signal_connect(d.window, "destroy", G_CALLBACK(onDestroy), nullptr);
    setDialogParent(d.window);
    g_signal_connect(d.window, "focus-in-event", G_CALLBACK(onFocus), nullptr);
    g_signal_connect(d.window, "key-press-event", G_CALLBACK(onKey), nullptr);
    g_signal_connect(d.window, "key-release-event", G_CALLBACK(onKeyRelease), nullptr);
    g_signal_connect(d.window, "focus-out-event", G_CALLBACK(onFocusOut), nullptr);
    g_signal_connect(d.window, "configure-event", G_CALLBACK(onConfigure), nullptr);
    g_signal_connect(d.area, "size-allocate", G_CALLBACK(onAreaResize), nullptr);
    gtk_widget_show_all(d.window);
    if (d.options->fullScreen) setFullScreen(true);

    d.splash = gtk_window_new(GTK_WINDOW_POPUP);
    gtk_window_set_title(GTK_WINDOW(d.splash), cp932ToUtf8(translate("Now Loading")).c_str());
    gtk_window_set_keep_above(GTK_WINDOW(d.splash), TRUE);
    gtk_window_set_decorated(GTK_WINDOW(d.splash), FALSE);
    d.splashArea = gtk_drawing_area_new();
    gtk_widget_set_size_request(d.splashArea, TSplashTimer::kImageWidth,
                                TSplashTimer::kImageHeight);
    g_signal_connect(d.splashArea, "draw", G_CALLBACK(onSplashDraw), nullptr);
    gtk_container_add(GTK_CONTAINER(d.splash), d.splashArea);
    showSplash();
}

} // namespace

void holdFrameLoop(bool hold) {
    TDesktop& d = desktop();
    if (hold) {
        if (d.idleSource) g_source_remove(d.idleSource);
        if (d.wakeSource) g_source_remove(d.wakeSource);
        d.idleSource = d.wakeSource = 0;
        ++d.loopHolds;
        return;
    }
    if (d.loopHolds > 0) --d.loopHolds;
    wakeLoop();
}

bool desktopClosing() { return desktop().closing; }

void wakeFrameLoop() { wakeLoop(); }

void setSplashCaption(const std::string& caption) {
    if (desktop().splash)
        gtk_window_set_title(GTK_WINDOW(desktop().splash), cp932ToUtf8(caption).c_str());
}

void noteWindowFocused() {
    ++gFocusChanges;
    gtkKeys().focused = true;
    wakeLoop();
}

bool placeGamePoint(int x, int y, TGamePlacement& placed) {
    TDesktop& d = desktop();
    GdkWindow* w = d.area ? gtk_widget_get_window(d.area) : nullptr;
    if (!w) return false;
    int aw = gtk_widget_get_allocated_width(d.area), ah = gtk_widget_get_allocated_height(d.area);
    TRect g = gameRect();
    int k = scaleFor(aw, ah);
    int ox = std::max(0, (aw - g.width() * k) / 2), oy = std::max(0, (ah - g.height() * k) / 2);
    int rx = 0, ry = 0;
    gdk_window_get_origin(w, &rx, &ry);
    placed.rootX = rx + ox + x * k;
    placed.rootY = ry + oy + y * k;
    placed.scale = k;
    return true;
}

bool desktopAvailable() { return gtk_init_check(nullptr, nullptr); }

TReporter& desktopReporter() {
    static TDesktopReporter reporter;
    return reporter;
}

TScreenWindow& desktopWindow() {
    static TDesktopWindow window;
    return window;
}

TBusyIndicator& desktopBusyIndicator() {
    static TDesktopBusyIndicator indicator;
    return indicator;
}

TPlayerShell& desktopShell() {
    static TDesktopShell shell;
    return shell;
}

// Gamepad mappings beyond SDL's own: the program directory's
// gamecontrollerdb.txt, then the file $RAVOK_PAD_MAPPINGS names.
void loadPadMappings() {
    std::string own = toHostPath(programDirectory()) + "/gamecontrollerdb.txt";
    if (fileExists(fromHostPath(own)) && addPadMappings(own) < 0)
        std::fprintf(stderr, "ravok: %s: cannot be read as gamepad mappings\n", own.c_str());
    if (const char* named = std::getenv("RAVOK_PAD_MAPPINGS"); named && *named)
        if (addPadMappings(named) < 0)
            std::fprintf(stderr,
                         "ravok: RAVOK_PAD_MAPPINGS: %s cannot be read as gamepad mappings\n",
                         named);
}

namespace {
class TGtkHoldEvents : public THoldEvents {
public:
    bool waitOnce(const std::function<bool()>& ready) override {
        if (!ready()) gtk_main_iteration_do(TRUE);
        return !desktopClosing();
    }
    void wake() override { g_main_context_wakeup(nullptr); }
    void holding(bool on) override { holdFrameLoop(on); }
};
} // namespace

THoldEvents& desktopHoldEvents() {
    static TGtkHoldEvents events;
    return events;
}

int runDesktop(const TWindowOptions& options) {
    TDesktop& d = desktop();
    d.options = &options;
    d.shots = std::make_unique<TFrameShots>(options.shots, options.gifs);
    d.captures = std::make_unique<TWindowCaptures>(sayInStatusBar);
    if (options.watch) d.watch = std::make_unique<TPageWatch>(sayInStatusBar);
    if (!options.record.empty()) {
        std::string error;
        if (!d.recorder.open(options.record, error)) {
            std::fprintf(stderr, "ravok: %s\n", error.c_str());
            return 1;
        }
    }
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "ravok: no display to open the window on\n");
        return 1;
    }
    loadPlayerSettings();
    gtkKeys().byPosition = TPlayerSettings::instance().keysByPosition;
    buildWindows();
    setMatchRefresh(TPlayerSettings::instance().matchRefresh);
    buildDebugWindow();
    // Breakpoints from the command line wait for their classes to compile.
    for (const auto& [file, line] : options.breaks)
        TSourceDebugger::instance().addBreakpoint(file, line);
    loadPadMappings();
    gtkKeys().window = d.window;
    g_unix_signal_add(SIGINT, onTerminalSignal, nullptr);
    g_unix_signal_add(SIGTERM, onTerminalSignal, nullptr);
    g_timeout_add(100, onSplashTick, nullptr);
    g_timeout_add(200, onTimer1, nullptr);
    g_timeout_add(1000, onTimer2, nullptr);
    g_timeout_add(
        guint(soundEngine().Interval),
        [](gpointer) -> gboolean {
            if (desktop().closing) return G_SOURCE_REMOVE;
            soundEngine().timerTick();
            return G_SOURCE_CONTINUE;
        },
        nullptr);
    gtk_main();
    d.statusMessage = nullptr; // gone with the window
    d.captures.reset();        // a recording still running is finished
    std::fflush(stdout);
    // A --shot or --gif the run did not complete is said and counted, as
    // headless: a script that waits for the file must not be told all went well.
    bool shotsMissing = !d.shots->reportMissing();
    return (d.errors > 0 && !d.endedBySignal) || shotsMissing ? 3 : 0;
}

} // namespace ravok
