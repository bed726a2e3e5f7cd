// What `ravok PATH` plays. A page plays as it is; a project file plays its
// start page; a folder plays its project, or its only page. What cannot be
// played is said before any window opens, naming what is missing.
#pragma once

#include <string>

namespace ravok {

struct TGameOpening {
    std::string start; // host path of the page or project file to boot with
    std::string error; // the whole message, without "ravok: "
};

TGameOpening gameOpeningFor(const std::string& hostPath);

} // namespace ravok
