// Reading resources from markup: each element becomes one resource by its tag
// (resourcelist/classlist, class, globalvalue, link, param, generator,
// cpattern, module, or a custom-resource tag with a class under
// classes.customres.), relative src paths resolved against the base directory.
#pragma once

#include "runtime/native_api.h"
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
std::unique_ptr<TResource> readResourceText(std::string_view text, std::string_view baseDir = {},
                                            bool* truncated = nullptr);
// Reads the file (resolved against the base directory) with its own folder as
// base; a missing file shows path + " is not found." and raises EFileError.
std::unique_ptr<TResource> readResourceFile(std::string_view path);

// One resource from one element.
std::unique_ptr<TResource> buildResource(const TSGML& element, const std::string& baseDir);

// Kinds of other subsystems (generator, cpattern) register their builders.
using TResourceBuilder =
    std::function<std::unique_ptr<TResource>(const TSGML&, const std::string& baseDir)>;
void registerResourceKind(const std::string& tag, TResourceBuilder builder);

// What the resource base needs from the tree: reading back and globals made
// on first use. The compiler adds compiling a class; the players install
// that (setResourceServices).
class TTreeResourceServices : public TResourceServices {
public:
    std::unique_ptr<TResource> readText(std::string_view text) override;
    TResource* globalsList() override;
    std::unique_ptr<TResource> newGlobal(std::string_view globalName) override;
};

// $ globals found in the tree once it stands; the players install it
// (native::setGlobalScope).
native::TGlobalScope& treeGlobalScope();

} // namespace ravok
