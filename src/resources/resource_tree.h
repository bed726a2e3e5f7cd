// Paths and editing on the resource tree, starting at the root.
#pragma once

#include "runtime/resource.h"

#include <memory>
#include <string>
#include <string_view>

namespace ravok {

class TResourceList;

// The resource at a dotted path from the root ("usr.global"), or nullptr.
TResource* treeAt(std::string_view path);
// The list usrglobal of the root (where automatic globals go), or nullptr.
TResource* usrglobalList();

std::string lastPart(std::string_view path);
std::string parentPath(std::string_view path);

// Links FILE (created as an empty list first when missing) under path.
TResource* createLinked(std::string_view file, std::string_view path);
// An empty list named lastPart(path) added at parentPath(path).
TResource* createList(std::string_view path);
// Renames the resource and adds it at parentPath(path).
TResource* attach(std::string_view path, std::unique_ptr<TResource> resource);
// Removes (and destroys) the resource at path.
void remove(std::string_view path);
// Writes the resource at path to its source file; without one, the message
// path + " Cannot be saved.".
bool saveToFile(std::string_view path);
// Adds a clone of every child of source whose name target lacks.
bool mergeInto(TResource* target, TResource* source);
// name, or name_N with N one more than any such suffix in the list.
std::string uniqueName(TResource* list, std::string_view name);

} // namespace ravok
