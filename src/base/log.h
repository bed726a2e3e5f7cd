// The log service. The player writes nothing by default; `--log` sends the
// lines to standard error.
#pragma once

#include <string>

namespace ravok {

void Log(const std::string& text);
void setLogEnabled(bool enabled);

} // namespace ravok
