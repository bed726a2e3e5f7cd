// `ravok --run FILE.ravok [CLASS.ravok ...]`: boot the kernel, compile the
// further files as classes named by their base names, compile FILE as one
// class and run its top-level code to the end.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace ravok {

// 0 ran to the end, 1 did not compile, 2 a fatal run-time error.
int runScript(const std::string& file, const std::vector<std::string>& classFiles);
// --check of script files, taken as --run takes them (files[0] the main one):
// compile errors, then the traps of each file unless silenced.
int checkScripts(const std::vector<std::string>& files, const std::set<std::string>& silenced);

} // namespace ravok
