// `ravok --tokens FILE` and `ravok --parse FILE`: the token list and the parse
// tree of a class source, for people who write games and for us.
#pragma once

#include <string>

namespace ravok {

int printTokens(const std::string& path);
int printParseTree(const std::string& path);

} // namespace ravok
