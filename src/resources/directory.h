// TDirectory: the files matching a search mask (a folder and a name with * and
// ? wildcards, matched without regard to case) and the sub-folders of the
// mask's folder, both read at creation.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ravok {

class TDirectory {
public:
    explicit TDirectory(std::string_view mask);
    std::string mask;
    std::vector<std::string> files;
    std::vector<std::string> folders;
};

// Wildcard match of a name against a pattern with * and ?, ignoring case.
bool wildcardMatch(std::string_view pattern, std::string_view name);

} // namespace ravok
