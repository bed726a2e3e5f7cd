#include "desktop/method_profile_window.h"
#include "desktop/said.h"

#include "base/encoding.h"
#include "base/log.h"
#include "player/method_report.h"
#include "runtime/messages.h"

#include <cstdio>
#include <string>

namespace ravok {

namespace {

enum { kCalls, kOwnMs, kPercent, kTotalMs, kInstructions, kMethod, kWhere, kColumns };

struct TProfileForm {
    GtkWidget* window = nullptr;
    GtkListStore* rows = nullptr;
    guint timer = 0;
};

TProfileForm& form() {
    static TProfileForm f;
    return f;
}

std::string figure(const char* format, double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

void refresh() {
    TProfileForm& f = form();
    gtk_list_store_clear(f.rows);
    std::vector<TMethodRow> rows = methodRows();
    for (const TMethodRow& row : rows) {
        GtkTreeIter it;
        gtk_list_store_append(f.rows, &it);
        gtk_list_store_set(f.rows, &it, kCalls, std::to_string(row.calls).c_str(), kOwnMs,
                           figure("%.3f", row.selfMs).c_str(), kPercent,
                           figure("%.1f", row.selfPercent).c_str(), kTotalMs,
                           figure("%.3f", row.totalMs).c_str(), kInstructions,
                           std::to_string(row.instructions).c_str(), kMethod, row.method.c_str(),
                           kWhere, row.place.c_str(), -1);
    }
    Log("Debug: profile " + std::to_string(rows.size()) + " methods" +
        (rows.empty() ? "" : ", first " + rows.front().method));
}

void closed() {
    TProfileForm& f = form();
    if (f.timer) g_source_remove(f.timer);
    f.timer = 0;
    setMethodProfiling(false);
}

void build(GtkWindow* parent) {
    TProfileForm& f = form();
    f.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(f.window), said("Profile by Method").c_str());
    gtk_window_set_transient_for(GTK_WINDOW(f.window), parent);
    gtk_window_set_default_size(GTK_WINDOW(f.window), 720, 380);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    gtk_container_set_border_width(GTK_CONTAINER(box), 6);
    gtk_container_add(GTK_CONTAINER(f.window), box);
    f.rows = gtk_list_store_new(kColumns, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING,
                                G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING);
    GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(f.rows));
    const char* titles[kColumns] = {"calls",        "own ms", "%",    "total ms",
                                    "instructions", "method", "where"};
    for (int c = 0; c < kColumns; ++c) {
        GtkCellRenderer* cell = gtk_cell_renderer_text_new();
        if (c < kMethod) g_object_set(cell, "xalign", 1.0, nullptr);
        gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(view), -1,
                                                    c == kPercent ? "%" : said(titles[c]).c_str(),
                                                    cell, "text", c, nullptr);
    }
    GtkWidget* scroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_container_add(GTK_CONTAINER(scroll), view);
    gtk_box_pack_start(GTK_BOX(box), scroll, TRUE, TRUE, 0);
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_box_pack_start(GTK_BOX(box), row, FALSE, FALSE, 0);
    GtkWidget* reset = gtk_button_new_with_label(said("Reset").c_str());
    g_signal_connect(reset, "clicked", G_CALLBACK(+[](GtkButton*, gpointer) {
                         resetMethodProfile();
                         refresh();
                     }),
                     nullptr);
    gtk_box_pack_start(GTK_BOX(row), reset, FALSE, FALSE, 0);
    gtk_widget_show_all(box);
    g_signal_connect(f.window, "delete-event", G_CALLBACK(+[](GtkWidget* w, GdkEvent*, gpointer) {
                         closed();
                         gtk_widget_hide(w);
                         return TRUE;
                     }),
                     nullptr);
}

} // namespace

void showMethodProfileWindow(GtkWindow* parent) {
    TProfileForm& f = form();
    if (!f.window) build(parent);
    setMethodProfiling(true);
    if (!f.timer)
        f.timer = g_timeout_add(
            500,
            +[](gpointer) -> gboolean {
                refresh();
                return G_SOURCE_CONTINUE;
            },
            nullptr);
    refresh();
    gtk_widget_show(f.window);
    gtk_window_present(GTK_WINDOW(f.window));
}

} // namespace ravok
