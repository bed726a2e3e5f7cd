#include "desktop/pad_remap_dialog.h"
#include "desktop/remap_shell.h"
#include "desktop/said.h"

#include "base/encoding.h"
#include "base/log.h"
#include "base/pad_remap.h"
#include "desktop/playing_game.h"
#include "platform/sdl/sdl_joysticks.h"
#include "resources/player_settings.h"
#include "runtime/messages.h"

#include <string>

namespace ravok {

namespace {

struct TPadForm {
    TRemapShell shell; // the dialog, its rows and its prompt
    GtkWidget* gameButton = nullptr;
    guint poll = 0;
    int padButton = -1; // the pad's button pressed, waiting for the game's
    uint32_t held = 0;  // buttons down when Add was pressed
};

TPadForm& form() {
    static TPadForm f;
    return f;
}

void listRows() {
    TPadForm& f = form();
    gtk_list_store_clear(f.shell.rows);
    for (const auto& [pad, game] : remappedPads().map.buttons) {
        GtkTreeIter it;
        gtk_list_store_append(f.shell.rows, &it);
        gtk_list_store_set(f.shell.rows, &it, 0, std::to_string(pad + 1).c_str(), 1,
                           std::to_string(game + 1).c_str(), -1);
    }
}

void changed() {
    TPlayerSettings& settings = TPlayerSettings::instance();
    settings.padMaps[playingGameKey()] = remappedPads().map.text();
    settings.save();
    listRows();
    Log("Player: pad " + remappedPads().map.text());
}

// Waits for a button that was not down when Add was pressed.
gboolean watchPad(gpointer) {
    TPadForm& f = form();
    TJoyReading r;
    if (!remappedPads().inner().read(0, r)) return G_SOURCE_CONTINUE;
    uint32_t fresh = r.buttons & ~f.held;
    f.held &= r.buttons;
    for (int b = 0; b < 32; ++b)
        if (fresh & (1u << b)) {
            f.padButton = b;
            gtk_label_set_text(GTK_LABEL(f.shell.prompt),
                               (said("Pad button") + " " + std::to_string(b + 1) + ": " +
                                said("choose the game's button and press Set"))
                                   .c_str());
            f.poll = 0;
            return G_SOURCE_REMOVE;
        }
    return G_SOURCE_CONTINUE;
}

// The stick's three settings, by index: a check button's data.
bool TPadMap::*const kAxisFlags[] = {&TPadMap::swapXY, &TPadMap::invertX, &TPadMap::invertY};

GtkWidget* axisCheck(GtkWidget* row, const char* title, int which) {
    GtkWidget* check = gtk_check_button_new_with_label(said(title).c_str());
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), remappedPads().map.*kAxisFlags[which]);
    g_signal_connect(check, "toggled", G_CALLBACK(+[](GtkToggleButton* b, gpointer index) {
                         remappedPads().map.*kAxisFlags[GPOINTER_TO_INT(index)] =
                             gtk_toggle_button_get_active(b);
                         changed();
                     }),
                     GINT_TO_POINTER(which));
    gtk_box_pack_start(GTK_BOX(row), check, FALSE, FALSE, 0);
    return check;
}
} // namespace

TRemappedJoySource& remappedPads() {
    static TRemappedJoySource source(sdlJoySource());
    return source;
}

void applyGamePadMap() {
    static std::string applied = "\\n";
    std::string game = playingGameKey();
    if (game == applied) return;
    applied = game;
    remappedPads().map = TPadMap::parse(TPlayerSettings::instance().padMaps[game]);
}

void showPadRemapDialog(GtkWindow* parent) {
    TPadForm& f = form();
    if (f.shell.dialog) {
        gtk_window_present(GTK_WINDOW(f.shell.dialog));
        return;
    }
    applyGamePadMap();
    f.shell = makeRemapShell(parent, "Remap Pad", "Pad button", 140);
    GtkWidget* box = f.shell.box;
    GtkWidget* row = f.shell.buttons;
    GtkWidget* add = gtk_button_new_with_label(said("Add...").c_str());
    g_signal_connect(add, "clicked", G_CALLBACK(+[](GtkButton*, gpointer) {
                         TPadForm& form_ = form();
                         TJoyReading r;
                         form_.held = remappedPads().inner().read(0, r) ? r.buttons : 0;
                         form_.padButton = -1;
                         gtk_label_set_text(GTK_LABEL(form_.shell.prompt),
                                            said("Press a button on your pad").c_str());
                         if (!form_.poll) form_.poll = g_timeout_add(50, watchPad, nullptr);
                     }),
                     nullptr);
    gtk_box_pack_start(GTK_BOX(row), add, FALSE, FALSE, 0);
    f.gameButton = gtk_spin_button_new_with_range(1, 32, 1);
    gtk_box_pack_start(GTK_BOX(row), f.gameButton, FALSE, FALSE, 0);
    GtkWidget* set = gtk_button_new_with_label(said("Set").c_str());
    g_signal_connect(
        set, "clicked", G_CALLBACK(+[](GtkButton*, gpointer) {
            TPadForm& form_ = form();
            if (form_.padButton < 0) return;
            int game = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(form_.gameButton)) - 1;
            auto& buttons = remappedPads().map.buttons;
            buttons[form_.padButton] = game;
            if (game == form_.padButton) buttons.erase(game);
            form_.padButton = -1;
            gtk_label_set_text(GTK_LABEL(form_.shell.prompt), "");
            changed();
        }),
        nullptr);
    gtk_box_pack_start(GTK_BOX(row), set, FALSE, FALSE, 0);
    GtkWidget* reset = gtk_button_new_with_label(said("Reset").c_str());
    g_signal_connect(reset, "clicked", G_CALLBACK(+[](GtkButton*, gpointer) {
                         remappedPads().map = TPadMap{};
                         TPlayerSettings::instance().padMaps.erase(playingGameKey());
                         TPlayerSettings::instance().save();
                         listRows();
                         Log("Player: pad reset");
                     }),
                     nullptr);
    gtk_box_pack_start(GTK_BOX(row), reset, FALSE, FALSE, 0);
    GtkWidget* axes = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_box_pack_start(GTK_BOX(box), axes, FALSE, FALSE, 0);
    axisCheck(axes, "Swap X and Y", 0);
    axisCheck(axes, "Invert X", 1);
    axisCheck(axes, "Invert Y", 2);
    g_signal_connect(f.shell.dialog, "response", G_CALLBACK(+[](GtkDialog* d, gint, gpointer) {
                         if (form().poll) g_source_remove(form().poll);
                         form() = TPadForm{};
                         gtk_widget_destroy(GTK_WIDGET(d));
                     }),
                     nullptr);
    listRows();
    gtk_widget_show_all(f.shell.dialog);
    Log("Player: pad dialog");
}

} // namespace ravok
