// A short fuzzing run of one target without libFuzzer, for ctest in any
// build: every seed as it is, then seeds changed in the ways that find
// readers' faults (flipped bits, bytes and 32-bit words set to boundary
// values, cuts, repeated or dropped pieces, two inputs spliced) for a few
// seconds, from a fixed random seed so a failure comes back on the next run.
// Half the changed inputs get their checksums made right again (journal
// frames, the time trailer), so the run reaches what checksums cannot catch:
// contents that are well-formed but impossible.
// A target aborts on a broken rule; under the sanitizer build, memory faults
// end the run too. Usage: fuzz_<name> SECONDS SEED_FILE_OR_FOLDER...

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "store/Crc32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Input = std::vector<uint8_t>;

Input ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Input(std::istreambuf_iterator<char>(in), {});
}

uint32_t Get32(const Input& in, std::size_t at) {
    return static_cast<uint32_t>(in[at]) | static_cast<uint32_t>(in[at + 1]) << 8 |
           static_cast<uint32_t>(in[at + 2]) << 16 | static_cast<uint32_t>(in[at + 3]) << 24;
}
void Put32(Input& in, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) in[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
bool StartsWith(const Input& in, std::size_t at, const char* magic) {
    for (std::size_t i = 0; magic[i]; ++i)
        if (at + i >= in.size() || in[at + i] != static_cast<uint8_t>(magic[i])) return false;
    return true;
}

// A journal's frames (at 0) or a time trailer (after the trailer target's
// three bytes of store shape) get checksums that match their bytes.
void FixChecksums(Input& in) {
    if (StartsWith(in, 0, "VQJRNL01")) {
        for (std::size_t at = 8; in.size() - at >= 12;) {
            const uint64_t length = Get32(in, at + 4);
            if (in.size() - at - 12 < length) break;
            const std::size_t check = at + 8 + static_cast<std::size_t>(length);
            Put32(in, check, vmf::Crc32(0, in.data() + at, check - at));
            at = check + 4;
        }
    } else if (StartsWith(in, 3, "VQTRAIL1") && in.size() >= 3 + 20) {
        const uint64_t payload = Get32(in, 3 + 12) | static_cast<uint64_t>(Get32(in, 3 + 16)) << 32;
        if (payload <= in.size() && 3 + 20 + payload + 4 <= in.size()) {
            const std::size_t check = 3 + 20 + static_cast<std::size_t>(payload);
            Put32(in, check, vmf::Crc32(0, in.data() + 3, check - 3));
        }
    }
}

void Mutate(Input& in, const std::vector<Input>& pool, std::mt19937& rng) {
    auto pick = [&](std::size_t n) {
        return n ? std::uniform_int_distribution<std::size_t>(0, n - 1)(rng) : 0;
    };
    static const uint32_t kWords[] = {0,   1,   2,     9,     10,         11,         287,
                                      288, 289, 86399, 86400, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    static const uint8_t kBytes[] = {0, 1, 0x7F, 0x80, 0xFF};
    switch (pick(7)) {
        case 0:
            if (!in.empty()) in[pick(in.size())] ^= static_cast<uint8_t>(1u << pick(8));
            break;
        case 1:
            if (!in.empty()) in[pick(in.size())] = kBytes[pick(std::size(kBytes))];
            break;
        case 2:
            if (in.size() >= 4) {
                const std::size_t at = pick(in.size() - 3);
                const uint32_t w = kWords[pick(std::size(kWords))];
                for (int i = 0; i < 4; ++i) in[at + i] = static_cast<uint8_t>(w >> (8 * i));
            }
            break;
        case 3:
            in.resize(pick(in.size() + 1));
            break;
        case 4:
            if (!in.empty()) {  // a piece repeated
                const std::size_t from = pick(in.size()),
                                  n = pick(std::min<std::size_t>(in.size() - from, 4096) + 1);
                const Input piece(in.begin() + static_cast<long>(from),
                                  in.begin() + static_cast<long>(from + n));
                in.insert(in.begin() + static_cast<long>(pick(in.size() + 1)), piece.begin(),
                          piece.end());
            }
            break;
        case 5:
            if (!in.empty()) {  // a piece dropped
                const std::size_t from = pick(in.size()), n = pick(in.size() - from + 1);
                in.erase(in.begin() + static_cast<long>(from),
                         in.begin() + static_cast<long>(from + n));
            }
            break;
        default:
            if (!pool.empty()) {  // the head of one input, the tail of another
                const Input& other = pool[pick(pool.size())];
                in.resize(pick(in.size() + 1));
                const std::size_t from = pick(other.size() + 1);
                in.insert(in.end(), other.begin() + static_cast<long>(from), other.end());
            }
            break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SECONDS SEEDS...\n", argv[0]);
        return 2;
    }
    const double seconds = std::atof(argv[1]);
    std::vector<Input> seeds;
    for (int i = 2; i < argc; ++i) {
        const std::filesystem::path p(argv[i]);
        if (std::filesystem::is_directory(p)) {
            for (const auto& e : std::filesystem::directory_iterator(p))
                if (e.is_regular_file()) seeds.push_back(ReadFile(e.path()));
        } else {
            seeds.push_back(ReadFile(p));
        }
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "%s: no seeds\n", argv[0]);
        return 2;
    }
    for (const Input& s : seeds) LLVMFuzzerTestOneInput(s.data(), s.size());

    std::mt19937 rng(20261208);
    std::vector<Input> pool = seeds;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = static_cast<long>(seeds.size());
    while (std::chrono::steady_clock::now() < end) {
        Input in = pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(rng)];
        const int rounds = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < rounds; ++k) Mutate(in, pool, rng);
        if (rng() % 2) FixChecksums(in);
        LLVMFuzzerTestOneInput(in.data(), in.size());
        ++runs;
        // Some changed inputs become starting points too, so changes add up.
        if (rng() % 64 == 0 && in.size() < (1u << 20)) {
            if (pool.size() < 256)
                pool.push_back(std::move(in));
            else
                pool[seeds.size() + rng() % (pool.size() - seeds.size())] = std::move(in);
        }
    }
    std::printf("%s: %ld inputs in %.1f s, no rule broken\n", argv[0], runs, seconds);
    return 0;
}
