// The kernel boots from one image of its classes' cache records, written by
// the boot that compiled them or found the image out of date.
#include "compiler/class_image.h"
#include "runtime/rtti.h"

#include "kernel_fixture.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

class KernelImageTest : public KernelTest {};

TEST_F(KernelImageTest, TheBootLeavesAnImageHoldingTheKernelClasses) {
    TClassImage image;
    image.read(kernelImagePath());
    ASSERT_FALSE(image.empty());
    for (const char* path : {"classes.lang.Object", "classes.lang.Array", "classes.scr.Sprite",
                             "classes.customres.Page"}) {
        auto* cls = dynamic_cast<TRTTI*>(kernelRoot()->lookup(path));
        ASSERT_TRUE(cls) << path;
        EXPECT_TRUE(cls->compiled) << path;
        EXPECT_FALSE(image.recordFor(cls->sourceFile).empty()) << path;
    }
}

} // namespace
} // namespace ravok
