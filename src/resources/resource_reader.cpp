#include "resources/resource_reader.h"

#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/resource_kinds.h"
#include "resources/resource_tree.h"
#include "resources/sgml.h"
#include "resources/source_files.h"
#include "resources/text_lines.h"
#include "runtime/errors.h"
#include "runtime/markup_escape.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/paths.h"
#include "runtime/rtti.h"

#include "base/reporter.h"

#include <map>
#include <vector>

namespace ravok {

namespace {

std::map<std::string, TResourceBuilder>& builders() {
    static auto* table = new std::map<std::string, TResourceBuilder>();
    return *table;
}

// The part every kind shares: name, and the source file resolved.
void commonPart(TResource& r, const TSGML& e, const std::string& baseDir) {
    r.name = e.attr("name");
    std::string src = e.attr("src");
    r.sourceFile = src.empty() ? std::string() : resolve(src, baseDir);
}

std::unique_ptr<TResource> buildClass(const TSGML& e, const std::string& baseDir) {
    auto cls = std::make_unique<TRTTI>(e.attr("name"));
    commonPart(*cls, e, baseDir);
    cls->category = e.attr("category");
    TAlias& alias = TAlias::instance();
    if (alias.registering && !alias.has(cls->name)) {
        alias.add(cls->name, cls.get());
        cls->aliasRegistered = true;
    }
    return cls;
}

// Once the tree stands, globals are its global values; before, the runtime's
// own table holds them.
class TTreeGlobalScope : public native::TGlobalScope {
public:
    TValue* globalCell(std::string_view globalName) override {
        if (!resourceRoot()) return native::TGlobalScope::globalCell(globalName);
        TResource* g = resourceRoot()->lookup(globalName);
        return g ? g->valueCell() : nullptr;
    }
};

} // namespace

std::unique_ptr<TResource> TTreeResourceServices::readText(std::string_view text) {
    return readResourceText(text);
}

TResource* TTreeResourceServices::globalsList() { return usrglobalList(); }

namespace {
// A name of letters, digits, `$` and `_` comes through the markup unchanged,
// so its global is made directly: start-up makes one for every global the
// kernel's classes name.
bool plainName(std::string_view name) {
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '$' || c == '_'))
            return false;
    return !name.empty();
}
} // namespace

std::unique_ptr<TResource> TTreeResourceServices::newGlobal(std::string_view globalName) {
    if (plainName(globalName)) return std::make_unique<TGlobalValue>(globalName);
    auto g = readResourceText("<globalvalue name=\"" + escapeMarkup(globalName) + "\">");
    return g ? std::move(g) : std::make_unique<TGlobalValue>(globalName);
}

native::TGlobalScope& treeGlobalScope() {
    static TTreeGlobalScope scope;
    return scope;
}

void registerResourceKind(const std::string& tag, TResourceBuilder builder) {
    builders()[tag] = std::move(builder);
}

std::unique_ptr<TResource> buildResource(const TSGML& e, const std::string& baseDir) {
    const std::string& tag = e.tagName();
    if (tag == "resourcelist" || tag == "classlist") {
        auto list = std::make_unique<TResourceList>();
        commonPart(*list, e, baseDir);
        for (const auto& child : e.children())
            if (auto r = buildResource(*child, baseDir)) list->addChild(std::move(r));
        return list;
    }
    if (tag == "class") return buildClass(e, baseDir);
    if (tag == "globalvalue") {
        auto g = std::make_unique<TGlobalValue>(e.attr("name"));
        commonPart(*g, e, baseDir);
        g->initialValue = e.attr("value");
        return g;
    }
    if (tag == "link") {
        std::string src = e.attr("src");
        return readResourceFile(src.empty() ? src : resolve(src, baseDir));
    }
    if (tag == "param") {
        auto p = std::make_unique<TfParam>();
        commonPart(*p, e, baseDir);
        p->value = e.attr("value");
        return p;
    }
    if (tag == "module") {
        std::string src = e.attr("src");
        auto m = std::make_unique<TModuleRes>(src.empty() ? src : resolve(src, baseDir));
        commonPart(*m, e, baseDir);
        return m;
    }
    auto b = builders().find(tag);
    if (b != builders().end()) return b->second(e, baseDir);
    if (tag == "generator" || tag == "cpattern") {
        // Their subsystems register the real kinds; until then the element is
        // kept as a plain resource so that a page still reads.
        auto plain = std::make_unique<TResource>();
        commonPart(*plain, e, baseDir);
        return plain;
    }
    TResource* custom =
        resourceRoot() ? resourceRoot()->lookup("classes.customres." + tag) : nullptr;
    if (dynamic_cast<TRTTI*>(custom)) {
        auto c = std::make_unique<TCustomResource>(e, tag);
        std::string src = e.attr("src");
        c->sourceFile = src.empty() ? std::string() : resolve(src, baseDir);
        return c;
    }
    ReportError(tag + translate(" : Invalid Tag Name"));
    return nullptr;
}

std::unique_ptr<TResource> readResourceText(std::string_view text, std::string_view baseDir,
                                            bool* truncated) {
    std::unique_ptr<TSGML> root = TSGML::readDocument(text, truncated);
    if (!root) return nullptr;
    return buildResource(*root, baseDir.empty() ? baseDirectory() : std::string(baseDir));
}

std::unique_ptr<TResource> readResourceFile(std::string_view path) {
    std::string full = resolve(path, baseDirectory());
    if (full.empty()) full = std::string(path);
    // A file that links to itself, directly or through others, would be read
    // forever.
    static std::vector<std::string> reading;
    for (const std::string& f : reading) {
        if (samePath(f, full)) {
            ReportError(full + translate(" links to itself."));
            return nullptr;
        }
    }
    reading.push_back(full);
    struct Pop {
        ~Pop() { reading.pop_back(); }
    } pop;
    TSourceText source;
    TReadResult read = readSourceFile(full, source);
    if (read != TReadResult::Ok) {
        std::string text = full + translate(readFailureText(read, " is too large to be a source.",
                                                            " is not found."));
        ReportError(text);
        throw EFileError(text);
    }
    if (reportUnmapped(full, source))
        throw EFileError(full + ": " + unmappedCharacterMessage(source.unmapped));
    // Read line by line, each line ending in CR LF.
    std::string text;
    for (const std::string& line : textLines(source.text))
        text += line + "\r\n";
    bool truncated = false;
    auto r = readResourceText(text, parentDir(full), &truncated);
    // The reader takes what it can; the author is told that the file is cut
    // short or holds no markup at all (a damaged download, a binary file).
    if (!r)
        ReportError(full + translate(": no resource markup was found in the file."));
    else if (truncated)
        ReportError(full + translate(": the file ends inside its markup; it may be cut short."));
    if (r) r->sourceFile = full;
    return r;
}

} // namespace ravok
