// The host list behind arrays: its cells through growth, insertion and
// removal, against a plain model, and the counts of the objects it holds.
#include "test_support.h"

#include "runtime/value_list.h"

#include <vector>

namespace ravok::test {
namespace {

using ValueListTest = RuntimeTest;

std::vector<int32_t> contents(const TValueList& list) {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < list.count(); ++i)
        out.push_back(list.cell(i)->i);
    return out;
}

TEST_F(ValueListTest, InsertsAndRemovalsAnywhereKeepTheOrderThroughGrowth) {
    TValueList list;
    std::vector<int32_t> model;
    // Positions at the front, the back and between, with the list passing
    // several doublings of its room on the way up and shrinking after.
    uint32_t seed = 7;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int32_t n = 0; n < 3000; ++n) {
        int32_t at = int32_t(next() % uint32_t(model.size() + 1));
        if (n % 5 == 0) at = 0;
        if (n % 5 == 1) at = int32_t(model.size());
        list.insert(at, TValue::ofInt(n));
        model.insert(model.begin() + at, n);
        if (n % 3 == 2) {
            int32_t gone = int32_t(next() % uint32_t(model.size()));
            EXPECT_EQ(list.take(gone).i, model[size_t(gone)]);
            model.erase(model.begin() + gone);
        }
    }
    EXPECT_EQ(contents(list), model);
    while (!model.empty()) {
        EXPECT_EQ(list.take(0).i, model.front());
        model.erase(model.begin());
        if (!model.empty()) {
            EXPECT_EQ(list.take(list.count() - 1).i, model.back());
            model.pop_back();
        }
    }
    EXPECT_EQ(list.count(), 0);
    EXPECT_THROW(list.take(0), ERunError);
    EXPECT_THROW(list.insert(1, TValue::ofInt(1)), ERunError);
}

TEST_F(ValueListTest, ACellOfTheListItselfIsHeldWhenTheListGrowsUnderIt) {
    // Adding or inserting one of the list's own cells while the list has no
    // room left moves every cell; the value must be taken before that.
    TRTTI* cls = newClass();
    uint32_t object = allocateInstance(cls);
    objectAt(object)->refcount = 1;
    TValueList list;
    list.add(TValue::ofObject(object));
    for (int32_t n = 1; n < 600; ++n) {
        if (n % 2)
            list.add(*list.cell(0));
        else
            list.insert(n / 2, *list.cell(list.count() - 1));
    }
    ASSERT_EQ(list.count(), 600);
    for (int32_t i = 0; i < list.count(); ++i) {
        ASSERT_EQ(list.cell(i)->kind, vtObject);
        ASSERT_EQ(list.cell(i)->u, object);
    }
    EXPECT_EQ(objectAt(object)->refcount, 601);
    list.clear();
    EXPECT_EQ(objectAt(object)->refcount, 1);
    EXPECT_EQ(list.count(), 0);
    list.add(TValue::ofInt(5)); // an emptied list grows again
    EXPECT_EQ(contents(list), std::vector<int32_t>{5});
}

} // namespace
} // namespace ravok::test
