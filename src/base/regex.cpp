#include "base/regex.h"

#include <oniguruma.h>

#include <cctype>
#include <cstring>

namespace ravok {

namespace {

bool isLead(unsigned char c) { return (c >= 0x80 && c <= 0x9F) || c >= 0xE0; }

// Length of the character at i (1, or 2 for a double-byte character).
size_t charLength(std::string_view s, size_t i) {
    return isLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

void initialiseOnce() {
    static bool done = [] {
        OnigEncoding encodings[] = {ONIG_ENCODING_SJIS};
        onig_initialize(encodings, 1);
        return true;
    }();
    (void)done;
}

std::string onigMessage(int code, OnigErrorInfo* info) {
    OnigUChar buf[ONIG_MAX_ERROR_MESSAGE_LEN];
    if (info)
        onig_error_code_to_str(buf, code, info);
    else
        onig_error_code_to_str(buf, code);
    return reinterpret_cast<const char*>(buf);
}

// Reads one delimited part starting at `at` (just after a delimiter); returns
// it without its closing delimiter and moves `at` past that delimiter. An
// escaped delimiter stays escaped; double-byte characters are stepped over
// whole, so their second byte never ends or escapes anything.
bool delimitedPart(std::string_view s, size_t& at, char delimiter, std::string& part) {
    part.clear();
    while (at < s.size()) {
        char c = s[at];
        if (c == delimiter) {
            ++at;
            return true;
        }
        size_t len = charLength(s, at);
        if (c == '\\' && at + 1 < s.size()) len = 1 + charLength(s, at + 1);
        part.append(s.substr(at, len));
        at += len;
    }
    return false;
}

struct Command {
    std::string pattern, replacement, flags;
};

Command parseCommand(std::string_view text, bool substitution) {
    Command cmd;
    size_t at = 0;
    if (substitution) {
        if (text.empty() || text[0] != 's')
            throw EBRegExpError("not a substitution: " + std::string(text));
        ++at;
    } else if (!text.empty() && text[0] == 'm' && text.size() > 1 &&
               !std::isalnum(static_cast<unsigned char>(text[1]))) {
        ++at;
    }
    if (at >= text.size()) throw EBRegExpError("no pattern: " + std::string(text));
    char delimiter = text[at++];
    if (!delimitedPart(text, at, delimiter, cmd.pattern))
        throw EBRegExpError("unterminated pattern: " + std::string(text));
    if (substitution && !delimitedPart(text, at, delimiter, cmd.replacement))
        throw EBRegExpError("unterminated replacement: " + std::string(text));
    cmd.flags = std::string(text.substr(at));
    return cmd;
}

} // namespace

struct TBRegExp::Compiled {
    OnigRegex regex = nullptr;
    ~Compiled() {
        if (regex) onig_free(regex);
    }
};

struct TBRegExp::Result {
    std::string subject;
    OnigRegion* region = onig_region_new();
    size_t next = 0; // where matchNext searches from
    Compiled* compiled = nullptr;
    bool found = false;
    ~Result() { onig_region_free(region, 1); }
};

TBRegExp::TBRegExp() { initialiseOnce(); }
TBRegExp::~TBRegExp() = default;

TBRegExp::Compiled& TBRegExp::compile(std::string_view body, std::string_view flags) {
    std::string key = std::string(flags) + '\0' + std::string(body);
    auto it = cache_.find(key);
    if (it != cache_.end()) return *it->second;
    OnigOptionType options = ONIG_OPTION_NONE;
    for (char f : flags) {
        switch (f) {
        case 'i':
            options |= ONIG_OPTION_IGNORECASE;
            break;
        case 'x':
            options |= ONIG_OPTION_EXTEND;
            break;
        case 'm':
            options |= ONIG_OPTION_NEGATE_SINGLELINE;
            break; // ^ and $ at line ends
        case 's':
            options |= ONIG_OPTION_MULTILINE;
            break; // . matches a line end
        default:
            break; // g and others: not compile options
        }
    }
    auto c = std::make_unique<Compiled>();
    OnigErrorInfo info;
    const auto* p = reinterpret_cast<const OnigUChar*>(body.data());
    int r = onig_new(&c->regex, p, p + body.size(), options, ONIG_ENCODING_SJIS, ONIG_SYNTAX_PERL,
                     &info);
    if (r != ONIG_NORMAL) {
        c->regex = nullptr;
        throw EBRegExpError(onigMessage(r, &info));
    }
    if (cache_.size() >= 64) cache_.clear(); // patterns are few; a full cache just starts over
    return *cache_.emplace(key, std::move(c)).first->second;
}

TBRegExp::Compiled& TBRegExp::compileMatch(std::string_view pattern) {
    Command cmd = parseCommand(pattern, false);
    return compile(cmd.pattern, cmd.flags);
}

namespace {
// Searches subject from `from`; fills region. Returns whether found.
bool search(OnigRegex regex, const std::string& subject, size_t from, OnigRegion* region) {
    if (from > subject.size()) return false;
    const auto* s = reinterpret_cast<const OnigUChar*>(subject.data());
    const OnigUChar* end = s + subject.size();
    int r = onig_search(regex, s, end, s + from, end, region, ONIG_OPTION_NONE);
    if (r >= 0) return true;
    if (r == ONIG_MISMATCH) return false;
    throw EBRegExpError(onigMessage(r, nullptr));
}
} // namespace

bool TBRegExp::match(std::string_view pattern, const std::string& text, size_t from) {
    counted_ = true;
    Compiled& c = compileMatch(pattern);
    last_ = std::make_unique<Result>();
    last_->subject = text;
    last_->compiled = &c;
    if (refuseEmpty() && text.empty()) return false;
    return searchFrom(from);
}

bool TBRegExp::matchNext() {
    if (!last_ || !last_->found) return false;
    return searchFrom(last_->next);
}

bool TBRegExp::searchFrom(size_t from) {
    Result& r = *last_;
    r.found = search(r.compiled->regex, r.subject, from, r.region);
    if (r.found) {
        size_t beg = size_t(r.region->beg[0]), end = size_t(r.region->end[0]);
        // After an empty match the next search starts one character further,
        // so that repeated searching always moves on.
        if (end != beg)
            r.next = end;
        else
            r.next = end < r.subject.size() ? end + charLength(r.subject, end) : end + 1;
    }
    return r.found;
}

int TBRegExp::subst(std::string_view command, std::string& text) {
    counted_ = true;
    Command cmd = parseCommand(command, true);
    Compiled& c = compile(cmd.pattern, cmd.flags);
    bool global = cmd.flags.find('g') != std::string::npos;
    if (refuseEmpty() && text.empty()) return 0;
    OnigRegion* region = onig_region_new();
    std::string out;
    size_t at = 0;
    int count = 0;
    try {
        while (at <= text.size() && search(c.regex, text, at, region)) {
            size_t beg = size_t(region->beg[0]), end = size_t(region->end[0]);
            out.append(text, at, beg - at);
            // The replacement: \N and $N groups, $& the match, \n \t \r, and a
            // backslash before any other character makes it literal.
            const std::string& r = cmd.replacement;
            auto groupText = [&](int g) {
                if (g < region->num_regs && region->beg[g] >= 0)
                    out.append(text, size_t(region->beg[g]),
                               size_t(region->end[g] - region->beg[g]));
            };
            for (size_t i = 0; i < r.size();) {
                char ch = r[i];
                if (ch == '\\' && i + 1 < r.size()) {
                    char e = r[i + 1];
                    if (e >= '0' && e <= '9')
                        groupText(e - '0'), i += 2;
                    else if (e == 'n')
                        out += '\n', i += 2;
                    else if (e == 't')
                        out += '\t', i += 2;
                    else if (e == 'r')
                        out += '\r', i += 2;
                    else {
                        size_t len = charLength(r, i + 1);
                        out.append(r, i + 1, len);
                        i += 1 + len;
                    }
                } else if (ch == '$' && i + 1 < r.size() &&
                           (std::isdigit(static_cast<unsigned char>(r[i + 1])) ||
                            r[i + 1] == '&')) {
                    if (r[i + 1] == '&') {
                        groupText(0);
                        i += 2;
                    } else {
                        int g = 0;
                        ++i;
                        while (i < r.size() && std::isdigit(static_cast<unsigned char>(r[i])))
                            g = g * 10 + (r[i++] - '0');
                        groupText(g);
                    }
                } else {
                    size_t len = charLength(r, i);
                    out.append(r, i, len);
                    i += len;
                }
            }
            ++count;
            if (end == beg) {
                // An empty match: keep the character after it and move on.
                if (end < text.size()) {
                    size_t len = charLength(text, end);
                    out.append(text, end, len);
                    at = end + len;
                } else {
                    at = end + 1;
                }
            } else {
                at = end;
            }
            if (!global) break;
        }
    } catch (...) {
        onig_region_free(region, 1);
        throw;
    }
    onig_region_free(region, 1);
    if (count == 0) return 0;
    if (at < text.size()) out.append(text, at, std::string::npos);
    text = std::move(out);
    return count;
}

std::vector<std::string> TBRegExp::split(std::string_view pattern, const std::string& text,
                                         int limit) {
    counted_ = true;
    Compiled& c = compileMatch(pattern);
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    OnigRegion* region = onig_region_new();
    size_t pieceStart = 0, at = 0;
    try {
        while (at <= text.size() && (limit <= 0 || int(pieces.size()) < limit - 1) &&
               search(c.regex, text, at, region)) {
            size_t beg = size_t(region->beg[0]), end = size_t(region->end[0]);
            if (end == beg) {
                // An empty separator splits between characters, never inside one.
                if (beg >= text.size()) break;
                size_t cut = beg == pieceStart ? beg + charLength(text, beg) : beg;
                pieces.push_back(text.substr(pieceStart, cut - pieceStart));
                pieceStart = at = cut;
                continue;
            }
            pieces.push_back(text.substr(pieceStart, beg - pieceStart));
            pieceStart = at = end;
        }
    } catch (...) {
        onig_region_free(region, 1);
        throw;
    }
    onig_region_free(region, 1);
    pieces.push_back(text.substr(pieceStart));
    if (limit <= 0) {
        while (!pieces.empty() && pieces.back().empty())
            pieces.pop_back();
    }
    return pieces;
}

int TBRegExp::groupCount() const {
    if (!counted_) throw EBRegExpError("no count now");
    return last_ && last_->found ? last_->region->num_regs : 0;
}

std::string TBRegExp::group(int i) const {
    if (!last_ || !last_->found) throw EBRegExpError("no strings now");
    if (i < 0 || i >= last_->region->num_regs) throw EBRegExpError("index out of range");
    if (last_->region->beg[i] < 0) return {};
    return last_->subject.substr(size_t(last_->region->beg[i]),
                                 size_t(last_->region->end[i] - last_->region->beg[i]));
}

int TBRegExp::groupStart(int i) const {
    if (!last_ || !last_->found) throw EBRegExpError("no strings now");
    if (i < 0 || i >= last_->region->num_regs) throw EBRegExpError("index out of range");
    return last_->region->beg[i];
}

int TBRegExp::groupEnd(int i) const {
    if (!last_ || !last_->found) throw EBRegExpError("no strings now");
    if (i < 0 || i >= last_->region->num_regs) throw EBRegExpError("index out of range");
    return last_->region->end[i];
}

TBRegExp& sharedRegExp() {
    static TBRegExp* shared = new TBRegExp();
    return *shared;
}

} // namespace ravok
