// `--check`'s warnings about beginners' traps, for every class the check
// compiled outside the kernel bundle, as FILE:LINE:COL: warning: TEXT [NAME].
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace ravok {

// Names given to `--no-warn`; a name that is not a warning is refused.
bool isTrapName(const std::string& name);

// pageFiles: the pages checked, whose generators assign fields and name
// globals. shownNames: program path -> the name the user gave. Returns the
// number of warnings printed.
int reportTraps(const std::set<std::string>& silenced, const std::vector<std::string>& pageFiles,
                const std::map<std::string, std::string>& shownNames);

} // namespace ravok
