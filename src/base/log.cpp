#include "base/log.h"

#include "base/encoding.h"

#include <cstdio>

namespace ravok {

namespace {
bool gLogEnabled = false;
}

void Log(const std::string& text) {
    if (gLogEnabled) std::fprintf(stderr, "%s\n", cp932ToTerminal(text).c_str());
}

void setLogEnabled(bool enabled) { gLogEnabled = enabled; }

bool logEnabled() { return gLogEnabled; }

} // namespace ravok
