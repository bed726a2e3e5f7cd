#include "desktop/about_box.h"
#include "desktop/surface_view.h"

#include "desktop/desktop_player.h"
#include "player/about_info.h"

#include "base/encoding.h"
#include "base/log.h"
#include "base/shell.h"
#include "base/surface.h"
#include "resources/host_files.h"
#include "runtime/messages.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>

namespace ravok {

namespace {

struct TAboutWindow {
    GtkWidget* window = nullptr;
    // The value labels of the game panel, in order: LTitle, LVer, LAuth,
    // LMail, LWeb, LCond, AppID; then the system panel's LabelTitle and kerID.
    GtkWidget* values[7] = {};
    GtkWidget* image = nullptr;
    GtkWidget* labelTitle = nullptr;
    GtkWidget* kerID = nullptr;
    GtkWidget* ok = nullptr;
    std::string web;
};

TAboutWindow& about() {
    static TAboutWindow w;
    return w;
}

std::string shown(const std::string& systemText) { return cp932ToUtf8(systemText); }
std::string caption(const char* text) { return shown(translate(text)); }

// A label in an event box that shows the hand cursor and calls `clicked`.
GtkWidget* clickable(GtkWidget* child, GCallback clicked) {
    GtkWidget* box = gtk_event_box_new();
    gtk_container_add(GTK_CONTAINER(box), child);
    gtk_widget_add_events(box, GDK_BUTTON_PRESS_MASK);
    g_signal_connect(box, "button-press-event", clicked, nullptr);
    g_signal_connect(box, "realize", G_CALLBACK(+[](GtkWidget* w, gpointer) {
                         GdkCursor* hand =
                             gdk_cursor_new_for_display(gtk_widget_get_display(w), GDK_HAND2);
                         gdk_window_set_cursor(gtk_widget_get_window(w), hand);
                         g_object_unref(hand);
                     }),
                     nullptr);
    return box;
}

gboolean openWeb(GtkWidget*, GdkEventButton*, gpointer) {
    if (!about().web.empty()) shell().openAddress(about().web);
    return TRUE;
}

gboolean openHome(GtkWidget*, GdkEventButton*, gpointer) {
    shell().openAddress(kHomePage);
    return TRUE;
}

GtkWidget* valueLabel() {
    GtkWidget* l = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(l), 0);
    gtk_label_set_selectable(GTK_LABEL(l), TRUE);
    return l;
}

void build(GtkWidget* parent) {
    TAboutWindow& w = about();
    w.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(w.window),
                         caption("Application Properties").c_str()); // message
    if (parent) gtk_window_set_transient_for(GTK_WINDOW(w.window), GTK_WINDOW(parent));
    gtk_window_set_resizable(GTK_WINDOW(w.window), FALSE);
    gtk_container_set_border_width(GTK_CONTAINER(w.window), 8);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    gtk_container_add(GTK_CONTAINER(w.window), box);

    GtkWidget* game = gtk_frame_new(nullptr);
    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
    gtk_grid_set_row_spacing(GTK_GRID(grid), 4);
    gtk_container_set_border_width(GTK_CONTAINER(grid), 8);
    gtk_container_add(GTK_CONTAINER(game), grid);
    const char* names[7] = {"Title", "Version", "Author", "Mail", "URL", "License", "AppID"};
    for (int i = 0; i < 7; ++i) {
        GtkWidget* name = gtk_label_new(caption(names[i]).c_str());
        gtk_label_set_xalign(GTK_LABEL(name), 0);
        gtk_grid_attach(GTK_GRID(grid), name, 0, i, 1, 1);
        w.values[i] = valueLabel();
        GtkWidget* shownValue = w.values[i];
        if (i == 4) {
            gtk_label_set_selectable(GTK_LABEL(w.values[i]), FALSE);
            shownValue = clickable(w.values[i], G_CALLBACK(openWeb));
        }
        gtk_grid_attach(GTK_GRID(grid), shownValue, 1, i, 1, 1);
    }
    gtk_box_pack_start(GTK_BOX(box), game, FALSE, FALSE, 0);

    GtkWidget* system = gtk_frame_new(nullptr);
    GtkWidget* sys = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    gtk_container_set_border_width(GTK_CONTAINER(sys), 8);
    gtk_container_add(GTK_CONTAINER(system), sys);
    w.image = gtk_image_new();
    gtk_box_pack_start(GTK_BOX(sys), clickable(w.image, G_CALLBACK(openHome)), FALSE, FALSE, 0);
    GtkWidget* texts = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    gtk_box_pack_start(GTK_BOX(sys), texts, TRUE, TRUE, 0);
    w.labelTitle = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(w.labelTitle), 0);
    gtk_box_pack_start(GTK_BOX(texts), w.labelTitle, FALSE, FALSE, 0);
    GtkWidget* created = gtk_label_new(caption("This Program is created with").c_str()); // message
    gtk_label_set_xalign(GTK_LABEL(created), 0);
    gtk_box_pack_start(GTK_BOX(texts), created, FALSE, FALSE, 0);
    GtkWidget* link = gtk_label_new(nullptr);
    std::string markup =
        std::string("<span foreground=\"blue\" underline=\"single\">") + kHomePage + "</span>";
    gtk_label_set_markup(GTK_LABEL(link), markup.c_str());
    gtk_label_set_xalign(GTK_LABEL(link), 0);
    gtk_box_pack_start(GTK_BOX(texts), clickable(link, G_CALLBACK(openHome)), FALSE, FALSE, 0);
    GtkWidget* idRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_box_pack_start(GTK_BOX(idRow), gtk_label_new(caption("Ravok-kernel-ID :").c_str()),
                       FALSE, // message
                       FALSE, 0);
    w.kerID = valueLabel();
    gtk_box_pack_start(GTK_BOX(idRow), w.kerID, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(texts), idRow, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), system, FALSE, FALSE, 0);

    GtkWidget* buttons = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_END);
    GtkWidget* ok = gtk_button_new_with_label("OK");
    w.ok = ok;
    gtk_container_add(GTK_CONTAINER(buttons), ok);
    gtk_box_pack_end(GTK_BOX(box), buttons, FALSE, FALSE, 0);
    g_signal_connect_swapped(ok, "clicked", G_CALLBACK(gtk_widget_hide), w.window);
    g_signal_connect(w.window, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);
    g_signal_connect(w.window, "focus-in-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) {
                         noteWindowFocused();
                         return FALSE;
                     }),
                     nullptr);
    gtk_widget_show_all(box);
}

void fill() {
    TAboutWindow& w = about();
    TAboutInfo info = aboutInfo();
    const std::string* texts[6] = {&info.title, &info.version, &info.author,
                                   &info.mail,  &info.web,     &info.cond};
    for (int i = 0; i < 6; ++i)
        gtk_label_set_text(GTK_LABEL(w.values[i]), shown(*texts[i]).c_str());
    w.web = info.web;
    char* web = g_markup_printf_escaped("<span foreground=\"blue\" underline=\"single\">%s</span>",
                                        shown(info.web).c_str());
    gtk_label_set_markup(GTK_LABEL(w.values[4]), web);
    g_free(web);
    gtk_label_set_text(GTK_LABEL(w.values[6]), std::to_string(info.appId).c_str());
    gtk_label_set_text(GTK_LABEL(w.kerID), std::to_string(info.kernelId).c_str());
    gtk_label_set_text(GTK_LABEL(w.labelTitle), shown(info.versionLine).c_str());
    // The banner goes through the player's own loader, with its checks of
    // size and kind: a forged header or a FIFO named banner.bmp would make
    // the image widget allocate gigabytes or wait forever.
    std::string bannerError;
    std::unique_ptr<TSurface> banner =
        info.banner.empty() ? nullptr : TSurface::load(toHostPath(info.banner), &bannerError);
    if (!info.banner.empty() && !banner) Log(info.banner + ": " + bannerError);
    GdkPixbuf* pixbuf = nullptr;
    if (banner) {
        cairo_surface_t* view = cairoView(*banner);
        pixbuf = gdk_pixbuf_get_from_surface(view, 0, 0, banner->width(), banner->height());
        cairo_surface_destroy(view);
    }
    if (pixbuf) {
        gtk_image_set_from_pixbuf(GTK_IMAGE(w.image), pixbuf);
        g_object_unref(pixbuf);
    } else {
        gtk_image_set_from_icon_name(GTK_IMAGE(w.image), "applications-games",
                                     GTK_ICON_SIZE_DIALOG);
    }
    // With --log, what the box shows goes to standard error too, for tests
    // and bug reports.
    Log("About: title=" + info.title + " version=" + info.version + " author=" + info.author +
        " mail=" + info.mail + " web=" + info.web + " license=" + info.cond +
        " AppID=" + std::to_string(info.appId) + " kerID=" + std::to_string(info.kernelId) + " " +
        info.versionLine);
}

} // namespace

void showAboutBox(GtkWidget* parent) {
    if (!about().window) build(parent);
    fill();
    gtk_window_set_position(GTK_WINDOW(about().window), GTK_WIN_POS_CENTER_ON_PARENT);
    gtk_widget_show(about().window);
    gtk_window_present(GTK_WINDOW(about().window));
    gtk_widget_grab_focus(about().ok); // Return closes it
}

} // namespace ravok
