#include "compiler/parse_tree.h"

#include "runtime/stats.h"

#include <map>

namespace ravok {

TResultList::TResultList() { ++gStats.resultLists; }
TResultList::~TResultList() { --gStats.resultLists; }

int TResList::Emit(TCompileContext&) { return 0; }

std::unique_ptr<TResultList> TResultList::clone() const {
    std::unique_ptr<TResultList> copy = makeEmpty();
    for (const Child& c : children_) {
        if (c.token)
            copy->add(c.token);
        else
            copy->add(c.node->clone());
    }
    return copy;
}

namespace {

template <class T> std::unique_ptr<TResList> make() { return std::make_unique<T>(); }

const std::map<std::string, TNodeClass>& classTable() {
    static const std::map<std::string, TNodeClass> table = {
#define RAVOK_NODE_CLASS_ENTRY(rule) {#rule, {"G_" #rule, make<G_##rule>}},
        RAVOK_GRAMMAR_NODE_CLASSES(RAVOK_NODE_CLASS_ENTRY)
#undef RAVOK_NODE_CLASS_ENTRY
            {"Comment", {"TResList", make<TResList>}},
    };
    return table;
}

} // namespace

const TNodeClass* nodeClassForRule(const std::string& name) {
    static const TNodeClass errClass{"G_Err", make<G_Err>};
    auto it = classTable().find(name);
    return it == classTable().end() ? &errClass : &it->second;
}

TLexElem* TResultList::firstToken() const {
    for (const Child& c : children_) {
        if (c.token) return c.token;
        if (c.node)
            if (TLexElem* t = c.node->firstToken()) return t;
    }
    return nullptr;
}

} // namespace ravok
