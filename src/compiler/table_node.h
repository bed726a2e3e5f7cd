// The nodes of the two tables the front end interprets: every line of the
// lexical or the grammar table becomes one TTableNode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ravok {

struct TNodeClass;

// A set of the 256 byte values: bit b mod 32 of word b div 32.
class TFirst {
public:
    // Returns whether b was new.
    bool include(uint8_t b) {
        uint32_t bit = 1u << (b % 32);
        bool added = !(words_[b / 32] & bit);
        words_[b / 32] |= bit;
        return added;
    }
    // Returns whether anything was added.
    bool unionWith(const TFirst& other) {
        bool added = false;
        for (int i = 0; i < 8; ++i) {
            uint32_t before = words_[i];
            words_[i] |= other.words_[i];
            added |= words_[i] != before;
        }
        return added;
    }
    bool test(uint8_t b) const { return words_[b / 32] & (1u << (b % 32)); }
    void includeAll() {
        for (uint32_t& w : words_)
            w = 0xFFFFFFFFu;
    }

private:
    uint32_t words_[8] = {};
};

enum TNodeKind : uint8_t {
    nkSequence = 0,
    nkChoice = 1,
    nkLiteral = 2,
    nkRange = 3,
    nkReference = 4,
};

struct TTableNode {
    TFirst First; // lexical table only
    std::vector<TTableNode*> Children;
    int32_t ChildCount = 0;
    std::string Name;
    // What stands for this node when matched: the resolved target of a
    // reference, the lexical entry a grammar terminal names, else the node.
    TTableNode* Link = nullptr;
    TNodeKind Kind = nkReference;
    uint8_t Low = 0, High = 0;
    int32_t MinCount = 1, MaxCount = 1;
    const TNodeClass* NodeClass = nullptr; // grammar table only
};

} // namespace ravok
