// The file layer: where the program's Windows-style paths meet the host's file
// system. Both '\' and '/' separate; each component is converted from CP932
// to UTF-8 and, when the exact name is missing, matched without regard to
// case against an index of its folder (refreshed when the folder changes).
// A drive letter names nothing on this host and is dropped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

// The host path (UTF-8) for a program path, following existing names.
std::string toHostPath(std::string_view path);
// The host path as the program path spells it, without looking on disk:
// the first try before toHostPath's search by case.
std::string directHostPath(std::string_view path);
// The program path (CP932, '\') for a host path.
std::string fromHostPath(std::string_view hostPath);

bool fileExists(std::string_view path); // a file or a folder
bool directoryExists(std::string_view path);
// A regular file (through links), not a folder, FIFO, device or socket.
bool regularFileExists(std::string_view path);
// Reads a file of at most `limit` bytes. A longer one is refused before it
// fills the memory, and what is not a regular file (a FIFO that would block,
// a device that never ends, a folder) before it is read at all.
enum class TReadResult { Ok, Missing, TooLarge, NotRegular };
// The message piece for a failed read: " is too large to be a source." and
// the like, to follow the file's name.
const char* readFailureText(TReadResult result, const char* tooLarge, const char* missing);
TReadResult readFileUpTo(std::string_view path, std::string& bytes, size_t limit);
// Class sources and pages: far beyond any a person writes.
constexpr size_t kMaxSourceBytes = size_t(16) << 20;
// Everything else read whole (songs, sounds, tables, caches).
constexpr size_t kMaxWholeFileBytes = size_t(512) << 20;
bool readWholeFile(std::string_view path, std::string& bytes);
bool writeWholeFile(std::string_view path, std::string_view bytes);
bool renameFile(std::string_view from, std::string_view to);
bool deleteFile(std::string_view path);
// Creates the folder and every missing parent; false when it cannot.
bool forceDirs(std::string_view dir);

struct TDirectoryEntries {
    std::vector<std::string> files;   // program-path names (CP932)
    std::vector<std::string> folders; // without . and ..
};
TDirectoryEntries listDirectory(std::string_view dir);

// The host's canonical form of a path whose final components may not exist
// yet: the existing part resolved through links, the rest appended.
std::string canonicalHostPath(std::string_view path);

// A 32-bit stamp of the file's modification time (0 when it does not exist);
// it changes whenever the file is written.
uint32_t fileStamp(std::string_view path);

// Forgets the folder indexes (after something outside the player changed them).
void forgetDirectoryIndexes();

} // namespace ravok
