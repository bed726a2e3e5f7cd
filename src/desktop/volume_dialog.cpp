#include "desktop/volume_dialog.h"
#include "desktop/said.h"

#include "base/encoding.h"
#include "base/log.h"
#include "player/player_comforts.h"
#include "resources/player_settings.h"
#include "runtime/messages.h"

namespace ravok {

namespace {

GtkWidget* slider(GtkWidget* grid, int row, const char* title, int* value) {
    GtkWidget* label = gtk_label_new(said(title).c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    GtkWidget* scale = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 5);
    gtk_widget_set_size_request(scale, 240, -1);
    gtk_range_set_value(GTK_RANGE(scale), *value);
    g_signal_connect(scale, "value-changed", G_CALLBACK(+[](GtkRange* range, gpointer into) {
                         *static_cast<int*>(into) = int(gtk_range_get_value(range) + 0.5);
                         applyPlayerVolume();
                     }),
                     value);
    gtk_grid_attach(GTK_GRID(grid), label, 0, row, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), scale, 1, row, 1, 1);
    return scale;
}
} // namespace

void showVolumeDialog(GtkWindow* parent) {
    TPlayerSettings& settings = TPlayerSettings::instance();
    GtkWidget* dialog =
        gtk_dialog_new_with_buttons(said("Volume").c_str(), parent, GTK_DIALOG_DESTROY_WITH_PARENT,
                                    said("Close").c_str(), GTK_RESPONSE_CLOSE, nullptr);
    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 8);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
    gtk_container_set_border_width(GTK_CONTAINER(grid), 12);
    slider(grid, 0, "Music", &settings.musicVolume);
    slider(grid, 1, "Effects", &settings.effectsVolume);
    gtk_container_add(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), grid);
    // The game plays on while the sliders move: no loop of the dialog's own.
    g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog* d, gint, gpointer) {
                         TPlayerSettings::instance().save();
                         gtk_widget_destroy(GTK_WIDGET(d));
                     }),
                     nullptr);
    gtk_widget_show_all(dialog);
    Log("Player: volume dialog");
}

} // namespace ravok
