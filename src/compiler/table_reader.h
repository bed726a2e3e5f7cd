// Reading a table in the table-text format: the depth of a line is its number
// of leading blanks, line 0 is the header, the depth-1 lines are the entries,
// and a line of depth 0 (the tables end with "@") ends the table. After the
// blanks, the first characters give the node's kind.
#pragma once

#include "compiler/table_node.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

// Reports a table problem (the messages are the system's own); the front end
// shows them in a message box.
using TTableMessage = std::function<void(const std::string&)>;

class TTable {
public:
    enum class Flavour { Lexical, Grammar };

    // Reads and resolves the lines. Lexical tables also get their FIRST sets;
    // grammar tables ask classFor for each node's class and link their
    // terminals to the entries of `lexical`.
    TTable(const std::vector<std::string>& lines, Flavour flavour, const TTableMessage& message,
           const std::function<const TNodeClass*(const std::string&)>& classFor = {},
           const TTable* lexical = nullptr);

    TTableNode* root() const { return root_; }
    const std::vector<TTableNode*>& entries() const { return root_->Children; }
    // The depth-1 entry of that name (case-sensitive), or nullptr.
    TTableNode* entry(std::string_view name) const;

private:
    TTableNode* read(const std::vector<std::string>& lines, size_t& at, int depth);
    TTableNode* newNode();
    void resolve(TTableNode* n);
    void computeFirstSets();
    bool updateFirst(TTableNode* n);

    Flavour flavour_;
    const TTableMessage& message_;
    std::vector<std::unique_ptr<TTableNode>> nodes_;
    TTableNode* root_ = nullptr;
};

// Splits a table text into lines (LF or CR LF).
std::vector<std::string> splitTableLines(std::string_view text);

} // namespace ravok
