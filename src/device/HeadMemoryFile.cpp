#include "device/HeadMemoryFile.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vmf {
namespace {

constexpr char kMagic[8] = {'V', 'M', 'F', 'H', 'E', 'A', 'D', '1'};

void PutU32(std::vector<uint8_t>& out, uint32_t u) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}
void PutU64(std::vector<uint8_t>& out, uint64_t u) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}
template <size_t N>
void PutFloats(std::vector<uint8_t>& out, const std::array<float, N>& values) {
    for (float f : values) PutU32(out, std::bit_cast<uint32_t>(f));
}

struct Reader {
    const std::vector<uint8_t>& bytes;
    size_t pos = 0;
    bool ok = true;
    uint64_t Take(int n) {
        if (pos + static_cast<size_t>(n) > bytes.size()) {
            ok = false;
            return 0;
        }
        uint64_t u = 0;
        for (int i = 0; i < n; ++i) u |= uint64_t(bytes[pos + i]) << (8 * i);
        pos += static_cast<size_t>(n);
        return u;
    }
    template <size_t N>
    void Floats(std::array<float, N>& values) {
        for (float& f : values) f = std::bit_cast<float>(static_cast<uint32_t>(Take(4)));
    }
};

}  // namespace

std::optional<HeadMemory> LoadHeadMemory(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (bytes.size() > (1u << 20)) break;  // far beyond any memory file
    }
    std::fclose(f);
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    Reader r{bytes, sizeof kMagic};
    HeadMemory m;
    uint64_t serialLength = r.Take(4);
    if (!r.ok || serialLength > static_cast<uint64_t>(kSerialBufferSize) ||
        r.pos + serialLength > bytes.size())
        return std::nullopt;
    m.serial.assign(reinterpret_cast<const char*>(bytes.data() + r.pos), serialLength);
    r.pos += serialLength;
    for (double& c : m.coeffs) c = std::bit_cast<double>(r.Take(8));
    r.Floats(m.wavelengthNm);
    for (auto& step : m.dark) r.Floats(step);
    r.Floats(m.gain);
    r.Floats(m.white);
    r.Floats(m.trans);
    if (!r.ok || r.pos != bytes.size()) return std::nullopt;
    return m;
}

bool SaveHeadMemory(const std::string& path, const HeadMemory& m) {
    if (m.serial.size() > static_cast<size_t>(kSerialBufferSize)) return false;
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    PutU32(out, static_cast<uint32_t>(m.serial.size()));
    out.insert(out.end(), m.serial.begin(), m.serial.end());
    for (double c : m.coeffs) PutU64(out, std::bit_cast<uint64_t>(c));
    PutFloats(out, m.wavelengthNm);
    for (const auto& step : m.dark) PutFloats(out, step);
    PutFloats(out, m.gain);
    PutFloats(out, m.white);
    PutFloats(out, m.trans);

    const std::string temp = path + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = std::fclose(f) == 0 && ok;
    if (ok) {
#if defined(_WIN32)
        std::remove(path.c_str());  // rename does not replace on Windows
#endif
        ok = std::rename(temp.c_str(), path.c_str()) == 0;
    }
    if (!ok) std::remove(temp.c_str());
    return ok;
}

}  // namespace vmf
