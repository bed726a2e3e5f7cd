// Fuzz target: any bytes as a WAV file, converted to the engine's samples.
#include "sound/wav_loader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ravok::TWavLoader w;
    w.load(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
