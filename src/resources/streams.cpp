#include "resources/streams.h"

#include "resources/host_files.h"

#include "base/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ravok {

namespace {
int64_t gWriteAllowance = -1;
} // namespace

void failWritesAfter(int64_t bytes) { gWriteAllowance = bytes; }

TBufferedStream::~TBufferedStream() { closeFile(); }

void TBufferedStream::closeFile() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

TBufferedOutputStream::~TBufferedOutputStream() { close(); }

bool TBufferedOutputStream::flush() {
    size_t done = 0;
    while (done < fill_ && fd_ >= 0) {
        size_t want = fill_ - done;
        if (gWriteAllowance >= 0 && int64_t(want) > gWriteAllowance) {
            want = size_t(gWriteAllowance);
            if (want == 0) {
                failed_ = true;
                break;
            }
        }
        ssize_t n = ::write(fd_, buffer_ + done, want);
        if (n > 0 && gWriteAllowance >= 0) gWriteAllowance -= n;
        if (n <= 0) {
            failed_ = true;
            break;
        }
        done += size_t(n);
    }
    fill_ = 0;
    return !failed_;
}

void TBufferedOutputStream::write(const void* data, size_t n) {
    if (fd_ < 0) return; // a stream whose file failed to open takes nothing
    const auto* p = static_cast<const uint8_t*>(data);
    addToChecksum(p, n);
    while (n > 0) {
        size_t take = std::min(n, kBufferSize - fill_);
        std::memcpy(buffer_ + fill_, p, take);
        fill_ += take;
        p += take;
        n -= take;
        if (fill_ == kBufferSize) flush();
    }
}

void TBufferedOutputStream::writeInt32(int32_t v) {
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    write(b, 4);
}

bool TBufferedOutputStream::close() {
    if (fd_ < 0) return !failed_;
    flush();
    closeFile();
    return !failed_;
}

bool TBufferedInputStream::refill() {
    pos_ = fill_ = 0;
    if (fd_ < 0) return false;
    data_ = buffer_;
    ssize_t n = ::read(fd_, buffer_, kBufferSize);
    if (n > 0) fill_ = size_t(n);
    return fill_ > 0;
}

size_t TBufferedInputStream::readAcross(void* data, size_t n) {
    auto* p = static_cast<uint8_t*>(data);
    size_t got = 0;
    while (got < n) {
        if (pos_ == fill_ && !refill()) break;
        size_t take = std::min(n - got, fill_ - pos_);
        std::memcpy(p + got, data_ + pos_, take);
        pos_ += take;
        got += take;
    }
    addToChecksum(p, got);
    return got;
}

int TBufferedInputStream::readByte() {
    uint8_t b;
    return read(&b, 1) == 1 ? b : -1;
}

bool TBufferedInputStream::eof() { return pos_ == fill_ && !refill(); }

TFileReader::TFileReader(std::string_view path) : TFileReader(-1) {
    // As spelt first; a name that is not there is looked for by case.
    fd_ = openRegularFile(AT_FDCWD, directHostPath(path).c_str(), false);
    if (fd_ < 0 && errno == ENOENT)
        fd_ = openRegularFile(AT_FDCWD, toHostPath(path).c_str(), false);
    refill();
}

TFileReader::TFileReader(int fd) {
    fd_ = fd;
    refill();
}

namespace {

// Sixteen hex digits from the system's random source: a scratch name that a
// game archive cannot have prepared a link for.
std::string unguessableSuffix() {
    static std::random_device device;
    uint64_t bits = (uint64_t(device()) << 32) ^ device();
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(bits));
    return text;
}

} // namespace

TFileWriter::TFileWriter(std::string_view path) {
    std::string host = toHostPath(path);
    size_t slash = host.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : host.substr(0, slash);
    leaf_ = slash == std::string::npos ? host : host.substr(slash + 1);
    dirFd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    openScratch();
}

TFileWriter::TFileWriter(int dirFd, std::string_view leaf) : leaf_(leaf) {
    dirFd_ = dirFd >= 0 ? fcntl(dirFd, F_DUPFD_CLOEXEC, 0) : -1;
    openScratch();
}

void TFileWriter::openScratch() {
    if (dirFd_ >= 0 && !leaf_.empty() && leaf_ != "." && leaf_ != "..") {
        // O_EXCL with O_NOFOLLOW: the scratch file is always a new file of
        // our own, even if a link of that name appeared meanwhile.
        for (int attempt = 0; attempt < 8 && fd_ < 0; ++attempt) {
            scratch_ = "." + leaf_ + ".~" + unguessableSuffix() + ".tmp";
            fd_ = ::openat(dirFd_, scratch_.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST) break;
        }
    }
    if (fd_ < 0) {
        scratch_.clear();
        failed_ = true;
    }
}

TFileWriter::~TFileWriter() {
    close();
    if (dirFd_ >= 0) ::close(dirFd_);
}

bool TFileWriter::close() {
    if (fd_ < 0) return !failed_ && scratch_.empty();
    bool ok = TBufferedOutputStream::close();
    // rename replaces a link of the final name with the file itself; it
    // never writes through it.
    ok = ok && ::renameat(dirFd_, scratch_.c_str(), dirFd_, leaf_.c_str()) == 0;
    if (!ok) ::unlinkat(dirFd_, scratch_.c_str(), 0);
    scratch_.clear();
    failed_ = !ok;
    return ok;
}

void TFileWriter::abandon() {
    if (fd_ < 0) return;
    closeFile();
    ::unlinkat(dirFd_, scratch_.c_str(), 0);
    scratch_.clear();
    failed_ = true;
}

void writeStringList(TBufferedOutputStream& out, const std::vector<std::string>& list) {
    out.writeInt32(int32_t(list.size()));
    for (const std::string& s : list) {
        out.writeInt32(int32_t(s.size() + 1));
        out.write(s.data(), s.size());
        out.writeByte(0);
    }
}

bool readStringList(TBufferedInputStream& in, std::vector<std::string>& list) {
    auto readInt = [&](int32_t& v) {
        uint8_t b[4];
        if (in.read(b, 4) != 4) return false;
        v = int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                    uint32_t(b[3]) << 24);
        return true;
    };
    list.clear();
    int32_t count;
    if (!readInt(count) || count < 0) return false;
    for (int32_t i = 0; i < count; ++i) {
        int32_t len;
        // A length beyond 16 MiB is a damaged record, not a string.
        if (!readInt(len) || len < 0 || len > (16 << 20)) return false;
        // Read piece by piece: a damaged length must not allocate megabytes
        // before the file turns out to end much sooner.
        std::string s;
        for (size_t want = size_t(len); want > 0;) {
            char piece[4096];
            size_t n = std::min(want, sizeof piece);
            size_t got = in.read(piece, n);
            s.append(piece, got);
            if (got < n) return false;
            want -= got;
        }
        s.resize(std::strlen(s.c_str()));
        list.push_back(std::move(s));
    }
    return true;
}

} // namespace ravok
