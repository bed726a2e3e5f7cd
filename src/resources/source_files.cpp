#include "resources/source_files.h"

#include "base/reporter.h"
#include "runtime/messages.h"

namespace ravok {

TReadResult readSourceFile(std::string_view path, TSourceText& source, size_t limit) {
    std::string bytes;
    TReadResult read = readFileUpTo(path, bytes, limit);
    if (read == TReadResult::Ok) source = decodeSourceText(bytes);
    return read;
}

std::string sourceTextOf(std::string_view path) {
    TSourceText source;
    return readSourceFile(path, source) == TReadResult::Ok ? std::move(source.text) : std::string();
}

std::string unmappedCharacterMessage(char32_t c) {
    return translate("The character ") + unicodeName(c) +
           translate(" has no Shift-JIS form and cannot be used in a game.");
}

bool reportUnmapped(std::string_view path, const TSourceText& source) {
    if (!source.unmapped) return false;
    ReportError(unmappedCharacterMessage(source.unmapped),
                {{std::string(path), int32_t(source.unmappedOffset), {}}});
    return true;
}

bool loadSourceFile(std::string_view path, std::string& text, const char* missing) {
    TSourceText source;
    TReadResult read = readSourceFile(path, source);
    if (read != TReadResult::Ok) {
        ReportError(std::string(path) +
                    translate(readFailureText(read, " is too large to be a source.", missing)));
        return false;
    }
    if (reportUnmapped(path, source)) return false;
    text = std::move(source.text);
    return true;
}

} // namespace ravok
