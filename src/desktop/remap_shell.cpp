#include "desktop/remap_shell.h"
#include "desktop/said.h"

namespace ravok {

TRemapShell makeRemapShell(GtkWindow* parent, const char* title, const char* pressedColumn,
                           int listHeight) {
    TRemapShell s;
    s.dialog =
        gtk_dialog_new_with_buttons(said(title).c_str(), parent, GTK_DIALOG_DESTROY_WITH_PARENT,
                                    said("Close").c_str(), GTK_RESPONSE_CLOSE, nullptr);
    s.box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(s.box), 10);
    gtk_container_add(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(s.dialog))), s.box);
    s.rows = gtk_list_store_new(2, G_TYPE_STRING, G_TYPE_STRING);
    GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(s.rows));
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(view), -1,
                                                said(pressedColumn).c_str(),
                                                gtk_cell_renderer_text_new(), "text", 0, nullptr);
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(view), -1,
                                                said("The game reads").c_str(),
                                                gtk_cell_renderer_text_new(), "text", 1, nullptr);
    gtk_widget_set_size_request(view, 320, listHeight);
    gtk_box_pack_start(GTK_BOX(s.box), view, TRUE, TRUE, 0);
    s.prompt = gtk_label_new("");
    gtk_box_pack_start(GTK_BOX(s.box), s.prompt, FALSE, FALSE, 0);
    s.buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_box_pack_start(GTK_BOX(s.box), s.buttons, FALSE, FALSE, 0);
    return s;
}

} // namespace ravok
