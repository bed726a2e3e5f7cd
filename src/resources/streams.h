// Buffered byte streams over files, 4096 bytes at a time, and the string-list
// record the compiled-class cache is stored in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

class TBufferedStream {
public:
    static constexpr size_t kBufferSize = 4096;
    virtual ~TBufferedStream();
    TBufferedStream(const TBufferedStream&) = delete;
    TBufferedStream& operator=(const TBufferedStream&) = delete;
    bool isOpen() const { return fd_ >= 0; }
    // FNV-1a over every byte written or read so far: a file can end with the
    // checksum of what precedes it, so that damage is noticed on reading.
    uint32_t checksum() const { return checksum_; }

protected:
    TBufferedStream() = default;
    void closeFile();
    void addToChecksum(const uint8_t* p, size_t n) {
        uint32_t h = checksum_;
        size_t i = 0;
        // Four bytes a turn: a class cache's code is read through here.
        for (; i + 4 <= n; i += 4) {
            h = (h ^ p[i]) * 16777619u;
            h = (h ^ p[i + 1]) * 16777619u;
            h = (h ^ p[i + 2]) * 16777619u;
            h = (h ^ p[i + 3]) * 16777619u;
        }
        for (; i < n; ++i)
            h = (h ^ p[i]) * 16777619u;
        checksum_ = h;
    }
    int fd_ = -1;
    uint32_t checksum_ = 2166136261u;
    uint8_t buffer_[kBufferSize];
    size_t fill_ = 0;
};

class TBufferedOutputStream : public TBufferedStream {
public:
    ~TBufferedOutputStream() override;
    void write(const void* data, size_t n);
    void writeByte(uint8_t b) { write(&b, 1); }
    void writeInt32(int32_t v);
    // Flushes and closes; false when a write failed.
    virtual bool close();

protected:
    bool flush();
    bool failed_ = false;
};

class TBufferedInputStream : public TBufferedStream {
public:
    // Up to n bytes; returns how many it delivered (fewer at the end).
    size_t read(void* data, size_t n) {
        // Most reads are a few bytes from the buffer: inline, without the loop.
        if (n <= fill_ - pos_) {
            const uint8_t* from = data_ + pos_;
            // An empty read may come with no buffer at all (an empty vector's).
            if (n > 0) std::memcpy(data, from, n);
            pos_ += n;
            addToChecksum(from, n);
            return n;
        }
        return readAcross(data, n);
    }
    // The next byte, or -1 at the end.
    int readByte();
    bool eof();
    size_t remaining() const { return fill_ - pos_; }

protected:
    bool refill();
    size_t readAcross(void* data, size_t n);
    size_t pos_ = 0;
    // Where the bytes in hand lie: the buffer, or all of a memory reader's.
    const uint8_t* data_ = buffer_;
};

class TFileReader : public TBufferedInputStream {
public:
    // Only a regular file opens: a FIFO, a device or a folder would block or
    // never end, and is refused without waiting.
    explicit TFileReader(std::string_view path);
    // Takes over a descriptor already opened for reading (or -1).
    explicit TFileReader(int fd);
};

// Reads bytes that are already in memory (which must outlive the reader), as
// a file reader reads a file holding them; there is no file, so isOpen() is
// false.
class TMemoryReader : public TBufferedInputStream {
public:
    TMemoryReader(const uint8_t* bytes, size_t size) {
        data_ = bytes;
        fill_ = size;
    }
};

// Writes a file atomically: the bytes go to a scratch file beside it, which
// replaces the file only when close() has written everything. A full disk or a
// crash half way leaves the old file as it was, never half of a new one. The
// scratch file is created new under a name nobody can guess, never through a
// link planted in its place.
class TFileWriter : public TBufferedOutputStream {
public:
    explicit TFileWriter(std::string_view path);
    // The file `leaf` in the open folder `dirFd` (the writer keeps a copy of
    // the descriptor): the scratch file and the rename stay in that folder
    // whatever links are changed around it meanwhile.
    TFileWriter(int dirFd, std::string_view leaf);
    ~TFileWriter() override;
    // Writes the rest and puts the file in place; false (and the old file
    // untouched) when anything failed.
    bool close() override;
    // Drops what was written; the old file stays.
    void abandon();

private:
    void openScratch();
    int dirFd_ = -1;
    std::string leaf_, scratch_;
};

// For tests: writes of every output stream fail once this many more bytes have
// gone out (negative: never), as on a full disk.
void failWritesAfter(int64_t bytes);

// A 4-byte little-endian count, then per string a 4-byte length L (length + 1)
// and L bytes: the text and a zero byte. Reading keeps each text up to its
// first zero byte; false on a truncated or implausible record.
void writeStringList(TBufferedOutputStream& out, const std::vector<std::string>& list);
bool readStringList(TBufferedInputStream& in, std::vector<std::string>& list);

} // namespace ravok
