#pragma once
// The buffered byte stream behind the data file. One object either stores or
// loads, and its exchange functions take references so that one routine
// (Cvarnello_mfDoc::Persist) describes the layout for both directions.
//
// Numbers are encoded little-endian byte by byte, never by dumping memory, so
// the file is the same on any host. Values go through a 256 KiB buffer one at
// a time; the file image is never built in memory. Any failure throws
// ArchiveError carrying a message that names the file.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "common/FileProgress.h"
#include "store/ArchiveError.h"
#include "store/FileHandle.h"

namespace vmf {

class DataArchive {
public:
    enum class Mode { Storing, Loading };
    static constexpr std::size_t kBufferSize = 256 * 1024;

    // file must be open for writing (Storing) or reading (Loading) and outlive
    // the archive. utf8Name is the path used in messages. Loading starts at
    // byte startAt of the file and reads by offset, so several archives may
    // load different parts of one open file at once.
    DataArchive(FileHandle& file, Mode mode, std::string utf8Name, uint64_t startAt = 0);
    // The same layout in memory: storing appends to out; loading reads the n
    // bytes at data, which must outlive the archive. The recovery journal
    // keeps the store's heads this way, and the fuzz targets read from memory.
    DataArchive(std::string& out, std::string utf8Name);
    DataArchive(const void* data, std::size_t n, std::string utf8Name);
    ~DataArchive();
    DataArchive(const DataArchive&) = delete;
    DataArchive& operator=(const DataArchive&) = delete;

    bool IsStoring() const { return mode_ == Mode::Storing; }
    bool IsLoading() const { return mode_ == Mode::Loading; }
    const std::string& Name() const { return name_; }

    // --- Symmetric exchange: write the value, or read into it -------------
    void Int32(int32_t& v) {
        uint32_t u = static_cast<uint32_t>(v);
        Word32(u);
        v = static_cast<int32_t>(u);
    }
    void Float32(float& v) {
        uint32_t u = std::bit_cast<uint32_t>(v);
        Word32(u);
        v = std::bit_cast<float>(u);
    }
    void Float64(double& v) {
        uint64_t u = std::bit_cast<uint64_t>(v);
        if (IsStoring()) {
            Reserve(8);
            Put64(pos_, u);
            pos_ += 8;
        } else {
            Need(8);
            u = Get64(pos_);
            pos_ += 8;
            v = std::bit_cast<double>(u);
        }
    }
    // A count that bounds the loops after it: loading refuses a value outside
    // 0..maxValue before it is stored, and storing refuses one too (it would
    // make the writer run past the store's arrays). what names the field.
    void Count(int32_t& v, int32_t maxValue, const char* what);
    // n floats in a row.
    void Floats(float* values, std::size_t n);
    // n interleaved pairs a[0], b[0], a[1], b[1], ...
    void FloatPairs(float* a, float* b, std::size_t n);
    // A length-prefixed string of code page 932 bytes. Loading also takes the
    // UTF-16 form (0xFF 0xFFFE marker) and converts it to code page 932.
    void String(std::string& s);

    // Loading: true when no byte is left (used to accept an empty file).
    bool AtEnd();
    // Storing: writes out what the buffer holds.
    void Flush();
    // Storing: n bytes as they are (what follows the plain layout).
    void Bytes(const void* data, std::size_t n);
    // Loading: up to n bytes into data; fewer only where the input ends.
    std::size_t ReadUpTo(void* data, std::size_t n);
    // Bytes exchanged so far (loading: the file offset of the next byte).
    uint64_t Position() const { return done_ + static_cast<uint64_t>(pos_); }
    // Loading: continues at file offset position (>= Position()), as if the
    // bytes before it had been read; whether they exist is found out by the
    // next read.
    void SkipTo(uint64_t position);
    // The file behind a file archive; nullptr for one in memory.
    FileHandle* File() { return file_; }

    // Bytes moved to or from the file are added to progress->done, and a set
    // progress->cancel stops the archive at its next buffer (ArchiveError
    // Cancelled). Checked once per buffer, so a cancel takes effect within
    // 256 KiB. nullptr (the default) reports nothing.
    void SetProgress(FileProgress* progress) { progress_ = progress; }
    FileProgress* Progress() const { return progress_; }

private:
    void Word32(uint32_t& u) {
        if (IsStoring()) {
            Reserve(4);
            Put32(pos_, u);
            pos_ += 4;
        } else {
            Need(4);
            u = Get32(pos_);
            pos_ += 4;
        }
    }
    // Storing: makes room for n bytes (n <= kBufferSize).
    void Reserve(std::size_t n) {
        if (kBufferSize - pos_ < n) Flush();
    }
    // Loading: makes n bytes available at pos_ (n <= kBufferSize) or throws.
    void Need(std::size_t n) {
        if (end_ - pos_ < n) Refill(n);
    }
    void Refill(std::size_t n);
    // Reads up to n bytes at offset `at` of the input (file or memory).
    std::ptrdiff_t ReadSource(void* data, std::size_t n, uint64_t at, std::string& reason);
    [[noreturn]] void ThrowEndOfFile() const;
    void CheckCancel() const;

    void Put32(std::size_t at, uint32_t u) {
        unsigned char* p = buf_.get() + at;
        p[0] = static_cast<unsigned char>(u);
        p[1] = static_cast<unsigned char>(u >> 8);
        p[2] = static_cast<unsigned char>(u >> 16);
        p[3] = static_cast<unsigned char>(u >> 24);
    }
    void Put64(std::size_t at, uint64_t u) {
        Put32(at, static_cast<uint32_t>(u));
        Put32(at + 4, static_cast<uint32_t>(u >> 32));
    }
    uint32_t Get32(std::size_t at) const {
        const unsigned char* p = buf_.get() + at;
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
               static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    }
    uint64_t Get64(std::size_t at) const {
        return static_cast<uint64_t>(Get32(at)) | static_cast<uint64_t>(Get32(at + 4)) << 32;
    }

    uint8_t Byte();
    uint16_t Word16();
    uint32_t Word32Read();
    uint64_t Word64Read();
    void PutByte(uint8_t b);
    void PutWord16(uint16_t w);
    void PutLength(uint64_t n);
    // Reads a length prefix; sets utf16 when the 0xFFFE marker came first.
    uint64_t GetLength(bool& utf16);
    void RawBytes(const char* data, std::size_t n);  // storing
    void ReadBytesInto(std::string& out, uint64_t n);

    FileHandle* file_ = nullptr;
    std::string* memoryOut_ = nullptr;
    const unsigned char* memoryIn_ = nullptr;
    std::size_t memorySize_ = 0;
    Mode mode_;
    std::string name_;
    std::unique_ptr<unsigned char[]> buf_;
    std::size_t pos_ = 0;  // next byte to read or write in buf_
    std::size_t end_ = 0;  // loading: bytes valid in buf_
    uint64_t done_ = 0;    // bytes moved between buf_ and the file before pos_ 0
    uint64_t readAt_ = 0;  // loading: file offset of the next read
    FileProgress* progress_ = nullptr;
};

}  // namespace vmf
