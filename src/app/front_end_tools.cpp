#include "app/front_end_tools.h"

#include "compiler/source_position.h"
#include "compiler/tree_dump.h"
#include "compiler/yup.h"

#include "resources/host_files.h"
#include "resources/source_files.h"

#include "base/encoding.h"
#include "base/regular_file.h"

#include <cstdio>

namespace ravok {

namespace {

// A source as the compiler would take it: a regular file within the limit
// of a class source.
bool readSource(const std::string& path, std::string& text) {
    std::string bytes;
    TRegularRead read = readRegularFile(path, bytes, kMaxSourceBytes);
    if (read == TRegularRead::Ok) {
        TSourceText source = decodeSourceText(bytes);
        if (source.unmapped) {
            TSourcePosition p = sourcePosition(source.text, int32_t(source.unmappedOffset));
            std::fprintf(stderr, "%s:%d:%d: %s\n", path.c_str(), p.line, p.column,
                         cp932ToTerminal(unmappedCharacterMessage(source.unmapped)).c_str());
            return false;
        }
        text = std::move(source.text);
        return true;
    }
    std::fprintf(stderr, "ravok: %s: %s\n", path.c_str(),
                 read == TRegularRead::TooLarge     ? "is too large to be a source"
                 : read == TRegularRead::NotRegular ? "is not a regular file"
                                                    : "cannot be read");
    return false;
}

} // namespace

int printTokens(const std::string& path) {
    std::string source;
    if (!readSource(path, source)) return 1;
    auto tokens = TYup::instance().Lex(source.c_str());
    std::fputs(cp932ToTerminal(dumpTokens(*tokens, source)).c_str(), stdout);
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
    std::fputs(cp932ToTerminal(dumpTree(*outcome.root)).c_str(), stdout);
    return 0;
}

} // namespace ravok
