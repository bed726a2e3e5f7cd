// Path arithmetic on the Windows paths that games store: '\' separates
// folders, a drive is a letter and ':', comparisons ignore case. The program
// keeps every path in this form (a host path /a/b is \a\b) and converts only
// when it touches the file system (host_files.h). A '\' that is the second
// byte of a double-byte character is never a separator.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ravok {

bool isAbsolute(std::string_view p);
// Removes one trailing '\'.
std::string stripSlash(std::string_view p);
std::string parentDir(std::string_view p);
// The file name without its last extension.
std::string baseName(std::string_view p);
// The file name (the last component).
std::string fileName(std::string_view p);
// The last extension with its dot ("" when there is none).
std::string extension(std::string_view p);
std::string resolve(std::string_view p, std::string_view base);
bool startsWithCI(std::string_view a, std::string_view b);
bool isInside(std::string_view p, std::string_view dir);
bool samePath(std::string_view a, std::string_view b);
std::string commonDir(std::string_view a, std::string_view b);
std::string relativePath(std::string_view p, std::string_view base);

// The pieces between separators ('\' only).
std::vector<std::string> splitPath(std::string_view p);

// Lower-cases ASCII letters outside double-byte characters.
std::string lowerPath(std::string_view p);

} // namespace ravok
