// The natives of the resources subsystem: classes.lang.CMML over markup
// elements, and the scripts' file access (fileExists, moveFile, deleteFile on
// Object; FileReader, FileWriter, ResourceReader, ResourceWriter).
#pragma once

#include "native_binding.h"

#include <vector>

namespace ravok {

const std::vector<TNativeBinding>& cmmlNatives();
const std::vector<TNativeBinding>& objectFileNatives();
const std::vector<TNativeBinding>& fileReaderNatives();
const std::vector<TNativeBinding>& fileWriterNatives();
const std::vector<TNativeBinding>& resourceReaderNatives();
const std::vector<TNativeBinding>& resourceWriterNatives();

} // namespace ravok
