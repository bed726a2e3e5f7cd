#include "desktop/key_remap_dialog.h"
#include "desktop/remap_shell.h"
#include "desktop/said.h"

#include "base/encoding.h"
#include "base/log.h"
#include "desktop/playing_game.h"
#include "platform/gtk/gtk_keys.h"
#include "resources/player_settings.h"
#include "runtime/messages.h"

namespace ravok {

namespace {

struct TRemapForm {
    TRemapShell shell; // the dialog, its rows and its prompt
    int step = 0;      // 0: idle; 1: waiting for the game's key; 2: for yours
    int expected = 0;  // the game's key, once pressed
};

TRemapForm& form() {
    static TRemapForm f;
    return f;
}

void listRows() {
    TRemapForm& f = form();
    gtk_list_store_clear(f.shell.rows);
    for (const auto& [pressed, read] : TPlayerSettings::instance().keyMaps[playingGameKey()]) {
        GtkTreeIter it;
        gtk_list_store_append(f.shell.rows, &it);
        gtk_list_store_set(f.shell.rows, &it, 0, keyName(pressed).c_str(), 1, keyName(read).c_str(),
                           -1);
    }
}

void changed() {
    TPlayerSettings::instance().save();
    gtkKeys().releaseAll();
    gtkKeys().remap = TPlayerSettings::instance().keyMaps[playingGameKey()];
    listRows();
}

gboolean onKey(GtkWidget*, GdkEventKey* e, gpointer) {
    TRemapForm& f = form();
    if (f.step == 0) return FALSE;
    int code = gtkKeys().codeOf(e);
    if (code <= 0) return TRUE;
    if (f.step == 1) {
        f.expected = code;
        f.step = 2;
        gtk_label_set_text(
            GTK_LABEL(f.shell.prompt),
            (said("Now press the key you want to use for") + " " + keyName(code)).c_str());
        return TRUE;
    }
    auto& map = TPlayerSettings::instance().keyMaps[playingGameKey()];
    // A key stands for one key of the game; the old use of it goes.
    map[code] = f.expected;
    if (code == f.expected) map.erase(code);
    f.step = 0;
    gtk_label_set_text(GTK_LABEL(f.shell.prompt), "");
    Log("Player: key " + keyName(code) + " reads as " + keyName(f.expected));
    changed();
    return TRUE;
}
} // namespace

std::string keyName(int code) {
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        return std::string(1, char(code));
    if (code >= 112 && code <= 135) return "F" + std::to_string(code - 111);
    switch (code) {
    case 8:
        return "Backspace";
    case 9:
        return "Tab";
    case 13:
        return "Enter";
    case 16:
        return "Shift";
    case 17:
        return "Ctrl";
    case 18:
        return "Alt";
    case 27:
        return "Esc";
    case 32:
        return "Space";
    case 37:
        return "Left";
    case 38:
        return "Up";
    case 39:
        return "Right";
    case 40:
        return "Down";
    default:
        return "#" + std::to_string(code);
    }
}

void applyGameKeyMap() {
    static std::string applied = "\\n";
    std::string game = playingGameKey();
    if (game == applied) return;
    applied = game;
    gtkKeys().remap = TPlayerSettings::instance().keyMaps[game];
}

void showKeyRemapDialog(GtkWindow* parent) {
    TRemapForm& f = form();
    if (f.shell.dialog) {
        gtk_window_present(GTK_WINDOW(f.shell.dialog));
        return;
    }
    f.shell = makeRemapShell(parent, "Remap Keys", "You press", 160);
    GtkWidget* row = f.shell.buttons;
    GtkWidget* add = gtk_button_new_with_label(said("Add...").c_str());
    g_signal_connect(add, "clicked", G_CALLBACK(+[](GtkButton*, gpointer) {
                         form().step = 1;
                         gtk_label_set_text(GTK_LABEL(form().shell.prompt),
                                            said("Press the key the game expects").c_str());
                     }),
                     nullptr);
    gtk_box_pack_start(GTK_BOX(row), add, FALSE, FALSE, 0);
    gtk_widget_set_can_default(add, TRUE);
    GtkWidget* reset = gtk_button_new_with_label(said("Reset").c_str());
    g_signal_connect(reset, "clicked", G_CALLBACK(+[](GtkButton*, gpointer) {
                         TPlayerSettings::instance().keyMaps.erase(playingGameKey());
                         Log("Player: keys reset");
                         changed();
                     }),
                     nullptr);
    gtk_box_pack_start(GTK_BOX(row), reset, FALSE, FALSE, 0);
    g_signal_connect(f.shell.dialog, "key-press-event", G_CALLBACK(onKey), nullptr);
    g_signal_connect(f.shell.dialog, "response", G_CALLBACK(+[](GtkDialog* d, gint, gpointer) {
                         form() = TRemapForm{};
                         gtk_widget_destroy(GTK_WIDGET(d));
                     }),
                     nullptr);
    listRows();
    gtk_widget_show_all(f.shell.dialog);
    // Space or Enter starts adding at once.
    gtk_widget_grab_focus(add);
    Log("Player: remap dialog");
}

} // namespace ravok
