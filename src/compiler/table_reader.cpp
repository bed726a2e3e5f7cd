#include "compiler/table_reader.h"

#include "resources/text_lines.h"
#include "runtime/messages.h"

#include <cstdlib>

namespace ravok {

namespace {

constexpr int32_t kUnbounded = 123456;

int depthOf(const std::string& line) {
    size_t d = line.find_first_not_of(' ');
    return int(d == std::string::npos ? line.size() : d);
}

// "バグ発生:" followed by the message.
void tableError(const TTableMessage& message, const std::string& text) {
    message(translate("\x83o\x83O\x94\xAD\x90\xB6:") + text);
}

uint8_t rangeBound(const TTableNode* child) {
    return child && child->Kind == nkLiteral && !child->Name.empty() ? uint8_t(child->Name[0]) : 0;
}

} // namespace

std::vector<std::string> splitTableLines(std::string_view text) { return textLines(text); }

TTableNode* TTable::newNode() {
    nodes_.push_back(std::make_unique<TTableNode>());
    return nodes_.back().get();
}

TTable::TTable(const std::vector<std::string>& lines, Flavour flavour, const TTableMessage& message,
               const std::function<const TNodeClass*(const std::string&)>& classFor,
               const TTable* lexical)
    : flavour_(flavour), message_(message) {
    if (flavour_ == Flavour::Grammar && !classFor)
        throw std::runtime_error("No onCreateList Assigned");
    size_t at = 0;
    root_ = lines.empty() ? newNode() : read(lines, at, 0);
    root_->Kind = nkSequence;
    for (auto& n : nodes_)
        resolve(n.get());
    if (flavour_ == Flavour::Lexical) {
        computeFirstSets();
        return;
    }
    for (auto& n : nodes_) {
        TTableNode* node = n.get();
        node->NodeClass = classFor(node->Name);
        if (node->Kind == nkLiteral && node != root_) {
            node->Link = lexical ? lexical->entry(node->Name) : nullptr;
            if (!node->Link) tableError(message_, node->Name + translate(" is not linked."));
        }
    }
}

TTableNode* TTable::read(const std::vector<std::string>& lines, size_t& at, int depth) {
    const std::string& line = lines[at];
    if (!line.empty() && line.back() == ' ') message_(translate("Wanring: extra space in ") + line);
    std::string text = line.substr(size_t(std::min<int>(depthOf(line), int(line.size()))));
    TTableNode* n = newNode();
    bool lexical = flavour_ == Flavour::Lexical;
    bool all = false;
    if (!text.empty() && text[0] == '\'') {
        n->Kind = nkLiteral;
        n->Name = text.substr(1);
        if (lexical && !n->Name.empty()) n->First.include(uint8_t(n->Name[0]));
    } else if (lexical && !text.empty() && text[0] == '$') {
        n->Kind = nkLiteral;
        n->Name = std::string(1, char(std::strtoul(text.c_str() + 1, nullptr, 16) & 0xFF));
        n->First.include(uint8_t(n->Name[0]));
    } else if (lexical && !text.empty() && text[0] == '-') {
        n->Kind = nkRange;
        n->Name = text.substr(1);
    } else if (text.size() >= 2 && text[0] == '[' && text[1] == ']') {
        n->Kind = nkSequence;
        n->Name = text.substr(2);
        n->MinCount = 0, n->MaxCount = 1;
        all = true;
    } else if (!text.empty() && text[0] == '[') {
        n->Kind = nkSequence;
        n->Name = text.size() >= 2 ? text.substr(2) : std::string();
        n->MinCount = 1, n->MaxCount = kUnbounded;
    } else if (!text.empty() && text[0] == '{') {
        n->Kind = nkSequence;
        n->Name = text.size() >= 2 ? text.substr(2) : std::string();
        n->MinCount = 0, n->MaxCount = kUnbounded;
        all = true;
    } else if (!text.empty() && text[0] == '|') {
        n->Kind = nkChoice;
        n->Name = text.substr(1);
    } else {
        n->Kind = nkReference;
        n->Name = text;
    }
    if (lexical && all) n->First.includeAll();

    ++at;
    while (at < lines.size()) {
        int d = depthOf(lines[at]);
        if (d <= depth) break;
        if (d == depth + 1)
            n->Children.push_back(read(lines, at, depth + 1));
        else
            ++at; // a line deeper than a child with no parent at the depth between
    }
    n->ChildCount = int32_t(n->Children.size());

    if (n->Kind == nkRange) {
        n->Low = rangeBound(n->ChildCount > 0 ? n->Children[0] : nullptr);
        n->High = rangeBound(n->ChildCount > 1 ? n->Children[1] : nullptr);
        if (n->Low == 0 || n->High == 0)
            tableError(message_,
                       translate("Please Put '' or $ at the first letters of each children"));
        for (int b = n->Low; b <= n->High; ++b)
            n->First.include(uint8_t(b));
    }
    return n;
}

TTableNode* TTable::entry(std::string_view name) const {
    for (TTableNode* e : root_->Children) {
        if (e->Name == name) return e;
    }
    return nullptr;
}

void TTable::resolve(TTableNode* n) {
    n->Link = n;
    if (n->Kind != nkReference || n == root_) return;
    TTableNode* target = entry(n->Name);
    if (target && target != n) {
        n->Link = target;
        return;
    }
    // No entry of that name, or the entry itself: a group of its own children.
    n->Kind = nkSequence;
    n->MinCount = n->MaxCount = 1;
}

bool TTable::updateFirst(TTableNode* n) {
    bool changed = false;
    for (TTableNode* c : n->Children)
        changed |= updateFirst(c);
    switch (n->Kind) {
    case nkChoice:
        for (TTableNode* c : n->Children)
            changed |= n->First.unionWith(c->First);
        break;
    case nkReference:
        changed |= n->First.unionWith(n->Link->First);
        break;
    case nkSequence:
        if (n->ChildCount > 0) changed |= n->First.unionWith(n->Children[0]->First);
        break;
    default:
        break;
    }
    return changed;
}

void TTable::computeFirstSets() {
    bool changed = true;
    while (changed) {
        changed = false;
        for (TTableNode* e : root_->Children)
            changed |= updateFirst(e);
    }
}

} // namespace ravok
