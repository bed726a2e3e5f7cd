#include "app/json_value.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace ravok {

namespace {
const TJson kNull;

void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void dumpString(std::string& out, const std::string& s) {
    out += '"';
    for (unsigned char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += char(c);
            }
        }
    }
    out += '"';
}
} // namespace

class TJsonParser {
public:
    explicit TJsonParser(const std::string& text) : s_(text) {}
    TJson document() {
        TJson v = value(0);
        blanks();
        if (at_ != s_.size()) fail("text after the value");
        return v;
    }

private:
    const std::string& s_;
    size_t at_ = 0;

    [[noreturn]] void fail(const char* what) {
        throw std::runtime_error(std::string("JSON: ") + what + " at " + std::to_string(at_));
    }
    void blanks() {
        while (at_ < s_.size() &&
               (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
            ++at_;
    }
    bool literal(const char* word) {
        size_t n = std::char_traits<char>::length(word);
        if (s_.compare(at_, n, word) != 0) return false;
        at_ += n;
        return true;
    }
    uint32_t hex4() {
        if (at_ + 4 > s_.size()) fail("a short \\u escape");
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            char c = s_[at_++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= uint32_t(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= uint32_t(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= uint32_t(c - 'A' + 10);
            else
                fail("a bad \\u escape");
        }
        return v;
    }
    std::string string() {
        ++at_; // the opening quote
        std::string out;
        while (true) {
            if (at_ >= s_.size()) fail("an unterminated string");
            char c = s_[at_++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= s_.size()) fail("an unterminated escape");
            char e = s_[at_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                uint32_t c1 = hex4();
                if (c1 >= 0xD800 && c1 < 0xDC00 && s_.compare(at_, 2, "\\u") == 0) {
                    at_ += 2;
                    uint32_t c2 = hex4();
                    if (c2 >= 0xDC00 && c2 < 0xE000)
                        c1 = 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00);
                    else
                        fail("a lone surrogate");
                }
                appendUtf8(out, c1);
                break;
            }
            default:
                fail("an unknown escape");
            }
        }
    }
    TJson value(int depth) {
        if (depth > 200) fail("nesting too deep");
        blanks();
        if (at_ >= s_.size()) fail("the end of the text");
        char c = s_[at_];
        if (c == '{') {
            ++at_;
            TJson obj = TJson::object();
            blanks();
            if (at_ < s_.size() && s_[at_] == '}') {
                ++at_;
                return obj;
            }
            while (true) {
                blanks();
                if (at_ >= s_.size() || s_[at_] != '"') fail("a member name");
                std::string key = string();
                blanks();
                if (at_ >= s_.size() || s_[at_++] != ':') fail("a colon");
                obj.members_.emplace_back(std::move(key), value(depth + 1));
                blanks();
                if (at_ < s_.size() && s_[at_] == ',') {
                    ++at_;
                    continue;
                }
                if (at_ < s_.size() && s_[at_] == '}') {
                    ++at_;
                    return obj;
                }
                fail("a comma or a closing brace");
            }
        }
        if (c == '[') {
            ++at_;
            TJson arr = TJson::array();
            blanks();
            if (at_ < s_.size() && s_[at_] == ']') {
                ++at_;
                return arr;
            }
            while (true) {
                arr.items_.push_back(value(depth + 1));
                blanks();
                if (at_ < s_.size() && s_[at_] == ',') {
                    ++at_;
                    continue;
                }
                if (at_ < s_.size() && s_[at_] == ']') {
                    ++at_;
                    return arr;
                }
                fail("a comma or a closing bracket");
            }
        }
        if (c == '"') return TJson(string());
        if (literal("true")) return TJson(true);
        if (literal("false")) return TJson(false);
        if (literal("null")) return TJson();
        size_t start = at_;
        if (at_ < s_.size() && (s_[at_] == '-' || s_[at_] == '+')) ++at_;
        while (at_ < s_.size() &&
               (std::isdigit(static_cast<unsigned char>(s_[at_])) || s_[at_] == '.' ||
                s_[at_] == 'e' || s_[at_] == 'E' || s_[at_] == '-' || s_[at_] == '+'))
            ++at_;
        if (start == at_) fail("a value");
        char* end = nullptr;
        std::string number = s_.substr(start, at_ - start);
        double d = std::strtod(number.c_str(), &end);
        if (!end || *end) fail("a bad number");
        return TJson(d);
    }
};

TJson TJson::parse(const std::string& text) { return TJsonParser(text).document(); }

const TJson& TJson::operator[](const std::string& key) const {
    if (kind_ == TKind::Object)
        for (const auto& [name, value] : members_)
            if (name == key) return value;
    return kNull;
}

const TJson& TJson::operator[](size_t i) const {
    return kind_ == TKind::Array && i < items_.size() ? items_[i] : kNull;
}

TJson& TJson::set(const std::string& key, TJson value) {
    if (kind_ != TKind::Object) *this = object();
    for (auto& [name, existing] : members_)
        if (name == key) {
            existing = std::move(value);
            return *this;
        }
    members_.emplace_back(key, std::move(value));
    return *this;
}

TJson& TJson::push(TJson value) {
    if (kind_ != TKind::Array) *this = array();
    items_.push_back(std::move(value));
    return *this;
}

std::string TJson::dump() const {
    std::string out;
    switch (kind_) {
    case TKind::Null:
        return "null";
    case TKind::Bool:
        return bool_ ? "true" : "false";
    case TKind::Number: {
        if (std::isfinite(number_) && number_ == std::floor(number_) && std::fabs(number_) < 1e15)
            return std::to_string(int64_t(number_));
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.17g", std::isfinite(number_) ? number_ : 0.0);
        return buffer;
    }
    case TKind::String:
        dumpString(out, string_);
        return out;
    case TKind::Array:
        out += '[';
        for (size_t i = 0; i < items_.size(); ++i) {
            if (i) out += ',';
            out += items_[i].dump();
        }
        out += ']';
        return out;
    case TKind::Object:
        out += '{';
        for (size_t i = 0; i < members_.size(); ++i) {
            if (i) out += ',';
            dumpString(out, members_[i].first);
            out += ':';
            out += members_[i].second.dump();
        }
        out += '}';
        return out;
    }
    return "null";
}

} // namespace ravok
