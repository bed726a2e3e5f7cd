#include "app/front_end_tools.h"

#include "compiler/source_position.h"
#include "compiler/tree_dump.h"
#include "compiler/yup.h"

#include "base/encoding.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace ravok {

namespace {

bool readSource(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "ravok: %s: cannot be read\n", path.c_str());
        return false;
    }
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

} // namespace

int printTokens(const std::string& path) {
    std::string source;
    if (!readSource(path, source)) return 1;
    auto tokens = TYup::instance().Lex(source.c_str());
    std::fputs(cp932ToUtf8(dumpTokens(*tokens, source)).c_str(), stdout);
    return 0;
}

int printParseTree(const std::string& path) {
    std::string source;
    if (!readSource(path, source)) return 1;
    auto tokens = TYup::instance().Lex(source.c_str());
    tokens->filter([](const TLexElem& t) { return t.kindName() != "COMM"; });
    TParseOutcome outcome = TYup::instance().Parse(*tokens);
    if (!outcome.root) {
        TSourcePosition p = sourcePosition(source, tokens->errorStart());
        std::fprintf(stderr, "%s:%d:%d: %s\n", path.c_str(), p.line, p.column,
                     outcome.tooDeep ? "Syntax Error (nested too deeply)" : "Syntax Error");
        return 1;
    }
    std::fputs(cp932ToUtf8(dumpTree(*outcome.root)).c_str(), stdout);
    return 0;
}

} // namespace ravok
