#include "kernel/message_table.h"

#include <cstdlib>

#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/source_files.h"
#include "resources/text_lines.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/sjis.h"

namespace ravok {

TMessageTable& TMessageTable::instance() {
    static TMessageTable table;
    return table;
}

void TMessageTable::load(std::string_view path) {
    entries_.clear();
    std::string text = sourceTextOf(path);
    for (const std::string& line : textLines(text)) {
        // The text is everything before the first '=' (leading blanks belong
        // to it); the first line for a text wins.
        size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        entries_.emplace(foldCase(line.substr(0, eq)), line.substr(eq + 1));
    }
}

void TMessageTable::loadFromProgramDirectory(std::string_view language) {
    load(resolve(language == "ja" ? "Kernel\\message_ja.ini" : "Kernel\\message.ini",
                 programDirectory()));
}

std::string chooseLanguage(std::string_view option, std::string_view setting) {
    auto named = [](std::string_view v) -> std::string {
        std::string folded = foldCase(v);
        if (folded.rfind("ja", 0) == 0) return "ja";
        if (folded.rfind("en", 0) == 0) return "en";
        return {};
    };
    if (std::string o = named(option); !o.empty()) return o;
    if (std::string s = named(setting); !s.empty()) return s;
    // The first of the three that is set decides, as for every program.
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return named(value) == "ja" ? "ja" : "en";
    }
    return "en";
}

std::string TMessageTable::translate(std::string_view text) const {
    if (text.empty()) return std::string(text);
    auto it = entries_.find(foldCase(text));
    return it == entries_.end() || it->second.empty() ? std::string(text) : it->second;
}

} // namespace ravok
