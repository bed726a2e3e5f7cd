#include "compiler/lexer.h"

#include "compiler/table_reader.h"
#include "runtime/stats.h"

#include <cstring>

namespace ravok {

TLexElem::TLexElem(const TTableNode* kind, int32_t start, int32_t stop, const char* source)
    : Kind(kind), Start(start), Stop(stop), Source(source) {
    ++gStats.lexElements;
}

TLexElem::~TLexElem() { --gStats.lexElements; }

namespace {

struct TSource {
    const uint8_t* bytes;
    size_t length;
};

bool match(const TTableNode* member, const TSource& src, size_t& pos);

bool matchSequence(const TTableNode* n, const TSource& src, size_t& pos) {
    size_t start = pos;
    int32_t done = 0;
    while (done < n->MaxCount) {
        size_t repetition = pos;
        bool ok = true;
        for (const TTableNode* c : n->Children) {
            if (!match(c, src, pos)) {
                ok = false;
                break;
            }
        }
        if (!ok) {
            pos = repetition;
            break;
        }
        ++done;
        // A repetition that consumed nothing would repeat the same way up to
        // the limit; count them all at once.
        if (pos == repetition) done = n->MaxCount;
    }
    if (done < n->MinCount) {
        pos = start;
        return false;
    }
    return true;
}

bool match(const TTableNode* member, const TSource& src, size_t& pos) {
    const TTableNode* n = member->Link;
    switch (n->Kind) {
    case nkLiteral: {
        size_t len = n->Name.size();
        if (len > src.length - pos || std::memcmp(src.bytes + pos, n->Name.data(), len) != 0)
            return false;
        pos += len;
        return true;
    }
    case nkRange:
        if (pos < src.length && src.bytes[pos] >= n->Low && src.bytes[pos] <= n->High) {
            ++pos;
            return true;
        }
        return false;
    case nkChoice:
        for (const TTableNode* c : n->Children) {
            if (match(c, src, pos)) return true;
        }
        return false;
    case nkSequence:
        return matchSequence(n, src, pos);
    case nkReference:
        return n->Link != n && match(n->Link, src, pos);
    }
    return false;
}

} // namespace

std::unique_ptr<TLexList> lexSource(const TTable& lexical, const char* source) {
    auto list = std::make_unique<TLexList>();
    TSource src{reinterpret_cast<const uint8_t*>(source), std::strlen(source)};
    std::vector<const TTableNode*> tokenEntries;
    for (const TTableNode* e : lexical.entries()) {
        if (e->Name == "*Stop") break;
        tokenEntries.push_back(e);
    }
    size_t pos = 0;
    while (pos < src.length) {
        uint8_t b = src.bytes[pos];
        const TTableNode* best = nullptr;
        size_t bestEnd = pos;
        for (const TTableNode* e : tokenEntries) {
            if (!e->First.test(b)) continue;
            size_t end = pos;
            if (match(e, src, end) && end > bestEnd) {
                best = e;
                bestEnd = end;
            }
        }
        if (best) {
            list->add(std::make_unique<TLexElem>(best, int32_t(pos), int32_t(bestEnd), source));
            pos = bestEnd;
        } else {
            ++pos;
        }
    }
    return list;
}

} // namespace ravok
