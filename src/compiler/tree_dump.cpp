#include "compiler/tree_dump.h"

#include "compiler/source_position.h"

namespace ravok {

std::string dumpTokens(const TLexList& tokens, std::string_view source) {
    std::string out;
    TSourcePositionWalker positions(source);
    for (int32_t i = 0; i < tokens.count(); ++i) {
        const TLexElem* t = tokens.at(i);
        TSourcePosition p = positions.at(t->Start);
        out += std::to_string(p.line) + ":" + std::to_string(p.column) + "\t" + t->kindName() +
               "\t" + t->text() + "\n";
    }
    return out;
}

static void dumpNode(const TResultList& node, int depth, std::string& out) {
    out.append(size_t(2 * depth), ' ');
    out += node.className();
    out += "\n";
    for (int32_t i = 0; i < node.count(); ++i) {
        if (node.isToken(i)) {
            out.append(size_t(2 * (depth + 1)), ' ');
            out += node.token(i)->kindName() + " " + node.token(i)->text() + "\n";
        } else {
            dumpNode(*node.node(i), depth + 1, out);
        }
    }
}

std::string dumpTree(const TResultList& root) {
    std::string out;
    dumpNode(root, 0, out);
    return out;
}

} // namespace ravok
