// The environment store: user settings that survive between runs, lines
// env:NAME=VALUE kept in Kernel\Cookies.ini. Names are looked up without
// regard to case; the first matching line wins.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ravok {

class TEnvironment {
public:
    static TEnvironment& instance();

    // Replaces the store with the file's lines when the file exists.
    void load(std::string_view path);
    bool save(std::string_view path) const;
    void load(); // the program's Kernel\Cookies.ini
    bool save() const;

    // Removes every line env:NAME=... (NAME compared exactly) and appends one.
    void setEnv(std::string_view name, std::string_view value);
    std::string getEnv(std::string_view name) const;

    const std::vector<std::string>& lines() const { return lines_; }
    void clear() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
};

} // namespace ravok
