#include "compiler/class_image.h"

#include "compiler/class_cache.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/streams.h"
#include "runtime/paths.h"

namespace ravok {

namespace {
// "RVKI" and the class file version: an image written by another version of
// the player is not read at all.
constexpr uint32_t kImageMagic = 0x494B5652u;

// Reads little-endian words and byte runs from the image, refusing anything
// that would run past its end.
struct TImageCursor {
    std::string_view bytes;
    size_t at = 0;
    bool word(uint32_t& w) {
        if (bytes.size() - at < 4) return false;
        auto b = [&](size_t k) { return uint32_t(uint8_t(bytes[at + k])); };
        w = b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
        at += 4;
        return true;
    }
    bool run(std::string_view& out) {
        uint32_t n;
        if (!word(n) || bytes.size() - at < n) return false;
        out = bytes.substr(at, n);
        at += n;
        return true;
    }
};
} // namespace

void TClassImage::read(std::string_view file) {
    entries_.clear();
    next_ = 0;
    if (!readWholeFile(file, bytes_)) {
        bytes_.clear();
        return;
    }
    TImageCursor in{bytes_};
    uint32_t magic, version, count;
    if (!in.word(magic) || magic != kImageMagic || !in.word(version) ||
        version != uint32_t(kClassFileVersion) || !in.word(count))
        return;
    // Each entry takes at least its two lengths, so a forged count cannot
    // make the list reserve more than the file could hold.
    if (count > (bytes_.size() - in.at) / 8) return;
    std::vector<TEntry> entries;
    entries.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        TEntry e;
        if (!in.run(e.source) || !in.run(e.record)) return;
        entries.push_back(e);
    }
    if (in.at != bytes_.size()) return;
    entries_ = std::move(entries);
}

std::string_view TClassImage::recordFor(std::string_view sourceFile) const {
    for (size_t tried = 0; tried < entries_.size(); ++tried) {
        size_t i = (next_ + tried) % entries_.size();
        if (entries_[i].source == sourceFile) {
            next_ = i + 1;
            return entries_[i].record;
        }
    }
    return {};
}

bool writeClassImage(std::string_view file, const std::vector<std::string>& sourceFiles) {
    std::vector<std::string> records(sourceFiles.size());
    for (size_t i = 0; i < sourceFiles.size(); ++i)
        if (!readWholeFile(classCachePath(sourceFiles[i]), records[i])) return false;
    TFileWriter out(file);
    if (!out.isOpen()) return false;
    out.writeInt32(int32_t(kImageMagic));
    out.writeInt32(kClassFileVersion);
    out.writeInt32(int32_t(sourceFiles.size()));
    for (size_t i = 0; i < sourceFiles.size(); ++i) {
        out.writeInt32(int32_t(sourceFiles[i].size()));
        out.write(sourceFiles[i].data(), sourceFiles[i].size());
        out.writeInt32(int32_t(records[i].size()));
        out.write(records[i].data(), records[i].size());
    }
    return out.close();
}

std::string kernelImagePath() { return resolve("k127_Kernel", tempDirectory()); }

} // namespace ravok
