#include "desktop/debug_window.h"

#include "desktop/desktop_player.h"
#include "desktop/source_view.h"
#include "player/debugger.h"
#include "player/main_loop.h"

#include "base/encoding.h"
#include "base/log.h"
#include "base/time_analyzer.h"
#include "resources/host_files.h"
#include "runtime/collector.h"
#include "runtime/messages.h"
#include "runtime/resource.h"

#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace ravok {

namespace {

struct TList {
    GtkListStore* store = nullptr;
    GtkWidget* view = nullptr;
};

struct TDebugForm {
    GtkWidget* window = nullptr;
    TList func, obj, var, stack, opr, files;
    GtkWidget* checkExec = nullptr;
    GtkWidget* eBreak = nullptr;
    GtkWidget* eClass = nullptr;
    GtkWidget* eFunc = nullptr;
    GtkWidget* edit1 = nullptr;
    GtkWidget* lPre = nullptr;
    bool holding = false;
    double lastCaption = 0;
};

TDebugForm& form() {
    static TDebugForm f;
    return f;
}

// What a list holds; with --log its size goes to standard error too, for
// tests and bug reports.
void setList(TList& list, const std::vector<std::string>& lines, const char* name, int mark = -1) {
    gtk_list_store_clear(list.store);
    for (const std::string& line : lines) {
        GtkTreeIter it;
        gtk_list_store_append(list.store, &it);
        gtk_list_store_set(list.store, &it, 0, cp932ToUtf8(line).c_str(), -1);
    }
    if (mark >= 0 && size_t(mark) < lines.size()) {
        GtkTreePath* path = gtk_tree_path_new_from_indices(mark, -1);
        gtk_tree_selection_select_path(gtk_tree_view_get_selection(GTK_TREE_VIEW(list.view)), path);
        gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(list.view), path, nullptr, FALSE, 0, 0);
        gtk_tree_path_free(path);
    }
    Log(std::string("Debug: ") + name + " " + std::to_string(lines.size()) + " lines");
}

GtkWidget* listBox(TList& list, const char* title) {
    list.store = gtk_list_store_new(1, G_TYPE_STRING);
    list.view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(list.store));
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(list.view), -1, title,
                                                gtk_cell_renderer_text_new(), "text", 0, nullptr);
    GtkWidget* scroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_widget_set_size_request(scroll, 220, 160);
    gtk_container_add(GTK_CONTAINER(scroll), list.view);
    return scroll;
}

std::string fieldText(GtkWidget* entry) {
    return utf8ToCp932(gtk_entry_get_text(GTK_ENTRY(entry)));
}

void refreshFiles() {
    TLines lines;
    if (TResource* root = resourceRoot()) root->dumpTree(lines, "<root>");
    setList(form().files, std::vector<std::string>(lines.begin(), lines.end()), "LFiles");
}

// ---- the buttons -------------------------------------------------------------

GtkWidget* button(GtkWidget* row, const char* caption, void (*pressed)()) {
    GtkWidget* b = gtk_button_new_with_mnemonic(caption);
    g_signal_connect(b, "clicked",
                     G_CALLBACK(+[](GtkButton*, gpointer f) { reinterpret_cast<void (*)()>(f)(); }),
                     reinterpret_cast<gpointer>(pressed));
    gtk_box_pack_start(GTK_BOX(row), b, FALSE, FALSE, 0);
    return b;
}

void pressGC() {
    setList(form().obj, {}, "ListObj");
    setList(form().obj, debugCollect(), "ListObj");
}

void pressDispCode() {
    TCodeView code = methodCode(fieldText(form().eClass), fieldText(form().eFunc));
    setList(form().opr, code.listing, "ListOpr");
    setList(form().obj, code.symbols, "ListObj");
}

void pressEvalCache() { setList(form().obj, evalCacheLines(), "ListObj"); }

void pressStart() {
    TTimeAnalyzer::instance().resetSections();
    BeginSection(0);
}

void pressStop() { TTimeAnalyzer::instance().showResults(); }

void pressResume() {
    TMainLoop::instance().AutoRun = true;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(form().checkExec), TRUE);
    wakeFrameLoop(); // StartLoop: the idle handler is installed again
}

void fileClicked(GtkTreeView* view, GtkTreePath* path, GtkTreeViewColumn*, gpointer) {
    GtkTreeIter it;
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    if (!gtk_tree_model_get_iter(model, &it, path)) return;
    gchar* text = nullptr;
    gtk_tree_model_get(model, &it, 0, &text, -1);
    std::string name = utf8ToCp932(text ? text : "");
    g_free(text);
    // The listing names each resource by its path under "<root>".
    TResource* root = resourceRoot();
    const std::string prefix = "<root>.";
    if (name.rfind(prefix, 0) == 0) name = name.substr(prefix.size());
    TResource* r = !root ? nullptr : name == "<root>" ? root : root->lookup(name);
    if (r && !r->sourceFile.empty() && fileExists(r->sourceFile)) setSplashCaption(r->sourceFile);
}

void build() {
    TDebugForm& f = form();
    f.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(f.window), "Debug");
    gtk_container_set_border_width(GTK_CONTAINER(f.window), 6);
    // The Source view beside the code-level lists: the author's lines first.
    GtkWidget* panes = gtk_paned_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_container_add(GTK_CONTAINER(f.window), panes);
    GtkWidget* source = buildSourceView(f.window);
    gtk_paned_pack1(GTK_PANED(panes), source, TRUE, FALSE);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_paned_pack2(GTK_PANED(panes), box, TRUE, FALSE);

    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_box_pack_start(GTK_BOX(box), row, FALSE, FALSE, 0);
    f.checkExec = gtk_check_button_new_with_label("自動実行");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(f.checkExec), TMainLoop::instance().AutoRun);
    g_signal_connect(f.checkExec, "toggled", G_CALLBACK(+[](GtkToggleButton* b, gpointer) {
                         TMainLoop::instance().AutoRun = gtk_toggle_button_get_active(b);
                         if (TMainLoop::instance().AutoRun) wakeFrameLoop();
                     }),
                     nullptr);
    gtk_box_pack_start(GTK_BOX(row), f.checkExec, FALSE, FALSE, 0);
    button(row, "ステップ実行(_S)", debugStep);
    button(row, "実行(_R)", debugRun);
    button(row, "まで実行(_T)", debugRunTo);
    button(row, "停止(_P)", debugStop);
    button(row, "_GC", pressGC);
    f.lPre = gtk_label_new("not Preempted");
    gtk_box_pack_end(GTK_BOX(row), f.lPre, FALSE, FALSE, 0);

    GtkWidget* row2 = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_box_pack_start(GTK_BOX(box), row2, FALSE, FALSE, 0);
    f.eBreak = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(f.eBreak), "$0000ffff");
    gtk_entry_set_width_chars(GTK_ENTRY(f.eBreak), 10);
    f.eClass = gtk_entry_new();
    gtk_entry_set_placeholder_text(GTK_ENTRY(f.eClass), "class");
    f.eFunc = gtk_entry_new();
    gtk_entry_set_placeholder_text(GTK_ENTRY(f.eFunc), "method");
    f.edit1 = gtk_entry_new();
    for (GtkWidget* e : {f.eBreak, f.eClass, f.eFunc})
        gtk_box_pack_start(GTK_BOX(row2), e, FALSE, FALSE, 0);
    button(row2, "_Code", pressDispCode);
    button(row2, "_EvalCache", pressEvalCache);
    button(row2, "St_art", pressStart);
    button(row2, "St_op", pressStop);
    button(row2, "Resu_me", pressResume);
    gtk_box_pack_start(GTK_BOX(row2), f.edit1, TRUE, TRUE, 0);

    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_column_spacing(GTK_GRID(grid), 4);
    gtk_grid_set_row_spacing(GTK_GRID(grid), 4);
    gtk_box_pack_start(GTK_BOX(box), grid, TRUE, TRUE, 0);
    gtk_grid_attach(GTK_GRID(grid), listBox(f.func, "ListFunc"), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), listBox(f.obj, "ListObj"), 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), listBox(f.var, "ListVar"), 2, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), listBox(f.stack, "ListStack"), 0, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), listBox(f.opr, "ListOpr"), 1, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), listBox(f.files, "LFiles"), 2, 1, 1, 1);
    g_signal_connect(f.files.view, "row-activated", G_CALLBACK(fileClicked), nullptr);
    gtk_widget_show_all(panes);
    g_signal_connect(f.window, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);
    // Activating the window refills the resource list.
    g_signal_connect(f.window, "focus-in-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) {
                         noteWindowFocused();
                         refreshFiles();
                         return FALSE;
                     }),
                     nullptr);
}

class TGtkDebugWindow : public TDebugWindow {
public:
    bool present() override { return form().window != nullptr; }
    // A player who never opened the window gets the error's message box.
    bool holdsOnErrors() override { return form().window && gtk_widget_get_visible(form().window); }
    void showHold(const THoldView& view) override {
        TDebugForm& f = form();
        f.holding = true;
        holdFrameLoop(true);
        setList(f.func, view.functions, "ListFunc");
        setList(f.opr, view.listing, "ListOpr", view.listingLine);
        setList(f.stack, view.stack, "ListStack");
        showDebugWindow();
        sourceViewHold(view);
        gtk_window_set_title(GTK_WINDOW(f.window), cp932ToUtf8(translate("Stopping")).c_str());
        Log("Debug: hold at line " + std::to_string(view.listingLine));
    }
    bool pump() override {
        gtk_main_iteration_do(TRUE);
        return !desktopClosing();
    }
    void endHold() override {
        TDebugForm& f = form();
        f.holding = false;
        sourceViewReleased();
        gtk_window_set_title(GTK_WINDOW(f.window), "");
        holdFrameLoop(false);
        Log("Debug: released");
    }
};

// ---- the result window ("測定結果") --------------------------------------------

struct TResultForm {
    GtkWidget* window = nullptr;
    GtkListStore* rows = nullptr;
};

TResultForm& results() {
    static TResultForm r;
    return r;
}

void listResults(int sortColumn) {
    TResultForm& r = results();
    gtk_list_store_clear(r.rows);
    for (const auto& row : TTimeAnalyzer::instance().listing(sortColumn)) {
        GtkTreeIter it;
        gtk_list_store_append(r.rows, &it);
        for (int c = 0; c < 5; ++c)
            gtk_list_store_set(r.rows, &it, c, row[size_t(c)].c_str(), -1);
    }
}

void buildResults() {
    TResultForm& r = results();
    r.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(r.window), "測定結果");
    gtk_window_set_default_size(GTK_WINDOW(r.window), 460, 360);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    gtk_container_set_border_width(GTK_CONTAINER(box), 6);
    gtk_container_add(GTK_CONTAINER(r.window), box);
    r.rows = gtk_list_store_new(5, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING,
                                G_TYPE_STRING);
    GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(r.rows));
    const TTimeAnalyzer::TRow& header = timeAnalyzerHeader();
    for (int c = 0; c < 5; ++c)
        gtk_tree_view_insert_column_with_attributes(
            GTK_TREE_VIEW(view), -1, cp932ToUtf8(header[size_t(c)]).c_str(),
            gtk_cell_renderer_text_new(), "text", c, nullptr);
    GtkWidget* scroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_container_add(GTK_CONTAINER(scroll), view);
    gtk_box_pack_start(GTK_BOX(box), scroll, TRUE, TRUE, 0);
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_box_pack_start(GTK_BOX(box), row, FALSE, FALSE, 0);
    const struct {
        const char* caption;
        int column;
    } sorts[4] = {{"番号順", -1}, {"合計時間順", 2}, {"平均時間順", 4}, {"通過回数順", 1}};
    for (const auto& sort : sorts) {
        GtkWidget* b = gtk_button_new_with_label(sort.caption);
        g_signal_connect(b, "clicked", G_CALLBACK(+[](GtkButton*, gpointer column) {
                             listResults(GPOINTER_TO_INT(column));
                         }),
                         GINT_TO_POINTER(sort.column));
        gtk_box_pack_start(GTK_BOX(row), b, FALSE, FALSE, 0);
    }
    gtk_widget_show_all(box);
    g_signal_connect(r.window, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);
}

class TGtkTimeResults : public TTimeResultsView {
public:
    void show(TTimeAnalyzer&) override {
        if (!results().window) buildResults();
        listResults(-1);
        gtk_widget_show(results().window);
        gtk_window_present(GTK_WINDOW(results().window));
    }
};

} // namespace

TDebugWindow& desktopDebugWindow() {
    static TGtkDebugWindow window;
    return window;
}

TTimeResultsView& desktopTimeResults() {
    static TGtkTimeResults view;
    return view;
}

void buildDebugWindow() {
    if (!form().window) build();
}

void showDebugWindow() {
    TDebugForm& f = form();
    if (!f.window) return;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(f.checkExec), TMainLoop::instance().AutoRun);
    gtk_widget_show(f.window);
    gtk_window_present(GTK_WINDOW(f.window));
    refreshFiles();
    setList(f.obj, collectorObjectList(), "ListObj");
    sourceViewShown();
}

void debugWindowAfterBatch() {
    TDebugForm& f = form();
    if (!f.window || f.holding || !gtk_widget_get_visible(f.window)) return;
    gtk_label_set_text(GTK_LABEL(f.lPre), Preempted ? "Preempted" : "not Preempted");
    // The caption changes a few times a second at most: a window title is an
    // X round trip, and the game runs 60 frames a second.
    double now = g_get_monotonic_time() / 1000.0;
    if (now - f.lastCaption < 250) return;
    f.lastCaption = now;
    gtk_window_set_title(GTK_WINDOW(f.window), cp932ToUtf8(TMainLoop::instance().caption).c_str());
}

} // namespace ravok
