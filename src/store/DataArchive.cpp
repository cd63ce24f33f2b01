#include "store/DataArchive.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <utility>

#include "store/TextCodec.h"
#include "store/TextFormat.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VMF_STREAMING_STORES 1
#endif

namespace vmf {

DataArchive::DataArchive(FileHandle& file, Mode mode, std::string utf8Name, uint64_t startAt)
    : file_(&file),
      mode_(mode),
      name_(std::move(utf8Name)),
      buf_(new unsigned char[kBufferSize]),
      done_(mode == Mode::Loading ? startAt : 0),
      readAt_(done_) {}

DataArchive::DataArchive(std::string& out, std::string utf8Name)
    : memoryOut_(&out),
      mode_(Mode::Storing),
      name_(std::move(utf8Name)),
      buf_(new unsigned char[kBufferSize]) {}

DataArchive::DataArchive(const void* data, std::size_t n, std::string utf8Name)
    : memoryIn_(static_cast<const unsigned char*>(data)),
      memorySize_(n),
      mode_(Mode::Loading),
      name_(std::move(utf8Name)),
      buf_(new unsigned char[kBufferSize]) {}

std::ptrdiff_t DataArchive::ReadSource(void* data, std::size_t n, uint64_t at,
                                       std::string& reason) {
    if (file_) return file_->ReadAt(data, n, at, reason);
    if (at >= memorySize_) return 0;
    const std::size_t m = static_cast<std::size_t>(std::min<uint64_t>(n, memorySize_ - at));
    std::memcpy(data, memoryIn_ + at, m);
    return static_cast<std::ptrdiff_t>(m);
}

void DataArchive::Bytes(const void* data, std::size_t n) {
    RawBytes(static_cast<const char*>(data), n);
}

std::size_t DataArchive::ReadUpTo(void* data, std::size_t n) {
    auto* out = static_cast<unsigned char*>(data);
    std::size_t got = 0;
    while (got < n && !AtEnd()) {
        const std::size_t m = std::min(n - got, end_ - pos_);
        std::memcpy(out + got, buf_.get() + pos_, m);
        pos_ += m;
        got += m;
    }
    return got;
}

DataArchive::~DataArchive() {
#if defined(VMF_STREAMING_STORES)
    // Streaming stores are weakly ordered: once per archive, not per record
    // (each fence waits for the stores before it to drain), they are made
    // visible before the loaded arrays can reach another thread.
    if (IsLoading()) _mm_sfence();
#endif
}

void DataArchive::ThrowEndOfFile() const {
    // The same words the framework uses for an archive that runs out.
    throw ArchiveError(FileFailure::EndOfFile, name_ + " の末尾以降にアクセスしようとしました。");
}

void DataArchive::CheckCancel() const {
    if (progress_ && progress_->Cancelled())
        throw ArchiveError(FileFailure::Cancelled, name_ + " の処理を中止しました。");
}

void DataArchive::Refill(std::size_t n) {
    CheckCancel();
    std::size_t left = end_ - pos_;
    if (left > 0 && pos_ > 0) std::memmove(buf_.get(), buf_.get() + pos_, left);
    done_ += pos_;
    pos_ = 0;
    end_ = left;
    while (end_ < n) {
        std::string reason;
        std::ptrdiff_t got = ReadSource(buf_.get() + end_, kBufferSize - end_, readAt_, reason);
        if (got < 0)
            throw ArchiveError(FileFailure::ReadFailed,
                               name_ + " を読み込めませんでした。(" + reason + ")");
        if (got == 0) ThrowEndOfFile();
        end_ += static_cast<std::size_t>(got);
        readAt_ += static_cast<uint64_t>(got);
        if (progress_) progress_->Add(static_cast<uint64_t>(got));
    }
}

void DataArchive::SkipTo(uint64_t position) {
    const uint64_t at = Position();
    if (position <= at) return;
    if (position - at <= end_ - pos_) {
        pos_ += static_cast<std::size_t>(position - at);
        return;
    }
    done_ = readAt_ = position;
    pos_ = end_ = 0;
}

bool DataArchive::AtEnd() {
    if (pos_ < end_) return false;
    done_ += pos_;
    pos_ = end_ = 0;
    std::string reason;
    std::ptrdiff_t got = ReadSource(buf_.get(), kBufferSize, readAt_, reason);
    if (got < 0)
        throw ArchiveError(FileFailure::ReadFailed,
                           name_ + " を読み込めませんでした。(" + reason + ")");
    end_ = static_cast<std::size_t>(got);
    readAt_ += static_cast<uint64_t>(got);
    if (progress_) progress_->Add(static_cast<uint64_t>(got));
    return end_ == 0;
}

void DataArchive::Flush() {
    if (!IsStoring() || pos_ == 0) return;
    CheckCancel();
    std::string reason;
    if (memoryOut_) {
        memoryOut_->append(reinterpret_cast<const char*>(buf_.get()), pos_);
    } else if (!file_->Write(buf_.get(), pos_, reason)) {
        throw ArchiveError(FileFailure::WriteFailed,
                           name_ + " に書き込めませんでした。(" + reason + ")");
    }
    if (progress_) progress_->Add(pos_);
    done_ += pos_;
    pos_ = 0;
}

void DataArchive::Count(int32_t& v, int32_t maxValue, const char* what) {
    int32_t value = v;
    Int32(value);
    if (value < 0 || value > maxValue) {
        std::string range = CFormat("(%s %d は 0 から %d の範囲外です)", what, value, maxValue);
        if (IsStoring())
            throw ArchiveError(FileFailure::BadFormat, name_ + " に書き込めませんでした。" + range);
        throw ArchiveError(FileFailure::BadFormat,
                           name_ + " は予期しないファイル形式です。" + range);
    }
    v = value;
}

namespace {
// Little-endian coding on local pointers: stores through a byte pointer may
// alias the archive's own members, so loops that went through pos_ would
// reload it on every value.
inline void StoreLE32(unsigned char* p, uint32_t u) {
    p[0] = static_cast<unsigned char>(u);
    p[1] = static_cast<unsigned char>(u >> 8);
    p[2] = static_cast<unsigned char>(u >> 16);
    p[3] = static_cast<unsigned char>(u >> 24);
}
inline uint32_t LoadLE32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Splits m little-endian (a, b) pairs into the two arrays. Loading writes
// hundreds of megabytes of spectra that nothing reads back soon, so on x86
// the aligned middle goes past the caches (streaming stores): the stores then
// cost one memory write instead of a read for ownership plus a write, which
// makes this loop three times faster.
void SplitPairs(const unsigned char* p, float* a, float* b, std::size_t m) {
    std::size_t i = 0;
#if defined(VMF_STREAMING_STORES)
    if constexpr (std::endian::native == std::endian::little) {
        const auto misalign = [](const float* f) {
            return reinterpret_cast<std::uintptr_t>(f) & 15;
        };
        if (misalign(a) == misalign(b)) {
            for (; i < m && misalign(a + i) != 0; ++i) {
                a[i] = std::bit_cast<float>(LoadLE32(p + 8 * i));
                b[i] = std::bit_cast<float>(LoadLE32(p + 8 * i + 4));
            }
            for (; i + 4 <= m; i += 4) {
                const __m128 lo = _mm_loadu_ps(reinterpret_cast<const float*>(p + 8 * i));
                const __m128 hi = _mm_loadu_ps(reinterpret_cast<const float*>(p + 8 * i + 16));
                _mm_stream_ps(a + i, _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)));
                _mm_stream_ps(b + i, _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1)));
            }
        }
    }
#endif
    for (; i < m; ++i) {
        a[i] = std::bit_cast<float>(LoadLE32(p + 8 * i));
        b[i] = std::bit_cast<float>(LoadLE32(p + 8 * i + 4));
    }
}
}  // namespace

void DataArchive::Floats(float* values, std::size_t n) {
    // Whole runs are converted straight from or into the buffer; the loop
    // bodies are the same little-endian coding as Float32.
    while (n > 0) {
        std::size_t m;
        if (IsStoring()) {
            Reserve(4);
            m = std::min(n, (kBufferSize - pos_) / 4);
            unsigned char* p = buf_.get() + pos_;
            for (std::size_t i = 0; i < m; ++i)
                StoreLE32(p + 4 * i, std::bit_cast<uint32_t>(values[i]));
        } else {
            Need(4);
            m = std::min(n, (end_ - pos_) / 4);
            const unsigned char* p = buf_.get() + pos_;
            for (std::size_t i = 0; i < m; ++i)
                values[i] = std::bit_cast<float>(LoadLE32(p + 4 * i));
        }
        pos_ += 4 * m;
        values += m;
        n -= m;
    }
}

void DataArchive::FloatPairs(float* a, float* b, std::size_t n) {
    while (n > 0) {
        std::size_t m;
        if (IsStoring()) {
            Reserve(8);
            m = std::min(n, (kBufferSize - pos_) / 8);
            unsigned char* p = buf_.get() + pos_;
            for (std::size_t i = 0; i < m; ++i) {
                StoreLE32(p + 8 * i, std::bit_cast<uint32_t>(a[i]));
                StoreLE32(p + 8 * i + 4, std::bit_cast<uint32_t>(b[i]));
            }
        } else {
            Need(8);
            m = std::min(n, (end_ - pos_) / 8);
            SplitPairs(buf_.get() + pos_, a, b, m);
        }
        pos_ += 8 * m;
        a += m;
        b += m;
        n -= m;
    }
}

uint8_t DataArchive::Byte() {
    Need(1);
    return buf_[pos_++];
}

uint16_t DataArchive::Word16() {
    Need(2);
    uint16_t w = static_cast<uint16_t>(buf_[pos_] | buf_[pos_ + 1] << 8);
    pos_ += 2;
    return w;
}

uint32_t DataArchive::Word32Read() {
    uint32_t u = 0;
    Word32(u);
    return u;
}

uint64_t DataArchive::Word64Read() {
    Need(8);
    uint64_t u = Get64(pos_);
    pos_ += 8;
    return u;
}

void DataArchive::PutByte(uint8_t b) {
    Reserve(1);
    buf_[pos_++] = b;
}

void DataArchive::PutWord16(uint16_t w) {
    Reserve(2);
    buf_[pos_] = static_cast<unsigned char>(w);
    buf_[pos_ + 1] = static_cast<unsigned char>(w >> 8);
    pos_ += 2;
}

void DataArchive::PutLength(uint64_t n) {
    // The shortest of the four prefix forms that can hold n.
    if (n < 0xFF) {
        PutByte(static_cast<uint8_t>(n));
        return;
    }
    PutByte(0xFF);
    if (n < 0xFFFE) {
        PutWord16(static_cast<uint16_t>(n));
        return;
    }
    PutWord16(0xFFFF);
    if (n < 0xFFFFFFFFull) {
        uint32_t u = static_cast<uint32_t>(n);
        Word32(u);
        return;
    }
    uint32_t all = 0xFFFFFFFFu;
    Word32(all);
    Reserve(8);
    Put64(pos_, n);
    pos_ += 8;
}

uint64_t DataArchive::GetLength(bool& utf16) {
    uint8_t b = Byte();
    if (b < 0xFF) return b;
    uint16_t w = Word16();
    if (w < 0xFFFE) return w;
    if (w == 0xFFFE) {
        // Marker of a UTF-16 string; its own prefix (in characters) follows.
        // A second marker is not a string any writer produces.
        if (utf16)
            throw ArchiveError(FileFailure::BadFormat,
                               name_ + " は予期しないファイル形式です。(文字列の長さが不正です)");
        utf16 = true;
        return GetLength(utf16);
    }
    uint32_t d = Word32Read();
    if (d < 0xFFFFFFFFu) return d;
    return Word64Read();
}

void DataArchive::RawBytes(const char* data, std::size_t n) {
    while (n > 0) {
        Reserve(1);
        std::size_t m = std::min(n, kBufferSize - pos_);
        std::memcpy(buf_.get() + pos_, data, m);
        pos_ += m;
        data += m;
        n -= m;
    }
}

void DataArchive::ReadBytesInto(std::string& out, uint64_t n) {
    // Grows with the bytes actually present, so a prefix that claims more than
    // the file holds ends in the end-of-file error, not in a huge allocation.
    out.clear();
    try {
        while (n > 0) {
            Need(1);
            std::size_t m = static_cast<std::size_t>(std::min<uint64_t>(n, end_ - pos_));
            out.append(reinterpret_cast<const char*>(buf_.get() + pos_), m);
            pos_ += m;
            n -= m;
        }
    } catch (const std::bad_alloc&) {
        throw ArchiveError(FileFailure::OutOfMemory,
                           name_ + " を読み込めませんでした。(メモリが不足しています)");
    } catch (const std::length_error&) {
        throw ArchiveError(FileFailure::OutOfMemory,
                           name_ + " を読み込めませんでした。(メモリが不足しています)");
    }
}

void DataArchive::String(std::string& s) {
    if (IsStoring()) {
        PutLength(s.size());
        RawBytes(s.data(), s.size());
        return;
    }
    bool utf16 = false;
    uint64_t n = GetLength(utf16);
    if (!utf16) {
        std::string text;
        ReadBytesInto(text, n);
        s = std::move(text);
        return;
    }
    if (n > (UINT64_MAX / 2)) ThrowEndOfFile();  // more bytes than any file holds
    std::string bytes;
    ReadBytesInto(bytes, n * 2);
    std::u16string units(static_cast<std::size_t>(n), u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    s = Utf16ToCp932(units);
}

}  // namespace vmf
