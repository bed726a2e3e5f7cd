#include "resources/resource_kinds.h"
#include "runtime/directories.h"

#include "resources/host_files.h"
#include "resources/sgml.h"
#include "runtime/mark.h"
#include "runtime/markup_escape.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/paths.h"
#include "runtime/pool.h"
#include "runtime/rtti.h"
#include "runtime/sjis.h"
#include "runtime/symbols.h"
#include "runtime/tf_string.h"
#include "runtime/value_ops.h"

#include "base/reporter.h"

#include <dlfcn.h>

namespace ravok {

namespace {

std::string relative(const std::string& path) { return relativeToBase(path); }

class TResListIterator : public TIterator {
public:
    TResListIterator(TResourceList& list) : list_(list) {}
    bool hasNext() override { return cursor_ < list_.children().size(); }
    TResource* next() override { return list_.children()[cursor_++].get(); }
    void removeCurrent() override {
        if (cursor_ == 0) return;
        --cursor_;
        list_.removeAt(cursor_);
    }

private:
    TResourceList& list_;
    size_t cursor_ = 0;
};

} // namespace

// ---- TResourceList ---------------------------------------------------------

TResourceList::~TResourceList() {
    // First child first, without shifting the rest down each time.
    std::vector<std::unique_ptr<TResource>> gone = std::move(children_);
    if (!gone.empty()) ++gResourceTreeChanges;
    for (auto& child : gone)
        child.reset();
}

std::unique_ptr<TIterator> TResourceList::newIterator() {
    return std::make_unique<TResListIterator>(*this);
}

void TResourceList::addChild(std::unique_ptr<TResource> child) {
    if (!child) return;
    child->parent = this;
    TResource* raw = child.get();
    children_.push_back(std::move(child));
    ++gResourceTreeChanges;
    if (indexed_) index_.try_emplace(raw->name, raw);
    raw->attached(this);
}

TResource* TResourceList::findChild(std::string_view childName) {
    constexpr size_t kIndexedFrom = 32;
    if (children_.size() < kIndexedFrom) {
        for (const auto& c : children_)
            if (equalsNoCase(c->name, childName)) return c.get();
        return nullptr;
    }
    if (!indexed_) {
        index_.clear();
        for (const auto& c : children_)
            index_.try_emplace(c->name, c.get());
        indexed_ = true;
    }
    auto it = index_.find(childName);
    return it == index_.end() ? nullptr : it->second;
}

void TResourceList::removeAt(size_t i) {
    if (i >= children_.size()) return;
    ++gResourceTreeChanges;
    indexed_ = false;
    index_.clear();
    std::unique_ptr<TResource> gone = std::move(children_[i]);
    children_.erase(children_.begin() + long(i));
}

void TResourceList::removeChild(TResource* child) {
    for (size_t i = 0; i < children_.size(); ++i)
        if (children_[i].get() == child) return removeAt(i);
}

void TResourceList::initStep(TInitContext& context) {
    // By index: a pass may add children (globals created on first look-up).
    for (size_t i = 0; i < children_.size(); ++i)
        children_[i]->initStep(context);
}

void TResourceList::commonDir(std::string& path) {
    TResource::commonDir(path);
    for (const auto& c : children_)
        c->commonDir(path);
}

void TResourceList::save(TLines& lines, const std::string& indent) {
    lines.push_back(indent + "<resourcelist name=\"" + escapeMarkup(name) + "\">");
    for (const auto& c : children_)
        c->save(lines, indent + " ");
    lines.push_back(indent + "</resourcelist>");
}

void TResourceList::releaseValues() {
    TResource::releaseValues();
    for (const auto& c : children_)
        c->releaseValues();
}

void TResourceList::markValues() {
    TResource::markValues();
    for (const auto& c : children_)
        c->markValues();
}

void TResourceList::sweepValues() {
    TResource::sweepValues();
    for (const auto& c : children_)
        c->sweepValues();
}

void TResourceList::dumpTree(TLines& lines, const std::string& path) {
    lines.push_back(path.empty() ? "<root>" : path);
    for (const auto& c : children_)
        c->dumpTree(lines, path.empty() ? c->name : path + "." + c->name);
}

void TResourceList::visit(TResourceIterator& visitor) {
    TResource::visit(visitor);
    for (size_t i = 0; i < children_.size(); ++i)
        children_[i]->visit(visitor);
}

// ---- TGlobalValue ----------------------------------------------------------

TGlobalValue::TGlobalValue(std::string_view globalName)
    : cell_(arenaPtr<TValue>(TArena::instance().allocate(sizeof(TValue)))) {
    name = std::string(globalName);
    *cell_ = TValue::ofUnset(intern(name));
}

TGlobalValue::~TGlobalValue() {
    decrementQuietly(*cell_);
    *cell_ = TValue::null();
    TArena::instance().release(arenaOffset(cell_), sizeof(TValue));
}

void TGlobalValue::initStep(TInitContext& context) {
    if (!initialValue.empty()) native::evaluateStatements(name + "=" + initialValue + ";");
    ++context.done;
}

void TGlobalValue::save(TLines& lines, const std::string& indent) {
    TResource* global = resourceRoot() ? resourceRoot()->lookup(name) : this;
    TValue* v = global ? global->valueCell() : nullptr;
    std::string text;
    if (v && v->kind == vtInt)
        text = std::to_string(v->i);
    else if (v && isStringValue(*v))
        text = "\"" + std::string(stringText(v->u)) + "\"";
    initialValue = text;
    lines.push_back(indent + "<globalvalue name=\"" + escapeMarkup(name) + "\" value=\"" +
                    escapeMarkup(text) + "\"/>");
}

void TGlobalValue::releaseValues() {
    TResource::releaseValues();
    TValue old = *cell_;
    *cell_ = TValue::null();
    decrementQuietly(old);
}

void TGlobalValue::markValues() {
    TResource::markValues();
    markValue(*cell_);
}

// ---- TfParam ---------------------------------------------------------------

void TfParam::save(TLines& lines, const std::string& indent) {
    lines.push_back(indent + "<param name=\"" + escapeMarkup(name) + "\" value=\"" +
                    escapeMarkup(value) + "\"/>");
}

// ---- TCustomResource -------------------------------------------------------

TCustomResource::TCustomResource(const TSGML& element, const std::string& tag) {
    name = element.attr("name");
    if (tag == "Ranking" && !element.attr("browserURL").empty()) {
        ReportError(translate(
            "This page are created by older version of Ravok: Ranking on the Net disabled."));
        return;
    }
    TRTTI* cls = resourceRoot() ? dynamic_cast<TRTTI*>(resourceRoot()->lookup(tag)) : nullptr;
    if (!cls) return;
    uint32_t instance = allocateInstance(cls);
    setObject(scriptCell(), instance);
    int32_t generator = cls->fields.indexOf(symGenerator);
    if (generator >= 0) setNative(objectAt(instance)->field(generator), hostId());
    for (const auto& child : element.children()) {
        if (child->tagName() != "resinst" || child->attr("type") != "string") continue;
        int64_t sym = TSymbolTable::instance().find(child->attr("name"));
        int32_t field = sym < 0 ? -1 : cls->fields.indexOf(uint32_t(sym));
        if (field >= 0)
            setObject(objectAt(instance)->field(field), makeString(child->attr("value")));
    }
}

void TCustomResource::initStep(TInitContext& context) {
    native::setGlobal("$_tmp_val1", scriptCell());
    native::evaluateStatements("$_tmp_val2=$_tmp_val1.onInit();");
    native::setGlobal("$_tmp_val1", TValue::ofInt(0));
    TValue* result = native::globalCell("$_tmp_val2");
    switch (result ? toInt(*result) : -1) {
    case 0:
    case 1:
        ++context.pending;
        break;
    case 2:
        ++context.done;
        break;
    case 3:
        ++context.failed;
        break;
    default:
        break;
    }
}

void TCustomResource::save(TLines& lines, const std::string& indent) {
    const TValue& v = scriptCell();
    if (v.kind != vtObject) return;
    TRTTI* cls = classById(objectAt(v.u)->classId);
    if (!cls) return;
    TSGML e;
    e.setTagName(cls->name);
    e.setAttr("name", name);
    e.setAttr("src", relative(sourceFile));
    for (int32_t i = 0; i < cls->fieldCount(); ++i) {
        const TValue& f = objectAt(v.u)->field(i);
        if (!isStringValue(f)) continue;
        auto res = std::make_unique<TSGML>();
        res->setTagName("resinst");
        res->setAttr("type", "string");
        res->setAttr("name", cls->fields.name(i));
        res->setAttr("value", std::string(stringText(f.u)));
        e.addChild(std::move(res));
    }
    lines.push_back(e.write(indent));
}

// ---- TModuleRes ------------------------------------------------------------

TModuleRes::TModuleRes(const std::string& path) {
    sourceFile = path;
    library_ = dlopen(toHostPath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        const char* why = dlerror();
        ReportError(path + translate(" cannot be loaded: ") + (why ? why : ""));
    }
}

} // namespace ravok
