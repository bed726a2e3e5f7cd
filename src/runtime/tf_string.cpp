#include "runtime/tf_string.h"

#include "runtime/block_pool.h"
#include "runtime/errors.h"
#include "runtime/pool.h"
#include "runtime/rtti.h"
#include "runtime/stats.h"
#include "runtime/tf_object.h"

#include <algorithm>
#include <memory>
#include <new>

namespace ravok {

using TStringBodyPool = TBlockPool<sizeof(TfString)>;

void* TfString::operator new(size_t size) {
    return size == sizeof(TfString) ? TStringBodyPool::take() : ::operator new(size);
}

void TfString::operator delete(void* block, size_t size) {
    if (size == sizeof(TfString))
        TStringBodyPool::give(block);
    else
        ::operator delete(block);
}

TfString::TfString(std::string_view t) : THostObject(THostKind::String), length_(t.size()) {
    if (t.size() <= kInline)
        std::copy(t.begin(), t.end(), inline_);
    else
        long_ = t;
    ++gStats.strings;
}

TfString::TfString(TSharedBuffer* shared, size_t length)
    : THostObject(THostKind::String), shared_(shared), length_(length) {
    ++shared_->users;
    ++gStats.strings;
}

TfString::~TfString() {
    if (shared_ && --shared_->users == 0) delete shared_;
    --gStats.strings;
}

void TfString::TSharedBuffer::reserveFor(size_t total) {
    if (total <= capacity) return;
    size_t grown = std::max(total, std::min(std::max(capacity * 2, size_t(64)), kMaxStringBytes));
    void* moved = std::realloc(data, grown);
    if (!moved) throw std::bad_alloc();
    data = static_cast<char*>(moved);
    capacity = grown;
}

void TfString::TSharedBuffer::append(std::string_view more) {
    reserveFor(size + more.size());
    if (!more.empty()) std::memcpy(data + size, more.data(), more.size());
    size += more.size();
}

bool TfString::viewsOwnBytes(std::string_view more) const {
    std::string_view own = shared_ ? std::string_view(shared_->data, shared_->size) : text();
    return !more.empty() && more.data() >= own.data() && more.data() < own.data() + own.size();
}

void TfString::moveIntoBuffer() {
    auto buffer = std::make_unique<TSharedBuffer>();
    buffer->append(text());
    shared_ = buffer.release();
    long_ = std::string();
}

TfString* TfString::joined(std::string_view more) {
    size_t total = joinedLength(text().size(), more.size());
    // `more` may view this body's own bytes (`s + s`), which moving them into
    // a buffer or growing the buffer would pull from under it.
    if (viewsOwnBytes(more)) {
        std::string copy(more);
        return joined(std::string_view(copy));
    }
    // The first join moves the text into a buffer that later joins can grow.
    if (!shared_) moveIntoBuffer();
    if (length_ == shared_->size) {
        shared_->append(more);
        return new TfString(shared_, total);
    }
    // Another body has grown the buffer past this one's end: copy.
    std::string text;
    text.reserve(total);
    text.append(this->text());
    text.append(more);
    return new TfString(text);
}

void TfString::extendInPlace(std::string_view more) {
    // The length is checked inline; only a text too long goes on to the
    // check that builds the message.
    if (more.size() > kMaxStringBytes - length_) joinedLength(length_, more.size());
    size_t total = length_ + more.size();
    if (viewsOwnBytes(more)) {
        std::string copy(more);
        extendInPlace(std::string_view(copy));
        return;
    }
    if (!shared_) moveIntoBuffer();
    if (length_ != shared_->size) {
        // Another body has grown the buffer past this one's end: this body
        // takes a buffer of its own, the others keep theirs.
        auto buffer = std::make_unique<TSharedBuffer>();
        buffer->reserveFor(total);
        buffer->append(text());
        if (--shared_->users == 0) delete shared_;
        shared_ = buffer.release();
    }
    shared_->append(more);
    length_ = total;
    renewHandle();
}

size_t joinedLength(size_t a, size_t b) {
    if (a > kMaxStringBytes || b > kMaxStringBytes - a)
        throw ERunError("String too long: " + std::to_string(a) + " + " + std::to_string(b) +
                        " bytes is more than a string can hold (2147483647).");
    return a + b;
}

uint32_t makeStringWithBody(TfString* body) {
    std::unique_ptr<TfString> owned(body);
    if (!gCore.string || gCore.stringBody < 0)
        throw ERunError("classes.lang.String is not loaded; strings cannot be made.");
    uint32_t instance = allocateInstance(gCore.string);
    objectAt(instance)->field(gCore.stringBody) = owned.release()->handle();
    return instance;
}

uint32_t makeString(std::string_view text) {
    joinedLength(text.size(), 0);
    if (!gCore.string || gCore.stringBody < 0)
        throw ERunError("classes.lang.String is not loaded; strings cannot be made.");
    return makeStringWithBody(new TfString(text));
}

bool isStringValue(const TValue& v) {
    return v.kind == vtObject && objectAt(v.u)->classId == gCore.stringClassId;
}

TfString* stringBody(uint32_t instance) {
    if (gCore.stringBody < 0) return nullptr;
    const TValue& body = objectAt(instance)->field(gCore.stringBody);
    if (body.kind != vtNative) return nullptr;
    return static_cast<TfString*>(THostRegistry::instance().find(body, THostKind::String));
}

std::string_view stringText(uint32_t instance) {
    TfString* s = stringBody(instance);
    return s ? s->text() : std::string_view();
}

} // namespace ravok
