// The natives of InputBox, SelectBox and classes.util.TextEditor: they set
// up and open the dialogs and read their statuses and texts.
#pragma once

#include "runtime/native_binding.h"

#include <vector>

namespace ravok {

const std::vector<TNativeBinding>& inputBoxNatives();
const std::vector<TNativeBinding>& selectBoxNatives();
const std::vector<TNativeBinding>& textEditorNatives();

} // namespace ravok
