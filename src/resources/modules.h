// Native modules: discovery of module bundles under kernel\modules and the
// binding step that hands every loaded module library the call table.
#pragma once

#include "resources/module_api.h"

namespace ravok {

class TResource;

// Links kernel\modules\M\M.ravokres as modules.M for every folder M that has
// one, then initialises the modules list.
void discoverModules();
// Calls initModule of every module library under the subtree (the modules
// list by default); libraries without it are loaded and not called.
void bindModules(TResource* subtree = nullptr);

const ::TModuleCallTable& moduleCallTable();

} // namespace ravok
