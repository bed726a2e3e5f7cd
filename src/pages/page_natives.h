// The natives of projects, pages and generators: ProjectManager's parameters
// and current page, Page's switch, the generators' attribute natives, the
// page hash code and Boot's page reconstruction.
#pragma once

#include "runtime/native_binding.h"

#include <vector>

namespace ravok {

const std::vector<TNativeBinding>& pageNatives();            // Char, Page, ProjectManager
const std::vector<TNativeBinding>& objectGeneratorNatives(); // _n_setGenAttr, getPageHashCode
const std::vector<TNativeBinding>& projectParamNatives();    // ProjectManager _n_onSet, _n_onGet
const std::vector<TNativeBinding>& bootNatives();            // classes.lang.Boot generate

} // namespace ravok
