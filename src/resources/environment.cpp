#include "resources/environment.h"

#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/text_lines.h"
#include "runtime/paths.h"
#include "runtime/sjis.h"

namespace ravok {

namespace {
std::string cookiesPath() { return resolve("Cookies.ini", settingsDirectory()); }

} // namespace

TEnvironment& TEnvironment::instance() {
    static TEnvironment env;
    return env;
}

void TEnvironment::load(std::string_view path) {
    std::string text;
    if (readWholeFile(path, text)) lines_ = textLines(text);
}

bool TEnvironment::save(std::string_view path) const {
    std::string text;
    for (const std::string& line : lines_)
        text += line + "\r\n";
    return writeWholeFile(path, text);
}

void TEnvironment::load() {
    // The user's own settings first; else those the program directory ships.
    std::string path = cookiesPath();
    if (!fileExists(path)) path = resolve("Kernel\\Cookies.ini", programDirectory());
    load(path);
}

bool TEnvironment::save() const { return save(cookiesPath()); }

void TEnvironment::setEnv(std::string_view name, std::string_view value) {
    // The name is matched exactly as given (letter case included), as a
    // literal: a name with regular-expression characters removes only its
    // own lines.
    std::string prefix = "env:" + std::string(name) + "=";
    std::vector<std::string> kept;
    for (std::string& line : lines_)
        if (line.compare(0, prefix.size(), prefix) != 0) kept.push_back(std::move(line));
    lines_ = std::move(kept);
    lines_.push_back(prefix + std::string(value));
}

std::string TEnvironment::getEnv(std::string_view name) const {
    std::string key = "env:" + std::string(name);
    for (const std::string& line : lines_) {
        size_t eq = line.find('=');
        if (eq != std::string::npos && equalsNoCase(std::string_view(line).substr(0, eq), key))
            return line.substr(eq + 1);
    }
    return {};
}

} // namespace ravok
