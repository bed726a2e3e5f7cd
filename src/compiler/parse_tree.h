// Parse trees. A TResultList is an ordered list of children, each a token
// (owned by the token list) or a nested node (owned by this node). The node
// classes are chosen by rule name: G_ followed by the rule for the rules the
// code generator knows, TResList for Comment, G_Err for everything else.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ravok {

struct TLexElem;
class TCompileContext;

class TResultList {
public:
    TResultList();
    virtual ~TResultList();
    TResultList(const TResultList&) = delete;
    TResultList& operator=(const TResultList&) = delete;

    int32_t count() const { return int32_t(children_.size()); }
    bool isToken(int32_t i) const { return children_[size_t(i)].token != nullptr; }
    TLexElem* token(int32_t i) const { return children_[size_t(i)].token; }
    TResultList* node(int32_t i) const { return children_[size_t(i)].node.get(); }
    // The leftmost token of the subtree, or nothing when it holds none.
    TLexElem* firstToken() const;

    void add(TLexElem* token) { children_.push_back({token, nullptr}); }
    void add(std::unique_ptr<TResultList> node) { children_.push_back({nullptr, std::move(node)}); }
    // Removes (and destroys) the children from index `keep` on.
    void truncate(int32_t keep) { children_.resize(size_t(keep)); }

    virtual const char* className() const { return "TResultList"; }
    // A deep copy: the same node classes, the same tokens.
    std::unique_ptr<TResultList> clone() const;

protected:
    virtual std::unique_ptr<TResultList> makeEmpty() const {
        return std::make_unique<TResultList>();
    }

private:
    struct Child {
        TLexElem* token;
        std::unique_ptr<TResultList> node;
    };
    std::vector<Child> children_;
};

class TResList : public TResultList {
public:
    // Writes the node's code; this base emits nothing and returns 0.
    virtual int Emit(TCompileContext& context);
    const char* className() const override { return "TResList"; }

protected:
    std::unique_ptr<TResultList> makeEmpty() const override { return std::make_unique<TResList>(); }
};

// The grammar's rules that have node classes of their own.
// clang-format off
#define RAVOK_GRAMMAR_NODE_CLASSES(X)                                                              \
    X(Program) \
    X(Extends) \
    X(Sentence) \
    X(ExprS) \
    X(Expr) \
    X(RVal) \
    X(OrEx) \
    X(AndEx) \
    X(CompEx) \
    X(IsEx) \
    X(ASEx) \
    X(IncEx) \
    X(MDEx) \
    X(Una) \
    X(Par) \
    X(Const) \
    X(NewObj) \
    X(ResourceVal) \
    X(LVal) \
    X(LValE) \
    X(ArgList) \
    X(Block) \
    X(While) \
    X(For) \
    X(Forin) \
    X(If) \
    X(Break) \
    X(Return) \
    X(FuncDecl) \
    X(NativeDecl) \
    X(VArgList) \
    X(VarBlock) \
    X(VarDecl)
// clang-format on

#define RAVOK_DECLARE_NODE_CLASS(rule)                                                             \
    class G_##rule : public TResList {                                                             \
    public:                                                                                        \
        const char* className() const override { return "G_" #rule; }                              \
        int Emit(TCompileContext& context) override;                                               \
                                                                                                   \
    protected:                                                                                     \
        std::unique_ptr<TResultList> makeEmpty() const override {                                  \
            return std::make_unique<G_##rule>();                                                   \
        }                                                                                          \
    };
RAVOK_GRAMMAR_NODE_CLASSES(RAVOK_DECLARE_NODE_CLASS)
RAVOK_DECLARE_NODE_CLASS(Err)
#undef RAVOK_DECLARE_NODE_CLASS

// A node class: its name and how to make a node of it.
struct TNodeClass {
    const char* name;
    std::unique_ptr<TResList> (*create)();
};

// The mapping of rule names to node classes (exact names).
const TNodeClass* nodeClassForRule(const std::string& name);

} // namespace ravok
