#include "pages/page_reconstruction.h"

#include "pages/page_reload.h"

#include "compiler/class_compiler.h"
#include "pages/generator.h"
#include "pages/page_hash.h"
#include "pages/page_state.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/resource_kinds.h"
#include "resources/resource_reader.h"
#include "runtime/collector.h"
#include "runtime/interpreter.h"
#include "runtime/markup_escape.h"
#include "runtime/messages.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/rtti.h"
#include "runtime/sjis.h"

#include "base/log.h"
#include "base/reporter.h"

#include <memory>

namespace ravok {

namespace {

class TSweep : public TResourceIterator {
public:
    TSweep(TMultiEvaluator& list, bool first) : list_(list), first_(first) {}

    void visit(TResource* r) override {
        if (auto* g = dynamic_cast<TGenerator*>(r))
            first_ ? create(g) : generate(g);
        else if (auto* v = dynamic_cast<TGlobalValue*>(r))
            if (first_ && !v->initialValue.empty())
                list_.Add(v->name + "=" + v->initialValue + ";");
    }

private:
    void create(TGenerator* g) {
        TRTTI* cls = g->generatedClass();
        if (!cls) {
            ReportError(g->name + translate(": Class") + g->className +
                        translate(" does not exist. Cannot create."));
        } else if (!cls->compiled) {
            Log(g->className + translate(" has not compiled yet. Cannot create Object."));
        } else if (!takesPart(cls)) {
            // Said at the class's first line, where the fix goes, rather
            // than as a missing setGenerator in a script the author never
            // wrote.
            ReportError(g->className + translate(" is placed on the page by the generator ") +
                            g->name +
                            translate(", so it must take part in the game: write \"extends "
                                      "Sprite;\" (or \"extends Char;\") as its first line."),
                        {{cls->sourceFile, 0, {}}});
        } else {
            list_.Add(g->name + "=new " + g->className + "();");
        }
    }

    // Objects placed by a generator are told their generator and join the
    // game's lists: Char and its subclasses know how.
    static bool takesPart(TRTTI* cls) { return cls->methodByName("setGenerator") != nullptr; }

    void generate(TGenerator* g) {
        TRTTI* cls = g->generatedClass();
        if (!cls || (cls->compiled && !takesPart(cls))) return;
        for (const auto& [field, expr] : g->instanceValues)
            if (TGenerator::hasField(cls, field))
                list_.Add(g->name + "." + field + "=" + expr + ";");
        list_.Add(g->name + ".setGenerator( getResource(\"" + fullPath(g) + "\").getTObject() );");
        list_.Add(g->name + ".onGenerate();");
        if (g->parent && equalsNoCase(fullPath(g->parent), "usr.gen")) {
            list_.Add("if ($_design_mode==0) { appear(" + g->name + "); } else $chars.add(" +
                      g->name + ");");
            list_.Add("_n_refresh();");
        }
    }

    TMultiEvaluator& list_;
    bool first_;
};

TMultiEvaluator buildScript(int32_t pageHash) {
    TMultiEvaluator list;
    list.Add("$_hashCode=getPageHashCode()-(" + std::to_string(pageHash) + ");");
    list.Add("if (!$_design_mode) { for (p in $procs) p.kill();} $chars.clear();");
    TResource* usr = resourceRoot() ? resourceRoot()->lookup("usr") : nullptr;
    if (usr) {
        TSweep first(list, true);
        usr->visit(first);
        TSweep second(list, false);
        usr->visit(second);
    }
    return list;
}

} // namespace

std::string reconstructionCacheFile(std::string_view pageFile) {
    return tempName(pageFile, "i127_") + ".ravok";
}

std::vector<std::string> reconstructionScript(std::string_view pageFile) {
    return buildScript(pageHashCode(pageFile)).lines();
}

namespace {
std::string proofFor(std::string_view pageFile, int32_t pageHash) {
    // Two pages whose paths flatten to one cache name must not share it: the
    // cache names the page it was made from and the hash of its bytes.
    std::string path(pageFile);
    for (char& c : path)
        if (c == '\r' || c == '\n') c = '?';
    return "// made from " + path + " " + std::to_string(pageHash);
}
} // namespace

std::string reconstructionCacheProof(std::string_view pageFile) {
    return proofFor(pageFile, pageHashCode(pageFile));
}

bool generatePage() {
    const std::string& page = pageState().currentPageFile;
    std::string cache = reconstructionCacheFile(page);
    int32_t pageHash = pageHashCode(page);
    std::string proof = proofFor(page, pageHash) + "\r\n";
    std::string text;
    // A cache of another page, of an older version of this one, or from
    // before caches carried their proof is made again; so is one the
    // page's classes have outgrown (a class that now extends Char, a field
    // added), which the page's own bytes do not tell.
    std::string made = proof + buildScript(pageHash).text();
    if (!fileExists(cache) || !readWholeFile(cache, text) || text != made) {
        Log(translate("Page Reconstruction"));
        // Making the script hashed the page a second time, which moves the
        // scripts' random sequence: it still does.
        pageHashCode(page);
        text = std::move(made);
        writeWholeFile(cache, text);
    }
    std::unique_ptr<TRTTI> cls(dynamic_cast<TRTTI*>(
        readResourceText("<class name=\"eval\" src=\"" + escapeMarkup(cache) + "\">").release()));
    if (!cls || CompileClass(cls.get(), text) || !cls->compiled) return false;
    uint32_t instance = allocateInstance(cls.get());
    TProcess* p = createProcess(TValue::ofObject(instance), {}, std::string_view());
    p->hostOwned = true;
    int32_t savedBudget = StepBudget;
    bool savedPreempted = Preempted;
    while (!p->finished)
        run(p, kUnlimitedBudget);
    StepBudget = savedBudget;
    Preempted = savedPreempted;
    freeProcess(p);
    destroyInstance(instance);
    restoreKeptGlobals();
    // The old page's objects are out of every list now (the script killed
    // their processes and cleared $chars) and its globals are gone: what
    // nothing reaches any more is destroyed, destructors run, before the new
    // page's first frame.
    collect();
    return true;
}

} // namespace ravok
