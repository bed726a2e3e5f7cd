// The regular-expression service: Perl-syntax match, substitution and split on
// Shift-JIS byte strings. Patterns are written as the system writes them,
// between delimiters with trailing flags ("/a+/i", "m#x#"), substitutions as
// Perl commands ("s/\\%/\\%25/g"). A double-byte character whose second byte is
// '\' or '/' stays one character in patterns, subjects and replacements.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

// An invalid pattern or command; carries the library's message (at most 255
// bytes), or one of "no strings now", "no count now", "index out of range".
class EBRegExpError : public std::runtime_error {
public:
    explicit EBRegExpError(const std::string& text) : std::runtime_error(text.substr(0, 255)) {}
};

class TBRegExp {
public:
    TBRegExp();
    virtual ~TBRegExp();
    TBRegExp(const TBRegExp&) = delete;
    TBRegExp& operator=(const TBRegExp&) = delete;

    // Searches text from its start (or from `from`); remembers the groups.
    bool match(std::string_view pattern, const std::string& text, size_t from = 0);
    // Searches again from the end of the previous match (one character further
    // when that match was empty).
    bool matchNext();

    // Applies "s/pattern/replacement/flags" to text in place; returns the number
    // of replacements (text changes only when it is not zero).
    int subst(std::string_view command, std::string& text);

    // The pieces of text between the separators; limit > 0 gives at most that
    // many pieces (the last keeps the rest), otherwise trailing empty pieces
    // are dropped, as in Perl.
    std::vector<std::string> split(std::string_view pattern, const std::string& text,
                                   int limit = 0);

    // Groups of the last match: 0 is the whole match.
    int groupCount() const;
    std::string group(int i) const;
    int groupStart(int i) const; // byte offset, -1 when the group took no part
    int groupEnd(int i) const;

protected:
    virtual bool refuseEmpty() const { return false; }

private:
    struct Compiled;
    Compiled& compile(std::string_view body, std::string_view flags);
    Compiled& compileMatch(std::string_view pattern);
    bool searchFrom(size_t from);

    std::map<std::string, std::unique_ptr<Compiled>> cache_;
    struct Result;
    std::unique_ptr<Result> last_;
    bool counted_ = false;
};

// The same, but an empty subject reports no match (or no change) at once.
class TBRegExp2 : public TBRegExp {
protected:
    bool refuseEmpty() const override { return true; }
};

// The process-wide instance the markup code shares; not re-entrant.
TBRegExp& sharedRegExp();

} // namespace ravok
