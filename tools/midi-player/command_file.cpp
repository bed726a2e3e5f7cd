#include "command_file.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace midiplayer {

namespace {
std::string withoutLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    return line;
}
} // namespace

TCommand parseCommand(const std::string& text) {
    std::istringstream in(text);
    std::string first, second;
    std::getline(in, first);
    std::getline(in, second);
    first = withoutLineEnd(first);
    TCommand c;
    if (first.size() == 1 && std::string("PRSX").find(first[0]) != std::string::npos) {
        c.letter = first[0];
        c.argument = withoutLineEnd(second);
    }
    return c;
}

std::string readCommandFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string hostFileName(const std::string& name) {
    struct stat st;
    if (stat(name.c_str(), &st) == 0) return name;
    std::string slashed = name;
    for (char& ch : slashed)
        if (ch == '\\') ch = '/';
    return slashed;
}

} // namespace midiplayer
