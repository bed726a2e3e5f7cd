// TSGML: one element of the markup format every resource file is written in:
// a tag name, ordered name=value attributes and owned child elements, nothing
// else. The stream reader reads files, the tag reader builds elements from tag
// text the program composes, and the writer turns an element back into text.
#pragma once

#include "runtime/host_registry.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

class TSGML : public THostObject {
public:
    TSGML() = default;
    ~TSGML() override;
    const char* hostClassName() const override { return "TSGML"; }

    // The stream reader: the next element from the cursor (which it advances),
    // or nullptr at the end of the text or at a closing tag. Never fails.
    static std::unique_ptr<TSGML> read(std::string_view text, size_t& cursor);
    // The first element of a document.
    // `truncated` tells whether the text ended inside a tag or an open element.
    static std::unique_ptr<TSGML> readDocument(std::string_view text, bool* truncated = nullptr);
    // The tag reader: one element from the tag at or after the cursor, with
    // its children. Raises "Tag Error" when there is no tag.
    static std::unique_ptr<TSGML> fromTag(const std::string& text, size_t& cursor);
    static std::unique_ptr<TSGML> fromTag(const std::string& text);

    const std::string& tagName() const { return tagName_; }
    void setTagName(std::string name) { tagName_ = std::move(name); }

    // The value of the first attribute whose name matches without regard to
    // case; empty when there is none.
    std::string attr(std::string_view name) const;
    int attrCount() const { return int(attributes_.size()); }
    std::string attrName(int i) const;
    const std::string& attrEntry(int i) const { return attributes_[size_t(i)]; }
    // Removes an entry of that name and appends name=value at the end.
    void setAttr(std::string_view name, std::string_view value);

    bool hasChildren() const { return childrenOpened_; }
    const std::vector<std::unique_ptr<TSGML>>& children() const { return children_; }
    void addChild(std::unique_ptr<TSGML> child);
    void openChildren() { childrenOpened_ = true; }

    // The writer: indent + tag and attributes; children one level deeper.
    std::string write(const std::string& indent = "") const;

    // class, globalvalue, link, generator and cpattern never have children.
    static bool isLeafTag(std::string_view tag);

private:
    static std::unique_ptr<TSGML> readAt(std::string_view text, size_t& cursor, int depth,
                                         bool& cut);
    static std::unique_ptr<TSGML> tagAt(const std::string& text, size_t& cursor, int depth);
    void appendEntry(std::string entry) { attributes_.push_back(std::move(entry)); }

    std::string tagName_;
    std::vector<std::string> attributes_;
    std::vector<std::unique_ptr<TSGML>> children_;
    bool childrenOpened_ = false;
};

// How deep elements may nest; deeper markup is read as if it ended there, so a
// damaged file cannot exhaust the host stack.
constexpr int kMaxMarkupDepth = 1000;

} // namespace ravok
