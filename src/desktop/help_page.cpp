#include "desktop/help_page.h"

#include "base/encoding.h"
#include "pages/project_manager.h"
#include "runtime/messages.h"

#include <string>

namespace ravok {

namespace {

std::string shown(const std::string& systemText) { return cp932ToUtf8(systemText); }

std::string escaped(const std::string& text) {
    gchar* e = g_markup_escape_text(text.c_str(), -1);
    std::string out(e);
    g_free(e);
    return out;
}

} // namespace

void showBuiltInHelp(GtkWidget* parent) {
    TPrjManager& project = TPrjManager::instance();
    std::string title = cp932ToUtf8(project.getParam("title"));
    std::string author = cp932ToUtf8(project.getParam("author"));
    if (title.empty()) title = shown(translate("This game"));
    GtkWidget* box = gtk_dialog_new_with_buttons(
        (shown(translate("Help: ")) + title).c_str(), parent ? GTK_WINDOW(parent) : nullptr,
        GTK_DIALOG_DESTROY_WITH_PARENT, "_OK", GTK_RESPONSE_OK, nullptr);
    GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(box));
    gtk_container_set_border_width(GTK_CONTAINER(area), 12);
    gtk_box_set_spacing(GTK_BOX(area), 8);
    std::string heading = "<b>" + escaped(title) + "</b>";
    if (!author.empty()) heading += "\n" + escaped(shown(translate("by ")) + author);
    GtkWidget* name = gtk_label_new(nullptr);
    gtk_label_set_markup(GTK_LABEL(name), heading.c_str());
    gtk_label_set_xalign(GTK_LABEL(name), 0);
    gtk_box_pack_start(GTK_BOX(area), name, FALSE, FALSE, 0);
    GtkWidget* note = gtk_label_new(
        shown(translate("The game has no help page of its own. The player's keys:")).c_str());
    gtk_label_set_xalign(GTK_LABEL(note), 0);
    gtk_box_pack_start(GTK_BOX(area), note, FALSE, FALSE, 0);
    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_column_spacing(GTK_GRID(grid), 16);
    gtk_grid_set_row_spacing(GTK_GRID(grid), 2);
    const std::pair<const char*, std::string> keys[] = {
        {"F1", translate("this help")},
        {"F11, Alt+Enter", translate("full screen, and back")},
        {"F12", translate("save a screenshot")},
        {"Shift+F12", translate("record the screen as a GIF, and stop")},
        {"F3", translate("frames a second, for authors")},
        {"Ctrl+P", translate("pause, and go on")},
        {"Ctrl+M", translate("sound off, and on")},
        {"Ctrl+Alt+V", translate("the volume of music and effects")},
        {"Ctrl+Alt+K", translate("remap the game's keys")},
        {"Ctrl+Alt+J", translate("remap the gamepad's buttons and stick")},
        {"Ctrl+1 .. Ctrl+4, Ctrl+0", translate("zoom 1x to 4x, or to fit the screen")},
        {"Ctrl+D", translate("the debug window")},
        {"Alt", translate("the menus")},
    };
    int row = 0;
    for (const auto& [key, meaning] : keys) {
        GtkWidget* k = gtk_label_new(key);
        GtkWidget* m = gtk_label_new(shown(meaning).c_str());
        gtk_label_set_xalign(GTK_LABEL(k), 0);
        gtk_label_set_xalign(GTK_LABEL(m), 0);
        gtk_grid_attach(GTK_GRID(grid), k, 0, row, 1, 1);
        gtk_grid_attach(GTK_GRID(grid), m, 1, row, 1, 1);
        ++row;
    }
    gtk_box_pack_start(GTK_BOX(area), grid, FALSE, FALSE, 0);
    GtkWidget* how = gtk_label_new(
        shown(translate("An author gives a game its own page with the project parameter helpfile."))
            .c_str());
    gtk_label_set_xalign(GTK_LABEL(how), 0);
    gtk_box_pack_start(GTK_BOX(area), how, FALSE, FALSE, 0);
    g_signal_connect(box, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
    gtk_widget_show_all(box);
}

} // namespace ravok
