#include "pages/page_reload.h"

#include "compiler/class_compiler.h"
#include "pages/page_loader.h"
#include "pages/page_reconstruction.h"
#include "pages/page_state.h"
#include "pages/project_manager.h"
#include "resources/host_files.h"
#include "resources/resource_kinds.h"
#include "resources/resource_tree.h"
#include "resources/source_files.h"
#include "runtime/directories.h"
#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/paths.h"
#include "runtime/root_process.h"
#include "runtime/rtti.h"
#include "runtime/sjis.h"
#include "runtime/tf_string.h"
#include "runtime/value_ops.h"

#include "base/log.h"
#include "base/reporter.h"

#include <memory>
#include <optional>
#include <set>

namespace ravok {

namespace {

bool insideKernel(const std::string& file) {
    std::string kernel = programDirectory() + "\\Kernel\\";
    return file.size() > kernel.size() && equalsNoCase(file.substr(0, kernel.size()), kernel);
}

// A global's value in a form that outlives the page: a number or null as it
// is, a text as its bytes.
struct TKeptGlobal {
    std::string name;
    TValue value = TValue::null();
    std::optional<std::string> text;
    std::string declared; // its initial value as the page declared it
};

// The page's declared globals and those its scripts made.
std::vector<TKeptGlobal> keptGlobals() {
    std::vector<TKeptGlobal> kept;
    std::set<std::string> seen;
    for (TResource* list : {treeAt("usr.global"), usrglobalList()}) {
        auto* globals = dynamic_cast<TResourceList*>(list);
        if (!globals) continue;
        for (const auto& child : globals->children()) {
            auto* g = dynamic_cast<TGlobalValue*>(child.get());
            // `$_` names are the player's own ($_doDraw, $_hashCode, ...).
            if (!g || g->name.size() < 2 || g->name[0] != '$' || g->name.compare(0, 2, "$_") == 0 ||
                !seen.insert(g->name).second)
                continue;
            // The value scripts see under the name, wherever it lives.
            const TValue* cell = native::globalCell(g->name);
            if (!cell) continue;
            const TValue& v = *cell;
            TKeptGlobal k;
            k.name = g->name;
            k.declared = g->initialValue;
            if (v.kind == vtInt || v.kind == vtFloat || v.kind == vtNull)
                k.value = v;
            else if (isStringValue(v))
                k.text = std::string(stringText(v.u));
            else
                continue;
            kept.push_back(std::move(k));
        }
    }
    return kept;
}

// Kept by a reload until the new page's objects are made: the page's
// reconstruction sets its declared globals, and the objects' code runs only
// after it.
std::vector<TKeptGlobal> gPending;
bool gRestorePending = false;

} // namespace

void restoreKeptGlobals() {
    if (!gRestorePending) return;
    gRestorePending = false;
    std::vector<TKeptGlobal> kept;
    kept.swap(gPending);
    TResource* globals = treeAt("usr.global");
    for (const TKeptGlobal& k : kept) {
        auto* now = globals ? dynamic_cast<TGlobalValue*>(globals->findChild(k.name)) : nullptr;
        // A declaration the author changed says what the global is now.
        if (now && now->initialValue != k.declared) continue;
        if (k.text) {
            TValue s = TValue::null();
            native::setString(s, *k.text);
            native::setGlobal(k.name, s);
            decrement(s);
        } else {
            native::setGlobal(k.name, k.value);
        }
    }
}

std::vector<std::string> pageSourceFiles() {
    std::vector<std::string> files;
    const std::string& page = pageState().currentPageFile;
    if (!page.empty()) files.push_back(page);
    if (auto* classes = dynamic_cast<TResourceList*>(TPrjManager::instance().classesList()))
        for (const auto& c : classes->children())
            if (!c->sourceFile.empty() && !insideKernel(c->sourceFile))
                files.push_back(c->sourceFile);
    return files;
}

bool classSourcesCompile(const std::vector<std::string>& files) {
    bool ok = true;
    for (const std::string& file : files) {
        std::string source;
        if (!loadSourceFile(file, source, " does not exist.")) {
            ok = false;
            continue;
        }
        // A class of its own, in no list and under no alias: the running
        // page's class of the same name stays as it is.
        auto trial = std::make_unique<TRTTI>(baseName(file));
        trial->sourceFile = file;
        TCompileOptions options;
        options.useCache = false;
        options.defaultSuperclass = gCore.object;
        try {
            if (CompileClass(trial.get(), source, options)) ok = false;
        } catch (const std::exception& e) {
            ReportError(e.what());
            ok = false;
        }
    }
    return ok;
}

void reloadPageKeepingGlobals(bool pageFileChanged) {
    TResource* usr = treeAt("usr");
    if (!usr) return;
    std::string file = usr->sourceFile;
    // The objects a changed page places are made by a script written from it.
    if (pageFileChanged) deleteFile(reconstructionCacheFile(file));
    // A page that never started (a class that did not compile, a failed
    // start) has no game state to keep: the globals it left are what the
    // failure left, and would overwrite the ones the kernel sets up.
    gRestorePending = pageState().compiled;
    gPending = gRestorePending ? keptGlobals() : std::vector<TKeptGlobal>{};
    Log("Reloading Page " + file);
    stopPage();
    // The project is opened again, so that its classes are taken afresh:
    // each from its cache while its source is unchanged, else compiled.
    pageState().reopenProject = true;
    try {
        loadPage(file);
        if (pageState().compiled) TRootProcess::instance().start(TRunMode::Run);
    } catch (const EInitializationReported&) {
        // Each class that failed has been reported at its line.
    } catch (const std::exception& e) {
        ReportError(translate("Runtim Error:") + e.what());
    }
    if (!pageState().compiled) gRestorePending = false;
    busyIndicator().busy(false);
}

} // namespace ravok
