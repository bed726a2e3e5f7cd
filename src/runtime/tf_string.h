// TfString: the host object behind a string's _body field, holding its bytes.
// A body's text never changes after creation.
//
// Bodies made by joining may share one growing buffer: each body sees its own
// length of it, and only the body that ends where the buffer ends may add to
// it. So `s = s + "ab"` in a loop appends in place with amortised growth
// instead of copying the whole text every time, and no body, whatever else
// holds its handle, ever sees its text change.
#pragma once

#include "runtime/host_registry.h"

#include <string>
#include <string_view>

namespace ravok {

struct TValue;

class TfString : public THostObject {
public:
    static constexpr THostKind kHostKind = THostKind::String;
    explicit TfString(std::string_view text);
    ~TfString() override;
    const char* hostClassName() const override { return "TfString"; }

    // Bodies come from a block pool: games make strings every frame.
    static void* operator new(size_t size);
    static void operator delete(void* block, size_t size);

    std::string_view text() const {
        if (shared_) return {shared_->bytes.data(), length_};
        return length_ <= kInline ? std::string_view(inline_, length_) : std::string_view(long_);
    }
    // A new body holding this text followed by more.
    TfString* joined(std::string_view more);
    // This body's text followed by more, under a new handle, for the only
    // holder of the body: a copy of the old handle is refused from now on, as
    // if the body were gone, so no handle ever sees its text change.
    void extendInPlace(std::string_view more);

private:
    struct TSharedBuffer {
        std::string bytes;
        uint32_t users = 1;
    };
    TfString(TSharedBuffer* shared, size_t length);
    bool viewsOwnBytes(std::string_view more) const;
    void moveIntoBuffer();

    // Until the body is first joined its text is its own: in the body itself
    // when short (most texts games show are), else on the heap.
    static constexpr size_t kInline = 40;
    TSharedBuffer* shared_ = nullptr;
    size_t length_ = 0;
    std::string long_;
    char inline_[kInline];
};

// A new classes.lang.String instance holding text, with refcount 0 (the caller's
// setObject counts it). Returns its arena offset.
uint32_t makeString(std::string_view text);
// The same for a body already made; the instance owns it from now on.
uint32_t makeStringWithBody(TfString* body);

// Scripts measure strings in 32-bit integers: no string may be longer.
constexpr size_t kMaxStringBytes = 2147483647;
// The length of two texts joined; a run-time error when it would pass the
// limit, raised before anything is allocated.
size_t joinedLength(size_t a, size_t b);

// The instance is exactly classes.lang.String.
bool isStringValue(const TValue& v);

// The body of a String instance, or nullptr when its _body holds no TfString.
TfString* stringBody(uint32_t instance);

// The text of a String instance; empty when its _body holds no TfString. The
// view lasts while the instance lives.
std::string_view stringText(uint32_t instance);

} // namespace ravok
