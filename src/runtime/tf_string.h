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

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace ravok {

struct TValue;

// Scripts measure strings in 32-bit integers: no string may be longer.
constexpr size_t kMaxStringBytes = 2147483647;

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
        if (shared_) return {shared_->data, length_};
        return length_ <= kInline ? std::string_view(inline_, length_) : std::string_view(long_);
    }
    // A new body holding this text followed by more.
    TfString* joined(std::string_view more);
    // A script has seen who this string is: its instance's number
    // (_n_objhandle) or its body's handle (_body read from outside). Every
    // string operation makes a new instance, and such a script could tell
    // an instance grown in place from a new one; this string never is.
    void markIdentitySeen() { identitySeen_ = true; }
    bool identitySeen() const { return identitySeen_; }
    // This body's text followed by more, under a new handle, for the only
    // holder of the body: a copy of the old handle is refused from now on, as
    // if the body were gone, so no handle ever sees its text change.
    void extendInPlace(std::string_view more);
    // extendInPlace's common step, inline and without the new handle (which
    // the caller takes): true when this body ends where its buffer ends and
    // the buffer has room for more. False changes nothing.
    bool extendWithinCapacity(std::string_view more) {
        if (!shared_ || length_ != shared_->size || more.size() > shared_->capacity - length_ ||
            identitySeen_)
            return false;
        // Room within the capacity means more cannot view bytes it is copied
        // over: only this body's text lies below where it goes.
        copyBytes(shared_->data + length_, more.data(), more.size());
        length_ += more.size();
        shared_->size = length_;
        return true;
    }

private:
    // Bytes that joined bodies share. Grown through realloc, which moves a
    // large block's pages instead of copying them, so a long string growing
    // in a loop neither copies itself nor touches fresh memory twice. The
    // capacity never passes kMaxStringBytes.
    struct TSharedBuffer {
        char* data = nullptr;
        size_t size = 0;
        size_t capacity = 0;
        uint32_t users = 1;
        TSharedBuffer() = default;
        TSharedBuffer(const TSharedBuffer&) = delete;
        TSharedBuffer& operator=(const TSharedBuffer&) = delete;
        ~TSharedBuffer() { std::free(data); }
        // Room for total bytes, with amortised growth.
        void reserveFor(size_t total);
        void append(std::string_view more);
    };
    // Up to 16 bytes are copied as two overlapping words, without the call
    // to memcpy that costs more than the copy.
    static void copyBytes(char* to, const char* from, size_t n) {
        auto pair = [&](auto word) {
            std::memcpy(&word, from, sizeof word);
            decltype(word) last;
            std::memcpy(&last, from + n - sizeof word, sizeof word);
            std::memcpy(to, &word, sizeof word);
            std::memcpy(to + n - sizeof word, &last, sizeof word);
        };
        if (n > 16)
            std::memcpy(to, from, n);
        else if (n >= 8)
            pair(uint64_t());
        else if (n >= 4)
            pair(uint32_t());
        else if (n >= 2)
            pair(uint16_t());
        else if (n == 1)
            *to = *from;
    }
    TfString(TSharedBuffer* shared, size_t length);
    bool viewsOwnBytes(std::string_view more) const;
    void moveIntoBuffer();

    // Until the body is first joined its text is its own: in the body itself
    // when short (most texts games show are), else on the heap.
    static constexpr size_t kInline = 40;
    TSharedBuffer* shared_ = nullptr;
    size_t length_ = 0;
    bool identitySeen_ = false;
    std::string long_;
    char inline_[kInline];
};

// Doubling the largest capacity stays within size_t, on 32-bit targets too.
static_assert(kMaxStringBytes <= SIZE_MAX / 2, "a buffer's doubled capacity must not wrap");

// A new classes.lang.String instance holding text, with refcount 0 (the caller's
// setObject counts it). Returns its arena offset.
uint32_t makeString(std::string_view text);
// The same for a body already made; the instance owns it from now on.
uint32_t makeStringWithBody(TfString* body);

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
