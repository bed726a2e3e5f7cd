#include "platform/web/web_wave_out.h"

#include <emscripten.h>

namespace ravok {

namespace {

// 0 when the device plays; 6 when the page has no Web Audio (node, an old
// browser). The ring is connected to the page's AudioContext now or, when
// the page has not made it yet (it waits until its first frame is shown, as
// starting audio takes a while), when it does. Browsers run the context
// only after the first key or click, which the page takes care of.
EM_JS(int, webAudioOpen, (const int16_t* ring, int32_t size, double* counters), {
    if (!(globalThis.AudioContext || globalThis.webkitAudioContext)) return 6;
    var at = counters >> 3;
    HEAPF64[at] = 0;
    HEAPF64[at + 1] = 0;
    HEAPF64[at + 2] = performance.now();
    Module.ravokAudioConnect = function(audio) {
        if (audio.node) audio.node.disconnect();
        var node = audio.context.createScriptProcessor(1024, 0, 1);
        node.onaudioprocess = function(e) {
            var out = e.outputBuffer.getChannelData(0);
            var n = out.length;
            var from = HEAPF64[at] + HEAPF64[at + 1];
            HEAPF64[at] = from;
            HEAPF64[at + 1] = n;
            HEAPF64[at + 2] = performance.now();
            var base = ring >> 1;
            for (var i = 0; i < n; ++i)
                out[i] = HEAP16[base + (from + i) % size] / 32768;
        };
        node.connect(audio.context.destination);
        audio.node = node;
    };
    if (Module.ravokAudio) Module.ravokAudioConnect(Module.ravokAudio);
    return 0;
});

EM_JS(void, webAudioClose, (), {
    Module.ravokAudioConnect = null;
    var audio = Module.ravokAudio;
    if (audio && audio.node) {
        audio.node.onaudioprocess = null;
        audio.node.disconnect();
        audio.node = null;
    }
});

} // namespace

TWebWaveOut::~TWebWaveOut() { close(); }

int TWebWaveOut::open(const int16_t* ring, int32_t size) {
    close();
    int result = webAudioOpen(ring, size, counters_);
    open_ = result == 0;
    return result;
}

void TWebWaveOut::close() {
    if (open_) webAudioClose();
    open_ = false;
}

int64_t TWebWaveOut::playPosition() {
    if (!open_) return 0;
    double pulled = counters_[0], lastLength = counters_[1];
    double elapsed = (emscripten_get_now() - counters_[2]) * 44.1;
    return int64_t(pulled) + int64_t(elapsed < lastLength ? elapsed : lastLength);
}

} // namespace ravok
