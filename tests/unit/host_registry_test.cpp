// Host-object handles: forged and stale ids are refused, never dereferenced.
#include "runtime/errors.h"
#include "runtime/host_registry.h"
#include "runtime/tf_string.h"
#include "runtime/value_list.h"

#include <gtest/gtest.h>

namespace ravok {
namespace {

TEST(HostRegistryTest, LiveObjectsAreFoundByIdAndKind) {
    TfString s("abc");
    THostRegistry& reg = THostRegistry::instance();
    EXPECT_EQ(reg.find(s.hostId()), &s);
    EXPECT_EQ(reg.find(s.hostId(), THostKind::String), &s);
    EXPECT_EQ(reg.find(s.hostId(), THostKind::List), nullptr);
    EXPECT_EQ(hostObjectAs<TfString>(s.hostId(), "string"), &s);
}

TEST(HostRegistryTest, ForgedNumbersAreRejected) {
    THostRegistry& reg = THostRegistry::instance();
    EXPECT_EQ(reg.find(0), nullptr);
    EXPECT_EQ(reg.find(12345), nullptr);
    EXPECT_EQ(reg.find(0xFFFFFFFFu), nullptr);
    try {
        hostObjectAs<TfString>(12345, "string");
        FAIL() << "forged id accepted";
    } catch (const ERunError& e) {
        EXPECT_STREQ(e.what(), "12345 is not a valid string handle.");
    }
}

TEST(HostRegistryTest, StaleIdsAreRejectedAfterTheSlotIsReused) {
    auto* first = new TfString("one");
    uint32_t stale = first->hostId();
    delete first;
    EXPECT_EQ(THostRegistry::instance().find(stale), nullptr);
    // Allocate enough objects to reuse the freed slot: the old id stays dead.
    std::vector<std::unique_ptr<TfString>> many;
    for (int i = 0; i < 64; ++i)
        many.push_back(std::make_unique<TfString>("x"));
    EXPECT_EQ(THostRegistry::instance().find(stale), nullptr);
    for (auto& s : many)
        EXPECT_NE(s->hostId(), stale);
}

TEST(HostRegistryTest, WrongTypeIsAClearError) {
    TValueList list;
    EXPECT_THROW(hostObjectAs<TfString>(list.hostId(), "string"), ERunError);
    EXPECT_EQ(hostObjectAs<TValueList>(list.hostId(), "list"), &list);
}

} // namespace
} // namespace ravok
