// The file operations of the scripts' sandbox, done through descriptors: the
// page's `files` folder is opened once as a real folder (a link there is
// refused), and every name under it is walked component by component with
// openat and O_NOFOLLOW. A link anywhere below, even one planted while the
// game runs, is never followed out of the folder.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace ravok {

class TFileReader;
class TFileWriter;

// An entry of the sandbox: the open folder that holds it and its name there.
class TSandboxEntry {
public:
    TSandboxEntry() = default;
    TSandboxEntry(int dirFd, std::string leaf) : dirFd_(dirFd), leaf_(std::move(leaf)) {}
    TSandboxEntry(TSandboxEntry&& other) noexcept;
    TSandboxEntry& operator=(TSandboxEntry&& other) noexcept;
    ~TSandboxEntry();

    // The folders on the way could all be opened as real folders.
    bool found() const { return dirFd_ >= 0; }
    bool isFile() const;   // a regular file, not through a link
    bool isFolder() const; // a real folder
    bool exists() const;   // anything at all, a link included
    int dirFd() const { return dirFd_; }
    const std::string& leaf() const { return leaf_; }

private:
    int dirFd_ = -1;
    std::string leaf_; // the host name (UTF-8) in dirFd_
};

// The entry for a program path under sandboxFolder() (sandboxPath() gives
// them). `makeFolders` creates the files folder and the missing folders on the
// way. An entry that is not found names no folder the sandbox may use.
TSandboxEntry sandboxEntry(std::string_view path, bool makeFolders);

// A reader of a regular file of the sandbox, or nullptr.
std::unique_ptr<TFileReader> openSandboxReader(std::string_view path);
// An atomic writer of a file of the sandbox (made with its folders), or
// nullptr. An existing entry of that name must be a regular file.
std::unique_ptr<TFileWriter> openSandboxWriter(std::string_view path);
bool writeSandboxFile(std::string_view path, std::string_view bytes);
// Reads a regular file of the sandbox of at most `limit` bytes.
bool readSandboxFile(std::string_view path, std::string& bytes, size_t limit);
bool deleteSandboxFile(std::string_view path);
bool moveSandboxFile(std::string_view from, std::string_view to);

} // namespace ravok
