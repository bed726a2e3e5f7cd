// Calls of a method that only hands constants and its arguments to a
// frameless native (Sprite.drawPattern, setPolygonPoint) run at the call
// site: at every budget the process stands where running the method would
// leave it, the same sprites and polygon points are recorded, and every
// count is as it was.
#include "runtime/function.h"
#include "runtime/interpreter.h"
#include "runtime/native_binding.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/resource.h"
#include "runtime/rtti.h"
#include "runtime/symbols.h"
#include "runtime/tf_object.h"
#include "runtime/wrapper_inlining.h"
#include "screen/screen.h"
#include "screen/sprites.h"

#include "kernel_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace ravok {

bool compileForTest(TRTTI* c, const std::string& source);

namespace {

class ForwardingCallTest : public DrawingFrameTest {
protected:
    void TearDown() override {
        gAppendInPlace = true;
        DrawingFrameTest::TearDown();
    }
};

TRTTI* compiled(const char* name, const std::string& source) {
    auto* c = new TRTTI(name);
    resourceRoot()->lookup("classes.lang")->addChild(std::unique_ptr<TResource>(c));
    return compileForTest(c, source) ? c : nullptr;
}

const TValue& field(uint32_t instance, TRTTI* cls, const char* name) {
    return objectAt(instance)->field(cls->fields.indexOf(intern(name)));
}

// Where a process of `draw` on a fresh, prepared instance stands after
// `budget` instructions, what was recorded, and the count of the string it
// passes around.
std::string cutAfter(TRTTI* cls, int32_t budget, bool inPlace) {
    gAppendInPlace = inPlace;
    screen().Sprites.clear();
    drawingState() = TDrawingState();
    uint32_t instance = allocateInstance(cls);
    ++objectAt(instance)->refcount;
    TProcess* prepare = createProcess(TValue::ofObject(instance), {}, cls->methodByName("prepare"));
    prepare->hostOwned = true;
    run(prepare, kUnlimitedBudget);
    freeProcess(prepare);
    const TValue& text = field(instance, cls, "s");
    int32_t countBefore = text.kind == vtObject ? objectAt(text.u)->refcount : -1;
    uint32_t other = field(instance, cls, "other").u;

    TProcess* p = createProcess(TValue::ofObject(instance), {}, cls->methodByName("draw"));
    p->hostOwned = true;
    int32_t used = run(p, budget);
    std::string where = "used " + std::to_string(used);
    if (p->fp) {
        auto* code =
            dynamic_cast<TNormalFunction*>(functionById(frame::get(p->fp, frame::kMethod)));
        where += " in " + (code ? code->nameText() : std::string("?"));
        if (code) where += " at " + std::to_string(p->ip - code->code.codePtr());
        where += " depth " + std::to_string(p->stackBlock + p->stackSize - p->sp);
    } else {
        where += " finished";
    }
    for (size_t i = 0; i < screen().Sprites.size(); ++i) {
        auto* s = dynamic_cast<TGrpSprite*>(screen().Sprites.at(i));
        if (!s) {
            where += " ?";
            continue;
        }
        std::string owner = s->owner == instance ? "self" : s->owner == other ? "other" : "?";
        where += " [" + owner + " " + std::to_string(s->x) + "," + std::to_string(s->y) + " p" +
                 std::to_string(s->pattern) + (s->flipped ? " f" : "") + " z" +
                 std::to_string(s->zOrder) + "]";
    }
    for (int i = 0; i < 4; ++i)
        where += " (" + std::to_string(drawingState().PolygonPoints[size_t(i)].x) + "," +
                 std::to_string(drawingState().PolygonPoints[size_t(i)].y) + ")";
    freeProcess(p);
    if (text.kind == vtObject)
        where += " count " + std::to_string(objectAt(text.u)->refcount - countBefore);
    --objectAt(instance)->refcount;
    return where;
}

// Drawn through its own methods (SCall) and another sprite's (DCall), with
// arguments left out, a float, a string and a constant the wrapper adds;
// `notForwarding` hands its argument on but returns something else, so it
// is entered.
const char* kDrawing = "extends Sprite;\n"
                       "function prepare() { other = new Sprite(); s = \"表\\\\\" + 1; }\n"
                       "function notForwarding(a) { native_set(0, a, a, 9); return 5; }\n"
                       "function draw() {\n"
                       "    var i;\n"
                       "    for (i = 0; i < 4; i++) {\n"
                       "        drawPattern(i, i * 2, 3);\n"
                       "        other.drawPattern(i + 0.75, -i, s, 1, i);\n"
                       "        drawPattern();\n"
                       "        setPolygonPoint(i, i, 0 - i);\n"
                       "        notForwarding(i);\n"
                       "    }\n"
                       "}\n";

TEST_F(ForwardingCallTest, SlicesOfAnyBudgetEndWhereTheWrapperWouldEndThem) {
    TRTTI* c = compiled("ForwardingDrawer", kDrawing);
    ASSERT_TRUE(c);
    // A first run warms the call sites' cache words.
    std::string plain = cutAfter(c, 100000, false);
    uint64_t before = gInPlaceRuns;
    std::string whole = cutAfter(c, 100000, true);
    EXPECT_EQ(gInPlaceRuns - before, 16u) << "calls that ran in place";
    EXPECT_EQ(whole, plain);
    EXPECT_NE(whole.find("finished [self 0,0 p3 z0] [other 0,0 p1 f z0] [self 0,0 p0 z0] "
                         "[self 0,0 p9 z0] [self 1,2 p3 z0] [other 1,-1 p1 f z1]"),
              std::string::npos)
        << whole;
    EXPECT_NE(whole.find("(0,0) (1,-1) (2,-2) (3,-3) count 0"), std::string::npos) << whole;
    int32_t used = std::stoi(whole.substr(5));
    for (int32_t budget = 1; budget <= used + 1; ++budget)
        ASSERT_EQ(cutAfter(c, budget, true), cutAfter(c, budget, false)) << "budget " << budget;
}

TEST_F(ForwardingCallTest, ANativeBoundWithoutTheFlagIsCalledThroughTheWrapper) {
    TRTTI* c = compiled("ForwardingRebound", kDrawing);
    ASSERT_TRUE(c);
    auto* sprite = dynamic_cast<TRTTI*>(resourceRoot()->lookup("classes.scr.Sprite"));
    ASSERT_TRUE(sprite);
    auto* native = dynamic_cast<TNativeFunction*>(sprite->methodByName("native_set"));
    ASSERT_TRUE(native && native->frameless);
    TNativeRoutine routine = native->routine;
    ASSERT_TRUE(bindNative(sprite, "native_set", routine));
    std::string plain = cutAfter(c, 100000, false);
    uint64_t before = gInPlaceRuns;
    std::string whole = cutAfter(c, 100000, true);
    // Only setPolygonPoint's native is still frameless.
    EXPECT_EQ(gInPlaceRuns - before, 4u);
    EXPECT_EQ(whole, plain);
    ASSERT_TRUE(bindNative(sprite, "native_set", routine, true));
    before = gInPlaceRuns;
    cutAfter(c, 100000, true);
    EXPECT_EQ(gInPlaceRuns - before, 16u);
}

} // namespace
} // namespace ravok
