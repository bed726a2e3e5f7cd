// The natives of the resources subsystem: classes.lang.CMML over markup
// elements, the resource tree's script side, and the scripts' file access (fileExists, moveFile,
// deleteFile on Object; FileReader, FileWriter, ResourceReader, ResourceWriter).
#pragma once

#include "runtime/native_binding.h"

#include <vector>

namespace ravok {

const std::vector<TNativeBinding>& cmmlNatives();
const std::vector<TNativeBinding>& objectFileNatives();
const std::vector<TNativeBinding>& fileReaderNatives();
const std::vector<TNativeBinding>& fileWriterNatives();
const std::vector<TNativeBinding>& resourceReaderNatives();
const std::vector<TNativeBinding>& resourceWriterNatives();
const std::vector<TNativeBinding>& objectResourceNatives();  // _n_getResource, _n_initResource
const std::vector<TNativeBinding>& builtInResourceNatives(); // BuiltInResource
const std::vector<TNativeBinding>& customResourceNatives();  // classes.customres.CustomResource

} // namespace ravok
