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
    // Loads Kernel\message.ini from the program directory.
    void loadFromProgramDirectory();

    // The translation ignoring case, or the text itself.
    std::string translate(std::string_view text) const override;
    size_t size() const { return entries_.size(); }

private:
    std::map<std::string, std::string> entries_; // by case-folded text
};

} // namespace ravok
