// Reading resources from markup: each element becomes one resource by its tag
// (resourcelist/classlist, class, globalvalue, link, param, generator,
// cpattern, module, or a custom-resource tag with a class under
// classes.customres.), relative src paths resolved against the base directory.
#pragma once

#include "runtime/resource.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace ravok {

class TSGML;

// The first element of the text as a resource; nullptr when it has none or
// its tag is not valid (the message is shown). baseDir empty: the current
// base directory.
std::unique_ptr<TResource> readResourceText(std::string_view text, std::string_view baseDir = {});
// Reads the file (resolved against the base directory) with its own folder as
// base; a missing file shows path + " is not found." and raises EFileError.
std::unique_ptr<TResource> readResourceFile(std::string_view path);

// One resource from one element.
std::unique_ptr<TResource> buildResource(const TSGML& element, const std::string& baseDir);

// Kinds of other subsystems (generator, cpattern) register their builders.
using TResourceBuilder =
    std::function<std::unique_ptr<TResource>(const TSGML&, const std::string& baseDir)>;
void registerResourceKind(const std::string& tag, TResourceBuilder builder);

// Installs what the resource base behaviours need from this subsystem
// (relative paths, escaping, reading back, $ globals); done by every reader.
void installResourceHooks();

} // namespace ravok
