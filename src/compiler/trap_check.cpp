#include "compiler/trap_check.h"

#include "runtime/close_names.h"
#include "runtime/messages.h"

#include "compiler/lexer.h"
#include "compiler/parse_tree.h"
#include "compiler/yup.h"

#include <algorithm>
#include <map>
#include <memory>

namespace ravok {

namespace {

using TNode = TResultList;
using TState = std::set<std::string>; // names surely assigned at this point

std::string kind(const TNode* n) { return n ? n->className() : ""; }

// The one operand an expression node stands for when it applies no operator
// (a name alone parses as G_Expr > G_RVal > ... > G_LVal).
const TNode* sole(const TNode* n) {
    while (n) {
        std::string k = kind(n);
        if (k == "G_RVal" || k == "G_OrEx" || k == "G_AndEx" || k == "G_CompEx" || k == "G_ASEx" ||
            k == "G_IsEx") {
            if (n->node(1) && n->node(1)->count() > 0) return n;
            n = n->node(0);
        } else if (k == "G_MDEx") {
            if (n->node(0) && n->node(0)->count() > 0) return n;
            n = n->node(1);
        } else if (k == "G_IncEx") {
            if (n->node(1) && n->node(1)->count() > 0) return n;
            n = n->node(0);
        } else if (k == "G_Expr") {
            if (n->node(0) && n->node(0)->count() > 0) return n;
            n = n->node(1);
        } else if (k == "G_Par") {
            n = n->node(1);
        } else {
            return n;
        }
    }
    return n;
}

// The name of a chain of one element without arguments (`x`), else nothing.
const TLexElem* plainName(const TNode* n) {
    n = sole(n);
    if (kind(n) != "G_LVal" || (n->node(1) && n->node(1)->count() > 0)) return nullptr;
    const TNode* e = n->node(0);
    if (!e || (e->node(1) && e->node(1)->count() > 0)) return nullptr;
    return e->token(0);
}

bool isNullLiteral(const TNode* n) {
    n = sole(n);
    return kind(n) == "G_Const" && n->token(0) && n->token(0)->text() == "null";
}

int argumentCount(const TNode* args) {
    if (!args || args->count() == 0) return 0;
    return 1 + (args->node(1) ? args->node(1)->count() / 2 : 0);
}

std::vector<std::string> nameList(const TNode* list) {
    std::vector<std::string> names;
    if (!list) return names;
    for (int i = 0; i < list->count(); ++i) {
        if (list->isToken(i)) {
            if (list->token(i)->text() != ",") names.push_back(list->token(i)->text());
        } else if (const TNode* group = list->node(i)) {
            for (const std::string& n : nameList(group))
                names.push_back(n);
        }
    }
    return names;
}

class TWalker {
public:
    TWalker(const TTrapKnowledge& known, std::vector<TTrapWarning>* out)
        : known_(known), out_(out) {}

    std::set<std::string> assignedAnywhere;

    void program(const TNode* root) {
        const TNode* items = root ? root->node(1) : nullptr;
        if (!items) return;
        for (int i = 0; i < items->count(); ++i)
            if (kind(items->node(i)) == "G_FuncDecl") {
                std::vector<std::string> args = nameList(items->node(i)->node(3));
                ownArity_[items->node(i)->token(1)->text()] = int(args.size());
            }
        TState top;
        scope_ = {};
        for (int i = 0; i < items->count(); ++i) {
            const TNode* item = items->node(i);
            std::string k = kind(item);
            if (k != "G_FuncDecl" && k != "G_NativeDecl" && item) statement(item, top);
        }
        for (int i = 0; i < items->count(); ++i)
            if (kind(items->node(i)) == "G_FuncDecl") function(items->node(i));
    }

private:
    struct TScope {
        std::set<std::string> args, locals, warned;
    };

    void function(const TNode* f) {
        scope_ = {};
        for (const std::string& a : nameList(f->node(3)))
            scope_.args.insert(a);
        const TNode* body = f->node(5);
        if (!body) return;
        if (const TNode* decls = body->node(1))
            for (int i = 0; i < decls->count(); ++i)
                for (const std::string& v :
                     nameList(decls->node(i) ? decls->node(i)->node(1) : nullptr))
                    scope_.locals.insert(v);
        TState state;
        if (const TNode* statements = body->node(2))
            for (int i = 0; i < statements->count(); ++i)
                if (statements->node(i)) statement(statements->node(i), state);
    }

    void warn(const char* name, const TLexElem* at, const std::string& text) {
        if (out_) out_->push_back({name, at->Start, text});
    }

    bool isKnown(const std::string& name, const TState& state) const {
        return name == "this" || name == "super" || name.rfind("$_", 0) == 0 ||
               scope_.args.count(name) || state.count(name) ||
               (!scope_.locals.count(name) &&
                (known_.assigned.count(name) || assignedAnywhere.count(name)));
    }

    std::string suggestion(const std::string& name) const {
        std::vector<std::string> names(assignedAnywhere.begin(), assignedAnywhere.end());
        names.insert(names.end(), scope_.locals.begin(), scope_.locals.end());
        names.insert(names.end(), scope_.args.begin(), scope_.args.end());
        std::string best = closestName(name, names);
        return best.empty() ? "" : translate(" (did you mean ") + best + translate("?)");
    }

    // "2 arguments", in the reader's language.
    static std::string arguments(int count) {
        return std::to_string(count) + translate(count == 1 ? " argument" : " arguments");
    }

    void read(const TLexElem* t, const TState& state) {
        std::string name = t->text();
        if (isKnown(name, state) || scope_.warned.count(name)) return;
        scope_.warned.insert(name);
        if (scope_.locals.count(name))
            warn("unassigned", t,
                 translate("the local variable ") + name +
                     translate(" is read before anything assigned it; it reads as null"));
        else
            warn("unassigned", t,
                 name + translate(" is read, but nothing assigns it; it reads as null") +
                     suggestion(name));
    }

    void assign(const std::string& name, TState& state) {
        if (!out_) assignedAnywhere.insert(name);
        state.insert(name);
    }

    void call(const TLexElem* name, const TNode* args, TState& state, bool ownMethod) {
        int given = argumentCount(args);
        // setGlobal("$name", v) assigns a global the way `$name = v` does.
        if (name->text() == "setGlobal" && given > 0) {
            const TNode* first = sole(args->node(0));
            const TLexElem* literal = kind(first) == "G_Const" ? first->token(0) : nullptr;
            std::string text = literal ? literal->text() : "";
            if (text.size() > 2 && text[0] == '"') assign(text.substr(1, text.size() - 2), state);
        }
        if (ownMethod && name->text() != "super") {
            auto own = ownArity_.find(name->text());
            int declared =
                own != ownArity_.end() ? own->second : known_.methodArguments(name->text());
            if (declared >= 0 && given > declared)
                warn("extra-arguments", name,
                     name->text() + translate(" takes ") + arguments(declared) +
                         translate(" and is given ") + std::to_string(given) +
                         translate("; the extra ones are dropped"));
            // Only the kernel's own methods: a class's own ones say in their
            // code what they do without an argument.
            int required = own != ownArity_.end() ? -1 : known_.requiredArguments(name->text());
            if (required > given)
                warn("missing-arguments", name,
                     name->text() + translate(" needs ") + arguments(required) +
                         translate(" and is given ") + std::to_string(given) +
                         translate("; the missing ones are null, and the call does not do what it "
                                   "is for"));
        }
        expressionChildren(args, state);
    }

    // A chain read for its value (or used as the target of `a.b = ...`).
    void chain(const TNode* lv, TState& state) {
        const TNode* first = lv->node(0);
        const TNode* rest = lv->node(1);
        if (!first) return;
        const TNode* firstArgs = first->node(1);
        if (firstArgs && firstArgs->count() > 0)
            call(first->token(0), firstArgs->node(1), state, true);
        else if (first->token(0)->text() != "super")
            read(first->token(0), state);
        if (rest)
            for (int i = 0; i < rest->count(); ++i)
                if (const TNode* e = rest->node(i))
                    if (e->node(1) && e->node(1)->count() > 0)
                        call(e->token(0), e->node(1)->node(1), state, false);
    }

    void expressionChildren(const TNode* n, TState& state) {
        if (!n) return;
        for (int i = 0; i < n->count(); ++i)
            if (n->node(i)) expression(n->node(i), state);
    }

    void expression(const TNode* n, TState& state) {
        std::string k = kind(n);
        if (k == "G_Expr") {
            const TNode* target = n->node(0);
            expression(n->node(1), state);
            if (!target || target->count() == 0) return;
            const TNode* lv = target->node(0);
            std::string op = target->token(1) ? target->token(1)->text() : "=";
            bool single = lv && (!lv->node(1) || lv->node(1)->count() == 0) && lv->node(0) &&
                          (!lv->node(0)->node(1) || lv->node(0)->node(1)->count() == 0);
            if (single) {
                const TLexElem* name = lv->node(0)->token(0);
                if (op != "=") read(name, state);
                assign(name->text(), state);
            } else if (lv) {
                chain(lv, state);
            }
        } else if (k == "G_RVal" || k == "G_OrEx") {
            expression(n->node(0), state);
            // What the right side of || or && assigns may not have run.
            TState maybe = state;
            expressionChildren(n->node(1), maybe);
            if (!out_) state = maybe;
        } else if (k == "G_AndEx" || k == "G_CompEx" || k == "G_ASEx") {
            const TNode* ops = n->node(1);
            if (ops && ops->count() > 0 && ops->token(0)) {
                std::string op = ops->token(0)->text();
                const TLexElem* name = plainName(n->node(0));
                bool relational = op == "<" || op == "<=" || op == ">" || op == ">=";
                // null orders above every value that is not null.
                std::string always = translate(op[0] == '>' ? " compares as always true"
                                                            : " compares as always false");
                if (relational && isNullLiteral(n->node(0)))
                    warn("null-compare", ops->token(0),
                         translate("null on the left of ") + op + always);
                else if (relational && name && !isKnown(name->text(), state))
                    warn("null-compare", ops->token(0),
                         name->text() + translate(" is null here, and null on the left of ") + op +
                             always);
            }
            expression(n->node(0), state);
            expressionChildren(ops, state);
        } else if (k == "G_IncEx") {
            const TNode* op = n->node(1);
            const TLexElem* name = plainName(n->node(0));
            if (op && op->count() > 0 && name) {
                read(name, state);
                assign(name->text(), state);
            } else {
                expression(n->node(0), state);
            }
        } else if (k == "G_LVal") {
            chain(n, state);
        } else if (k == "G_NewObj") {
            const TNode* cls = n->node(1);
            int given = argumentCount(n->node(3));
            if (cls && cls->token(0)) {
                std::string name;
                for (int i = 0; i < cls->count(); ++i)
                    if (cls->isToken(i)) name += cls->token(i)->text();
                int declared = known_.constructorArguments(name);
                if (declared >= 0 && given > declared)
                    warn("extra-arguments", cls->token(0),
                         translate("the constructor of ") + name + translate(" takes ") +
                             arguments(declared) + translate(" and is given ") +
                             std::to_string(given) + translate("; the extra ones are dropped"));
            }
            expressionChildren(n->node(3), state);
        } else if (k != "G_Const" && k != "G_ResourceVal") {
            expressionChildren(n, state);
        }
    }

    void statement(const TNode* s, TState& state) {
        std::string k = kind(s);
        if (k == "G_ExprS") {
            const TLexElem* name = plainName(s->node(0));
            if (name && !isKnown(name->text(), state) && out_) {
                scope_.warned.insert(name->text());
                warn("lone-name", name,
                     name->text() + translate("; is a name alone and does nothing") +
                         (name->text() == "continue" ? translate(" (the language has no continue)")
                                                     : std::string()));
            }
            expression(s->node(0), state);
        } else if (k == "G_Block") {
            if (const TNode* list = s->node(1))
                for (int i = 0; i < list->count(); ++i)
                    if (list->node(i)) statement(list->node(i), state);
        } else if (k == "G_If") {
            expression(s->node(2), state);
            TState then = state;
            if (s->node(4)) statement(s->node(4), then);
            const TNode* otherwise = s->node(5);
            if (otherwise && otherwise->count() > 1 && otherwise->node(1)) {
                TState other = state;
                statement(otherwise->node(1), other);
                for (const std::string& n : then)
                    if (other.count(n)) state.insert(n);
            }
            if (!out_) state.insert(then.begin(), then.end());
        } else if (k == "G_While") {
            expression(s->node(2), state);
            TState body = state;
            if (s->node(4)) statement(s->node(4), body);
            if (!out_) state = body;
        } else if (k == "G_For") {
            if (s->node(2)) expression(s->node(2), state);
            if (s->node(4)) expression(s->node(4), state);
            TState body = state;
            if (s->node(8)) statement(s->node(8), body);
            if (s->node(6)) expression(s->node(6), body);
            if (!out_) state = body;
        } else if (k == "G_Forin") {
            expression(s->node(4), state);
            TState body = state;
            if (const TLexElem* name = plainName(s->node(2))) assign(name->text(), body);
            if (s->node(6)) statement(s->node(6), body);
            if (!out_) state = body;
        } else if (k == "G_Return") {
            if (s->node(1) && s->node(1)->count() > 0) expression(s->node(1)->node(0), state);
        } else if (k != "G_Break" && k != "TResList") {
            expressionChildren(s, state);
        }
    }

    const TTrapKnowledge& known_;
    std::vector<TTrapWarning>* out_; // nothing while names are only collected
    std::map<std::string, int> ownArity_;
    TScope scope_;
};

// Keeps the tokens alive as long as the tree that points into them.
struct TParsed {
    std::string text;
    std::unique_ptr<TLexList> tokens;
    std::unique_ptr<TResList> root;
};

TParsed parse(const std::string& source) {
    TParsed p;
    p.text = source;
    p.tokens = TYup::instance().Lex(p.text.c_str());
    p.tokens->filter([](const TLexElem& t) { return t.kindName() != "COMM"; });
    p.root = TYup::instance().Parse(*p.tokens).root;
    return p;
}

// A walk that only gathers the names the tree assigns.
std::set<std::string> assignedIn(const TResList* root) {
    TTrapKnowledge none;
    TWalker walker(none, nullptr);
    walker.program(root);
    return walker.assignedAnywhere;
}

} // namespace

const std::vector<std::string>& trapNames() {
    static const std::vector<std::string> names = {"unassigned", "lone-name", "extra-arguments",
                                                   "missing-arguments", "null-compare"};
    return names;
}

void collectAssignedNames(const std::string& source, std::set<std::string>& names) {
    TParsed p = parse(source);
    if (!p.root) return;
    std::set<std::string> found = assignedIn(p.root.get());
    names.insert(found.begin(), found.end());
}

std::vector<TTrapWarning> findTraps(const std::string& source, const TTrapKnowledge& known) {
    std::vector<TTrapWarning> out;
    TParsed p = parse(source);
    if (!p.root) return out;
    TWalker walker(known, &out);
    walker.assignedAnywhere = assignedIn(p.root.get());
    walker.program(p.root.get());
    std::stable_sort(out.begin(), out.end(), [](const TTrapWarning& a, const TTrapWarning& b) {
        return a.offset < b.offset;
    });
    return out;
}

} // namespace ravok
