#include "compiler/embedded_tables.h"

namespace ravok {

extern const char kLexicalTable[];
extern const unsigned long kLexicalTable_size;
extern const char kGrammarTable[];
extern const unsigned long kGrammarTable_size;

std::string_view lexicalTableText() { return {kLexicalTable, kLexicalTable_size}; }
std::string_view grammarTableText() { return {kGrammarTable, kGrammarTable_size}; }

} // namespace ravok
