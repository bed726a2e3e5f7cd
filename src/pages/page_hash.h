// The page hash code: a checksum of a page file drawn through the program's
// random generator, which tells the reconstruction script whether its cache
// file is older than the page. Computing it moves the scripts' random sequence,
// as it always has.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

// 0 when the file does not exist or its extension is exactly .dll or .mid.
int32_t pageHashCode(std::string_view path);
// The same over bytes already read.
int32_t hashBytes(std::string_view bytes);

class TResource;
// The source files of every resource in the subtree, each once.
std::vector<std::string> sourceFiles(TResource* subtree);
// The sum of their page hash codes: the project hash and the tree hash.
int32_t fileHashSum(const std::vector<std::string>& files);
int32_t fileHashSum(TResource* subtree);

} // namespace ravok
