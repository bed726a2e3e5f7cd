// A class image: the cache records of many classes (the kernel's) in one file,
// read with one call at start-up instead of opening a cache file per class.
// Each record is the very bytes of the class's own cache file, so it is
// checked the same way when it is loaded: the version, the source's stamp and
// the trailing checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

class TClassImage {
public:
    TClassImage() = default;
    ~TClassImage();
    TClassImage(const TClassImage&) = delete;
    TClassImage& operator=(const TClassImage&) = delete;
    // Reads the image; a file that is absent, cut short or malformed leaves
    // the image empty (every class is then looked for as before).
    void read(std::string_view file);
    bool empty() const { return entries_.empty(); }
    // The record kept for the class compiled from `sourceFile`, or an empty
    // view. Classes are asked for in the order the image was written in, so
    // the look-up tries the entry after the last one found first.
    std::string_view recordFor(std::string_view sourceFile) const;

private:
    struct TEntry {
        std::string_view source, record;
    };
    void release();
    // The file's bytes, in memory mapped for them where that can be had,
    // else in `copy_`.
    char* mapped_ = nullptr;
    size_t mappedSize_ = 0;
    std::string copy_;
    std::string_view bytes_;
    std::vector<TEntry> entries_;
    mutable size_t next_ = 0;
};

// Writes an image of the classes compiled from `sourceFiles`, each taken from
// its cache file; false (and no file written) when one of them has none.
bool writeClassImage(std::string_view file, const std::vector<std::string>& sourceFiles);

// Where the kernel's image is kept: beside the class cache files.
std::string kernelImagePath();

} // namespace ravok
