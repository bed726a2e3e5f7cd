#include "desktop/source_view.h"
#include "desktop/said.h"

#include "app/error_report.h"
#include "base/encoding.h"
#include "base/log.h"
#include "player/debugger.h"
#include "player/source_debugger.h"
#include "resources/host_files.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/rtti.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace ravok {

namespace {

enum { kMarkColumn, kLineColumn, kTextColumn, kWeightColumn, kColumns };
enum { kVarName, kVarValue, kVarType, kVarRaw, kVarOpened, kVarColumns };

struct TSourceForm {
    GtkWidget* files = nullptr; // the combo of the game's sources
    GtkListStore* lines = nullptr;
    GtkWidget* linesView = nullptr;
    GtkWidget* status = nullptr;
    GtkListStore* frames = nullptr;
    GtkWidget* framesView = nullptr;
    GtkTreeStore* variables = nullptr;
    GtkWidget* variablesView = nullptr;
    GtkWidget* watchEntry = nullptr;
    GtkListStore* watches = nullptr;
    std::vector<std::string> watchTexts;
    std::vector<std::string> fileNames; // program paths, as the combo lists them
    std::string file;                   // the program path shown
    int currentLine = 0;                // the held line in `file`, or 0
    bool holding = false;
    std::vector<TDebugFrame> heldFrames;
    uint32_t frame = 0; // the frame whose variables show
    bool filling = false;
    std::string placed; // the rows' place as last logged
};

TSourceForm& form() {
    static TSourceForm f;
    return f;
}

// ---- the source lines ------------------------------------------------------------

void markLines() {
    TSourceForm& f = form();
    std::string shown = f.file.empty() ? "" : toHostPath(f.file);
    std::set<int> breaks = TSourceDebugger::instance().breakpointLines(shown);
    GtkTreeIter it;
    int line = 1;
    for (bool ok = gtk_tree_model_get_iter_first(GTK_TREE_MODEL(f.lines), &it); ok;
         ok = gtk_tree_model_iter_next(GTK_TREE_MODEL(f.lines), &it), ++line) {
        std::string mark = breaks.count(line) ? "\xE2\x97\x8F" : ""; // ●
        if (line == f.currentLine) mark += "\xE2\x96\xB6";           // ▶
        gtk_list_store_set(f.lines, &it, kMarkColumn, mark.c_str(), kWeightColumn,
                           line == f.currentLine ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL, -1);
    }
}

void showFile(const std::string& programPath) {
    TSourceForm& f = form();
    if (programPath != f.file) {
        f.file = programPath;
        gtk_list_store_clear(f.lines);
        int n = 0;
        for (const std::string& text : TSourceDebugger::instance().sourceLines(programPath)) {
            GtkTreeIter it;
            gtk_list_store_append(f.lines, &it);
            gtk_list_store_set(f.lines, &it, kMarkColumn, "", kLineColumn, ++n, kTextColumn,
                               text.c_str(), kWeightColumn, PANGO_WEIGHT_NORMAL, -1);
        }
        f.filling = true;
        for (size_t i = 0; i < f.fileNames.size(); ++i)
            if (f.fileNames[i] == programPath)
                gtk_combo_box_set_active(GTK_COMBO_BOX(f.files), int(i));
        f.filling = false;
        f.placed.clear();
        Log("Debug: Source " + cp932ToUtf8(toHostPath(programPath)) + " " + std::to_string(n) +
            " lines");
    }
    markLines();
}

void scrollTo(int line) {
    TSourceForm& f = form();
    if (line < 1) return;
    GtkTreePath* path = gtk_tree_path_new_from_indices(line - 1, -1);
    gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(f.linesView), path, nullptr, TRUE, 0.3f, 0);
    gtk_tree_selection_select_path(gtk_tree_view_get_selection(GTK_TREE_VIEW(f.linesView)), path);
    gtk_tree_path_free(path);
}

// Where the rows are, for whoever drives the window from outside (tests).
void logGeometry() {
    TSourceForm& f = form();
    GdkRectangle cell;
    GtkTreePath* path = gtk_tree_path_new_from_indices(0, -1);
    GtkTreeViewColumn* gutter = gtk_tree_view_get_column(GTK_TREE_VIEW(f.linesView), kLineColumn);
    // The whole row: cells leave a margin between them.
    gtk_tree_view_get_background_area(GTK_TREE_VIEW(f.linesView), path, gutter, &cell);
    gtk_tree_path_free(path);
    // On the screen, where a pointer is moved to click.
    GdkWindow* rows = gtk_tree_view_get_bin_window(GTK_TREE_VIEW(f.linesView));
    if (!rows) return;
    int rx = 0, ry = 0;
    gdk_window_get_origin(rows, &rx, &ry);
    std::string place = std::to_string(rx + cell.x + cell.width / 2) + "," +
                        std::to_string(ry + cell.y + cell.height / 2) + " row height " +
                        std::to_string(cell.height);
    if (place == f.placed) return;
    f.placed = place;
    Log("Debug: Source gutter on the screen at " + place);
}

// A click in the margin (the mark or the number) sets or clears a breakpoint.
gboolean onLinesPressed(GtkWidget* view, GdkEventButton* e, gpointer) {
    TSourceForm& f = form();
    if (e->type != GDK_BUTTON_PRESS || e->button != 1 || f.file.empty()) return FALSE;
    GtkTreePath* path = nullptr;
    GtkTreeViewColumn* column = nullptr;
    if (!gtk_tree_view_get_path_at_pos(GTK_TREE_VIEW(view), int(e->x), int(e->y), &path, &column,
                                       nullptr, nullptr))
        return FALSE;
    int line = gtk_tree_path_get_indices(path)[0] + 1;
    gtk_tree_path_free(path);
    if (column == gtk_tree_view_get_column(GTK_TREE_VIEW(view), kTextColumn)) return FALSE;
    std::string shown = toHostPath(f.file);
    bool set = TSourceDebugger::instance().toggleBreakpoint(shown, line);
    Log("Debug: breakpoint " + std::string(set ? "set" : "cleared") + " at " + cp932ToUtf8(shown) +
        ":" + std::to_string(line));
    markLines();
    return TRUE;
}

// ---- frames, variables, watches ------------------------------------------------------

void putVariables(GtkTreeIter* parent, const std::vector<TDebugVariable>& list) {
    TSourceForm& f = form();
    for (const TDebugVariable& v : list) {
        GtkTreeIter it;
        gtk_tree_store_append(f.variables, &it, parent);
        uint64_t raw = 0;
        std::memcpy(&raw, &v.raw, sizeof raw);
        gtk_tree_store_set(f.variables, &it, kVarName, v.name.c_str(), kVarValue, v.value.c_str(),
                           kVarType, v.type.c_str(), kVarRaw, raw, kVarOpened, FALSE, -1);
        if (v.openable) {
            // A placeholder child gives the row its arrow; opening fills it.
            GtkTreeIter placeholder;
            gtk_tree_store_append(f.variables, &placeholder, &it);
        }
    }
}

void group(const std::string& title, const std::vector<TDebugVariable>& list, bool open) {
    TSourceForm& f = form();
    GtkTreeIter it;
    gtk_tree_store_append(f.variables, &it, nullptr);
    gtk_tree_store_set(f.variables, &it, kVarName, title.c_str(), kVarValue, "", kVarType, "",
                       kVarRaw, uint64_t(0), kVarOpened, TRUE, -1);
    putVariables(&it, list);
    if (open) {
        GtkTreePath* path = gtk_tree_model_get_path(GTK_TREE_MODEL(f.variables), &it);
        gtk_tree_view_expand_row(GTK_TREE_VIEW(f.variablesView), path, FALSE);
        gtk_tree_path_free(path);
    }
}

void showVariables() {
    TSourceForm& f = form();
    gtk_tree_store_clear(f.variables);
    if (!f.holding) return;
    TSourceDebugger& debugger = TSourceDebugger::instance();
    const TProcess* p = debugger.heldProcess();
    std::vector<TDebugVariable> locals = debugger.arguments(p, f.frame);
    for (TDebugVariable& v : debugger.locals(p, f.frame))
        locals.push_back(std::move(v));
    group(said("Locals"), locals, true);
    group("this", debugger.thisFields(p, f.frame), true);
    group(said("Globals"), debugger.globals(), false);
    gtk_list_store_clear(f.watches);
    for (const std::string& text : f.watchTexts) {
        TDebugVariable v = debugger.evaluate(text, p, f.frame);
        GtkTreeIter it;
        gtk_list_store_append(f.watches, &it);
        gtk_list_store_set(f.watches, &it, 0, text.c_str(), 1, v.value.c_str(), -1);
    }
}

void onVariableOpened(GtkTreeView*, GtkTreeIter* it, GtkTreePath*, gpointer) {
    TSourceForm& f = form();
    gboolean opened = FALSE;
    uint64_t raw = 0;
    gtk_tree_model_get(GTK_TREE_MODEL(f.variables), it, kVarOpened, &opened, kVarRaw, &raw, -1);
    if (opened) return;
    gtk_tree_store_set(f.variables, it, kVarOpened, TRUE, -1);
    TValue value;
    std::memcpy(&value, &raw, sizeof value);
    GtkTreeIter child;
    while (gtk_tree_model_iter_children(GTK_TREE_MODEL(f.variables), &child, it))
        gtk_tree_store_remove(f.variables, &child);
    putVariables(it, f.holding ? TSourceDebugger::instance().children(value)
                               : std::vector<TDebugVariable>{});
}

void onFrameChosen(GtkTreeView*, GtkTreePath* path, GtkTreeViewColumn*, gpointer) {
    TSourceForm& f = form();
    size_t i = size_t(gtk_tree_path_get_indices(path)[0]);
    if (i >= f.heldFrames.size()) return;
    f.frame = f.heldFrames[i].fp;
    const TSourcePlace& place = f.heldFrames[i].place;
    f.currentLine = place.line;
    if (!place.file.empty()) showFile(place.file);
    scrollTo(place.line);
    showVariables();
}

void addWatch() {
    TSourceForm& f = form();
    std::string text = gtk_entry_get_text(GTK_ENTRY(f.watchEntry));
    if (text.empty()) return;
    f.watchTexts.push_back(text);
    gtk_entry_set_text(GTK_ENTRY(f.watchEntry), "");
    if (f.holding) {
        showVariables();
    } else {
        GtkTreeIter it;
        gtk_list_store_append(f.watches, &it);
        gtk_list_store_set(f.watches, &it, 0, text.c_str(), 1, "", -1);
    }
}

void clearWatches() {
    form().watchTexts.clear();
    gtk_list_store_clear(form().watches);
}

// ---- building -------------------------------------------------------------------------

GtkWidget* scrolled(GtkWidget* child, int width, int height) {
    GtkWidget* scroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_widget_set_size_request(scroll, width, height);
    gtk_container_add(GTK_CONTAINER(scroll), child);
    return scroll;
}

GtkWidget* commandButton(GtkWidget* row, const std::string& caption, void (*pressed)()) {
    GtkWidget* b = gtk_button_new_with_label(caption.c_str());
    g_signal_connect(b, "clicked",
                     G_CALLBACK(+[](GtkButton*, gpointer f) { reinterpret_cast<void (*)()>(f)(); }),
                     reinterpret_cast<gpointer>(pressed));
    gtk_box_pack_start(GTK_BOX(row), b, FALSE, FALSE, 0);
    return b;
}

void accelerate(GtkWidget* button, GtkAccelGroup* keys, guint key, GdkModifierType mods) {
    gtk_widget_add_accelerator(button, "clicked", keys, key, mods, GTK_ACCEL_VISIBLE);
}

} // namespace

GtkWidget* buildSourceView(GtkWidget* window) {
    TSourceForm& f = form();
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);

    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_box_pack_start(GTK_BOX(box), row, FALSE, FALSE, 0);
    f.files = gtk_combo_box_text_new();
    gtk_box_pack_start(GTK_BOX(row), f.files, TRUE, TRUE, 0);
    g_signal_connect(f.files, "changed", G_CALLBACK(+[](GtkComboBox* combo, gpointer) {
                         TSourceForm& form_ = form();
                         int i = gtk_combo_box_get_active(combo);
                         if (form_.filling || i < 0 || size_t(i) >= form_.fileNames.size()) return;
                         form_.currentLine = 0;
                         for (const TDebugFrame& fr : form_.heldFrames)
                             if (fr.fp == form_.frame &&
                                 fr.place.file == form_.fileNames[size_t(i)])
                                 form_.currentLine = fr.place.line;
                         showFile(form_.fileNames[size_t(i)]);
                     }),
                     nullptr);

    GtkWidget* buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_box_pack_start(GTK_BOX(box), buttons, FALSE, FALSE, 0);
    GtkAccelGroup* keys = gtk_accel_group_new();
    gtk_window_add_accel_group(GTK_WINDOW(window), keys);
    accelerate(
        commandButton(buttons, said("Continue (F5)"), [] { TSourceDebugger::instance().resume(); }),
        keys, GDK_KEY_F5, GdkModifierType(0));
    accelerate(commandButton(buttons, said("Step over (F10)"),
                             [] { TSourceDebugger::instance().stepOver(); }),
               keys, GDK_KEY_F10, GdkModifierType(0));
    accelerate(commandButton(buttons, said("Step into (F11)"),
                             [] { TSourceDebugger::instance().stepInto(); }),
               keys, GDK_KEY_F11, GdkModifierType(0));
    accelerate(commandButton(buttons, said("Step out (Shift+F11)"),
                             [] { TSourceDebugger::instance().stepOut(); }),
               keys, GDK_KEY_F11, GDK_SHIFT_MASK);
    commandButton(buttons, said("Pause"), [] { TSourceDebugger::instance().requestPause(); });

    f.lines = gtk_list_store_new(kColumns, G_TYPE_STRING, G_TYPE_INT, G_TYPE_STRING, G_TYPE_INT);
    f.linesView = gtk_tree_view_new_with_model(GTK_TREE_MODEL(f.lines));
    gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(f.linesView), FALSE);
    GtkCellRenderer* mark = gtk_cell_renderer_text_new();
    g_object_set(mark, "foreground", "#c01c28", nullptr);
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(f.linesView), -1, "", mark, "text",
                                                kMarkColumn, nullptr);
    GtkCellRenderer* number = gtk_cell_renderer_text_new();
    g_object_set(number, "foreground", "#77767b", "xalign", 1.0, nullptr);
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(f.linesView), -1, "", number, "text",
                                                kLineColumn, nullptr);
    GtkCellRenderer* text = gtk_cell_renderer_text_new();
    g_object_set(text, "family", "Monospace", nullptr);
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(f.linesView), -1, "", text, "text",
                                                kTextColumn, "weight", kWeightColumn, nullptr);
    gtk_tree_view_column_set_min_width(
        gtk_tree_view_get_column(GTK_TREE_VIEW(f.linesView), kMarkColumn), 28);
    g_signal_connect(f.linesView, "button-press-event", G_CALLBACK(onLinesPressed), nullptr);
    g_signal_connect_after(f.linesView, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer) {
                               if (!form().file.empty()) logGeometry();
                               return FALSE;
                           }),
                           nullptr);
    gtk_box_pack_start(GTK_BOX(box), scrolled(f.linesView, 460, 300), TRUE, TRUE, 0);

    f.status = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(f.status), 0);
    gtk_label_set_line_wrap(GTK_LABEL(f.status), TRUE);
    gtk_box_pack_start(GTK_BOX(box), f.status, FALSE, FALSE, 0);

    GtkWidget* lower = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_box_pack_start(GTK_BOX(box), lower, TRUE, TRUE, 0);
    f.frames = gtk_list_store_new(2, G_TYPE_STRING, G_TYPE_STRING);
    f.framesView = gtk_tree_view_new_with_model(GTK_TREE_MODEL(f.frames));
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(f.framesView), -1,
                                                said("Call stack").c_str(),
                                                gtk_cell_renderer_text_new(), "text", 0, nullptr);
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(f.framesView), -1, "",
                                                gtk_cell_renderer_text_new(), "text", 1, nullptr);
    g_signal_connect(f.framesView, "row-activated", G_CALLBACK(onFrameChosen), nullptr);
    gtk_box_pack_start(GTK_BOX(lower), scrolled(f.framesView, 220, 160), TRUE, TRUE, 0);

    f.variables = gtk_tree_store_new(kVarColumns, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING,
                                     G_TYPE_UINT64, G_TYPE_BOOLEAN);
    f.variablesView = gtk_tree_view_new_with_model(GTK_TREE_MODEL(f.variables));
    const char* titles[3] = {"Name", "Value", "Type"};
    for (int c = 0; c < 3; ++c)
        gtk_tree_view_insert_column_with_attributes(
            GTK_TREE_VIEW(f.variablesView), -1, said(titles[c]).c_str(),
            gtk_cell_renderer_text_new(), "text", c, nullptr);
    g_signal_connect(f.variablesView, "test-expand-row",
                     G_CALLBACK(+[](GtkTreeView* v, GtkTreeIter* it, GtkTreePath* p, gpointer d) {
                         onVariableOpened(v, it, p, d);
                         return FALSE;
                     }),
                     nullptr);
    gtk_box_pack_start(GTK_BOX(lower), scrolled(f.variablesView, 260, 160), TRUE, TRUE, 0);

    GtkWidget* watchRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_box_pack_start(GTK_BOX(box), watchRow, FALSE, FALSE, 0);
    f.watchEntry = gtk_entry_new();
    gtk_entry_set_placeholder_text(GTK_ENTRY(f.watchEntry), said("Watch expression").c_str());
    g_signal_connect(f.watchEntry, "activate", G_CALLBACK(+[](GtkEntry*, gpointer) { addWatch(); }),
                     nullptr);
    gtk_box_pack_start(GTK_BOX(watchRow), f.watchEntry, TRUE, TRUE, 0);
    commandButton(watchRow, said("Watch"), addWatch);
    commandButton(watchRow, said("Clear"), clearWatches);
    f.watches = gtk_list_store_new(2, G_TYPE_STRING, G_TYPE_STRING);
    GtkWidget* watchView = gtk_tree_view_new_with_model(GTK_TREE_MODEL(f.watches));
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(watchView), -1, said("Watch").c_str(),
                                                gtk_cell_renderer_text_new(), "text", 0, nullptr);
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(watchView), -1, said("Value").c_str(),
                                                gtk_cell_renderer_text_new(), "text", 1, nullptr);
    gtk_box_pack_start(GTK_BOX(box), scrolled(watchView, 460, 80), FALSE, FALSE, 0);
    return box;
}

void sourceViewShown() {
    TSourceForm& f = form();
    // The game's own sources first, then the kernel's.
    std::vector<std::string> own, kernel;
    if (gClassTable)
        for (TRTTI* cls : *gClassTable) {
            if (!cls || !cls->compiled || cls->sourceFile.empty()) continue;
            std::vector<std::string>& into = isKernelSource(cls->sourceFile) ? kernel : own;
            if (std::find(into.begin(), into.end(), cls->sourceFile) == into.end())
                into.push_back(cls->sourceFile);
        }
    own.insert(own.end(), kernel.begin(), kernel.end());
    if (own == f.fileNames) return;
    f.filling = true;
    f.fileNames = own;
    gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(f.files));
    for (const std::string& path : f.fileNames)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(f.files),
                                       cp932ToUtf8(toHostPath(path)).c_str());
    f.filling = false;
    if (f.file.empty() && !f.fileNames.empty())
        gtk_combo_box_set_active(GTK_COMBO_BOX(f.files), 0);
    else
        showFile(f.file);
}

void sourceViewHold(const THoldView& view) {
    TSourceForm& f = form();
    TSourceDebugger& debugger = TSourceDebugger::instance();
    f.holding = true;
    sourceViewShown();
    f.heldFrames = debugger.frames(debugger.heldProcess());
    f.frame = f.heldFrames.empty() ? 0 : f.heldFrames.front().fp;
    gtk_list_store_clear(f.frames);
    for (const TDebugFrame& fr : f.heldFrames) {
        GtkTreeIter it;
        gtk_list_store_append(f.frames, &it);
        std::string place = fr.place.line > 0 ? cp932ToUtf8(fileName(fr.place.file)) + ":" +
                                                    std::to_string(fr.place.line)
                                              : "";
        gtk_list_store_set(f.frames, &it, 0, fr.where.c_str(), 1, place.c_str(), -1);
    }
    f.currentLine = view.place.line;
    if (!view.place.file.empty()) showFile(view.place.file);
    markLines();
    scrollTo(view.place.line);
    const char* reasons[] = {"Held", "Stopped at a breakpoint", "Stepped", "Paused",
                             "Stopped at an error"};
    std::string status = said(reasons[int(view.reason)]);
    if (view.place.line > 0)
        status +=
            "  " + cp932ToUtf8(fileName(view.place.file)) + ":" + std::to_string(view.place.line);
    if (!view.errorText.empty()) status += "\n" + view.errorText;
    gtk_label_set_text(GTK_LABEL(f.status), status.c_str());
    showVariables();
    Log("Debug: Source hold at " + cp932ToUtf8(toHostPath(view.place.file)) + ":" +
        std::to_string(view.place.line));
}

void sourceViewReleased() {
    TSourceForm& f = form();
    f.holding = false;
    f.currentLine = 0;
    f.heldFrames.clear();
    markLines();
    gtk_label_set_text(GTK_LABEL(f.status), "");
    gtk_tree_store_clear(f.variables);
    gtk_list_store_clear(f.frames);
}

} // namespace ravok
