#include "desktop/error_box.h"

#include "app/error_report.h"
#include "base/encoding.h"
#include "runtime/messages.h"

#include <algorithm>
#include <string>

namespace ravok {

namespace {

constexpr int kCopyResponse = 1;

// The box shows at most a screenful: a message can quote a text of
// megabytes, and laying that out would freeze the game for a minute and make
// a box taller than any screen. Copy still takes the whole report.
// The trace scrolls, and may show more.
constexpr size_t kShownBytes = 2000;
constexpr int kShownLines = 24;
constexpr size_t kShownTraceBytes = 20000;
constexpr int kShownTraceLines = 200;

// The text cut after `bytes` bytes or `lines` lines, at a character boundary
// (the text is UTF-8), with a word that more follows.
std::string shownPart(const std::string& text, size_t bytes = kShownBytes,
                      int lines = kShownLines) {
    size_t end = 0;
    int seen = 0;
    while (end < text.size() && end < bytes && seen < lines)
        if (text[end++] == '\n') ++seen;
    if (end >= text.size()) return text;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end) + "\n[" + std::to_string(text.size() - end) +
           " more bytes: Copy takes the whole report]";
}

GtkWidget* monospaceLabel(const std::string& text) {
    GtkWidget* label = gtk_label_new(nullptr);
    char* markup = g_markup_printf_escaped("<tt>%s</tt>", text.c_str());
    gtk_label_set_markup(GTK_LABEL(label), markup);
    g_free(markup);
    gtk_label_set_selectable(GTK_LABEL(label), TRUE);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    return label;
}

} // namespace

void runErrorBox(GtkWindow* parent, const TErrorReport& report) {
    GtkWidget* box = gtk_dialog_new_with_buttons(
        "Ravok", parent, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
        cp932ToUtf8(translate("_Copy")).c_str(), kCopyResponse, "_OK", GTK_RESPONSE_OK, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
    GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(box));
    gtk_container_set_border_width(GTK_CONTAINER(area), 12);
    gtk_box_set_spacing(GTK_BOX(area), 8);

    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    gtk_box_pack_start(GTK_BOX(row),
                       gtk_image_new_from_icon_name("dialog-error", GTK_ICON_SIZE_DIALOG), FALSE,
                       FALSE, 0);
    std::string headlineText =
        shownPart(report.note.empty() ? report.headline() : report.headline() + "\n" + report.note);
    GtkWidget* headline = gtk_label_new(headlineText.c_str());
    // Wrapped labels ask for their narrowest width: a long headline gets a
    // width of its own, so that it wraps into lines a screen can hold.
    gtk_label_set_width_chars(GTK_LABEL(headline), int(std::min<size_t>(80, headlineText.size())));
    gtk_label_set_selectable(GTK_LABEL(headline), TRUE);
    gtk_label_set_line_wrap(GTK_LABEL(headline), TRUE);
    // A quoted text may be one long word: it breaks between characters too.
    gtk_label_set_line_wrap_mode(GTK_LABEL(headline), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_max_width_chars(GTK_LABEL(headline), 80);
    gtk_label_set_xalign(GTK_LABEL(headline), 0);
    gtk_box_pack_start(GTK_BOX(row), headline, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(area), row, FALSE, FALSE, 0);

    std::string excerpt = shownPart(report.excerpt());
    if (!excerpt.empty())
        gtk_box_pack_start(GTK_BOX(area), monospaceLabel(excerpt), FALSE, FALSE, 0);

    std::string trace;
    for (const std::string& line : report.traceLines())
        trace += line + "\n";
    if (!trace.empty()) {
        GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
        gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_AUTOMATIC,
                                       GTK_POLICY_AUTOMATIC);
        gtk_scrolled_window_set_max_content_height(GTK_SCROLLED_WINDOW(scroller), 240);
        gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(scroller), TRUE);
        // Kernel paths are long; the box grows to show them, up to a width
        // that still fits a small screen.
        gtk_scrolled_window_set_max_content_width(GTK_SCROLLED_WINDOW(scroller), 900);
        gtk_scrolled_window_set_propagate_natural_width(GTK_SCROLLED_WINDOW(scroller), TRUE);
        gtk_container_add(GTK_CONTAINER(scroller),
                          monospaceLabel(shownPart(trace, kShownTraceBytes, kShownTraceLines)));
        GtkWidget* heading =
            gtk_label_new(cp932ToUtf8(translate("call trace, innermost first:")).c_str());
        gtk_label_set_xalign(GTK_LABEL(heading), 0);
        gtk_box_pack_start(GTK_BOX(area), heading, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(area), scroller, TRUE, TRUE, 0);
    }
    gtk_widget_show_all(box);
    gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(box), GTK_RESPONSE_OK));
    // Copy leaves the box open: the author pastes the report into a bug
    // report or a forum post and may want to read it once more.
    while (gtk_dialog_run(GTK_DIALOG(box)) == kCopyResponse) {
        std::string all = report.text();
        gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), all.c_str(),
                               int(all.size()));
    }
    gtk_widget_destroy(box);
}

} // namespace ravok
