#include "desktop/script_dialog_windows.h"

#include "desktop/desktop_player.h"
#include "dialogs/script_dialogs.h"

#include "base/encoding.h"
#include "runtime/messages.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <string>

namespace ravok {

namespace {

constexpr int kMargin = 8;

GtkWidget* gParent = nullptr;

std::string shown(const std::string& systemText) { return cp932ToUtf8(systemText); }
std::string typedText(const char* utf8) { return utf8ToCp932(utf8 ? utf8 : ""); }

// "&Yes" as GTK writes mnemonics ("_Yes"); "&&" is a plain "&".
std::string mnemonic(const std::string& caption) {
    std::string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size() && caption[i + 1] == '&') {
            out += '&';
            ++i;
        } else if (caption[i] == '&') {
            out += '_';
        } else if (caption[i] == '_') {
            out += "__";
        } else {
            out += caption[i];
        }
    }
    return out;
}

gboolean focused(GtkWidget*, GdkEvent*, gpointer) {
    noteWindowFocused();
    return FALSE;
}

GtkWidget* newDialogWindow() {
    GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    if (gParent) gtk_window_set_transient_for(GTK_WINDOW(w), GTK_WINDOW(gParent));
    gtk_window_set_resizable(GTK_WINDOW(w), TRUE);
    gtk_container_set_border_width(GTK_CONTAINER(w), kMargin);
    g_signal_connect(w, "focus-in-event", G_CALLBACK(focused), nullptr);
    return w;
}

void present(GtkWidget* w) {
    gtk_widget_show(w);
    gtk_window_present(GTK_WINDOW(w));
}

// ---- the input box -----------------------------------------------------------

struct TInputWindow {
    GtkWidget* window = nullptr;
    GtkWidget* prompt = nullptr;
    GtkWidget* entry = nullptr;
    bool filling = false; // the script's text going in is not typing
};

TInputWindow& inputWindow() {
    static TInputWindow w;
    return w;
}

void closeInput(void (TInputBox::*answer)()) {
    (inputBox().*answer)();
    if (inputWindow().window) gtk_widget_hide(inputWindow().window);
}

void buildInputWindow() {
    TInputWindow& w = inputWindow();
    w.window = newDialogWindow();
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, kMargin);
    gtk_container_add(GTK_CONTAINER(w.window), box);
    w.prompt = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(w.prompt), 0);
    gtk_box_pack_start(GTK_BOX(box), w.prompt, FALSE, FALSE, 0);
    w.entry = gtk_entry_new();
    gtk_box_pack_start(GTK_BOX(box), w.entry, FALSE, FALSE, 0);
    GtkWidget* buttons = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_END);
    gtk_box_set_spacing(GTK_BOX(buttons), kMargin);
    GtkWidget* ok = gtk_button_new_with_label("OK");
    GtkWidget* cancel = gtk_button_new_with_label(cp932ToUtf8(translate("Cancel")).c_str());
    gtk_container_add(GTK_CONTAINER(buttons), ok);
    gtk_container_add(GTK_CONTAINER(buttons), cancel);
    gtk_box_pack_end(GTK_BOX(box), buttons, FALSE, FALSE, 0);
    gtk_widget_show_all(box);
    // Text arrives while it is typed (also through an input method), so a
    // script polling getText sees it before OK.
    g_signal_connect(w.entry, "changed", G_CALLBACK(+[](GtkEditable* e, gpointer) {
                         if (!inputWindow().filling && inputBox().open)
                             inputBox().text = typedText(gtk_entry_get_text(GTK_ENTRY(e)));
                     }),
                     nullptr);
    g_signal_connect(w.entry, "activate",
                     G_CALLBACK(+[](GtkEntry*, gpointer) { closeInput(&TInputBox::ok); }), nullptr);
    g_signal_connect(ok, "clicked",
                     G_CALLBACK(+[](GtkButton*, gpointer) { closeInput(&TInputBox::ok); }),
                     nullptr);
    g_signal_connect(cancel, "clicked",
                     G_CALLBACK(+[](GtkButton*, gpointer) { closeInput(&TInputBox::cancel); }),
                     nullptr);
    g_signal_connect(w.window, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) {
                         closeInput(&TInputBox::closed);
                         return TRUE; // the window stays for the next time
                     }),
                     nullptr);
    g_signal_connect(w.window, "key-press-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventKey* e, gpointer) -> gboolean {
                         if (e->keyval != GDK_KEY_Escape) return FALSE;
                         closeInput(&TInputBox::cancel);
                         return TRUE;
                     }),
                     nullptr);
}

void showInput(TInputBox& box) {
    TInputWindow& w = inputWindow();
    if (!w.window) buildInputWindow();
    gtk_window_set_title(GTK_WINDOW(w.window), shown(box.caption).c_str());
    gtk_label_set_text(GTK_LABEL(w.prompt), shown(box.prompt).c_str());
    w.filling = true;
    gtk_entry_set_text(GTK_ENTRY(w.entry), shown(box.text).c_str());
    w.filling = false;
    if (box.left >= 0 || box.top >= 0) {
        int x = 0, y = 0;
        gtk_window_get_position(GTK_WINDOW(w.window), &x, &y);
        gtk_window_move(GTK_WINDOW(w.window), box.left >= 0 ? box.left : x,
                        box.top >= 0 ? box.top : y);
    } else if (gParent) {
        gtk_window_set_position(GTK_WINDOW(w.window), GTK_WIN_POS_CENTER_ON_PARENT);
    }
    if (box.width > 0 || box.height > 0) {
        int width = 0, height = 0;
        gtk_window_get_size(GTK_WINDOW(w.window), &width, &height);
        if (box.width > 0) width = box.width;
        if (box.height > 0) height = box.height;
        gtk_window_resize(GTK_WINDOW(w.window), width, height);
        // The field takes the window's width less its margins.
        if (box.width > 0)
            gtk_widget_set_size_request(w.entry, std::max(1, box.width - 2 * kMargin), -1);
    }
    present(w.window);
    gtk_widget_grab_focus(w.entry);
}

// ---- the select box ------------------------------------------------------------

struct TSelectWindow {
    GtkWidget* window = nullptr;
    GtkWidget* message = nullptr;
    GtkWidget* buttons[4] = {};
};

TSelectWindow& selectWindow() {
    static TSelectWindow w;
    return w;
}

void buildSelectWindow() {
    TSelectWindow& w = selectWindow();
    w.window = newDialogWindow();
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, kMargin);
    gtk_container_add(GTK_CONTAINER(w.window), box);
    w.message = gtk_label_new("");
    gtk_label_set_line_wrap(GTK_LABEL(w.message), TRUE);
    gtk_box_pack_start(GTK_BOX(box), w.message, TRUE, TRUE, 0);
    GtkWidget* row = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_button_box_set_layout(GTK_BUTTON_BOX(row), GTK_BUTTONBOX_CENTER);
    gtk_box_set_spacing(GTK_BOX(row), kMargin);
    gtk_box_pack_end(GTK_BOX(box), row, FALSE, FALSE, 0);
    for (int i = 0; i < 4; ++i) {
        w.buttons[i] = gtk_button_new_with_mnemonic("");
        gtk_container_add(GTK_CONTAINER(row), w.buttons[i]);
        g_signal_connect(w.buttons[i], "clicked", G_CALLBACK(+[](GtkButton*, gpointer tag) {
                             selectBox().press(GPOINTER_TO_INT(tag));
                             gtk_widget_hide(selectWindow().window);
                         }),
                         GINT_TO_POINTER(i + 1));
    }
    gtk_widget_show(box);
    gtk_widget_show(w.message);
    gtk_widget_show(row);
    g_signal_connect(w.window, "delete-event", G_CALLBACK(+[](GtkWidget* win, GdkEvent*, gpointer) {
                         selectBox().closed();
                         gtk_widget_hide(win);
                         return TRUE;
                     }),
                     nullptr);
}

void showSelect(TSelectBox& box) {
    TSelectWindow& w = selectWindow();
    if (!w.window) buildSelectWindow();
    gtk_window_set_title(GTK_WINDOW(w.window), shown(box.caption).c_str());
    gtk_label_set_text(GTK_LABEL(w.message), shown(box.message).c_str());
    for (int i = 0; i < 4; ++i) {
        gtk_button_set_label(GTK_BUTTON(w.buttons[i]),
                             mnemonic(shown(box.buttons[size_t(i)])).c_str());
        gtk_widget_set_visible(w.buttons[i], box.visible[size_t(i)]);
    }
    if (gParent) gtk_window_set_position(GTK_WINDOW(w.window), GTK_WIN_POS_CENTER_ON_PARENT);
    present(w.window);
    gtk_widget_grab_focus(w.buttons[0]);
}

// ---- the text editor -------------------------------------------------------------

struct TEditorWindow {
    GtkWidget* window = nullptr;
    GtkWidget* edit = nullptr;
    GtkWidget* memoScroll = nullptr;
    GtkWidget* memo = nullptr;
    GtkCssProvider* font = nullptr;
    std::string fontCss; // what `font` holds
    bool filling = false;
};

TEditorWindow& editorWindow() {
    static TEditorWindow w;
    return w;
}

void editorTyped() {
    TEditorWindow& w = editorWindow();
    if (w.filling) return;
    TTextEditor& editor = textEditor();
    if (editor.singleLine) {
        editor.typed(typedText(gtk_entry_get_text(GTK_ENTRY(w.edit))));
    } else {
        GtkTextBuffer* b = gtk_text_view_get_buffer(GTK_TEXT_VIEW(w.memo));
        GtkTextIter from, to;
        gtk_text_buffer_get_bounds(b, &from, &to);
        char* text = gtk_text_buffer_get_text(b, &from, &to, FALSE);
        // The memo's lines end as the system's texts do, with CR LF.
        std::string lines;
        for (const char* p = text; *p; ++p) {
            if (*p == '\n') lines += '\r';
            lines += *p;
        }
        g_free(text);
        editor.typed(typedText(lines.c_str()));
    }
}

void fillEditor(const TTextEditor& editor) {
    TEditorWindow& w = editorWindow();
    w.filling = true;
    // Only what differs is set: setting a field resets its cursor and its
    // selection, and edit() may come every frame.
    std::string line = shown(editor.editText);
    if (line != gtk_entry_get_text(GTK_ENTRY(w.edit)))
        gtk_entry_set_text(GTK_ENTRY(w.edit), line.c_str());
    std::string memo;
    for (char c : shown(editor.memoText))
        if (c != '\r') memo += c;
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(w.memo));
    GtkTextIter from, to;
    gtk_text_buffer_get_bounds(buffer, &from, &to);
    char* now = gtk_text_buffer_get_text(buffer, &from, &to, FALSE);
    if (memo != now) gtk_text_buffer_set_text(buffer, memo.c_str(), -1);
    g_free(now);
    w.filling = false;
}

void buildEditorWindow() {
    TEditorWindow& w = editorWindow();
    w.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_decorated(GTK_WINDOW(w.window), FALSE);
    gtk_window_set_skip_taskbar_hint(GTK_WINDOW(w.window), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(w.window), GDK_WINDOW_TYPE_HINT_UTILITY);
    if (gParent) gtk_window_set_transient_for(GTK_WINDOW(w.window), GTK_WINDOW(gParent));
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(w.window), box);
    w.edit = gtk_entry_new();
    gtk_entry_set_has_frame(GTK_ENTRY(w.edit), FALSE);
    gtk_box_pack_start(GTK_BOX(box), w.edit, FALSE, FALSE, 0);
    w.memoScroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(w.memoScroll), GTK_SHADOW_NONE);
    w.memo = gtk_text_view_new();
    gtk_container_add(GTK_CONTAINER(w.memoScroll), w.memo);
    gtk_box_pack_start(GTK_BOX(box), w.memoScroll, TRUE, TRUE, 0);
    gtk_widget_show(box);
    w.font = gtk_css_provider_new();
    for (GtkWidget* field : {w.edit, w.memo})
        gtk_style_context_add_provider(gtk_widget_get_style_context(field),
                                       GTK_STYLE_PROVIDER(w.font),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_signal_connect(w.edit, "changed", G_CALLBACK(+[](GtkEditable*, gpointer) { editorTyped(); }),
                     nullptr);
    g_signal_connect(gtk_text_view_get_buffer(GTK_TEXT_VIEW(w.memo)), "changed",
                     G_CALLBACK(+[](GtkTextBuffer*, gpointer) { editorTyped(); }), nullptr);
    g_signal_connect(w.window, "focus-in-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) {
                         textEditor().foreground = true;
                         noteWindowFocused();
                         return FALSE;
                     }),
                     nullptr);
    // It closes itself as soon as it loses the focus; the text stays.
    g_signal_connect(w.window, "focus-out-event",
                     G_CALLBACK(+[](GtkWidget* win, GdkEvent*, gpointer) {
                         textEditor().focusLost();
                         gtk_widget_hide(win);
                         return FALSE;
                     }),
                     nullptr);
    g_signal_connect(w.window, "delete-event", G_CALLBACK(+[](GtkWidget* win, GdkEvent*, gpointer) {
                         textEditor().focusLost();
                         gtk_widget_hide(win);
                         return TRUE;
                     }),
                     nullptr);
    // Presenting a window that is not mapped yet asks for the focus too
    // early (without a window manager the request is simply refused): a
    // reopened editor asks again once it is on the screen.
    g_signal_connect(w.window, "map-event", G_CALLBACK(+[](GtkWidget* win, GdkEvent*, gpointer) {
                         if (!textEditor().open) return FALSE;
                         gdk_window_focus(gtk_widget_get_window(win), GDK_CURRENT_TIME);
                         return FALSE;
                     }),
                     nullptr);
    // Enter finishes a one-line edit, as it does every text field.
    g_signal_connect(w.edit, "activate",
                     G_CALLBACK(+[](GtkEntry*, gpointer) { textEditor().finish(); }), nullptr);
    g_signal_connect(w.window, "key-press-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventKey* key, gpointer) -> gboolean {
                         if (key->keyval != GDK_KEY_Escape) return FALSE;
                         textEditor().finish();
                         return TRUE;
                     }),
                     nullptr);
}

void hideEditor() {
    TEditorWindow& w = editorWindow();
    if (!w.window || !gtk_widget_get_visible(w.window)) return;
    gtk_widget_hide(w.window);
    // The keys go back to the game.
    if (gParent) gtk_window_present(GTK_WINDOW(gParent));
}

void setEditorFont(const TTextEditor& editor, int scale) {
    TEditorWindow& w = editorWindow();
    std::string family = shown(editor.fontName);
    std::string css =
        "* { font-size: " + std::to_string(std::max(1, editor.fontSize) * scale) + "pt;";
    if (!family.empty()) {
        std::string quoted;
        for (char c : family)
            if (c != '"' && c != '\\') quoted += c;
        css += " font-family: \"" + quoted + "\";";
    }
    css += " }";
    // A game may call edit() every frame: the style is parsed again only
    // when it changed, not sixty times a second.
    if (css == w.fontCss) return;
    w.fontCss = css;
    gtk_css_provider_load_from_data(w.font, css.c_str(), -1, nullptr);
}

void showEditor(TTextEditor& editor) {
    TEditorWindow& w = editorWindow();
    if (!w.window) buildEditorWindow();
    TGamePlacement at;
    bool placed = placeGamePoint(editor.x, editor.y, at);
    setEditorFont(editor, at.scale);
    fillEditor(editor);
    gtk_widget_set_visible(w.edit, editor.singleLine);
    gtk_widget_set_visible(w.memoScroll, !editor.singleLine);
    gtk_widget_set_visible(w.memo, !editor.singleLine);
    int width = std::max(1, editor.width) * at.scale;
    int height = std::max(1, editor.height) * at.scale;
    if (editor.singleLine) {
        // One line: the window is as high as the field.
        int natural = 0;
        gtk_widget_get_preferred_height(w.edit, nullptr, &natural);
        height = std::max(1, natural);
    }
    gtk_widget_set_size_request(w.window, width, height);
    gtk_window_resize(GTK_WINDOW(w.window), width, height);
    if (placed) gtk_window_move(GTK_WINDOW(w.window), at.rootX, at.rootY);
    gtk_widget_show(w.window);
    gtk_window_present(GTK_WINDOW(w.window));
    gtk_widget_grab_focus(editor.singleLine ? w.edit : w.memo);
}

class TGtkDialogHost : public TDialogHost {
public:
    void showInputBox(TInputBox& box) override { showInput(box); }
    void showSelectBox(TSelectBox& box) override { showSelect(box); }
    void showTextEditor(TTextEditor& editor) override { showEditor(editor); }
    void editorTextSet(TTextEditor& editor) override {
        if (editorWindow().window) fillEditor(editor);
    }
    void hideTextEditor(TTextEditor&) override { hideEditor(); }
};

} // namespace

TDialogHost& desktopDialogHost() {
    static TGtkDialogHost host;
    return host;
}

void setDialogParent(GtkWidget* window) { gParent = window; }

} // namespace ravok
