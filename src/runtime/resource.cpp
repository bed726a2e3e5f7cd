#include "runtime/resource.h"

#include "base/seam.h"

#include "runtime/arena.h"
#include "runtime/errors.h"
#include "runtime/mark.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/paths.h"
#include "runtime/rtti.h"
#include "runtime/sjis.h"
#include "runtime/value_ops.h"

#include "base/log.h"

namespace ravok {

namespace {
TResource* gRoot = nullptr;
} // namespace

TResource* resourceRoot() { return gRoot; }
void setResourceRoot(TResource* root) { gRoot = root; }

TResource::TResource(THostKind kind)
    : THostObject(kind),
      scriptCell_(arenaPtr<TValue>(TArena::instance().allocate(sizeof(TValue)))) {
    *scriptCell_ = TValue::null();
}

TResource::~TResource() {
    if (scriptCell_->kind == vtObject) {
        // The script object hears of the end of its resource.
        try {
            native::setGlobal("$_1", *scriptCell_);
            native::evaluateStatements("$_1.onDestroy();", false);
            native::setGlobal("$_1", TValue::null());
        } catch (const std::exception&) {
            // no evaluator (yet): the object simply is not told
        }
    }
    decrementQuietly(*scriptCell_);
    *scriptCell_ = TValue::null();
    TArena::instance().release(arenaOffset(scriptCell_), sizeof(TValue));
}

std::unique_ptr<TIterator> TResource::newIterator() { return nullptr; }
void TResource::addChild(std::unique_ptr<TResource>) {}
TResource* TResource::findChild(std::string_view) { return nullptr; }
TValue* TResource::valueCell() { return nullptr; }

TValue* TResource::scriptValue() {
    if (scriptCell_->kind != vtObject) {
        native::setGlobal("$_1", handle());
        native::evaluateStatements("$_2=new BuiltInResource($_1);");
        if (TValue* two = native::globalCell("$_2")) assign(*scriptCell_, two);
    }
    return scriptCell_;
}

TResource* TResource::lookup(std::string_view path) {
    if (path.empty()) return nullptr;
    size_t dot = path.find('.');
    std::string_view head = path.substr(0, dot);
    TResource* child = findChild(head);
    if (dot != std::string_view::npos) return child ? child->lookup(path.substr(dot + 1)) : nullptr;
    if (this != gRoot || child) return child;
    // At the root, a whole path without a dot may be a short class name or a
    // global that does not exist yet.
    if (TRTTI* cls = TAlias::instance().get(path)) return cls;
    if (path[0] != '$') return nullptr;
    TResource* globals = resourceServices().globalsList();
    if (!globals) return nullptr;
    if (TResource* existing = globals->findChild(path)) return existing;
    auto created = resourceServices().newGlobal(path);
    if (!created) return nullptr;
    TResource* raw = created.get();
    globals->addChild(std::move(created));
    return raw;
}

void TResource::removeChild(TResource*) {}

bool TResource::initialize() {
    int previousDone = -1;
    for (;;) {
        TInitContext context;
        initStep(context);
        if (context.failed > 0) {
            std::string text = translate("Initialization Failed");
            Log(text);
            // One report per fault: a class that did not compile has said so.
            if (context.failedReported == context.failed) throw EInitializationReported(text);
            throw ERavokError(text);
        }
        if (context.done == previousDone) throw ERavokError(translate("Recursive Inheritance"));
        previousDone = context.done;
        if (context.pending == 0) return true;
    }
}

void TResource::initStep(TInitContext&) {}

void TResource::commonDir(std::string& path) {
    if (sourceFile.empty()) return;
    std::string own = parentDir(sourceFile);
    path = path.empty() ? own : ravok::commonDir(path, own);
}
void TResource::rebase(std::string_view, std::string_view) {}
void TResource::save(TLines&, const std::string&) {}

void TResource::releaseValues() {
    if (scriptCell_->kind == vtObject || scriptCell_->kind == vtNative) {
        TValue old = *scriptCell_;
        *scriptCell_ = TValue::null();
        decrementQuietly(old);
    }
}

void TResource::attached(TResource*) {}
void TResource::markValues() { markValue(*scriptCell_); }
void TResource::sweepValues() {}
void TResource::dumpTree(TLines& lines, const std::string& path) { lines.push_back(path); }
void TResource::visit(TResourceIterator& visitor) { visitor.visit(this); }

std::unique_ptr<TResource> TResource::clone() {
    TLines lines;
    save(lines, "");
    std::string text;
    for (const std::string& l : lines)
        text += l + "\r\n";
    return resourceServices().readText(text);
}

namespace {
TResourceServices gRuntimeOnly;
constinit TSeam<TResourceServices> gServices(gRuntimeOnly);
} // namespace

TResourceServices& resourceServices() { return gServices.get(); }
void setResourceServices(TResourceServices* services) { gServices.install(services); }

std::string fullPath(const TResource* r) {
    std::string path;
    for (; r && r->parent; r = r->parent)
        path = path.empty() ? r->name : r->name + "." + path;
    return path;
}

TAlias& TAlias::instance() {
    static TAlias alias;
    return alias;
}

void TAlias::add(std::string_view name, TRTTI* cls) {
    for (auto& [n, c] : entries_) {
        if (equalsNoCase(n, name)) {
            c = cls;
            return;
        }
    }
    entries_.emplace_back(std::string(name), cls);
}

TRTTI* TAlias::get(std::string_view name) const {
    for (const auto& [n, c] : entries_)
        if (equalsNoCase(n, name)) return c;
    return nullptr;
}

void TAlias::remove(TRTTI* cls) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->second == cls && equalsNoCase(it->first, cls->name)) {
            entries_.erase(it);
            return;
        }
    }
}

} // namespace ravok
