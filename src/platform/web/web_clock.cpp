#include "platform/web/web_clock.h"

#include <emscripten.h>

namespace ravok {

long double TWebClock::nowMs() { return emscripten_get_now(); }

} // namespace ravok
