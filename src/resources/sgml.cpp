#include "resources/sgml.h"

#include "runtime/errors.h"
#include "runtime/markup_escape.h"
#include "runtime/messages.h"
#include "runtime/sjis.h"

#include "base/regex.h"
#include "base/reporter.h"

namespace ravok {

namespace {

bool isSpace(unsigned char c) { return c >= 0x01 && c <= 0x20; }
bool isWord(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
int hexDigit(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The text ends at its first zero byte, as the files are read as C strings.
size_t textEnd(std::string_view text) {
    size_t z = text.find('\0');
    return z == std::string_view::npos ? text.size() : z;
}

} // namespace

TSGML::~TSGML() {
    while (!children_.empty())
        children_.pop_back(); // last to first
}

bool TSGML::isLeafTag(std::string_view tag) {
    return tag == "class" || tag == "globalvalue" || tag == "link" || tag == "generator" ||
           tag == "cpattern";
}

std::string TSGML::attr(std::string_view name) const {
    for (const std::string& e : attributes_) {
        size_t eq = e.find('=');
        std::string_view n = std::string_view(e).substr(0, eq);
        if (equalsNoCase(n, name))
            return eq == std::string::npos ? std::string() : e.substr(eq + 1);
    }
    return {};
}

std::string TSGML::attrName(int i) const {
    const std::string& e = attributes_[size_t(i)];
    return e.substr(0, e.find('='));
}

void TSGML::setAttr(std::string_view name, std::string_view value) {
    for (size_t i = 0; i < attributes_.size(); ++i) {
        std::string_view n = std::string_view(attributes_[i]).substr(0, attributes_[i].find('='));
        if (equalsNoCase(n, name)) {
            attributes_.erase(attributes_.begin() + long(i));
            break;
        }
    }
    attributes_.push_back(std::string(name) + "=" + std::string(value));
}

void TSGML::addChild(std::unique_ptr<TSGML> child) {
    childrenOpened_ = true;
    children_.push_back(std::move(child));
}

std::unique_ptr<TSGML> TSGML::readDocument(std::string_view text, bool* truncated) {
    text = text.substr(0, textEnd(text));
    size_t cursor = 0;
    bool cut = false;
    auto root = readAt(text, cursor, 0, cut);
    if (truncated) *truncated = cut;
    return root;
}

std::unique_ptr<TSGML> TSGML::read(std::string_view text, size_t& cursor) {
    text = text.substr(0, textEnd(text));
    bool cut = false;
    return readAt(text, cursor, 0, cut);
}

std::unique_ptr<TSGML> TSGML::readAt(std::string_view text, size_t& c, int depth, bool& cut) {
    const size_t end = text.size(); // the callers cut the text at its first zero byte
    auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    while (c < end && text[c] != '<')
        ++c;
    if (c >= end || depth >= kMaxMarkupDepth) return nullptr;
    if (c + 1 < end && text[c + 1] == '/') return nullptr; // a closing tag: the caller's list ends
    auto e = std::make_unique<TSGML>();
    ++c;
    while (c < end && isSpace(at(c)))
        ++c;
    size_t nameStart = c;
    while (c < end && isWord(at(c)))
        ++c;
    e->tagName_ = std::string(text.substr(nameStart, c - nameStart));
    for (;;) {
        while (c < end && isSpace(at(c)))
            ++c;
        if (c >= end) {
            cut = true;
            return e;
        }
        if (text[c] == '>') {
            ++c;
            if (isLeafTag(e->tagName_)) return e;
            break;
        }
        if (text[c] == '/') {
            c = std::min(end, c + 2);
            return e;
        }
        // An attribute: its name, then everything up to the opening quote
        // (the = and any blanks), then the value up to the closing quote.
        size_t n = c;
        while (c < end) {
            if (isLeadByte(at(c)) && c + 1 < end)
                c += 2;
            else if (isWord(at(c)))
                ++c;
            else
                break;
        }
        std::string name(text.substr(n, c - n));
        while (c < end && text[c] != '"')
            ++c;
        if (c >= end) {
            cut = true;
            return e;
        }
        ++c;
        std::string value;
        while (c < end && text[c] != '"') {
            if (text[c] == '%') { // %xx is one byte; a pair that is not hexadecimal gives 0
                int hi = c + 1 < end ? hexDigit(at(c + 1)) : -1;
                int lo = c + 2 < end ? hexDigit(at(c + 2)) : -1;
                value.push_back(hi < 0 || lo < 0 ? '\0' : char(hi * 16 + lo));
                c = std::min(end, c + 3);
            } else {
                value.push_back(text[c++]);
            }
        }
        if (c >= end) {
            cut = true;
            return e;
        } // the text ended inside the value
        ++c;
        e->appendEntry(name + "=" + value);
    }
    e->childrenOpened_ = true;
    while (auto child = readAt(text, c, depth + 1, cut))
        e->children_.push_back(std::move(child));
    while (c < end && text[c] != '>')
        ++c;
    if (c < end)
        ++c;
    else
        cut = true; // the text ended before the element's closing tag
    return e;
}

std::unique_ptr<TSGML> TSGML::fromTag(const std::string& text) {
    size_t cursor = 0;
    return fromTag(text, cursor);
}

std::unique_ptr<TSGML> TSGML::fromTag(const std::string& text, size_t& cursor) {
    return tagAt(text, cursor, 0);
}

std::unique_ptr<TSGML> TSGML::tagAt(const std::string& text, size_t& cursor, int depth) {
    TBRegExp& re = sharedRegExp();
    if (!re.match("/<[^>]*>/", text, cursor)) throw ERavokError(translate("Tag Error"));
    std::string tag = re.group(0);
    cursor = size_t(re.groupEnd(0));
    auto e = std::make_unique<TSGML>();
    bool empty = re.match("/\\/>$/", tag);
    if (re.match("/<([\\w\\d]*)/", tag)) e->tagName_ = re.group(1);
    size_t from = 0;
    while (re.match("/([\\w\\d]*)=\"([^\"]*)\"/", tag, from)) {
        std::string name = re.group(1), value = re.group(2);
        from = size_t(re.groupEnd(0));
        e->setAttr(name, unescapeMarkup(unescapeMarkup(value)));
    }
    if (empty || isLeafTag(e->tagName_) || depth >= kMaxMarkupDepth) return e;
    e->childrenOpened_ = true;
    for (;;) {
        if (!re.match("/<[^>]*>/", text, cursor)) {
            ReportError(translate("invalid Tag : ") + text.substr(std::min(cursor, text.size())));
            break;
        }
        size_t tagStart = size_t(re.groupStart(0)), tagEnd = size_t(re.groupEnd(0));
        if (re.match("/^<\\/[^>]*>/", text.substr(tagStart, tagEnd - tagStart))) {
            cursor = tagEnd;
            break;
        }
        e->children_.push_back(tagAt(text, cursor, depth + 1));
    }
    return e;
}

std::string TSGML::write(const std::string& indent) const {
    std::string out = indent + "<" + tagName_;
    for (const std::string& entry : attributes_) {
        size_t eq = entry.find('=');
        // Entries without a name or with an empty value are not written.
        if (eq == std::string::npos || eq == 0 || eq + 1 >= entry.size()) continue;
        out += " " + entry.substr(0, eq) + "=\"" + escapeMarkup(entry.substr(eq + 1)) + "\"";
    }
    if (children_.empty()) return out + "/>";
    out += ">\r\n";
    for (const auto& child : children_)
        out += child->write(indent + " ");
    return out + indent + "</" + tagName_ + ">";
}

} // namespace ravok
