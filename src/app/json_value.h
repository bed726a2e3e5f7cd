// A JSON value for the debug adapter's messages: parsing (UTF-8 text, \u
// escapes with surrogate pairs) and writing (compact, control characters
// escaped). Objects keep their members in the order written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ravok {

class TJson {
public:
    enum class TKind { Null, Bool, Number, String, Array, Object };

    TJson() = default;
    TJson(std::nullptr_t) {}
    TJson(bool b) : kind_(TKind::Bool), bool_(b) {}
    TJson(int n) : kind_(TKind::Number), number_(n) {}
    TJson(int64_t n) : kind_(TKind::Number), number_(double(n)) {}
    TJson(uint32_t n) : kind_(TKind::Number), number_(n) {}
    TJson(double n) : kind_(TKind::Number), number_(n) {}
    TJson(const char* s) : kind_(TKind::String), string_(s) {}
    TJson(std::string s) : kind_(TKind::String), string_(std::move(s)) {}

    static TJson array() {
        TJson j;
        j.kind_ = TKind::Array;
        return j;
    }
    static TJson object() {
        TJson j;
        j.kind_ = TKind::Object;
        return j;
    }
    // Throws std::runtime_error on text that is not one JSON value.
    static TJson parse(const std::string& text);

    TKind kind() const { return kind_; }
    bool isNull() const { return kind_ == TKind::Null; }
    bool isObject() const { return kind_ == TKind::Object; }
    bool isArray() const { return kind_ == TKind::Array; }

    // Reading, with a fallback when the member is missing or of another kind.
    const TJson& operator[](const std::string& key) const;
    const TJson& operator[](size_t i) const;
    size_t size() const { return kind_ == TKind::Array ? items_.size() : members_.size(); }
    std::string str(const std::string& fallback = "") const {
        return kind_ == TKind::String ? string_ : fallback;
    }
    double num(double fallback = 0) const { return kind_ == TKind::Number ? number_ : fallback; }
    bool boolean(bool fallback = false) const { return kind_ == TKind::Bool ? bool_ : fallback; }

    // Building.
    TJson& set(const std::string& key, TJson value);
    TJson& push(TJson value);

    std::string dump() const;

private:
    TKind kind_ = TKind::Null;
    bool bool_ = false;
    double number_ = 0;
    std::string string_;
    std::vector<TJson> items_;
    std::vector<std::pair<std::string, TJson>> members_;
    friend class TJsonParser;
};

} // namespace ravok
