// Class cache files: the compiled code of a class written to Temp\c127_...
// after a compilation from source, and read back (and relinked by name) while
// the source file is unchanged, so that a game starts without recompiling.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ravok {

class TRTTI;
class TCompiledInfo;
class TBufferedInputStream;

constexpr int32_t kClassFileVersion = 12700;

// Temp\c127_ + the flattened source path.
std::string classCachePath(std::string_view sourceFile);

bool SaveClassFile(TRTTI* cls, std::string_view file);
// Whether the class could be taken from the file; raises an error for a file
// that is broken (the caller compiles from source then).
bool LoadClassFile(TRTTI* cls, std::string_view file);
// The same from an open stream, for a source whose stamp is expectedAge;
// `checked` false skips the trailing checksum (for fuzzing what lies behind it).
bool loadClassStream(TRTTI* cls, TBufferedInputStream& in, uint32_t expectedAge,
                     bool checked = true);

// Rewrites the link-time operands of one code block by their names.
void Link(TCompiledInfo& code, TRTTI* cls);

// One line per recorded offset: "op=" + opcode name + " ,addr=" + offset +
// " ,info=" + name.
std::string RelocationText(const TCompiledInfo& code);

} // namespace ravok
