// Buffered byte streams over files, 4096 bytes at a time, and the string-list
// record the compiled-class cache is stored in.
#pragma once

#include <cstddef>
#include <cstdint>
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
        for (size_t i = 0; i < n; ++i)
            checksum_ = (checksum_ ^ p[i]) * 16777619u;
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
    size_t read(void* data, size_t n);
    // The next byte, or -1 at the end.
    int readByte();
    bool eof();
    size_t remaining() const { return fill_ - pos_; }

protected:
    bool refill();
    size_t pos_ = 0;
};

class TFileReader : public TBufferedInputStream {
public:
    explicit TFileReader(std::string_view path);
};

// Writes a file atomically: the bytes go to a scratch file beside it, which
// replaces the file only when close() has written everything. A full disk or a
// crash half way leaves the old file as it was, never half of a new one.
class TFileWriter : public TBufferedOutputStream {
public:
    explicit TFileWriter(std::string_view path);
    ~TFileWriter() override;
    // Writes the rest and puts the file in place; false (and the old file
    // untouched) when anything failed.
    bool close() override;
    // Drops what was written; the old file stays.
    void abandon();

private:
    std::string path_, scratch_;
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
