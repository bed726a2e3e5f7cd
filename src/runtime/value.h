// TValue: the 8-byte tagged value of the script language. Byte 0 is the kind,
// bytes 4-7 the payload. Bytes 1-3 carry nothing, except in a vtNative value
// handed out by the host registry: there they hold a seal and the upper bits of
// the handle's generation, which no script number can reach. The same form is
// embedded in code images, so the layout is fixed.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace ravok {

enum TVType : uint8_t {
    vtNull = 0,
    vtInt = 1,
    vtFloat = 2,
    vtObject = 3, // payload: arena offset of the TfObject (also the instance handle)
    vtRef = 4,    // payload: arena offset of another TValue cell
    vtNative = 5, // payload: host-registry id
    vtError = 6,
    vtUnset = 7, // payload: symbol id of the never-assigned variable or field
};

struct TValue {
    TVType kind;
    uint8_t unused[3];
    union {
        int32_t i;
        float f;
        uint32_t u;
    };

    // Made as one 8-byte word: a value written byte by byte and then read
    // whole stalls the processor's store buffer.
    static TValue make(TVType k, uint32_t payload) {
        uint64_t bits = uint64_t(k) | uint64_t(payload) << 32;
        TValue v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    static TValue null() { return make(vtNull, 0); }
    static TValue ofInt(int32_t x) { return make(vtInt, uint32_t(x)); }
    static TValue ofFloat(float x) {
        uint32_t payload;
        std::memcpy(&payload, &x, sizeof payload);
        return make(vtFloat, payload);
    }
    static TValue ofObject(uint32_t offset) { return make(vtObject, offset); }
    static TValue ofRef(uint32_t offset) { return make(vtRef, offset); }
    // A vtNative with just the id and no seal: what TObject(n) makes of a
    // number. The registry refuses it; sealed handles come from the registry.
    static TValue ofNative(uint32_t id) { return make(vtNative, id); }
    static TValue ofError(int32_t code) { return make(vtError, uint32_t(code)); }
    static TValue ofUnset(uint32_t symbol) { return make(vtUnset, symbol); }
};

static_assert(sizeof(TValue) == 8, "TValue is embedded in code images and must stay 8 bytes");
static_assert(sizeof(TVType) == 1);
static_assert(std::endian::native == std::endian::little,
              "the kind is byte 0 and the payload bytes 4-7 of the value's word");

} // namespace ravok
