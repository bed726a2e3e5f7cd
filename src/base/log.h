// The log service. The player writes nothing by default; `--log` sends the
// lines to standard error.
#pragma once

#include <string>

namespace ravok {

void Log(const std::string& text);
void setLogEnabled(bool enabled);
// Whether Log writes anything: a line that is costly to build is built only then.
bool logEnabled();

} // namespace ravok
