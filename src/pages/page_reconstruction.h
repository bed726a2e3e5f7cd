// Page reconstruction: every generator of the page turned into script
// statements, kept in a cache file (Temp\i127_...), compiled as one throw-away
// class and run once. The first statement compares the page's hash code with
// the one the cache was written for, so scripts can tell a stale cache.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ravok {

// Temp\i127_ + the page's path relative to the program directory, cleaned.
std::string reconstructionCacheFile(std::string_view pageFile);

// The statement list for the page now in the tree (without writing it).
std::vector<std::string> reconstructionScript(std::string_view pageFile);
// The first line of a page's cache: the page's path and the hash of its bytes.
std::string reconstructionCacheProof(std::string_view pageFile);

// Writes the cache file when missing, then compiles and runs it. Returns
// false when it did not compile.
bool generatePage();

} // namespace ravok
