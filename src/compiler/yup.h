// TYup: the front end's one component. It holds the lexical table (LexNode)
// and the grammar table (GramNode) as text lines, builds both into node trees
// on the first request to lex anything, and lexes and parses with them.
#pragma once

#include "compiler/lexer.h"
#include "compiler/parser.h"
#include "compiler/table_reader.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ravok {

class TYup {
public:
    // The component with the tables the program carries.
    static TYup& instance();

    TYup(std::vector<std::string> lexNode, std::vector<std::string> gramNode);

    std::vector<std::string> LexNode;
    std::vector<std::string> GramNode;
    // Gives the node class of each grammar node by name while the tables are
    // built; without it the build stops with "No onCreateList Assigned".
    std::function<const TNodeClass*(const std::string&)> OnCreateList;
    // Shows the table warnings and errors; the player's message box by default.
    TTableMessage OnTableMessage;

    std::unique_ptr<TLexList> Lex(const char* source);
    TParseOutcome Parse(TLexList& tokens);

    const TTable& lexical();
    const TTable& grammar();

private:
    void build();
    std::unique_ptr<TTable> lexical_;
    std::unique_ptr<TTable> grammar_;
};

} // namespace ravok
