// The page hash code: a checksum of a page file drawn through the program's
// random generator, which tells the reconstruction script whether its cache
// file is older than the page. Computing it moves the scripts' random sequence,
// as it always has.
#pragma once

#include <cstdint>
#include <string_view>

namespace ravok {

// 0 when the file does not exist or its extension is exactly .dll or .mid.
int32_t pageHashCode(std::string_view path);
// The same over bytes already read.
int32_t hashBytes(std::string_view bytes);

class TResource;
// The sum of the page hash codes of the source files of every resource in
// the subtree, each file once: the project hash and the tree hash.
int32_t fileHashSum(TResource* subtree);

} // namespace ravok
