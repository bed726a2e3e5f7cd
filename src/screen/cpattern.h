// TCPat: an image file registered as patterns (the tag cpattern, in the lists
// "patterns" of the kernel and "usr.patterns" of a page). Building it sets the
// global named by the resource to the number of the image's first cell and
// adds the image's cells to the global numbering.
#pragma once

#include "runtime/resource.h"

#include <string>

namespace ravok {

class TCPat : public TResource {
public:
    const char* hostClassName() const override { return "TCPat"; }
    void initStep(TInitContext& context) override;
    void save(TLines& lines, const std::string& indent) override;
};

void registerPatternKind();

// Builds the kernel's patterns (at boot) and remembers how many cells they have.
void buildKernelPatterns();
int kernelPatternCount();
// A page load: the page's patterns after the kernel's, built twice so that
// kernel cells keep their numbers; returns the result of the page's list.
int buildPagePatterns(TResource* pagePatterns);

// Checks a global name proposed for a pattern: the message box name +
// ": Invalid name." or name + " already exists." and false when refused.
bool acceptPatternName(const std::string& name);

} // namespace ravok
