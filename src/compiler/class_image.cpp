#include "compiler/class_image.h"

#include "compiler/class_cache.h"

#include "base/regular_file.h"
#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "resources/streams.h"
#include "runtime/paths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

TClassImage::~TClassImage() { release(); }

void TClassImage::release() {
    if (mapped_) munmap(mapped_, mappedSize_);
    mapped_ = nullptr;
    mappedSize_ = 0;
    copy_.clear();
    bytes_ = {};
    entries_.clear();
    next_ = 0;
}

void TClassImage::read(std::string_view file) {
    release();
    // Read into memory mapped whole at once: its pages come in one call
    // rather than a fault each. Mapping the file itself would be cheaper
    // still, but a file cut short by another program while it is mapped
    // kills the process that touches the lost pages.
    int fd = openRegularFile(AT_FDCWD, directHostPath(file).c_str(), false);
    struct stat st;
    if (fd >= 0 && fstat(fd, &st) == 0 && st.st_size > 0 &&
        uint64_t(st.st_size) < kMaxWholeFileBytes) {
        size_t size = size_t(st.st_size);
        void* at = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (at != MAP_FAILED) {
            mapped_ = static_cast<char*>(at);
            mappedSize_ = size;
            size_t got = 0;
            while (got < size) {
                ssize_t n = ::read(fd, mapped_ + got, size - got);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                got += size_t(n);
            }
            bytes_ = std::string_view(mapped_, got);
        }
    }
    if (fd >= 0) ::close(fd);
    if (!mapped_) {
        if (!readWholeFile(file, copy_)) return;
        bytes_ = copy_;
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
