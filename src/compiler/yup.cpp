#include "compiler/yup.h"

#include "compiler/embedded_tables.h"

#include "base/reporter.h"

namespace ravok {

TYup& TYup::instance() {
    static TYup yup(splitTableLines(lexicalTableText()), splitTableLines(grammarTableText()));
    return yup;
}

TYup::TYup(std::vector<std::string> lexNode, std::vector<std::string> gramNode)
    : LexNode(std::move(lexNode)), GramNode(std::move(gramNode)), OnCreateList(nodeClassForRule),
      OnTableMessage([](const std::string& text) { ReportError(text); }) {}

void TYup::build() {
    if (grammar_) return;
    lexical_ = std::make_unique<TTable>(LexNode, TTable::Flavour::Lexical, OnTableMessage);
    grammar_ = std::make_unique<TTable>(GramNode, TTable::Flavour::Grammar, OnTableMessage,
                                        OnCreateList, lexical_.get());
}

const TTable& TYup::lexical() {
    build();
    return *lexical_;
}

const TTable& TYup::grammar() {
    build();
    return *grammar_;
}

std::unique_ptr<TLexList> TYup::Lex(const char* source) { return lexSource(lexical(), source); }

TParseOutcome TYup::Parse(TLexList& tokens) { return parseTokens(grammar(), tokens); }

} // namespace ravok
