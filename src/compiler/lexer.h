// Tokens: the lexer turns a source text into TLexElem tokens by interpreting
// the lexical table: at each position the token entries whose FIRST set holds
// the byte are matched, the longest match wins, and of equally long matches the
// entry earlier in the table. Bytes that begin no token are skipped.
#pragma once

#include "compiler/table_node.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

class TTable;

struct TLexElem {
    TLexElem(const TTableNode* kind, int32_t start, int32_t stop, const char* source);
    ~TLexElem();
    TLexElem(const TLexElem&) = delete;
    TLexElem& operator=(const TLexElem&) = delete;

    const TTableNode* Kind; // the token entry that matched
    int32_t Start;          // position of the first byte
    int32_t Stop;           // one past the last byte
    const char* Source;     // the text the positions refer to; must outlive the token

    std::string text() const { return std::string(Source + Start, size_t(Stop - Start)); }
    const std::string& kindName() const { return Kind->Name; }
};

class TLexList {
public:
    int32_t count() const { return int32_t(items_.size()); }
    TLexElem* at(int32_t i) const { return items_[size_t(i)].get(); }
    void add(std::unique_ptr<TLexElem> e) { items_.push_back(std::move(e)); }
    // Drops (and frees) the tokens for which keep() is false.
    template <class F> void filter(F&& keep);

    int32_t Position = 0;  // the next unconsumed token
    int32_t LastStart = 0; // Start of the most recently consumed token
    int32_t Furthest = 0;  // the furthest token the parser tried to match

    // Where a failed parse went wrong: the furthest token the parser could not
    // get past, or, when the source ended first, the last token it took.
    int32_t errorStart() const { return Furthest < count() ? at(Furthest)->Start : LastStart; }

private:
    std::vector<std::unique_ptr<TLexElem>> items_;
};

template <class F> void TLexList::filter(F&& keep) {
    std::vector<std::unique_ptr<TLexElem>> kept;
    for (auto& e : items_)
        if (keep(*e)) kept.push_back(std::move(e));
    items_ = std::move(kept);
}

// All tokens of the text (which ends at its first zero byte), comments
// included. Never fails.
std::unique_ptr<TLexList> lexSource(const TTable& lexical, const char* source);

} // namespace ravok
