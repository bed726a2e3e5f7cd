// Reloading the running page after its author saved a change (--watch): the
// changed class sources are compiled on trial first, so that a mistake is
// reported while the old page keeps running; then the page is loaded again
// as the player loads any page, with the same window and sound, and the
// globals that hold numbers, texts or null keep their values. A global the
// page declares takes its new declared value when the declaration changed.
// Objects are not kept: they are made from the page's classes, which are
// new, and the page makes its own again.
#pragma once

#include <string>
#include <vector>

namespace ravok {

// The files a change to which reloads the page: the page file and the
// source files of the project's classes outside the kernel (program paths).
std::vector<std::string> pageSourceFiles();

// Compiles each class source on trial, reporting every error as a compile
// error is reported; true when all compiled. Nothing of the running page
// changes.
bool classSourcesCompile(const std::vector<std::string>& files);

// Loads the running page again and starts it, keeping the globals as above;
// the objects it places are made from the page file as it is now when it
// changed.
void reloadPageKeepingGlobals(bool pageFileChanged);
// The globals a reload keeps, given back once the new page's objects are
// made (the page's reconstruction calls it); nothing without a reload.
void restoreKeptGlobals();

} // namespace ravok
