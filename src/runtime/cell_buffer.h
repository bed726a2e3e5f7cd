// TCellBuffer: values side by side in one block of the C heap, grown with
// realloc. A list of a million values is megabytes: a copying vector takes
// fresh pages at every doubling and copies into them, so growing the list
// touched twice its final size; realloc moves a large block by remapping
// its pages, which touches each page once and copies nothing.
#pragma once

#include "runtime/value.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace ravok {

class TCellBuffer {
    static_assert(std::is_trivially_copyable_v<TValue>, "cells are moved as bytes");

public:
    TCellBuffer() = default;
    TCellBuffer(const TCellBuffer&) = delete;
    TCellBuffer& operator=(const TCellBuffer&) = delete;
    ~TCellBuffer() { std::free(cells_); }

    size_t size() const { return size_; }
    TValue& operator[](size_t i) { return cells_[i]; }
    const TValue& operator[](size_t i) const { return cells_[i]; }
    TValue* begin() { return cells_; }
    TValue* end() { return cells_ + size_; }

    // By value: v may be one of the cells, which growing moves.
    void push_back(TValue v) {
        if (size_ == capacity_) grow();
        cells_[size_++] = v;
    }
    // Before position i (0 .. size).
    void insert(size_t i, TValue v) {
        if (size_ == capacity_) grow();
        std::memmove(cells_ + i + 1, cells_ + i, (size_ - i) * sizeof(TValue));
        cells_[i] = v;
        ++size_;
    }
    // Position i (0 .. size - 1).
    void erase(size_t i) {
        std::memmove(cells_ + i, cells_ + i + 1, (size_ - i - 1) * sizeof(TValue));
        --size_;
    }
    void swap(TCellBuffer& other) noexcept {
        std::swap(cells_, other.cells_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }

private:
    // Doubles the room (eight cells at first). A failed growth leaves the
    // cells as they were and throws, as a vector's would. Kept out of line:
    // the appends around it stay a few instructions.
    [[gnu::noinline]] void grow() {
        constexpr size_t kMost = SIZE_MAX / 2 / sizeof(TValue);
        if (capacity_ >= kMost) throw std::bad_alloc();
        size_t room = capacity_ ? capacity_ * 2 : 8;
        void* moved = std::realloc(cells_, room * sizeof(TValue));
        if (!moved) throw std::bad_alloc();
        cells_ = static_cast<TValue*>(moved);
        capacity_ = room;
    }

    TValue* cells_ = nullptr;
    size_t size_ = 0, capacity_ = 0;
};

} // namespace ravok
