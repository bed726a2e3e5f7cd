// The scripts' file sandbox: every name a script gives lands in the folder
// `files` beside the current page. The mapping is textual (separators, drive
// colons and ".." are removed); on top of it the final path, with links
// resolved, must stay inside the sandbox folder, because on this host a link
// inside `files` may point anywhere.
#pragma once

#include <string>
#include <string_view>

namespace ravok {

// PAGEDIR\files\... for a script's name.
std::string sandboxPath(std::string_view name);
// resolve("files", base directory).
std::string sandboxFolder();
// The path lies in the sandbox folder, textually and after resolving links.
bool insideSandbox(std::string_view path);

} // namespace ravok
