// The message table: translations of the fixed message texts, lines
// TEXT=TRANSLATION in Kernel\message.ini. Once installed, every translate()
// call goes through it; a text not in the table (or translated to nothing)
// is shown unchanged, so the player works without the file.
#pragma once

#include "runtime/messages.h"

#include <map>
#include <string>
#include <string_view>

namespace ravok {

class TMessageTable : public TTranslator {
public:
    static TMessageTable& instance();

    // Reads the table (CP932 lines); a missing file leaves it empty.
    void load(std::string_view path);
    // Loads the table of the language: Kernel\message_ja.ini for "ja",
    // Kernel\message.ini (English, which translates nothing) otherwise.
    void loadFromProgramDirectory(std::string_view language = "en");

    // The translation ignoring case, or the text itself.
    std::string translate(std::string_view text) const override;
    size_t size() const { return entries_.size(); }

private:
    std::map<std::string, std::string> entries_; // by case-folded text
};

// The language messages are shown in: `option` (--lang) when given, else
// `setting` (the Language setting), else Japanese where LC_ALL, LC_MESSAGES
// or LANG names a Japanese locale, else English. Answers "ja" or "en".
std::string chooseLanguage(std::string_view option, std::string_view setting);

} // namespace ravok
