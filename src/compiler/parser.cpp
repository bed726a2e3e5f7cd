#include "compiler/parser.h"

#include "compiler/table_reader.h"

#include <vector>

namespace ravok {

namespace {

// A match gives a token, a node, or (for a choice) whichever its alternative gave.
struct TResult {
    bool ok = false;
    TLexElem* token = nullptr;
    std::unique_ptr<TResultList> node;
};

// A remembered match of a name chain at one token position.
struct TMemo {
    bool done = false;
    bool ok = false;
    int32_t end = 0;
    bool consumed = false; // whether the match consumed any token (then LastStart moved)
    int32_t lastStart = 0;
    std::unique_ptr<TResultList> tree;
};

class TParser {
public:
    TParser(TLexList& tokens, const TTableNode* remembered)
        : tokens_(tokens), remembered_(remembered) {
        if (remembered_) memo_.resize(size_t(tokens.count()) + 1);
    }

    TResult matchMember(const TTableNode* member) {
        if (member->Kind == nkLiteral) return matchTerminal(member);
        return matchRule(member->Link);
    }

    bool tooDeep = false;

private:
    TResult matchTerminal(const TTableNode* terminal) {
        TResult r;
        if (tokens_.Position > tokens_.Furthest) tokens_.Furthest = tokens_.Position;
        if (tokens_.Position < tokens_.count() && terminal->Link &&
            tokens_.at(tokens_.Position)->Kind == terminal->Link) {
            r.token = tokens_.at(tokens_.Position);
            tokens_.LastStart = r.token->Start;
            ++tokens_.Position;
            ++consumed_;
            r.ok = true;
        }
        return r;
    }

    TResult matchRule(const TTableNode* n) {
        if (tooDeep || depth_ >= kMaxParseDepth) {
            tooDeep = true;
            return {};
        }
        if (n == remembered_) return matchRemembered(n);
        return matchPlain(n);
    }

    TResult matchRemembered(const TTableNode* n) {
        TMemo& m = memo_[size_t(tokens_.Position)];
        if (m.done) {
            if (m.consumed) tokens_.LastStart = m.lastStart;
            TResult r;
            if (!m.ok) return r;
            tokens_.Position = m.end;
            r.ok = true;
            r.node = m.tree->clone();
            return r;
        }
        int64_t consumedBefore = consumed_;
        size_t at = size_t(tokens_.Position);
        TResult r = matchPlain(n);
        if (tooDeep) return r;
        TMemo& fresh = memo_[at]; // the same entry; nothing resizes the table
        fresh.done = true;
        fresh.ok = r.ok;
        fresh.end = tokens_.Position;
        fresh.consumed = consumed_ != consumedBefore;
        fresh.lastStart = tokens_.LastStart;
        if (r.ok) fresh.tree = r.node->clone();
        return r;
    }

    TResult matchPlain(const TTableNode* n) {
        ++depth_;
        TResult r;
        switch (n->Kind) {
        case nkLiteral:
            r = matchTerminal(n);
            break;
        case nkChoice:
            r = matchChoice(n);
            break;
        case nkSequence:
            r = matchSequence(n);
            break;
        case nkReference:
            if (n->Link != n) r = matchRule(n->Link);
            break;
        case nkRange:
            break; // lexical tables only
        }
        --depth_;
        return r;
    }

    TResult matchChoice(const TTableNode* n) {
        int32_t start = tokens_.Position;
        for (const TTableNode* alternative : n->Children) {
            TResult r = matchMember(alternative);
            if (r.ok) return r;
            tokens_.Position = start;
            if (tooDeep) break;
        }
        return {};
    }

    TResult matchSequence(const TTableNode* n) {
        int32_t start = tokens_.Position;
        // The node is made when the first member matches (or when the sequence
        // succeeds with nothing in it): most attempts fail at their first token,
        // and they need no node to throw away.
        std::unique_ptr<TResultList> node;
        int32_t done = 0;
        while (done < n->MaxCount) {
            int32_t repetition = tokens_.Position;
            int32_t kept = node ? node->count() : 0;
            bool ok = true;
            for (const TTableNode* member : n->Children) {
                TResult r = matchMember(member);
                if (!r.ok) {
                    ok = false;
                    break;
                }
                if (!node) node = n->NodeClass->create();
                if (r.token)
                    node->add(r.token);
                else
                    node->add(std::move(r.node));
            }
            if (!ok) {
                if (node) node->truncate(kept);
                tokens_.Position = repetition;
                break;
            }
            ++done;
            // Every further repetition would consume nothing again; stop here
            // rather than append the same empty children up to the limit.
            if (tokens_.Position == repetition) break;
        }
        if (done < n->MinCount || tooDeep) {
            tokens_.Position = start;
            return {};
        }
        TResult r;
        r.ok = true;
        r.node = node ? std::move(node) : n->NodeClass->create();
        return r;
    }

    TLexList& tokens_;
    int depth_ = 0;
    int64_t consumed_ = 0;
    const TTableNode* remembered_;
    std::vector<TMemo> memo_;
};

} // namespace

TParseOutcome parseTokens(const TTable& grammar, TLexList& tokens, TParseOptions options) {
    TParseOutcome outcome;
    tokens.Position = 0;
    tokens.Furthest = 0;
    if (grammar.entries().empty()) return outcome;
    TParser parser(tokens, options.rememberNameChains ? grammar.entry("LVal") : nullptr);
    TResult r = parser.matchMember(grammar.entries().front());
    outcome.tooDeep = parser.tooDeep;
    if (r.ok && !parser.tooDeep && tokens.Position == tokens.count()) {
        outcome.root.reset(static_cast<TResList*>(r.node.release()));
    }
    return outcome;
}

} // namespace ravok
