// Host-object handles: forged and stale ids are refused, never dereferenced.
#include "runtime/errors.h"
#include "runtime/host_registry.h"
#include "runtime/tf_string.h"
#include "runtime/value_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace ravok {
namespace {

TEST(HostRegistryTest, LiveObjectsAreFoundByHandleAndKind) {
    TfString s("abc");
    THostRegistry& reg = THostRegistry::instance();
    EXPECT_EQ(reg.find(s.handle()), &s);
    EXPECT_EQ(reg.find(s.handle(), THostKind::String), &s);
    EXPECT_EQ(reg.find(s.handle(), THostKind::List), nullptr);
    EXPECT_EQ(hostObjectAs<TfString>(s.handle(), "string"), &s);
    EXPECT_FALSE(reg.isStale(s.handle()));
}

TEST(HostRegistryTest, ForgedNumbersAreRejected) {
    THostRegistry& reg = THostRegistry::instance();
    EXPECT_EQ(reg.find(TValue::ofNative(0)), nullptr);
    EXPECT_EQ(reg.find(TValue::ofNative(12345)), nullptr);
    EXPECT_EQ(reg.find(TValue::ofNative(0xFFFFFFFFu)), nullptr);
    try {
        hostObjectAs<TfString>(TValue::ofNative(12345), "string");
        FAIL() << "forged id accepted";
    } catch (const ERunError& e) {
        EXPECT_STREQ(e.what(), "12345 is not a valid string handle.");
    }
}

TEST(HostRegistryTest, TheExactNumberOfALiveObjectIsStillNoHandle) {
    // What TObject(n) makes: even the right number reaches nothing, so no
    // number of tries guesses a handle.
    std::vector<std::unique_ptr<TValueList>> lists;
    for (int i = 0; i < 1000; ++i)
        lists.push_back(std::make_unique<TValueList>());
    THostRegistry& reg = THostRegistry::instance();
    for (auto& l : lists) {
        EXPECT_EQ(reg.find(TValue::ofNative(l->hostId())), nullptr);
        EXPECT_FALSE(reg.isStale(TValue::ofNative(l->hostId())));
    }
}

TEST(HostRegistryTest, StaleHandlesStayDeadThroughManyReusesOfTheSlot) {
    auto* first = new TfString("one");
    TValue stale = first->handle();
    delete first;
    THostRegistry& reg = THostRegistry::instance();
    EXPECT_EQ(reg.find(stale), nullptr);
    EXPECT_TRUE(reg.isStale(stale));
    // Far more than the id's own eight generation bits: the slot comes back
    // many times with ids whose low bits repeat the stale one.
    // Every other slot a string takes is held, so the stale slot is the
    // only free one once the free list left by earlier tests is used up:
    // it then comes back at each turn, however long that list was.
    const uint32_t staleSlot = stale.u & 0xFFFFFF;
    std::vector<std::unique_ptr<TfString>> held;
    int sameId = 0;
    for (int i = 0; i < 4000000 && sameId < 3; ++i) {
        auto s = std::make_unique<TfString>("x");
        if ((s->hostId() & 0xFFFFFF) != staleSlot) {
            held.push_back(std::move(s));
            continue;
        }
        if (s->hostId() != stale.u) continue;
        ++sameId;
        EXPECT_EQ(reg.find(stale), nullptr);
        EXPECT_EQ(reg.find(s->handle()), s.get());
    }
    EXPECT_EQ(sameId, 3);
}

TEST(HostRegistryTest, AWithdrawnHandleIsRefusedWhileTheObjectLives) {
    TValueList list;
    TValue h = list.handle();
    list.withdrawHandle();
    EXPECT_EQ(THostRegistry::instance().find(h), nullptr);
    EXPECT_TRUE(THostRegistry::instance().isStale(h));
}

TEST(HostRegistryTest, WrongTypeIsAClearError) {
    TValueList list;
    EXPECT_THROW(hostObjectAs<TfString>(list.handle(), "string"), ERunError);
    EXPECT_EQ(hostObjectAs<TValueList>(list.handle(), "list"), &list);
}

} // namespace
} // namespace ravok
