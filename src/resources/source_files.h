// Sources as the system reads them: class sources, pages, project files and
// message tables may be saved as UTF-8 or as Shift-JIS, and come out as the
// system's CP932 text either way (base/encoding.h says how one is told from
// the other). Every reader that places a position in a source reads it here,
// so that offsets mean the same text everywhere.
#pragma once

#include "base/encoding.h"
#include "resources/host_files.h"

#include <string>
#include <string_view>

namespace ravok {

TReadResult readSourceFile(std::string_view path, TSourceText& source,
                           size_t limit = kMaxSourceBytes);

// The text of a source, or "" when it cannot be read (for placing positions).
std::string sourceTextOf(std::string_view path);

// "The character U+1F600 has no Shift-JIS form ...", translated.
std::string unmappedCharacterMessage(char32_t c);
// Reports the source's character without a Shift-JIS form at its line and
// column; false when it has none.
bool reportUnmapped(std::string_view path, const TSourceText& source);

// Reads a source to compile or parse it. A read failure is reported with
// the file's name and `missing` or the too-large text after it; a character
// with no Shift-JIS form is reported at its line and column. False after
// either report.
bool loadSourceFile(std::string_view path, std::string& text,
                    const char* missing = " is not found.");

} // namespace ravok
