// Warnings about the traps a beginner falls into: code that is valid and runs,
// but surely not as meant. None of them changes what the code does.
//   unassigned       a variable read where nothing assigned it first
//   lone-name        a statement that is a name alone (`continue;`)
//   extra-arguments  a call with more arguments than its method declares
//   null-compare     a comparison whose left side is null
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace ravok {

struct TTrapWarning {
    std::string name; // one of the names above
    int32_t offset;   // in the source
    std::string text;
};

struct TTrapKnowledge {
    // Names assigned somewhere in the program (fields, globals), so reading
    // them in another method is not a trap.
    std::set<std::string> assigned;
    // The number of arguments a method of the checked class declares
    // (inherited ones too), or -1 when it is not known.
    std::function<int(const std::string& method)> methodArguments = [](const std::string&) {
        return -1;
    };
    // The arguments a kernel method of the checked class needs before its
    // native does anything (Kernel/arguments.ini), or -1.
    std::function<int(const std::string& method)> requiredArguments = [](const std::string&) {
        return -1;
    };
    // The same for the constructor of a class named in `new`.
    std::function<int(const std::string& className)> constructorArguments = [](const std::string&) {
        return -1;
    };
};

const std::vector<std::string>& trapNames();

// Adds the names that a class source assigns anywhere (also in for-in loops
// and with ++) to `names`. A source that does not parse adds nothing.
void collectAssignedNames(const std::string& source, std::set<std::string>& names);

// The traps in one class source, in source order.
std::vector<TTrapWarning> findTraps(const std::string& source, const TTrapKnowledge& known);

} // namespace ravok
