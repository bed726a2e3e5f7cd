// Attribute escaping of the markup format: the four characters that would end
// or break a quoted attribute become %xx sequences.
#pragma once

#include <string>
#include <string_view>

namespace ravok {

// % -> %25, " -> %22, < -> %3c, > -> %3e, in that order.
std::string escapeMarkup(std::string_view text);
// %3c -> <, %3e -> >, %22 -> ", %25 -> %, in that order; only these four
// lower-case sequences are recognised.
std::string unescapeMarkup(std::string_view text);

} // namespace ravok
